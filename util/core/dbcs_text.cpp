// Scanning of narrow text in a double-byte code page.
#include "util/core/dbcs_text.h"

namespace kel {
namespace {

bool leads(LeadBytePredicate isLead, char c) {
  return isLead != nullptr && isLead(static_cast<uint8_t>(c));
}

template <char From, char To> void changeCase(std::span<char> text, LeadBytePredicate isLead) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (leads(isLead, text[i]) && i + 1 < text.size()) {
      ++i;
      continue;
    }
    if (text[i] >= From && text[i] <= From + 25)
      text[i] = static_cast<char>(text[i] - From + To);
  }
}

} // namespace

bool noLeadBytes(uint8_t) { return false; }
bool isCp932LeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t characterLength(std::string_view text, size_t at, LeadBytePredicate isLead) {
  return leads(isLead, text[at]) && at + 1 < text.size() ? 2 : 1;
}

size_t findLastOf(std::string_view text, std::string_view wanted, LeadBytePredicate isLead) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i += characterLength(text, i, isLead)) {
    if (characterLength(text, i, isLead) == 1 && wanted.find(text[i]) != std::string_view::npos)
      found = i;
  }
  return found;
}

std::vector<std::string_view> characters(std::string_view text, LeadBytePredicate isLead) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < text.size();) {
    const size_t length = characterLength(text, i, isLead);
    out.push_back(text.substr(i, length));
    i += length;
  }
  return out;
}

void lowerAsciiInPlace(std::span<char> text, LeadBytePredicate isLead) {
  changeCase<'A', 'a'>(text, isLead);
}
void upperAsciiInPlace(std::span<char> text, LeadBytePredicate isLead) {
  changeCase<'a', 'A'>(text, isLead);
}

std::string upperAscii(std::string_view text, LeadBytePredicate isLead) {
  std::string out(text);
  upperAsciiInPlace(out, isLead);
  return out;
}

size_t wholeCharacterPrefix(const char *text, size_t limit, LeadBytePredicate isLead) {
  if (text == nullptr)
    return 0;
  size_t length = 0;
  while (length < limit && text[length] != '\0') {
    const size_t step = leads(isLead, text[length]) ? 2 : 1;
    if (length + step > limit || (step == 2 && text[length + 1] == '\0'))
      break;
    length += step;
  }
  return length;
}

} // namespace kel
