// Counting the distinct colours of an image with the engine's ColorCountTable.
#pragma once

#include <cstdint>

#include "image/core/adjust_region.h"
#include "image/core/color_count.h"
#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

// Clears table 0 of table and marks every pixel's colour 0x00BBGGRR in the table's presence
// map (palettised surfaces through their colour table; the fourth byte of 32-bit pixels is no
// part of the colour); the table's distinct count is then the result, and no nodes are made.
// progress (may be null) gets one unit per pixel; repaint (may be null) is called after the
// first progress call and once more at the end. Returns the distinct count (at least 1),
// kBadArgument for an invalid surface, or kNoMemory when the map cannot be allocated (the
// table left empty).
int32_t countColors(const Surface &s, ColorCountTable &table, ProgressMeter *progress,
                    const RepaintHook *repaint);

} // namespace vop
