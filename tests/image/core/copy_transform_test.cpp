// Tests of the copy and scale routine: boxes, interpolation and edge rules, order, effects.
#include "image/core/copy_transform.h"
#include "image/core/row_reverse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "image/core/result.h"
#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

uint32_t grey(int v) { return packColor(v, v, v); }

CopyParams wholeImage(const Surface &s, int angle = 0, float scale = 1.0f) {
  CopyParams p{};
  p.srcRight = s.width;
  p.srcBottom = s.height;
  p.bitsPerPixel = s.bitsPerPixel;
  p.angle = angle;
  p.scaleX = scale;
  p.scaleY = scale;
  return p;
}

// Measures the box, renders src into a new image of that size.
TestImage transformed(const TestImage &src, int angle, float scale, uint32_t flags) {
  CopyParams p = wholeImage(src.surface(), angle, scale);
  EXPECT_EQ(measureDestination(p), kOk);
  TestImage dst(p.dstRight, p.dstBottom, src.surface().bitsPerPixel);
  EXPECT_EQ(copyTransform(static_cast<int32_t>(flags & kCopyModeMask), flags & ~kCopyModeMask, p,
                          src.surface(), dst.surface(), nullptr),
            kOk);
  return dst;
}

TestImage pattern(int w, int h, int bpp = 24) {
  TestImage img(w, h, bpp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.set(x, y, packColor(x * 37 + 11, y * 53 + 7, (x * y * 29) & 0xFF));
  return img;
}

TEST(DestinationBoxTest, QuarterTurnSwapsTheSides) {
  CopyParams p{0, 100, 0, 50, 24, 90, 1.0f, 1.0f, 0, 0, 0, 0};
  EXPECT_EQ(measureDestination(p), kOk);
  EXPECT_EQ(p.dstRight, 50);
  EXPECT_EQ(p.dstBottom, 100);
  p.dstLeft = 10;
  EXPECT_EQ(measureDestination(p), kOk);
  EXPECT_EQ(p.dstRight, 60);
}

TEST(DestinationBoxTest, EighthTurnOfASquare) {
  // 10 cos 45 + 10 sin 45 = 14.14; the left corner lies at -7.07, offset |trunc(-6.57)| = 6.
  DestinationBox box;
  ASSERT_TRUE(measureBox(10, 10, 45, 1.0, 1.0, box));
  EXPECT_EQ(box.width, 14);
  EXPECT_EQ(box.height, 14);
  EXPECT_EQ(box.offsetX, 6);
  EXPECT_EQ(box.offsetY, 0);
}

TEST(DestinationBoxTest, EmptyAndUnrepresentableBoxesFail) {
  DestinationBox box;
  EXPECT_FALSE(measureBox(0, 10, 0, 1.0, 1.0, box));
  EXPECT_FALSE(measureBox(10, 10, 0, 0.05, 1.0, box)); // 0.5 pixels wide
  EXPECT_FALSE(measureBox(3e9, 10, 0, 1.0, 1.0, box));
  EXPECT_FALSE(measureBox(10, 10, 0, std::nan(""), 1.0, box));
  CopyParams p{0, 0, 0, 5, 24, 0, 1.0f, 1.0f, 0, 99, 0, 99};
  EXPECT_EQ(measureDestination(p), kBadArgument);
  EXPECT_EQ(p.dstRight, 0);
  EXPECT_EQ(p.dstBottom, 0);
}

TEST(DestinationBoxTest, ScalesOutsideTheAcceptedRangeAreRefused) {
  CopyParams p{0, 10, 0, 10, 24, 0, 1.0f, 1.0f, 0, 0, 0, 0};
  for (float bad : {0.0f, 2.5f, std::nanf(""), INFINITY}) {
    p.scaleX = bad;
    EXPECT_EQ(checkCopyScales(p), kBadArgument) << bad;
    EXPECT_EQ(measureDestination(p), kBadArgument) << bad;
  }
  p.scaleX = 2.0f;
  EXPECT_EQ(checkCopyScales(p), kOk);
}

TEST(CopyTransformTest, IdentityCopyReproducesEveryDepth) {
  for (int bpp : {8, 16, 24, 32}) {
    TestImage src = pattern(7, 5, bpp);
    if (bpp == 8) {
      for (int i = 0; i < 256; ++i)
        src.setEntry(i, packColor(i, 255 - i, i / 2));
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
          writeIndex(src.surface(), x, y, x * 31 + y);
    }
    TestImage dst = transformed(src, 0, 1.0f, 0);
    EXPECT_TRUE(dst.samePixels(src)) << bpp;
  }
}

TEST(CopyTransformTest, SubRectangleCopiesFromItsCorner) {
  TestImage src = pattern(4, 4);
  TestImage dst(2, 2, 24);
  CopyParams p{1, 3, 1, 3, 24, 0, 1.0f, 1.0f, 0, 2, 0, 2};
  ASSERT_EQ(copyTransform(0, 0, p, src.surface(), dst.surface(), nullptr), kOk);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(dst.get(x, y), src.get(x + 1, y + 1));
}

TEST(CopyTransformTest, DoubledColumnFollowsSerpentineOrderAndReusesEqualPositions) {
  // Column 0 runs down: rows 0 and 1 both start at source (0, 0), so row 1 reuses the
  // colour of row 0 instead of interpolating. Column 1 runs up from where column 0 ended;
  // only row 1 computes afresh: (0 + 0 + 100 + 100) / 4, the right neighbours replaced by
  // the last column.
  TestImage src(1, 2, 24);
  src.set(0, 0, grey(0));
  src.set(0, 1, grey(100));
  TestImage dst = transformed(src, 0, 2.0f, 0);
  ASSERT_EQ(dst.surface().width, 2);
  ASSERT_EQ(dst.surface().height, 4);
  const int col0[4] = {0, 0, 100, 100};
  const int col1[4] = {50, 50, 100, 100};
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(dst.get(0, y), grey(col0[y])) << y;
    EXPECT_EQ(dst.get(1, y), grey(col1[y])) << y;
  }
}

