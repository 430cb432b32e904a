// Tests of rotation: the new geometry, exact quarter turns, full turns, corners and depths.
#include "image/core/rotate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <vector>

#include "image/core/result.h"
#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

TestImage pattern(int w, int h, int bpp) {
  TestImage img(w, h, bpp);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (bpp <= 8) {
        writeIndex(img.surface(), x, y, static_cast<uint32_t>(x * 3 + y * 5));
      } else {
        img.set(x, y, packColor(x * 8 + 8, y * 8 + 16, (x + y) * 8)); // exact in 5 bits
      }
    }
  }
  for (int i = 0; i < (bpp <= 8 ? 1 << bpp : 0); ++i)
    img.setEntry(i, packColor(i, 255 - i, 77));
  return img;
}

// Plans, makes the new image as the Windows layer would and renders into it.
TestImage rotated(const TestImage &src, int angle, uint32_t flags = 0) {
  CopyParams p;
  EXPECT_EQ(planRotation(src.surface(), angle, p), kOk);
  TestImage dst(p.dstRight, p.dstBottom, src.surface().bitsPerPixel);
  EXPECT_EQ(renderRotation(flags, p, src.surface(), dst.surface(), nullptr), kOk);
  return dst;
}

TEST(RotatePlanTest, QuarterTurnSwapsTheSidesAndFillsTheRecord) {
  TestImage img(100, 50, 24);
  CopyParams p;
  ASSERT_EQ(planRotation(img.surface(), 90, p), kOk);
  EXPECT_EQ(p.dstRight, 50);
  EXPECT_EQ(p.dstBottom, 100);
  EXPECT_EQ(p.srcRight, 100);
  EXPECT_EQ(p.srcBottom, 50);
  EXPECT_EQ(p.bitsPerPixel, 24);
  EXPECT_EQ(p.angle, 90);
  EXPECT_EQ(p.scaleX, 1.0f);
  EXPECT_EQ(p.dstLeft, 0);
  ASSERT_EQ(planRotation(img.surface(), 360, p), kOk);
  EXPECT_EQ(p.dstRight, 100);
  EXPECT_EQ(p.dstBottom, 50);
  Surface none;
  EXPECT_EQ(planRotation(none, 90, p), kBadArgument);
}

TEST(RotateTest, QuarterTurnMovesTheBottomLeftToTheTopLeft) {
  for (uint32_t flags : {0u, kCopyNearest}) {
    TestImage src = pattern(10, 5, 24);
    TestImage dst = rotated(src, 90, flags);
    ASSERT_EQ(dst.surface().width, 5);
    ASSERT_EQ(dst.surface().height, 10);
    EXPECT_EQ(dst.get(0, 0), src.get(0, 4));
    // Source (x, y) lands at (h - 1 - y, x): the top row becomes the rightmost column.
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 10; ++x)
        EXPECT_EQ(dst.get(4 - y, x), src.get(x, y)) << x << "," << y;
  }
}

TEST(RotateTest, HalfTurnAndFullTurns) {
  TestImage src = pattern(7, 3, 24);
  TestImage half = rotated(src, 180);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(half.get(6 - x, 2 - y), src.get(x, y));
  for (int angle : {360, -360, 720}) {
    TestImage full = rotated(src, angle);
    EXPECT_TRUE(full.samePixels(src)) << angle;
  }
}

TEST(RotateTest, EighthTurnLeavesBlackCorners) {
  TestImage src(20, 20, 24);
  src.fill(0xFFFFFF);
  TestImage dst = rotated(src, 45);
  EXPECT_EQ(dst.surface().width, 28); // 20 (cos 45 + sin 45) = 28.28
  EXPECT_EQ(dst.get(0, 0), 0u);
  EXPECT_EQ(dst.get(27, 27), 0u);
  EXPECT_EQ(dst.get(14, 14), 0xFFFFFFu);
}

TEST(RotateTest, PaletteImagesKeepTheirTableAndIndices) {
  TestImage src = pattern(6, 4, 8);
  TestImage dst = rotated(src, -90);
  ASSERT_EQ(dst.surface().width, 4);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(dst.palette()[static_cast<size_t>(i)].red, i);
  // Counter-clockwise: source (x, y) lands at (y, w - 1 - x).
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(readIndex(dst.surface(), y, 5 - x), readIndex(src.surface(), x, y));
  TestImage corners = rotated(pattern(9, 9, 8), 30);
  EXPECT_EQ(readIndex(corners.surface(), 0, 0), 0u);
}

