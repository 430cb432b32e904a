// Tests of the surface view, the read pass and the pixel and palette writers.
#include "image/core/pixel_access.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "tests/image/core/test_image.h"

namespace vop {
namespace {

using test::TestImage;

TEST(SurfaceTest, BottomUpViewStartsAtTheLastRowInMemoryWithNegativePitch) {
  TestImage img(3, 2, 24);
  // ((24 * 3 + 31) / 32) * 4 = 12 bytes a row.
  EXPECT_EQ(img.surface().pitch, -12);
  EXPECT_EQ(img.surface().bits, img.memory().data() + 12);
  EXPECT_EQ(pixelAddress(img.surface(), 0, 1), img.memory().data());
}

TEST(SurfaceTest, RowBytesArePaddedToFourBytes) {
  EXPECT_EQ(rowBytes(1, 1), 4);
  EXPECT_EQ(rowBytes(1, 33), 8);
  EXPECT_EQ(rowBytes(4, 9), 8);
  EXPECT_EQ(rowBytes(24, 5), 16);
  EXPECT_EQ(rowBytes(32, 1), 4);
  EXPECT_EQ(rowBytes(0, 10), 0);
  EXPECT_EQ(rowBytes(24, 0x7FFFFFFF), ((24LL * 0x7FFFFFFF + 31) / 32) * 4);
}

TEST(SurfaceTest, InvalidViewsAreRecognised) {
  TestImage img(4, 4, 24);
  Surface s = img.surface();
  EXPECT_TRUE(isValid(s));
  Surface noBits = s;
  noBits.bits = nullptr;
  EXPECT_FALSE(isValid(noBits));
  Surface oddDepth = s;
  oddDepth.bitsPerPixel = 7;
  EXPECT_FALSE(isValid(oddDepth));
  Surface shortPitch = s;
  shortPitch.pitch = -8; // a row of four 24-bit pixels needs 12
  EXPECT_FALSE(isValid(shortPitch));
  Surface empty = s;
  empty.width = 0;
  EXPECT_FALSE(isValid(empty));
}

TEST(ReadColorTest, BytesBlueGreenRedReadAsBgrValueAndOutsideIsBlack) {
  TestImage img(2, 2, 24);
  uint8_t *p = pixelAddress(img.surface(), 1, 1);
  p[0] = 0x10; // B
  p[1] = 0x20; // G
  p[2] = 0x30; // R
  EXPECT_EQ(readColor(img.surface(), 1, 1), 0x00102030u);
  img.fill(0xFFFFFF);
  for (auto [x, y] : {std::pair{2, 0}, {-1, 0}, {0, 2}, {0, -1}})
    EXPECT_EQ(readColor(img.surface(), x, y), 0u);
}

TEST(PixelFormatTest, FourBitEvenXIsTheHighNibble) {
  TestImage img(2, 1, 4);
  *pixelAddress(img.surface(), 0, 0) = 0xAB;
  EXPECT_EQ(readIndex(img.surface(), 0, 0), 0xAu);
  EXPECT_EQ(readIndex(img.surface(), 1, 0), 0xBu);
}

TEST(PixelFormatTest, OneBitXZeroIsBitSeven) {
  TestImage img(9, 1, 1);
  img.memory()[0] = 0x80;
  img.memory()[1] = 0x80;
  EXPECT_EQ(readIndex(img.surface(), 0, 0), 1u);
  for (int x = 1; x < 8; ++x)
    EXPECT_EQ(readIndex(img.surface(), x, 0), 0u) << x;
  EXPECT_EQ(readIndex(img.surface(), 8, 0), 1u);
}

TEST(PixelFormatTest, IndexWritesRoundTripAndKeepNeighbours) {
  for (int bpp : {1, 4, 8}) {
    TestImage img(13, 3, bpp);
    const uint32_t mask = (1u << bpp) - 1;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 13; ++x)
        ASSERT_TRUE(writeIndex(img.surface(), x, y, (x * 7 + y * 3 + 1) & mask));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 13; ++x)
        EXPECT_EQ(readIndex(img.surface(), x, y), (x * 7u + y * 3 + 1) & mask)
            << bpp << " " << x << "," << y;
  }
}

