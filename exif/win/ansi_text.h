// Texts of other character sets in a Windows code page, through the system's converters.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace daxwin {

// UTF-16 text in codePage, at most limit bytes and never ending inside a character (nor
// between the two halves of a surrogate pair). Characters the code page lacks become its
// default character. Empty when the code page is unknown.
std::string wideToCodePage(std::wstring_view text, UINT codePage, size_t limit);

// JIS text (7-bit, with escape sequences) as UTF-16: through the system's ISO-2022-JP code
// page where it has one, else through the core's Shift_JIS conversion and code page 932.
// Empty, and ok false, when neither is available; empty input gives an empty text and ok true.
std::wstring jisToWide(std::span<const uint8_t> jis, bool &ok);

} // namespace daxwin