TEST(RotateTest, MirrorFlagMirrorsTheTurnedPicture) {
  TestImage src = pattern(6, 3, 24);
  TestImage plain = rotated(src, 90);
  TestImage mirrored = rotated(src, 90, kCopyMirror);
  const int w = plain.surface().width, h = plain.surface().height;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      EXPECT_EQ(mirrored.get(w - 1 - x, y), plain.get(x, y));
}

TEST(RotateTest, DestinationThatDoesNotFitThePlanIsRefusedUntouched) {
  TestImage src = pattern(6, 3, 24);
  CopyParams p;
  ASSERT_EQ(planRotation(src.surface(), 90, p), kOk);
  TestImage wrongSize(6, 3, 24), wrongDepth(3, 6, 32);
  const auto before = wrongSize.memory();
  EXPECT_EQ(renderRotation(0, p, src.surface(), wrongSize.surface(), nullptr), kBadArgument);
  EXPECT_EQ(renderRotation(0, p, src.surface(), wrongDepth.surface(), nullptr), kBadArgument);
  EXPECT_EQ(wrongSize.memory(), before);
}

TEST(RotateTest, ProgressCountsTheSourcePixels) {
  std::vector<uint32_t> done;
  ProgressHook hook{[](ProgressRecord *r, void *ctx) {
                      static_cast<std::vector<uint32_t> *>(ctx)->push_back(r->done);
                    },
                    &done, 0};
  ProgressMeter meter(&hook, kProgressRotate);
  TestImage src = pattern(4, 2, 24);
  CopyParams p;
  ASSERT_EQ(planRotation(src.surface(), 90, p), kOk);
  TestImage dst(p.dstRight, p.dstBottom, 24);
  ASSERT_EQ(renderRotation(0, p, src.surface(), dst.surface(), &meter), kOk);
  EXPECT_EQ(meter.record().total, 8u);
  EXPECT_EQ(done, (std::vector<uint32_t>{0, 4, 8, 8}));
}

TEST(RotateRobustnessTest, QuarterTurnsOfEveryDepthAndOddSize) {
  const int sizes[][2] = {{1, 1}, {1, 5}, {5, 1}, {3, 7}, {13, 2}};
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    for (const auto &size : sizes) {
      const TestImage src = pattern(size[0], size[1], bpp);
      const int w = size[0], h = size[1];
      TestImage dst = rotated(src, 90);
      ASSERT_EQ(dst.surface().width, h);
      ASSERT_EQ(dst.surface().height, w);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(dst.get(h - 1 - y, x), src.get(x, y)) << bpp << " bits " << x << "," << y;
      TestImage round = rotated(rotated(rotated(dst, 90), 90), 90);
      EXPECT_TRUE(round.samePixels(src)) << bpp << " bits " << w << " x " << h;
      TestImage odd = rotated(src, 17); // any angle: only safety is checked
      EXPECT_GE(odd.surface().width, 1);
    }
  }
}

// The copy routine's column walk for whole quarter turns of a true-colour picture, pixel by
// pixel: serpentine columns, the inverse position, bilinear sampling with the repeat of the
// previous position's colour, then combination and tone effects.
// The reference walks' last step, written out on its own: the destination pixel is combined,
// then inverted, then toned.
void writeCombined(int32_t mode, uint32_t flags, uint32_t c, const Surface &dst, int64_t dx,
                   int64_t dy) {
  if (mode == kCombineAnd)
    c &= readColor(dst, dx, dy);
  if (mode == kCombineOr)
    c |= readColor(dst, dx, dy);
  if (mode == kCombineXor)
    c ^= readColor(dst, dx, dy);
  if (flags & kCopyInvert)
    c ^= 0x00FFFFFF;
  if (flags & kCopySepia)
    c = sepiaTone(c);
  writeColor(dst, dx, dy, c);
}

// How both walks read the source: the nearest pixel, or a bilinear sample, which a repeat of
// the previous whole position takes over instead of reading again.
struct WalkSampler {
  const Surface &src;
  bool interpolate;
  int64_t limitX, limitY;
  PixelReadCache cache{};
  bool havePrevious = false;
  int64_t prevX = 0, prevY = 0;
  uint32_t prevColor = 0;

