// Tests of the neighbourhood filter: kernels, flags, border rule, bad input and odd sizes.
#include "image/core/filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "image/core/color_model.h"
#include "image/core/result.h"
#include "tests/image/core/progress_log.h"
#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

uint32_t grey(int v) { return packColor(v, v, v); }

int32_t run(TestImage &img, uint32_t flags, const CustomKernel *custom = nullptr) {
  AdjustRegion r{0, img.surface().width, 0, img.surface().height};
  return throughFilter(img.surface(), flags, r, custom, nullptr);
}

CustomKernel identityKernel() {
  CustomKernel k{};
  k.coefficients[2 * 5 + 2] = 1;
  k.divisor = 1;
  return k;
}

// Rows 0-4 grey 20, rows 5-9 grey 60 (a horizontal edge), or the same by columns.
TestImage stepEdge(bool horizontal) {
  TestImage img(10, 10, 24);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      img.set(x, y, grey(((horizontal ? y : x) < 5) ? 20 : 60));
  return img;
}

const uint32_t kGradientCodes[] = {0, 16, 32, 48, 64, 80};
const uint32_t kKeepingCodes[] = {1,   17,  33,  49,  65,  81,  96,    112,
                                  128, 144, 160, 176, 192, 208, 0xFE0, 0xFF1};

TEST(FilterFlatTest, GradientCodesGiveBlackAndInvertedWhite) {
  for (uint32_t code : kGradientCodes) {
    for (uint32_t lum : {0u, kFilterLuminance}) {
      TestImage img(9, 9, 24);
      img.fill(packColor(123, 45, 67));
      ASSERT_EQ(run(img, code | lum), kOk);
      EXPECT_EQ(img.get(4, 4), 0u) << code;
      EXPECT_EQ(img.get(0, 8), 0u) << code;
      img.fill(packColor(123, 45, 67));
      ASSERT_EQ(run(img, code | lum | kFilterInvert), kOk);
      EXPECT_EQ(img.get(4, 4), 0xFFFFFFu) << code;
    }
  }
}

TEST(FilterFlatTest, SmoothingMedianAndSharpeningKeepAFlatRegion) {
  for (uint32_t code : kKeepingCodes) {
    TestImage img(6, 5, 24);
    img.fill(packColor(200, 100, 50));
    const TestImage before = img;
    ASSERT_EQ(run(img, code), kOk) << code;
    EXPECT_TRUE(img.samePixels(before)) << code;
  }
}

