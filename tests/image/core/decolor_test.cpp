// Tests of colour reduction: depth rules, thresholds, pattern, level grid, median cut, expansion.
#include "image/core/decolor.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "image/core/color_model.h"
#include "image/core/result.h"
#include "tests/image/core/progress_log.h"
#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

uint32_t grey(int v) { return packColor(v, v, v); }

uint32_t entryOf(const TestImage &img, int x, int y) {
  return paletteColor(img.surface(), readIndex(img.surface(), x, y));
}

std::set<uint32_t> usedIndices(const TestImage &img) {
  std::set<uint32_t> used;
  for (int y = 0; y < img.surface().height; ++y)
    for (int x = 0; x < img.surface().width; ++x)
      used.insert(readIndex(img.surface(), x, y));
  return used;
}

TEST(DecolorCheckTest, DepthRulesPerMethod) {
  struct Case {
    uint32_t method;
    int src;
    int dst;
    bool ok;
  } cases[] = {
      {kDecolorExpand, 8, 24, true},
      {kDecolorExpand, 1, 4, true},
      {kDecolorExpand, 16, 32, true},
      {kDecolorExpand, 24, 24, false},
      {kDecolorExpand, 4, 1, false},
      {kDecolorExpand, 32, 32, false},
      {kDecolorGrid, 24, 8, true},
      {kDecolorGrid, 8, 4, true},
      {kDecolorGrid, 8, 8, false},
      {kDecolorGrid, 24, 16, false},
      {kDecolorGrid, 24, 1, false},
      {kDecolorGrid, 32, 8, false},
      {kDecolorMedianCut, 24, 4, true},
      {kDecolorMedianCut, 24, 24, false},
      {kDecolorBlackWhite, 1, 1, true},
      {kDecolorBlackWhite, 24, 1, true},
      {kDecolorBlackWhite, 24, 4, false},
      {kDecolorBlackWhite, 32, 1, false},
      {0x500, 24, 8, false},
      {0, 24, 8, false},
  };
  for (const Case &c : cases) {
    TestImage src(3, 2, c.src), dst(3, 2, c.dst);
    EXPECT_EQ(checkDecolor(c.method, src.surface(), dst.surface()), c.ok ? kOk : kBadArgument)
        << std::hex << c.method << std::dec << " " << c.src << " -> " << c.dst;
  }
}

TEST(DecolorCheckTest, OtherSizesAndEmptySurfacesAreRefusedBeforeAnyWrite) {
  TestImage src(4, 4, 24), wide(5, 4, 8), tall(4, 5, 8);
  EXPECT_EQ(decolor(kDecolorGrid, src.surface(), wide.surface(), nullptr, nullptr), kBadArgument);
  EXPECT_EQ(decolor(kDecolorGrid, src.surface(), tall.surface(), nullptr, nullptr), kBadArgument);
  Surface none;
  EXPECT_EQ(decolor(kDecolorGrid, none, wide.surface(), nullptr, nullptr), kBadArgument);
  int repaints = 0;
  RepaintHook hook{[](void *c) { ++*static_cast<int *>(c); }, &repaints};
  TestImage dst(4, 4, 8);
  dst.memory().assign(dst.memory().size(), 0x77);
  TestImage before = dst;
  EXPECT_EQ(
      decolor(kDecolorMedianCut, src.surface(), TestImage(4, 4, 24).surface(), nullptr, &hook),
      kBadArgument);
  EXPECT_EQ(decolor(0x500, src.surface(), dst.surface(), nullptr, &hook), kBadArgument);
  EXPECT_EQ(repaints, 0);
  EXPECT_EQ(dst.memory(), before.memory());
}

TEST(DecolorThresholdTest, AutomaticThresholdOfTwoLevelsFallsJustAboveTheLower) {
  // Within-class sum 0 from t = 51 to 200: the first such candidate wins, no division.
  uint64_t h[256] = {};
  h[50] = 10;
  h[200] = 30;
  EXPECT_EQ(automaticThreshold(h), 51);
}

