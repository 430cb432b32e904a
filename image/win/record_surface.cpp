// A record's pixels as a core surface.
#include "image/win/record_surface.h"

namespace vopwin {

RecordSurface::RecordSurface(ImageRecord& record) : record_(record) {
  if (record.bitmap == nullptr || record.bits == nullptr) return;
  surface_.bits = record.bits;
  surface_.pitch = record.pitch;
  surface_.width = record.width;
  surface_.height = record.height;
  surface_.bitsPerPixel = record.bitsPerPixel;
  if (record.bitsPerPixel <= 8) {
    const int32_t count = readColorTable(record, palette_.data(), 1 << record.bitsPerPixel);
    surface_.palette = palette_.data();
    surface_.paletteCount = count > 0 ? count : 0;
  }
}

bool RecordSurface::commitPalette() {
  if (surface_.palette == nullptr || surface_.paletteCount <= 0) return false;
  return writeColorTable(record_, surface_.palette, surface_.paletteCount);
}

}  // namespace vopwin
