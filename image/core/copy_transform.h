// The copy and scale routine: rotation, scaling, mirroring, tone effects and combination.
#pragma once

#include <array>
#include <cstdint>

#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

// Same layout as the CopyParams record of the library's ABI (12 words of 4 bytes).
struct CopyParams {
  int32_t srcLeft; // source rectangle, half-open
  int32_t srcRight;
  int32_t srcTop;
  int32_t srcBottom;
  int32_t bitsPerPixel; // informative
  int32_t angle;        // whole degrees
  float scaleX;
  float scaleY;
  int32_t dstLeft;  // destination origin
  int32_t dstRight; // box width (the measuring call writes dstLeft + width)
  int32_t dstTop;
  int32_t dstBottom; // box height (the measuring call writes dstTop + height)
};
static_assert(sizeof(CopyParams) == 48, "CopyParams is twelve 32-bit words");

// Low byte of the flags: combination with the destination.
constexpr uint32_t kCopyModeMask = 0xFF;
constexpr int32_t kCombineCopy = 0;
constexpr int32_t kCombineAnd = 1;
constexpr int32_t kCombineOr = 2;
constexpr int32_t kCombineXor = 3;
constexpr uint32_t kCopyMeasureOnly = 0x04; // tested on the low byte by the export
constexpr uint32_t kCopyNearest = 0x100;    // no interpolation
constexpr uint32_t kCopyMirror = 0x200;
constexpr uint32_t kCopyInvert = 0x400;
constexpr uint32_t kCopySepia = 0x800;
constexpr uint32_t kCopyNoSnapshot = 0x80000000u;

// The box a w x h rectangle occupies after turning by angleDegrees (clockwise as displayed)
// and scaling, and the offsets that bring a rectangle anchored at (0, 0) back to non-negative
// coordinates. Whole quarter turns use exact sines and cosines.
struct DestinationBox {
  int32_t width;
  int32_t height;
  int32_t offsetX;
  int32_t offsetY;
};

// False when the box is empty (a side below 1) or too large for 32-bit coordinates.
bool measureBox(double width, double height, double angleDegrees, double scaleX, double scaleY,
                DestinationBox &box);

// Scale factors the copy accepts: finite, not 0, at most 2.0. kOk or kBadArgument.
int32_t checkCopyScales(const CopyParams &params);

// The rectangle rule of the adjustments applied to the source rectangle (ordered in place).
int32_t normalizeSourceRect(CopyParams &params, int32_t width, int32_t height);

// Measures the destination box of params' source rectangle and writes dstRight and dstBottom.
// On an empty box both become 0 and the result is kBadArgument.
int32_t measureDestination(CopyParams &params);

// Sepia tone of a colour 0x00BBGGRR.
uint32_t sepiaTone(uint32_t colour);

// Direct-mapped cache of source pixels for the bilinear reads; 1,024 entries keyed by the
// low 3 bits of x and the low 7 bits of y.
class PixelReadCache {
public:
  PixelReadCache() { reset(); }
  void reset();
  // The colour at (x, y) of s, which must lie inside s.
  uint32_t read(const Surface &s, int32_t x, int32_t y);

private:
  struct Entry {
    int32_t x;
    int32_t y;
    uint32_t color;
  };
  std::array<Entry, 1024> m_entries;
};

// Bilinear colour at (ix + fx, iy + fy): the four neighbours, with an x at or past the source
// width replaced by limitX and a y at or past its height by limitY, and black for a neighbour
// still outside. Each byte is the weighted sum truncated and held in 0..255.
uint32_t sampleBilinear(PixelReadCache &cache, const Surface &src, int64_t ix, int64_t iy,
                        double fx, double fy, int64_t limitX, int64_t limitY);

// Copies params' source rectangle of src into dst through the inverse transform, over the
// destination box 0 <= x < dstRight, 0 <= y < dstBottom placed at (dstLeft, dstTop): columns
// outside in, odd columns bottom to top. Writes outside dst are dropped and source positions
// outside src read black (index 0 for palettised images), so a caller whose dstLeft or dstTop
// is not 0 sizes dst as dstRight x dstBottom (the measured values) or accepts the clipping.
// mode is the combination (low byte of the flags), flags the other bits. Interpolation runs
// for every transform but the identity unless kCopyNearest is set; a destination pixel whose
// whole source position equals the previous pixel's takes the previous colour again.
// progress (may be null) must hold the total its caller chose (ProgressMeter::prepare).
// A palettised source also gets its colour table copied, toned, into dst's table.
// src and dst may be the same surface. Returns kOk, or kBadArgument for an invalid surface,
// depths of different kinds (palettised and not), a bad scale, an empty inverse box or a box
// of more than 2^31 - 1 pixels; nothing is written on failure.
int32_t copyTransform(int32_t mode, uint32_t flags, const CopyParams &params, const Surface &src,
                      Surface &dst, ProgressMeter *progress);

} // namespace vop