TEST(CopyTransformTest, PositionsPastTheLastColumnReadTheLastColumn) {
  // Scale 1.5: destination x = 2 maps to 1.333; its right neighbour x = 2 is past the
  // source and reads column 1 again, giving 100 (black there would give 66).
  TestImage src(2, 1, 24);
  src.set(0, 0, grey(0));
  src.set(1, 0, grey(100));
  CopyParams p = wholeImage(src.surface(), 0, 1.5f);
  p.scaleY = 1.0f;
  ASSERT_EQ(measureDestination(p), kOk);
  ASSERT_EQ(p.dstRight, 3);
  TestImage dst(p.dstRight, p.dstBottom, 24);
  ASSERT_EQ(copyTransform(0, 0, p, src.surface(), dst.surface(), nullptr), kOk);
  EXPECT_EQ(dst.get(0, 0), grey(0));
  EXPECT_EQ(dst.get(1, 0), grey(0)); // same source pixel as x = 0: colour reused
  EXPECT_EQ(dst.get(2, 0), grey(100));
}

TEST(BilinearTest, EdgeRulesReplaceFarNeighboursAndReadBlackOutside) {
  TestImage src(2, 2, 24);
  src.fill(grey(200));
  PixelReadCache cache;
  // Neighbours past the width and height are replaced by (1, 1): all four are 200.
  EXPECT_EQ(sampleBilinear(cache, src.surface(), 1, 1, 0.5, 0.5, 1, 1), grey(200));
  // A replacement column that is itself outside reads black: half the weight is lost.
  EXPECT_EQ(sampleBilinear(cache, src.surface(), 1, 1, 0.5, 0.5, 5, 1), grey(100));
  // Wholly outside: black.
  EXPECT_EQ(sampleBilinear(cache, src.surface(), -5, -5, 0.25, 0.25, 1, 1), 0u);
}

TEST(BilinearTest, NegativeFractionsExtrapolateWithinTheByteRange) {
  // Left of the source trunc gives ix = 0 and fx = -0.5: 1.5 a - 0.5 b.
  TestImage src(2, 1, 24);
  PixelReadCache cache;
  src.set(0, 0, grey(100));
  src.set(1, 0, grey(20));
  EXPECT_EQ(sampleBilinear(cache, src.surface(), 0, 0, -0.5, 0.0, 1, 0), grey(140));
  cache.reset();
  src.set(0, 0, grey(20));
  src.set(1, 0, grey(100));
  EXPECT_EQ(sampleBilinear(cache, src.surface(), 0, 0, -0.5, 0.0, 1, 0), grey(0)); // not 236
}

