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
  using Release = void (*)(void *snapshot);

  explicit HistoryRing(Release release) : m_release(release) {}
  ~HistoryRing();
  HistoryRing(const HistoryRing &) = delete;
  HistoryRing &operator=(const HistoryRing &) = delete;

  // Stores a snapshot at the cursor. Every state from the cursor to the newest one (the
  // states that had been undone) is released first; a ring that is then still full drops its
  // oldest state.
  void add(void *snapshot);
  // Steps the cursor back and returns the state before it (the one to show after an undo).
  void *stepBack();
  // The state at the cursor, stepping past it; null when the full ring's cursor is at the
  // oldest state.
  void *stepForward();

  int32_t count() const { return m_count; }
  int32_t cursor() const { return m_cursor; }
  int32_t oldest() const { return m_oldest; }

private:
  void releaseSlot(int32_t slot);

  std::array<void *, kCapacity> m_slots{};
  int32_t m_cursor = 0;
  int32_t m_oldest = 0;
  int32_t m_count = 0;
  Release m_release;
};

class UndoHistory {
public:
  explicit UndoHistory(HistoryRing::Release release) : m_ring(release) {}

  // Records a new state; recording after an undo discards the states that could be redone.
  void record(void *snapshot);
  // The state to show after one step back or forward, or null when there is none (nothing
  // changes then).
  void *undo();
  void *redo();

  int32_t storedCount() const { return m_storedCount; }
  int32_t position() const { return m_position; }
  const HistoryRing &ring() const { return m_ring; }

private:
  HistoryRing m_ring;
  int32_t m_storedCount = 0;
  int32_t m_position = 0;
};

} // namespace vop