  uint32_t at(double sxF, double syF) {
    const auto ix = static_cast<int64_t>(sxF), iy = static_cast<int64_t>(syF);
    if (!interpolate)
      return readColor(src, ix, iy);
    if (havePrevious && ix == prevX && iy == prevY)
      return prevColor;
    prevColor = sampleBilinear(cache, src, ix, iy, sxF - static_cast<double>(ix),
                               syF - static_cast<double>(iy), limitX, limitY);
    havePrevious = true;
    prevX = ix;
    prevY = iy;
    return prevColor;
  }
};

void referenceQuarterWalk(int32_t mode, uint32_t flags, const CopyParams &p, const Surface &src,
                          Surface &dst) {
  const int32_t boxRight = p.dstRight, boxBottom = p.dstBottom;
  DestinationBox inverse;
  ASSERT_TRUE(measureBox(boxRight, boxBottom, -static_cast<double>(p.angle), 1.0 / p.scaleX,
                         1.0 / p.scaleY, inverse));
  int quarter = (-p.angle / 90) % 4;
  if (quarter < 0)
    quarter += 4;
  const double cosines[] = {1.0, 0.0, -1.0, 0.0}, sines[] = {0.0, 1.0, 0.0, -1.0};
  const double cosPhi = cosines[quarter], sinPhi = sines[quarter];
  const double offX = static_cast<double>(inverse.offsetX) + p.srcLeft;
  const double offY = static_cast<double>(inverse.offsetY) + p.srcTop;
  WalkSampler sample{src, (flags & kCopyNearest) == 0, inverse.width - 1, inverse.height - 1};
  for (int32_t x = 0; x < boxRight; ++x) {
    const int64_t dx =
        static_cast<int64_t>(p.dstLeft) + ((flags & kCopyMirror) ? boxRight - 1 - x : x);
    for (int32_t k = 0; k < boxBottom; ++k) {
      const int32_t y = (x & 1) ? boxBottom - 1 - k : k;
      const double sxF = (x * cosPhi - y * sinPhi) / p.scaleX + offX;
      const double syF = (x * sinPhi + y * cosPhi) / p.scaleY + offY;
      const int64_t dy = static_cast<int64_t>(p.dstTop) + y;
      writeCombined(mode, flags, sample.at(sxF, syF), dst, dx, dy);
    }
  }
}

// A copy to compare with a reference walk: the picture, its part, the turn and the scales, and
// where the result goes.
struct WalkCase {
  int32_t width, height, srcDepth, dstDepth;
  int32_t angle;
  int32_t left, right, top, bottom;             // source rectangle
  int32_t dstLeft, dstTop, dstWidth, dstHeight; // 0 size: the measured box
  float scaleX = 1.0f, scaleY = 1.0f;
};
using ReferenceWalk = void (*)(int32_t mode, uint32_t flags, const CopyParams &p,
                               const Surface &src, Surface &dst);

// Every case with every flag set and combine mode, through the copy routine and through the
// reference walk, onto the same scrambled destination; every third source repeats only
// `colours` colours. Returns how many copies were compared.
int compareWithWalk(std::span<const WalkCase> cases, std::span<const uint32_t> flagSets,
                    uint32_t seed, uint32_t colours, ReferenceWalk walk) {
  int compared = 0;
  for (const WalkCase &c : cases) {
    for (const uint32_t flags : flagSets) {
      for (int32_t mode = kCombineCopy; mode <= kCombineXor; ++mode) {
        TestImage src(c.width, c.height, c.srcDepth);
        test::scramble(src, seed, seed % 3 == 0 ? colours : 0);
        ++seed;
        CopyParams params{c.left,   c.right,  c.top, c.bottom, c.srcDepth, c.angle,
                          c.scaleX, c.scaleY, 0,     0,        0,          0};
        if (measureDestination(params) != kOk) {
          ADD_FAILURE() << "no box for angle " << c.angle;
          continue;
        }
        params.dstLeft = c.dstLeft;
        params.dstTop = c.dstTop;
        const int32_t w = c.dstWidth ? c.dstWidth : params.dstRight;
        const int32_t h = c.dstHeight ? c.dstHeight : params.dstBottom;
        TestImage dst(w, h, c.dstDepth);
        test::scramble(dst, seed++);
        TestImage expected = dst;
        walk(mode, flags, params, src.surface(), expected.surface());
        EXPECT_EQ(copyTransform(mode, flags, params, src.surface(), dst.surface(), nullptr), kOk);
        EXPECT_EQ(dst.memory(), expected.memory())
            << c.width << "x" << c.height << " angle " << c.angle << " scales " << c.scaleX << ", "
            << c.scaleY << " flags " << std::hex << flags << " mode " << mode;
        ++compared;
      }
    }
  }
  return compared;
}