TEST(FilterFlatTest, IdentityKernelChangesNothingAndKeepsTheFourthByte) {
  TestImage img(5, 3, 32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      img.set(x, y, packColor(x * 50, y * 100, 7));
  for (size_t i = 3; i < img.memory().size(); i += 4)
    img.memory()[i] = 0x5A;
  TestImage before = img;
  const CustomKernel k = identityKernel();
  ASSERT_EQ(run(img, kFilterCustom, &k), kOk);
  EXPECT_TRUE(img.samePixels(before));
  EXPECT_EQ(img.memory(), before.memory());
}

TEST(FilterEdgeTest, VerticalGradientsAnswerHorizontalEdges) {
  // At (5, 4): rows 3 and 5 of columns 4 to 6: 3 * 20 - 3 * 60 = -120; Sobel 80 - 240 = -160.
  struct Case {
    uint32_t code;
    int onEdge;
  } cases[] = {{0, 120}, {16, 0}, {32, 120}, {48, 160}, {64, 0}, {80, 160}};
  for (const Case &c : cases) {
    TestImage img = stepEdge(true);
    ASSERT_EQ(run(img, c.code), kOk);
    EXPECT_EQ(img.get(5, 4), grey(c.onEdge)) << c.code;
    EXPECT_EQ(img.get(5, 5), grey(c.onEdge)) << c.code;
    EXPECT_EQ(img.get(5, 2), 0u) << c.code;
    EXPECT_EQ(img.get(5, 7), 0u) << c.code;
  }
}

TEST(FilterEdgeTest, HorizontalGradientsAnswerVerticalEdges) {
  struct Case {
    uint32_t code;
    int onEdge;
  } cases[] = {{0, 0}, {16, 120}, {32, 120}, {48, 0}, {64, 160}, {80, 160}};
  for (const Case &c : cases) {
    TestImage img = stepEdge(false);
    ASSERT_EQ(run(img, c.code), kOk);
    EXPECT_EQ(img.get(4, 5), grey(c.onEdge)) << c.code;
    EXPECT_EQ(img.get(2, 5), 0u) << c.code;
  }
}

TEST(FilterEdgeTest, LuminanceModeFiltersTheLuminanceAndGivesGrey) {
  // Black above, red below: luminance trunc(0.2989 * 255) = 76; 3 * 76 = 228.
  TestImage img(10, 10, 24);
  for (int y = 5; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      img.set(x, y, packColor(255, 0, 0));
  TestImage colour = img;
  ASSERT_EQ(run(img, 0 | kFilterLuminance), kOk);
  EXPECT_EQ(img.get(5, 4), grey(228));
  ASSERT_EQ(run(colour, 0), kOk);
  EXPECT_EQ(colour.get(5, 4), packColor(255, 0, 0)); // 765 held at 255
}

TEST(FilterThresholdTest, LevelsSplitAtOrBelowVersusAbove) {
  const CustomKernel k = identityKernel();
  struct Case {
    uint32_t flags;
    uint32_t colour;
    uint32_t expected;
  } cases[] = {
      {0x4000, packColor(110, 0, 0), 0},                  // luminance 32.88: at the threshold
      {0x4000, packColor(111, 0, 0), 0xFFFFFF},           // 33.18: above
      {0x4000 | 0x80000, packColor(111, 0, 0), 0xFFFFFF}, // the lowest threshold bit wins
      {0x80000, packColor(111, 0, 0), 0},
      {0x80000, packColor(255, 255, 0), 0xFFFFFF},       // 225.80
      {0x80000, packColor(255, 250, 0), 0},              // 222.87
      {0x10000, packColor(255, 130, 0), 0xFFFFFF},       // 152.48 against 128
      {0x20000, packColor(255, 130, 0), 0},              // against 160
      {0x4000 | kFilterInvert, packColor(111, 0, 0), 0}, // thresholded, then inverted
  };
  for (const Case &c : cases) {
    TestImage img(3, 3, 24);
    img.fill(c.colour);
    ASSERT_EQ(run(img, kFilterCustom | c.flags, &k), kOk);
    EXPECT_EQ(img.get(1, 1), c.expected) << std::hex << c.flags << " " << c.colour;
  }
}

TEST(FilterThresholdTest, SmoothingFamilyIgnoresTheGradientModifiers) {
  TestImage img(4, 4, 24);
  img.fill(packColor(111, 0, 0));
  ASSERT_EQ(run(img, 17 | 0x4000 | kFilterInvert | kFilterLuminance), kOk);
  EXPECT_EQ(img.get(2, 2), packColor(111, 0, 0));
}

TEST(FilterSmoothTest, ResultsNeverFeedLaterPixels) {
  // One grey 140 pixel on black, code 17 (divisor 14): the centre weight 2 gives 20, its
  // left neighbour sees it with weight 2 (20), the diagonal one with weight 1 (10).
  TestImage img(5, 5, 24);
  img.set(2, 2, grey(140));
  ASSERT_EQ(run(img, 17), kOk);
  EXPECT_EQ(img.get(2, 2), grey(20));
  EXPECT_EQ(img.get(1, 2), grey(20));
  EXPECT_EQ(img.get(3, 2), grey(20));
  EXPECT_EQ(img.get(1, 1), grey(10));
  EXPECT_EQ(img.get(3, 3), grey(10));
  EXPECT_EQ(img.get(0, 2), 0u);
}

TEST(FilterSmoothTest, BorderPixelsRepeatTheEdge) {
  // Column 0 grey 140: at (0, 2) the replicated column -1 adds 4 * 140 to the 6 * 140 of
  // column 0, 1400 / 14 = 100 (black outside would give 60).
  TestImage img(5, 5, 24);
  for (int y = 0; y < 5; ++y)
    img.set(0, y, grey(140));
  ASSERT_EQ(run(img, 17), kOk);
  EXPECT_EQ(img.get(0, 2), grey(100));
}

TEST(FilterSmoothTest, MedianRemovesASingleOutlierPerChannel) {
  TestImage img(5, 5, 24);
  img.fill(packColor(10, 20, 30));
  img.set(2, 2, packColor(250, 20, 0));
  ASSERT_EQ(run(img, kFilterMedian), kOk);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(img.get(x, y), packColor(10, 20, 30)) << x << "," << y;
}

TEST(FilterSharpenTest, StrengthFallsWithTheCode) {
  // Centre 100, diagonal neighbours 50: code 96 gives 500 - 200 = 300 (held at 255), 112
  // (600 - 200) / 2 = 200, 160 (1100 - 200) / 7 = 128, 208 (2300 - 200) / 19 = 110.
  struct Case {
    uint32_t code;
    int centre;
  } cases[] = {{96, 255}, {112, 200}, {160, 128}, {208, 110}};
  for (const Case &c : cases) {
    TestImage img(5, 5, 24);
    img.fill(grey(100));
    for (int d : {1, 3})
      for (int e : {1, 3})
        img.set(d, e, grey(50));
    ASSERT_EQ(run(img, c.code), kOk);
    EXPECT_EQ(img.get(2, 2), grey(c.centre)) << c.code;
  }
}

TEST(FilterSharpenTest, NegativeResponsesComeOutBright) {
  // 5 * 10 - 4 * 200 = -750: its magnitude, held at 255.
  TestImage img(3, 3, 24);
  img.fill(grey(200));
  img.set(1, 1, grey(10));
  ASSERT_EQ(run(img, 96), kOk);
  EXPECT_EQ(img.get(1, 1), grey(255));
}

TEST(FilterCustomTest, MirrorOfASymmetricKernelDoublesTheResponse) {
  CustomKernel k{};
  const int32_t horizontal[25] = {0, 0, 0, 0,  0,  0,  1, 1, 1, 0, 0, 0, 0,
                                  0, 0, 0, -1, -1, -1, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 25; ++i)
    k.coefficients[i] = horizontal[i];
  k.divisor = 1;
  for (int32_t mirror : {0, 1, 2}) {
    k.mirror = mirror;
    TestImage img = stepEdge(false);
    ASSERT_EQ(run(img, kFilterCustom, &k), kOk);
    EXPECT_EQ(img.get(4, 5), grey(mirror == 1 ? 240 : 120)) << mirror;
  }
}

TEST(FilterCustomTest, DivisorAndBiasFollowTheCaller) {
  struct Case {
    int32_t divisor;
    int32_t bias;
    int expected;
  } cases[] = {{1, 10, 110}, {1, -300, 200}, {-1, 0, 100}, {3, 0, 33}, {-3, 0, 33}};
  for (const Case &c : cases) {
    CustomKernel k = identityKernel();
    k.divisor = c.divisor;
    k.bias = c.bias;
    TestImage img(2, 2, 24);
    img.fill(grey(100));
    ASSERT_EQ(run(img, kFilterCustom, &k), kOk);
    EXPECT_EQ(img.get(1, 1), grey(c.expected)) << c.divisor << " " << c.bias;
  }
}

TEST(FilterCustomTest, HostileCoefficientsWrapInThirtyTwoBitsWithoutATrap) {
  // 1 * -2^31 over -1 is 2^31 (held at 255); 2 * -2^31 wraps to 0.
  CustomKernel k{};
  k.coefficients[12] = INT32_MIN;
  k.divisor = -1;
  TestImage img(1, 1, 24);
  img.set(0, 0, packColor(1, 2, 0));
  ASSERT_EQ(run(img, kFilterCustom, &k), kOk);
  EXPECT_EQ(img.get(0, 0), packColor(255, 0, 0));
}

TEST(FilterRefusalTest, BadCodesDepthsDivisorsAndRegionsLeaveTheImage) {
  TestImage img(4, 4, 24);
  img.fill(grey(90));
  const TestImage before = img;
  CustomKernel zero = identityKernel();
  zero.divisor = 0;
  EXPECT_EQ(run(img, 0x002), kBadArgument);
  EXPECT_EQ(run(img, 0x01F), kBadArgument);
  EXPECT_EQ(run(img, kFilterCustom, &zero), kBadArgument);
  EXPECT_EQ(run(img, kFilterCustom, nullptr), kBadArgument);
  AdjustRegion outside{0, 5, 0, 4};
  EXPECT_EQ(throughFilter(img.surface(), 0, outside, nullptr, nullptr), kBadArgument);
  AdjustRegion empty{2, 2, 0, 4};
  EXPECT_EQ(throughFilter(img.surface(), 0, empty, nullptr, nullptr), kBadArgument);
  EXPECT_TRUE(img.samePixels(before));
  EXPECT_FALSE(isFilterCode(kFilterCustom, &zero));
  EXPECT_TRUE(isFilterCode(0xFF1, nullptr));

  for (int bpp : {1, 4, 8}) {
    TestImage palette(4, 4, bpp);
    EXPECT_EQ(run(palette, 0x002), kWrongDepth) << bpp; // depth is checked before the code
  }
  Surface none;
  AdjustRegion r{0, 1, 0, 1};
  EXPECT_EQ(throughFilter(none, 0, r, nullptr, nullptr), kBadArgument);
}

TEST(FilterRegionTest, OnlyTheOrderedRegionChanges) {
  TestImage img(6, 6, 24);
  img.fill(grey(77));
  AdjustRegion r{6, 5, 6, 5}; // the corner pixel, given in reverse
  ASSERT_EQ(throughFilter(img.surface(), 0, r, nullptr, nullptr), kOk);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, 6);
  EXPECT_EQ(r.top, 5);
  EXPECT_EQ(r.bottom, 6);
  EXPECT_EQ(img.get(5, 5), 0u);
  EXPECT_EQ(img.get(4, 5), grey(77));
  EXPECT_EQ(img.get(5, 4), grey(77));
}

TEST(FilterRegionTest, ProgressCountsTheRegion) {
  // What the callback saw during the pass: a 2 x 2 region is 4 units, step 2, reported
  // through the caller's record (operation and value intact).
  test::ProgressLog log(5);
  ProgressMeter meter(log.hook(), kProgressFilter);
  TestImage img(8, 8, 24);
  AdjustRegion r{1, 3, 2, 4};
  ASSERT_EQ(throughFilter(img.surface(), 17, r, nullptr, &meter), kOk);
  EXPECT_EQ(log.calls(), (std::vector<test::ProgressCall>{
                             {9, 4, 0, 5}, {9, 4, 2, 5}, {9, 4, 4, 5}, {9, 4, 4, 5}}));
}

TEST(FilterRobustnessTest, EveryTrueColourDepthAndOddSize) {
  const int sizes[][2] = {{1, 1}, {1, 7}, {7, 1}, {5, 3}, {3, 5}, {2, 9}};
  const uint32_t codes[] = {
      0,  16, 32, 48, 64, 80,  1,
      17, 33, 49, 65, 96, 208, 0 | kFilterLuminance | 0x10000 | kFilterInvert};
  for (int bpp : {16, 24, 32}) {
    for (const auto &size : sizes) {
      for (uint32_t code : codes) {
        TestImage img(size[0], size[1], bpp);
        img.fill(packColor(248, 128, 8)); // exact in 5 bits per channel
        const TestImage before = img;
        ASSERT_EQ(run(img, code), kOk) << bpp << " " << code;
        // A flat picture: gradients vanish, the others keep it.
        const uint32_t low = code & 0xF;
        if (low == 0 && code != 96 && code != 208) {
          const uint32_t expected = (code & kFilterInvert) ? 0xFFFFFFu : 0u;
          EXPECT_EQ(img.get(size[0] - 1, size[1] - 1), expected) << bpp << " " << code;
        } else {
          EXPECT_TRUE(img.samePixels(before)) << bpp << " " << code;
        }
      }
    }
  }
}

// The filter pixel by pixel: every neighbour read from the untouched picture with readColor at
// clamped coordinates, 64-bit sums and nth_element for the median. k[i][j] weighs column
// x + i - 2 and row y + j - 2.
struct ReferenceKernel {
  int32_t k[5][5];
  int32_t divisor;
  int32_t bias;
};

void referenceFilter(const Surface &original, Surface &out, const AdjustRegion &r, bool median,
                     const ReferenceKernel &first, const ReferenceKernel *second, uint32_t flags) {
  const bool luminance = (flags & kFilterLuminance) != 0;
  auto value = [&](int plane, int64_t x, int64_t y) -> int64_t {
    x = x < 0 ? 0 : (x >= original.width ? original.width - 1 : x);
    y = y < 0 ? 0 : (y >= original.height ? original.height - 1 : y);
    const uint32_t c = readColor(original, x, y);
    if (luminance)
      return luminanceCode(redOf(c), greenOf(c), blueOf(c));
    return (c >> (8 * plane)) & 0xFF;
  };
  auto convolve = [&](const ReferenceKernel &k, int plane, int32_t x, int32_t y) -> int64_t {
    int64_t sum = 0;
    for (int i = 0; i < 5; ++i)
      for (int j = 0; j < 5; ++j)
        sum += value(plane, x + i - 2, y + j - 2) * k.k[i][j];
    const auto wrapped = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(sum)));
    const int64_t v = static_cast<int64_t>(wrapped) / k.divisor + k.bias;
    return v < 0 ? -v : v;
  };
  int32_t threshold = -1;
  for (int b = 0; b < 6 && threshold < 0; ++b) {
    const int32_t levels[] = {32, 64, 128, 160, 192, 224};
    if (flags & (0x4000u << b))
      threshold = levels[b];
  }
  for (int32_t x = r.left; x < r.right; ++x) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
      uint8_t v[3];
      for (int plane = 0; plane < 3; ++plane) {
        if (median) {
          uint8_t n[9];
          for (int i = 0; i < 9; ++i)
            n[i] = static_cast<uint8_t>(value(plane, x + i / 3 - 1, y + i % 3 - 1));
          std::nth_element(n, n + 4, n + 9);
          v[plane] = n[4];
        } else {
          int64_t s = convolve(first, luminance ? 0 : plane, x, y);
          if (second != nullptr)
            s += convolve(*second, luminance ? 0 : plane, x, y);
          v[plane] = static_cast<uint8_t>(s > 255 ? 255 : s);
        }
      }
      if (threshold >= 0)
        v[0] = v[1] = v[2] = luminanceCode(v[0], v[1], v[2]) <= threshold ? 0 : 255;
      if (flags & kFilterInvert)
        for (uint8_t &b : v)
          b = static_cast<uint8_t>(255 - b);
      writePixel24(out, x, y, v[0], v[1], v[2]);
    }
  }
}

