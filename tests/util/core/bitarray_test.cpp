// Tests of the bit-array slot table and the shift helpers.
#include "util/core/bitarray.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace {

using kel::BitArrays;

TEST(BitArrays, TenByTenUsesFourWordsMostSignificantBitFirst) {
  BitArrays arrays;
  int32_t slot = -7;
  EXPECT_EQ(arrays.operate(BitArrays::kCreate, 10, 10, &slot), 4);
  EXPECT_EQ(slot, 0);
  const uint32_t *words = arrays.words(slot);
  ASSERT_NE(words, nullptr);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(words[i], 0u) << "a new array is all zero";

  EXPECT_EQ(arrays.operate(BitArrays::kSet, 0, 0, &slot), 1);
  EXPECT_EQ(words[0], 0x80000000u);
  EXPECT_EQ(arrays.operate(BitArrays::kSet, 1, 0, &slot), 1);
  EXPECT_EQ(words[0], 0xC0000000u);
  EXPECT_EQ(arrays.operate(BitArrays::kSet, 2, 3, &slot), 1); // n = 32
  EXPECT_EQ(words[1], 0x80000000u);
  EXPECT_EQ(arrays.operate(BitArrays::kSet, 9, 9, &slot), 1); // n = 99: word 3, bit 28
  EXPECT_EQ(words[3], 1u << 28);

  EXPECT_EQ(arrays.operate(BitArrays::kTest, 1, 0, &slot), 1);
  EXPECT_EQ(arrays.operate(BitArrays::kClear, 1, 0, &slot), 0);
  EXPECT_EQ(arrays.operate(BitArrays::kTest, 1, 0, &slot), 0);
  EXPECT_EQ(words[0], 0x80000000u);
}

TEST(BitArrays, BitsMatchAModelUnderRandomOperations) {
  BitArrays arrays;
  int32_t slot = 0;
  const int w = 37, h = 11;
  ASSERT_EQ(arrays.operate(BitArrays::kCreate, w, h, &slot), (w * h + 31) / 32);
  std::vector<bool> model(w * h);
  std::mt19937 rng(3);
  for (int i = 0; i < 5000; ++i) {
    const int x = static_cast<int>(rng() % w), y = static_cast<int>(rng() % h);
    const bool set = (rng() & 1) != 0;
    EXPECT_EQ(arrays.operate(set ? BitArrays::kSet : BitArrays::kClear, x, y, &slot), set ? 1 : 0);
    model[x + y * w] = set;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(arrays.operate(BitArrays::kTest, x, y, &slot), model[x + y * w] ? 1 : 0);
}

TEST(BitArrays, EmptyArrayRefusesEveryPosition) {
  BitArrays arrays;
  int32_t slot = 0;
  EXPECT_EQ(arrays.operate(BitArrays::kCreate, 0, 5, &slot), 0);
  EXPECT_EQ(arrays.operate(BitArrays::kSet, 0, 0, &slot), -1);
  EXPECT_EQ(arrays.operate(BitArrays::kClear, 0, 0, &slot), -1);
  EXPECT_EQ(arrays.operate(BitArrays::kTest, 0, 0, &slot), -1);
}

TEST(BitArrays, PositionsOutsideTheArrayAreRefused) {
  BitArrays arrays;
  int32_t slot = 0;
  arrays.operate(BitArrays::kCreate, 4, 3, &slot);
  for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {INT32_MIN, 0}, {0, INT32_MAX}})
    EXPECT_EQ(arrays.operate(BitArrays::kSet, x, y, &slot), -1) << x << "," << y;
  EXPECT_EQ(arrays.operate(BitArrays::kSet, 3, 2, &slot), 1);
}

TEST(BitArrays, BadSlotsAndOperationsAreRefused) {
  BitArrays arrays;
  int32_t slot = 0;
  EXPECT_EQ(arrays.operate(BitArrays::kCreate, 1, 1, nullptr), -1);
  EXPECT_EQ(arrays.operate(BitArrays::kCreate, -1, 1, &slot), -1);
  EXPECT_EQ(arrays.operate(BitArrays::kCreate, 1, -1, &slot), -1);
  EXPECT_EQ(arrays.usedMask(), 0u);
  arrays.operate(BitArrays::kCreate, 8, 8, &slot);
  for (int32_t bad : {-1, 1, 31, 32, 1000}) {
    int32_t s = bad;
    EXPECT_EQ(arrays.operate(BitArrays::kSet, 0, 0, &s), -1) << bad;
    EXPECT_EQ(arrays.operate(BitArrays::kTest, 0, 0, &s), -1) << bad;
  }
  EXPECT_EQ(arrays.operate(BitArrays::kTest, 0, 0, nullptr), -1);
  EXPECT_EQ(arrays.operate(0, 0, 0, &slot), -1);
  EXPECT_EQ(arrays.operate(6, 0, 0, &slot), -1);
}

