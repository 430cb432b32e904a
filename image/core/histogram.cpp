// Histogram sampling and peak search.
#include "image/core/histogram.h"

#include <cstring>

#include "image/core/color_model.h"
#include "image/core/pixel_access.h"
#include "image/core/result.h"

namespace vop {

int32_t histogramSampleStep(int64_t pixelCount) {
  if (pixelCount > 4194304)
    return 8;
  if (pixelCount > 2077152)
    return 4;
  return 2;
}

int32_t computeHistogram(const Surface &s, HistogramResult *result, ProgressMeter *progress,
                         const RepaintHook *repaintHook) {
  if (result == nullptr || !isValid(s))
    return kBadArgument;
  std::memset(result, 0, sizeof *result);
  result->bitsPerPixel = s.bitsPerPixel;

  const int64_t pixels = static_cast<int64_t>(s.width) * s.height;
  const int32_t step = histogramSampleStep(pixels);
  const int64_t samples = pixels / (static_cast<int64_t>(step) * step);
  ProgressMeter none;
  ProgressMeter &meter = progress != nullptr ? *progress : none;
  meter.begin(samples > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(samples));
  repaint(repaintHook);

  ReadPass pass(s);
  pass.begin();
  // Counts do not depend on the order of the samples: row by row in memory order.
  const CheckedSurface px(s);
  bool havePrevious = false;
  uint32_t previous = 0;
  int32_t lum = 0, hue = 0, sat = 0;
  for (int64_t y = 0; y < s.height; y += step) {
    const uint8_t *row = px.row(y);
    uint32_t visited = 0;
    for (int64_t x = 0; x < s.width; x += step, ++visited) {
      const auto c =
          px.direct()
              ? px.at(row, x)
              : static_cast<uint32_t>(pass.read(static_cast<int32_t>(x), static_cast<int32_t>(y)));
      const int r = redOf(c), g = greenOf(c), b = blueOf(c);
      if (!havePrevious || c != previous) {
        havePrevious = true;
        previous = c;
        lum = luminanceCode(r, g, b);
        hue = hueCode(r, g, b);
        sat = saturationCode(r, g, b);
      }
      ++result->counts[kHistogramRed][r];
      ++result->counts[kHistogramGreen][g];
      ++result->counts[kHistogramBlue][b];
      if (lum >= 0 && lum <= 255)
        ++result->counts[kHistogramLuminance][lum];
      if (hue >= 0 && hue <= 255)
        ++result->counts[kHistogramHue][hue];
      if (sat >= 0 && sat <= 255)
        ++result->counts[kHistogramSaturation][sat];
    }
    meter.advance(visited);
  }
  pass.end();

  for (int k = 0; k < kHistogramChannels; ++k) {
    result->peakLevel[k] = 0;
    result->peakCount[k] = result->counts[k][0];
    for (int level = 1; level < 256; ++level) {
      if (result->counts[k][level] > result->peakCount[k]) {
        result->peakCount[k] = result->counts[k][level];
        result->peakLevel[k] = level;
      }
    }
  }
  meter.finish();
  repaint(repaintHook);
  return kOk;
}

} // namespace vop
