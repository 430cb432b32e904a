// Neighbourhood filter: gradient, smoothing, median, sharpening and caller kernels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/core/adjust_region.h"
#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

// The tail of the library's 128-byte filter record (offsets 16 to 127), read only for the
// custom code. Group i of the coefficients applies to column x + i - 2, entry j of a group to
// row y + j - 2.
struct CustomKernel {
  int32_t coefficients[25];
  int32_t divisor;
  int32_t bias;
  int32_t mirror; // 1: the kernel with every group reversed is applied too
};

struct FilterParams {
  AdjustRegion region;
  CustomKernel custom;
};
static_assert(sizeof(FilterParams) == 128, "FilterParams is 128 bytes");
static_assert(offsetof(FilterParams, custom) == 16, "coefficients at 16");
static_assert(offsetof(FilterParams, custom) + offsetof(CustomKernel, divisor) == 116,
              "divisor at 116");
static_assert(offsetof(FilterParams, custom) + offsetof(CustomKernel, mirror) == 124,
              "mirror at 124");

// The flags word: code in the low 12 bits, the modifiers of the gradient family above it.
constexpr uint32_t kFilterCodeMask = 0xFFF;
// The built-in codes, named by what they respond to. Gradients answer steps in brightness:
// a horizontal edge is a step between rows, a vertical edge one between columns.
constexpr uint32_t kFilterHorizontalEdges = 0;
constexpr uint32_t kFilterVerticalEdges = 16;
constexpr uint32_t kFilterAllEdges = 32; // the sum of the two answers
constexpr uint32_t kFilterSobelHorizontalEdges = 48;
constexpr uint32_t kFilterSobelVerticalEdges = 64;
constexpr uint32_t kFilterSobelAllEdges = 80;
// Smoothing answers noise: the median single stray pixels, the kernels grain of growing size.
constexpr uint32_t kFilterMedian = 1;
constexpr uint32_t kFilterSmoothNear = 17;   // the 3 x 3 neighbours
constexpr uint32_t kFilterSmoothKnight = 33; // and the knight's-move neighbours
constexpr uint32_t kFilterSmoothStar = 49;   // and the far corner and axis neighbours
constexpr uint32_t kFilterSmoothWide = 65;   // the whole 5 x 5 neighbourhood
// Sharpening answers soft detail. Codes 112 to 208 sharpen less and less (see sharpenExtra);
// every other code of the family, this one among them, the most.
constexpr uint32_t kFilterSharpen = 96;
constexpr uint32_t kFilterCustom = 0xFF0;
constexpr uint32_t kFilterInvert = 0x1000;
constexpr uint32_t kFilterLuminance = 0x2000;
constexpr uint32_t kFilterThreshold32 = 0x4000; // then 64, 128, 160, 192, 224 up to 0x80000

// Only a code whose low 4 bits are 0 or 1 exists, and a custom kernel needs its record and a
// divisor other than 0. True when flags name a filter that can run.
bool isFilterCode(uint32_t flags, const CustomKernel *custom);

// Replaces every pixel of region (normalised in place) by the filter of its neighbourhood,
// read from a copy taken before any pixel changes, with the image's edge pixels repeated
// beyond its border. custom is read only for the custom code. progress (may be null) gets
// one unit per pixel. Results: kOk; kBadArgument for an invalid surface, a bad region or a
// code isFilterCode refuses; kWrongDepth for a palettised surface; kNoMemory when the copy
// cannot be allocated. Nothing is written on failure.
int32_t throughFilter(Surface &s, uint32_t flags, AdjustRegion &region, const CustomKernel *custom,
                      ProgressMeter *progress);

// Whether the kernels' sums may run in the processor's widest lanes where it has them (the
// default). Off, they run in the lanes every processor has, which gives the same bytes; tests
// turn it off to hold that code to the reference too.
void allowWideFilterLanes(bool allow);

} // namespace vop
