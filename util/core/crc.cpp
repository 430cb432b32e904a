// CRC-32 and CRC-16 (most significant bit first): byte table, slicing-by-16 and carry-less folding
// paths.
#include "util/core/crc.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define KEL_CRC_X86 1
#else
#define KEL_CRC_X86 0
#endif

namespace kel {
namespace {

// Both checksums run on one 32-bit engine: a CRC-16 register r is carried as r << 16 and its
// polynomial as 0x1021 << 16, which keeps the low half of the register zero through every step
// (the remainder modulo P * x^16 is x^16 times the remainder modulo P). So the byte table, the
// sliced tables and the folding constants are all made the same way for both.
constexpr uint32_t kPoly32 = 0x04C11DB7u;
constexpr uint32_t kPoly16As32 = 0x1021u << 16;

constexpr int kSlices = 16;

struct Engine {
  // table[k][i]: register after byte i followed by k zero bytes, from a zero register.
  uint32_t table[kSlices][256];
  // Folding constants x^n mod P (P of degree 32 with the given low 32 bits).
  uint64_t fold512[2]; // {x^512, x^576}
  uint64_t fold128[2]; // {x^128, x^192}
};

// x^n modulo x^32 + poly, for n >= 32.
constexpr uint32_t xPowMod(uint32_t poly, int n) {
  uint32_t v = poly; // x^32
  for (int i = 32; i < n; ++i)
    v = (v & 0x80000000u) ? (v << 1) ^ poly : v << 1;
  return v;
}

constexpr Engine makeEngine(uint32_t poly) {
  Engine e{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t reg = i << 24;
    for (int bit = 0; bit < 8; ++bit)
      reg = (reg & 0x80000000u) ? (reg << 1) ^ poly : reg << 1;
    e.table[0][i] = reg;
  }
  for (int k = 1; k < kSlices; ++k)
    for (int i = 0; i < 256; ++i)
      e.table[k][i] = (e.table[k - 1][i] << 8) ^ e.table[0][e.table[k - 1][i] >> 24];
  e.fold512[0] = xPowMod(poly, 512);
  e.fold512[1] = xPowMod(poly, 576);
  e.fold128[0] = xPowMod(poly, 128);
  e.fold128[1] = xPowMod(poly, 192);
  return e;
}

// Built at compile time: there is no state in which a table is missing.
constexpr Engine kEngine32 = makeEngine(kPoly32);
constexpr Engine kEngine16 = makeEngine(kPoly16As32);

uint32_t bytewise(const Engine &e, uint32_t reg, const uint8_t *p, size_t length) {
  for (size_t i = 0; i < length; ++i)
    reg = e.table[0][((reg >> 24) ^ p[i]) & 0xFFu] ^ (reg << 8);
  return reg;
}

inline uint32_t loadBigEndian32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Sixteen bytes per step, each looked up in the table that shifts it by its distance to the end.
uint32_t sliced(const Engine &e, uint32_t reg, const uint8_t *p, size_t length) {
  const auto &t = e.table;
  while (length >= 16) {
    const uint32_t a = loadBigEndian32(p) ^ reg;
    const uint32_t b = loadBigEndian32(p + 4);
    const uint32_t c = loadBigEndian32(p + 8);
    const uint32_t d = loadBigEndian32(p + 12);
    reg = t[15][a >> 24] ^ t[14][(a >> 16) & 0xFF] ^ t[13][(a >> 8) & 0xFF] ^ t[12][a & 0xFF] ^
          t[11][b >> 24] ^ t[10][(b >> 16) & 0xFF] ^ t[9][(b >> 8) & 0xFF] ^ t[8][b & 0xFF] ^
          t[7][c >> 24] ^ t[6][(c >> 16) & 0xFF] ^ t[5][(c >> 8) & 0xFF] ^ t[4][c & 0xFF] ^
          t[3][d >> 24] ^ t[2][(d >> 16) & 0xFF] ^ t[1][(d >> 8) & 0xFF] ^ t[0][d & 0xFF];
    p += 16;
    length -= 16;
  }
  return bytewise(e, reg, p, length);
}

#if KEL_CRC_X86

bool detectClmul() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0)
    return false;
  // PCLMULQDQ, SSSE3 (byte shuffle) and SSE4.1.
  return (ecx & bit_PCLMUL) != 0 && (ecx & bit_SSSE3) != 0 && (ecx & bit_SSE4_1) != 0;
}

#if defined(__i386__)
// 32-bit Windows callers may enter with a 4-byte aligned stack; the vector spills need 16.
#define KEL_CRC_REALIGN __attribute__((force_align_arg_pointer))
#else
#define KEL_CRC_REALIGN
#endif

#define KEL_CRC_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))

KEL_CRC_FOLD_TARGET inline __m128i byteSwap() {
  return _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}

