// Tests of the contrast stretch.
#include "image/core/contrast.h"

#include <gtest/gtest.h>

#include "image/core/color_model.h"
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
    for (int x = 0; x < 30; ++x)
      img.set(x, y, grey(x < 15 ? 100 : 150));
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
  EXPECT_EQ(adjustContrast(img.surface(), kContrastWholeImage, 0, 0, r, nullptr, nullptr),
            kWrongDepth);
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
  ProgressHook hook{[](ProgressRecord *p, void *ctx) {
                      static_cast<std::vector<uint32_t> *>(ctx)->push_back(p->done);
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

// The true-colour adjustment as one readColor / writeColor per pixel, column by column.
void referenceContrast(Surface &s, int32_t mode, int32_t amount, int32_t channel,
                       const AdjustRegion &r) {
  double high = 0.0, low = 1e99;
  bool any = false;
  auto take = [&](double y) {
    any = true;
    if (y > high)
      high = y;
    if (y < low)
      low = y;
  };
  uint32_t bins[256] = {};
  bool havePrevious = false, full = false;
  uint32_t previous = 0;
  for (int32_t x = r.left; x < r.right && !full; ++x) {
    for (int64_t y = static_cast<int64_t>(r.top) + (x & 1); y < r.bottom && !full; y += 2) {
      const uint32_t c = readColor(s, x, y);
      if (mode == kContrastAuto) {
        ++bins[luminanceCode(redOf(c), greenOf(c), blueOf(c))];
      } else if (!havePrevious || c != previous) {
        havePrevious = true;
        previous = c;
        take(toLumaChroma(redOf(c), greenOf(c), blueOf(c)).y);
        full = high == 255.0 && low == 0.0;
      }
    }
  }
  if (mode == kContrastAuto) {
    uint32_t peak = 0;
    for (uint32_t b : bins)
      peak = b > peak ? b : peak;
    for (int level = 0; level < 256 && peak != 0; ++level)
      if (static_cast<uint64_t>(bins[level]) * 100 / peak != 0)
        take(level);
  }
  double d = high - low;
  if (mode == kContrastAmount)
    d -= amount;
  if (!any || d == 0.0)
    return;
  AdjustRegion t = mode == kContrastWholeImage ? AdjustRegion{0, s.width, 0, s.height} : r;
  for (int32_t x = t.left; x < t.right; ++x) {
    for (int32_t y = t.top; y < t.bottom; ++y) {
      const uint32_t c = readColor(s, x, y);
      const LumaChroma lc = toLumaChroma(redOf(c), greenOf(c), blueOf(c));
      const uint32_t fresh = fromLumaChroma((lc.y - low) / d * 255.0, lc.cb, lc.cr);
      const uint32_t masks[4] = {0, 0x0000FF, 0x00FF00, 0xFF0000};
      const uint32_t keep = channel >= 1 && channel <= 3 ? masks[channel] : 0xFFFFFF;
      writeColor(s, x, y, (c & ~keep & 0xFFFFFF) | (fresh & keep));
    }
  }
}

TEST(ContrastTest, RowPassesMatchThePerPixelReference) {
  struct Case {
    int32_t width, height, depth;
    uint32_t colours;
    AdjustRegion region;
  };
  const Case cases[] = {{97, 61, 24, 0, {3, 94, 5, 60}},
                        {97, 61, 32, 30, {0, 97, 0, 61}},
                        {71, 65, 16, 0, {2, 69, 1, 64}},
                        {13, 7, 24, 5, {1, 12, 2, 7}},
                        {64, 70, 24, 0, {7, 8, 3, 70}}};
  const struct {
    int32_t mode, amount;
  } modes[] = {
      {kContrastAuto, 0}, {kContrastAmount, 30}, {kContrastAmount, -40}, {kContrastWholeImage, 0}};
  uint32_t seed = 200;
  for (const Case &c : cases) {
    for (const auto &m : modes) {
      for (int32_t channel = 0; channel <= 3; ++channel) {
        TestImage image(c.width, c.height, c.depth);
        test::scramble(image, seed++, c.colours);
        if (m.mode == kContrastAmount && channel == 0) {
          // A narrower range, so that the amount mode's sample runs to its end.
          for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x)
              image.set(x, y, image.get(x, y) & 0x7F7F7F);
        }
        TestImage expected = image;
        referenceContrast(expected.surface(), m.mode, m.amount, channel, c.region);
        AdjustRegion region = c.region;
        ASSERT_EQ(
            adjustContrast(image.surface(), m.mode, m.amount, channel, region, nullptr, nullptr),
            kOk);
        EXPECT_EQ(image.memory(), expected.memory())
            << c.width << "x" << c.height << "x" << c.depth << " mode " << m.mode << " channel "
            << channel;
      }
    }
  }
}

} // namespace
} // namespace vop
