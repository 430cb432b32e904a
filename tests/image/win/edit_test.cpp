// The editing exports of vopimg.dll through the DLL: argument checks, the region rule, palette
// images changed through their colour table, depth refusals and the progress protocol. The
// pixel arithmetic itself is the core's and tested there.
#include <windows.h>

#include "include/vopimg.h"
#include "tests/image/win/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>

namespace {

using voptest::Image;
using voptest::makeFlat;
using voptest::makeImage;
using voptest::pixelsOf;
using voptest::ProgressLog;
using voptest::rgb;
using voptest::sizeOf;

// Grey within the one unit by which the conversion back from luminance and chroma may part
// the channels (its three luminance factors differ slightly).
bool isGrey(uint32_t c) {
  const uint32_t r = voptest::redOf(c), g = voptest::greenOf(c), b = voptest::blueOf(c);
  return std::max({r, g, b}) - std::min({r, g, b}) <= 1;
}

// The protocol every pass keeps: the operation's code and the caller's value in every call,
// a first call with done 0, a last with done equal to the total, done never going back.
void expectProtocol(const ProgressLog &log, uint32_t operation, uint32_t total) {
  const auto &calls = log.calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.front().done, 0u);
  EXPECT_EQ(calls.back().done, total);
  uint32_t done = 0;
  for (const VOP_PROGRESS_RECORD &r : calls) {
    EXPECT_EQ(r.operation, operation);
    EXPECT_EQ(r.userValue, ProgressLog::kUserValue);
    EXPECT_EQ(r.total, total);
    EXPECT_GE(r.done, done);
    done = r.done;
  }
}

// A 6 x 5 true-colour picture whose every pixel differs, so that a changed pixel shows.
VOP_IMAGE makeGradient(int bitsPerPixel = 24) {
  return makeImage(6, 5, bitsPerPixel,
                   [](int x, int y) { return rgb(40 + 30 * x, 60 + 25 * y, 90 + 5 * x + 7 * y); });
}

// A palette picture: index x % 2 on entries 0 and 1, every other entry black.
VOP_IMAGE makeTwoEntryImage(int bitsPerPixel, uint32_t first, uint32_t second) {
  return makeImage(4, 4, bitsPerPixel, [](int x, int) { return static_cast<uint32_t>(x % 2); },
                   {first, second});
}

bool sameRegion(const VOP_REGION &r, int32_t left, int32_t right, int32_t top, int32_t bottom) {
  return r.left == left && r.right == right && r.top == top && r.bottom == bottom;
}

// ---- vopAdjustGamma and vopAdjustGamma2 -------------------------------------------------

TEST(AdjustGamma, RefusesNullArgumentsAndGammasOutsideTheRange) {
  Image image(makeGradient());
  ASSERT_NE(image.get(), nullptr);
  const auto before = pixelsOf(image);
  VOP_GAMMA_PARAMS p{2.0, 0, {0, 6, 0, 5}};
  EXPECT_EQ(vopAdjustGamma(nullptr, 0, nullptr, image, nullptr), -1);
  EXPECT_EQ(vopAdjustGamma(nullptr, 0, &p, nullptr, nullptr), -1);
  for (double g : {5.0101, 0.0099, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
    p.gamma = g;
    EXPECT_EQ(vopAdjustGamma(nullptr, 0, &p, image, nullptr), -1) << g;
  }
  EXPECT_EQ(pixelsOf(image), before);
}

TEST(AdjustGamma, AGammaNearOneReturnsAtOnceAndTouchesNothing) {
  Image image(makeGradient());
  const auto before = pixelsOf(image);
  // Even a region the image could not take is not looked at.
  VOP_GAMMA_PARAMS p{1.005, 0, {9, 0, 9, 0}};
  ProgressLog log;
  EXPECT_EQ(vopAdjustGamma(nullptr, 0, &p, image, log.hook()), 0);
  EXPECT_TRUE(log.calls().empty());
  EXPECT_TRUE(sameRegion(p.region, 9, 0, 9, 0));
  EXPECT_EQ(pixelsOf(image), before);
}

TEST(AdjustGamma, ChangesTheChosenChannelInsideTheRegionAndWritesTheRegionBackInOrder) {
  Image image(makeGradient());
  const auto before = pixelsOf(image);
  VOP_GAMMA_PARAMS p{2.0, VOP_CHANNEL_RED, {4, 1, 4, 1}};
  ProgressLog log;
  ASSERT_EQ(vopAdjustGamma(nullptr, 0, &p, image, log.hook()), 0);
  EXPECT_TRUE(sameRegion(p.region, 1, 4, 1, 4));
  const auto after = pixelsOf(image);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      const uint32_t was = before[y * 6 + x], now = after[y * 6 + x];
      if (x >= 1 && x < 4 && y >= 1 && y < 4) {
        EXPECT_NE(voptest::redOf(now), voptest::redOf(was)) << x << "," << y;
        EXPECT_EQ(now & 0xFFFF00, was & 0xFFFF00) << "green and blue stay at " << x << "," << y;
      } else {
        EXPECT_EQ(now, was) << "outside the region at " << x << "," << y;
      }
    }
  }
  expectProtocol(log, 2, 9);
}

