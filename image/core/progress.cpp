// The progress protocol of pixel passes.
#include "image/core/progress.h"

namespace vop {

uint32_t progressStep(uint32_t total) {
  if (total > 4096000u)
    return total / 10;
  if (total > 2048000u)
    return total / 5;
  return total / 2;
}

ProgressMeter::ProgressMeter(const ProgressHook *hook, uint32_t operation) {
  if (hook != nullptr && hook->callback != nullptr) {
    m_hook = hook;
    m_record.operation = operation;
    m_record.userValue = hook->userValue;
  }
}

void ProgressMeter::prepare(uint32_t total) {
  m_record.total = total;
  m_record.done = 0;
}

void ProgressMeter::begin(uint32_t total, uint32_t step) {
  prepare(total);
  // A step of 0 (totals below 2) would divide by zero; report every unit instead.
  m_step = step == 0 ? 1 : step;
  call();
}

void ProgressMeter::tick() {
  ++m_record.done;
  if (m_record.done % m_step == 0)
    call();
}

void ProgressMeter::advance(uint32_t units) {
  // The same calls as `units` ticks: one at every multiple of the step passed on the way.
  const uint32_t target = m_record.done + units;
  uint32_t next = (m_record.done / m_step + 1) * m_step;
  while (next <= target && next > m_record.done) {
    m_record.done = next;
    call();
    next += m_step;
  }
  m_record.done = target;
}

void ProgressMeter::finish() {
  m_record.done = m_record.total;
  call();
}

void ProgressMeter::call() {
  if (m_hook != nullptr)
    m_hook->callback(&m_record, m_hook->context);
}

} // namespace vop
