// CRC-32 (polynomial 0x04C11DB7) and CRC-16 (polynomial 0x1021), both most significant bit first.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kel {

inline constexpr uint32_t kCrc32Init = 0xFFFFFFFFu;
inline constexpr uint16_t kCrc16Init = 0xFFFFu;

// Raw register updates: no initial value and no final complement applied.
uint32_t crc32Update(uint32_t reg, const void *data, size_t length);
uint16_t crc16Update(uint16_t reg, const void *data, size_t length);

// The ways of computing the same register update, each reachable on its own so that tests can
// hold them to identical results: the plain byte table, sixteen bytes per step through sliced
// tables, and carry-less multiplication folding 64 bytes per step. The plain updates above pick
// the fastest the processor has; Folded falls back to Sliced where the instructions are missing.
enum class CrcPath { Bytewise, Sliced, Folded };
bool crcPathAvailable(CrcPath path);
uint32_t crc32UpdateWith(CrcPath path, uint32_t reg, const void *data, size_t length);
uint16_t crc16UpdateWith(CrcPath path, uint16_t reg, const void *data, size_t length);

// Checksum of one whole buffer (initial register, final complement). data may be null when length
// is 0.
uint32_t crc32(const void *data, size_t length);
uint16_t crc16(const void *data, size_t length);

// Checksum of a stream fed in pieces, e.g. a file read in chunks: start, feed, value.
template <typename Reg, Reg (*Update)(Reg, const void *, size_t), Reg Init> class CrcAccumulator {
public:
  void feed(const void *data, size_t length) { m_reg = Update(m_reg, data, length); }
  Reg value() const { return static_cast<Reg>(~m_reg); }

private:
  Reg m_reg = Init;
};
using Crc32Accumulator = CrcAccumulator<uint32_t, crc32Update, kCrc32Init>;
using Crc16Accumulator = CrcAccumulator<uint16_t, crc16Update, kCrc16Init>;

// The running registers behind kelGetCRC32 and kelGetCRC16; the library owns one instance.
//   reset != 0: restart the register, return 0 (data and length ignored).
//   data null:  return 0, register unchanged.
//   otherwise:  feed the bytes, return the checksum of everything fed since the last reset.
// A fresh instance behaves as if just reset. crc16 uses only the low 16 bits of length.
class CrcRegisters {
public:
  uint32_t getCrc32(int32_t reset, uint32_t length, const void *data);
  uint32_t getCrc16(int32_t reset, uint32_t length, const void *data);

private:
  uint32_t m_reg32 = kCrc32Init;
  uint16_t m_reg16 = kCrc16Init;
};

} // namespace kel
