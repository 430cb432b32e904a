// Table-driven CRC-32 and CRC-16 (most significant bit first) and the incremental registers.
#include "util/core/crc.h"

#include <array>

namespace kel {
namespace {

constexpr std::array<uint32_t, 256> makeTable32() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t reg = i << 24;
    for (int bit = 0; bit < 8; ++bit)
      reg = (reg & 0x80000000u) ? (reg << 1) ^ 0x04C11DB7u : reg << 1;
    table[i] = reg;
  }
  return table;
}

constexpr std::array<uint16_t, 256> makeTable16() {
  std::array<uint16_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t reg = i << 8;
    for (int bit = 0; bit < 8; ++bit)
      reg = (reg & 0x8000u) ? ((reg << 1) ^ 0x1021u) & 0xFFFFu : (reg << 1) & 0xFFFFu;
    table[i] = static_cast<uint16_t>(reg);
  }
  return table;
}

// Built at compile time: there is no state in which a table is missing.
constexpr std::array<uint32_t, 256> kTable32 = makeTable32();
constexpr std::array<uint16_t, 256> kTable16 = makeTable16();

} // namespace

uint32_t crc32Update(uint32_t reg, const void *data, size_t length) {
  const auto *p = static_cast<const uint8_t *>(data);
  for (size_t i = 0; i < length; ++i)
    reg = kTable32[((reg >> 24) ^ p[i]) & 0xFFu] ^ (reg << 8);
  return reg;
}

uint16_t crc16Update(uint16_t reg, const void *data, size_t length) {
  const auto *p = static_cast<const uint8_t *>(data);
  uint32_t r = reg;
  for (size_t i = 0; i < length; ++i)
    r = (kTable16[((r >> 8) ^ p[i]) & 0xFFu] ^ (r << 8)) & 0xFFFFu;
  return static_cast<uint16_t>(r);
}

uint32_t crc32(const void *data, size_t length) { return ~crc32Update(kCrc32Init, data, length); }

uint16_t crc16(const void *data, size_t length) {
  return static_cast<uint16_t>(~crc16Update(kCrc16Init, data, length));
}

uint32_t CrcRegisters::getCrc32(int32_t reset, uint32_t length, const void *data) {
  if (reset != 0) {
    m_reg32 = kCrc32Init;
    return ~m_reg32;
  }
  if (data == nullptr)
    return 0;
  m_reg32 = crc32Update(m_reg32, data, length);
  return ~m_reg32;
}

uint32_t CrcRegisters::getCrc16(int32_t reset, uint32_t length, const void *data) {
  if (reset != 0) {
    m_reg16 = kCrc16Init;
    return static_cast<uint16_t>(~m_reg16);
  }
  if (data == nullptr)
    return 0;
  // Chunks are 16-bit counts at this interface: callers that declared the length as a
  // 16-bit value may leave anything in the upper half.
  m_reg16 = crc16Update(m_reg16, data, length & 0xFFFFu);
  return static_cast<uint16_t>(~m_reg16);
}

} // namespace kel