TEST(DecolorThresholdTest, AutomaticThresholdOfThreeLevelsByHand) {
  // Levels 0, 10, 100, two pixels each: m = 220 / 6 = 36.
  // t = 1..10: m1 = 0, m2 = 55, between 2 * 1296 + 4 * 361 = 4036, within 8100: criterion 0.
  // t = 11..100: m1 = 5, m2 = 100, between 4 * 961 + 2 * 4096 = 12036, within 100:
  // criterion 12036^2 / 100^2 = 14486. The first of these wins.
  uint64_t h[256] = {};
  h[0] = h[10] = h[100] = 2;
  EXPECT_EQ(automaticThreshold(h), 11);
  // The same shape with 10^9 pixels per level: the squares need 85 bits.
  h[0] = h[10] = h[100] = 1000000000;
  EXPECT_EQ(automaticThreshold(h), 11);
}

TEST(DecolorThresholdTest, SingleLevelFallsBackToTheMiddle) {
  uint64_t h[256] = {};
  EXPECT_EQ(automaticThreshold(h), 128);
  h[0] = 99;
  EXPECT_EQ(automaticThreshold(h), 128);
  // A black picture stays black under the automatic threshold.
  TestImage src(3, 3, 24), dst(3, 3, 1);
  ASSERT_EQ(decolor(kDecolorBlackWhite, src.surface(), dst.surface(), nullptr, nullptr), kOk);
  EXPECT_EQ(usedIndices(dst), std::set<uint32_t>{0});
}

TEST(DecolorBlackWhiteTest, FixedThresholdOnARampAndTheTwoColourTable) {
  TestImage src(256, 1, 24), dst(256, 1, 1);
  for (int x = 0; x < 256; ++x)
    src.set(x, 0, packColor(x, 255 - x, 0));
  ASSERT_EQ(
      decolor(kDecolorBlackWhite | 0x10000 | 128, src.surface(), dst.surface(), nullptr, nullptr),
      kOk);
  for (int x = 0; x < 256; ++x)
    EXPECT_EQ(readIndex(dst.surface(), x, 0), x >= 128 ? 1u : 0u) << x;
  EXPECT_EQ(paletteColor(dst.surface(), 0), 0u);
  EXPECT_EQ(paletteColor(dst.surface(), 1), 0xFFFFFFu);
  // Green runs the other way; threshold 1 and 255 are the edges.
  ASSERT_EQ(
      decolor(kDecolorBlackWhite | 0x20000 | 255, src.surface(), dst.surface(), nullptr, nullptr),
      kOk);
  EXPECT_EQ(readIndex(dst.surface(), 0, 0), 1u);
  EXPECT_EQ(readIndex(dst.surface(), 1, 0), 0u);
  ASSERT_EQ(
      decolor(kDecolorBlackWhite | 0x30000 | 1, src.surface(), dst.surface(), nullptr, nullptr),
      kOk);
  EXPECT_EQ(usedIndices(dst), std::set<uint32_t>{0}); // blue is 0 everywhere
}

TEST(DecolorBlackWhiteTest, OneBitImageMayBeItsOwnDestination) {
  // Index 0 white and 1 black before; after, the table is black, white and the colours stay.
  TestImage img(11, 3, 1);
  img.setEntry(0, 0xFFFFFF);
  img.setEntry(1, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 11; ++x)
      writeIndex(img.surface(), x, y, (x + y) & 1);
  const TestImage before = img;
  ASSERT_EQ(decolor(kDecolorBlackWhite | 128, img.surface(), img.surface(), nullptr, nullptr), kOk);
  EXPECT_EQ(paletteColor(img.surface(), 0), 0u);
  EXPECT_TRUE(img.samePixels(before));
}

TEST(DecolorBlackWhiteTest, AutomaticThresholdSeparatesATwoColourImage) {
  TestImage src(7, 5, 8), dst(7, 5, 1);
  src.setEntry(0, packColor(50, 50, 50));
  src.setEntry(1, packColor(200, 0, 0));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      writeIndex(src.surface(), x, y, (x + y) % 3 == 0);
  ASSERT_EQ(decolor(kDecolorBlackWhite | 0x10000, src.surface(), dst.surface(), nullptr, nullptr),
            kOk);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(readIndex(dst.surface(), x, y), (x + y) % 3 == 0 ? 1u : 0u);
}

