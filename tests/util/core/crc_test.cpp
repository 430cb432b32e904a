// Tests of the CRC-32 and CRC-16 cores against the published check values and a bitwise model.
#include "util/core/crc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

const char kDigits[] = "123456789";

// Bit-at-a-time model of an unreflected CRC, independent of the table code.
uint32_t bitwiseCrc(const std::vector<uint8_t> &data, int width, uint32_t poly, uint32_t init) {
  const uint32_t top = 1u << (width - 1);
  const uint32_t mask = width == 32 ? 0xFFFFFFFFu : (1u << width) - 1;
  uint32_t reg = init;
  for (uint8_t byte : data) {
    for (int bit = 7; bit >= 0; --bit) {
      const bool in = ((byte >> bit) & 1) != 0;
      const bool out = (reg & top) != 0;
      reg = (reg << 1) & mask;
      if (in != out)
        reg ^= poly;
    }
  }
  return ~reg & mask;
}

TEST(Crc, MatchesPublishedCheckValues) {
  EXPECT_EQ(kel::crc32(kDigits, 9), 0xFC891918u);
  EXPECT_EQ(kel::crc16(kDigits, 9), 0xD64Eu);
  EXPECT_EQ(kel::crc32("abc", 3), 0x648CBB73u);
  EXPECT_EQ(kel::crc16("abc", 3), 0xAEB5u);
}

TEST(Crc, EmptyInputGivesComplementOfInitialRegister) {
  EXPECT_EQ(kel::crc32(nullptr, 0), 0u);
  EXPECT_EQ(kel::crc16(nullptr, 0), 0u);
}

TEST(Crc, TablesAgreeWithBitwiseModelOnRandomData) {
  std::mt19937 rng(7);
  for (int round = 0; round < 50; ++round) {
    std::vector<uint8_t> data(rng() % 300);
    for (auto &b : data)
      b = static_cast<uint8_t>(rng());
    EXPECT_EQ(kel::crc32(data.data(), data.size()), bitwiseCrc(data, 32, 0x04C11DB7u, 0xFFFFFFFFu));
    EXPECT_EQ(kel::crc16(data.data(), data.size()), bitwiseCrc(data, 16, 0x1021u, 0xFFFFu));
  }
}

TEST(CrcRegisters, ChunkedCrc32ReportsRunningChecksum) {
  kel::CrcRegisters regs;
  EXPECT_EQ(regs.getCrc32(1, 0, nullptr), 0u);
  EXPECT_EQ(regs.getCrc32(0, 4, "1234"), kel::crc32("1234", 4));
  EXPECT_EQ(regs.getCrc32(0, 5, "56789"), 0xFC891918u);
  // A reset starts over.
  EXPECT_EQ(regs.getCrc32(1, 99, "ignored"), 0u);
  EXPECT_EQ(regs.getCrc32(0, 9, kDigits), 0xFC891918u);
}

TEST(CrcRegisters, Crc16InChunksAndResultInLowBitsOnly) {
  kel::CrcRegisters regs;
  regs.getCrc16(1, 0, nullptr);
  EXPECT_EQ(regs.getCrc16(0, 3, "123"), kel::crc16("123", 3));
  EXPECT_EQ(regs.getCrc16(0, 6, "456789"), 0xD64Eu);
}

TEST(CrcRegisters, ZeroLengthAfterResetReturnsZero) {
  kel::CrcRegisters regs;
  regs.getCrc32(1, 0, nullptr);
  regs.getCrc16(1, 0, nullptr);
  EXPECT_EQ(regs.getCrc32(0, 0, kDigits), 0u);
  EXPECT_EQ(regs.getCrc16(0, 0, kDigits), 0u);
}

TEST(CrcRegisters, NullDataReturnsZeroAndKeepsTheRegister) {
  kel::CrcRegisters regs;
  regs.getCrc32(1, 0, nullptr);
  regs.getCrc32(0, 4, "1234");
  EXPECT_EQ(regs.getCrc32(0, 5, nullptr), 0u);
  EXPECT_EQ(regs.getCrc32(0, 5, "56789"), 0xFC891918u);
}

TEST(CrcRegisters, FreshInstanceBehavesAsIfReset) {
  kel::CrcRegisters regs;
  EXPECT_EQ(regs.getCrc32(0, 9, kDigits), 0xFC891918u);
  EXPECT_EQ(regs.getCrc16(0, 9, kDigits), 0xD64Eu);
}

TEST(CrcRegisters, Crc16CountsOnlyTheLow16BitsOfTheLength) {
  std::vector<uint8_t> data(0x10003, 0x5A);
  kel::CrcRegisters regs;
  regs.getCrc16(1, 0, nullptr);
  // 0x10003 feeds 3 bytes; 0x10000 feeds nothing.
  EXPECT_EQ(regs.getCrc16(0, 0x10003, data.data()), kel::crc16(data.data(), 3));
  EXPECT_EQ(regs.getCrc16(0, 0x10000, data.data()), kel::crc16(data.data(), 3));
}

