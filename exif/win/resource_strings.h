// The language library's strings as the core asks for them, and the file-dialog filter.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "exif/core/source.h"
#include "util/core/dbcs_text.h"

namespace daxwin {

// String id of the file dialog's filter list in a language library.
inline constexpr uint32_t kFilterStringId = 65535;
// Bytes LoadStringA may fill for any one string, NUL included.
inline constexpr int kStringBuffer = 1024;

// Strings of a loaded language library in the system's ANSI code page, which is also the code
// page other texts are converted to. The library handle stays the caller's and must outlive
// the object.
class ResourceStrings final : public dax::StringSource {
public:
  explicit ResourceStrings(HMODULE library) : m_library(library) {}
  bool load(uint32_t id, std::string &text) const override;
  bool isAlphaNumeric(unsigned char c) const override;
  std::string fromUtf16(std::span<const char16_t> units, size_t limit) const override;
  std::string fromJis(std::span<const uint8_t> bytes, size_t limit) const override;

private:
  HMODULE m_library;
};

// Turns a filter text whose pairs are separated by '|' ("JPEG (*.jpg)|*.jpg|...") into the
// NUL-separated list the file dialog takes, ending in two NULs. Only single-byte '|'
// characters separate: in code page 932 the trail byte of a double-byte character may have
// the value of '|', so lead bytes (isLeadByte) carry their next byte along. An empty text,
// or one without any separator, gives an empty result: the dialog then shows no filter.
std::string filterList(const std::string &text, kel::LeadBytePredicate isLeadByte);

} // namespace daxwin