TEST(AdjustGamma, RefusesRegionsBeyondTheImageOrEmptyAndChangesNothing) {
  Image image(makeGradient());
  const auto before = pixelsOf(image);
  const VOP_REGION bad[] = {{0, 7, 0, 5}, {0, 6, 0, 6}, {-1, 3, 0, 2}, {2, 2, 0, 5}, {0, 6, 3, 3}};
  for (const VOP_REGION &r : bad) {
    VOP_GAMMA_PARAMS p{2.0, 0, r};
    EXPECT_EQ(vopAdjustGamma(nullptr, 0, &p, image, nullptr), -1)
        << r.left << " " << r.right << " " << r.top << " " << r.bottom;
  }
  EXPECT_EQ(pixelsOf(image), before);
}

TEST(AdjustGamma, PaletteImagesChangeWholeThroughTheirColourTable) {
  for (int depth : {1, 4, 8}) {
    Image image(makeTwoEntryImage(depth, rgb(60, 60, 60), rgb(200, 120, 40)));
    ASSERT_NE(image.get(), nullptr) << depth;
    ASSERT_EQ(sizeOf(image).bitsPerPixel, depth);
    const uint32_t first = vopGetColor(image, 0, 0), second = vopGetColor(image, 1, 0);
    ASSERT_EQ(first, rgb(60, 60, 60)) << depth;
    ASSERT_EQ(second, rgb(200, 120, 40)) << depth;
    // One pixel in the corner, yet every pixel changes, each by its entry.
    VOP_GAMMA_PARAMS p{2.0, 0, {0, 1, 0, 1}};
    ProgressLog log;
    ASSERT_EQ(vopAdjustGamma(nullptr, 0, &p, image, log.hook()), 0) << depth;
    const uint32_t newFirst = vopGetColor(image, 2, 3), newSecond = vopGetColor(image, 3, 3);
    EXPECT_NE(newFirst, first) << depth;
    EXPECT_NE(newSecond, second) << depth;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(vopGetColor(image, x, y), x % 2 == 0 ? newFirst : newSecond)
            << depth << ": " << x << "," << y;
    // A palette pass counts entries: 2, 16 or 256.
    expectProtocol(log, 2, 1u << depth);
  }
}

TEST(AdjustGamma2, AppliesTheCallersTableAsItIsWithoutANoOpShortcut) {
  Image image(makeFlat(3, 3, rgb(10, 20, 30)));
  VOP_TONE_CURVE_PARAMS p{};
  for (int i = 0; i < 256; ++i)
    p.table[i] = static_cast<uint8_t>(255 - i);
  p.channels = VOP_CHANNEL_GREEN;
  p.region = {0, 3, 0, 3};
  ProgressLog log;
  ASSERT_EQ(vopAdjustGamma2(nullptr, 0, &p, image, log.hook()), 0);
  EXPECT_EQ(vopGetColor(image, 2, 2), rgb(10, 255 - 20, 30));
  expectProtocol(log, 12, 9);

  // An identity table still runs the pass (gamma 2 has no value checks).
  for (int i = 0; i < 256; ++i)
    p.table[i] = static_cast<uint8_t>(i);
  ProgressLog again;
  ASSERT_EQ(vopAdjustGamma2(nullptr, 0, &p, image, again.hook()), 0);
  EXPECT_EQ(vopGetColor(image, 2, 2), rgb(10, 255 - 20, 30));
  expectProtocol(again, 12, 9);

  EXPECT_EQ(vopAdjustGamma2(nullptr, 0, nullptr, image, nullptr), -1);
  EXPECT_EQ(vopAdjustGamma2(nullptr, 0, &p, nullptr, nullptr), -1);
}