TEST(CrcAccumulator, StreamOfPiecesEqualsWholeBuffer) {
  kel::Crc32Accumulator c32;
  kel::Crc16Accumulator c16;
  for (size_t i = 0; i < 9; i += 2) {
    const size_t n = i + 2 <= 9 ? 2 : 1;
    c32.feed(kDigits + i, n);
    c16.feed(kDigits + i, n);
  }
  EXPECT_EQ(c32.value(), 0xFC891918u);
  EXPECT_EQ(c16.value(), 0xD64Eu);
  EXPECT_EQ(kel::Crc32Accumulator{}.value(), 0u);
}

// Every path against the bitwise model, on every length up to 300 (the folding path's block
// edges at 16 and 64 bytes and its switch-over from the tables lie there), a few long ones, every
// start offset within a vector lane, and registers other than the initial one.
TEST(CrcPaths, EveryPathAgreesWithTheBitwiseModelOnAllLengthsAndOffsets) {
  std::mt19937 rng(11);
  std::vector<uint8_t> buffer(70000 + 16);
  for (auto &b : buffer)
    b = static_cast<uint8_t>(rng());
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 300; ++n)
    lengths.push_back(n);
  for (size_t n : {511u, 1024u, 4099u, 65536u, 70000u})
    lengths.push_back(n);
  for (const kel::CrcPath path :
       {kel::CrcPath::Bytewise, kel::CrcPath::Sliced, kel::CrcPath::Folded}) {
    if (!kel::crcPathAvailable(path)) {
      std::printf("SKIP: CRC path %d needs instructions this processor lacks\n",
                  static_cast<int>(path));
      continue;
    }
    int failures = 0;
    for (size_t n : lengths) {
      const size_t offset = n % 16;
      const std::vector<uint8_t> data(buffer.begin() + static_cast<long>(offset),
                                      buffer.begin() + static_cast<long>(offset + n));
      const uint8_t *at = buffer.data() + offset;
      const bool ok32 = ~kel::crc32UpdateWith(path, 0xFFFFFFFFu, at, n) ==
                        bitwiseCrc(data, 32, 0x04C11DB7u, 0xFFFFFFFFu);
      const bool ok16 = static_cast<uint16_t>(~kel::crc16UpdateWith(path, 0xFFFF, at, n)) ==
                        bitwiseCrc(data, 16, 0x1021u, 0xFFFFu);
      // An arbitrary running register, as in the middle of a chunked checksum.
      const uint32_t reg = static_cast<uint32_t>(rng());
      const bool okReg32 = kel::crc32UpdateWith(path, reg, at, n) ==
                           kel::crc32UpdateWith(kel::CrcPath::Bytewise, reg, at, n);
      const bool okReg16 =
          kel::crc16UpdateWith(path, static_cast<uint16_t>(reg), at, n) ==
          kel::crc16UpdateWith(kel::CrcPath::Bytewise, static_cast<uint16_t>(reg), at, n);
      if (!(ok32 && ok16 && okReg32 && okReg16) && ++failures <= 5)
        ADD_FAILURE() << "path " << static_cast<int>(path) << " length " << n << " offset "
                      << offset << ": crc32 " << ok32 << " crc16 " << ok16 << " register32 "
                      << okReg32 << " register16 " << okReg16;
    }
    for (size_t offset = 0; offset < 16; ++offset) {
      const uint8_t *at = buffer.data() + offset;
      EXPECT_EQ(kel::crc32UpdateWith(path, 0xFFFFFFFFu, at, 1000),
                kel::crc32UpdateWith(kel::CrcPath::Bytewise, 0xFFFFFFFFu, at, 1000))
          << "offset " << offset;
      EXPECT_EQ(kel::crc16UpdateWith(path, 0xFFFF, at, 1000),
                kel::crc16UpdateWith(kel::CrcPath::Bytewise, 0xFFFF, at, 1000))
          << "offset " << offset;
    }
  }
}

TEST(CrcPaths, PlainUpdateAgreesWithTheByteTableAcrossItsSwitchOver) {
  std::vector<uint8_t> data(4096);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<uint8_t>(i * 131 + (i >> 8));
  for (size_t n : {0u, 1u, 63u, 64u, 127u, 128u, 129u, 200u, 4095u, 4096u}) {
    EXPECT_EQ(kel::crc32Update(0x12345678u, data.data(), n),
              kel::crc32UpdateWith(kel::CrcPath::Bytewise, 0x12345678u, data.data(), n))
        << n;
    EXPECT_EQ(kel::crc16Update(0xBEEF, data.data(), n),
              kel::crc16UpdateWith(kel::CrcPath::Bytewise, 0xBEEF, data.data(), n))
        << n;
  }
  // Checksums fed in pieces of uneven size match the whole buffer on the fast paths too.
  kel::Crc32Accumulator c32;
  kel::Crc16Accumulator c16;
  for (size_t at = 0, step = 1; at < data.size(); at += step, step = step * 3 % 701 + 1) {
    const size_t n = std::min(step, data.size() - at);
    c32.feed(data.data() + at, n);
    c16.feed(data.data() + at, n);
  }
  EXPECT_EQ(c32.value(), kel::crc32(data.data(), data.size()));
  EXPECT_EQ(c16.value(), kel::crc16(data.data(), data.size()));
  EXPECT_EQ(c32.value(), bitwiseCrc(data, 32, 0x04C11DB7u, 0xFFFFFFFFu));
  EXPECT_EQ(c16.value(), bitwiseCrc(data, 16, 0x1021u, 0xFFFFu));
}

} // namespace