TEST(DecolorBlackWhiteTest, PatternFlipsEveryNinthColumnOnAPhasedRow) {
  // The phase of column x is x mod 4: column 9 has phase 1 and flips rows 8 and 17.
  TestImage src(20, 20, 24), dst(20, 20, 1);
  src.fill(0xFFFFFF);
  ASSERT_EQ(decolor(kDecolorBlackWhite | kDecolorPattern | 0x10000 | 128, src.surface(),
                    dst.surface(), nullptr, nullptr),
            kOk);
  std::set<std::pair<int, int>> black;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      if (readIndex(dst.surface(), x, y) == 0)
        black.insert({x, y});
  // Column 0 (phase 0): rows 0 and 9 and 18; column 9: rows 8 and 17; column 18 (phase 2):
  // rows 7 and 16.
  const std::set<std::pair<int, int>> expected = {{0, 0},  {0, 9},  {0, 18}, {9, 8},
                                                  {9, 17}, {18, 7}, {18, 16}};
  EXPECT_EQ(black, expected);
}

TEST(DecolorGridTest, SixteenColoursWithRedLevels) {
  // Red 3.1 levels: d = 82.26, s = 121: 0, 121, 242, 255; green and blue 2 levels: 0, 255.
  TestImage src(64, 64, 24), dst(64, 64, 4);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      src.set(x, y, packColor(x * 4, y * 4, (x * y) & 0xFF));
  ASSERT_EQ(decolor(kDecolorGrid | 0x10000, src.surface(), dst.surface(), nullptr, nullptr), kOk);
  EXPECT_EQ(paletteColor(dst.surface(), 0), 0u);
  EXPECT_EQ(paletteColor(dst.surface(), 1), 0xFFFFFFu);
  const std::set<int> reds = {0, 121, 242, 255}, others = {0, 255};
  for (int i = 0; i < 16; ++i) {
    const uint32_t c = paletteColor(dst.surface(), static_cast<uint32_t>(i));
    EXPECT_TRUE(reds.count(redOf(c))) << i;
    EXPECT_TRUE(others.count(greenOf(c))) << i;
    EXPECT_TRUE(others.count(blueOf(c))) << i;
  }
  // Pixel (30, 0): red 120 -> trunc(1.46) * 121 = 121, green 0, blue 0.
  EXPECT_EQ(entryOf(dst, 30, 0), packColor(121, 0, 0));
  // Pixel (63, 0): red 252 -> 3 * 121 = 363 held at 255; pixel (0, 63): green 252 -> 255.
  EXPECT_EQ(entryOf(dst, 63, 0), packColor(255, 0, 0));
  EXPECT_EQ(entryOf(dst, 0, 63), packColor(0, 255, 0));
}

TEST(DecolorGridTest, MoreColoursThanTheTableTakeTheNearestEntry) {
  // 6.2 levels: d = 41.13, s = 49, levels 0, 49, 98, 147, 196, 245, 255 are fixed points:
  // 343 colours against 256 entries, of which 17 are seeds (black, 15 greys, white).
  const int levels[7] = {0, 49, 98, 147, 196, 245, 255};
  TestImage src(343, 1, 24), dst(343, 1, 8);
  for (int i = 0; i < 343; ++i)
    src.set(i, 0, packColor(levels[i % 7], levels[i / 7 % 7], levels[i / 49]));
  ASSERT_EQ(decolor(kDecolorGrid, src.surface(), dst.surface(), nullptr, nullptr), kOk);
  EXPECT_EQ(paletteColor(dst.surface(), 0), 0u);
  EXPECT_EQ(paletteColor(dst.surface(), 1), grey(0x10));
  EXPECT_EQ(paletteColor(dst.surface(), 15), grey(0xF0));
  EXPECT_EQ(paletteColor(dst.surface(), 16), 0xFFFFFFu);
  int exact = 0;
  for (int x = 0; x < 343; ++x) {
    const uint32_t want = src.get(x, 0), got = entryOf(dst, x, 0);
    if (want == got) {
      ++exact;
      continue;
    }
    // Not in the table: nothing there may be closer.
    auto d2 = [](uint32_t a, uint32_t b) {
      const int dr = redOf(a) - redOf(b), dg = greenOf(a) - greenOf(b), db = blueOf(a) - blueOf(b);
      return dr * dr + dg * dg + db * db;
    };
    for (uint32_t i = 0; i < 256; ++i)
      EXPECT_LE(d2(want, got), d2(want, paletteColor(dst.surface(), i)));
  }
  // Black and white from the seeds and 239 appended: 241 grid colours are exact.
  EXPECT_EQ(exact, 241);
}

