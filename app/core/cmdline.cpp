// Command-line scanning and target classification of TOLM.exe, free of platform calls.
#include "app/core/cmdline.h"

namespace tolm {
namespace {

char lowerLetter(std::string_view letter) {
  if (letter.size() != 1)
    return '\0';
  const char c = letter[0];
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

template <typename Char> bool isSpaceOf(Char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

template <typename Char> BasicCommandLine<Char> scan(std::basic_string_view<Char> text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && isSpaceOf(text[first]))
    ++first;
  while (last > first && isSpaceOf(text[last - 1]))
    --last;
  const std::basic_string_view<Char> trimmed = text.substr(first, last - first);

  BasicCommandLine<Char> result;
  if (trimmed.size() < kMinCommandLine) {
    result.tooShort = true;
    return result;
  }
  size_t letterPos = std::basic_string_view<Char>::npos;
  size_t pathStart = std::basic_string_view<Char>::npos;
  for (size_t i = 0; i < trimmed.size(); ++i) {
    if (trimmed[i] == Char('/')) {
      letterPos = i + 1;
    } else if (trimmed[i] == Char('"')) {
      pathStart = i + 1;
      break;
    }
  }
  if (letterPos < trimmed.size())
    result.letter = std::basic_string<Char>(1, trimmed[letterPos]);
  // The closing quote is the last character and is dropped.
  if (pathStart != std::basic_string_view<Char>::npos && pathStart + 1 < trimmed.size())
    result.path =
        std::basic_string<Char>(trimmed.substr(pathStart, trimmed.size() - 1 - pathStart));
  return result;
}

} // namespace

CommandLine scanCommandLine(std::string_view text) { return scan(text); }
WideCommandLine scanCommandLine(std::wstring_view text) { return scan(text); }

std::wstring_view argumentsOf(std::wstring_view commandLine) {
  size_t i = 0;
  bool quoted = false;
  while (i < commandLine.size() && (commandLine[i] > L' ' || (commandLine[i] != L'\0' && quoted))) {
    if (commandLine[i] == L'"')
      quoted = !quoted;
    ++i;
  }
  while (i < commandLine.size() && commandLine[i] != L'\0' && commandLine[i] <= L' ')
    ++i;
  return commandLine.substr(i);
}

int classifyFound(bool isDirectory, std::string_view letter, bool isImage) {
  const char c = lowerLetter(letter);
  if (isDirectory) {
    if (c == 'd')
      return kFolder;
    return c == 'e' ? kFolderErase : kWrongLetter;
  }
  if (c != 'f')
    return kWrongLetter;
  return isImage ? kImageFile : kFile;
}

std::string extensionOf(std::string_view path, kel::LeadBytePredicate isLead) {
  const size_t dot = kel::findLastOf(path, ".", isLead);
  return std::string(dot == std::string_view::npos ? path : path.substr(dot));
}

std::string buildDecoderText(const std::vector<DecoderInfo> &decoders) {
  std::string text;
  for (const DecoderInfo &d : decoders) {
    text += d.description;
    text += " (";
    text += d.extensions;
    text += ")|";
    text += d.extensions;
    text += '|';
  }
  text += '|';
  return text;
}

bool isImageExtension(std::string_view path, std::string_view decoderText,
                      kel::LeadBytePredicate isLead) {
  const std::string ext = upperAscii(extensionOf(path, isLead), isLead);
  const std::string text = upperAscii(decoderText, isLead);
  return text.find(ext) != std::string::npos;
}

std::pair<std::string, std::string> splitPlaceAndName(std::string_view path,
                                                      kel::LeadBytePredicate isLead) {
  const size_t slash = kel::findLastOf(path, "\\", isLead);
  if (slash == std::string_view::npos)
    return {std::string(), std::string(path)};
  return {std::string(path.substr(0, slash)), std::string(path.substr(slash + 1))};
}

} // namespace tolm
