// The exports of vopimg.dll and its entry point: each forwards to the engine's work.
#include <windows.h>

#include <cstddef>
#include <new>

#include "image/core/result.h"
#include "image/core/pixel_access.h"
#include "image/core/adjust_region.h"
#include "image/core/filter.h"
#include "image/win/adjust.h"
#include "image/win/analysis.h"
#include "image/win/codec.h"
#include "image/win/engine.h"
#include "image/win/handles.h"
#include "image/win/history.h"
#include "image/win/live_records.h"
#include "image/win/progress_adapter.h"
#include "image/win/record.h"
#include "image/win/record_surface.h"
#include "image/win/transfer.h"
#include "include/vopimg.h"
#include "util/win/version_reader.h"

using vopwin::ImageRecord;

// The core's records are the public ones, field for field, in both builds.
static_assert(sizeof(vop::CopyParams) == sizeof(VOP_COPY_PARAMS));
static_assert(offsetof(vop::CopyParams, scaleX) == offsetof(VOP_COPY_PARAMS, scaleX));
static_assert(offsetof(vop::CopyParams, dstBottom) == offsetof(VOP_COPY_PARAMS, dstBottom));
static_assert(sizeof(vop::ProgressRecord) == sizeof(VOP_PROGRESS_RECORD));
static_assert(sizeof(vopwin::ExportProgressHook) == sizeof(VOP_PROGRESS_HOOK));
static_assert(sizeof(vopwin::QualityHook) == sizeof(VOP_QUALITY_HOOK));
static_assert(sizeof(vop::AdjustRegion) == sizeof(VOP_REGION));
static_assert(offsetof(vop::AdjustRegion, bottom) == offsetof(VOP_REGION, bottom));
static_assert(sizeof(vop::FilterParams) == sizeof(VOP_FILTER_PARAMS));
static_assert(offsetof(vop::FilterParams, custom) == offsetof(VOP_FILTER_PARAMS, coefficients));
static_assert(offsetof(vop::FilterParams, custom) + offsetof(vop::CustomKernel, mirror) ==
              offsetof(VOP_FILTER_PARAMS, mirror));

namespace {

// Handles travel as the public opaque type.
void *raw(VOP_IMAGE image) { return image; }
VOP_IMAGE handle(void *p) { return static_cast<VOP_IMAGE>(p); }

const vopwin::ExportProgressHook *hookOf(VOP_PROGRESS_HOOK *progress) {
  return reinterpret_cast<const vopwin::ExportProgressHook *>(progress);
}

// Every export runs its work through this: no exception crosses the C ABI. Running out of
// memory gives noMemory, anything else unexpected the export's refusal; the work's own
// objects release their handles and files on the way out.
template <typename Result, typename Work>
Result atBoundary(Result refusal, Result noMemory, Work work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc &) {
    return noMemory;
  } catch (...) {
    return refusal;
  }
}

// The exports of the adjustment frame and the analyses: a work buffer that cannot be had is
// -551, anything else unexpected a refusal.
template <typename Work> int guarded(Work work) {
  return atBoundary<int>(vop::kBadArgument, vop::kNoMemory, work);
}

// Handles are null for every failure.
template <typename Work> VOP_IMAGE guardedHandle(Work work) {
  return atBoundary<VOP_IMAGE>(nullptr, nullptr, work);
}

// Ends a call that may have started the codec service: with no image alive it stops again
// here rather than at unload, where the loader lock forbids it.
class CodecCall {
public:
  CodecCall() = default;
  ~CodecCall() { vopwin::stopCodecsWhenIdle(); }
  CodecCall(const CodecCall &) = delete;
  CodecCall &operator=(const CodecCall &) = delete;
};

} // namespace

extern "C" int VOP_API vopInitialize(const int32_t *settings) {
  return vopwin::engine().initialize(settings);
}

extern "C" VOP_IMAGE VOP_API vopCreateImage(int32_t width, int32_t height, int32_t bitsPerPixel,
                                            uint32_t flags) {
  if (width <= 0 || height <= 0 || bitsPerPixel <= 0)
    return nullptr;
  return guardedHandle([&] {
    void *image = vopwin::newHandle();
    if (image == nullptr)
      return handle(nullptr);
    if (!vopwin::createBitmap(*vopwin::resolveHandle(image), width, height, bitsPerPixel, flags)) {
      vopwin::destroyHandle(image);
      return handle(nullptr);
    }
    return handle(image);
  });
}

extern "C" VOP_IMAGE VOP_API vopAttachImage(HGLOBAL packedDib) {
  CodecCall call;
  return guardedHandle([&] { return handle(vopwin::attachImage(packedDib)); });
}

