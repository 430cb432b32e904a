// Progress reporting of long pixel passes: the record, a plain callback and the step protocol.
#pragma once

#include <cstdint>

namespace vop {

// Same layout as the ProgressRecord of the library's ABI (four unsigned 32-bit words), so the
// Windows layer may hand the record's address to a caller's hook unchanged.
struct ProgressRecord {
  uint32_t operation;
  uint32_t total;
  uint32_t done;
  uint32_t userValue;
};

// Called on the caller's thread inside the operation; the record is valid only during the call.
using ProgressCallback = void (*)(ProgressRecord *record, void *context);

struct ProgressHook {
  ProgressCallback callback;
  void *context;
  uint32_t userValue;
};

// Operation codes carried in ProgressRecord::operation.
constexpr uint32_t kProgressContrast = 1;
constexpr uint32_t kProgressGamma = 2;
constexpr uint32_t kProgressQuality = 3;
constexpr uint32_t kProgressCopy = 5;
constexpr uint32_t kProgressHistogram = 8;
constexpr uint32_t kProgressFilter = 9;
constexpr uint32_t kProgressDecolor = 10;
constexpr uint32_t kProgressRotate = 10;
constexpr uint32_t kProgressCountColor = 11;
constexpr uint32_t kProgressToneCurve = 12;

// Callback interval of a pixel pass: total / 10 above 4,096,000 units, total / 5 above
// 2,048,000, else total / 2. May be 0; ProgressMeter then calls after every unit.
uint32_t progressStep(uint32_t total);

// The protocol of every pass: begin calls once with done 0, tick calls whenever done is a
// multiple of the step, finish sets done to total and calls once more. Without a hook (or
// with a null callback) nothing is called, and the record stays all zero but for its counts.
class ProgressMeter {
public:
  ProgressMeter() = default;
  ProgressMeter(const ProgressHook *hook, uint32_t operation);

  bool active() const { return m_hook != nullptr; }

  // Sets total and done without a call (copyTransform takes the total its caller prepared).
  void prepare(uint32_t total);
  void begin(uint32_t total) { begin(total, progressStep(total)); }
  void begin(uint32_t total, uint32_t step);
  void tick();
  // `units` ticks at once, with the same calls.
  void advance(uint32_t units);
  void setDone(uint32_t done) { m_record.done = done; }
  void finish();

  const ProgressRecord &record() const { return m_record; }
  uint32_t step() const { return m_step; }

private:
  void call();

  const ProgressHook *m_hook = nullptr;
  ProgressRecord m_record{0, 0, 0, 0};
  uint32_t m_step = 1;
};

} // namespace vop
