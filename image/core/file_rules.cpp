#include "image/core/file_rules.h"

#include <cctype>

namespace vop {
namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(const std::string &a, const std::string &b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i]))
      return false;
  return true;
}

// Offset of the extension's "." in path, or npos: a backslash, slash or space after the last
// dot cancels it.
size_t extensionDot(const std::string &path, kel::LeadBytePredicate isLeadByte) {
  const size_t last = kel::findLastOf(path, ".\\/ ", isLeadByte);
  return last != std::string::npos && path[last] == '.' ? last : std::string::npos;
}

void appendPair(std::string &out, const std::string &display, const std::string &pattern) {
  out += display;
  out += '\0';
  out += pattern;
  out += '\0';
}

} // namespace

const char *formatExtension(uint32_t code) {
  switch (code) {
  case 1:
    return ".jpg";
  case 2:
    return ".gif";
  case 3:
    return ".png";
  case 4:
    return ".tif";
  default:
    return ".bmp";
  }
}

std::string findExtension(const std::string &path, kel::LeadBytePredicate isLeadByte) {
  const size_t dot = extensionDot(path, isLeadByte);
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string replaceExtension(uint32_t code, const std::string &name,
                             kel::LeadBytePredicate isLeadByte) {
  std::string result = name;
  // Only a dot of the last component counts: "C:\a.b\c" has no extension to remove.
  const size_t dot = extensionDot(name, isLeadByte);
  if (dot != std::string::npos) {
    const size_t length = name.size() - dot - 1;
    if (length >= 1 && length <= 3)
      result.erase(dot);
  }
  return result + formatExtension(code);
}

bool extensionListNames(const std::string &list, const std::string &extension) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos)
      end = list.size();
    if (equalIgnoringCase(findExtension(list.substr(start, end - start), nullptr), extension) &&
        !extension.empty())
      return true;
    start = end + 1;
  }
  return false;
}

const char *saveFilterExtension(uint32_t filterIndex) {
  switch (filterIndex) {
  case 1:
    return ".bmp";
  case 2:
    return ".jpg";
  case 3:
    return ".gif";
  case 4:
    return ".png";
  default:
    return "";
  }
}

std::string completeSaveName(const std::string &entered, uint32_t filterIndex) {
  const std::string expected = saveFilterExtension(filterIndex);
  if (expected.empty())
    return entered;
  const std::string tail = entered.size() >= 4 ? entered.substr(entered.size() - 4) : entered;
  return equalIgnoringCase(tail, expected) ? entered : entered + expected;
}

std::string openFilter(const std::vector<DecoderEntry> &decoders) {
  std::string out;
  for (const DecoderEntry &d : decoders)
    if (d.listed)
      appendPair(out, d.description + " (" + d.extensions + ")", d.extensions);
  if (!out.empty())
    out += '\0';
  return out;
}

std::string saveFilter() {
  std::string out;
  appendPair(out, "Bitmap image", "*.bmp");
  appendPair(out, "JPEG image", "*.jpg");
  appendPair(out, "GIF image", "*.gif");
  appendPair(out, "PNG image", "*.png");
  out += '\0';
  return out;
}

} // namespace vop
