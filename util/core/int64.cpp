// 64-bit integer arithmetic and text parsing.
#include "util/core/int64.h"

#include <cstring>

namespace kel {

int64_t loadInt64(const void *p) {
  if (p == nullptr)
    return 0;
  uint8_t b[8];
  std::memcpy(b, p, 8);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i)
    v = (v << 8) | b[i];
  return static_cast<int64_t>(v);
}

int64_t int64Add(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

int64_t int64Subtract(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

int64_t int64Multiply(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

int64_t int64Divide(int64_t a, int64_t b) {
  if (b == 0)
    return 0;
  if (b == -1)
    return int64Subtract(0, a); // INT64_MIN / -1 would trap
  return a / b;
}

int32_t int64Compare(int64_t a, int64_t b) { return a > b ? 1 : (a < b ? -1 : 0); }

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

} // namespace

int64_t parseInt64(const char *text) {
  if (text == nullptr)
    return 0;
  const bool hex = (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ||
                   (text[0] == '&' && (text[1] == 'h' || text[1] == 'H'));
  if (hex) {
    const char *p = text + 2;
    uint64_t v = 0;
    int digits = 0;
    for (; *p != '\0'; ++p, ++digits) {
      const int d = hexDigit(*p);
      if (d < 0 || digits == 16)
        return 0;
      v = (v << 4) | static_cast<uint64_t>(d);
    }
    return digits == 0 ? 0 : static_cast<int64_t>(v);
  }
  const char *p = text;
  while (isSpace(*p))
    ++p;
  bool negative = false;
  if (*p == '+' || *p == '-')
    negative = (*p++ == '-');
  uint64_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    v = v * 10u + static_cast<uint64_t>(*p - '0');
  return static_cast<int64_t>(negative ? 0u - v : v);
}

} // namespace kel
