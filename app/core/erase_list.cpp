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

// One character of a name against one of a pattern: single bytes ignoring ASCII case,
// double-byte characters exactly.
bool sameCharacter(std::string_view a, std::string_view b) {
  if (a.size() == 1 && b.size() == 1)
    return lowerAscii(a[0]) == lowerAscii(b[0]);
  return a == b;
}

bool safeEntry(const std::string &line, kel::LeadBytePredicate isLeadByte) {
  for (std::string_view c : kel::characters(line, isLeadByte))
    if (c.size() == 1 && (c[0] == '\\' || c[0] == '/' || c[0] == ':' || c[0] == '\0'))
      return false;
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
  std::vector<std::string> lines;
  bool tooLong = false;
  size_t p = kFirstEntry;
  while (p < size && lines.size() < kEraseSlots) {
    const size_t start = p;
    while (p < size && data[p] != '\r')
      ++p;
    if (p + 1 >= size)
      break; // no CR, or a CR that ends the file: the line does not count
    std::string line(reinterpret_cast<const char *>(data + start), p - start);
    if (line.size() > kEraseLineLimit)
      tooLong = true;
    lines.push_back(std::move(line));
    p += 2;
  }

  if (lines.size() <= 1 || tooLong || lines.back() != kEnd)
    return kEraseListInvalid;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string &entry = lines[i];
    if (entry.empty() || entry[0] != '.' || !safeEntry(entry, isLeadByte))
      return kEraseListInvalid;
  }
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    patterns.push_back("*" + lines[i]);
  return 0;
}

bool nameMatches(const std::string &name, const std::string &pattern,
                 kel::LeadBytePredicate isLeadByte) {
  const std::vector<std::string_view> n = kel::characters(name, isLeadByte);
  const std::vector<std::string_view> p = kel::characters(pattern, isLeadByte);
  // Greedy glob with one backtrack point: linear in practice, no recursion.
  size_t i = 0, j = 0, star = std::string::npos, mark = 0;
  while (i < n.size()) {
    if (j < p.size() && (p[j] == "?" || sameCharacter(p[j], n[i]))) {
      ++i;
      ++j;
    } else if (j < p.size() && p[j] == "*") {
      star = j++;
      mark = i;
    } else if (star != std::string::npos) {
      j = star + 1;
      i = ++mark;
    } else {
      return false;
    }
  }
  while (j < p.size() && p[j] == "*")
    ++j;
  return j == p.size();
}

std::string lastComponent(const std::string &path, kel::LeadBytePredicate isLeadByte) {
  const size_t slash = kel::findLastOf(path, "\\", isLeadByte);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int32_t appendSearchResults(const std::string &results, const std::string &pattern,
                            std::string &deletionList, size_t limit,
                            kel::LeadBytePredicate isLeadByte) {
  size_t start = 0;
  while (start < results.size()) {
    size_t end = results.find("\r\n", start);
    if (end == std::string::npos)
      end = results.size();
    const std::string path = results.substr(start, end - start);
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