TEST(BitArrays, AreaTooLargeForTheResultIsRefused) {
  BitArrays arrays;
  int32_t slot = 0;
  EXPECT_EQ(arrays.operate(BitArrays::kCreate, INT32_MAX, INT32_MAX, &slot), -1);
  EXPECT_EQ(arrays.usedMask(), 0u);
}

TEST(BitArrays, ThirtyThirdArrayIsRefusedAndSlotsAreReusedLowestFirst) {
  BitArrays arrays;
  for (int32_t i = 0; i < 32; ++i) {
    int32_t slot = -1;
    ASSERT_EQ(arrays.operate(BitArrays::kCreate, 1, 1, &slot), 1);
    EXPECT_EQ(slot, i);
  }
  int32_t slot = 0;
  EXPECT_EQ(arrays.operate(BitArrays::kCreate, 1, 1, &slot), -1);
  EXPECT_EQ(slot, 32);

  int32_t five = 5;
  arrays.operate(BitArrays::kSet, 0, 0, &five);
  EXPECT_EQ(arrays.operate(BitArrays::kDelete, 0, 0, &five), 0);
  EXPECT_EQ(arrays.operate(BitArrays::kDelete, 0, 0, &five), -1) << "slot 5 is free now";
  EXPECT_EQ(arrays.operate(BitArrays::kTest, 0, 0, &five), -1);
  EXPECT_EQ(arrays.operate(BitArrays::kCreate, 2, 2, &slot), 1);
  EXPECT_EQ(slot, 5);
  EXPECT_EQ(arrays.operate(BitArrays::kTest, 0, 0, &slot), 0) << "a reused slot starts clear";

  int32_t all = 32;
  EXPECT_EQ(arrays.operate(BitArrays::kDelete, 0, 0, &all), 0);
  EXPECT_EQ(arrays.usedMask(), 0u);
  EXPECT_EQ(arrays.operate(BitArrays::kCreate, 3, 3, &slot), 1);
  EXPECT_EQ(slot, 0);
}

TEST(BitArrays, DeleteRefusesNullAndNegativeSlots) {
  BitArrays arrays;
  int32_t negative = -1;
  EXPECT_EQ(arrays.operate(BitArrays::kDelete, 0, 0, nullptr), -1);
  EXPECT_EQ(arrays.operate(BitArrays::kDelete, 0, 0, &negative), -1);
  int32_t big = 100;
  EXPECT_EQ(arrays.operate(BitArrays::kDelete, 0, 0, &big), 0) << "freeing all of none is fine";
}

TEST(Shifts, CountsAreTakenModuloTheWidth) {
  EXPECT_EQ(kel::shiftByteL(0x81, 1), 0x02u);
  EXPECT_EQ(kel::shiftByteL(0x01, 9), 0x02u);
  EXPECT_EQ(kel::shiftByteR(0x1F0, 4), 0x0Fu);
  EXPECT_EQ(kel::shiftInt16L(0x8001, 1), 0x0002u);
  EXPECT_EQ(kel::shiftInt16R(0x18000, 15), 1u);
  EXPECT_EQ(kel::shiftInt16L(1, 16), 1u);
  EXPECT_EQ(kel::shiftInt32R(0x80000000u, 31), 1u);
  EXPECT_EQ(kel::shiftInt32R(0x80000000u, 32), 0x80000000u);
  EXPECT_EQ(kel::shiftInt32L(3, -1), 0x80000000u);
  EXPECT_EQ(kel::shiftInt64L(1, 64), 1u);
  EXPECT_EQ(kel::shiftInt64L(1, 63), 0x8000000000000000ull);
  EXPECT_EQ(kel::shiftInt64R(0x8000000000000000ull, 63), 1u) << "logical, not arithmetic";
}

} // namespace
