// Distinct colours of every pixel.
#include "image/core/count_colors.h"

#include <cstring>

#include "image/core/pixel_access.h"
#include "image/core/result.h"

namespace vop {
namespace {

inline void mark(uint64_t *map, uint32_t colour) {
  map[colour >> 6] |= uint64_t{1} << (colour & 63);
}

// The colour 0x00BBGGRR of the B, G, R bytes at p read as one little-endian word (X R G B from
// the top): red and blue trade places, the fourth byte goes. The caller makes sure four bytes
// exist.
inline uint32_t wordColour(const uint8_t *p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
}

// One row of 3- or 4-byte pixels into the map. The fourth byte of a 24-bit pixel's word is
// the next pixel's, so the row's last pixel is read byte by byte: a row may end the buffer.
void markDirectRow(uint64_t *map, const uint8_t *row, int32_t width, int32_t step) {
  const int32_t wordSafe = step == 4 ? width : width - 1;
  int32_t x = 0;
  for (; x < wordSafe; ++x)
    mark(map, wordColour(row + static_cast<ptrdiff_t>(step) * x));
  for (; x < width; ++x) {
    const uint8_t *p = row + static_cast<ptrdiff_t>(step) * x;
    mark(map, packColor(p[2], p[1], p[0]));
  }
}

} // namespace

int32_t countColors(const Surface &s, ColorCountTable &table, ProgressMeter *progress,
                    const RepaintHook *repaintHook) {
  if (!isValid(s))
    return kBadArgument;
  ProgressMeter none;
  ProgressMeter &meter = progress != nullptr ? *progress : none;
  const uint64_t pixels = static_cast<uint64_t>(s.width) * static_cast<uint64_t>(s.height);
  meter.begin(pixels > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(pixels));
  repaint(repaintHook);

  ReadPass pass(s);
  pass.begin();
  // Only which colours occur decides the count, so the order of the visits does not matter
  // and the pixels are visited row by row in memory order.
  uint64_t *map = table.beginMapCount();
  int32_t distinct = kNoMemory;
  if (map != nullptr) {
    const CheckedSurface px(s);
    for (int32_t y = 0; y < s.height; ++y) {
      if (px.direct()) {
        markDirectRow(map, px.row(y), s.width, px.bytesPerPixel());
      } else {
        for (int32_t x = 0; x < s.width; ++x)
          mark(map, static_cast<uint32_t>(pass.read(x, y)));
      }
      meter.advance(static_cast<uint32_t>(s.width));
    }
    distinct = table.endMapCount();
  }
  meter.finish();
  pass.end();
  repaint(repaintHook);
  return distinct;
}

} // namespace vop
