// Placement arithmetic of the folder-selection dialog.
#include "util/core/dirdialog_layout.h"

#include <algorithm>

namespace kel {

namespace {
int32_t clampTo32(int64_t v, int64_t lowest = INT32_MIN) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, lowest, INT32_MAX));
}
} // namespace

DirDialogPlacement planDirDialog(const DirDialogRequest &request, const DirDialogRect &window,
                                 int32_t captionOffset) {
  DirDialogPlacement p;
  if (request.layout == kDirDialogNoAdjust)
    return p;
  p.selectInitial = true;

  if (request.mode == kDirDialogNewStyle) {
    // The new-style dialog lays out its own children; only its place is ours to set.
    if (request.x >= 0 && request.y >= 0) {
      p.moveWindow = true;
      p.x = request.x;
      p.y = request.y;
    }
    return p;
  }

  int64_t b = 0;
  if (request.layout == kDirDialogNoCaption) {
    p.removeCaption = true;
    b = captionOffset;
  }
  const int64_t currentWidth = std::max<int64_t>(0, int64_t{window.right} - window.left);
  const int64_t currentHeight = std::max<int64_t>(0, int64_t{window.bottom} - window.top);
  int64_t x = request.x, y = request.y, w = request.width, h = request.height;
  if (x < 0 || y < 0) {
    x = window.left;
    y = window.top;
    w = currentWidth;
    h = currentHeight;
  } else if (w <= 0 || h <= 0) {
    w = currentWidth;
    h = currentHeight;
  }
  p.moveWindow = p.resizeWindow = true;
  p.x = clampTo32(x);
  p.y = clampTo32(y);
  p.width = clampTo32(w, 0);
  p.height = clampTo32(h, 0);

  p.arrangeChildren = true;
  p.treeWidth = clampTo32(w - 30, 0);
  p.treeHeight = clampTo32(h - b - 120, 0);
  p.firstButtonX = clampTo32(w - 200);
  p.secondButtonX = clampTo32(w - 105);
  p.buttonY = clampTo32(h - b - 60);
  return p;
}

} // namespace kel
