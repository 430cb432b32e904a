#include "image/core/undo_history.h"

namespace vop {

HistoryRing::~HistoryRing() {
  for (int32_t slot = 0; slot < kCapacity; ++slot) releaseSlot(slot);
}

void HistoryRing::releaseSlot(int32_t slot) {
  if (slots_[slot] != nullptr) {
    void* snapshot = slots_[slot];
    slots_[slot] = nullptr;
    if (release_ != nullptr) release_(snapshot);
  }
}

void HistoryRing::add(void* snapshot) {
  // The states from the cursor to the newest one were undone; a new state makes them
  // unreachable, so they go now, wherever they sit in the slot array. A cursor on the oldest
  // slot of a non-empty ring means every held state is behind it (nothing undone).
  int32_t kept = (cursor_ - oldest_ + kCapacity) % kCapacity;
  if (kept == 0 && count_ != 0) kept = count_;
  for (int32_t i = kept; i < count_; ++i) releaseSlot((oldest_ + i) % kCapacity);
  count_ = kept;
  if (count_ == kCapacity) {
    releaseSlot(oldest_);
    oldest_ = (oldest_ + 1) % kCapacity;
    --count_;
  }
  slots_[cursor_] = snapshot;
  ++count_;
  cursor_ = (cursor_ + 1) % kCapacity;
}

void* HistoryRing::stepBack() {
  cursor_ = cursor_ == 0 ? kCapacity - 1 : cursor_ - 1;
  return slots_[cursor_ == 0 ? kCapacity - 1 : cursor_ - 1];
}

void* HistoryRing::stepForward() {
  if (count_ == kCapacity && cursor_ == oldest_) return nullptr;
  void* snapshot = slots_[cursor_];
  cursor_ = (cursor_ + 1) % kCapacity;
  return snapshot;
}

void UndoHistory::record(void* snapshot) {
  ring_.add(snapshot);
  storedCount_ = ring_.count();
  if (position_ < HistoryRing::kCapacity) ++position_;
}

void* UndoHistory::undo() {
  if (position_ < 2) return nullptr;
  void* snapshot = ring_.stepBack();
  --position_;
  return snapshot;
}

void* UndoHistory::redo() {
  if (storedCount_ - position_ < 1) return nullptr;
  void* snapshot = ring_.stepForward();
  if (snapshot == nullptr) return nullptr;
  ++position_;
  return snapshot;
}

}  // namespace vop
