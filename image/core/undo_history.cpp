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
  if (count_ != 0 && cursor_ == oldest_) {
    releaseSlot(oldest_);
    oldest_ = (oldest_ + 1) % kCapacity;
  }
  releaseSlot(cursor_);
  slots_[cursor_] = snapshot;
  count_ = oldest_ > cursor_ ? kCapacity : cursor_ - oldest_ + 1;
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