TEST(PixelFormatTest, WriteIndexStoresOnlyTheLowBits) {
  TestImage img(2, 1, 4);
  writeIndex(img.surface(), 0, 0, 0xF3);
  writeIndex(img.surface(), 1, 0, 0x1C);
  EXPECT_EQ(img.memory()[0], 0x3C);
}

TEST(PixelFormatTest, TrueColourWritesRoundTripAndKeepTheFourthByte) {
  for (int bpp : {24, 32}) {
    TestImage img(5, 4, bpp);
    std::fill(img.memory().begin(), img.memory().end(), 0x77);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x)
        img.set(x, y, packColor(x * 50, y * 60, 255 - x * y));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(img.get(x, y), packColor(x * 50, y * 60, 255 - x * y));
    if (bpp == 32) {
      EXPECT_EQ(img.memory()[3], 0x77);
    }
  }
}

TEST(PixelFormatTest, SixteenBitDefaultLayoutIsFiveFiveFive) {
  TestImage img(1, 1, 16);
  img.memory()[0] = 0xFF;
  img.memory()[1] = 0x7F;
  EXPECT_EQ(img.get(0, 0), 0xFFFFFFu);
  img.memory()[0] = 0x00;
  img.memory()[1] = 0x7C; // red field full
  EXPECT_EQ(img.get(0, 0), 0x0000FFu);
  img.memory()[0] = 0x10; // blue field 16: (16 * 255 + 15) / 31 = 132
  img.memory()[1] = 0x00;
  EXPECT_EQ(img.get(0, 0), 0x840000u);
}

TEST(PixelFormatTest, SixteenBitFieldsSurviveAReadWriteRoundTrip) {
  struct Layout {
    uint32_t r, g, b;
  };
  for (Layout l : {Layout{0, 0, 0}, Layout{0xF800, 0x07E0, 0x001F}}) {
    TestImage img(1, 1, 16);
    img.surface().redMask = l.r;
    img.surface().greenMask = l.g;
    img.surface().blueMask = l.b;
    const uint32_t used = l.r == 0 ? 0x7FFF : 0xFFFF;
    for (uint32_t v = 0; v <= 0xFFFF; ++v) {
      if ((v & used) != v)
        continue;
      img.memory()[0] = static_cast<uint8_t>(v);
      img.memory()[1] = static_cast<uint8_t>(v >> 8);
      img.set(0, 0, img.get(0, 0));
      const uint32_t back = img.memory()[0] | img.memory()[1] << 8;
      ASSERT_EQ(back, v) << std::hex << l.r;
    }
  }
}

TEST(PixelFormatTest, SixteenBitLastPixelIsReadWithoutOverrun) {
  // Width 2 at 16 bits fills its row exactly; AddressSanitizer catches a wider read.
  std::vector<uint8_t> exact(4);
  Surface s = topDownView(exact.data(), 2, 1, 16);
  exact[2] = 0x1F;
  EXPECT_EQ(readColor(s, 1, 0), 0xFF0000u);
  EXPECT_TRUE(writePixel24(s, 1, 0, 255, 255, 255));
  EXPECT_EQ(exact[3], 0x7F);
}

TEST(WriterTest, WritesOutsideTheSurfaceChangeNothing) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    TestImage img(3, 2, bpp);
    std::fill(img.memory().begin(), img.memory().end(), 0x5A);
    const std::vector<uint8_t> before = img.memory();
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT32_MAX, INT32_MAX}}) {
      EXPECT_FALSE(writePixel24(img.surface(), x, y, 1, 2, 3));
      EXPECT_FALSE(writeIndex(img.surface(), x, y, 1));
    }
    EXPECT_EQ(img.memory(), before) << bpp;
  }
  TestImage pal(8, 1, 1); // a true-colour write would cover three bytes of eight pixels each
  EXPECT_FALSE(writePixel24(pal.surface(), 7, 0, 255, 255, 255));
  EXPECT_EQ(pal.memory()[0], 0);
}

TEST(ReadPassTest, PalettisedReadsLookUpTheTableCopiedAtBegin) {
  TestImage img(2, 1, 8);
  img.setEntry(1, 0x00445566);
  writeIndex(img.surface(), 0, 0, 1);
  writeIndex(img.surface(), 1, 0, 200);
  ReadPass pass(img.surface());
  pass.begin();
  img.setEntry(1, 0); // later table changes are not seen by the pass
  EXPECT_EQ(pass.read(0, 0), 0x00445566);
  EXPECT_EQ(pass.readIndexValue(0, 0), 1);
  EXPECT_EQ(pass.readIndexValue(1, 0), 200);
  pass.end();
  EXPECT_EQ(pass.read(0, 0), 0);
}