TEST(DecolorGridTest, SixteenEntryTableIsNeverOverrun) {
  // 2.3 levels: d = 110.87, s = 196: 0, 120 and 255 become 0, 196 and 255, 27 colours for a
  // 16-entry table. Black and white seeds plus 14 appended are exact; the other 11 take the
  // nearest of the 16.
  const int levels[3] = {0, 120, 255}, quantised[3] = {0, 196, 255};
  TestImage src(27, 1, 24), dst(27, 1, 4);
  for (int i = 0; i < 27; ++i)
    src.set(i, 0, packColor(levels[i % 3], levels[i / 3 % 3], levels[i / 9]));
  ASSERT_EQ(decolor(kDecolorGrid, src.surface(), dst.surface(), nullptr, nullptr), kOk);
  auto d2 = [](uint32_t a, uint32_t b) {
    const int dr = redOf(a) - redOf(b), dg = greenOf(a) - greenOf(b), db = blueOf(a) - blueOf(b);
    return dr * dr + dg * dg + db * db;
  };
  int exact = 0;
  for (int i = 0; i < 27; ++i) {
    const uint32_t want = packColor(quantised[i % 3], quantised[i / 3 % 3], quantised[i / 9]);
    const uint32_t got = entryOf(dst, i, 0);
    exact += want == got;
    for (uint32_t e = 0; e < 16; ++e)
      EXPECT_LE(d2(want, got), d2(want, paletteColor(dst.surface(), e))) << i;
  }
  EXPECT_EQ(exact, 16);
}

TEST(DecolorGridTest, GreyModeQuantisesLuminance) {
  // D = 4: d = 17, s = 18; luminance of (255, 0, 0) is 76 -> trunc(4.47) * 18 = 72.
  TestImage src(2, 1, 24), dst(2, 1, 4);
  src.set(0, 0, packColor(255, 0, 0));
  src.set(1, 0, 0xFFFFFF);
  ASSERT_EQ(decolor(kDecolorGrid | kDecolorGrey, src.surface(), dst.surface(), nullptr, nullptr),
            kOk);
  EXPECT_EQ(entryOf(dst, 0, 0), grey(72));
  EXPECT_EQ(paletteColor(dst.surface(), 1), grey(72)); // no white seed in grey mode
  EXPECT_EQ(redOf(entryOf(dst, 1, 0)) >= 252, true);   // 254 or 255 -> 14 * 18 or 255
  // D = 8 keeps the luminance itself.
  TestImage dst8(2, 1, 8);
  ASSERT_EQ(decolor(kDecolorGrid | kDecolorGrey, src.surface(), dst8.surface(), nullptr, nullptr),
            kOk);
  EXPECT_EQ(entryOf(dst8, 0, 0), grey(76));
}

TEST(DecolorGridTest, EightBitGridsSeedTheirTables) {
  TestImage src(1, 1, 24), dst(1, 1, 8);
  ASSERT_EQ(decolor(kDecolorGrid | kDecolorGrid3, src.surface(), dst.surface(), nullptr, nullptr),
            kOk);
  EXPECT_EQ(paletteColor(dst.surface(), 1), 0x808080u);
  EXPECT_EQ(paletteColor(dst.surface(), 2), 0xFFFFFFu);
  // 4 red levels: d = 63.75, s = 85.
  src.set(0, 0, packColor(200, 0, 0));
  ASSERT_EQ(decolor(kDecolorGrid | kDecolorGrid2, src.surface(), dst.surface(), nullptr, nullptr),
            kOk);
  EXPECT_EQ(entryOf(dst, 0, 0), packColor(255, 0, 0)); // trunc(3.14) * 85 = 255
  EXPECT_EQ(readIndex(dst.surface(), 0, 0), 1u);       // right after black
}

