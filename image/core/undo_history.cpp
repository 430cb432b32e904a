#include "image/core/undo_history.h"

namespace vop {

HistoryRing::~HistoryRing() {
  for (int32_t slot = 0; slot < kCapacity; ++slot)
    releaseSlot(slot);
}

void HistoryRing::releaseSlot(int32_t slot) {
  if (m_slots[slot] != nullptr) {
    void *snapshot = m_slots[slot];
    m_slots[slot] = nullptr;
    if (m_release != nullptr)
      m_release(snapshot);
  }
}

void HistoryRing::add(void *snapshot) {
  // The states from the cursor to the newest one were undone; a new state makes them
  // unreachable, so they go now, wherever they sit in the slot array. A cursor on the oldest
  // slot of a non-empty ring means every held state is behind it (nothing undone).
  int32_t kept = (m_cursor - m_oldest + kCapacity) % kCapacity;
  if (kept == 0 && m_count != 0)
    kept = m_count;
  for (int32_t i = kept; i < m_count; ++i)
    releaseSlot((m_oldest + i) % kCapacity);
  m_count = kept;
  if (m_count == kCapacity) {
    releaseSlot(m_oldest);
    m_oldest = (m_oldest + 1) % kCapacity;
    --m_count;
  }
  m_slots[m_cursor] = snapshot;
  ++m_count;
  m_cursor = (m_cursor + 1) % kCapacity;
}

void *HistoryRing::stepBack() {
  m_cursor = m_cursor == 0 ? kCapacity - 1 : m_cursor - 1;
  return m_slots[m_cursor == 0 ? kCapacity - 1 : m_cursor - 1];
}

void *HistoryRing::stepForward() {
  if (m_count == kCapacity && m_cursor == m_oldest)
    return nullptr;
  void *snapshot = m_slots[m_cursor];
  m_cursor = (m_cursor + 1) % kCapacity;
  return snapshot;
}

void UndoHistory::record(void *snapshot) {
  m_ring.add(snapshot);
  m_storedCount = m_ring.count();
  if (m_position < HistoryRing::kCapacity)
    ++m_position;
}

void *UndoHistory::undo() {
  if (m_position < 2)
    return nullptr;
  void *snapshot = m_ring.stepBack();
  --m_position;
  return snapshot;
}

void *UndoHistory::redo() {
  if (m_storedCount - m_position < 1)
    return nullptr;
  void *snapshot = m_ring.stepForward();
  if (snapshot == nullptr)
    return nullptr;
  ++m_position;
  return snapshot;
}

} // namespace vop
