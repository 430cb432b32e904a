// Conversions between integers and text or little-endian bytes, and in-place string case.
#pragma once
#include <cstddef>
#include <cstdint>

#include "util/core/dbcs_text.h"

namespace kel {

// Longest text a number conversion writes: 64 binary digits, a sign and the terminating zero.
inline constexpr size_t kNumberTextMax = 66;

// Number to text in radix 2 to 36 (digits 0-9 then a-z, no leading zeros, zero-terminated).
// A radix outside 2..36 writes an empty text. A null output writes nothing. Every function
// writes at most kNumberTextMax bytes.
void int16ToString(int32_t value, int32_t radix, char *output); // low 16 bits, unsigned
void int32ToString(int32_t value, int32_t radix, char *output); // radix 10 signed, else unsigned
char *int64ToString(int64_t value, int32_t radix,
                    char *output); // radix 10 signed, else unsigned; returns output

// Length of text without its terminating zero, and the characters copied to output unless it
// is null; 0 for a null text.
int32_t stringToBytes(const char *text, void *output);

// Little-endian byte sequences. Writers do nothing for a null output; readers give 0 for null.
void int16ToBytes(int32_t value, void *output);
int32_t bytesToInt16(const void *bytes); // bits 0-15, upper bits zero
void int32ToBytes(int32_t value, void *output);
int32_t bytesToInt32(const void *bytes);
void int64ToBytes(int64_t value, void *output);
int64_t bytesToInt64(const void *bytes);

// In-place case conversion of A-Z / a-z; nothing for a null text. With isLeadByte set,
// double-byte characters are skipped whole: a trail byte may look like an ASCII letter and
// must not change.
void stringLower(char *text, LeadBytePredicate isLeadByte = nullptr);
void stringUpper(char *text, LeadBytePredicate isLeadByte = nullptr);

} // namespace kel
