// Conversions between integers and text or little-endian bytes, and in-place string case.
#include "util/core/convert.h"

#include <cstring>

namespace kel {
namespace {

// Writes v in radix (2..36) after an optional minus sign.
void unsignedToString(uint64_t v, bool negative, int32_t radix, char *output) {
  if (output == nullptr)
    return;
  if (radix < 2 || radix > 36) {
    output[0] = '\0';
    return;
  }
  char digits[64];
  size_t n = 0;
  do {
    const auto d = static_cast<unsigned>(v % static_cast<uint64_t>(radix));
    digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + (d - 10));
    v /= static_cast<uint64_t>(radix);
  } while (v != 0);
  size_t out = 0;
  if (negative)
    output[out++] = '-';
  while (n > 0)
    output[out++] = digits[--n];
  output[out] = '\0';
}

void signedToString(int64_t value, int32_t radix, char *output) {
  const bool negative = value < 0;
  const uint64_t magnitude =
      negative ? 0u - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  unsignedToString(magnitude, negative, radix, output);
}

void storeLittleEndian(uint64_t v, void *output, size_t count) {
  if (output == nullptr)
    return;
  uint8_t b[8];
  for (size_t i = 0; i < count; ++i, v >>= 8)
    b[i] = static_cast<uint8_t>(v);
  std::memcpy(output, b, count);
}

uint64_t loadLittleEndian(const void *bytes, size_t count) {
  if (bytes == nullptr)
    return 0;
  uint8_t b[8];
  std::memcpy(b, bytes, count);
  uint64_t v = 0;
  for (size_t i = count; i > 0; --i)
    v = (v << 8) | b[i - 1];
  return v;
}

} // namespace

void int16ToString(int32_t value, int32_t radix, char *output) {
  unsignedToString(static_cast<uint32_t>(value) & 0xFFFFu, false, radix, output);
}

void int32ToString(int32_t value, int32_t radix, char *output) {
  if (radix == 10)
    signedToString(value, radix, output);
  else
    unsignedToString(static_cast<uint32_t>(value), false, radix, output);
}

char *int64ToString(int64_t value, int32_t radix, char *output) {
  if (radix == 10)
    signedToString(value, radix, output);
  else
    unsignedToString(static_cast<uint64_t>(value), false, radix, output);
  return output;
}

int32_t stringToBytes(const char *text, void *output) {
  if (text == nullptr)
    return 0;
  const size_t length = std::strlen(text);
  if (output != nullptr)
    std::memcpy(output, text, length);
  return static_cast<int32_t>(length);
}

void int16ToBytes(int32_t value, void *output) {
  storeLittleEndian(static_cast<uint32_t>(value), output, 2);
}
int32_t bytesToInt16(const void *bytes) { return static_cast<int32_t>(loadLittleEndian(bytes, 2)); }
void int32ToBytes(int32_t value, void *output) {
  storeLittleEndian(static_cast<uint32_t>(value), output, 4);
}
int32_t bytesToInt32(const void *bytes) {
  return static_cast<int32_t>(static_cast<uint32_t>(loadLittleEndian(bytes, 4)));
}
void int64ToBytes(int64_t value, void *output) {
  storeLittleEndian(static_cast<uint64_t>(value), output, 8);
}
int64_t bytesToInt64(const void *bytes) { return static_cast<int64_t>(loadLittleEndian(bytes, 8)); }

void stringLower(char *text, LeadBytePredicate isLeadByte) {
  if (text != nullptr)
    lowerAsciiInPlace({text, std::strlen(text)}, isLeadByte);
}
void stringUpper(char *text, LeadBytePredicate isLeadByte) {
  if (text != nullptr)
    upperAsciiInPlace({text, std::strlen(text)}, isLeadByte);
}

} // namespace kel