TEST(AdjustGamma2, RegionAtTheRecordsEndIsReadAndWrittenBack) {
  Image image(makeFlat(4, 2, rgb(10, 20, 30)));
  VOP_TONE_CURVE_PARAMS p{};
  for (int i = 0; i < 256; ++i)
    p.table[i] = static_cast<uint8_t>(255 - i);
  p.channels = VOP_CHANNEL_RED;
  p.region = {4, 2, 2, 0};
  ASSERT_EQ(vopAdjustGamma2(nullptr, 0, &p, image, nullptr), 0);
  EXPECT_TRUE(sameRegion(p.region, 2, 4, 0, 2));
  EXPECT_EQ(vopGetColor(image, 1, 1), rgb(10, 20, 30));
  EXPECT_EQ(vopGetColor(image, 2, 1), rgb(245, 20, 30));
}

// ---- vopAdjustContrast ------------------------------------------------------------------

TEST(AdjustContrast, AmountZeroDoesNothingAndAmountsBeyond101AreRefused) {
  Image image(makeGradient());
  const auto before = pixelsOf(image);
  VOP_CONTRAST_PARAMS p{0, 0, {0, 6, 0, 5}};
  ProgressLog log;
  EXPECT_EQ(vopAdjustContrast(nullptr, VOP_CONTRAST_AMOUNT, &p, image, log.hook()), 0);
  EXPECT_TRUE(log.calls().empty());
  for (int32_t amount : {102, -102}) {
    p.amount = amount;
    EXPECT_EQ(vopAdjustContrast(nullptr, VOP_CONTRAST_AMOUNT, &p, image, nullptr), -1) << amount;
  }
  EXPECT_EQ(vopAdjustContrast(nullptr, 0, nullptr, image, nullptr), -1);
  EXPECT_EQ(vopAdjustContrast(nullptr, 0, &p, nullptr, nullptr), -1);
  p.amount = 101;
  p.region = {0, 7, 0, 5};
  EXPECT_EQ(vopAdjustContrast(nullptr, VOP_CONTRAST_AMOUNT, &p, image, nullptr), -1);
  EXPECT_EQ(pixelsOf(image), before);
}

TEST(AdjustContrast, StretchesInsideTheRegionOnlyAndWritesItBack) {
  Image image(makeGradient());
  const auto before = pixelsOf(image);
  VOP_CONTRAST_PARAMS p{30, 0, {3, 0, 5, 0}};
  ProgressLog log;
  ASSERT_EQ(vopAdjustContrast(nullptr, VOP_CONTRAST_AMOUNT, &p, image, log.hook()), 0);
  EXPECT_TRUE(sameRegion(p.region, 0, 3, 0, 5));
  const auto after = pixelsOf(image);
  int changed = 0;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      if (x < 3)
        changed += after[y * 6 + x] != before[y * 6 + x];
      else
        EXPECT_EQ(after[y * 6 + x], before[y * 6 + x]) << x << "," << y;
    }
  EXPECT_GT(changed, 0);
  // Half sample of 15 pixels (7) and then the 15 pixels of the region.
  expectProtocol(log, 1, 7 + 15);
}

TEST(AdjustContrast, WholeImageModeRefusesPaletteImagesAsWrongDepth) {
  Image image(makeTwoEntryImage(8, rgb(60, 60, 60), rgb(200, 120, 40)));
  const auto before = pixelsOf(image);
  VOP_CONTRAST_PARAMS p{0, 0, {0, 4, 0, 4}};
  EXPECT_EQ(vopAdjustContrast(nullptr, VOP_CONTRAST_WHOLE_IMAGE, &p, image, nullptr), -553);
  EXPECT_EQ(pixelsOf(image), before);
  // The other modes stretch a palette through its table, the whole image at once.
  p.region = {0, 1, 0, 1};
  ASSERT_EQ(vopAdjustContrast(nullptr, VOP_CONTRAST_AUTO, &p, image, nullptr), 0);
  EXPECT_NE(vopGetColor(image, 3, 3), before[3 * 4 + 3]);
  EXPECT_EQ(vopGetColor(image, 3, 3), vopGetColor(image, 1, 0)) << "one entry, one colour";
}

