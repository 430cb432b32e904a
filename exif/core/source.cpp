// Memory byte source and table string source of the EXIF reader core.
#include "exif/core/source.h"

#include <cstring>

#include "exif/core/comment.h"

namespace dax {

int64_t MemorySource::readAt(uint64_t pos, void *out, size_t size) {
  if (pos >= m_bytes.size() || size == 0)
    return 0;
  const uint64_t available = m_bytes.size() - pos;
  const size_t n = available < size ? static_cast<size_t>(available) : size;
  std::memcpy(out, m_bytes.data() + pos, n);
  return static_cast<int64_t>(n);
}

bool StringSource::isAlphaNumeric(unsigned char c) const {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string StringSource::fromUtf16(std::span<const char16_t> units, size_t limit) const {
  std::string text;
  for (size_t i = 0; i < units.size() && text.size() < limit; ++i) {
    const char16_t u = units[i];
    if (u < 0x80) {
      text += static_cast<char>(u);
      continue;
    }
    text += '?';
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF)
      ++i; // a surrogate pair is one character
  }
  return text;
}

std::string StringSource::fromJis(std::span<const uint8_t> bytes, size_t limit) const {
  const std::string sjis = jisToShiftJis(bytes);
  std::string text;
  for (size_t i = 0; i < sjis.size() && text.size() < limit; ++i) {
    const auto c = static_cast<uint8_t>(sjis[i]);
    if (c < 0x80) {
      text += static_cast<char>(c);
      continue;
    }
    text += '?';
    if (isShiftJisLead(c))
      ++i;
  }
  return text;
}

bool TableStrings::load(uint32_t id, std::string &text) const {
  const auto it = m_table.find(id);
  if (it == m_table.end() || it->second.empty())
    return false;
  text = it->second;
  return true;
}

} // namespace dax
