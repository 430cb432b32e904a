// Tests of the six-channel histogram: sample grid, channel codes, peaks and the progress order.
#include "image/core/histogram.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "image/core/color_model.h"
#include "image/core/result.h"
#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

uint64_t sum(const HistogramResult &h, int channel) {
  uint64_t s = 0;
  for (uint32_t c : h.counts[channel])
    s += c;
  return s;
}

TEST(HistogramStepTest, StepGrowsWithThePixelCount) {
  EXPECT_EQ(histogramSampleStep(10000), 2);
  EXPECT_EQ(histogramSampleStep(2077152), 2);
  EXPECT_EQ(histogramSampleStep(2077153), 4);
  EXPECT_EQ(histogramSampleStep(4194304), 4);
  EXPECT_EQ(histogramSampleStep(4194305), 8);
  EXPECT_EQ(histogramSampleStep(3000LL * 2000), 8);
}

TEST(HistogramTest, HundredSquareIsSampledOnATwoPixelGrid) {
  TestImage img(100, 100, 24);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      img.set(x, y, packColor(x, y, (x + y) & 0xFF));
  HistogramResult h;
  ASSERT_EQ(computeHistogram(img.surface(), &h, nullptr, nullptr), kOk);
  EXPECT_EQ(sum(h, kHistogramRed), 2500u);
  EXPECT_EQ(sum(h, kHistogramGreen), 2500u);
  EXPECT_EQ(sum(h, kHistogramBlue), 2500u);
  EXPECT_EQ(sum(h, kHistogramLuminance), 2500u);
  // Only even columns and rows are visited: red x = 0, 2, ... 98, each in 50 rows.
  EXPECT_EQ(h.counts[kHistogramRed][0], 50u);
  EXPECT_EQ(h.counts[kHistogramRed][1], 0u);
  EXPECT_EQ(h.counts[kHistogramRed][98], 50u);
  EXPECT_EQ(h.counts[kHistogramRed][99], 0u);
  EXPECT_EQ(h.bitsPerPixel, 24);
}

TEST(HistogramTest, LargeImageIsSampledEveryEighthPixel) {
  // 2,100 x 2,000 = 4,200,000 pixels: step 8, 263 columns x 250 rows.
  TestImage img(2100, 2000, 8);
  HistogramResult h;
  ASSERT_EQ(computeHistogram(img.surface(), &h, nullptr, nullptr), kOk);
  EXPECT_EQ(h.counts[kHistogramRed][0], 263u * 250u);
}

TEST(HistogramTest, GreyHasHueAndSaturationZero) {
  TestImage img(4, 4, 24);
  img.fill(packColor(90, 90, 90));
  HistogramResult h;
  ASSERT_EQ(computeHistogram(img.surface(), &h, nullptr, nullptr), kOk);
  EXPECT_EQ(h.counts[kHistogramHue][0], 4u);
  EXPECT_EQ(h.counts[kHistogramSaturation][0], 4u);
}

TEST(HistogramTest, CodesOutsideTheBinsAreCountedNowhere) {
  // Yellow: Cb = -127.5, Cr = 20.76: hue (170.75 + 90) * 1.4167 = 369, saturation 32,946.
  TestImage img(2, 2, 24);
  img.fill(packColor(255, 255, 0));
  HistogramResult h;
  ASSERT_EQ(computeHistogram(img.surface(), &h, nullptr, nullptr), kOk);
  EXPECT_EQ(sum(h, kHistogramHue), 0u);
  EXPECT_EQ(sum(h, kHistogramSaturation), 0u);
  EXPECT_EQ(h.counts[kHistogramRed][255], 1u);
  EXPECT_EQ(h.counts[kHistogramBlue][0], 1u);
  // 0.2989 * 255 + 0.5866 * 255 = 225.80.
  EXPECT_EQ(h.counts[kHistogramLuminance][225], 1u);
}

TEST(HistogramTest, NearGreyLandsInALowSaturationBin) {
  // (101, 100, 100): Cb = -0.1688, Cr = 0.5, length 0.5277, times 255 = 134.6.
  TestImage img(1, 1, 24);
  img.set(0, 0, packColor(101, 100, 100));
  HistogramResult h;
  ASSERT_EQ(computeHistogram(img.surface(), &h, nullptr, nullptr), kOk);
  EXPECT_EQ(h.counts[kHistogramSaturation][134], 1u);
  EXPECT_EQ(sum(h, kHistogramSaturation), 1u);
}

TEST(HistogramTest, PeaksTakeTheLowestLevelOnTies) {
  // 4 x 4 samples (0,0) (0,2) (2,0) (2,2): red 200, 50, 200, 50.
  TestImage img(4, 4, 24);
  img.set(0, 0, packColor(200, 0, 0));
  img.set(2, 0, packColor(200, 0, 0));
  img.set(0, 2, packColor(50, 0, 0));
  img.set(2, 2, packColor(50, 0, 0));
  HistogramResult h;
  ASSERT_EQ(computeHistogram(img.surface(), &h, nullptr, nullptr), kOk);
  EXPECT_EQ(h.peakLevel[kHistogramRed], 50);
  EXPECT_EQ(h.peakCount[kHistogramRed], 2u);
  EXPECT_EQ(h.peakLevel[kHistogramGreen], 0);
  EXPECT_EQ(h.peakCount[kHistogramGreen], 4u);
}

