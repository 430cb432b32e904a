// Tests of 64-bit arithmetic, parsing, number/byte conversions and string case.
#include "util/core/convert.h"
#include "util/core/int64.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

TEST(Int64, ArithmeticWrapsModulo2To64) {
  EXPECT_EQ(kel::int64Add(INT64_MAX, 1), INT64_MIN);
  EXPECT_EQ(kel::int64Subtract(INT64_MIN, 1), INT64_MAX);
  EXPECT_EQ(kel::int64Add(0x00000000FFFFFFFFll, 1), 0x0000000100000000ll);
  EXPECT_EQ(kel::int64Multiply(0x100000000ll, 0x100000000ll), 0);
  EXPECT_EQ(kel::int64Multiply(-3, 7), -21);
  EXPECT_EQ(kel::int64Multiply(0x123456789ll, 0x10), 0x1234567890ll);
}

TEST(Int64, DivisionTruncatesTowardZero) {
  EXPECT_EQ(kel::int64Divide(7, 2), 3);
  EXPECT_EQ(kel::int64Divide(-7, 2), -3);
  EXPECT_EQ(kel::int64Divide(7, -2), -3);
  EXPECT_EQ(kel::int64Divide(0x7FFFFFFFFFFFFFFFll, 0x100000000ll), 0x7FFFFFFFll);
}

TEST(Int64, DivisionThatWouldTrapGivesDefinedResults) {
  EXPECT_EQ(kel::int64Divide(12345, 0), 0);
  EXPECT_EQ(kel::int64Divide(INT64_MIN, -1), INT64_MIN);
  EXPECT_EQ(kel::int64Divide(5, -1), -5);
}

TEST(Int64, CompareIsSignedOnHighWordUnsignedOnLowWord) {
  EXPECT_EQ(kel::int64Compare(0x100000000ll, 0xFFFFFFFFll), 1);
  EXPECT_EQ(kel::int64Compare(-1, 0), -1);
  EXPECT_EQ(kel::int64Compare(0x80000000ll, 0x7FFFFFFFll), 1);
  EXPECT_EQ(kel::int64Compare(42, 42), 0);
  EXPECT_EQ(kel::int64Compare(INT64_MIN, INT64_MAX), -1);
}

TEST(Int64, LoadReadsLittleEndianAtAnyAlignment) {
  const uint8_t bytes[9] = {0xEE, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81};
  EXPECT_EQ(static_cast<uint64_t>(kel::loadInt64(bytes + 1)), 0x8102030405060708ull);
  EXPECT_EQ(kel::loadInt64(nullptr), 0);
}

TEST(Int64Parse, HexadecimalWithEitherPrefix) {
  EXPECT_EQ(kel::parseInt64("0x7FFFFFFFFFFFFFFF"), INT64_MAX);
  EXPECT_EQ(kel::parseInt64("&hff"), 255);
  EXPECT_EQ(kel::parseInt64("&HFF"), 255);
  EXPECT_EQ(kel::parseInt64("0XaBc"), 0xABC);
  EXPECT_EQ(static_cast<uint64_t>(kel::parseInt64("0xFFFFFFFFFFFFFFFF")), 0xFFFFFFFFFFFFFFFFull);
}

TEST(Int64Parse, MalformedHexadecimalGivesZero) {
  EXPECT_EQ(kel::parseInt64("0x"), 0);
  EXPECT_EQ(kel::parseInt64("0x12345678901234567"), 0); // 17 digits
  EXPECT_EQ(kel::parseInt64("0x1g"), 0);
  EXPECT_EQ(kel::parseInt64("0x12 "), 0);
}

