// A record's pixels as a core surface.
#include "image/win/record_surface.h"

namespace vopwin {

RecordSurface::RecordSurface(ImageRecord &record) : m_record(record) {
  if (record.bitmap == nullptr || record.bits == nullptr)
    return;
  m_surface.bits = record.bits;
  m_surface.pitch = record.pitch;
  m_surface.width = record.width;
  m_surface.height = record.height;
  m_surface.bitsPerPixel = record.bitsPerPixel;
  if (record.bitsPerPixel <= 8) {
    const int32_t count = readColorTable(record, m_palette.data(), 1 << record.bitsPerPixel);
    m_surface.palette = m_palette.data();
    m_surface.paletteCount = count > 0 ? count : 0;
  }
}

bool RecordSurface::commitPalette() {
  if (m_surface.palette == nullptr || m_surface.paletteCount <= 0)
    return false;
  return writeColorTable(m_record, m_surface.palette, m_surface.paletteCount);
}

} // namespace vopwin
