// Tests of the adjustment frame pieces, the colour model and the tone-table adjustments.
#include "image/core/tone_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "image/core/color_model.h"
#include "image/core/contrast.h"
#include "image/core/quality.h"
#include "image/core/result.h"
#include "tests/image/core/progress_log.h"
#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

uint32_t grey(int v) { return packColor(v, v, v); }

TEST(RegionTest, ReversedPairsAreOrderedAndWrittenBack) {
  AdjustRegion r{5, 1, 4, 2};
  EXPECT_EQ(normalizeRegion(r, 10, 10), kOk);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.right, 5);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.bottom, 4);
}

TEST(RegionTest, EmptyNegativeAndOversizedRegionsAreRefused) {
  const AdjustRegion bad[] = {{0, 0, 0, 5},  {0, 5, 3, 3},  {-1, 3, 0, 3},
                              {0, 11, 0, 5}, {0, 5, 0, 11}, {0, 5, -2, 3}};
  for (AdjustRegion r : bad)
    EXPECT_EQ(normalizeRegion(r, 10, 10), kBadArgument);
  AdjustRegion whole{0, 10, 0, 10};
  EXPECT_EQ(normalizeRegion(whole, 10, 10), kOk);
}

TEST(ColorMemoTest, EveryColourHasASlotOfItsOwnAndColoursOneStepApartAreNear) {
  // Two colours sharing a slot would hand one of them the other's result. Bit i of a byte
  // landing on bit 3i alone, and nowhere else, makes the slot of the three bytes a one-to-one
  // interleave of all 24 bits.
  for (uint32_t v = 0; v < 256; ++v) {
    const uint32_t spread = spreadBits(v);
    ASSERT_EQ(spread & ~0x249249u, 0u) << v;
    for (int i = 0; i < 8; ++i)
      ASSERT_EQ(spread >> (3 * i) & 1, v >> i & 1) << v << " bit " << i;
    EXPECT_EQ(slotOf(v | v << 8 | v << 16), spread * 7) << v;
  }
  EXPECT_EQ(slotOf(0x000001), 1u);
  EXPECT_EQ(slotOf(0x000100), 2u);
  EXPECT_EQ(slotOf(0x010000), 4u);
  EXPECT_EQ(slotOf(0x800000), 0x800000u);
  EXPECT_EQ(slotOf(0xFFFFFF), 0xFFFFFFu);
  // The lowest bit of each channel steps within one 8-entry block.
  EXPECT_LT(slotOf(0x818181) - slotOf(0x808080), 8u);
}

TEST(ColorMemoTest, ConvertsEachColourOnceAndGivesTheConvertersResults) {
  // A conversion that also yields black (0), which must still count as remembered, and results
  // that differ from their colours, so that a stale or foreign entry cannot pass for one.
  uint32_t calls = 0;
  auto convert = [&calls](uint32_t c) {
    ++calls;
    return (c % 7 == 0) ? 0u : (c * 2654435761u) >> 8;
  };
  // Two memos one after the other: the second must start empty, not with the first's results.
  for (uint32_t round = 0; round < 2; ++round) {
    calls = 0;
    ColorMemo<decltype(convert)> memo(convert, ColorMemo<decltype(convert)>::kMinPixels);
    ASSERT_TRUE(memo.memoised());
    uint32_t seed = 12345 + round;
    std::vector<uint32_t> colours;
    for (int i = 0; i < 3000; ++i) {
      seed = seed * 1103515245u + 12345u;
      colours.push_back((seed >> 4) & 0xFFFFFF);
    }
    colours.push_back(0x000000);
    colours.push_back(0xFFFFFF);
    colours.push_back(7 * 1000); // converts to black
    for (int pass = 0; pass < 3; ++pass) {
      for (uint32_t c : colours) {
        memo.prefetch(c);
        ASSERT_EQ(memo(c), convert(c)) << std::hex << c;
        --calls; // the reference call above
      }
    }
    std::vector<uint32_t> distinct = colours;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    EXPECT_EQ(calls, distinct.size()) << "round " << round;
  }
}

