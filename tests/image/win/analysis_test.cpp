// The reading exports of vopimg.dll through the DLL: the histogram of a known picture, the
// colour count, their refusals and progress.
#include <windows.h>

#include "include/vopimg.h"
#include "tests/image/win/test_images.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using voptest::Image;
using voptest::makeImage;
using voptest::pixelsOf;
using voptest::ProgressLog;
using voptest::rgb;

// The luminance level of a colour, as the library defines it.
int luminanceLevel(int r, int g, int b) {
  return static_cast<int>(0.2989 * r + 0.5866 * g + 0.1145 * b);
}

uint32_t sumOf(const uint32_t (&bins)[256]) {
  uint32_t sum = 0;
  for (uint32_t b : bins)
    sum += b;
  return sum;
}

// ---- vopHistogram -----------------------------------------------------------------------

// 100 x 100: left of x = 50 red 200, right of it green 100; above y = 30 blue 255 as well.
uint32_t histogramSample(int x, int y) {
  return rgb(x < 50 ? 200 : 0, x < 50 ? 0 : 100, y < 30 ? 255 : 0);
}

TEST(Histogram, CountsEverySecondColumnAndRowOfAKnownPicture) {
  Image image(makeImage(100, 100, 24, histogramSample));
  ASSERT_NE(image.get(), nullptr);
  VOP_HISTOGRAM_RESULT result;
  std::memset(&result, 0xAB, sizeof result); // garbage that must not survive
  ProgressLog log;
  ASSERT_EQ(vopHistogram(nullptr, image, &result, log.hook()), 0);
  EXPECT_EQ(result.bitsPerPixel, 24);

  // Samples x = 0, 2, ..., 98 and y = 0, 2, ..., 98: 50 x 50. Of the 50 columns 25 lie left
  // of 50; of the 50 rows 15 lie above 30.
  const uint32_t samples = 50 * 50, left = 25 * 50, top = 50 * 15;
  for (int channel : {VOP_HISTOGRAM_RED, VOP_HISTOGRAM_GREEN, VOP_HISTOGRAM_BLUE})
    EXPECT_EQ(sumOf(result.counts[channel]), samples) << channel;
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_RED][200], left);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_RED][0], samples - left);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_GREEN][100], samples - left);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_BLUE][255], top);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_BLUE][0], samples - top);

  // Four colours, four luminance levels (all distinct here).
  const int upperLeft = luminanceLevel(200, 0, 255), lowerLeft = luminanceLevel(200, 0, 0);
  const int upperRight = luminanceLevel(0, 100, 255), lowerRight = luminanceLevel(0, 100, 0);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_LUMINANCE][upperLeft], 25u * 15);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_LUMINANCE][lowerLeft], 25u * 35);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_LUMINANCE][upperRight], 25u * 15);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_LUMINANCE][lowerRight], 25u * 35);
  EXPECT_EQ(sumOf(result.counts[VOP_HISTOGRAM_LUMINANCE]), samples);

  // Peaks: red ties between 0 and 200 and the lower level wins; blue's peak is 0.
  EXPECT_EQ(result.peakLevel[VOP_HISTOGRAM_RED], 0);
  EXPECT_EQ(result.peakCount[VOP_HISTOGRAM_RED], left);
  EXPECT_EQ(result.peakLevel[VOP_HISTOGRAM_BLUE], 0);
  EXPECT_EQ(result.peakCount[VOP_HISTOGRAM_BLUE], samples - top);
  const int lowerLuminance = lowerLeft < lowerRight ? lowerLeft : lowerRight;
  EXPECT_EQ(result.peakLevel[VOP_HISTOGRAM_LUMINANCE], lowerLuminance);
  EXPECT_EQ(result.peakCount[VOP_HISTOGRAM_LUMINANCE], 25u * 35);

  // The hue and saturation bins hold only what fell in 0..255: never more than the samples.
  EXPECT_LE(sumOf(result.counts[VOP_HISTOGRAM_HUE]), samples);
  EXPECT_LE(sumOf(result.counts[VOP_HISTOGRAM_SATURATION]), samples);

  const auto &calls = log.calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.front().operation, 8u);
  EXPECT_EQ(calls.front().total, samples);
  EXPECT_EQ(calls.front().done, 0u);
  EXPECT_EQ(calls.back().done, samples);
  EXPECT_EQ(calls.back().userValue, ProgressLog::kUserValue);
}

