// The file an undo state spills to: a small header, the colour table, then the rows from the
// top row down, each exactly as many bytes as a row of the record holds. Every byte goes
// through unchanged (alpha and 16-bit pixels included). Records are always BI_RGB sections, so
// no colour masks are kept.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/core/surface.h"

namespace vop {

struct SpillHeader {
  char magic[4];
  int32_t width;
  int32_t height;
  int32_t bitsPerPixel;
  int32_t rowBytes;
  int32_t paletteCount;
  int32_t hasAlpha;
  int32_t transparentColor;
};
static_assert(sizeof(SpillHeader) == 32, "the header is written and read as raw bytes");

inline constexpr char kSpillMagic[4] = {'I', 'W', '4', 'R'};

// Where the parts of a checked spill file lie, counted from the file's start.
struct SpillLayout {
  SpillHeader header{};
  uint64_t tableOffset = 0;
  uint64_t tableBytes = 0;
  uint64_t pixelOffset = 0;
  uint64_t pixelBytes = 0; // rowBytes * height
};

// The header of a record of this shape; false when its rows cannot be spilled (no supported
// depth, an empty or too wide row, a palette count outside the depth's table).
bool makeSpillHeader(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t paletteCount,
                     bool hasAlpha, int32_t transparentColor, SpillHeader &header);

// Checks the first `available` bytes of a spill file of fileSize bytes: the header must be
// one makeSpillHeader makes, and the file must hold exactly the header, the table and the
// rows it claims (sizes computed in 64 bits). False, with layout untouched, otherwise.
bool checkSpillFile(const uint8_t *bytes, size_t available, uint64_t fileSize, SpillLayout &layout);

} // namespace vop
