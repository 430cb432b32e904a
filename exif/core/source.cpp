// Memory byte source and table string source of the EXIF reader core.
#include "exif/core/source.h"

#include <cstring>

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

bool TableStrings::load(uint32_t id, std::string &text) const {
  const auto it = m_table.find(id);
  if (it == m_table.end() || it->second.empty())
    return false;
  text = it->second;
  return true;
}

} // namespace dax
