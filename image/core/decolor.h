// Colour reduction: expansion to true colour, level grid, median cut, black and white.
#pragma once

#include <cstdint>

#include "image/core/adjust_region.h"
#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

// Fields of the flags word.
constexpr uint32_t kDecolorMethodMask = 0xFF00;
constexpr uint32_t kDecolorExpand = 0x100;
constexpr uint32_t kDecolorGrid = 0x200;
constexpr uint32_t kDecolorMedianCut = 0x300;
constexpr uint32_t kDecolorBlackWhite = 0x400;
constexpr uint32_t kDecolorOptionMask = 0xF0000; // 0, 0x10000, 0x20000, 0x30000 per method
constexpr uint32_t kDecolorPattern = 0x100000;   // black and white: dither-like dots
constexpr uint32_t kDecolorGrid2 = 0x100000;     // grid to 8 bits: 4 and 8 levels, no seeds
constexpr uint32_t kDecolorGrid3 = 0x200000;     // grid to 8 bits: 6 and 7 levels
constexpr uint32_t kDecolorGrey = 0x400000;      // grid: grey levels only
constexpr uint32_t kDecolorThresholdMask = 0xFF; // black and white: 1..255, 0 automatic

// The depth rule of a method and equal positive sizes; both surfaces valid. kOk or
// kBadArgument.
int32_t checkDecolor(uint32_t flags, const Surface &src, const Surface &dst);

// The threshold that best separates two classes of levels (discriminant analysis in exact
// integer arithmetic). A candidate whose classes are each a single level wins outright. When
// no candidate separates anything (one level only) the result is 128.
int32_t automaticThreshold(const uint64_t histogram[256]);

// Converts src into dst (same size, another depth) by the method of flags; src is only read,
// dst's pixels and, for palettised destinations, its colour table (dst.palette, as many
// entries as it holds) are written. Checks as checkDecolor (kBadArgument, nothing written),
// then calls repaint (may be null) and runs the method with one progress unit per pixel.
// Expanding a palette into a larger palette copies indices and colour table. A level grid
// that finds more colours than the destination's table holds gives each further colour the
// nearest entry already there. src and dst may be the same 1-bit surface. kOk, or kNoMemory
// when a work table cannot be allocated (the median cut's census fails before any write; a
// level grid may then have written part of dst).
int32_t decolor(uint32_t flags, const Surface &src, Surface &dst, ProgressMeter *progress,
                const RepaintHook *repaint);

} // namespace vop
