// Bitmaps of the program's resources with their key colour turned into a background colour,
// alone or gathered into image lists.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <memory>
#include <type_traits>

// Owners of an image list and of a bitmap, which go with them.
struct ImageListDeleter {
  void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
using CImageListPtr = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter>;
struct BitmapDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using CBitmapPtr = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

// Replaces every pixel of the key colour (the one at (0, 0)) by `colour`, column by column.
void ReplaceBackground(HBITMAP bitmap, int width, int height, COLORREF colour);

// An image list of `size` by `size` images from a strip bitmap of `count` images, its key
// colour turned into `background`.
HIMAGELIST LoadImageStrip(HINSTANCE module, UINT bitmapId, int size, int count,
                          COLORREF background);

// Appends one `width` by `height` image per bitmap id to `list`, in order, each with its key
// colour turned into `background`; a bitmap that cannot be loaded is left out.
void AddBitmaps(HIMAGELIST list, HINSTANCE module, std::initializer_list<UINT> bitmapIds, int width,
                int height, COLORREF background);
