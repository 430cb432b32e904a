// Tests of the contrast stretch.
#include "image/core/contrast.h"

#include <gtest/gtest.h>

#include "image/core/result.h"
#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

uint32_t grey(int v) { return packColor(v, v, v); }
// fromLumaChroma(255, 0, 0): 0.999859 * 255 = 254.96, 0.999864 * 255 = 254.97, 1.001063 * 255
// = 255.27 held at 255.
const uint32_t kStretchedWhite = packColor(254, 254, 255);

// 2 x 2: the half sample visits (0, 0) and (1, 1) only.
TestImage twoGreys() {
  TestImage img(2, 2, 24);
  img.set(0, 0, grey(100));
  img.set(1, 1, grey(200));
  img.set(1, 0, grey(150));
  img.set(0, 1, grey(150));
  return img;
}

TEST(ContrastCheckTest, AmountLimitsApplyToModeOneOnly) {
  EXPECT_EQ(checkContrast(kContrastAmount, 0), Precheck::kNothingToDo);
  EXPECT_EQ(checkContrast(kContrastAmount, 101), Precheck::kApply);
  EXPECT_EQ(checkContrast(kContrastAmount, -101), Precheck::kApply);
  EXPECT_EQ(checkContrast(kContrastAmount, 102), Precheck::kReject);
  EXPECT_EQ(checkContrast(kContrastAmount, -102), Precheck::kReject);
  EXPECT_EQ(checkContrast(kContrastAuto, 500), Precheck::kApply);
}

TEST(ContrastTest, MeasuredRangeIsStretchedToFullScale) {
  TestImage img = twoGreys();
  AdjustRegion r{0, 2, 0, 2};
  ASSERT_EQ(adjustContrast(img.surface(), 3, 0, 0, r, nullptr, nullptr), kOk);
  EXPECT_EQ(img.get(0, 0), 0u);
  EXPECT_EQ(img.get(1, 1), kStretchedWhite);
  // (150 - 100) / 100 * 255 = 127.5: 127.48, 127.48, 127.64.
  EXPECT_EQ(img.get(1, 0), grey(127));
}

TEST(ContrastTest, PositiveAmountNarrowsTheDivisor) {
  TestImage img = twoGreys();
  AdjustRegion r{0, 2, 0, 2};
  ASSERT_EQ(adjustContrast(img.surface(), kContrastAmount, 50, 0, r, nullptr, nullptr), kOk);
  // D = 100 - 50: grey 150 reaches the top already.
  EXPECT_EQ(img.get(1, 0), kStretchedWhite);
  EXPECT_EQ(img.get(1, 1), 0xFFFFFFu);
}

TEST(ContrastTest, RareLevelsDoNotLimitTheAutomaticStretch) {
  // 30 x 30: 450 samples, 225 of grey 100 (one of them made white) and 225 of grey 150.
  // One white sample is under 1 % of 225, so the range is 100..150, not 100..255.
  TestImage img(30, 30, 24);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) img.set(x, y, grey(x < 15 ? 100 : 150));
  img.set(0, 0, 0xFFFFFF);
  AdjustRegion r{0, 30, 0, 30};
  ASSERT_EQ(adjustContrast(img.surface(), kContrastAuto, 0, 0, r, nullptr, nullptr), kOk);
  EXPECT_EQ(img.get(1, 1), 0u);
  EXPECT_EQ(img.get(20, 5), kStretchedWhite);
  EXPECT_EQ(img.get(0, 0), 0xFFFFFFu);
}

TEST(ContrastTest, ASampleWithoutPixelsLeavesTheImage) {
  // One row starting on an odd column: the sample starts at row 1, below the region.
  TestImage img(3, 1, 24);
  img.set(1, 0, grey(77));
  for (int mode : {kContrastAuto, kContrastAmount, 3}) {
    AdjustRegion r{1, 2, 0, 1};
    EXPECT_EQ(adjustContrast(img.surface(), mode, 10, 0, r, nullptr, nullptr), kOk);
    EXPECT_EQ(img.get(1, 0), grey(77));
  }
}