TEST(CopyTransformTest, QuarterTurnPutsTheBottomLeftPixelTopLeft) {
  TestImage src = pattern(3, 2);
  TestImage dst = transformed(src, 90, 1.0f, kCopyNearest);
  ASSERT_EQ(dst.surface().width, 2);
  ASSERT_EQ(dst.surface().height, 3);
  // Turned clockwise: destination (x, y) shows source (y, h - 1 - x).
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(dst.get(x, y), src.get(y, 1 - x)) << x << "," << y;
}

TEST(CopyTransformTest, FourQuarterTurnsGiveBackTheImage) {
  for (int bpp : {8, 24}) {
    TestImage img = pattern(7, 4, bpp);
    TestImage turned = img;
    for (int i = 0; i < 4; ++i)
      turned = transformed(turned, 90, 1.0f, kCopyNearest);
    EXPECT_TRUE(turned.samePixels(img)) << bpp;
  }
}

TEST(CopyTransformTest, HalfTurnAndThreeQuarterTurnAreExact) {
  TestImage img = pattern(5, 3);
  TestImage half = transformed(img, 180, 1.0f, kCopyNearest);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(half.get(x, y), img.get(4 - x, 2 - y));
  TestImage back = transformed(img, -90, 1.0f, kCopyNearest);
  TestImage fwd = transformed(img, 270, 1.0f, kCopyNearest);
  EXPECT_TRUE(back.samePixels(fwd));
}

TEST(CopyTransformTest, InterpolatedQuarterTurnLosesNothing) {
  // Whole quarter turns land on whole source pixels, so interpolation has nothing to mix.
  TestImage img = pattern(50, 100);
  TestImage nearest = transformed(img, 90, 1.0f, kCopyNearest);
  TestImage smooth = transformed(img, 90, 1.0f, 0);
  EXPECT_TRUE(smooth.samePixels(nearest));
  TestImage flat(50, 100, 24);
  flat.fill(grey(200));
  TestImage turned = transformed(flat, 90, 1.0f, 0);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x)
      ASSERT_EQ(turned.get(x, y), grey(200)) << x << "," << y;
}

TEST(CopyTransformTest, EighthTurnLeavesBlackCorners) {
  TestImage img(10, 10, 24);
  img.fill(0xFFFFFF);
  TestImage turned = transformed(img, 45, 1.0f, 0);
  EXPECT_EQ(turned.get(0, 0), 0u);
  EXPECT_EQ(turned.get(13, 0), 0u);
  EXPECT_EQ(turned.get(0, 13), 0u);
  EXPECT_EQ(turned.get(7, 7), 0xFFFFFFu);
}

TEST(CopyTransformTest, QuarterTurnWithUnequalScalesScalesTheTurnedAxes) {
  // 10 x 4 turned with scaleX 2 (the new horizontal axis, from the source's rows) and
  // scaleY 1: an 8 x 10 box whose column x shows source row (7 - x) / 2.
  TestImage src = pattern(10, 4);
  CopyParams p = wholeImage(src.surface(), 90, 2.0f);
  p.scaleY = 1.0f;
  ASSERT_EQ(measureDestination(p), kOk);
  ASSERT_EQ(p.dstRight, 8);
  ASSERT_EQ(p.dstBottom, 10);
  TestImage dst(8, 10, 24);
  ASSERT_EQ(copyTransform(0, kCopyNearest, p, src.surface(), dst.surface(), nullptr), kOk);
  EXPECT_EQ(dst.get(0, 0), src.get(0, 3));
  EXPECT_EQ(dst.get(7, 9), src.get(9, 0));
  EXPECT_EQ(dst.get(2, 6), src.get(6, 2));
}

TEST(CopyTransformTest, MirrorReversesColumnsAndTwiceIsIdentity) {
  TestImage img = pattern(5, 3);
  TestImage once = transformed(img, 0, 1.0f, kCopyMirror);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(once.get(x, y), img.get(4 - x, y));
  TestImage twice = transformed(once, 0, 1.0f, kCopyMirror);
  EXPECT_TRUE(twice.samePixels(img));
}

TEST(CopyTransformTest, XorWithItselfGivesBlackAndXorTwiceRestores) {
  TestImage img = pattern(4, 3);
  TestImage other = pattern(3, 4);
  TestImage dst = transformed(other, 90, 1.0f, kCopyNearest); // 4 x 3
  const TestImage before = dst;
  CopyParams p = wholeImage(img.surface());
  p.dstRight = 4;
  p.dstBottom = 3;
  ASSERT_EQ(copyTransform(kCombineXor, 0, p, img.surface(), dst.surface(), nullptr), kOk);
  EXPECT_FALSE(dst.samePixels(before));
  ASSERT_EQ(copyTransform(kCombineXor, 0, p, img.surface(), dst.surface(), nullptr), kOk);
  EXPECT_TRUE(dst.samePixels(before));

  ASSERT_EQ(copyTransform(kCombineXor, 0, p, img.surface(), img.surface(), nullptr), kOk);
  ASSERT_EQ(copyTransform(kCombineXor, 0, p, img.surface(), img.surface(), nullptr), kOk);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(img.get(x, y), 0u);
}