// Palette and 16-bit sources reach the grid as 0..255 channel values like 24-bit ones, so the
// grid divides the same 0..255 range for them.
TEST(DecolorGridTest, PaletteSourceUsesTheFullChannelRange) {
  // 2.3 levels: d = 255 / 2.3 = 110.87, s = trunc(255 / 1.3) = 196. 100 -> 0; 128 -> 196;
  // 240 -> 2 * 196 held at 255; (60, 130, 250) -> (0, 196, 255).
  TestImage src(4, 1, 8), dst(4, 1, 4);
  const uint32_t colours[4] = {grey(100), grey(128), grey(240), packColor(60, 130, 250)};
  for (int i = 0; i < 4; ++i) {
    src.setEntry(i, colours[i]);
    writeIndex(src.surface(), i, 0, static_cast<uint32_t>(i));
  }
  ASSERT_EQ(decolor(kDecolorGrid, src.surface(), dst.surface(), nullptr, nullptr), kOk);
  EXPECT_EQ(entryOf(dst, 0, 0), 0u);
  EXPECT_EQ(entryOf(dst, 1, 0), grey(196)) << "a mid-grey stays a mid-grey";
  EXPECT_EQ(entryOf(dst, 2, 0), 0xFFFFFFu);
  EXPECT_EQ(entryOf(dst, 3, 0), packColor(0, 196, 255));
  // Grey mode, 15 levels: d = 17, s = 18. Luminances: red 76 -> 4 * 18 = 72, green 149 -> 144,
  // blue 29 -> 18, cyan 178 -> 180.
  const uint32_t vivid[4] = {packColor(255, 0, 0), packColor(0, 255, 0), packColor(0, 0, 255),
                             packColor(0, 255, 255)};
  for (int i = 0; i < 4; ++i)
    src.setEntry(i, vivid[i]);
  ASSERT_EQ(decolor(kDecolorGrid | kDecolorGrey, src.surface(), dst.surface(), nullptr, nullptr),
            kOk);
  EXPECT_EQ(entryOf(dst, 0, 0), grey(72));
  EXPECT_EQ(entryOf(dst, 1, 0), grey(144));
  EXPECT_EQ(entryOf(dst, 2, 0), grey(18));
  EXPECT_EQ(entryOf(dst, 3, 0), grey(180));
}

TEST(DecolorGridTest, GreyRampFromAPaletteFitsSixteenEntries) {
  // Every grey 0..255 lands on one of 0, 18, .. 252, 255: at most 16 levels, all exact, rising.
  TestImage src(256, 1, 8), dst(256, 1, 4);
  for (int i = 0; i < 256; ++i) {
    src.setEntry(i, grey(i));
    writeIndex(src.surface(), i, 0, static_cast<uint32_t>(i));
  }
  ASSERT_EQ(decolor(kDecolorGrid | kDecolorGrey, src.surface(), dst.surface(), nullptr, nullptr),
            kOk);
  std::set<uint32_t> levels;
  int previous = -1;
  for (int i = 0; i < 256; ++i) {
    const int g = redOf(entryOf(dst, i, 0));
    EXPECT_TRUE(g % 18 == 0 || g == 255) << i << " -> " << g;
    EXPECT_GE(g, previous) << i;
    EXPECT_NEAR(g, i, 17) << i; // trunc(v / 17) * 18 stays within 17 of v
    previous = g;
    levels.insert(static_cast<uint32_t>(g));
  }
  EXPECT_GE(levels.size(), 15u);
}

