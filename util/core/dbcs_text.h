// Scanning of narrow text in a double-byte code page (the ANSI code page 932 at home), where
// the second byte of a character may look like '\\', '*', '.' or a letter.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

// Tells whether a byte starts a double-byte character. Windows layers pass the system's
// answer; cores and their tests pass a fixed one. A null predicate means no lead bytes.
using LeadBytePredicate = bool (*)(uint8_t byte);

bool noLeadBytes(uint8_t byte);     // always false
bool isCp932LeadByte(uint8_t byte); // 0x81-0x9F and 0xE0-0xFC

// Bytes of the character starting at text[at] (at < text.size()): 2 for a lead byte with a
// byte after it, else 1. A lead byte that ends the text stands alone as one byte.
size_t characterLength(std::string_view text, size_t at, LeadBytePredicate isLead);

// Offset of the last single-byte character that is one of `wanted`; trail bytes never count.
// npos when there is none.
size_t findLastOf(std::string_view text, std::string_view wanted, LeadBytePredicate isLead);

// The characters of text in order, each one or two bytes long.
std::vector<std::string_view> characters(std::string_view text, LeadBytePredicate isLead);

// A-Z to a-z (or back) in place, outside double-byte characters.
void lowerAsciiInPlace(std::span<char> text, LeadBytePredicate isLead);
void upperAsciiInPlace(std::span<char> text, LeadBytePredicate isLead);
// The same on a copy.
std::string upperAscii(std::string_view text, LeadBytePredicate isLead);

// Length of the longest start of a NUL-terminated text that holds at most `limit` bytes and
// only whole characters: a double-byte character that would not fit, or whose second byte is
// the NUL, is left out rather than split. Reads no byte past the NUL or the first `limit`
// bytes; 0 for a null text.
size_t wholeCharacterPrefix(const char *text, size_t limit, LeadBytePredicate isLead);

} // namespace kel
