// The caller's progress hook of the adjustment exports, adapted to the core's progress hook.
#pragma once

#include <cstdint>

#include "image/core/progress.h"

namespace vopwin {

// The caller's progress hook of the adjustment exports: a stdcall callback and a user value.
struct ExportProgressHook {
  void(__stdcall *callback)(vop::ProgressRecord *record);
  uint32_t userValue;
};

// Adapts a caller's hook to the core's progress hook (null when none was given).
class ProgressAdapter {
public:
  explicit ProgressAdapter(const ExportProgressHook *hook);
  const vop::ProgressHook *hook() const { return m_active ? &m_hook : nullptr; }

private:
  static void forward(vop::ProgressRecord *record, void *context);
  vop::ProgressHook m_hook{};
  bool m_active = false;
};

} // namespace vopwin
