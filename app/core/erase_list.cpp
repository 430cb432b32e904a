#include "app/core/erase_list.h"

#include <cstring>

namespace tolm {
namespace {

constexpr char kTitle[] = "TOLM[Elimination]";
constexpr char kVersion[] = "Ver2.2";
constexpr char kDescription[] = "The list of files to erase.";
constexpr char kBegin[] = "begin->";
constexpr char kEnd[] = "<-end";
constexpr size_t kHeaderBytes = 72;
constexpr size_t kFirstEntry = 65;

bool at(const uint8_t *data, size_t offset, const char *text) {
  return std::memcmp(data + offset, text, std::strlen(text)) == 0;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// One character of a name against one of a pattern, both `length` bytes long: single bytes
// ignoring ASCII case, double-byte characters exactly.
bool sameCharacter(const char *a, const char *b, size_t length) {
  if (length == 1)
    return lowerAscii(*a) == lowerAscii(*b);
  return a[0] == b[0] && a[1] == b[1];
}

bool safeEntry(std::string_view line, kel::LeadBytePredicate isLeadByte) {
  for (size_t i = 0; i < line.size(); i += kel::characterLength(line, i, isLeadByte)) {
    const char c = line[i];
    if (kel::characterLength(line, i, isLeadByte) == 1 &&
        (c == '\\' || c == '/' || c == ':' || c == '\0'))
      return false;
  }
  return true;
}

} // namespace

int32_t parseEraseList(const uint8_t *data, size_t size, std::vector<std::string> &patterns,
                       kel::LeadBytePredicate isLeadByte) {
  patterns.clear();
  if (data == nullptr || size < kHeaderBytes)
    return kEraseListInvalid;
  if (!at(data, 0, kTitle) || !at(data, 19, kVersion) || !at(data, 27, kDescription) ||
      !at(data, 56, kBegin) || !at(data, size - 7, kEnd))
    return kEraseListInvalid;

  // Lines from the first entry on: each ended by a CR and one more byte (the line feed).
  std::vector<std::string_view> lines;
  bool tooLong = false;
  size_t p = kFirstEntry;
  while (p < size && lines.size() < kEraseSlots) {
    const size_t start = p;
    while (p < size && data[p] != '\r')
      ++p;
    if (p + 1 >= size)
      break; // no CR, or a CR that ends the file: the line does not count
    const std::string_view line(reinterpret_cast<const char *>(data + start), p - start);
    if (line.size() > kEraseLineLimit)
      tooLong = true;
    lines.push_back(line);
    p += 2;
  }

  if (lines.size() <= 1 || tooLong || lines.back() != kEnd)
    return kEraseListInvalid;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string_view entry = lines[i];
    if (entry.empty() || entry[0] != '.' || !safeEntry(entry, isLeadByte))
      return kEraseListInvalid;
  }
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    patterns.push_back("*" + std::string(lines[i]));
  return 0;
}

bool nameMatches(std::string_view name, std::string_view pattern,
                 kel::LeadBytePredicate isLeadByte) {
  // Greedy glob with one backtrack point, walked in place by whole characters: no recursion,
  // no allocation, and a retry never starts inside a double-byte character.
  const size_t npos = std::string_view::npos;
  size_t i = 0, j = 0, star = npos, mark = 0;
  while (i < name.size()) {
    const size_t nameLength = kel::characterLength(name, i, isLeadByte);
    const size_t patternLength =
        j < pattern.size() ? kel::characterLength(pattern, j, isLeadByte) : 0;
    if (patternLength == 1 && pattern[j] == '*') {
      star = j++;
      mark = i;
    } else if (patternLength != 0 &&
               ((patternLength == 1 && pattern[j] == '?') ||
                (patternLength == nameLength &&
                 sameCharacter(name.data() + i, pattern.data() + j, nameLength)))) {
      i += nameLength;
      j += patternLength;
    } else if (star != npos) {
      j = star + 1;
      mark += kel::characterLength(name, mark, isLeadByte);
      i = mark;
    } else {
      return false;
    }
  }
  while (j < pattern.size() && pattern[j] == '*')
    ++j;
  return j == pattern.size();
}

std::string_view lastComponent(std::string_view path, kel::LeadBytePredicate isLeadByte) {
  const size_t slash = kel::findLastOf(path, "\\", isLeadByte);
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

int32_t appendSearchResults(std::string_view results, std::string_view pattern,
                            std::string &deletionList, size_t limit,
                            kel::LeadBytePredicate isLeadByte) {
  size_t start = 0;
  while (start < results.size()) {
    size_t end = results.find("\r\n", start);
    if (end == std::string::npos)
      end = results.size();
    const std::string_view path = results.substr(start, end - start);
    start = end + 2;
    if (path.empty() || !nameMatches(lastComponent(path, isLeadByte), pattern, isLeadByte))
      continue;
    // The path, its NUL, and the list's closing NUL must fit below the limit.
    if (deletionList.size() + path.size() + 1 >= limit - 1)
      return kEraseBufferFull;
    deletionList += path;
    deletionList += '\0';
  }
  return 0;
}

} // namespace tolm
