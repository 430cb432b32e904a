// 64-bit integer arithmetic and text parsing for callers without a native 64-bit type.
#pragma once
#include <cstdint>

namespace kel {

// Reads the little-endian 8 bytes at p (any alignment); 0 for a null address.
int64_t loadInt64(const void *p);

// Wrapping arithmetic on two's-complement values.
int64_t int64Add(int64_t a, int64_t b);
int64_t int64Subtract(int64_t a, int64_t b);
int64_t int64Multiply(int64_t a, int64_t b); // low 64 bits of the product
// Signed, truncated toward zero. A zero divisor gives 0; the most negative value divided
// by -1 wraps to itself. Neither traps.
int64_t int64Divide(int64_t a, int64_t b);
// 1 when a > b, 0 when equal, -1 when a < b (signed).
int32_t int64Compare(int64_t a, int64_t b);

// Parses "0x"/"&h" (any case) followed by 1 to 16 hexadecimal digits and nothing else, or
// else decimal text: leading white space, an optional sign, digits up to the first other
// character, wrapping on overflow. Anything unparsable, and a null text, gives 0.
int64_t parseInt64(const char *text);

} // namespace kel
