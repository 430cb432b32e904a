// Test helper: every progress record a pass hands to its callback, copied as the callback saw it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image/core/progress.h"

namespace vop::test {

// {operation, total, done, userValue} of one call.
using ProgressCall = std::array<uint32_t, 4>;

class ProgressLog {
public:
  explicit ProgressLog(uint32_t userValue) : m_hook{&ProgressLog::record, this, userValue} {}
  ProgressLog(const ProgressLog &) = delete;
  ProgressLog &operator=(const ProgressLog &) = delete;

  const ProgressHook *hook() const { return &m_hook; }
  const std::vector<ProgressCall> &calls() const { return m_calls; }

private:
  static void record(ProgressRecord *r, void *context) {
    static_cast<ProgressLog *>(context)->m_calls.push_back(
        {r->operation, r->total, r->done, r->userValue});
  }

  ProgressHook m_hook;
  std::vector<ProgressCall> m_calls;
};

} // namespace vop::test
