// kelsys.dll's data families through the DLL itself: the calling convention, 64-bit and
// floating-point results, caller records, global memory blocks and the process-wide state.
#include <windows.h>

#include "include/kelsys.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> sampleData(size_t n) {
  std::vector<uint8_t> data(n);
  for (size_t i = 0; i < n; ++i)
    data[i] = static_cast<uint8_t>("the quick brown fox jumps over the lazy dog "[i % 44] +
                                   (i / 977) % 3);
  return data;
}

TEST(DataExports, LzssRoundTripsThroughBuffersAndPacks) {
  const std::vector<uint8_t> plain = sampleData(20000);
  for (int flags : {0x100, 0x200, 0x400, 0x800, 0x1000}) {
    std::vector<uint8_t> packed(plain.size());
    const int size =
        kelCompress(flags, plain.data(), packed.data(), static_cast<uint32_t>(plain.size()),
                    static_cast<uint32_t>(packed.size()));
    ASSERT_GT(size, 0) << flags;
    EXPECT_LT(size, static_cast<int>(plain.size() / 4)) << "repetitive text compresses well";
    std::vector<uint8_t> back(plain.size());
    EXPECT_EQ(kelExpand(flags, packed.data(), back.data(), static_cast<uint32_t>(size),
                        static_cast<uint32_t>(back.size())),
              static_cast<int>(plain.size()));
    EXPECT_EQ(back, plain) << flags;
  }
  EXPECT_EQ(kelCompress(0, plain.data(), nullptr, 10, 10), 0) << "no method flag";

  KEL_CPPACK pack{};
  pack.plainLength = static_cast<uint32_t>(plain.size());
  ASSERT_EQ(kelCompress2(0x15, plain.data(), &pack), 0);
  ASSERT_NE(pack.packedData, nullptr);
  std::vector<uint8_t> back(plain.size());
  EXPECT_EQ(kelExpand2(0x15, &pack, back.data()), 0);
  EXPECT_EQ(back, plain);
  EXPECT_EQ(kelDeleteCpPack(&pack), 0);
  EXPECT_EQ(pack.packedData, nullptr);
  EXPECT_EQ(pack.packedLength, 0u);
}

TEST(DataExports, HuffmanRoundTripsWithItsTable) {
  const std::vector<uint8_t> plain = sampleData(5000);
  uint32_t table[512] = {};
  std::vector<uint8_t> packed(plain.size());
  const int size =
      kelEncodeH(packed.data(), plain.data(), 0, table, static_cast<uint32_t>(plain.size()),
                 static_cast<uint32_t>(packed.size()));
  ASSERT_GT(size, 0);
  uint32_t total = 0;
  for (int i = 0; i < 256; ++i)
    total += table[i];
  EXPECT_EQ(total, plain.size()) << "the table holds the byte counts";
  std::vector<uint8_t> back(plain.size());
  EXPECT_EQ(kelDecodeH(0, packed.data(), back.data(), table, static_cast<uint32_t>(plain.size())),
            static_cast<int>(plain.size()));
  EXPECT_EQ(back, plain);

  KEL_CPPACKH pack{};
  pack.plainLength = static_cast<uint32_t>(plain.size());
  ASSERT_EQ(kelEncodeH2(0, plain.data(), &pack), 0);
  std::vector<uint8_t> again(plain.size());
  EXPECT_EQ(kelDecodeH2(0, &pack, again.data()), 0);
  EXPECT_EQ(again, plain);
  kelDeleteCpPackH(&pack);
  EXPECT_EQ(pack.table, nullptr);
  EXPECT_EQ(pack.packed, nullptr);

  const uint32_t values[3] = {3, 5, 1000};
  uint8_t coded[16] = {};
  const int codedSize = kelEncodeW(values, coded, 3, sizeof coded);
  ASSERT_GT(codedSize, 0);
  uint32_t decoded[3] = {};
  EXPECT_EQ(kelDecodeW(coded, decoded, 3), 3);
  EXPECT_EQ(std::memcmp(decoded, values, sizeof values), 0);
}

// The checksums are CRC-32/BZIP2 and CRC-16/GENIBUS (most significant bit first).
TEST(DataExports, CrcMatchesTheCheckValuesIncrementallyAndForFiles) {
  const char digits[] = "123456789";
  EXPECT_EQ(kelGetCRC32(1, 0, nullptr), 0u);
  EXPECT_EQ(kelGetCRC32(0, 0, digits), 0u) << "nothing fed yet";
  const uint32_t first = kelGetCRC32(0, 4, digits);
  EXPECT_NE(first, 0u);
  EXPECT_EQ(kelGetCRC32(0, 5, digits + 4), 0xFC891918u) << "published CRC-32/BZIP2 check value";
  EXPECT_EQ(kelGetCRC16(1, 0, nullptr), 0u);
  EXPECT_EQ(kelGetCRC16(0, 9, digits), 0xD64Eu) << "published CRC-16/GENIBUS check value";
  kelGetCRC32(1, 0, nullptr);
  EXPECT_EQ(kelGetCRC32(0, 3, "abc"), 0x648CBB73u);

  testutil::ScratchDir dir;
  const std::string file = dir.file("digits.txt", digits);
  EXPECT_EQ(kelGetCRC32ofFile(file.c_str()), 0xFC891918u);
  EXPECT_EQ(kelGetCRC16ofFile(file.c_str()), 0xD64Eu);
  EXPECT_EQ(kelGetCRC32ofFile(dir.file("empty.txt").c_str()), 0u);
  EXPECT_EQ(kelGetCRC32ofFile(dir.join("missing").c_str()), 0u);
  EXPECT_EQ(kelGetCRC32ofFile(nullptr), 0u);
}