extern "C" void VOP_API vopDestroyImage(VOP_IMAGE image) {
  atBoundary<int>(0, 0, [&] {
    vopwin::destroyHandle(raw(image));
    return 0;
  });
}

extern "C" void VOP_API vopGetImageData(VOP_IMAGE image, int32_t *width, int32_t *height,
                                        int32_t *bitsPerPixel) {
  if (width != nullptr)
    *width = 0;
  if (height != nullptr)
    *height = 0;
  if (bitsPerPixel != nullptr)
    *bitsPerPixel = 0;
  const ImageRecord *record = vopwin::resolveHandle(raw(image));
  if (!vopwin::holdsImage(record))
    return;
  if (width != nullptr)
    *width = record->width;
  if (height != nullptr)
    *height = record->height;
  if (bitsPerPixel != nullptr)
    *bitsPerPixel = record->bitsPerPixel;
}

extern "C" uint32_t VOP_API vopGetColor(VOP_IMAGE image, int32_t x, int32_t y) {
  ImageRecord *record = vopwin::resolveHandle(raw(image));
  if (!vopwin::holdsImage(record) || !record->isDibSection || record->width < 1 ||
      record->height < 1)
    return 0xFFFFFFFFu;
  if (x < 0 || y < 0 || x >= record->width || y >= record->height)
    return 0;
  return atBoundary<uint32_t>(0xFFFFFFFFu, 0xFFFFFFFFu, [&] {
    vopwin::RecordSurface view(*record);
    if (!view.valid())
      return 0xFFFFFFFFu;
    vop::ReadPass pass(view.surface());
    pass.begin();
    const auto colour = static_cast<uint32_t>(pass.read(x, y));
    pass.end();
    return colour;
  });
}

extern "C" VOP_IMAGE VOP_API vopLoadImage(uint32_t flags, char *fileName) {
  CodecCall call;
  return guardedHandle([&] { return handle(vopwin::loadImage(flags, fileName)); });
}

extern "C" int VOP_API vopSaveImage(uint32_t flags, VOP_IMAGE image, char *fileName,
                                    const VOP_QUALITY_HOOK *qualityHook) {
  CodecCall call;
  return atBoundary<int>(vop::kBadArgument, vop::kBadArgument, [&] {
    return vopwin::saveImage(flags, raw(image), fileName,
                             reinterpret_cast<const vopwin::QualityHook *>(qualityHook));
  });
}

extern "C" int VOP_API vopDrawImage(HDC dc, int32_t xDest, int32_t yDest, int32_t width,
                                    int32_t height, int32_t xSrc, int32_t ySrc, uint32_t rop,
                                    VOP_IMAGE image) {
  return atBoundary<int>(0, 0, [&] {
    return vopwin::drawImage(dc, xDest, yDest, width, height, xSrc, ySrc, rop, raw(image));
  });
}

extern "C" int VOP_API vopSetClipboardImage(HWND owner, VOP_IMAGE image) {
  CodecCall call;
  return atBoundary<int>(vop::kBadArgument, vop::kBadArgument,
                         [&] { return vopwin::setClipboardImage(owner, raw(image)); });
}

extern "C" VOP_IMAGE VOP_API vopGetClipboardImage(HWND owner) {
  CodecCall call;
  return guardedHandle([&] { return handle(vopwin::getClipboardImage(owner)); });
}

extern "C" int VOP_API vopCopy(HWND window, uint32_t flags, VOP_COPY_PARAMS *params,
                               VOP_IMAGE source, VOP_IMAGE destination,
                               VOP_PROGRESS_HOOK *progress) {
  // Its results are 0, -1 and -552: running out of memory is one of its failures.
  return atBoundary<int>(vop::kBadArgument, vop::kBadArgument, [&] {
    return vopwin::copyImage(window, flags, reinterpret_cast<vop::CopyParams *>(params),
                             raw(source), raw(destination), hookOf(progress));
  });
}

extern "C" int VOP_API vopReverseAction(int32_t direction, VOP_IMAGE image) {
  return atBoundary<int>(vop::kSnapshotFailed, vop::kSnapshotFailed,
                         [&] { return vopwin::reverseAction(direction, raw(image)); });
}

extern "C" int VOP_API vopGetFileVersion(const char *fileName, uint32_t *major, uint32_t *minor,
                                         uint32_t *build, uint32_t *revision,
                                         uint32_t /*reserved*/) {
  if (fileName == nullptr || major == nullptr || minor == nullptr || build == nullptr ||
      revision == nullptr)
    return vop::kBadArgument;
  return atBoundary<int>(vop::kBadArgument, vop::kBadArgument, [&] {
    return kel::readFileVersion(fileName, major, minor, build, revision);
  });
}