TEST(Histogram, PaletteImagesAreCountedByTheirColours) {
  Image image(makeImage(4, 4, 8, [](int x, int) { return static_cast<uint32_t>(x < 2 ? 5 : 9); },
                        {0, 0, 0, 0, 0, rgb(10, 20, 30), 0, 0, 0, rgb(40, 50, 60)}));
  VOP_HISTOGRAM_RESULT result{};
  ASSERT_EQ(vopHistogram(nullptr, image, &result, nullptr), 0);
  EXPECT_EQ(result.bitsPerPixel, 8);
  // Samples at x = 0 and 2, y = 0 and 2.
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_RED][10], 2u);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_RED][40], 2u);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_BLUE][60], 2u);
  EXPECT_EQ(result.counts[VOP_HISTOGRAM_RED][5], 0u) << "an index is no colour";
}

TEST(Histogram, RefusesANullImageOrResultAndLeavesTheResultAlone) {
  VOP_HISTOGRAM_RESULT result;
  std::memset(&result, 0x5A, sizeof result);
  EXPECT_EQ(vopHistogram(nullptr, nullptr, &result, nullptr), -1);
  for (size_t i = 0; i < sizeof result; ++i)
    ASSERT_EQ(reinterpret_cast<const uint8_t *>(&result)[i], 0x5A) << i;
  Image image(voptest::makeFlat(2, 2, rgb(1, 2, 3)));
  EXPECT_EQ(vopHistogram(nullptr, image, nullptr, nullptr), -1);
}

// ---- vopCountColor ----------------------------------------------------------------------

TEST(CountColor, CountsTheDistinctColoursOfEveryPixel) {
  // Three colours, one of them on a single pixel that no sample grid would need to meet.
  Image image(makeImage(7, 5, 24, [](int x, int y) {
    if (x == 5 && y == 3)
      return rgb(1, 2, 3);
    return x < 3 ? rgb(200, 0, 0) : rgb(0, 0, 200);
  }));
  ProgressLog log;
  EXPECT_EQ(vopCountColor(nullptr, 0xDEADBEEF, image, log.hook()), 3);
  EXPECT_EQ(vopCountColor(nullptr, 0, image, nullptr), 3) << "counting again gives the same";
  const auto &calls = log.calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.front().operation, 11u);
  EXPECT_EQ(calls.front().total, 35u);
  EXPECT_EQ(calls.front().done, 0u);
  EXPECT_EQ(calls.back().done, 35u);

  Image one(voptest::makeFlat(1, 1, rgb(9, 9, 9)));
  EXPECT_EQ(vopCountColor(nullptr, 0, one, nullptr), 1);
}

TEST(CountColor, PaletteImagesCountColoursNotIndices) {
  // Indices 0, 1, 2 and 3 in use; entries 2 and 3 hold the same colour.
  Image image(
      makeImage(4, 3, 8, [](int x, int) { return static_cast<uint32_t>(x); },
                {rgb(10, 0, 0), rgb(0, 10, 0), rgb(0, 0, 10), rgb(0, 0, 10), rgb(99, 99, 99)}));
  EXPECT_EQ(vopCountColor(nullptr, 0, image, nullptr), 3);
  Image four(makeImage(8, 2, 4, [](int x, int) { return static_cast<uint32_t>(x % 3); },
                       {rgb(1, 1, 1), rgb(2, 2, 2), rgb(3, 3, 3)}));
  EXPECT_EQ(vopCountColor(nullptr, 0, four, nullptr), 3);
}

TEST(CountColor, RefusesANullImage) { EXPECT_EQ(vopCountColor(nullptr, 0, nullptr, nullptr), -1); }

} // namespace
