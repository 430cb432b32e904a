// Tests of rotation: the new geometry, exact quarter turns, full turns, corners and depths.
#include "image/core/rotate.h"

#include <gtest/gtest.h>

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
        img.set(x, y, packColor(x * 8 + 8, y * 8 + 16, (x + y) * 8));  // exact in 5 bits
      }
    }
  }
  for (int i = 0; i < (bpp <= 8 ? 1 << bpp : 0); ++i) img.setEntry(i, packColor(i, 255 - i, 77));
  return img;
}

// Plans, makes the new image as the Windows layer would and renders into it.
TestImage rotated(const TestImage& src, int angle, uint32_t flags = 0) {
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
      for (int x = 0; x < 10; ++x) EXPECT_EQ(dst.get(4 - y, x), src.get(x, y)) << x << "," << y;
  }
}

TEST(RotateTest, HalfTurnAndFullTurns) {
  TestImage src = pattern(7, 3, 24);
  TestImage half = rotated(src, 180);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(half.get(6 - x, 2 - y), src.get(x, y));
  for (int angle : {360, -360, 720}) {
    TestImage full = rotated(src, angle);
    EXPECT_TRUE(full.samePixels(src)) << angle;
  }
}

TEST(RotateTest, EighthTurnLeavesBlackCorners) {
  TestImage src(20, 20, 24);
  src.fill(0xFFFFFF);
  TestImage dst = rotated(src, 45);
  EXPECT_EQ(dst.surface().width, 28);  // 20 (cos 45 + sin 45) = 28.28
  EXPECT_EQ(dst.get(0, 0), 0u);
  EXPECT_EQ(dst.get(27, 27), 0u);
  EXPECT_EQ(dst.get(14, 14), 0xFFFFFFu);
}

TEST(RotateTest, PaletteImagesKeepTheirTableAndIndices) {
  TestImage src = pattern(6, 4, 8);
  TestImage dst = rotated(src, -90);
  ASSERT_EQ(dst.surface().width, 4);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(dst.palette()[static_cast<size_t>(i)].red, i);
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
    for (int x = 0; x < w; ++x) EXPECT_EQ(mirrored.get(w - 1 - x, y), plain.get(x, y));
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
  ProgressHook hook{[](ProgressRecord* r, void* ctx) {
                      static_cast<std::vector<uint32_t>*>(ctx)->push_back(r->done);
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
    for (const auto& size : sizes) {
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
      TestImage odd = rotated(src, 17);  // any angle: only safety is checked
      EXPECT_GE(odd.surface().width, 1);
    }
  }
}

}  // namespace
}  // namespace vop
