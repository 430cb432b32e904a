// The caller's progress hook of the adjustment exports, adapted to the core's progress hook.
#include "image/win/progress_adapter.h"

namespace vopwin {

ProgressAdapter::ProgressAdapter(const ExportProgressHook *hook) {
  if (hook != nullptr && hook->callback != nullptr) {
    m_hook.callback = &ProgressAdapter::forward;
    m_hook.context = const_cast<ExportProgressHook *>(hook);
    m_hook.userValue = hook->userValue;
    m_active = true;
  }
}

void ProgressAdapter::forward(vop::ProgressRecord *record, void *context) {
  static_cast<ExportProgressHook *>(context)->callback(record);
}

} // namespace vopwin