TEST(DecolorGridTest, SixteenBitSourceUsesTheFullChannelRange) {
  // 5-5-5 fields of 16 read as round(16 * 255 / 31) = 132 in every channel.
  TestImage src(1, 1, 16), dst(1, 1, 8), dst4(1, 1, 4);
  src.memory()[0] = 0x10; // 16 << 10 | 16 << 5 | 16 = 0x4210, little-endian
  src.memory()[1] = 0x42;
  ASSERT_EQ(src.get(0, 0), grey(132));
  // Red 4 levels: d = 63.75, s = 85: 132 -> 2 * 85 = 170. Green and blue 8 levels:
  // d = 31.875, s = trunc(36.43) = 36: 132 -> 4 * 36 = 144.
  ASSERT_EQ(decolor(kDecolorGrid | kDecolorGrid2, src.surface(), dst.surface(), nullptr, nullptr),
            kOk);
  EXPECT_EQ(entryOf(dst, 0, 0), packColor(170, 144, 144));
  // 2.3 levels into 16 colours: 132 -> 196.
  ASSERT_EQ(decolor(kDecolorGrid, src.surface(), dst4.surface(), nullptr, nullptr), kOk);
  EXPECT_EQ(entryOf(dst4, 0, 0), grey(196));
}

TEST(DecolorMedianCutTest, TwoColoursGiveTwoExactEntriesAndBlackRest) {
  // Masked to 5 bits: (200, 100, 50) -> (200, 96, 48), (30, 60, 90) -> (24, 56, 88). Red has
  // the widest range, so the box is cut in red order: the darker red is entry 0.
  TestImage src(9, 7, 24), dst(9, 7, 4);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      src.set(x, y, (x * y) % 4 == 1 ? packColor(200, 100, 50) : packColor(30, 60, 90));
  ASSERT_EQ(decolor(kDecolorMedianCut, src.surface(), dst.surface(), nullptr, nullptr), kOk);
  EXPECT_EQ(paletteColor(dst.surface(), 0), packColor(24, 56, 88));
  EXPECT_EQ(paletteColor(dst.surface(), 1), packColor(200, 96, 48));
  for (uint32_t i = 2; i < 16; ++i)
    EXPECT_EQ(paletteColor(dst.surface(), i), 0u);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(readIndex(dst.surface(), x, y), (x * y) % 4 == 1 ? 1u : 0u);
}

TEST(DecolorMedianCutTest, SearchesAlternateAndStopAtTheFirstCloseEntry) {
  // The census (columns' rows x & 1, 3, ...) sees only A = 80 and B = 84, so entry 0 is A and
  // entry 1 is B. C = 81 is 3 from A and 27 from B: an upward search takes A, a downward one
  // stops at B (closer than 64). Searches alternate, starting upward; a repeated colour
  // reuses the last answer. Order: A(up) C(down) C A(up) B(down) C(up) C B(down).
  TestImage src(4, 2, 8), dst(4, 2, 4);
  src.setEntry(0, grey(80));
  src.setEntry(1, grey(84));
  src.setEntry(2, grey(81));
  const uint32_t index[4][2] = {{0, 2}, {2, 0}, {1, 2}, {2, 1}};
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 2; ++y)
      writeIndex(src.surface(), x, y, index[x][y]);
  ASSERT_EQ(decolor(kDecolorMedianCut, src.surface(), dst.surface(), nullptr, nullptr), kOk);
  EXPECT_EQ(paletteColor(dst.surface(), 0), grey(80));
  EXPECT_EQ(paletteColor(dst.surface(), 1), grey(84));
  const uint32_t expected[4][2] = {{0, 1}, {1, 0}, {1, 0}, {0, 1}};
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 2; ++y)
      EXPECT_EQ(readIndex(dst.surface(), x, y), expected[x][y]) << x << "," << y;
}

TEST(DecolorMedianCutTest, OptionKeepsSixBitsOfOneChannel) {
  TestImage src(1, 1, 24), dst(1, 1, 8);
  src.set(0, 0, packColor(55, 55, 55)); // & 0xF8 = 48, & 0xFC = 52
  ASSERT_EQ(decolor(kDecolorMedianCut | 0x10000, src.surface(), dst.surface(), nullptr, nullptr),
            kOk);
  EXPECT_EQ(paletteColor(dst.surface(), 0), packColor(48, 48, 52));
  ASSERT_EQ(decolor(kDecolorMedianCut | 0x30000, src.surface(), dst.surface(), nullptr, nullptr),
            kOk);
  EXPECT_EQ(paletteColor(dst.surface(), 0), packColor(52, 48, 48));
}