TEST(CopyTransformTest, AndOrCombineByteByByte) {
  TestImage src(1, 1, 24), dst(1, 1, 24);
  src.set(0, 0, 0x0000FF00);
  CopyParams p = wholeImage(src.surface());
  p.dstRight = p.dstBottom = 1;
  dst.set(0, 0, 0x000F0F0F);
  copyTransform(kCombineAnd, 0, p, src.surface(), dst.surface(), nullptr);
  EXPECT_EQ(dst.get(0, 0), 0x00000F00u);
  dst.set(0, 0, 0x000F0F0F);
  copyTransform(kCombineOr, 0, p, src.surface(), dst.surface(), nullptr);
  EXPECT_EQ(dst.get(0, 0), 0x000FFF0Fu);
}

TEST(CopyTransformTest, InvertAndSepiaOnWhite) {
  TestImage white(2, 2, 24);
  white.fill(0xFFFFFF);
  EXPECT_EQ(transformed(white, 0, 1.0f, kCopyInvert).get(1, 1), 0u);
  // Y = 255: R 255 * 240 / 255, G 200, B 145.
  EXPECT_EQ(transformed(white, 0, 1.0f, kCopySepia).get(1, 1), packColor(240, 200, 145));
  // Pixels invert before the sepia tone: black stays black.
  EXPECT_EQ(transformed(white, 0, 1.0f, kCopyInvert | kCopySepia).get(0, 0), 0u);
  TestImage img = pattern(3, 3);
  EXPECT_TRUE(
      transformed(transformed(img, 0, 1.0f, kCopyInvert), 0, 1.0f, kCopyInvert).samePixels(img));
}

TEST(CopyTransformTest, PalettisedSourceCopiesIndicesAndTonesTheTable) {
  TestImage src(4, 2, 8);
  src.setEntry(1, 0xFFFFFF);
  src.setEntry(2, packColor(10, 20, 30));
  writeIndex(src.surface(), 3, 1, 1);
  writeIndex(src.surface(), 0, 0, 2);
  // The table takes the sepia tone before the inversion: white -> (240, 200, 145) -> (15, 55, 110).
  TestImage dst = transformed(src, 0, 1.0f, kCopyInvert | kCopySepia | kCopyMirror);
  EXPECT_EQ(readIndex(dst.surface(), 0, 1), 1u);
  EXPECT_EQ(readIndex(dst.surface(), 3, 0), 2u);
  EXPECT_EQ(paletteColor(dst.surface(), 1), packColor(15, 55, 110));
  EXPECT_EQ(paletteColor(dst.surface(), 0), 0xFFFFFFu); // black inverted
}

TEST(CopyTransformTest, PalettisedPositionsOutsideTheSourceWriteIndexZero) {
  TestImage src(10, 10, 4);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      writeIndex(src.surface(), x, y, 7);
  TestImage turned = transformed(src, 45, 1.0f, 0);
  EXPECT_EQ(readIndex(turned.surface(), 0, 0), 0u);
  EXPECT_EQ(readIndex(turned.surface(), 7, 7), 7u);
}

TEST(CopyTransformTest, WritesBeyondTheDestinationAreDropped) {
  TestImage src = pattern(4, 4);
  TestImage dst(4, 4, 24);
  dst.fill(grey(9));
  CopyParams p = wholeImage(src.surface());
  p.dstLeft = 2;
  p.dstTop = 1;
  ASSERT_EQ(measureDestination(p), kOk); // loops run over 0..5 and 0..4
  ASSERT_EQ(copyTransform(0, 0, p, src.surface(), dst.surface(), nullptr), kOk);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(dst.get(0, y), grey(9));
    EXPECT_EQ(dst.get(1, y), grey(9));
  }
  EXPECT_EQ(dst.get(2, 0), grey(9));
  EXPECT_EQ(dst.get(2, 1), src.get(0, 0));
  EXPECT_EQ(dst.get(3, 3), src.get(1, 2));
}

