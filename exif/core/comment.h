// User comments: the character code that opens the value, and JIS text as Shift_JIS.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "exif/core/format.h"
#include "exif/core/source.h"

namespace dax {

// The text of a UserComment value (tag 37510, UNDEFINED): its first eight bytes name the
// character code of the rest. "ASCII" and the undefined code (eight NULs) give the bytes as
// they are, "UNICODE" UTF-16 units in the file's byte order, "JIS" JIS text; the last two go
// through strings' converters. Each text ends at its first NUL (a NUL unit for UTF-16; a
// trailing odd byte is no unit). A value that holds no more than (a beginning of) a known
// code has no text; a value opening with any other code is shown as it is, up to its first
// NUL. At most limit bytes.
std::string formatUserComment(const ValueView &v, const StringSource &strings, size_t limit);

// JIS text (7-bit, with the escape sequences of ISO-2022-JP: ESC ( B / J / H one-byte Roman,
// ESC ( I half-width katakana, ESC $ @ / B two-byte JIS X 0208, also SO and SI around
// katakana) as Shift_JIS, the Japanese code page 932. JIS X 0208 characters become their
// two-byte Shift_JIS codes, half-width katakana single bytes 0xA1 to 0xDF. What Shift_JIS cannot
// hold (JIS X 0212, a two-byte character cut short, bytes of no mode) becomes '?'; unknown
// escape sequences are dropped. Controls and spaces pass in every mode.
std::string jisToShiftJis(std::span<const uint8_t> jis);

// Whether a byte opens a two-byte Shift_JIS character.
constexpr bool isShiftJisLead(uint8_t c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

} // namespace dax
