// Fuzz target: the command-line scanner and the path helpers of TOLM.exe on arbitrary bytes,
// including broken two-byte characters.
#include "app/core/cmdline.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  const tolm::CommandLine c = tolm::scanCommandLine(text);
  if (!c.tooShort && c.path.size() >= text.size())
    __builtin_trap(); // the path is always a part of the text
  for (auto lead : {tolm::noLeadBytes, tolm::isCp932LeadByte}) {
    const auto [place, name] = tolm::splitPlaceAndName(text, lead);
    if (place.size() + name.size() > text.size())
      __builtin_trap();
    const std::string upper = tolm::upperAscii(text, lead);
    if (upper.size() != text.size())
      __builtin_trap();
    tolm::isImageExtension(c.path, text, lead);
  }
  tolm::classifyFound(size % 2 == 0, c.letter, size % 3 == 0);
  return 0;
}
