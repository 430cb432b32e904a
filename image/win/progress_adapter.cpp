// The caller's progress hook of the adjustment exports, adapted to the core's progress hook.
#include "image/win/progress_adapter.h"

namespace vopwin {

ProgressAdapter::ProgressAdapter(const ExportProgressHook* hook) {
  if (hook != nullptr && hook->callback != nullptr) {
    hook_.callback = &ProgressAdapter::forward;
    hook_.context = const_cast<ExportProgressHook*>(hook);
    hook_.userValue = hook->userValue;
    active_ = true;
  }
}

void ProgressAdapter::forward(vop::ProgressRecord* record, void* context) {
  static_cast<ExportProgressHook*>(context)->callback(record);
}

}  // namespace vopwin