TEST(RotateTest, QuarterTurnPermutationMatchesTheColumnWalk) {
  const WalkCase cases[] = {
      {97, 61, 24, 24, 90, 0, 97, 0, 61, 0, 0, 0, 0},
      {97, 61, 24, 24, 270, 0, 97, 0, 61, 0, 0, 0, 0},
      {97, 61, 24, 24, 180, 0, 97, 0, 61, 0, 0, 0, 0},
      {97, 61, 24, 24, -90, 0, 97, 0, 61, 0, 0, 0, 0},
      {97, 61, 24, 24, 450, 0, 97, 0, 61, 0, 0, 0, 0},
      {97, 61, 24, 24, 360, 0, 97, 0, 61, 0, 0, 0, 0},
      {131, 70, 32, 32, 90, 5, 128, 3, 69, 0, 0, 0, 0},
      {131, 70, 32, 24, -180, 5, 128, 3, 69, 0, 0, 0, 0},
      {45, 38, 16, 16, 270, 1, 44, 2, 37, 0, 0, 0, 0},
      {45, 38, 24, 16, 90, 0, 45, 0, 38, 0, 0, 0, 0},
      {77, 66, 24, 24, 90, 2, 75, 4, 60, 9, 5, 40, 50},
      {77, 66, 32, 32, 180, 2, 75, 4, 60, -7, -3, 90, 80},
      {1, 1, 24, 24, 90, 0, 1, 0, 1, 0, 0, 0, 0},
      {1, 9, 24, 24, 270, 0, 1, 0, 9, 0, 0, 0, 0},
  };
  const uint32_t flagSets[] = {0, kCopyNearest, kCopyMirror, kCopyInvert | kCopySepia,
                               kCopyMirror | kCopyNearest};
  EXPECT_EQ(compareWithWalk(cases, flagSets, 600, 9, referenceQuarterWalk),
            static_cast<int>(std::size(cases) * std::size(flagSets) * 4));
}

// The copy routine's column walk for any turn and scale of a true-colour picture, pixel by
// pixel, as the walk states it: the forward placement undone exactly away from plain quarter
// turns, else the inverse box's offsets.
void referenceTurnWalk(int32_t mode, uint32_t flags, const CopyParams &p, const Surface &src,
                       Surface &dst) {
  const int32_t boxRight = p.dstRight, boxBottom = p.dstBottom;
  const double scaleX = p.scaleX, scaleY = p.scaleY;
  DestinationBox inverse, forward;
  ASSERT_TRUE(measureBox(boxRight, boxBottom, -static_cast<double>(p.angle), 1.0 / scaleX,
                         1.0 / scaleY, inverse));
  ASSERT_TRUE(measureBox(static_cast<double>(p.srcRight) - p.srcLeft,
                         static_cast<double>(p.srcBottom) - p.srcTop, p.angle, scaleX, scaleY,
                         forward));
  double cosPhi, sinPhi;
  if (p.angle % 90 == 0) {
    int quarter = (-p.angle / 90) % 4;
    if (quarter < 0)
      quarter += 4;
    const double cosines[] = {1.0, 0.0, -1.0, 0.0}, sines[] = {0.0, 1.0, 0.0, -1.0};
    cosPhi = cosines[quarter];
    sinPhi = sines[quarter];
  } else {
    const double a = -static_cast<double>(p.angle) * 0.017453292519943295;
    cosPhi = std::cos(a);
    sinPhi = std::sin(a);
  }
  const bool exact = p.angle % 90 != 0 || (p.scaleX != p.scaleY && p.angle % 180 != 0);
  const double offX = static_cast<double>(inverse.offsetX) + p.srcLeft;
  const double offY = static_cast<double>(inverse.offsetY) + p.srcTop;
  WalkSampler sample{src, true, inverse.width - 1, inverse.height - 1};
  for (int32_t x = 0; x < boxRight; ++x) {
    const int64_t dx =
        static_cast<int64_t>(p.dstLeft) + ((flags & kCopyMirror) ? boxRight - 1 - x : x);
    for (int32_t k = 0; k < boxBottom; ++k) {
      const int32_t y = (x & 1) ? boxBottom - 1 - k : k;
      const double xd = x, yd = y;
      double sxF, syF;
      if (exact) {
        const double u = (xd - forward.offsetX) / scaleX, v = (yd - forward.offsetY) / scaleY;
        sxF = u * cosPhi - v * sinPhi + p.srcLeft;
        syF = u * sinPhi + v * cosPhi + p.srcTop;
      } else {
        sxF = (xd * cosPhi - yd * sinPhi) / scaleX + offX;
        syF = (xd * sinPhi + yd * cosPhi) / scaleY + offY;
      }
      const int64_t dy = static_cast<int64_t>(p.dstTop) + y;
      writeCombined(mode, flags, sample.at(sxF, syF), dst, dx, dy);
    }
  }
}