void expectRowPassesMatchReference() {
  const ReferenceKernel vertical{
      {{0, 0, 0, 0, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 0, 0, 0, 0}},
      1,
      0};
  const ReferenceKernel horizontal{
      {{0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}},
      1,
      0};
  const ReferenceKernel smooth65{
      {{1, 1, 1, 1, 1}, {1, 1, 2, 1, 1}, {1, 2, 2, 2, 1}, {1, 1, 2, 1, 1}, {1, 1, 1, 1, 1}}, 30, 0};
  const ReferenceKernel sharpen112{
      {{0, 0, 0, 0, 0}, {0, -1, 0, -1, 0}, {0, 0, 6, 0, 0}, {0, -1, 0, -1, 0}, {0, 0, 0, 0, 0}},
      2,
      0};
  struct Filter {
    uint32_t flags;
    ReferenceKernel first;
    bool paired;
    ReferenceKernel second;
    bool median;
  };
  std::vector<Filter> filters = {
      {0, vertical, false, {}, false},
      {32 | kFilterInvert, vertical, true, horizontal, false},
      {32 | kFilterLuminance | 0x10000, vertical, true, horizontal, false},
      {65, smooth65, false, {}, false},
      {112, sharpen112, false, {}, false},
      {kFilterMedian, {}, false, {}, true},
  };
  // Custom kernels: ordinary, mirrored, wrapping sums and the divisors -1 and 1.
  uint32_t state = 77;
  auto next = [&] { return state = state * 1664525u + 1013904223u; };
  const int32_t divisors[] = {1, -1, 7, -3, 256, INT32_MIN};
  for (int n = 0; n < 6; ++n) {
    Filter f{kFilterCustom | (n == 2 ? kFilterLuminance | kFilterInvert : 0u),
             {},
             n % 2 == 1,
             {},
             false};
    for (auto &column : f.first.k)
      for (int32_t &c : column)
        c = n >= 4 ? static_cast<int32_t>(next()) : static_cast<int32_t>(next() % 9) - 4;
    f.first.divisor = divisors[n];
    f.first.bias = static_cast<int32_t>(next() % 41) - 20;
    f.second = f.first;
    for (int i = 0; i < 5; ++i)
      for (int j = 0; j < 5; ++j)
        f.second.k[i][j] = f.first.k[i][4 - j];
    filters.push_back(f);
  }
  // The lowest wrapped sum over -1.
  Filter hostile{kFilterCustom, {}, false, {}, false};
  hostile.first.k[2][2] = INT32_MIN;
  hostile.first.divisor = -1;
  filters.push_back(hostile);

  struct Case {
    int32_t width, height, depth;
    uint32_t colours;
    AdjustRegion region;
  };
  const Case cases[] = {{37, 29, 24, 0, {3, 34, 5, 28}}, {37, 29, 32, 6, {0, 37, 0, 29}},
                        {23, 19, 16, 0, {1, 22, 2, 19}}, {1, 1, 24, 0, {0, 1, 0, 1}},
                        {2, 9, 24, 0, {1, 2, 0, 9}},     {11, 3, 32, 0, {4, 11, 2, 3}}};
  uint32_t seed = 500;
  for (const Case &c : cases) {
    for (const Filter &f : filters) {
      TestImage image(c.width, c.height, c.depth);
      test::scramble(image, seed++, c.colours);
      TestImage expected = image;
      referenceFilter(image.surface(), expected.surface(), c.region, f.median, f.first,
                      f.paired ? &f.second : nullptr, f.flags);
      CustomKernel custom{};
      for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
          custom.coefficients[i * 5 + j] = f.first.k[i][j];
      custom.divisor = f.first.divisor;
      custom.bias = f.first.bias;
      custom.mirror = f.paired ? 1 : 0;
      AdjustRegion region = c.region;
      ASSERT_EQ(throughFilter(image.surface(), f.flags, region, &custom, nullptr), kOk);
      EXPECT_EQ(image.memory(), expected.memory())
          << c.width << "x" << c.height << "x" << c.depth << " flags " << std::hex << f.flags;
    }
  }
}