TEST(DecolorMedianCutTest, MoreColoursThanEntriesFillEveryEntry) {
  // 20 greys 12 apart in a 4-bit destination: 16 boxes, all used, each pixel within one
  // merged pair of its own grey.
  TestImage src(20, 2, 8), dst(20, 2, 4);
  for (int i = 0; i < 20; ++i)
    src.setEntry(i, grey(i * 12));
  for (int x = 0; x < 20; ++x)
    for (int y = 0; y < 2; ++y)
      writeIndex(src.surface(), x, y, static_cast<uint32_t>(x));
  ASSERT_EQ(decolor(kDecolorMedianCut, src.surface(), dst.surface(), nullptr, nullptr), kOk);
  EXPECT_EQ(usedIndices(dst).size(), 16u);
  for (int x = 0; x < 20; ++x) {
    const int got = redOf(entryOf(dst, x, 0));
    EXPECT_LE(std::abs(got - x * 12), 12) << x;
  }
}

TEST(DecolorExpandTest, PalettesBecomeTrueColourOrALargerPalette) {
  TestImage src(3, 2, 4);
  src.setEntry(3, packColor(1, 2, 3));
  src.setEntry(9, packColor(250, 128, 7));
  for (int x = 0; x < 3; ++x) {
    writeIndex(src.surface(), x, 0, 3);
    writeIndex(src.surface(), x, 1, 9);
  }
  TestImage rgb(3, 2, 24);
  ASSERT_EQ(decolor(kDecolorExpand, src.surface(), rgb.surface(), nullptr, nullptr), kOk);
  EXPECT_TRUE(rgb.samePixels(src));
  TestImage wider(3, 2, 8);
  ASSERT_EQ(decolor(kDecolorExpand, src.surface(), wider.surface(), nullptr, nullptr), kOk);
  EXPECT_TRUE(wider.samePixels(src));
  EXPECT_EQ(readIndex(wider.surface(), 2, 1), 9u);
  EXPECT_EQ(paletteColor(wider.surface(), 16), 0u);
}

TEST(DecolorProgressTest, OneUnitPerDestinationPixel) {
  // What the callback saw: 6 pixels, step 3, every method through the caller's record.
  const std::vector<test::ProgressCall> expected = {
      {10, 6, 0, 7}, {10, 6, 3, 7}, {10, 6, 6, 7}, {10, 6, 6, 7}};
  for (uint32_t method : {kDecolorBlackWhite | 100, kDecolorGrid, kDecolorMedianCut}) {
    test::ProgressLog log(7);
    ProgressMeter meter(log.hook(), kProgressDecolor);
    TestImage src(2, 3, 24), dst(2, 3, method == kDecolorBlackWhite + 100 ? 1 : 4);
    ASSERT_EQ(decolor(method, src.surface(), dst.surface(), &meter, nullptr), kOk);
    EXPECT_EQ(log.calls(), expected) << std::hex << method;
  }
  test::ProgressLog log(7);
  ProgressMeter meter(log.hook(), kProgressDecolor);
  TestImage palette(2, 3, 8), wide(2, 3, 24);
  ASSERT_EQ(decolor(kDecolorExpand, palette.surface(), wide.surface(), &meter, nullptr), kOk);
  EXPECT_EQ(log.calls(), expected);
}

