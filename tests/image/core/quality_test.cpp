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
  ASSERT_EQ(adjustQuality(img.surface(), settings(0, 50, 0), AdjustRegion{0, 2, 0, 2}, nullptr),
            kOk);
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

// Colours worked out by hand from the model (Y = 0.2989 R + 0.5866 G + 0.1145 B,
// Cb = 0.5 B - (0.3312 G + 0.1688 R), Cr = 0.5 R - 0.4184 G - 0.0816 B; the angle atan2(Cr, Cb)
// turns by +hue; back through R = 0.999859 Y + 1.402087703 Cr + 0.0000114265 Cb,
// G = 0.999864 Y - 0.344102 Cb - 0.714225835 Cr, B = 1.001063054 Y + 1.771795196 Cb +
// 0.000231069 Cr, lifted by the lowest negative channel, clamped and truncated).
//
// Red (255, 0, 0): Y = 76.2195, Cb = -43.044, Cr = 127.5.
//  hue +90: (Cb', Cr') = (-Cr, Cb) = (-127.5, -43.044). R = 76.208753 - 60.351463 - 0.001457
//   = 15.86, G = 76.209134 + 43.873005 + 30.743135 = 150.83, B = 76.300525 - 225.903888
//   - 0.009946 = -149.61 < 0: Y + 149.613 = 225.8328 gives R 165.45, G 300.4, B 0.159
//   -> (165, 255, 0).
//  hue -90: (Cb', Cr') = (Cr, -Cb) = (127.5, 43.044). R = 76.208753 + 60.351463 + 0.001457
//   = 136.56, G = 76.209134 - 43.873005 - 30.743135 = 1.59, B = 76.300525 + 225.903888
//   + 0.009946 = 302.2 -> (136, 1, 255).
// (200, 100, 50): Y = 124.165, Cb = -41.88, Cr = 54.08; saturation -50 halves both:
//  (-20.94, 27.04). R = 124.147493 + 37.912451 - 0.000239 = 162.06, G = 124.148113 + 7.205496
//  - 19.312667 = 112.04, B = 124.296993 - 37.101391 + 0.006248 = 87.20 -> (162, 112, 87).
// (120, 130, 110): Y = 124.721, Cb = -8.312, Cr = -3.368; hue 180, saturation +100,
//  brightness 20: Y' = 144.721, (Cb', Cr') = (16.624, 6.736). R = 144.700594 + 9.444463
//  + 0.00019 = 154.15, G = 144.701318 - 5.720352 - 4.811025 = 134.17, B = 144.874846
//  + 29.454323 + 0.001556 = 174.33 -> (154, 134, 174).
TEST(QualityTest, HueAndSaturationOfColoursWorkedByHand) {
  const struct {
    int hue, brightness, saturation;
    uint32_t in, out;
  } cases[] = {
      {90, 0, 0, packColor(255, 0, 0), packColor(165, 255, 0)},
      {-90, 0, 0, packColor(255, 0, 0), packColor(136, 1, 255)},
      {0, 0, -50, packColor(200, 100, 50), packColor(162, 112, 87)},
      {180, 20, 100, packColor(120, 130, 110), packColor(154, 134, 174)},
  };
  for (const auto &c : cases) {
    // The plain adjustment, and the sparing one with a keep colour far from every case
    // (white at distance 100: the nearest case colour is over 30,000 away).
    QualitySettings plain = settings(c.hue, c.brightness, c.saturation);
    QualitySettings sparing = plain;
    sparing.spare = true;
    sparing.keepColour = 0xFFFFFF;
    sparing.keepDistance = 100;
    for (const QualitySettings &q : {plain, sparing}) {
      EXPECT_EQ(qualityTransform(q, c.in), c.out) << c.hue << " " << q.spare;
      TestImage img(1, 1, 24), pal(1, 1, 8);
      img.set(0, 0, c.in);
      pal.setEntry(0, c.in);
      ASSERT_EQ(adjustQuality(img.surface(), q, AdjustRegion{0, 1, 0, 1}, nullptr), kOk);
      ASSERT_EQ(adjustQuality(pal.surface(), q, AdjustRegion{0, 1, 0, 1}, nullptr), kOk);
      EXPECT_EQ(img.get(0, 0), c.out) << c.hue << " " << q.spare;
      EXPECT_EQ(pal.get(0, 0), c.out) << c.hue << " " << q.spare;
    }
    // Sparing the case's own colour leaves it as it was.
    QualitySettings keep = plain;
    keep.spare = true;
    keep.keepColour = c.in;
    keep.keepDistance = 1;
    EXPECT_EQ(qualityTransform(keep, c.in), c.in);
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
  q.keepDistance = 65536; // the full distance spares nothing
  EXPECT_NE(qualityTransform(q, packColor(10, 20, 30)), packColor(10, 20, 30));
}

TEST(QualityTest, PaletteChangesWholeAndRegionIsCheckedOnly) {
  TestImage img(4, 4, 4);
  AdjustRegion r{1, 0, 1, 0}; // reversed: accepted
  ASSERT_EQ(adjustQuality(img.surface(), settings(0, 50, 0), r, nullptr), kOk);
  EXPECT_EQ(r.left, 1); // the caller's values are untouched
  for (int i : {0, 15})
    EXPECT_EQ(paletteColor(img.surface(), i), packColor(49, 49, 50));
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
  const Case cases[] = {{97, 61, 24, 0, {3, 94, 5, 60}},
                        {97, 61, 32, 40, {0, 97, 0, 61}},
                        {71, 65, 16, 0, {2, 69, 1, 64}},
                        {13, 7, 24, 4, {1, 12, 2, 7}}};
  uint32_t seed = 100;
  for (const Case &c : cases) {
    for (const QualitySettings &q : settings) {
      TestImage image(c.width, c.height, c.depth);
      test::scramble(image, seed++, c.colours);
      // Some pixels exactly at the spared colour.
      for (int32_t x = 0; x < c.width; x += 5)
        image.set(x, x % c.height, q.keepColour);
      TestImage expected = image;
      for (int32_t x = c.region.left; x < c.region.right; ++x)
        for (int32_t y = c.region.top; y < c.region.bottom; ++y)
          expected.set(x, y, qualityTransform(q, expected.get(x, y)));
      ASSERT_EQ(adjustQuality(image.surface(), q, c.region, nullptr), kOk);
      EXPECT_EQ(image.memory(), expected.memory()) << c.width << "x" << c.height << "x" << c.depth;
    }
  }
}

} // namespace
} // namespace vop