// Runs a kernel through throughFilter with the custom code and compares with the reference.
void expectCustomMatchesReference(TestImage &image, const ReferenceKernel &k, bool mirror,
                                  uint32_t modifiers, const char *what) {
  TestImage expected = image;
  ReferenceKernel mirrored = k;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      mirrored.k[i][j] = k.k[i][4 - j];
  const AdjustRegion whole{0, image.surface().width, 0, image.surface().height};
  referenceFilter(image.surface(), expected.surface(), whole, false, k,
                  mirror ? &mirrored : nullptr, kFilterCustom | modifiers);
  CustomKernel custom{};
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      custom.coefficients[i * 5 + j] = k.k[i][j];
  custom.divisor = k.divisor;
  custom.bias = k.bias;
  custom.mirror = mirror ? 1 : 0;
  AdjustRegion region = whole;
  ASSERT_EQ(throughFilter(image.surface(), kFilterCustom | modifiers, region, &custom, nullptr),
            kOk)
      << what;
  EXPECT_EQ(image.memory(), expected.memory())
      << what << ", divisor " << k.divisor << ", bias " << k.bias;
}

void expectEverySumGivesTheDividedResponse() {
  // Weights 1 on the pixel and 256 on its right neighbour make the sum a + 256 b. Even columns
  // hold the row number and odd column 2k + 1 holds k, so the pixel pairs of the picture give
  // every pair (a, b) and the sums run through all of 0 to 65,535: each entry of a table of
  // responses is met, and each quotient's step at a multiple of the divisor.
  TestImage picture(512, 256, 24);
  for (int32_t y = 0; y < 256; ++y)
    for (int32_t x = 0; x < 512; ++x) {
      const int v = (x & 1) ? x / 2 : y;
      picture.set(x, y, packColor(v, 255 - v, v ^ 0x5A));
    }
  ReferenceKernel k{};
  k.k[2][2] = 1;
  k.k[3][2] = 256;
  const int32_t divisors[][2] = {{7, -3}, {7, 0}, {-3, 255}, {256, 0}, {300, -255}};
  for (const auto &[divisor, bias] : divisors) {
    k.divisor = divisor;
    k.bias = bias;
    TestImage image = picture;
    expectCustomMatchesReference(image, k, false, 0, "two taps");
  }
}

