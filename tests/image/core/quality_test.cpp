// Tests of the hue, brightness and saturation adjustment.
#include "image/core/quality.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "image/core/result.h"
#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

QualitySettings settings(int hue, int brightness, int saturation) {
  return QualitySettings{hue, brightness, saturation, false, 0, 0};
}

TEST(QualityCheckTest, RangesAreInclusive) {
  EXPECT_EQ(checkQuality(settings(181, 101, 101)), kOk);
  EXPECT_EQ(checkQuality(settings(-181, -101, -101)), kOk);
  EXPECT_EQ(checkQuality(settings(182, 0, 0)), kBadArgument);
  EXPECT_EQ(checkQuality(settings(0, 102, 0)), kBadArgument);
  EXPECT_EQ(checkQuality(settings(0, 0, -102)), kBadArgument);
  QualitySettings q = settings(0, 0, 0);
  q.spare = true;
  q.keepDistance = 65536;
  EXPECT_EQ(checkQuality(q), kOk);
  q.keepDistance = 65537;
  EXPECT_EQ(checkQuality(q), kBadArgument);
  q.keepDistance = -1;
  EXPECT_EQ(checkQuality(q), kBadArgument);
}

TEST(QualityTest, BrightnessLiftsBlackAtTheStartOfTheRegion) {
  TestImage img(2, 2, 24);
  ASSERT_EQ(adjustQuality(img.surface(), settings(0, 50, 0), AdjustRegion{0, 2, 0, 2}, nullptr), kOk);
  // Y' = 50, no chroma: 49.99, 49.99, 50.05.
  EXPECT_EQ(img.get(0, 0), packColor(49, 49, 50));
  EXPECT_EQ(img.get(1, 1), packColor(49, 49, 50));
}

TEST(QualityTest, SaturationMinusHundredMakesGrey) {
  for (uint32_t c : {0x000000FFu, 0x0000FF00u, 0x00FF0000u, 0x00336699u, 0x00A0B0C0u}) {
    const uint32_t out = qualityTransform(settings(0, 0, -100), c);
    EXPECT_LE(std::abs(redOf(out) - greenOf(out)), 1) << std::hex << c;
    EXPECT_LE(std::abs(blueOf(out) - greenOf(out)), 1) << std::hex << c;
  }
}

TEST(QualityTest, HalfTurnOfHueTwiceComesBack) {
  // Weak chroma stays inside the byte range both ways.
  for (uint32_t c : {packColor(120, 100, 90), packColor(90, 110, 130), packColor(128, 128, 140)}) {
    const uint32_t once = qualityTransform(settings(180, 0, 0), c);
    EXPECT_NE(once, c);
    const uint32_t twice = qualityTransform(settings(180, 0, 0), once);
    EXPECT_LE(std::abs(redOf(twice) - redOf(c)), 2);
    EXPECT_LE(std::abs(greenOf(twice) - greenOf(c)), 2);
    EXPECT_LE(std::abs(blueOf(twice) - blueOf(c)), 2);
  }
}

TEST(QualityTest, KeepColourSparesExactlyTheColourAtDistanceOne) {
  QualitySettings q = settings(0, 50, 0);
  q.spare = true;
  q.keepColour = packColor(10, 20, 30);
  q.keepDistance = 1;
  EXPECT_EQ(qualityTransform(q, packColor(10, 20, 30)), packColor(10, 20, 30));
  EXPECT_NE(qualityTransform(q, packColor(11, 20, 30)), packColor(11, 20, 30));
  q.keepDistance = 0;
  EXPECT_NE(qualityTransform(q, packColor(10, 20, 30)), packColor(10, 20, 30));
  q.keepDistance = 65536;  // the full distance spares nothing
  EXPECT_NE(qualityTransform(q, packColor(10, 20, 30)), packColor(10, 20, 30));
}

TEST(QualityTest, PaletteChangesWholeAndRegionIsCheckedOnly) {
  TestImage img(4, 4, 4);
  AdjustRegion r{1, 0, 1, 0};  // reversed: accepted
  ASSERT_EQ(adjustQuality(img.surface(), settings(0, 50, 0), r, nullptr), kOk);
  EXPECT_EQ(r.left, 1);  // the caller's values are untouched
  for (int i : {0, 15}) EXPECT_EQ(paletteColor(img.surface(), i), packColor(49, 49, 50));
  EXPECT_EQ(adjustQuality(img.surface(), settings(0, 50, 0), AdjustRegion{0, 5, 0, 1}, nullptr),
            kBadArgument);
}

TEST(QualityTest, RowPassMatchesThePerPixelReference) {
  const QualitySettings settings[] = {{30, 10, 20, false, 0, 0},
                                      {-181, -101, 101, false, 0, 0},
                                      {90, 0, -50, true, 0x204060, 9000},
                                      {0, 55, 0, true, 0xFFFFFF, 65536}};
  struct Case {
    int32_t width, height, depth;
    uint32_t colours;
    AdjustRegion region;
  };
  const Case cases[] = {{97, 61, 24, 0, {3, 94, 5, 60}}, {97, 61, 32, 40, {0, 97, 0, 61}},
                        {71, 65, 16, 0, {2, 69, 1, 64}}, {13, 7, 24, 4, {1, 12, 2, 7}}};
  uint32_t seed = 100;
  for (const Case& c : cases) {
    for (const QualitySettings& q : settings) {
      TestImage image(c.width, c.height, c.depth);
      test::scramble(image, seed++, c.colours);
      // Some pixels exactly at the spared colour.
      for (int32_t x = 0; x < c.width; x += 5) image.set(x, x % c.height, q.keepColour);
      TestImage expected = image;
      for (int32_t x = c.region.left; x < c.region.right; ++x)
        for (int32_t y = c.region.top; y < c.region.bottom; ++y)
          expected.set(x, y, qualityTransform(q, expected.get(x, y)));
      ASSERT_EQ(adjustQuality(image.surface(), q, c.region, nullptr), kOk);
      EXPECT_EQ(image.memory(), expected.memory()) << c.width << "x" << c.height << "x" << c.depth;
    }
  }
}

}  // namespace
}  // namespace vop