TEST(CopyTransformTest, BadArgumentsWriteNothing) {
  TestImage src = pattern(4, 4);
  TestImage dst(4, 4, 24);
  TestImage pal(4, 4, 8);
  const std::vector<uint8_t> before = dst.memory();
  CopyParams p = wholeImage(src.surface());
  p.dstRight = p.dstBottom = 4;
  EXPECT_EQ(copyTransform(0, 0, p, src.surface(), pal.surface(), nullptr), kBadArgument);
  Surface none;
  EXPECT_EQ(copyTransform(0, 0, p, none, dst.surface(), nullptr), kBadArgument);
  CopyParams bad = p;
  bad.scaleX = 0.0f;
  EXPECT_EQ(copyTransform(0, 0, bad, src.surface(), dst.surface(), nullptr), kBadArgument);
  bad = p;
  bad.dstRight = 0;
  EXPECT_EQ(copyTransform(0, 0, bad, src.surface(), dst.surface(), nullptr), kBadArgument);
  bad = p;
  bad.dstRight = bad.dstBottom = 60000; // 3.6e9 pixels
  EXPECT_EQ(copyTransform(0, 0, bad, src.surface(), dst.surface(), nullptr), kBadArgument);
  EXPECT_EQ(dst.memory(), before);
}

TEST(CopyTransformTest, ProgressFollowsTheStepProtocol) {
  std::vector<ProgressRecord> calls;
  ProgressHook hook{[](ProgressRecord *r, void *ctx) {
                      static_cast<std::vector<ProgressRecord> *>(ctx)->push_back(*r);
                    },
                    &calls, 77};
  ProgressMeter meter(&hook, kProgressCopy);
  meter.prepare(16); // 4 x 4 source: step 8
  TestImage src = pattern(4, 4);
  TestImage dst(4, 4, 24);
  CopyParams p = wholeImage(src.surface());
  p.dstRight = p.dstBottom = 4;
  ASSERT_EQ(copyTransform(0, 0, p, src.surface(), dst.surface(), &meter), kOk);
  ASSERT_EQ(calls.size(), 4u);
  const uint32_t done[4] = {0, 8, 16, 16};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(calls[i].done, done[i]);
    EXPECT_EQ(calls[i].total, 16u);
    EXPECT_EQ(calls[i].operation, kProgressCopy);
    EXPECT_EQ(calls[i].userValue, 77u);
  }
}

// The unturned copy by the letter: columns outside, serpentine rows inside, a pixel whose
// source position equals the previous one's taking the previous colour.
TestImage walkedCopy(const TestImage &src, const CopyParams &p, int32_t mode, uint32_t flags,
                     const TestImage &start) {
  TestImage dst = start;
  const Surface &s = src.surface();
  const bool interpolate = !(p.scaleX == 1.0f && p.scaleY == 1.0f) && (flags & kCopyNearest) == 0;
  DestinationBox inverse;
  EXPECT_TRUE(measureBox(p.dstRight, p.dstBottom, 0.0, 1.0 / p.scaleX, 1.0 / p.scaleY, inverse));
  PixelReadCache cache;
  bool have = false;
  int64_t px = 0, py = 0;
  uint32_t prev = 0;
  for (int32_t x = 0; x < p.dstRight; ++x)
    for (int32_t k = 0; k < p.dstBottom; ++k) {
      const int32_t y = (x & 1) ? p.dstBottom - 1 - k : k;
      const double sx = x / static_cast<double>(p.scaleX) + inverse.offsetX + p.srcLeft;
      const double sy = y / static_cast<double>(p.scaleY) + inverse.offsetY + p.srcTop;
      const auto ix = static_cast<int64_t>(sx), iy = static_cast<int64_t>(sy);
      uint32_t c;
      if (!interpolate) {
        c = readColor(s, ix, iy);
      } else if (have && ix == px && iy == py) {
        c = prev;
      } else {
        c = sampleBilinear(cache, s, ix, iy, sx - ix, sy - iy, inverse.width - 1,
                           inverse.height - 1);
        have = true, px = ix, py = iy, prev = c;
      }
      const int32_t dx = p.dstLeft + ((flags & kCopyMirror) ? p.dstRight - 1 - x : x);
      const int32_t dy = p.dstTop + y;
      if (mode == kCombineXor)
        c ^= readColor(dst.surface(), dx, dy);
      if (flags & kCopyInvert)
        c ^= 0xFFFFFF;
      writeColor(dst.surface(), dx, dy, c);
    }
  return dst;
}

