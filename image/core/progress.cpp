// The progress protocol of pixel passes.
#include "image/core/progress.h"

namespace vop {

uint32_t progressStep(uint32_t total) {
  if (total > 4096000u) return total / 10;
  if (total > 2048000u) return total / 5;
  return total / 2;
}

ProgressMeter::ProgressMeter(const ProgressHook* hook, uint32_t operation) {
  if (hook != nullptr && hook->callback != nullptr) {
    hook_ = hook;
    record_.operation = operation;
    record_.userValue = hook->userValue;
  }
}

void ProgressMeter::prepare(uint32_t total) {
  record_.total = total;
  record_.done = 0;
}

void ProgressMeter::begin(uint32_t total, uint32_t step) {
  prepare(total);
  // A step of 0 (totals below 2) would divide by zero; report every unit instead.
  step_ = step == 0 ? 1 : step;
  call();
}

void ProgressMeter::tick() {
  ++record_.done;
  if (record_.done % step_ == 0) call();
}

void ProgressMeter::advance(uint32_t units) {
  // The same calls as `units` ticks: one at every multiple of the step passed on the way.
  const uint32_t target = record_.done + units;
  uint32_t next = (record_.done / step_ + 1) * step_;
  while (next <= target && next > record_.done) {
    record_.done = next;
    call();
    next += step_;
  }
  record_.done = target;
}

void ProgressMeter::finish() {
  record_.done = record_.total;
  call();
}

void ProgressMeter::call() {
  if (hook_ != nullptr) hook_->callback(&record_, hook_->context);
}

}  // namespace vop
