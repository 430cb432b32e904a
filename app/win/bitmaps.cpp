// Bitmaps of the program's resources with their key colour turned into a background colour.
#include "app/win/bitmaps.h"

void ReplaceBackground(HBITMAP bitmap, int width, int height, COLORREF colour) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const COLORREF key = GetPixel(dc, 0, 0);
  for (int x = 0; x < width; ++x)
    for (int y = 0; y < height; ++y)
      if (GetPixel(dc, x, y) == key)
        SetPixel(dc, x, y, colour);
  SelectObject(dc, old);
  DeleteDC(dc);
}

// The lists keep exact colours: an 8-bit list would snap the button-face colour to its halftone
// palette, and the replaced backgrounds would no longer match the dialog's.
HIMAGELIST LoadImageStrip(HINSTANCE module, UINT bitmapId, int size, int count,
                          COLORREF background) {
  HBITMAP strip = LoadBitmapA(module, MAKEINTRESOURCEA(bitmapId));
  if (strip == nullptr)
    return nullptr;
  ReplaceBackground(strip, size * count, size, background);
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 5, 5);
  if (list != nullptr)
    ImageList_Add(list, strip, nullptr);
  DeleteObject(strip);
  return list;
}

void AddBitmaps(HIMAGELIST list, HINSTANCE module, std::initializer_list<UINT> bitmapIds, int width,
                int height, COLORREF background) {
  for (UINT id : bitmapIds) {
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id));
    if (bitmap == nullptr)
      continue;
    ReplaceBackground(bitmap, width, height, background);
    ImageList_Add(list, bitmap, nullptr);
    DeleteObject(bitmap);
  }
}