TEST(AdjustContrast, WholeImageModeChangesPixelsOutsideTheMeasuredRegion) {
  Image image(makeGradient());
  const auto before = pixelsOf(image);
  VOP_CONTRAST_PARAMS p{0, 0, {0, 2, 0, 2}};
  ProgressLog log;
  ASSERT_EQ(vopAdjustContrast(nullptr, VOP_CONTRAST_WHOLE_IMAGE, &p, image, log.hook()), 0);
  EXPECT_NE(vopGetColor(image, 5, 4), before[4 * 6 + 5]);
  expectProtocol(log, 1, 2 + 30);
}

// ---- vopAdjustQuality and vopAdjustQuality2 ----------------------------------------------

TEST(AdjustQuality, RefusesValuesOutOfRangeAndTheSparingModeWithoutAColour) {
  Image image(makeGradient());
  const auto before = pixelsOf(image);
  const VOP_QUALITY_PARAMS bad[] = {{182, 0, 0, {0, 6, 0, 5}},
                                    {-182, 0, 0, {0, 6, 0, 5}},
                                    {0, 102, 0, {0, 6, 0, 5}},
                                    {0, 0, -102, {0, 6, 0, 5}},
                                    {0, 10, 0, {0, 6, 0, 9}}};
  for (VOP_QUALITY_PARAMS p : bad)
    EXPECT_EQ(vopAdjustQuality(nullptr, 0, &p, image, nullptr), -1)
        << p.hue << " " << p.brightness << " " << p.saturation;
  VOP_QUALITY_PARAMS fine{181, 101, -101, {0, 6, 0, 5}};
  EXPECT_EQ(vopAdjustQuality(nullptr, VOP_QUALITY_SPARE, &fine, image, nullptr), -1)
      << "mode 1 needs the second record";
  EXPECT_EQ(vopAdjustQuality(nullptr, 0, nullptr, image, nullptr), -1);
  EXPECT_EQ(vopAdjustQuality(nullptr, 0, &fine, nullptr, nullptr), -1);
  EXPECT_EQ(pixelsOf(image), before);
  EXPECT_EQ(vopAdjustQuality(nullptr, 0, &fine, image, nullptr), 0);
  EXPECT_NE(pixelsOf(image), before);
}

TEST(AdjustQuality, LeavesTheCallersRecordAsGivenAndChangesOnlyTheRegion) {
  Image image(makeGradient());
  const auto before = pixelsOf(image);
  VOP_QUALITY_PARAMS p{0, 0, -100, {6, 3, 5, 0}};
  const VOP_QUALITY_PARAMS copy = p;
  ProgressLog log;
  ASSERT_EQ(vopAdjustQuality(nullptr, 0, &p, image, log.hook()), 0);
  EXPECT_EQ(std::memcmp(&p, &copy, sizeof p), 0);
  const auto after = pixelsOf(image);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      if (x >= 3)
        EXPECT_TRUE(isGrey(after[y * 6 + x])) << "saturation -100 leaves grey at " << x << "," << y;
      else
        EXPECT_EQ(after[y * 6 + x], before[y * 6 + x]) << x << "," << y;
    }
  expectProtocol(log, 3, 15);
}

TEST(AdjustQuality, PaletteImagesChangeThroughTheirColourTable) {
  Image image(makeTwoEntryImage(4, rgb(60, 60, 60), rgb(200, 120, 40)));
  VOP_QUALITY_PARAMS p{0, 0, -100, {0, 1, 0, 1}};
  ProgressLog log;
  ASSERT_EQ(vopAdjustQuality(nullptr, 0, &p, image, log.hook()), 0);
  EXPECT_TRUE(isGrey(vopGetColor(image, 3, 3)));
  EXPECT_EQ(vopGetColor(image, 3, 3), vopGetColor(image, 1, 0));
  expectProtocol(log, 3, 16);
}

// Left half a red, right half a blue; the sparing keeps the red.
VOP_IMAGE makeRedBlue() {
  return makeImage(4, 2, 24,
                   [](int x, int) { return x < 2 ? rgb(200, 50, 50) : rgb(50, 50, 200); });
}

