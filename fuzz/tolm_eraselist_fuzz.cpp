// Fuzz target for the erase list: hostile lists must parse within bounds into patterns that
// keep to the folder, and matching and the deletion list must stay within their limits.
#include "app/core/erase_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
bool sjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size); // exact size: a read past the end is caught
  std::vector<std::string> patterns;
  const bool lead = size > 0 && (data[0] & 1) != 0;
  const int32_t result = tolm::parseEraseList(bytes.empty() ? nullptr : bytes.data(), size,
                                              patterns, lead ? sjisLead : nullptr);
  if (result == 0) {
    if (patterns.empty() || patterns.size() > 299)
      std::abort();
    for (const std::string &p : patterns) {
      if (p.size() < 2 || p[0] != '*' || p[1] != '.' || p.size() > 259)
        std::abort();
      if (!lead && (p.find('\\') != std::string::npos || p.find('\0') != std::string::npos))
        std::abort();
    }
  }
  // The input also serves as search results and as a pattern to match them with.
  const std::string text(reinterpret_cast<const char *>(data), size);
  const size_t split = size / 2;
  const std::string pattern = text.substr(0, split).substr(0, 64);
  std::string deletion;
  const size_t limit = 64 + size % 512;
  const int32_t appended = tolm::appendSearchResults(text.substr(split), pattern, deletion, limit,
                                                     lead ? sjisLead : nullptr);
  if (deletion.size() >= limit - 1 || (appended != 0 && appended != tolm::kEraseBufferFull))
    std::abort();
  tolm::nameMatches(text.substr(split, 200), pattern, nullptr);
  return 0;
}
