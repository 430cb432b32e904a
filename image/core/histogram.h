// Six-channel histogram of an image on a regular sample grid, with the peak of each channel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/core/adjust_region.h"
#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

enum HistogramChannel : int32_t {
  kHistogramRed = 0,
  kHistogramGreen = 1,
  kHistogramBlue = 2,
  kHistogramLuminance = 3,
  kHistogramHue = 4,
  kHistogramSaturation = 5,
  kHistogramChannels = 6,
};

// Same layout as the library's 6,196-byte result record, so the Windows layer can fill the
// caller's record in place.
struct HistogramResult {
  uint32_t counts[kHistogramChannels][256];
  int32_t peakLevel[kHistogramChannels]; // lowest level with the largest count
  uint32_t peakCount[kHistogramChannels];
  int32_t bitsPerPixel;
};
static_assert(sizeof(HistogramResult) == 6196, "HistogramResult is 6,196 bytes");
static_assert(offsetof(HistogramResult, peakLevel) == 6144, "peakLevel at 6144");
static_assert(offsetof(HistogramResult, peakCount) == 6168, "peakCount at 6168");
static_assert(offsetof(HistogramResult, bitsPerPixel) == 6192, "bitsPerPixel at 6192");

// Distance between sampled columns and rows: 8 above 4,194,304 pixels, 4 above 2,077,152,
// else 2.
int32_t histogramSampleStep(int64_t pixelCount);

// Clears result, then counts the samples x = 0, step, ... (outside) and y = 0, step, ...
// (inside). Hue and saturation codes outside 0..255 fall in no bin. progress (may be null) gets
// one unit per sample; repaint (may be null) is called after the first progress call and once
// more at the end. kOk, or kBadArgument (result untouched) for an invalid surface or a null
// result.
int32_t computeHistogram(const Surface &s, HistogramResult *result, ProgressMeter *progress,
                         const RepaintHook *repaint);

} // namespace vop