TEST(AdjustQuality2, SparesExactlyTheKeepColourAtDistanceOne) {
  Image image(makeRedBlue());
  VOP_QUALITY_PARAMS2 p{0, 0, -100, {0, 4, 0, 2}, rgb(200, 50, 50), 1};
  ProgressLog log;
  ASSERT_EQ(vopAdjustQuality2(nullptr, 0, &p, image, log.hook()), 0);
  EXPECT_EQ(vopGetColor(image, 0, 0), rgb(200, 50, 50));
  EXPECT_EQ(vopGetColor(image, 1, 1), rgb(200, 50, 50));
  EXPECT_TRUE(isGrey(vopGetColor(image, 3, 1)));
  expectProtocol(log, 3, 8);
}

TEST(AdjustQuality2, SparesNothingAtDistanceZeroOrInAnotherMode) {
  for (uint32_t flags : {0u, 2u}) {
    Image image(makeRedBlue());
    VOP_QUALITY_PARAMS2 p{0, 0, -100, {0, 4, 0, 2}, rgb(200, 50, 50), flags == 0 ? 0 : 1};
    ASSERT_EQ(vopAdjustQuality2(nullptr, flags, &p, image, nullptr), 0) << flags;
    EXPECT_TRUE(isGrey(vopGetColor(image, 0, 0))) << "flags " << flags;
  }
}

TEST(AdjustQuality2, RefusesKeepDistancesOutsideTheRange) {
  Image image(makeRedBlue());
  const auto before = pixelsOf(image);
  for (int32_t distance : {-1, 65537}) {
    VOP_QUALITY_PARAMS2 p{0, 0, -100, {0, 4, 0, 2}, rgb(200, 50, 50), distance};
    EXPECT_EQ(vopAdjustQuality2(nullptr, 0, &p, image, nullptr), -1) << distance;
  }
  EXPECT_EQ(vopAdjustQuality2(nullptr, 0, nullptr, image, nullptr), -1);
  EXPECT_EQ(pixelsOf(image), before);
  // 65,536 is accepted and spares nothing.
  VOP_QUALITY_PARAMS2 p{0, 0, -100, {0, 4, 0, 2}, rgb(200, 50, 50), 65536};
  ASSERT_EQ(vopAdjustQuality2(nullptr, 0, &p, image, nullptr), 0);
  EXPECT_TRUE(isGrey(vopGetColor(image, 0, 0)));
}

// ---- vopThroughFilter -------------------------------------------------------------------

TEST(ThroughFilter, RefusesPaletteImagesAsWrongDepthAndUnknownCodes) {
  Image palette(makeTwoEntryImage(8, rgb(60, 60, 60), rgb(200, 120, 40)));
  VOP_FILTER_PARAMS p{};
  p.region = {0, 4, 0, 4};
  EXPECT_EQ(vopThroughFilter(nullptr, 0, &p, palette, nullptr), -553);

  Image image(makeGradient());
  const auto before = pixelsOf(image);
  p.region = {0, 6, 0, 5};
  EXPECT_EQ(vopThroughFilter(nullptr, 2, &p, image, nullptr), -1) << "low 4 bits 2";
  EXPECT_EQ(vopThroughFilter(nullptr, VOP_FILTER_CUSTOM, &p, image, nullptr), -1) << "divisor 0";
  EXPECT_EQ(vopThroughFilter(nullptr, 0, nullptr, image, nullptr), -1);
  EXPECT_EQ(vopThroughFilter(nullptr, 0, &p, nullptr, nullptr), -1);
  p.region = {0, 6, 0, 6};
  EXPECT_EQ(vopThroughFilter(nullptr, 0, &p, image, nullptr), -1);
  EXPECT_EQ(pixelsOf(image), before);
}

TEST(ThroughFilter, AFlatRegionTurnsBlackOrWhiteWithInvertAndTheRegionComesBack) {
  for (int depth : {24, 32}) {
    for (uint32_t flags : {0u, static_cast<uint32_t>(VOP_FILTER_INVERT)}) {
      Image image(makeImage(6, 5, depth, [](int, int) { return rgb(90, 120, 150); }));
      ASSERT_EQ(sizeOf(image).bitsPerPixel, depth);
      VOP_FILTER_PARAMS p{};
      p.region = {5, 1, 4, 1};
      ProgressLog log;
      ASSERT_EQ(vopThroughFilter(nullptr, flags, &p, image, log.hook()), 0);
      EXPECT_TRUE(sameRegion(p.region, 1, 5, 1, 4));
      const uint32_t inside = flags == 0 ? rgb(0, 0, 0) : rgb(255, 255, 255);
      EXPECT_EQ(vopGetColor(image, 1, 1), inside);
      EXPECT_EQ(vopGetColor(image, 4, 3), inside);
      EXPECT_EQ(vopGetColor(image, 0, 0), rgb(90, 120, 150));
      EXPECT_EQ(vopGetColor(image, 5, 4), rgb(90, 120, 150));
      expectProtocol(log, 9, 12);
    }
  }
}

