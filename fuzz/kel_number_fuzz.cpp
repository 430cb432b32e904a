// Fuzz target for the 64-bit text parser and the number, byte and case conversions: the
// parser agrees with the C library wherever the value cannot overflow, every number written
// in any radix reads back as the same number, and nothing writes past its documented buffer.
#include "util/core/convert.h"
#include "util/core/int64.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Longer texts only repeat what 80 bytes show (16 hex digits, wrapping decimals).
constexpr size_t kMaxInput = 80;

// Code page 932 lead bytes.
bool isLead932(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Writes v with the converter into an exact-size buffer and checks the text against strtoull.
template <typename Write>
void roundTrip(Write write, uint64_t expected, bool signedText, int64_t signedValue,
               int32_t radix) {
  std::vector<char> out(kel::kNumberTextMax, '\x7f');
  write(out.data());
  const size_t length = strnlen(out.data(), out.size());
  if (length == out.size())
    std::abort(); // no terminator inside the documented size
  if (radix < 2 || radix > 36) {
    if (length != 0)
      std::abort();
    return;
  }
  const char *digits = out.data();
  if (signedText && *digits == '-')
    ++digits;
  if (*digits == '\0' || (digits[0] == '0' && digits[1] != '\0'))
    std::abort(); // no leading zeros
  for (const char *c = digits; *c != '\0'; ++c)
    if (!((*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'z')))
      std::abort();
  char *end = nullptr;
  errno = 0;
  if (signedText) {
    if (std::strtoll(out.data(), &end, radix) != signedValue)
      std::abort();
  } else if (std::strtoull(out.data(), &end, radix) != expected) {
    std::abort();
  }
  if (*end != '\0' || errno != 0)
    std::abort();
}

void checkParse(const char *text) {
  const int64_t value = kel::parseInt64(text);
  const bool hex = (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ||
                   (text[0] == '&' && (text[1] == 'h' || text[1] == 'H'));
  if (hex) {
    const char *digits = text + 2;
    const size_t n = std::strlen(digits);
    const bool allHex = n >= 1 && n <= 16 && std::strspn(digits, "0123456789abcdefABCDEF") == n;
    if (value != (allHex ? static_cast<int64_t>(std::strtoull(digits, nullptr, 16)) : 0))
      std::abort();
    return;
  }
  const char *p = text;
  while (isSpace(*p))
    ++p;
  if (*p == '+' || *p == '-')
    ++p;
  // 18 digits cannot overflow; beyond that the parser wraps where strtoll saturates.
  if (std::strspn(p, "0123456789") <= 18 && value != std::strtoll(text, nullptr, 10))
    std::abort();
}

void checkCase(const std::vector<char> &text) {
  for (const bool upper : {false, true})
    for (const bool dbcs : {false, true}) {
      std::vector<char> copy(text);
      if (upper)
        kel::stringUpper(copy.data(), dbcs ? isLead932 : nullptr);
      else
        kel::stringLower(copy.data(), dbcs ? isLead932 : nullptr);
      // The conversion stops at the first NUL (or at a lead byte just before it).
      const size_t length = std::strlen(text.data());
      bool trail = false;
      for (size_t i = 0; i < copy.size(); ++i) {
        if (i >= length) {
          if (copy[i] != text[i])
            std::abort();
          continue;
        }
        const char from = text[i];
        char expected = from;
        if (!trail) {
          if (upper && from >= 'a' && from <= 'z')
            expected = static_cast<char>(from - 32);
          if (!upper && from >= 'A' && from <= 'Z')
            expected = static_cast<char>(from + 32);
        }
        if (copy[i] != expected)
          std::abort();
        trail = dbcs && !trail && isLead932(static_cast<uint8_t>(from));
      }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > kMaxInput)
    return 0;
  // The text ends at the first NUL, as the export's caller's would; exact size for ASan.
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  checkParse(text.data());
  checkCase(text);

  const int64_t value = kel::parseInt64(text.data());
  const int32_t radix = size > 0 ? int32_t(data[0] % 40) : 10; // some outside 2..36
  for (const int32_t r : {radix, 10, 16, 2}) {
    roundTrip([&](char *out) { kel::int64ToString(value, r, out); }, uint64_t(value), r == 10,
              value, r);
    const auto low32 = static_cast<int32_t>(value);
    roundTrip([&](char *out) { kel::int32ToString(low32, r, out); }, uint32_t(low32), r == 10,
              low32, r);
    roundTrip([&](char *out) { kel::int16ToString(low32, r, out); }, uint16_t(low32), false, 0, r);
  }

  // Little-endian bytes into exact-size buffers, and back.
  std::vector<uint8_t> b8(8), b4(4), b2(2);
  kel::int64ToBytes(value, b8.data());
  kel::int32ToBytes(static_cast<int32_t>(value), b4.data());
  kel::int16ToBytes(static_cast<int32_t>(value), b2.data());
  if (kel::bytesToInt64(b8.data()) != value || kel::loadInt64(b8.data()) != value ||
      kel::bytesToInt32(b4.data()) != static_cast<int32_t>(value) ||
      kel::bytesToInt16(b2.data()) != static_cast<int32_t>(uint16_t(value)) ||
      b8[0] != uint8_t(value))
    std::abort();
  if (kel::stringToBytes(text.data(), nullptr) != static_cast<int32_t>(std::strlen(text.data())))
    std::abort();
  return 0;
}
