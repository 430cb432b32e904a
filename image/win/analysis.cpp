// The histogram and the colour count: read-only passes that record no undo state.
#include "image/win/analysis.h"

#include "image/core/count_colors.h"
#include "image/core/histogram.h"
#include "image/win/engine.h"
#include "image/win/frame.h"
#include "image/win/handles.h"
#include "image/win/progress_adapter.h"
#include "image/win/record.h"
#include "image/win/record_surface.h"

namespace vopwin {

static_assert(sizeof(vop::HistogramResult) == sizeof(VOP_HISTOGRAM_RESULT));
static_assert(offsetof(vop::HistogramResult, peakLevel) ==
              offsetof(VOP_HISTOGRAM_RESULT, peakLevel));
static_assert(offsetof(vop::HistogramResult, peakCount) ==
              offsetof(VOP_HISTOGRAM_RESULT, peakCount));
static_assert(offsetof(vop::HistogramResult, bitsPerPixel) ==
              offsetof(VOP_HISTOGRAM_RESULT, bitsPerPixel));

int32_t histogramOf(HWND window, void *image, VOP_HISTOGRAM_RESULT *result,
                    const ExportProgressHook *hook) {
  ImageRecord *record = resolveHandle(image);
  if (result == nullptr || !holdsImage(record) || record->bits == nullptr)
    return vop::kBadArgument;
  RecordSurface view(*record);
  FrameProgress progress(hook, vop::kProgressHistogram);
  // The core repaints after its first progress call and once more at the end.
  const vop::RepaintHook repaint = windowRepaint(window);
  return vop::computeHistogram(view.surface(), reinterpret_cast<vop::HistogramResult *>(result),
                               progress.meter(), &repaint);
}

int32_t countColors(HWND window, void *image, const ExportProgressHook *hook) {
  ImageRecord *record = editableRecord(image);
  if (record == nullptr || record->width < 1 || record->height < 1)
    return vop::kBadArgument;
  RecordSurface view(*record);
  FrameProgress progress(hook, vop::kProgressCountColor);
  const vop::RepaintHook repaint = windowRepaint(window);
  return vop::countColors(view.surface(), engine().colorCount(), progress.meter(), &repaint);
}

} // namespace vopwin
