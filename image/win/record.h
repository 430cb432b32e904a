// One image of the library: a DIB section and what the library knows of it, with the bitmap's
// making, selection into a cached DC, colour table and whole copy.
#pragma once

#include <windows.h>

#include <cstdint>

#include "image/core/surface.h"

namespace vopwin {

// A record without a bitmap is valid and treated as holding no image.
struct ImageRecord {
  ImageRecord();
  virtual ~ImageRecord();
  ImageRecord(const ImageRecord &) = delete;
  ImageRecord &operator=(const ImageRecord &) = delete;

  HBITMAP bitmap = nullptr;
  uint8_t *bits = nullptr; // row 0, the top row
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0; // negative for the bottom-up sections the library makes
  int32_t bitsPerPixel = 0;
  bool isDibSection = false;
  bool hasAlpha = false;
  int32_t transparentColor = -1;
  HDC memoryDC = nullptr;
  int32_t dcRefCount = 0;
  HGDIOBJ previousBitmap = nullptr;
};

// A bottom-up DIB section of exactly this size and depth with zero pixels and an all-black
// colour table; flags bit 0 marks alpha. False (the record unchanged) on failure.
bool createBitmap(ImageRecord &record, int32_t width, int32_t height, int32_t bitsPerPixel,
                  uint32_t flags);
bool destroyBitmap(ImageRecord &record);
// Leaves the record holding no image without deleting its bitmap, which another record has
// taken over. The bitmap must not be selected.
void forgetBitmap(ImageRecord &record);
inline bool holdsImage(const ImageRecord *record) {
  return record != nullptr && record->bitmap != nullptr;
}

// The record's bitmap selected into a cached memory DC for the lifetime of this object;
// nested uses share the selection.
class SelectedBitmap {
public:
  explicit SelectedBitmap(ImageRecord &record);
  ~SelectedBitmap();
  SelectedBitmap(const SelectedBitmap &) = delete;
  SelectedBitmap &operator=(const SelectedBitmap &) = delete;
  HDC dc() const { return m_record.memoryDC; }

private:
  ImageRecord &m_record;
};

// Colour table of a palettised record: entries read (at most 256); -1 without a bitmap.
int32_t readColorTable(ImageRecord &record, vop::PaletteEntry *table, int32_t capacity);
bool writeColorTable(ImageRecord &record, const vop::PaletteEntry *table, int32_t count);

// Copies the whole of source into destination, which has the same size and depth: pixels,
// colour table and the alpha mark (the undo history's copy). kOk, or kBadArgument.
int32_t copyWhole(ImageRecord &source, ImageRecord &destination);

} // namespace vopwin