TEST(ContrastTest, AFlatSampleLeavesTheImage) {
  TestImage img(4, 4, 24);
  img.fill(grey(90));
  AdjustRegion r{0, 4, 0, 4};
  ASSERT_EQ(adjustContrast(img.surface(), 3, 0, 0, r, nullptr, nullptr), kOk);
  EXPECT_EQ(img.get(2, 2), grey(90));
}

TEST(ContrastTest, ChannelTwoChangesOnlyGreen) {
  TestImage img = twoGreys();
  img.set(1, 0, packColor(10, 150, 240));
  AdjustRegion r{0, 2, 0, 2};
  ASSERT_EQ(adjustContrast(img.surface(), 3, 0, 2, r, nullptr, nullptr), kOk);
  EXPECT_EQ(img.get(1, 1), packColor(200, 254, 200));
  EXPECT_EQ(redOf(img.get(1, 0)), 10);
  EXPECT_EQ(blueOf(img.get(1, 0)), 240);
}

TEST(ContrastTest, ModeTwoMeasuresTheRegionAndChangesTheWholeImage) {
  TestImage img(4, 4, 24);
  img.fill(grey(150));
  img.set(0, 0, grey(100));
  img.set(1, 1, grey(200));
  img.set(3, 3, grey(200));
  AdjustRegion r{0, 2, 0, 2};
  ASSERT_EQ(adjustContrast(img.surface(), kContrastWholeImage, 0, 0, r, nullptr, nullptr), kOk);
  EXPECT_EQ(img.get(3, 3), kStretchedWhite);
  EXPECT_EQ(img.get(2, 0), grey(127));
}

TEST(ContrastTest, ModeTwoDoesNotApplyToPalettes) {
  TestImage img(2, 2, 8);
  img.setEntry(0, grey(10));
  img.setEntry(1, grey(240));
  AdjustRegion r{0, 2, 0, 2};
  EXPECT_EQ(adjustContrast(img.surface(), kContrastWholeImage, 0, 0, r, nullptr, nullptr), kWrongDepth);
  EXPECT_EQ(paletteColor(img.surface(), 0), grey(10));
}

TEST(ContrastTest, PaletteOfOneLuminanceIsMappedWithDivisorOne) {
  TestImage img(2, 1, 1);
  img.setEntry(0, grey(80));
  img.setEntry(1, grey(80));
  AdjustRegion r{0, 1, 0, 1};
  ASSERT_EQ(adjustContrast(img.surface(), 3, 0, 0, r, nullptr, nullptr), kOk);
  // (Y - low) = 0 for every entry.
  EXPECT_EQ(paletteColor(img.surface(), 0), 0u);
  EXPECT_EQ(paletteColor(img.surface(), 1), 0u);
}

TEST(ContrastTest, MeasurementStopsEarlyAtFullRange) {
  std::vector<uint32_t> done;
  ProgressHook hook{[](ProgressRecord* p, void* ctx) {
                      static_cast<std::vector<uint32_t>*>(ctx)->push_back(p->done);
                    },
                    &done, 0};
  ProgressMeter meter(&hook, kProgressContrast);
  // 4 x 4: half = 8 samples, total 8 + 16 = 24, step 12. Black and white are the first two
  // samples; done jumps from 2 to 8, and the change pass reports at 12 and 24.
  TestImage img(4, 4, 24);
  img.fill(grey(128));
  img.set(0, 0, 0);
  img.set(0, 2, 0xFFFFFF);
  AdjustRegion r{0, 4, 0, 4};
  ASSERT_EQ(adjustContrast(img.surface(), 3, 0, 0, r, &meter, nullptr), kOk);
  EXPECT_EQ(meter.record().total, 24u);
  EXPECT_EQ(done, (std::vector<uint32_t>{0, 12, 24, 24}));
}

}  // namespace
}  // namespace vop