TEST(ProgressTest, ColourTablePassesReportAtEachHalfAndOnceMoreAtTheEnd) {
  // 256 entries: the gamma and quality passes count the entries with a step of 128; contrast
  // counts them twice (measuring, then changing) with a step of a quarter of that total.
  TestImage img(4, 4, 8);
  for (int i = 0; i < 256; ++i)
    img.setEntry(i, packColor(i, 255 - i, i / 2));
  const AdjustRegion whole{0, 4, 0, 4};
  using Calls = std::vector<uint32_t>;
  auto done = [](const test::ProgressLog &log) {
    Calls out;
    for (const test::ProgressCall &c : log.calls())
      out.push_back(c[2]);
    return out;
  };
  {
    test::ProgressLog log(0);
    ProgressMeter meter(log.hook(), kProgressGamma);
    AdjustRegion r = whole;
    ASSERT_EQ(adjustGamma(img.surface(), 2.2, 0, r, &meter), kOk);
    EXPECT_EQ(done(log), (Calls{0, 128, 256, 256}));
  }
  {
    test::ProgressLog log(0);
    ProgressMeter meter(log.hook(), kProgressQuality);
    ASSERT_EQ(adjustQuality(img.surface(), QualitySettings{30, 10, 20, false, 0, 0}, whole, &meter),
              kOk);
    EXPECT_EQ(done(log), (Calls{0, 128, 256, 256}));
  }
  {
    test::ProgressLog log(0);
    ProgressMeter meter(log.hook(), kProgressContrast);
    AdjustRegion r = whole;
    ASSERT_EQ(adjustContrast(img.surface(), kContrastAmount, 10, 0, r, &meter, nullptr), kOk);
    EXPECT_EQ(done(log), (Calls{0, 128, 256, 384, 512, 512}));
  }
}

TEST(ProgressTest, StepDependsOnTheTotal) {
  EXPECT_EQ(progressStep(4096001), 409600u);
  EXPECT_EQ(progressStep(4096000), 819200u);
  EXPECT_EQ(progressStep(2048001), 409600u);
  EXPECT_EQ(progressStep(2048000), 1024000u);
  EXPECT_EQ(progressStep(1), 0u);
}

TEST(ProgressTest, AZeroStepReportsEveryUnitInsteadOfDividingByZero) {
  std::vector<uint32_t> done;
  ProgressHook hook{[](ProgressRecord *r, void *ctx) {
                      static_cast<std::vector<uint32_t> *>(ctx)->push_back(r->done);
                    },
                    &done, 0};
  ProgressMeter meter(&hook, kProgressGamma);
  meter.begin(1);
  meter.tick();
  meter.finish();
  EXPECT_EQ(done, (std::vector<uint32_t>{0, 1, 1}));
}

TEST(ColorModelTest, RoundTripIsWithinOneLevel) {
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15) {
        const LumaChroma c = toLumaChroma(r, g, b);
        const uint32_t back = fromLumaChroma(c.y, c.cb, c.cr);
        ASSERT_LE(std::abs(redOf(back) - r), 1) << r << "," << g << "," << b;
        ASSERT_LE(std::abs(greenOf(back) - g), 1) << r << "," << g << "," << b;
        ASSERT_LE(std::abs(blueOf(back) - b), 1) << r << "," << g << "," << b;
      }
}

TEST(ColorModelTest, NegativeChannelsLiftTheLuminanceAndClamp) {
  // Y 0, Cr -50: R = -70.104, G = 35.711, B = -0.012. Lifted by 70.104: R -0.01 -> 0,
  // G 70.095 + 35.711 = 105.8, B 70.179 - 0.012 = 70.17 (without the lift: 0, 35, 0).
  EXPECT_EQ(fromLumaChroma(0.0, 0.0, -50.0), packColor(0, 105, 70));
  EXPECT_EQ(fromLumaChroma(1000.0, 0.0, 0.0), 0x00FFFFFFu);
  EXPECT_EQ(fromLumaChroma(std::nan(""), 0.0, 0.0), 0u);
}

TEST(ColorModelTest, KeepLuminanceLowersTheOtherChannels) {
  // L 100, red raised to 150: (100 - 0.2989 * 150) * 1.42633 = 78.68.
  EXPECT_EQ(keepLuminance(1, 100, packColor(150, 100, 100)), packColor(150, 78, 78));
  // Green raised to 255 from L 50: negative, held at 0.
  EXPECT_EQ(keepLuminance(2, 50, packColor(50, 255, 50)), packColor(0, 255, 0));
}

