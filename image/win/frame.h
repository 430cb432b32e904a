// The call frame the editing and analysing exports share: the record they may work on, the
// caller's progress hook as a core meter, the repaints and the undo rule.
#pragma once

#include <windows.h>

#include <cstdint>

#include "image/core/adjust_region.h"
#include "image/core/progress.h"
#include "image/core/result.h"
#include "image/win/engine.h"
#include "image/win/handles.h"
#include "image/win/history.h"
#include "image/win/progress_adapter.h"
#include "image/win/record.h"

namespace vopwin {

// Flags bit 31 of every editing call: record no undo state.
constexpr uint32_t kNoSnapshot = 0x80000000u;

// The record of a handle when it holds pixels the library can address (a DIB section),
// else null.
inline ImageRecord *editableRecord(void *handle) {
  ImageRecord *record = resolveHandle(handle);
  if (!holdsImage(record) || record->bits == nullptr || !record->isDibSection)
    return nullptr;
  return record;
}

// A core meter over the caller's hook (inactive without one). Neither copied nor moved: the
// meter keeps the adapter's address.
class FrameProgress {
public:
  FrameProgress(const ExportProgressHook *hook, uint32_t operation)
      : m_adapter(hook), m_meter(m_adapter.hook(), operation) {}
  FrameProgress(const FrameProgress &) = delete;
  FrameProgress &operator=(const FrameProgress &) = delete;
  vop::ProgressMeter *meter() { return &m_meter; }

private:
  ProgressAdapter m_adapter;
  vop::ProgressMeter m_meter;
};

// The core's repaint request as UpdateWindow of the caller's window (null is harmless).
inline void updateWindowOf(void *window) { UpdateWindow(static_cast<HWND>(window)); }
inline vop::RepaintHook windowRepaint(HWND window) {
  return vop::RepaintHook{&updateWindowOf, window};
}

// The undo rule after an edit: a successful edit of a history handle is recorded unless the
// caller said not to. A failed recording becomes the result; the edit stays in place.
inline int32_t recordEdit(void *handle, uint32_t flags, int32_t actionCode, int32_t result) {
  if (result != vop::kOk || !engine().historyOn() || (flags & kNoSnapshot) != 0)
    return result;
  return pushSnapshot(handle, actionCode);
}

} // namespace vopwin
