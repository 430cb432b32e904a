// Operations that make new pixels: colour reduction into another image and rotation into a
// new bitmap of the same record.
#include "image/core/decolor.h"
#include "image/core/rotate.h"
#include "image/win/adjust.h"
#include "image/win/frame.h"
#include "image/win/progress_adapter.h"
#include "image/win/record.h"
#include "image/win/record_surface.h"

namespace vopwin {
namespace {

constexpr int32_t kActionRotate = 9;
constexpr int32_t kActionDecolor = 12;

// Hands from's bitmap and everything the record knows of it over to `to`, whose own bitmap
// is destroyed; from is left holding no image. Neither may have its bitmap selected.
void adoptBitmap(ImageRecord &to, ImageRecord &from) {
  destroyBitmap(to);
  to.bitmap = from.bitmap;
  to.bits = from.bits;
  to.width = from.width;
  to.height = from.height;
  to.pitch = from.pitch;
  to.bitsPerPixel = from.bitsPerPixel;
  to.isDibSection = from.isDibSection;
  to.hasAlpha = from.hasAlpha;
  to.transparentColor = from.transparentColor;
  forgetBitmap(from);
}

} // namespace

int32_t decolorImage(HWND window, uint32_t flags, void *source, void *destination,
                     const ExportProgressHook *hook) {
  if (source == nullptr || destination == nullptr)
    return vop::kBadArgument;
  ImageRecord *from = editableRecord(source);
  ImageRecord *to = editableRecord(destination);
  if (from == nullptr || to == nullptr)
    return vop::kBadArgument;
  RecordSurface fromView(*from);
  RecordSurface toView(*to);
  // One record on both sides (a 1-bit image made black and white in place) shares one view,
  // so the colour table written is the one committed.
  RecordSurface &target = from == to ? fromView : toView;
  if (vop::checkDecolor(flags, fromView.surface(), target.surface()) != vop::kOk)
    return vop::kBadArgument;

  FrameProgress progress(hook, vop::kProgressDecolor);
  const vop::RepaintHook repaint = windowRepaint(window);
  int32_t result =
      vop::decolor(flags, fromView.surface(), target.surface(), progress.meter(), &repaint);
  if (result == vop::kOk && vop::isPalettised(target.surface()) && !target.commitPalette())
    result = vop::kBadArgument;
  result = recordEdit(destination, flags, kActionDecolor, result);
  UpdateWindow(window);
  return result;
}

int32_t rotateImage(HWND window, uint32_t flags, const VOP_ROTATE_PARAMS *params, void *image,
                    const ExportProgressHook *hook) {
  if (params == nullptr || image == nullptr)
    return vop::kBadArgument;
  const int32_t angle = params->angle;
  if (vop::checkRotation(angle) == vop::Precheck::kNothingToDo)
    return vop::kOk;
  ImageRecord *record = editableRecord(image);
  if (record == nullptr)
    return vop::kBadArgument;

  ImageRecord turned; // the new bitmap until it is complete
  {
    RecordSurface view(*record);
    vop::CopyParams plan;
    if (vop::planRotation(view.surface(), angle, plan) != vop::kOk)
      return vop::kBadArgument;
    FrameProgress progress(hook, vop::kProgressRotate);
    UpdateWindow(window);
    // The render moves colours only: the fourth byte of every turned pixel stays 0, so the
    // new picture carries no alpha whatever the old one had.
    if (!createBitmap(turned, plan.dstRight, plan.dstBottom, record->bitsPerPixel, 0))
      return vop::kBadArgument;
    RecordSurface turnedView(turned);
    if (vop::renderRotation(flags, plan, view.surface(), turnedView.surface(), progress.meter()) !=
        vop::kOk)
      return vop::kBadArgument;
    if (vop::isPalettised(turnedView.surface()) && !turnedView.commitPalette())
      return vop::kBadArgument;
  }
  // Only a complete picture replaces the old one; until here every failure left it alone.
  adoptBitmap(*record, turned);
  return recordEdit(image, flags, kActionRotate, vop::kOk);
}

} // namespace vopwin