TEST(Int64Parse, DecimalStopsAtFirstNonDigitAndWraps) {
  EXPECT_EQ(kel::parseInt64("-42"), -42);
  EXPECT_EQ(kel::parseInt64(" 12abc"), 12);
  EXPECT_EQ(kel::parseInt64("\t+7"), 7);
  EXPECT_EQ(kel::parseInt64("abc"), 0);
  EXPECT_EQ(kel::parseInt64("-"), 0);
  EXPECT_EQ(kel::parseInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(kel::parseInt64("9223372036854775808"), INT64_MIN);
  EXPECT_EQ(kel::parseInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(kel::parseInt64(nullptr), 0);
}

TEST(Int64Parse, CallerTextIsNotChanged) {
  char text[] = "0XAB";
  EXPECT_EQ(kel::parseInt64(text), 0xAB);
  EXPECT_STREQ(text, "0XAB");
}

std::string text16(int32_t v, int32_t radix) {
  char out[kel::kNumberTextMax];
  kel::int16ToString(v, radix, out);
  return out;
}
std::string text32(int32_t v, int32_t radix) {
  char out[kel::kNumberTextMax];
  kel::int32ToString(v, radix, out);
  return out;
}
std::string text64(int64_t v, int32_t radix) {
  char out[kel::kNumberTextMax];
  EXPECT_EQ(kel::int64ToString(v, radix, out), out);
  return out;
}

TEST(NumberText, SixteenBitValuesAreUnsigned) {
  EXPECT_EQ(text16(-1, 10), "65535");
  EXPECT_EQ(text16(0x12345, 16), "2345");
  EXPECT_EQ(text16(0, 2), "0");
}

TEST(NumberText, Radix10IsSignedOtherRadixesUnsigned) {
  EXPECT_EQ(text32(-1, 16), "ffffffff");
  EXPECT_EQ(text32(-1, 10), "-1");
  EXPECT_EQ(text32(INT32_MIN, 10), "-2147483648");
  EXPECT_EQ(text32(35, 36), "z");
  EXPECT_EQ(text32(36, 36), "10");
  EXPECT_EQ(text32(5, 2), "101");
  EXPECT_EQ(text64(INT64_MIN, 10), "-9223372036854775808");
  EXPECT_EQ(text64(-1, 16), "ffffffffffffffff");
  EXPECT_EQ(text64(-1, 2), std::string(64, '1'));
  EXPECT_EQ(text64(1234567890123ll, 10), "1234567890123");
}

TEST(NumberText, BadRadixWritesEmptyTextAndNullOutputNothing) {
  EXPECT_EQ(text32(5, 1), "");
  EXPECT_EQ(text32(5, 37), "");
  EXPECT_EQ(text64(5, 0), "");
  kel::int32ToString(5, 10, nullptr);
  EXPECT_EQ(kel::int64ToString(5, 10, nullptr), nullptr);
}

TEST(NumberText, NeverWritesPastTheLongestResult) {
  char out[kel::kNumberTextMax + 8];
  std::memset(out, 'X', sizeof out);
  kel::int64ToString(INT64_MIN, 2, out);
  EXPECT_EQ(std::strlen(out), 64u);
  for (size_t i = kel::kNumberTextMax; i < sizeof out; ++i)
    EXPECT_EQ(out[i], 'X');
}

TEST(Bytes, IntegersRoundTripLittleEndian) {
  uint8_t b[8] = {};
  kel::int32ToBytes(0x12345678, b);
  EXPECT_EQ(b[0], 0x78);
  EXPECT_EQ(b[1], 0x56);
  EXPECT_EQ(b[2], 0x34);
  EXPECT_EQ(b[3], 0x12);
  EXPECT_EQ(kel::bytesToInt32(b), 0x12345678);

  uint8_t w[3] = {0, 0, 0xAA};
  kel::int16ToBytes(0x7FFF1234, w);
  EXPECT_EQ(w[0], 0x34);
  EXPECT_EQ(w[1], 0x12);
  EXPECT_EQ(w[2], 0xAA) << "only two bytes are written";
  const uint8_t ff[2] = {0xFF, 0xFF};
  EXPECT_EQ(kel::bytesToInt16(ff), 0xFFFF);

  kel::int64ToBytes(static_cast<int64_t>(0x8877665544332211ull), b);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(b[i], 0x11 * (i + 1));
  EXPECT_EQ(static_cast<uint64_t>(kel::bytesToInt64(b)), 0x8877665544332211ull);
}

TEST(Bytes, NullPointersAreHarmless) {
  kel::int16ToBytes(1, nullptr);
  kel::int32ToBytes(1, nullptr);
  kel::int64ToBytes(1, nullptr);
  EXPECT_EQ(kel::bytesToInt16(nullptr), 0);
  EXPECT_EQ(kel::bytesToInt32(nullptr), 0);
  EXPECT_EQ(kel::bytesToInt64(nullptr), 0);
}

TEST(StringToBytes, CopiesWithoutTerminatorOrOnlyMeasures) {
  char out[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(kel::stringToBytes("abc", nullptr), 3);
  EXPECT_EQ(kel::stringToBytes("abc", out), 3);
  EXPECT_EQ(std::string(out, 4), "abcx");
  EXPECT_EQ(kel::stringToBytes(nullptr, out), 0);
}

TEST(StringCase, OnlyAsciiLettersChange) {
  char text[] = "Hello, World! 123 @[`{";
  kel::stringLower(text);
  EXPECT_STREQ(text, "hello, world! 123 @[`{");
  kel::stringUpper(text);
  EXPECT_STREQ(text, "HELLO, WORLD! 123 @[`{");
  kel::stringLower(nullptr);
  kel::stringUpper(nullptr);
}

bool isShiftJisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

TEST(StringCase, DoubleByteTrailBytesThatLookLikeLettersAreKept) {
  // 0x83 0x41 and 0x83 0x61 are two katakana whose trail bytes are 'A' and 'a'.
  char text[] = "\x83\x41"
                "Ab"
                "\x83\x61";
  kel::stringLower(text, isShiftJisLead);
  EXPECT_STREQ(text, "\x83\x41"
                     "ab"
                     "\x83\x61");
  kel::stringUpper(text, isShiftJisLead);
  EXPECT_STREQ(text, "\x83\x41"
                     "AB"
                     "\x83\x61");
  // A lead byte right before the terminator does not run past it.
  char cut[] = "a\x83";
  kel::stringUpper(cut, isShiftJisLead);
  EXPECT_STREQ(cut, "A\x83");
}

} // namespace