TEST(ReadPassTest, AnIndexBeyondTheTableReadsBlack) {
  TestImage img(1, 1, 8);
  img.surface().paletteCount = 4; // a short table handed in by the owner
  img.setEntry(9, 0xFFFFFF);
  writeIndex(img.surface(), 0, 0, 9);
  ReadPass pass(img.surface());
  pass.begin();
  EXPECT_EQ(pass.read(0, 0), 0);
}

TEST(ReadPassTest, StepFlagsSelectBeginReadIndexAndEnd) {
  TestImage img(2, 2, 4);
  img.setEntry(5, 0x00010203);
  writeIndex(img.surface(), 1, 1, 5);
  ReadPass pass(img.surface());
  EXPECT_EQ(pass.step(kReadBegin, 0, 0, 0), 0);
  EXPECT_EQ(pass.step(kReadPixel, kChannelColor, 1, 1), 0x00010203);
  EXPECT_EQ(pass.step(kReadPixel | kReadIndex, kChannelColor, 1, 1), 5);
  EXPECT_EQ(pass.step(kReadPixel, kChannelColor, 2, 1), 0); // outside
  EXPECT_EQ(pass.step(kReadEnd, 0, 0, 0), 0);
  EXPECT_EQ(pass.step(kReadPixel, kChannelColor, 1, 1), 0);
}

TEST(ChannelTest, SelectorsReduceTheColour) {
  const uint32_t c = 0x00C89664; // R 100, G 150, B 200
  EXPECT_EQ(reduceChannel(c, kChannelRed), 100);
  EXPECT_EQ(reduceChannel(c, kChannelGreen), 150);
  EXPECT_EQ(reduceChannel(c, kChannelBlue), 200);
  EXPECT_EQ(reduceChannel(c, kChannelLuminance), 140); // 29.89 + 87.99 + 22.9 = 140.78
}

TEST(ChannelTest, GreyHasHueAndSaturationZero) {
  EXPECT_EQ(reduceChannel(0x00808080, kChannelHue), 0);
  EXPECT_EQ(reduceChannel(0x00808080, kChannelSaturation), 0);
}

TEST(ChannelTest, YellowLiesAboveTheHueAndSaturationBins) {
  // Cb = -127.5, Cr = 20.808: angle 170.73 degrees, (170.73 + 90) * 1.41667 = 369.4;
  // chroma length 129.19 * 255 = 32943.
  EXPECT_EQ(reduceChannel(0x0000FFFF, kChannelHue), 369);
  const int32_t sat = reduceChannel(0x0000FFFF, kChannelSaturation);
  EXPECT_GT(sat, 32900);
  EXPECT_LT(sat, 33000);
  // Blue: Cb = 127.5, Cr = -20.808: -9.27 degrees, 80.73 * 1.41667 = 114.4.
  EXPECT_EQ(reduceChannel(0x00FF0000, kChannelHue), 114);
}

TEST(PaletteWriterTest, BuildsAWholeTableAndCommitsIt) {
  TestImage img(1, 1, 4);
  for (int i = 0; i < 16; ++i)
    img.setEntry(i, 0xFFFFFF);
  PaletteWriter w;
  EXPECT_EQ(w.begin(img.surface()), 16);
  EXPECT_EQ(w.set(3, 0x00112233), 3);
  EXPECT_EQ(w.set(16, 0x00112233), -1);
  EXPECT_EQ(w.set(-1, 0), -1);
  w.commit(img.surface());
  EXPECT_EQ(img.palette()[3].red, 0x33);
  EXPECT_EQ(img.palette()[3].green, 0x22);
  EXPECT_EQ(img.palette()[3].blue, 0x11);
  EXPECT_EQ(paletteColor(img.surface(), 3), 0x00112233u);
  EXPECT_EQ(paletteColor(img.surface(), 0), 0u); // unset entries are black
  EXPECT_EQ(w.set(3, 0), -1);                    // committed: the writer is closed
  TestImage rgb(1, 1, 24);
  EXPECT_EQ(w.begin(rgb.surface()), -1);
}

} // namespace
} // namespace vop