TEST(RotateTest, TurnsInRowsMatchTheColumnWalk) {
  // Scales below 1 put several destination pixels on one source position, so that the walk's
  // repeat of the previous colour occurs in columns, at their turns and across the box's edges.
  const WalkCase cases[] = {
      {23, 17, 24, 24, 45, 0, 23, 0, 17, 0, 0, 0, 0, 1.0f, 1.0f},
      {23, 17, 24, 24, 30, 0, 23, 0, 17, 0, 0, 0, 0, 1.0f, 1.0f},
      {23, 17, 24, 24, -17, 0, 23, 0, 17, 0, 0, 0, 0, 1.0f, 1.0f},
      {23, 17, 24, 24, 1, 0, 23, 0, 17, 0, 0, 0, 0, 1.0f, 1.0f},
      {23, 17, 24, 24, 359, 0, 23, 0, 17, 0, 0, 0, 0, 1.0f, 1.0f},
      {23, 17, 24, 24, 135, 0, 23, 0, 17, 0, 0, 0, 0, 1.0f, 1.0f},
      {23, 17, 24, 24, 200, 0, 23, 0, 17, 0, 0, 0, 0, 1.0f, 1.0f},
      {23, 17, 24, 24, 45, 0, 23, 0, 17, 0, 0, 0, 0, 0.3f, 0.3f},
      {23, 17, 24, 24, 3, 0, 23, 0, 17, 0, 0, 0, 0, 0.25f, 0.5f},
      {23, 17, 24, 24, 60, 0, 23, 0, 17, 0, 0, 0, 0, 2.0f, 1.5f},
      {23, 17, 24, 24, 90, 0, 23, 0, 17, 0, 0, 0, 0, 0.5f, 1.5f},
      {23, 17, 24, 24, 270, 0, 23, 0, 17, 0, 0, 0, 0, 1.5f, 0.4f},
      {23, 17, 32, 32, 33, 2, 21, 3, 15, 0, 0, 0, 0, 1.0f, 1.0f},
      {23, 17, 32, 24, 45, 2, 21, 3, 15, 0, 0, 0, 0, 0.7f, 0.7f},
      {23, 17, 24, 24, 20, 0, 23, 0, 17, 4, -3, 20, 25, 1.0f, 1.0f},
      {23, 17, 24, 32, 300, 0, 23, 0, 17, -6, 2, 18, 14, 1.0f, 1.0f},
      {1, 1, 24, 24, 45, 0, 1, 0, 1, 0, 0, 0, 0, 1.0f, 1.0f},
      {2, 9, 24, 24, 10, 0, 2, 0, 9, 0, 0, 0, 0, 0.6f, 0.6f},
  };
  const uint32_t flagSets[] = {0, kCopyMirror, kCopyInvert | kCopySepia};
  EXPECT_EQ(compareWithWalk(cases, flagSets, 900, 5, referenceTurnWalk), 18 * 3 * 4);
}

} // namespace
} // namespace vop
