// Attribute filter and bounded path joining of the directory search.
#include "util/core/search_rules.h"

#include <cstring>

namespace kel {

// An item whose attributes cannot be read comes with kUnreadableAttributes, which carries all
// four filtered bits: it is reported only to a search that accepts everything, and then the
// caller sees the failure when it touches the item.
bool passesAttributeFilter(uint32_t flags, uint32_t attributes) {
  struct Rule {
    uint32_t attribute, accept;
  };
  static constexpr Rule kRules[] = {{0x20, kSearchArchive},
                                    {0x01, kSearchReadOnly},
                                    {0x02, kSearchHidden},
                                    {0x04, kSearchSystem}};
  for (const Rule &rule : kRules) {
    if ((attributes & rule.attribute) != 0 && (flags & rule.accept) == 0)
      return false;
  }
  return true;
}

namespace {
// Room for length bytes, a backslash, the name and the NUL; compared one by one so no sum wraps.
bool fits(std::size_t capacity, std::size_t length, std::size_t nameLength) {
  return length < capacity && nameLength < capacity - length && capacity - length - nameLength >= 2;
}
} // namespace

bool joinPath(char *out, std::size_t capacity, std::string_view folder, std::string_view name) {
  if (out == nullptr || capacity == 0)
    return false;
  if (!fits(capacity, folder.size(), name.size())) {
    out[0] = '\0';
    return false;
  }
  std::memcpy(out, folder.data(), folder.size());
  return appendPath(out, capacity, folder.size(), name);
}

bool appendPath(char *buffer, std::size_t capacity, std::size_t length, std::string_view name) {
  if (buffer == nullptr || length >= capacity)
    return false;
  if (!fits(capacity, length, name.size())) {
    buffer[length] = '\0';
    return false;
  }
  buffer[length] = '\\';
  std::memcpy(buffer + length + 1, name.data(), name.size());
  buffer[length + 1 + name.size()] = '\0';
  return true;
}

} // namespace kel
