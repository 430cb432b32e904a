// Texts of other character sets in a Windows code page, through the system's converters.
#include "exif/win/ansi_text.h"

#include "exif/core/comment.h"

namespace daxwin {

namespace {

constexpr UINT kIso2022Jp = 50220;
constexpr UINT kShiftJis = 932;

int convertedSize(std::wstring_view text, size_t units, UINT codePage) {
  return units == 0 ? 0
                    : WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(units),
                                          nullptr, 0, nullptr, nullptr);
}

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::wstring toWide(const char *bytes, size_t size, UINT codePage) {
  const int n = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(size), nullptr, 0);
  if (n <= 0)
    return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(size), wide.data(), n);
  return wide;
}

} // namespace

std::string wideToCodePage(std::wstring_view text, UINT codePage, size_t limit) {
  // The texts come from one file value, far below what an int can count.
  if (text.empty() || limit == 0 || text.size() > 0x3FFFFFFF)
    return {};
  size_t units = text.size();
  int size = convertedSize(text, units, codePage);
  if (size <= 0)
    return {};
  if (static_cast<size_t>(size) > limit) {
    // The longest prefix whose text fits: the converted size never shrinks as units are
    // added, so halving finds it in a few calls whatever the code page's widths.
    size_t fits = 0, fails = units;
    while (fails - fits > 1) {
      const size_t mid = fits + (fails - fits) / 2;
      if (static_cast<size_t>(convertedSize(text, mid, codePage)) <= limit)
        fits = mid;
      else
        fails = mid;
    }
    units = fits;
    if (units > 0 && isHighSurrogate(text[units - 1]) && isLowSurrogate(text[units]))
      --units;
    size = convertedSize(text, units, codePage);
    if (size <= 0)
      return {};
  }
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(units), out.data(), size, nullptr,
                      nullptr);
  return out;
}

std::wstring jisToWide(std::span<const uint8_t> jis, bool &ok) {
  ok = true;
  if (jis.empty())
    return {};
  if (jis.size() <= 0x3FFFFFFF) {
    std::wstring wide = toWide(reinterpret_cast<const char *>(jis.data()), jis.size(), kIso2022Jp);
    if (!wide.empty())
      return wide;
    // Systems without the ISO-2022-JP converter (Wine among them) still have Shift_JIS.
    const std::string sjis = dax::jisToShiftJis(jis);
    wide = sjis.empty() ? std::wstring() : toWide(sjis.data(), sjis.size(), kShiftJis);
    if (!wide.empty() || sjis.empty())
      return wide;
  }
  ok = false;
  return {};
}

} // namespace daxwin