TEST(GammaTest, RangeLimitsAndTheNoChangeBand) {
  EXPECT_EQ(checkGamma(1.0), Precheck::kNothingToDo);
  EXPECT_EQ(checkGamma(1.005), Precheck::kNothingToDo);
  EXPECT_EQ(checkGamma(0.999), Precheck::kApply);
  EXPECT_EQ(checkGamma(1.009), Precheck::kApply);
  EXPECT_EQ(checkGamma(5.01), Precheck::kApply);
  EXPECT_EQ(checkGamma(0.01), Precheck::kApply);
  EXPECT_EQ(checkGamma(5.0101), Precheck::kReject);
  EXPECT_EQ(checkGamma(0.0099), Precheck::kReject);
  EXPECT_EQ(checkGamma(std::nan("")), Precheck::kReject);
}

TEST(GammaTest, TableEndsStayAndMiddleFollowsThePower) {
  for (double g : {0.01, 0.5, 0.999, 2.0, 5.01}) {
    const ToneTable t = gammaTable(g);
    EXPECT_EQ(t[0], 0) << g;
    EXPECT_EQ(t[255], 255) << g;
  }
  EXPECT_EQ(gammaTable(2.0)[128], 64); // 128^2 / 255 = 64.25
  EXPECT_EQ(gammaTable(0.5)[64], 127); // sqrt(64 * 255) = 127.75
}

TEST(GammaTest, GammaOneLeavesTheImageAndRegionAlone) {
  TestImage img(3, 3, 24);
  for (int i = 0; i < 9; ++i)
    img.set(i % 3, i / 3, packColor(i * 20, 255 - i * 20, i * 7));
  const TestImage before = img;
  AdjustRegion r{3, 0, 3, 0};
  EXPECT_EQ(adjustGamma(img.surface(), 1.0, 0, r, nullptr), kOk);
  EXPECT_TRUE(img.samePixels(before));
  EXPECT_EQ(r.left, 3); // not even normalised
}

TEST(GammaTest, OnlyTheRegionChangesInTrueColour) {
  TestImage img(3, 3, 32);
  img.fill(grey(128));
  img.memory()[3] = 0x99; // alpha of a pixel in the bottom row
  AdjustRegion r{1, 2, 1, 2};
  ASSERT_EQ(adjustGamma(img.surface(), 2.0, 1, r, nullptr), kOk);
  EXPECT_EQ(img.get(1, 1), packColor(64, 128, 128));
  EXPECT_EQ(img.get(0, 1), grey(128));
  EXPECT_EQ(img.get(2, 2), grey(128));
  EXPECT_EQ(img.memory()[3], 0x99);
}

TEST(GammaTest, APaletteImageChangesWholeWhateverTheRegion) {
  TestImage img(4, 4, 8);
  for (int i = 0; i < 256; ++i)
    img.setEntry(i, grey(128));
  AdjustRegion r{0, 1, 0, 1};
  ASSERT_EQ(adjustGamma(img.surface(), 2.0, 2, r, nullptr), kOk);
  for (int i : {0, 17, 255})
    EXPECT_EQ(paletteColor(img.surface(), i), packColor(128, 64, 128));
}

TEST(GammaTest, BadRegionsAndSurfacesFail) {
  TestImage img(3, 3, 24);
  AdjustRegion zero{1, 1, 0, 3};
  EXPECT_EQ(adjustGamma(img.surface(), 2.0, 0, zero, nullptr), kBadArgument);
  AdjustRegion beyond{0, 4, 0, 3};
  EXPECT_EQ(adjustGamma(img.surface(), 2.0, 0, beyond, nullptr), kBadArgument);
  Surface none;
  AdjustRegion ok{0, 1, 0, 1};
  EXPECT_EQ(adjustGamma(none, 2.0, 0, ok, nullptr), kBadArgument);
  EXPECT_EQ(adjustGamma(img.surface(), 7.0, 0, ok, nullptr), kBadArgument);
}