KEL_CRC_FOLD_TARGET inline __m128i loadBlock(const uint8_t *q, __m128i swap) {
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(q)), swap);
}

KEL_CRC_FOLD_TARGET inline __m128i foldInto(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(
      _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// Folding of 16-byte blocks in big-endian lanes, so that bit 127 of a lane is the first bit of
// the block and bit i the coefficient of x^i: the products of the unreflected polynomial then
// come out of PCLMULQDQ in their natural place. A block X = H x^64 + L that lies n bits before a
// later block is replaced by H (x^(n+64) mod P) + L (x^n mod P), a value of at most 95 bits
// congruent to X x^n, and added to that block. What is left after the last full block is its
// remainder-equivalent 128 bits; the tables finish them and the tail. Needs length >= 64.
KEL_CRC_FOLD_TARGET KEL_CRC_REALIGN uint32_t folded(const Engine &e, uint32_t reg, const uint8_t *p,
                                                    size_t length) {
  const __m128i swap = byteSwap();
  auto load = [&](const uint8_t *q) { return loadBlock(q, swap); };
  auto fold = [](__m128i x, __m128i k, __m128i next) { return foldInto(x, k, next); };
  const __m128i k512 =
      _mm_set_epi64x(static_cast<long long>(e.fold512[1]), static_cast<long long>(e.fold512[0]));
  const __m128i k128 =
      _mm_set_epi64x(static_cast<long long>(e.fold128[1]), static_cast<long long>(e.fold128[0]));

  // A register r before the data is the same as r added to the first four bytes.
  __m128i x0 = _mm_xor_si128(load(p), _mm_set_epi32(static_cast<int>(reg), 0, 0, 0));
  __m128i x1 = load(p + 16);
  __m128i x2 = load(p + 32);
  __m128i x3 = load(p + 48);
  p += 64;
  length -= 64;
  while (length >= 64) {
    x0 = fold(x0, k512, load(p));
    x1 = fold(x1, k512, load(p + 16));
    x2 = fold(x2, k512, load(p + 32));
    x3 = fold(x3, k512, load(p + 48));
    p += 64;
    length -= 64;
  }
  x1 = fold(x0, k128, x1);
  x2 = fold(x1, k128, x2);
  x3 = fold(x2, k128, x3);
  while (length >= 16) {
    x3 = fold(x3, k128, load(p));
    p += 16;
    length -= 16;
  }
  uint8_t last[16];
  _mm_storeu_si128(reinterpret_cast<__m128i *>(last), _mm_shuffle_epi8(x3, swap));
  return sliced(e, sliced(e, 0, last, 16), p, length);
}

const bool kHaveClmul = detectClmul();

#else

constexpr bool kHaveClmul = false;

uint32_t folded(const Engine &e, uint32_t reg, const uint8_t *p, size_t length) {
  return sliced(e, reg, p, length);
}

#endif

// Below this the folding set-up costs more than it saves.
constexpr size_t kFoldMinimum = 128;

uint32_t run(CrcPath path, const Engine &e, uint32_t reg, const void *data, size_t length) {
  const auto *p = static_cast<const uint8_t *>(data);
  switch (path) {
  case CrcPath::Bytewise:
    return bytewise(e, reg, p, length);
  case CrcPath::Sliced:
    return sliced(e, reg, p, length);
  case CrcPath::Folded:
    if (!kHaveClmul)
      return sliced(e, reg, p, length);
    return length >= 64 ? folded(e, reg, p, length) : sliced(e, reg, p, length);
  }
  return reg;
}

} // namespace

bool crcPathAvailable(CrcPath path) { return path != CrcPath::Folded || kHaveClmul; }

uint32_t crc32UpdateWith(CrcPath path, uint32_t reg, const void *data, size_t length) {
  return run(path, kEngine32, reg, data, length);
}

uint16_t crc16UpdateWith(CrcPath path, uint16_t reg, const void *data, size_t length) {
  return static_cast<uint16_t>(
      run(path, kEngine16, static_cast<uint32_t>(reg) << 16, data, length) >> 16);
}

uint32_t crc32Update(uint32_t reg, const void *data, size_t length) {
  const auto *p = static_cast<const uint8_t *>(data);
  return kHaveClmul && length >= kFoldMinimum ? folded(kEngine32, reg, p, length)
                                              : sliced(kEngine32, reg, p, length);
}

uint16_t crc16Update(uint16_t reg, const void *data, size_t length) {
  const auto *p = static_cast<const uint8_t *>(data);
  const uint32_t wide = static_cast<uint32_t>(reg) << 16;
  const uint32_t out = kHaveClmul && length >= kFoldMinimum ? folded(kEngine16, wide, p, length)
                                                            : sliced(kEngine16, wide, p, length);
  return static_cast<uint16_t>(out >> 16);
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