TEST(ThroughFilter, ACustomKernelIsReadFromTheWholeRecord) {
  Image image(makeFlat(3, 3, rgb(50, 60, 70)));
  VOP_FILTER_PARAMS p{};
  p.region = {0, 3, 0, 3};
  p.coefficients[2 * 5 + 2] = 3; // the centre: group 2, entry 2
  p.divisor = 2;
  p.bias = 10;
  ASSERT_EQ(vopThroughFilter(nullptr, VOP_FILTER_CUSTOM, &p, image, nullptr), 0);
  EXPECT_EQ(vopGetColor(image, 1, 1), rgb(50 * 3 / 2 + 10, 60 * 3 / 2 + 10, 70 * 3 / 2 + 10));
}

// ---- vopDecolor -------------------------------------------------------------------------

TEST(Decolor, RefusesNullHandlesOtherSizesAndDepthsOutsideTheMethodsRule) {
  Image source(makeGradient());
  Image bw(vopCreateImage(6, 5, 1, 0));
  Image narrow(vopCreateImage(5, 5, 1, 0));
  Image deep(vopCreateImage(6, 5, 24, 0));
  ASSERT_NE(bw.get(), nullptr);
  const auto sourceBefore = pixelsOf(source);
  ProgressLog log;
  EXPECT_EQ(vopDecolor(nullptr, VOP_DECOLOR_BLACK_WHITE | 128, nullptr, bw, log.hook()), -1);
  EXPECT_EQ(vopDecolor(nullptr, VOP_DECOLOR_BLACK_WHITE | 128, source, nullptr, log.hook()), -1);
  EXPECT_EQ(vopDecolor(nullptr, VOP_DECOLOR_BLACK_WHITE | 128, source, narrow, log.hook()), -1);
  EXPECT_EQ(vopDecolor(nullptr, VOP_DECOLOR_MEDIAN_CUT, source, deep, log.hook()), -1);
  EXPECT_EQ(vopDecolor(nullptr, VOP_DECOLOR_EXPAND, source, deep, log.hook()), -1) << "24 into 24";
  EXPECT_EQ(vopDecolor(nullptr, 0x500, source, bw, log.hook()), -1) << "no such method";
  EXPECT_TRUE(log.calls().empty());
  EXPECT_EQ(pixelsOf(source), sourceBefore);
  for (uint32_t c : pixelsOf(bw))
    EXPECT_EQ(c, 0u);
}

