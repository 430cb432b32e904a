// Command-line scanning and target classification of TOLM.exe, free of platform calls.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/core/dbcs_text.h"

namespace tolm {

// Paths are scanned with the ANSI code page's lead bytes in mind: 0x5C, the backslash, can be
// the second byte of a Japanese character.
using kel::isCp932LeadByte;
using kel::noLeadBytes;
using kel::upperAscii; // A-Z..a-z upper-cased outside two-byte characters

// The shortest command line that names a full path: /f "C:\a" has nine characters.
constexpr size_t kMinCommandLine = 9;

template <typename Char> struct BasicCommandLine {
  bool tooShort = false; // fewer than kMinCommandLine characters after trimming
  std::basic_string<Char>
      letter;                   // the character after the last slash before the first quote, or ""
  std::basic_string<Char> path; // from after the first quote to the end, the last character dropped
};
using CommandLine = BasicCommandLine<char>;
using WideCommandLine = BasicCommandLine<wchar_t>;

// Scans the text after the program name: "/f \"C:\\path\"". White space around it is ignored.
// The wide form reads the same way; it sees names that the ANSI code page cannot carry.
CommandLine scanCommandLine(std::string_view text);
WideCommandLine scanCommandLine(std::wstring_view text);

// The text after the program name of a whole command line, as the C runtime hands it to
// WinMain: the name runs to the first blank or control character outside double quotes, and
// the blanks after it are skipped.
std::wstring_view argumentsOf(std::wstring_view commandLine);

// The launch kinds: which dialog the program runs on which target.
enum LaunchKind : int { kFolder = 0, kFile = 1, kImageFile = 2, kFolderErase = 3 };
constexpr int kWrongLetter = -2;
constexpr int kNotFound = -3;

// The launch kind for a found target, or kWrongLetter. The letter's case does not matter.
int classifyFound(bool isDirectory, std::string_view letter, bool isImageExtension);

// From the last dot to the end, the dot included; the whole path when it has no dot.
std::string extensionOf(std::string_view path, kel::LeadBytePredicate isLead);

// One installed image decoder: its format description and extension list ("*.JPG;*.JPEG").
struct DecoderInfo {
  std::string description;
  std::string extensions;
};
// "description (extensions)|extensions|" for each decoder, then one more "|".
std::string buildDecoderText(const std::vector<DecoderInfo> &decoders);

// True when the extension occurs anywhere in the decoder text, both upper-cased: a substring
// test, so ".JP" counts because "*.JPG" contains it.
bool isImageExtension(std::string_view path, std::string_view decoderText,
                      kel::LeadBytePredicate isLead);

// Place (before the last backslash) and name (after it); no backslash: place "", name = path.
std::pair<std::string, std::string> splitPlaceAndName(std::string_view path,
                                                      kel::LeadBytePredicate isLead);

} // namespace tolm
