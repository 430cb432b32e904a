// The adjustments in place: gamma, tone curve, contrast, quality and the neighbourhood filter.
#include "image/win/adjust.h"

#include <algorithm>
#include <cstring>

#include "image/core/contrast.h"
#include "image/core/filter.h"
#include "image/core/quality.h"
#include "image/core/tone_table.h"
#include "image/win/frame.h"
#include "image/win/progress_adapter.h"
#include "image/win/record.h"
#include "image/win/record_surface.h"

namespace vopwin {
namespace {

// Undo action codes.
constexpr int32_t kActionContrast = 1;
constexpr int32_t kActionGamma = 2;
constexpr int32_t kActionQuality = 3;
constexpr int32_t kActionFilter = 11;
constexpr int32_t kActionToneCurve = 13;

vop::AdjustRegion toCore(const VOP_REGION &r) { return {r.left, r.right, r.top, r.bottom}; }

// Puts the caller's region in order (written back whatever the verdict, as the caller sees
// the swap even for a region that is then refused) and checks it against the image.
bool normaliseCallerRegion(VOP_REGION &caller, const ImageRecord &record, vop::AdjustRegion &out) {
  out = toCore(caller);
  const bool ok = vop::normalizeRegion(out, record.width, record.height) == vop::kOk;
  caller = VOP_REGION{out.left, out.right, out.top, out.bottom};
  return ok;
}

// A palette image changes through its colour table only: the core changed the view's copy,
// and the bitmap takes it here. A table the bitmap refuses leaves the image as it was.
int32_t commitIfPalettised(RecordSurface &view, int32_t result) {
  if (result != vop::kOk || !vop::isPalettised(view.surface()))
    return result;
  return view.commitPalette() ? vop::kOk : vop::kBadArgument;
}

// After the core ran: a palette goes to the bitmap, and a success becomes an undo step and a
// repaint. Failures come before any change; they skip the second repaint.
int32_t finishEdit(HWND window, uint32_t flags, void *image, RecordSurface &view,
                   int32_t actionCode, int32_t result) {
  result = commitIfPalettised(view, result);
  if (result != vop::kOk)
    return result;
  result = recordEdit(image, flags, actionCode, result);
  UpdateWindow(window);
  return result;
}

// The shared road of both tone-table exports after their own checks.
int32_t applyTable(HWND window, uint32_t flags, const vop::ToneTable &table, uint32_t channels,
                   VOP_REGION &callerRegion, void *image, FrameProgress &progress,
                   int32_t actionCode) {
  UpdateWindow(window);
  ImageRecord *record = editableRecord(image);
  if (record == nullptr)
    return vop::kBadArgument;
  vop::AdjustRegion region;
  if (!normaliseCallerRegion(callerRegion, *record, region))
    return vop::kBadArgument;
  RecordSurface view(*record);
  int32_t result = vop::applyToneTable(view.surface(), table, channels, region, progress.meter());
  return finishEdit(window, flags, image, view, actionCode, result);
}

} // namespace

int32_t adjustGamma(HWND window, uint32_t flags, VOP_GAMMA_PARAMS *params, void *image,
                    const ExportProgressHook *hook) {
  if (params == nullptr || image == nullptr)
    return vop::kBadArgument;
  const double gamma = params->gamma;
  if (int32_t result; !vop::passes(vop::checkGamma(gamma), result))
    return result;
  FrameProgress progress(hook, vop::kProgressGamma);
  return applyTable(window, flags, vop::gammaTable(gamma), params->channels, params->region, image,
                    progress, kActionGamma);
}

int32_t adjustToneCurve(HWND window, uint32_t flags, VOP_TONE_CURVE_PARAMS *params, void *image,
                        const ExportProgressHook *hook) {
  if (params == nullptr || image == nullptr)
    return vop::kBadArgument;
  vop::ToneTable table;
  std::memcpy(table.data(), params->table, table.size());
  FrameProgress progress(hook, vop::kProgressToneCurve);
  return applyTable(window, flags, table, params->channels, params->region, image, progress,
                    kActionToneCurve);
}

int32_t adjustContrast(HWND window, uint32_t flags, VOP_CONTRAST_PARAMS *params, void *image,
                       const ExportProgressHook *hook) {
  if (params == nullptr || image == nullptr)
    return vop::kBadArgument;
  const auto mode = static_cast<int32_t>(flags & 0xFF);
  if (int32_t result; !vop::passes(vop::checkContrast(mode, params->amount), result))
    return result;
  ImageRecord *record = editableRecord(image);
  if (record == nullptr)
    return vop::kBadArgument;
  vop::AdjustRegion region;
  if (!normaliseCallerRegion(params->region, *record, region))
    return vop::kBadArgument;
  FrameProgress progress(hook, vop::kProgressContrast);
  UpdateWindow(window);
  RecordSurface view(*record);
  // The core asks for a repaint between measuring and changing.
  const vop::RepaintHook repaint = windowRepaint(window);
  int32_t result = vop::adjustContrast(view.surface(), mode, params->amount, params->channel,
                                       region, progress.meter(), &repaint);
  result = commitIfPalettised(view, result);
  result = recordEdit(image, flags, kActionContrast, result);
  UpdateWindow(window);
  return result;
}

int32_t adjustQuality(HWND window, uint32_t flags, QualityCall call, void *image,
                      const ExportProgressHook *hook) {
  if (image == nullptr)
    return vop::kBadArgument;
  vop::QualitySettings q{};
  q.hue = call.hue;
  q.brightness = call.brightness;
  q.saturation = call.saturation;
  q.spare = (flags & 0xFF) == VOP_QUALITY_SPARE;
  if (q.spare && !call.hasKeep)
    return vop::kBadArgument;
  q.keepColour = call.keepColor;
  q.keepDistance = call.keepDistance;
  if (vop::checkQuality(q) != vop::kOk)
    return vop::kBadArgument;

  FrameProgress progress(hook, vop::kProgressQuality);
  UpdateWindow(window);
  ImageRecord *record = editableRecord(image);
  if (record == nullptr)
    return vop::kBadArgument;
  // The region is checked on the operation's own copy: the caller's record stays as given.
  vop::AdjustRegion region = toCore(call.region);
  if (vop::normalizeRegion(region, record->width, record->height) != vop::kOk)
    return vop::kBadArgument;
  RecordSurface view(*record);
  int32_t result = vop::adjustQuality(view.surface(), q, region, progress.meter());
  return finishEdit(window, flags, image, view, kActionQuality, result);
}

int32_t throughFilter(HWND window, uint32_t flags, VOP_FILTER_PARAMS *params, void *image,
                      const ExportProgressHook *hook) {
  if (params == nullptr || image == nullptr)
    return vop::kBadArgument;
  UpdateWindow(window);
  ImageRecord *record = editableRecord(image);
  if (record == nullptr)
    return vop::kBadArgument;
  if (record->bitsPerPixel <= 8)
    return vop::kWrongDepth;
  vop::AdjustRegion region;
  if (!normaliseCallerRegion(params->region, *record, region))
    return vop::kBadArgument;
  // Built-in filters come with a 16-byte record: only the custom code may read further.
  vop::CustomKernel custom{};
  const bool isCustom = (flags & vop::kFilterCodeMask) == vop::kFilterCustom;
  if (isCustom) {
    std::copy(std::begin(params->coefficients), std::end(params->coefficients),
              std::begin(custom.coefficients));
    custom.divisor = params->divisor;
    custom.bias = params->bias;
    custom.mirror = params->mirror;
  }
  FrameProgress progress(hook, vop::kProgressFilter);
  RecordSurface view(*record);
  int32_t result = vop::throughFilter(view.surface(), flags, region, isCustom ? &custom : nullptr,
                                      progress.meter());
  // The filter refuses palette images, so finishing commits no table.
  return finishEdit(window, flags, image, view, kActionFilter, result);
}

} // namespace vopwin