// The kernels' sums run in the processor's widest lanes where it has them, else in the lanes
// every processor has: both are held to the reference, whichever this processor picks.
struct PlainLanes {
  PlainLanes() { allowWideFilterLanes(false); }
  ~PlainLanes() { allowWideFilterLanes(true); }
};

TEST(FilterTest, RowPassesMatchThePerPixelReference) {
  expectRowPassesMatchReference();
  const PlainLanes plain;
  expectRowPassesMatchReference();
}

TEST(FilterTest, EverySumOfATwoTapKernelGivesTheDividedResponse) {
  expectEverySumGivesTheDividedResponse();
  const PlainLanes plain;
  expectEverySumGivesTheDividedResponse();
}

TEST(FilterTest, TheHighestAndLowestSumOfAKernelGiveTheDividedResponse) {
  // A neighbourhood of 255 where a coefficient is positive and 0 elsewhere gives the kernel's
  // highest sum at the centre, the opposite pattern its lowest: both ends of its range of sums.
  const ReferenceKernel kernels[] = {
      {{{1, 1, 1, 1, 1}, {1, 1, 2, 1, 1}, {1, 2, 2, 2, 1}, {1, 1, 2, 1, 1}, {1, 1, 1, 1, 1}},
       30,
       0},
      {{{0, 0, 0, 0, 0}, {0, -1, 0, -1, 0}, {0, 0, 23, 0, 0}, {0, -1, 0, -1, 0}, {0, 0, 0, 0, 0}},
       19,
       0},
      {{{0, 0, 0, 0, 0}, {0, 1, 0, -1, 0}, {0, 2, 0, -2, 0}, {0, 1, 0, -1, 0}, {0, 0, 0, 0, 0}},
       1,
       0},
      {{{3, -7, 0, 5, -1}, {2, 2, -9, 0, 4}, {-6, 1, 8, 1, -6}, {0, 0, 3, -2, 2}, {9, -4, 0, 0, 1}},
       -6,
       40},
      {{{-200, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 255}},
       3,
       -100},
  };
  for (const ReferenceKernel &k : kernels) {
    for (const bool mirror : {false, true}) {
      for (const bool highest : {true, false}) {
        TestImage image(5, 5, 24);
        for (int i = 0; i < 5; ++i)
          for (int j = 0; j < 5; ++j) {
            const bool bright = (k.k[i][j] > 0) == highest;
            image.set(i, j, bright ? packColor(255, 255, 255) : packColor(0, 0, 0));
          }
        expectCustomMatchesReference(image, k, mirror, 0, highest ? "highest sum" : "lowest sum");
      }
    }
  }
}

} // namespace
} // namespace vop