TEST(Decolor, BlackAndWhiteWritesTheIndicesAndTheTwoEntryTable) {
  // Grey levels 0, 32, ..., 224 across, the same in both rows.
  Image source(makeImage(8, 2, 24, [](int x, int) { return rgb(32 * x, 32 * x, 32 * x); }));
  Image bw(vopCreateImage(8, 2, 1, 0));
  const auto sourceBefore = pixelsOf(source);
  ProgressLog log;
  ASSERT_EQ(vopDecolor(nullptr, VOP_DECOLOR_BLACK_WHITE | 128, source, bw, log.hook()), 0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(vopGetColor(bw, x, y), 32 * x >= 128 ? 0xFFFFFFu : 0u) << x << "," << y;
  EXPECT_EQ(pixelsOf(source), sourceBefore) << "the source is only read";
  expectProtocol(log, 10, 16);
}

TEST(Decolor, ExpandingAPaletteGivesItsColoursInTrueColour) {
  Image source(makeImage(5, 3, 8, [](int x, int y) { return static_cast<uint32_t>((x + y) % 3); },
                         {rgb(250, 10, 10), rgb(10, 250, 10), rgb(10, 10, 250)}));
  Image deep(vopCreateImage(5, 3, 24, 0));
  ASSERT_EQ(vopDecolor(nullptr, VOP_DECOLOR_EXPAND, source, deep, nullptr), 0);
  EXPECT_EQ(pixelsOf(deep), pixelsOf(source));
}

TEST(Decolor, MedianCutOfTwoColoursFillsTheDestinationsTable) {
  // Colours on the 5-bit grid survive the census mask unchanged.
  const uint32_t a = rgb(200, 48, 16), b = rgb(8, 160, 240);
  Image source(makeImage(6, 4, 24, [&](int x, int) { return x < 3 ? a : b; }));
  Image four(vopCreateImage(6, 4, 4, 0));
  ASSERT_EQ(vopDecolor(nullptr, VOP_DECOLOR_MEDIAN_CUT, source, four, nullptr), 0);
  EXPECT_EQ(pixelsOf(four), pixelsOf(source));
}

// ---- vopRotate --------------------------------------------------------------------------

uint32_t rotateSample(int x, int y) { return rgb(20 + 40 * x, 30 + 60 * y, 100); }

TEST(Rotate, AQuarterTurnGivesTheSameHandleTheTurnedSize) {
  Image image(makeImage(6, 3, 24, rotateSample));
  VOP_ROTATE_PARAMS p{90};
  ProgressLog log;
  ASSERT_EQ(vopRotate(nullptr, VOP_COPY_NEAREST, &p, image, log.hook()), 0);
  const voptest::Size s = sizeOf(image);
  EXPECT_EQ(s.width, 3);
  EXPECT_EQ(s.height, 6);
  EXPECT_EQ(s.bitsPerPixel, 24);
  // Clockwise: the bottom-left pixel lands top-left, the top row becomes the right column.
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(vopGetColor(image, x, y), rotateSample(y, 2 - x)) << x << "," << y;
  expectProtocol(log, 10, 18);
}

TEST(Rotate, AngleZeroReturnsAtOnceAndNullArgumentsAreRefused) {
  Image image(makeImage(6, 3, 24, rotateSample));
  const auto before = pixelsOf(image);
  VOP_ROTATE_PARAMS p{0};
  ProgressLog log;
  EXPECT_EQ(vopRotate(nullptr, 0, &p, image, log.hook()), 0);
  EXPECT_TRUE(log.calls().empty());
  p.angle = 90;
  EXPECT_EQ(vopRotate(nullptr, 0, nullptr, image, nullptr), -1);
  EXPECT_EQ(vopRotate(nullptr, 0, &p, nullptr, nullptr), -1);
  EXPECT_EQ(sizeOf(image).width, 6);
  EXPECT_EQ(pixelsOf(image), before);
}

TEST(Rotate, ATurnThatCannotBeMadeLeavesTheImageAsItWas) {
  // Turned by 45 degrees, a 40,000 x 1 line needs a box of about 28,300 pixels square:
  // more than 2 GB at 24 bits, which no bitmap of the library may take.
  Image image(makeImage(40000, 1, 24, [](int x, int) { return rgb(x & 0xFF, 7, 9); }));
  ASSERT_NE(image.get(), nullptr);
  VOP_ROTATE_PARAMS p{45};
  EXPECT_EQ(vopRotate(nullptr, 0, &p, image, nullptr), -1);
  const voptest::Size s = sizeOf(image);
  EXPECT_EQ(s.width, 40000);
  EXPECT_EQ(s.height, 1);
  for (int x : {0, 1, 255, 39999})
    EXPECT_EQ(vopGetColor(image, x, 0), rgb(x & 0xFF, 7, 9)) << x;
}

TEST(Rotate, APaletteImageKeepsItsColourTable) {
  Image image(makeImage(4, 2, 8, [](int x, int y) { return static_cast<uint32_t>(1 + x + 4 * y); },
                        {0, rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9), rgb(10, 11, 12),
                         rgb(13, 14, 15), rgb(16, 17, 18), rgb(19, 20, 21), rgb(22, 23, 24)}));
  VOP_ROTATE_PARAMS p{-90};
  ASSERT_EQ(vopRotate(nullptr, 0, &p, image, nullptr), 0);
  const voptest::Size s = sizeOf(image);
  EXPECT_EQ(s.width, 2);
  EXPECT_EQ(s.height, 4);
  EXPECT_EQ(s.bitsPerPixel, 8);
  // Counter-clockwise: the top-right pixel lands top-left.
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 2; ++x) {
      const int sx = 3 - y, sy = x;
      const uint32_t i = static_cast<uint32_t>(1 + sx + 4 * sy);
      EXPECT_EQ(vopGetColor(image, x, y), rgb(3 * i - 2, 3 * i - 1, 3 * i)) << x << "," << y;
    }
}

} // namespace