TEST(HistogramTest, AllBlackPeaksAtLevelZero) {
  TestImage img(7, 5, 32);
  HistogramResult h;
  ASSERT_EQ(computeHistogram(img.surface(), &h, nullptr, nullptr), kOk);
  for (int k : {kHistogramRed, kHistogramGreen, kHistogramBlue, kHistogramLuminance}) {
    EXPECT_EQ(h.peakLevel[k], 0);
    EXPECT_EQ(h.peakCount[k], 12u); // columns 0, 2, 4, 6 times rows 0, 2, 4
  }
}

TEST(HistogramTest, GarbageInTheRecordIsReplaced) {
  TestImage img(3, 3, 24);
  HistogramResult h;
  std::memset(&h, 0xAB, sizeof h);
  ASSERT_EQ(computeHistogram(img.surface(), &h, nullptr, nullptr), kOk);
  // 3 x 3 samples at columns 0, 2 and rows 0, 2: four black samples.
  EXPECT_EQ(sum(h, kHistogramRed), 4u);
  EXPECT_EQ(h.counts[kHistogramRed][255], 0u);
  EXPECT_EQ(sum(h, kHistogramHue), 4u);
}

TEST(HistogramTest, PaletteImagesAreCountedByTheirColours) {
  TestImage img(2, 2, 4);
  img.setEntry(0, packColor(10, 20, 30));
  HistogramResult h;
  ASSERT_EQ(computeHistogram(img.surface(), &h, nullptr, nullptr), kOk);
  EXPECT_EQ(h.counts[kHistogramRed][10], 1u);
  EXPECT_EQ(h.counts[kHistogramGreen][20], 1u);
  EXPECT_EQ(h.counts[kHistogramBlue][30], 1u);
  EXPECT_EQ(h.bitsPerPixel, 4);
}

TEST(HistogramTest, BadInputIsRefusedWithoutTouchingTheRecord) {
  TestImage img(3, 3, 24);
  EXPECT_EQ(computeHistogram(img.surface(), nullptr, nullptr, nullptr), kBadArgument);
  HistogramResult h;
  std::memset(&h, 0xAB, sizeof h);
  Surface empty;
  EXPECT_EQ(computeHistogram(empty, &h, nullptr, nullptr), kBadArgument);
  EXPECT_EQ(h.counts[0][0], 0xABABABABu);
}

TEST(HistogramTest, ProgressCountsGridSamplesAndRepaintFollowsTheFirstCall) {
  std::string log;
  // Operation and user value as the callback saw them, then done / total.
  ProgressHook hook{[](ProgressRecord *r, void *ctx) {
                      *static_cast<std::string *>(ctx) +=
                          std::to_string(r->operation) + "." + std::to_string(r->userValue) + ":p" +
                          std::to_string(r->done) + "/" + std::to_string(r->total) + " ";
                    },
                    &log, 3};
  RepaintHook repaintHook{[](void *ctx) { *static_cast<std::string *>(ctx) += "R "; }, &log};
  ProgressMeter meter(&hook, kProgressHistogram);
  // 5 x 5 = 25 pixels: total 25 / 4 = 6, step 3; the 9 samples report at 3, 6 and 9.
  TestImage img(5, 5, 24);
  HistogramResult h;
  ASSERT_EQ(computeHistogram(img.surface(), &h, &meter, &repaintHook), kOk);
  EXPECT_EQ(log, "8.3:p0/6 R 8.3:p3/6 8.3:p6/6 8.3:p9/6 8.3:p6/6 R ");
}

TEST(HistogramTest, RowOrderCountsTheColumnWalksSamples) {
  const struct {
    int32_t width, height, depth;
    uint32_t colours;
  } cases[] = {{97, 61, 24, 0}, {97, 61, 24, 7}, {53, 41, 32, 0}, {37, 29, 16, 0},
               {33, 27, 8, 0},  {19, 23, 4, 0},  {41, 9, 1, 0},   {1500, 1390, 24, 0}};
  uint32_t seed = 700;
  for (const auto &c : cases) {
    TestImage image(c.width, c.height, c.depth);
    test::scramble(image, seed++, c.colours);
    const Surface &s = image.surface();
    HistogramResult expected;
    std::memset(&expected, 0, sizeof expected);
    expected.bitsPerPixel = c.depth;
    const int32_t step = histogramSampleStep(static_cast<int64_t>(c.width) * c.height);
    for (int32_t x = 0; x < c.width; x += step) {
      for (int32_t y = 0; y < c.height; y += step) {
        const uint32_t col = readColor(s, x, y);
        const int r = redOf(col), g = greenOf(col), b = blueOf(col);
        const int32_t codes[] = {
            r, g, b, luminanceCode(r, g, b), hueCode(r, g, b), saturationCode(r, g, b)};
        for (int k = 0; k < kHistogramChannels; ++k)
          if (codes[k] >= 0 && codes[k] <= 255)
            ++expected.counts[k][codes[k]];
      }
    }
    for (int k = 0; k < kHistogramChannels; ++k) {
      for (int level = 0; level < 256; ++level) {
        if (level == 0 || expected.counts[k][level] > expected.peakCount[k]) {
          expected.peakCount[k] = expected.counts[k][level];
          expected.peakLevel[k] = level;
        }
      }
    }
    HistogramResult result;
    ASSERT_EQ(computeHistogram(s, &result, nullptr, nullptr), kOk);
    EXPECT_EQ(std::memcmp(&result, &expected, sizeof result), 0)
        << c.width << "x" << c.height << "x" << c.depth;
  }
}

} // namespace
} // namespace vop