TEST(DataExports, SixtyFourBitResultsComeBackWhole) {
  const int64_t a = 0x123456789LL, b = -0x100000000LL;
  EXPECT_EQ(kelAddInt64(&a, &b), a + b);
  EXPECT_EQ(kelSubtractInt64(&a, &b), a - b);
  EXPECT_EQ(kelMultiplyInt64(&a, &a),
            static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(a)));
  EXPECT_EQ(kelDivideInt64(&b, &a), b / a);
  EXPECT_EQ(kelCompareInt64(&a, &b), 1);
  EXPECT_EQ(kelCompareInt64(&b, &a), -1);
  EXPECT_EQ(kelSetInt64("-9223372036854775807"), -9223372036854775807LL);
  char text[80];
  EXPECT_STREQ(kelCInt64ToString(&b, 16, text), "ffffffff00000000");
  kelCInt32ToString(-42, 10, text);
  EXPECT_STREQ(text, "-42");
  const uint64_t one = 1;
  EXPECT_EQ(kelShiftInt64L(&one, 40), 1ULL << 40);
  EXPECT_EQ(kelShiftInt32R(0x80000000u, 31), 1u);
  uint8_t bytes[8];
  kelCInt64ToByte(&a, bytes);
  EXPECT_EQ(kelCByteToInt64(bytes), a);
}

TEST(DataExports, RandomNumbersFollowTheGeneratorAndFractionsComeInTheFloatRegister) {
  EXPECT_EQ(kelSetSeed(12345u), 12345u);
  const uint32_t first = kelRand0i();
  EXPECT_EQ(first, 12345u * 1566083941u + 1u);
  kelSetSeed(12345u);
  const double fraction = kelRand0d();
  EXPECT_EQ(fraction, first / 4294967296.0);
  EXPECT_GE(fraction, 0.0);
  EXPECT_LT(fraction, 1.0);
}

TEST(DataExports, BitArraysAndMemoryRoutines) {
  int32_t slot = -1;
  EXPECT_EQ(kelBitArray(KEL_BITS_CREATE, 100, 3, &slot), 10); // 300 bits in 10 words
  EXPECT_EQ(kelBitArray(KEL_BITS_SET, 99, 2, &slot), 1);
  EXPECT_EQ(kelBitArray(KEL_BITS_TEST, 99, 2, &slot), 1);
  EXPECT_EQ(kelBitArray(KEL_BITS_TEST, 98, 2, &slot), 0);
  EXPECT_EQ(kelBitArray(KEL_BITS_TEST, 100, 2, &slot), -1);
  EXPECT_EQ(kelBitArray(KEL_BITS_DELETE, 0, 0, &slot), 0);

  char buffer[16] = "abcdefgh";
  EXPECT_EQ(kelCopyMemory(buffer + 2, buffer, 6), 6u);
  EXPECT_STREQ(buffer, "ababcdef");
  kelFillMemory(buffer, 0x141, 3);
  EXPECT_EQ(std::string(buffer, 3), "AAA");

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  std::memcpy(GlobalLock(block), "globals!", 8);
  GlobalUnlock(block);
  char out[9] = {};
  kelGlobalCopy(out, block, 8);
  EXPECT_STREQ(out, "globals!");
  GlobalFree(block);
}

TEST(DataExports, StringCaseKeepsJapaneseCharacters) {
  EXPECT_EQ(GetACP(), 932u);
  char text[] = "abc\x83\x61xyz"; // 0x83 0x61 is one Japanese character
  kelStringUpper(text);
  EXPECT_STREQ(text, "ABC\x83\x61XYZ");
  kelStringLower(text);
  EXPECT_STREQ(text, "abc\x83\x61xyz");
}

TEST(DataExports, QueuesAndStacksKeepBlocksInGlobalMemory) {
  KEL_OBJECT_HANDLE queue{};
  KEL_OBJECT_PARAMS params = {KEL_KIND_BLOCK, 2};
  ASSERT_EQ(kelQueue(KEL_OBJ_CREATE, &queue, &params), 0);
  EXPECT_EQ(queue.capacity, 2u);
  char payload[] = "payload";
  KEL_BLOCK_ELEMENT in = {sizeof payload, 0, reinterpret_cast<HGLOBAL>(payload)};
  EXPECT_EQ(kelQueue(KEL_OBJ_PUT, &queue, &in), 0);
  EXPECT_EQ(kelQueue(KEL_OBJ_COUNT, &queue, nullptr), 1);
  KEL_BLOCK_ELEMENT out{};
  ASSERT_EQ(kelQueue(KEL_OBJ_TAKE, &queue, &out), 0);
  EXPECT_EQ(out.size, sizeof payload);
  EXPECT_EQ(out.held, 1u);
  ASSERT_NE(out.block, nullptr);
  EXPECT_STREQ(static_cast<const char *>(GlobalLock(out.block)), "payload");
  GlobalUnlock(out.block);
  EXPECT_EQ(kelQueue(KEL_OBJ_DESTROY, &queue, nullptr), 0);
  EXPECT_EQ(queue.object, nullptr);

  KEL_OBJECT_HANDLE stack{};
  ASSERT_EQ(kelStack(KEL_OBJ_CREATE, &stack, nullptr), 0); // 16 32-bit integers
  for (int32_t i = 0; i < 16; ++i)
    EXPECT_EQ(kelStack(KEL_OBJ_PUT, &stack, &i), i);
  int32_t more = 99;
  EXPECT_EQ(kelStack(KEL_OBJ_PUT, &stack, &more), -2);
  int32_t top = 0;
  EXPECT_EQ(kelStack(KEL_OBJ_TAKE, &stack, &top), 0);
  EXPECT_EQ(top, 15);
  EXPECT_EQ(kelStack(KEL_OBJ_DESTROY, &stack, nullptr), 0);
}

} // namespace
