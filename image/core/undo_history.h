// The undo history of an image: a ring of up to 8 recorded states with the count of states
// stored and the 1-based position of the state the image shows. The ring owns its snapshots
// through an opaque pointer and gives them back to a release routine.
#pragma once

#include <array>
#include <cstdint>

namespace vop {

class HistoryRing {
 public:
  static constexpr int32_t kCapacity = 8;
  using Release = void (*)(void* snapshot);

  explicit HistoryRing(Release release) : release_(release) {}
  ~HistoryRing();
  HistoryRing(const HistoryRing&) = delete;
  HistoryRing& operator=(const HistoryRing&) = delete;

  // Stores a snapshot at the cursor. Every state from the cursor to the newest one (the
  // states that had been undone) is released first; a ring that is then still full drops its
  // oldest state.
  void add(void* snapshot);
  // Steps the cursor back and returns the state before it (the one to show after an undo).
  void* stepBack();
  // The state at the cursor, stepping past it; null when the full ring's cursor is at the
  // oldest state.
  void* stepForward();

  int32_t count() const { return count_; }
  int32_t cursor() const { return cursor_; }
  int32_t oldest() const { return oldest_; }

 private:
  void releaseSlot(int32_t slot);

  std::array<void*, kCapacity> slots_{};
  int32_t cursor_ = 0;
  int32_t oldest_ = 0;
  int32_t count_ = 0;
  Release release_;
};

class UndoHistory {
 public:
  explicit UndoHistory(HistoryRing::Release release) : ring_(release) {}

  // Records a new state; recording after an undo discards the states that could be redone.
  void record(void* snapshot);
  // The state to show after one step back or forward, or null when there is none (nothing
  // changes then).
  void* undo();
  void* redo();

  int32_t storedCount() const { return storedCount_; }
  int32_t position() const { return position_; }
  const HistoryRing& ring() const { return ring_; }

 private:
  HistoryRing ring_;
  int32_t storedCount_ = 0;
  int32_t position_ = 0;
};

}  // namespace vop
