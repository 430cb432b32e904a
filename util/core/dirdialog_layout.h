// Placement of the folder-selection dialog and its children, computed from the caller's options.
#pragma once
#include <cstdint>

namespace kel {

constexpr int32_t kDirDialogNewStyle = 1;
constexpr int32_t kDirDialogNoAdjust = -1;
constexpr int32_t kDirDialogNoCaption = static_cast<int32_t>(0xF0000001u);

// The caller's wishes, as in the options record.
struct DirDialogRequest {
  int32_t mode;  // 1 new-style dialog, else classic
  int32_t x, y;  // negative: the system's place
  int32_t width; // classic only; 0 or less: the system's size
  int32_t height;
  int32_t layout; // kDirDialogNoAdjust, kDirDialogNoCaption, or anything else
};

// A window rectangle in screen coordinates.
struct DirDialogRect {
  int32_t left, top, right, bottom;
};

struct DirDialogPlacement {
  bool moveWindow = false;    // place the dialog at (x, y)
  bool resizeWindow = false;  // and give it width and height (classic dialog only)
  bool removeCaption = false; // take the caption off the window style first
  int32_t x = 0, y = 0, width = 0, height = 0;
  bool arrangeChildren = false; // size the folder tree and move the first two buttons
  int32_t treeWidth = 0, treeHeight = 0;
  int32_t firstButtonX = 0, secondButtonX = 0, buttonY = 0; // client coordinates
  bool selectInitial = false; // select the initial folder, when one is given
};

// window: the dialog's current window rectangle. captionOffset: the window's top minus the
// client area's top, in screen coordinates (0 or negative), measured while the caption is on.
// Every result is computed in 64 bits and clamped to the 32-bit range; sizes are never
// negative, so hostile widths and heights cannot wrap around into huge or inverted windows.
DirDialogPlacement planDirDialog(const DirDialogRequest &request, const DirDialogRect &window,
                                 int32_t captionOffset);

} // namespace kel
