// Tests of colour counting over whole images of every depth.
#include "image/core/count_colors.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/core/result.h"
#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

// One table for the whole program, as the engine holds one.
ColorCountTable &table() {
  static ColorCountTable t;
  return t;
}

TEST(CountColorsTest, OneFillAndTwoColoursInAnyAmounts) {
  TestImage img(13, 7, 24);
  img.fill(packColor(1, 2, 3));
  EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), 1);
  img.set(12, 6, packColor(3, 2, 1));
  EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), 2);
  EXPECT_EQ(table().distinct(), 2u);
  // A second count starts from an empty map.
  img.fill(packColor(1, 2, 3));
  EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), 1);
  EXPECT_EQ(table().distinct(), 1u);
}

TEST(CountColorsTest, ACountAfterInsertsEmptiesTheChains) {
  ColorCountTable t;
  t.insert(packColor(9, 8, 7));
  TestImage img(4, 4, 24);
  img.fill(packColor(1, 1, 1));
  EXPECT_EQ(countColors(img.surface(), t, nullptr, nullptr), 1);
  EXPECT_EQ(t.countOf(packColor(9, 8, 7)), 0u);
  EXPECT_EQ(t.distinct(), 1u);
}

TEST(CountColorsTest, ColoursAtTheEndsAndWordEdgesOfTheMapAreEachCounted) {
  // 0 and 0xFFFFFF are the map's first and last bits; 63 and 64 straddle a word; red and blue
  // swapped must stay distinct (a word read that mixes up channels merges them).
  const uint32_t colours[] = {0x000000, 0xFFFFFF, 63,       64,       0x00FF00, 0x3F0000,
                              0x123456, 0x563412, 0xFFFFFE, 0x7FFFFF, 0x800000};
  const int n = static_cast<int>(sizeof colours / sizeof colours[0]);
  for (int bpp : {24, 32}) {
    // Width 4 at 24 bits leaves no row padding: the top row's last pixel ends the buffer.
    for (int width : {4, n}) {
      TestImage img(width, (n + width - 1) / width, bpp);
      img.fill(colours[0]);
      for (int i = 0; i < n; ++i)
        img.set(i % width, i / width, colours[i]);
      EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), n)
          << bpp << " bits, width " << width;
    }
  }
  // The last pixel of the buffer alone differs (top row, last column of a bottom-up image).
  TestImage img(4, 3, 24);
  img.fill(packColor(5, 5, 5));
  img.set(3, 0, packColor(5, 5, 6));
  EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), 2);
}

TEST(CountColorsTest, FourthByteOfThirtyTwoBitPixelsIsNoColour) {
  TestImage img(3, 1, 32);
  img.fill(packColor(9, 9, 9));
  for (int x = 0; x < 3; ++x)
    img.memory()[static_cast<size_t>(x) * 4 + 3] = static_cast<uint8_t>(x * 100);
  EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), 1);
}

TEST(CountColorsTest, PaletteImagesCountColoursNotIndices) {
  TestImage img(16, 16, 8);
  img.setEntry(5, packColor(255, 0, 0));
  img.setEntry(6, packColor(0, 255, 0));
  img.setEntry(7, packColor(0, 255, 0)); // same colour as entry 6
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      writeIndex(img.surface(), x, y, 5 + (x + y) % 3);
  EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), 2);
  img.setEntry(7, packColor(0, 0, 255));
  EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), 3);
}

TEST(CountColorsTest, EveryDepthAndOddSizeCountsItsCraftedColours) {
  // Two colours in alternate columns; a single column has one.
  const int depths[] = {1, 4, 8, 16, 24, 32};
  const int sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {3, 5}, {5, 3}, {33, 2}};
  for (int bpp : depths) {
    for (const auto &size : sizes) {
      TestImage img(size[0], size[1], bpp);
      const uint32_t a = packColor(0, 0, 0), b = packColor(248, 248, 248); // exact in 5 bits
      if (bpp <= 8) {
        img.setEntry(1, b);
        for (int y = 0; y < size[1]; ++y)
          for (int x = 0; x < size[0]; ++x)
            writeIndex(img.surface(), x, y, x & 1);
      } else {
        for (int y = 0; y < size[1]; ++y)
          for (int x = 0; x < size[0]; ++x)
            img.set(x, y, (x & 1) ? b : a);
      }
      EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), size[0] > 1 ? 2 : 1)
          << bpp << " bits, " << size[0] << " x " << size[1];
    }
  }
}

TEST(CountColorsTest, SixteenBitColoursAreDistinctFields) {
  // Raw 5-5-5 words with red fields 0 to 31.
  TestImage img(32, 1, 16);
  for (int x = 0; x < 32; ++x) {
    const uint32_t word = static_cast<uint32_t>(x) << 10;
    img.memory()[static_cast<size_t>(x) * 2] = static_cast<uint8_t>(word);
    img.memory()[static_cast<size_t>(x) * 2 + 1] = static_cast<uint8_t>(word >> 8);
  }
  EXPECT_EQ(countColors(img.surface(), table(), nullptr, nullptr), 32);
}

TEST(CountColorsTest, InvalidSurfaceIsRefused) {
  Surface empty;
  EXPECT_EQ(countColors(empty, table(), nullptr, nullptr), kBadArgument);
  TestImage img(2, 2, 24);
  Surface cut = img.surface();
  cut.pitch = 4; // shorter than a row of 6 bytes
  EXPECT_EQ(countColors(cut, table(), nullptr, nullptr), kBadArgument);
}

TEST(CountColorsTest, ProgressCountsEveryPixel) {
  std::vector<uint32_t> done;
  ProgressHook hook{[](ProgressRecord *r, void *ctx) {
                      static_cast<std::vector<uint32_t> *>(ctx)->push_back(r->done);
                    },
                    &done, 0};
  ProgressMeter meter(&hook, kProgressCountColor);
  TestImage img(3, 2, 24);
  ASSERT_EQ(countColors(img.surface(), table(), &meter, nullptr), 1);
  EXPECT_EQ(meter.record().total, 6u);
  EXPECT_EQ(done, (std::vector<uint32_t>{0, 3, 6, 6}));
}

TEST(CountColorsTest, TheMapCountEqualsTheColumnWalkOfInserts) {
  const struct {
    int32_t width, height, depth;
    uint32_t colours;
  } cases[] = {{97, 61, 24, 0}, {97, 61, 24, 300}, {53, 41, 32, 0}, {37, 29, 16, 0},
               {33, 27, 8, 0},  {19, 23, 4, 0},    {41, 9, 1, 0},   {64, 33, 24, 3}};
  uint32_t seed = 400;
  for (const auto &c : cases) {
    TestImage image(c.width, c.height, c.depth);
    test::scramble(image, seed++, c.colours);
    // The reference: a pass of reads column by column into the chained table.
    ColorCountTable reference;
    ReadPass pass(image.surface());
    pass.begin();
    int32_t expected = 0;
    for (int32_t x = 0; x < c.width; ++x) {
      for (int32_t y = 0; y < c.height; ++y)
        expected = reference.insert(static_cast<uint32_t>(pass.read(x, y)));
    }
    ColorCountTable table;
    ASSERT_EQ(countColors(image.surface(), table, nullptr, nullptr), expected);
    // A second count into the same table starts from nothing again.
    ASSERT_EQ(countColors(image.surface(), table, nullptr, nullptr), expected);
    EXPECT_EQ(table.distinct(), static_cast<uint32_t>(expected));
  }
}

} // namespace
} // namespace vop