extern "C" int VOP_API vopAdjustGamma(HWND window, uint32_t flags, VOP_GAMMA_PARAMS *params,
                                      VOP_IMAGE image, VOP_PROGRESS_HOOK *progress) {
  return guarded(
      [&] { return vopwin::adjustGamma(window, flags, params, raw(image), hookOf(progress)); });
}

extern "C" int VOP_API vopAdjustGamma2(HWND window, uint32_t flags, VOP_TONE_CURVE_PARAMS *params,
                                       VOP_IMAGE image, VOP_PROGRESS_HOOK *progress) {
  return guarded(
      [&] { return vopwin::adjustToneCurve(window, flags, params, raw(image), hookOf(progress)); });
}

extern "C" int VOP_API vopAdjustContrast(HWND window, uint32_t flags, VOP_CONTRAST_PARAMS *params,
                                         VOP_IMAGE image, VOP_PROGRESS_HOOK *progress) {
  return guarded(
      [&] { return vopwin::adjustContrast(window, flags, params, raw(image), hookOf(progress)); });
}

extern "C" int VOP_API vopAdjustQuality(HWND window, uint32_t flags, VOP_QUALITY_PARAMS *params,
                                        VOP_IMAGE image, VOP_PROGRESS_HOOK *progress) {
  if (params == nullptr)
    return vop::kBadArgument;
  const vopwin::QualityCall call{
      params->hue, params->brightness, params->saturation, params->region, false, 0, 0};
  return guarded(
      [&] { return vopwin::adjustQuality(window, flags, call, raw(image), hookOf(progress)); });
}

extern "C" int VOP_API vopAdjustQuality2(HWND window, uint32_t flags, VOP_QUALITY_PARAMS2 *params,
                                         VOP_IMAGE image, VOP_PROGRESS_HOOK *progress) {
  if (params == nullptr)
    return vop::kBadArgument;
  const vopwin::QualityCall call{
      params->hue, params->brightness, params->saturation,  params->region,
      true,        params->keepColor,  params->keepDistance};
  // The second record always asks to spare, unless the caller's mode byte says more.
  return guarded([&] {
    return vopwin::adjustQuality(window, flags | VOP_QUALITY_SPARE, call, raw(image),
                                 hookOf(progress));
  });
}

extern "C" int VOP_API vopThroughFilter(HWND window, uint32_t flags, VOP_FILTER_PARAMS *params,
                                        VOP_IMAGE image, VOP_PROGRESS_HOOK *progress) {
  return guarded(
      [&] { return vopwin::throughFilter(window, flags, params, raw(image), hookOf(progress)); });
}

extern "C" int VOP_API vopDecolor(HWND window, uint32_t flags, VOP_IMAGE source,
                                  VOP_IMAGE destination, VOP_PROGRESS_HOOK *progress) {
  return guarded([&] {
    return vopwin::decolorImage(window, flags, raw(source), raw(destination), hookOf(progress));
  });
}

extern "C" int VOP_API vopRotate(HWND window, uint32_t flags, VOP_ROTATE_PARAMS *params,
                                 VOP_IMAGE image, VOP_PROGRESS_HOOK *progress) {
  return guarded(
      [&] { return vopwin::rotateImage(window, flags, params, raw(image), hookOf(progress)); });
}

extern "C" int VOP_API vopCountColor(HWND window, uint32_t /*reserved*/, VOP_IMAGE image,
                                     VOP_PROGRESS_HOOK *progress) {
  return guarded([&] { return vopwin::countColors(window, raw(image), hookOf(progress)); });
}

extern "C" int VOP_API vopHistogram(HWND window, VOP_IMAGE image, VOP_HISTOGRAM_RESULT *result,
                                    VOP_PROGRESS_HOOK *progress) {
  return guarded([&] { return vopwin::histogramOf(window, raw(image), result, hookOf(progress)); });
}

extern "C" void VOP_API vopShowHistogramDlg(HWND window, const char *title, VOP_IMAGE image,
                                            VOP_PROGRESS_HOOK *progress) {
  // No result to give: on failure the dialog simply does not appear.
  atBoundary<int>(0, 0, [&] {
    vopwin::showHistogramDialog(window, title, raw(image), hookOf(progress));
    return 0;
  });
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    vopwin::setModuleInstance(instance);
    vopwin::engine(); // built before any export can run
  }
  // Nothing to do at detach: the codec service and the cached DCs went with the last image
  // (stopping the service under the loader lock can hang on its thread). A caller that
  // unloads the library with images still alive leaves both to the process.
  (void)reserved;
  return TRUE;
}
