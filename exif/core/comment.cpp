// User comments: the character code that opens the value, and JIS text as Shift_JIS.
#include "exif/core/comment.h"

#include <algorithm>
#include <vector>

namespace dax {

namespace {

enum class Charset { kAscii, kUnicode, kJis, kUndefined };

constexpr size_t kCodeSize = 8;

struct CharacterCode {
  uint8_t name[kCodeSize];
  Charset charset;
};

constexpr CharacterCode kCodes[] = {
    {{'A', 'S', 'C', 'I', 'I', 0, 0, 0}, Charset::kAscii},
    {{'U', 'N', 'I', 'C', 'O', 'D', 'E', 0}, Charset::kUnicode},
    {{'J', 'I', 'S', 0, 0, 0, 0, 0}, Charset::kJis},
    {{0, 0, 0, 0, 0, 0, 0, 0}, Charset::kUndefined},
};

std::string bytesUntilNul(const uint8_t *b, size_t n, size_t limit) {
  n = std::min(n, limit);
  const auto *text = reinterpret_cast<const char *>(b);
  return std::string(text, std::find(text, text + n, '\0'));
}

} // namespace

std::string formatUserComment(const ValueView &v, const StringSource &strings, size_t limit) {
  const size_t n = std::min<size_t>(v.count, v.bytes.size());
  const uint8_t *b = v.bytes.data();
  // A value cut inside its code is matched on what there is of it.
  const CharacterCode *code = nullptr;
  for (const CharacterCode &c : kCodes) {
    if (std::equal(b, b + std::min(n, kCodeSize), c.name)) {
      code = &c;
      break;
    }
  }
  if (code == nullptr) // no code this reader knows: perhaps a writer that put none
    return bytesUntilNul(b, n, limit);
  if (n <= kCodeSize)
    return {};

  const uint8_t *text = b + kCodeSize;
  const size_t size = n - kCodeSize;
  std::string result;
  switch (code->charset) {
  case Charset::kAscii:
  case Charset::kUndefined:
    return bytesUntilNul(text, size, limit);
  case Charset::kUnicode: {
    std::vector<char16_t> units;
    units.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) {
      const uint16_t unit = get16(text + i, v.order);
      if (unit == 0)
        break;
      units.push_back(static_cast<char16_t>(unit));
    }
    result = strings.fromUtf16(units, limit);
    break;
  }
  case Charset::kJis:
    result = strings.fromJis(
        std::span<const uint8_t>(text, std::find(text, text + size, uint8_t{0})), limit);
    break;
  }
  if (result.size() > limit) // a converter that broke its promise still cannot overflow the field
    result.resize(limit);
  return result;
}

std::string jisToShiftJis(std::span<const uint8_t> jis) {
  enum class Mode { kRoman, kKana, kJisX0208, kUnmapped };
  struct Escape {
    const char *sequence; // after ESC
    size_t length;
    Mode mode;
    bool announcer; // ESC & @ only announces a revision; it changes no mode
  };
  static constexpr Escape kEscapes[] = {
      {"(B", 2, Mode::kRoman, false},     {"(J", 2, Mode::kRoman, false},
      {"(H", 2, Mode::kRoman, false},     {"(I", 2, Mode::kKana, false},
      {"$@", 2, Mode::kJisX0208, false},  {"$B", 2, Mode::kJisX0208, false},
      {"$(D", 3, Mode::kUnmapped, false}, {"&@", 2, Mode::kRoman, true},
  };

  std::string out;
  out.reserve(jis.size());
  Mode mode = Mode::kRoman;
  bool shiftedOut = false; // SO .. SI: half-width katakana whatever the mode
  const size_t n = jis.size();
  for (size_t i = 0; i < n;) {
    const uint8_t c = jis[i];
    if (c == 0x1B) {
      size_t used = 1; // an unknown sequence loses only its ESC
      for (const Escape &e : kEscapes) {
        if (n - i - 1 >= e.length && std::equal(e.sequence, e.sequence + e.length,
                                                jis.begin() + static_cast<ptrdiff_t>(i) + 1)) {
          if (!e.announcer)
            mode = e.mode;
          used = 1 + e.length;
          break;
        }
      }
      i += used;
      continue;
    }
    ++i;
    if (c == 0x0E || c == 0x0F) {
      shiftedOut = c == 0x0E;
    } else if (c >= 0xA1 && c <= 0xDF) { // 8-bit katakana: already Shift_JIS
      out += static_cast<char>(c);
    } else if (c >= 0x80) {
      out += '?';
    } else if (c <= 0x20 || c == 0x7F) {
      out += static_cast<char>(c);
    } else if (shiftedOut || mode == Mode::kKana) {
      out += c <= 0x5F ? static_cast<char>(c + 0x80) : '?';
    } else if (mode == Mode::kRoman) {
      out += static_cast<char>(c);
    } else if (i >= n || jis[i] < 0x21 || jis[i] > 0x7E) {
      out += '?'; // half a character; the next byte is read on its own
    } else {
      const uint8_t c2 = jis[i++];
      if (mode == Mode::kUnmapped) {
        out += '?';
        continue;
      }
      // Two JIS rows share one Shift_JIS lead byte: odd rows take the low trail range
      // (skipping 0x7F), even rows the high one.
      unsigned lead = ((c - 0x21u) >> 1) + 0x81u;
      if (lead > 0x9F)
        lead += 0x40;
      const unsigned trail = (c & 1) ? c2 + (c2 >= 0x60 ? 0x20u : 0x1Fu) : c2 + 0x7Eu;
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
    }
  }
  return out;
}

} // namespace dax
