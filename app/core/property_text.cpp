// Texts of the General tab: size, times and attribute letters, and the protected-item rule.
#include "app/core/property_text.h"

#include <cstdio>

namespace tolm {
namespace {

std::string grouped(uint64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  const size_t first = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  out.append(digits, 0, first);
  for (size_t i = first; i < digits.size(); i += 3) {
    out += ',';
    out.append(digits, i, 3);
  }
  return out;
}

// "%d.%02d" of n / 2^shift with truncated hundredths.
std::string withHundredths(uint64_t n, int shift, char unit) {
  const uint64_t whole = n >> shift;
  const double scaled = static_cast<double>(n) * (1.0 / static_cast<double>(uint64_t{1} << shift));
  const int hundredths = static_cast<int>((scaled - static_cast<double>(whole)) * 100.0);
  char text[48];
  std::snprintf(text, sizeof text, "%llu.%02d%c (", static_cast<unsigned long long>(whole),
                hundredths, unit);
  return text;
}

} // namespace

std::string sizeText(int64_t size) {
  if (size < 0)
    return "???";
  const uint64_t n = static_cast<uint64_t>(size);
  std::string prefix;
  if (n >= 0x40000000u)
    prefix = withHundredths(n, 30, 'G');
  else if (n >= 0x100000u)
    prefix = withHundredths(n, 20, 'M');
  else if (n >= 1024)
    prefix = std::to_string(n / 1024) + "K (";
  return prefix.empty() ? grouped(n) : prefix + grouped(n) + ")";
}

std::string timeText(const SystemTime &t) {
  char text[48];
  std::snprintf(text, sizeof text, "%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::string attributeLetters(uint32_t attributes) {
  static const struct {
    uint32_t bit;
    char letter;
  } kLetters[] = {{0x20, 'A'}, {0x800, 'C'}, {0x4000, 'E'}, {0x02, 'H'}, {0x01, 'R'}, {0x04, 'S'}};
  std::string out;
  for (const auto &l : kLetters)
    out += (attributes & l.bit) ? l.letter : '_';
  return out;
}

bool isProtectedItem(bool attributesRead, uint32_t attributes, int32_t hiddenFile,
                     int32_t systemFile) {
  if (!attributesRead)
    return true;
  return ((attributes & 0x02) != 0 && hiddenFile == 0) ||
         ((attributes & 0x04) != 0 && systemFile == 0);
}

std::string versionLine(const std::string &name, const uint32_t parts[4]) {
  char line[64];
  std::snprintf(line, sizeof line, "%s Ver. %d.%d.%d.%d", name.c_str(), static_cast<int>(parts[0]),
                static_cast<int>(parts[1]), static_cast<int>(parts[2]), static_cast<int>(parts[3]));
  return line;
}

std::string versionBlock(const std::string (&lines)[9], const std::string &notice) {
  std::string block = lines[0] + "\r\r";
  for (int i = 1; i <= 4; ++i)
    block += lines[i] + (i < 4 ? "\r" : "\r\r");
  for (int i = 5; i <= 8; ++i)
    block += lines[i] + (i < 8 ? "\r" : "\r\r\r\r\r\r");
  return block + notice;
}

} // namespace tolm