TEST(CopyTransformTest, RowByRowCopyEqualsTheColumnWalk) {
  const TestImage src = pattern(23, 17);
  const TestImage start = pattern(40, 30);
  const float scales[] = {0.3f, 0.5f, 0.77f, 1.0f, 1.3f, 1.5f, 2.0f};
  int compared = 0;
  for (float sx : scales)
    for (float sy : {0.5f, 1.0f, 1.7f, 2.0f})
      for (uint32_t flags : {0u, kCopyMirror, kCopyNearest | kCopyInvert})
        for (const auto &[left, top] : {std::pair{1, 2}, {-3, 20}}) { // inside; cut off
          CopyParams p = wholeImage(src.surface());
          p.srcLeft = 3;
          p.srcTop = 2;
          p.scaleX = sx;
          p.scaleY = sy;
          p.dstLeft = left;
          p.dstTop = top;
          ASSERT_EQ(measureDestination(p), kOk);
          p.dstRight -= p.dstLeft; // the box itself, placed at (left, top)
          p.dstBottom -= p.dstTop;
          for (int32_t mode : {kCombineCopy, kCombineXor}) {
            TestImage dst = start;
            ASSERT_EQ(copyTransform(mode, flags, p, src.surface(), dst.surface(), nullptr), kOk);
            EXPECT_EQ(dst.memory(), walkedCopy(src, p, mode, flags, start).memory())
                << sx << " x " << sy << " flags " << flags << " mode " << mode << " at " << left;
            ++compared;
          }
        }
  EXPECT_EQ(compared, 336);
}

TEST(RowReverseTest, BothVersionsTurnEveryLengthEndForEndAndTouchNothingElse) {
  using Reverse = void (*)(uint8_t *, const uint8_t *, int64_t);
  std::vector<std::pair<const char *, Reverse>> versions = {{"plain", reverseRow24Plain},
                                                            {"chosen", reverseRow24}};
  if (hasByteShuffle()) {
    versions.push_back({"shuffle", reverseRow24Shuffle});
  } else {
    std::printf("SKIP: the processor has no byte shuffle; its version is not run\n");
  }
  constexpr int64_t kGuard = 16;
  for (const auto &[name, reverse] : versions) {
    for (int64_t count = 0; count <= 70; ++count) {
      // Guard bytes on both sides of the source and the destination: a read outside the
      // source would show up as a wrong pixel only by chance, a write outside as a changed guard.
      std::vector<uint8_t> in(static_cast<size_t>(3 * count + 2 * kGuard));
      for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<uint8_t>(i * 37 + count);
      std::vector<uint8_t> out(in.size(), 0xA5);
      reverse(out.data() + kGuard, in.data() + kGuard, count);
      for (int64_t k = 0; k < count; ++k)
        for (int b = 0; b < 3; ++b)
          ASSERT_EQ(out[static_cast<size_t>(kGuard + 3 * k + b)],
                    in[static_cast<size_t>(kGuard + 3 * (count - 1 - k) + b)])
              << name << ", " << count << " pixels, pixel " << k;
      for (int64_t g = 0; g < kGuard; ++g) {
        ASSERT_EQ(out[static_cast<size_t>(g)], 0xA5) << name << ", " << count;
        ASSERT_EQ(out[out.size() - 1 - static_cast<size_t>(g)], 0xA5) << name << ", " << count;
      }
    }
  }
}

TEST(CopyTransformTest, MirroredUnscaledCopyOfWideRowsEqualsTheColumnWalk) {
  // Rows long enough for the vector steps, with both ends cut by the destination in turn.
  const TestImage src = pattern(67, 5);
  for (const int32_t left : {0, 5, -7}) {
    for (const int32_t width : {67, 60}) {
      CopyParams p = wholeImage(src.surface());
      p.dstLeft = left;
      ASSERT_EQ(measureDestination(p), kOk);
      p.dstRight -= p.dstLeft;
      p.dstBottom -= p.dstTop;
      const TestImage start = pattern(width, 6);
      TestImage dst = start;
      ASSERT_EQ(copyTransform(kCombineCopy, kCopyMirror, p, src.surface(), dst.surface(), nullptr),
                kOk);
      EXPECT_EQ(dst.memory(), walkedCopy(src, p, kCombineCopy, kCopyMirror, start).memory())
          << "at " << left << ", destination width " << width;
    }
  }
}

} // namespace
} // namespace vop
