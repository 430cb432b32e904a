// The language library's strings as the core asks for them, and the file-dialog filter.
#include "exif/win/resource_strings.h"

#include "exif/win/ansi_text.h"

namespace daxwin {

bool ResourceStrings::load(uint32_t id, std::string &text) const {
  if (m_library == nullptr || id > 0xFFFF)
    return false;
  char buffer[kStringBuffer];
  const int n = LoadStringA(m_library, static_cast<UINT>(id), buffer, kStringBuffer);
  if (n <= 0)
    return false;
  // LoadStringA copies embedded NULs too and reports them in n; n never exceeds the buffer.
  text.assign(buffer, static_cast<size_t>(n < kStringBuffer ? n : kStringBuffer - 1));
  return true;
}

bool ResourceStrings::isAlphaNumeric(unsigned char c) const {
  return IsCharAlphaNumericA(static_cast<CHAR>(c)) != FALSE;
}

std::string ResourceStrings::fromUtf16(std::span<const char16_t> units, size_t limit) const {
  const std::wstring wide(units.begin(), units.end());
  return wideToCodePage(wide, CP_ACP, limit);
}

std::string ResourceStrings::fromJis(std::span<const uint8_t> bytes, size_t limit) const {
  bool ok = false;
  const std::wstring wide = jisToWide(bytes, ok);
  if (!ok) // no Japanese converter at all: the ASCII parts are still worth showing
    return StringSource::fromJis(bytes, limit);
  return wideToCodePage(wide, CP_ACP, limit);
}

std::string filterList(const std::string &text, kel::LeadBytePredicate isLeadByte) {
  std::string list;
  list.reserve(text.size() + 2);
  bool separated = false;
  for (std::string_view c : kel::characters(text, isLeadByte)) {
    if (c.size() == 1 && (c[0] == '|' || c[0] == '\0')) {
      list += '\0';
      separated = true;
    } else {
      list += c;
    }
  }
  if (!separated)
    return {};
  // One NUL ends the last string and one more ends the list; an extra one is harmless.
  list += '\0';
  list += '\0';
  return list;
}

} // namespace daxwin
