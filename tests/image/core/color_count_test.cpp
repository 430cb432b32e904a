// Tests of the colour-count hash table.
#include "image/core/color_count.h"

#include <gtest/gtest.h>

#include "image/core/result.h"

namespace vop {
namespace {

TEST(ColorCountHashTest, MatchesHandComputedValues) {
  EXPECT_EQ(ColorCountTable::hash(0), 0u);
  EXPECT_EQ(ColorCountTable::hash(1), 27011u);
  // 0xFFFFFF * 27011 = 453,169,354,365: mod 2^32 = 2,197,788,285; minus 2^31 = 50,304,637;
  // minus 2 * 16,772,191 = 16,760,255.
  EXPECT_EQ(ColorCountTable::hash(0x00FFFFFF), 16760255u);
  // 621 * 27011 = 16,773,831 just past the prime: 16,773,831 - 16,772,191 = 1,640.
  EXPECT_EQ(ColorCountTable::hash(621), 1640u);
}

TEST(ColorCountHashTest, BitThirtyOneNeverMatters) {
  // 2^31 * 27011 is a multiple of 2^31, which the mask removes.
  EXPECT_EQ(ColorCountTable::hash(0x80000005), ColorCountTable::hash(5));
}

TEST(ColorCountTableTest, SameColourTwiceIsOneNodeWithCountTwo) {
  ColorCountTable t;
  EXPECT_EQ(t.insert(0x00123456), 1);
  EXPECT_EQ(t.insert(0x00123456), 1);
  EXPECT_EQ(t.countOf(0x00123456), 2u);
  EXPECT_EQ(t.distinct(), 1u);
  EXPECT_EQ(t.chainLength(ColorCountTable::hash(0x00123456)), 1u);
}

TEST(ColorCountTableTest, CollidingColoursChainInOneBucket) {
  ColorCountTable t;
  EXPECT_EQ(t.insert(5), 1);
  EXPECT_EQ(t.insert(0x80000005), 2);
  EXPECT_EQ(t.insert(5), 2);
  EXPECT_EQ(t.chainLength(ColorCountTable::hash(5)), 2u);
  EXPECT_EQ(t.countOf(5), 2u);
  EXPECT_EQ(t.countOf(0x80000005), 1u);
}

TEST(ColorCountTableTest, ClearOfTableZeroResetsCountsAndDistinct) {
  ColorCountTable t;
  for (uint32_t c = 0; c < 1000; ++c)
    t.insert(c * 0x010101);
  EXPECT_EQ(t.distinct(), 1000u);
  t.clear(0);
  EXPECT_EQ(t.distinct(), 0u);
  // The bucket array outlives the clear, so the next count needs no 67 MB block.
  EXPECT_TRUE(t.holdsBuckets());
  for (uint32_t c = 0; c < 1000; ++c)
    EXPECT_EQ(t.countOf(c * 0x010101), 0u) << c;
  for (uint32_t c = 0; c < 1000; ++c)
    EXPECT_EQ(t.chainLength(ColorCountTable::hash(c * 0x010101)), 0u) << c;
  EXPECT_EQ(t.insert(0x010101), 1);
  EXPECT_EQ(t.countOf(0x010101), 1u);
}

TEST(ColorCountTableTest, ClearOfTableOneKeepsTheDistinctCount) {
  ColorCountTable t;
  t.insert(7);
  t.insert(8);
  t.clear(1);
  EXPECT_EQ(t.distinct(), 2u);
  EXPECT_EQ(t.countOf(8), 1u);
  t.clear(5); // no such table: ignored
  EXPECT_EQ(t.distinct(), 2u);
}

TEST(ColorCountTableTest, CountsEveryColourOfACraftedImage) {
  // 64 x 64 pixels in 4 colours, the first used 1,000 times.
  ColorCountTable t;
  int32_t last = 0;
  for (int i = 0; i < 64 * 64; ++i) {
    const uint32_t c =
        i < 1000 ? 0x000000FF : (i % 3 == 0 ? 0x00FF0000 : (i % 3 == 1 ? 0x0000FF00 : 0));
    last = t.insert(c);
  }
  EXPECT_EQ(last, 4);
  EXPECT_EQ(t.countOf(0x000000FF), 1000u);
  EXPECT_EQ(t.countOf(0x00FF0000) + t.countOf(0x0000FF00) + t.countOf(0), 64u * 64 - 1000);
}

} // namespace
} // namespace vop