TEST(DecolorRobustnessTest, EveryMethodDepthAndOddSize) {
  const int sizes[][2] = {{1, 1}, {1, 6}, {6, 1}, {5, 3}, {3, 7}};
  const int depths[] = {1, 4, 8, 16, 24, 32};
  const uint32_t methods[] = {kDecolorExpand,
                              kDecolorGrid,
                              kDecolorGrid | kDecolorGrey,
                              kDecolorGrid | kDecolorGrid2,
                              kDecolorGrid | kDecolorGrid3 | 0x20000,
                              kDecolorMedianCut,
                              kDecolorMedianCut | 0x20000,
                              kDecolorBlackWhite,
                              kDecolorBlackWhite | kDecolorPattern | 77};
  for (const auto &size : sizes) {
    for (int s : depths) {
      for (int d : depths) {
        for (uint32_t method : methods) {
          TestImage src(size[0], size[1], s), dst(size[0], size[1], d);
          for (int y = 0; y < size[1]; ++y)
            for (int x = 0; x < size[0]; ++x) {
              if (s <= 8) {
                writeIndex(src.surface(), x, y, static_cast<uint32_t>(x * 7 + y));
              } else {
                src.set(x, y, packColor(x * 40, y * 30, (x + y) * 20));
              }
            }
          if (s <= 8)
            for (int i = 0; i < (1 << s); ++i)
              src.setEntry(i, packColor(i * 16, 255 - i, i * 3));
          const int32_t expected = checkDecolor(method, src.surface(), dst.surface());
          ASSERT_EQ(decolor(method, src.surface(), dst.surface(), nullptr, nullptr), expected)
              << std::hex << method << std::dec << " " << s << " -> " << d;
          if (expected == kOk && d <= 8) {
            EXPECT_LE(*usedIndices(dst).rbegin(), (1u << d) - 1);
          }
        }
      }
    }
  }
}

// Black and white as one readColor / writeIndex per pixel, column by column.
void referenceBlackWhite(uint32_t flags, const Surface &src, Surface &dst) {
  const uint32_t option = flags & kDecolorOptionMask;
  auto value = [&](uint32_t c) {
    switch (option) {
    case 0x30000:
      return static_cast<int32_t>(blueOf(c));
    case 0x20000:
      return static_cast<int32_t>(greenOf(c));
    case 0x10000:
      return static_cast<int32_t>(redOf(c));
    default:
      return luminanceCode(redOf(c), greenOf(c), blueOf(c));
    }
  };
  int32_t threshold = static_cast<int32_t>(flags & kDecolorThresholdMask);
  if (threshold == 0) {
    uint64_t histogram[256] = {};
    for (int32_t x = 0; x < src.width; ++x)
      for (int32_t y = 0; y < src.height; ++y)
        ++histogram[value(readColor(src, x, y)) & 0xFF];
    threshold = automaticThreshold(histogram);
  }
  int32_t phase = 0;
  for (int32_t x = 0; x < src.width; ++x) {
    for (int32_t y = 0; y < src.height; ++y) {
      uint32_t bit = value(readColor(src, x, y)) >= threshold ? 1 : 0;
      if ((flags & kDecolorPattern) && x % 9 == 0 && (phase + y) % 9 == 0)
        bit ^= 1;
      writeIndex(dst, x, y, bit);
    }
    phase = (phase + 1) % 4;
  }
}

TEST(DecolorTest, BlackWhiteRowPassesMatchThePerPixelReference) {
  const struct {
    int32_t width, height, depth;
    uint32_t colours;
  } cases[] = {{97, 61, 24, 0}, {45, 38, 24, 12}, {37, 29, 16, 0}, {33, 27, 8, 0},
               {19, 23, 4, 0},  {41, 9, 1, 0},    {8, 1, 24, 0}};
  const uint32_t options[] = {0, 0x10000, 0x20000, 0x30000};
  const uint32_t thresholds[] = {0, 1, 100, 255};
  uint32_t seed = 300;
  for (const auto &c : cases) {
    for (const uint32_t option : options) {
      for (const uint32_t threshold : thresholds) {
        for (const uint32_t pattern : {0u, kDecolorPattern}) {
          const uint32_t flags = kDecolorBlackWhite | option | threshold | pattern;
          TestImage src(c.width, c.height, c.depth);
          test::scramble(src, seed, c.colours);
          TestImage dst(c.width, c.height, 1), expected(c.width, c.height, 1);
          // Bits past the last pixel of a row must survive.
          test::scramble(dst, seed + 1);
          expected.memory() = dst.memory();
          ++seed;
          referenceBlackWhite(flags, src.surface(), expected.surface());
          ASSERT_EQ(decolor(flags, src.surface(), dst.surface(), nullptr, nullptr), kOk);
          EXPECT_EQ(dst.memory(), expected.memory())
              << c.width << "x" << c.height << "x" << c.depth << " flags " << std::hex << flags;
        }
      }
    }
  }
}

} // namespace
} // namespace vop
