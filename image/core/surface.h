// Surface: a plain view of a device-independent bitmap's pixels and colour table.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vop {

// One colour-table entry in bitmap order (the layout of RGBQUAD).
struct PaletteEntry {
  uint8_t blue;
  uint8_t green;
  uint8_t red;
  uint8_t reserved;
};

// A view over pixels owned by someone else (the Windows layer maps DIB sections into it).
// Pixel (x, y), y = 0 being the top row, starts at bits + pitch * y + (bitsPerPixel * x) / 8;
// a bottom-up bitmap has bits at its last row in memory and a negative pitch.
// Palettised surfaces (1, 4, 8 bits) carry their colour table here; operations that change
// the table write into this array and the owner copies it back to the bitmap afterwards.
// 16-bit surfaces use the three masks; all zero means the 5-5-5 layout of BI_RGB.
struct Surface {
  uint8_t *bits = nullptr;
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  PaletteEntry *palette = nullptr;
  int32_t paletteCount = 0;
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
};

// Bytes of one row padded to 4 bytes, in 64 bits so that no size can overflow; 0 for bad input.
int64_t rowBytes(int32_t bitsPerPixel, int32_t width);

bool isSupportedDepth(int32_t bitsPerPixel);

// True when every pixel address of the view can be formed: bits set, width and height at
// least 1, a supported depth and |pitch| no smaller than a row.
bool isValid(const Surface &s);

inline bool isPalettised(const Surface &s) { return s.bitsPerPixel <= 8; }

inline bool contains(const Surface &s, int64_t x, int64_t y) {
  return x >= 0 && y >= 0 && x < s.width && y < s.height;
}

// Address of the byte holding pixel (x, y); only for a valid surface and a contained pixel.
inline uint8_t *pixelAddress(const Surface &s, int32_t x, int32_t y) {
  return s.bits + static_cast<ptrdiff_t>(s.pitch) * y +
         (static_cast<ptrdiff_t>(s.bitsPerPixel) * x) / 8;
}

// A bottom-up view over `memory` (rows stored bottom row first), as a DIB section lays it out.
Surface bottomUpView(void *memory, int32_t width, int32_t height, int32_t bitsPerPixel);
// A top-down view over `memory` (rows stored top row first).
Surface topDownView(void *memory, int32_t width, int32_t height, int32_t bitsPerPixel);

// Colour values are 0x00BBGGRR.
constexpr uint32_t packColor(uint32_t r, uint32_t g, uint32_t b) {
  return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}
constexpr uint8_t redOf(uint32_t c) { return static_cast<uint8_t>(c); }
constexpr uint8_t greenOf(uint32_t c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t blueOf(uint32_t c) { return static_cast<uint8_t>(c >> 16); }

constexpr uint32_t kDefaultRedMask16 = 0x7C00;
constexpr uint32_t kDefaultGreenMask16 = 0x03E0;
constexpr uint32_t kDefaultBlueMask16 = 0x001F;

} // namespace vop