TEST(ToneCurveTest, IdentityTableOnOneChannelChangesNothing) {
  ToneTable identity{};
  for (int i = 0; i < 256; ++i)
    identity[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  TestImage img(4, 2, 24);
  for (int i = 0; i < 8; ++i)
    img.set(i % 4, i / 4, packColor(i * 30, i * 17, 255 - i));
  const TestImage before = img;
  for (uint32_t sel : {1u, 2u, 3u}) {
    AdjustRegion r{0, 4, 0, 2};
    ASSERT_EQ(adjustToneCurve(img.surface(), identity, sel, r, nullptr), kOk);
  }
  EXPECT_TRUE(img.samePixels(before));
}

TEST(ToneCurveTest, BlackPixelsGoThroughTheTable) {
  ToneTable t{};
  t[0] = 50;
  TestImage img(2, 1, 24);
  AdjustRegion r{0, 2, 0, 1};
  ASSERT_EQ(adjustToneCurve(img.surface(), t, 2, r, nullptr), kOk);
  EXPECT_EQ(img.get(0, 0), packColor(0, 50, 0));
  EXPECT_EQ(img.get(1, 0), packColor(0, 50, 0));
}

TEST(ToneCurveTest, KeepLuminanceFollowsAChannelChange) {
  ToneTable t{};
  for (int i = 0; i < 256; ++i)
    t[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  t[100] = 150;
  EXPECT_EQ(mapTone(t, 0x101, grey(100)), packColor(150, 78, 78));
  EXPECT_EQ(mapTone(t, 0x001, grey(100)), packColor(150, 100, 100));
}

// The adjustment as one readColor / writeColor per pixel, column by column.
void referenceTone(Surface &s, const ToneTable &table, uint32_t channelWord,
                   const AdjustRegion &r) {
  for (int32_t x = r.left; x < r.right; ++x)
    for (int32_t y = r.top; y < r.bottom; ++y)
      writeColor(s, x, y, mapTone(table, channelWord, readColor(s, x, y)));
}

TEST(ToneTableTest, RowPassesMatchThePerPixelReference) {
  const ToneTable gamma = gammaTable(2.2);
  ToneTable curve{};
  for (int i = 0; i < 256; ++i)
    curve[static_cast<size_t>(i)] = static_cast<uint8_t>((i * 7 + 3) % 256);
  struct Case {
    int32_t width, height, depth;
    uint32_t colours;
    AdjustRegion region;
  };
  const Case cases[] = {{97, 61, 24, 0, {3, 94, 5, 60}}, {97, 61, 24, 50, {0, 97, 0, 61}},
                        {83, 67, 32, 0, {1, 80, 2, 66}}, {83, 67, 32, 20, {11, 82, 7, 64}},
                        {71, 65, 16, 0, {2, 69, 1, 64}}, {13, 7, 24, 0, {1, 12, 2, 7}},
                        {9, 5, 32, 3, {0, 9, 1, 4}}};
  const uint32_t words[] = {0, 1, 2, 3, 4, 0x101, 0x102, 0x103, 0x100};
  uint32_t seed = 1;
  for (const Case &c : cases) {
    for (const uint32_t word : words) {
      const ToneTable *tables[] = {&gamma, &curve};
      for (const ToneTable *table : tables) {
        TestImage image(c.width, c.height, c.depth);
        test::scramble(image, seed++, c.colours);
        TestImage expected = image;
        referenceTone(expected.surface(), *table, word, c.region);
        std::vector<uint32_t> calls;
        ProgressHook hook{[](ProgressRecord *rec, void *ctx) {
                            static_cast<std::vector<uint32_t> *>(ctx)->push_back(rec->done);
                          },
                          &calls, 0};
        ProgressMeter meter(&hook, kProgressToneCurve);
        ASSERT_EQ(applyToneTable(image.surface(), *table, word, c.region, &meter), kOk);
        EXPECT_EQ(image.memory(), expected.memory())
            << c.width << "x" << c.height << "x" << c.depth << " word " << word;
        // One tick per pixel gives the same calls.
        std::vector<uint32_t> ticked;
        ProgressHook tickHook{hook.callback, &ticked, 0};
        ProgressMeter reference(&tickHook, kProgressToneCurve);
        const auto area = static_cast<uint32_t>((c.region.right - c.region.left) *
                                                (c.region.bottom - c.region.top));
        reference.begin(area);
        for (uint32_t i = 0; i < area; ++i)
          reference.tick();
        reference.finish();
        EXPECT_EQ(calls, ticked);
      }
    }
  }
}

} // namespace
} // namespace vop
