// Value texts of IFD entries: one renderer per TIFF type, choosing its text by tag.
#include "exif/core/format.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string_view>

#include "exif/core/comment.h"
#include "exif/core/result.h"

namespace dax {

uint16_t get16(const uint8_t *p, ByteOrder order) {
  return order == ByteOrder::kBig ? static_cast<uint16_t>(p[0] << 8 | p[1])
                                  : static_cast<uint16_t>(p[1] << 8 | p[0]);
}

uint32_t get32(const uint8_t *p, ByteOrder order) {
  if (order == ByteOrder::kBig)
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

void put16(uint8_t *p, uint16_t v, ByteOrder order) {
  const uint8_t hi = static_cast<uint8_t>(v >> 8), lo = static_cast<uint8_t>(v);
  p[0] = order == ByteOrder::kBig ? hi : lo;
  p[1] = order == ByteOrder::kBig ? lo : hi;
}

void put32(uint8_t *p, uint32_t v, ByteOrder order) {
  if (order == ByteOrder::kBig) {
    put16(p, static_cast<uint16_t>(v >> 16), order);
    put16(p + 2, static_cast<uint16_t>(v), order);
  } else {
    put16(p, static_cast<uint16_t>(v), order);
    put16(p + 2, static_cast<uint16_t>(v >> 16), order);
  }
}

size_t renderedTypeSize(uint16_t type) {
  switch (type) {
  case kByte:
  case kAscii:
  case kUndefined:
    return 1;
  case kShort:
    return 2;
  case kLong:
  case kSLong:
    return 4;
  case kRational:
  case kSRational:
    return 8;
  default:
    return 0;
  }
}

bool valuesInField(uint16_t type, uint32_t count) {
  switch (type) {
  case kByte:
  case kAscii:
  case kUndefined:
    return count <= 4;
  case kShort:
    return count <= 2;
  case kLong:
  case kSLong:
    return count <= 1;
  default:
    return false; // rationals always lie elsewhere
  }
}

namespace {

constexpr size_t kValueLimit = kValueField - 1;
constexpr size_t kByteListLimit = 65533; // a BYTE list stops earlier than other lists
constexpr size_t kComponentNameLimit = 31;

// Numbers beyond this are meaningless for any tag and would overflow the integer parts.
constexpr double kMagnitudeLimit = 1e15;

std::string dec(int64_t v) { return std::to_string(v); }
std::string udec(uint64_t v) { return std::to_string(v); }

// One piece of a list, made on the stack: lists of thousands of values pass through here, and
// a heap string per value would cost more than the digits themselves.
class Piece {
public:
  Piece &put(char c) {
    m_text[m_size++] = c;
    return *this;
  }
  Piece &put(std::string_view s) {
    std::memcpy(m_text + m_size, s.data(), s.size());
    m_size += s.size();
    return *this;
  }
  Piece &udec(uint64_t v) {
    char digits[20];
    char *p = digits + sizeof digits;
    do {
      *--p = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    return put(std::string_view(p, static_cast<size_t>(digits + sizeof digits - p)));
  }
  Piece &dec(int64_t v) {
    if (v < 0)
      return put('-').udec(0 - static_cast<uint64_t>(v));
    return udec(static_cast<uint64_t>(v));
  }
  // At least minDigits lower-case digits, written from the end.
  Piece &hex(uint64_t v, int minDigits) {
    static const char kDigits[] = "0123456789abcdef";
    char digits[16];
    char *p = digits + sizeof digits;
    const char *least = digits + sizeof digits - std::min(minDigits, 16);
    do {
      *--p = kDigits[v & 15];
      v >>= 4;
    } while (v != 0 || p > least);
    return put(std::string_view(p, static_cast<size_t>(digits + sizeof digits - p)));
  }
  std::string_view view() const { return {m_text, m_size}; }
  size_t size() const { return m_size; }
  std::string str() const { return std::string(view()); }

private:
  char m_text[64]; // the longest piece, a signed fraction of two 32-bit numbers, takes 24
  size_t m_size = 0;
};

std::string hex(uint64_t v, int minDigits) { return Piece().hex(v, minDigits).str(); }

// Appends list pieces to out while the whole piece fits within limit; a list that would
// overflow the field just ends. makePiece(i, piece) writes the i-th piece. The text is
// reserved once, from a guess of the usual piece width.
template <class MakePiece>
void appendList(std::string &out, size_t count, size_t limit, size_t usualWidth,
                MakePiece makePiece) {
  out.reserve(std::min(limit, out.size() + count * usualWidth));
  for (size_t i = 0; i < count; ++i) {
    Piece piece;
    makePiece(i, piece);
    if (out.size() + piece.size() > limit)
      return;
    out.append(piece.view());
  }
}

std::string loadText(const StringSource &strings, uint32_t id, size_t limit = kValueLimit) {
  std::string text;
  if (!strings.load(id, text))
    return {};
  if (text.size() > limit)
    text.resize(limit);
  return text;
}

double tame(double v) {
  if (std::isnan(v))
    return 0.0;
  return std::clamp(v, -kMagnitudeLimit, kMagnitudeLimit);
}

// "%d" of a truncated real: saturates instead of overflowing.
int64_t truncInt(double v) {
  if (std::isnan(v))
    return 0;
  if (v >= 2147483647.0)
    return 2147483647;
  if (v <= -2147483648.0)
    return -2147483648LL;
  return static_cast<int64_t>(v);
}

// Rounded to one or two decimals: half a unit is added (subtracted below zero), then the
// integer part and the decimals are truncated toward zero. Both parts carry v's sign.
struct Decimal {
  int64_t whole;
  int64_t fraction;
  bool isZero() const { return whole == 0 && fraction == 0; }
};

Decimal roundDecimal(double v, double half, double scale) {
  v = tame(v);
  const double w = v < 0 ? v - half : v + half;
  const int64_t whole = static_cast<int64_t>(w);
  const int64_t fraction = static_cast<int64_t>((w - static_cast<double>(whole)) * scale);
  return {whole, fraction};
}

// "%d.%d" rounded to one decimal. Negative values show one minus sign and positive digits
// ("-1.5", not the "-1.-5" that printing both signed parts would give).
Piece &putOneDecimal(Piece &piece, double v) {
  const Decimal r = roundDecimal(v, 0.05, 10.0);
  if (r.whole < 0 || r.fraction < 0)
    return piece.put('-').dec(-r.whole).put('.').dec(-r.fraction);
  return piece.dec(r.whole).put('.').dec(r.fraction);
}

std::string oneDecimal(double v) {
  Piece piece;
  return putOneDecimal(piece, v).str();
}

std::string fRule(double v) {
  const double w = tame(v) + 0.05;
  const int64_t whole = static_cast<int64_t>(w);
  if (whole > 9)
    return "F" + dec(whole);
  return "F" + dec(whole) + "." +
         dec(static_cast<int64_t>((w - static_cast<double>(whole)) * 10.0));
}

// A rational with a zero denominator is shown as stored.
Piece &putRawFraction(Piece &piece, uint32_t n, uint32_t d) {
  return piece.udec(n).put('/').udec(d);
}
Piece &putRawFraction(Piece &piece, int32_t n, int32_t d) { return piece.dec(n).put('/').dec(d); }
template <class T> std::string rawFraction(T n, T d) {
  Piece piece;
  return putRawFraction(piece, n, d).str();
}

size_t wholeValues(const ValueView &v, size_t size) {
  return std::min<size_t>(v.count, v.bytes.size() / size);
}

// Bytes as "0x%02x ", appended while they fit: every piece takes five characters, so how many
// fit is known at once and the digits go straight into the text.
void appendByteList(std::string &out, const uint8_t *b, size_t n, size_t limit) {
  static const char kDigits[] = "0123456789abcdef";
  const size_t count = std::min(n, out.size() < limit ? (limit - out.size()) / 5 : 0);
  const size_t start = out.size();
  out.resize(start + 5 * count);
  char *p = out.data() + start;
  for (size_t i = 0; i < count; ++i, p += 5) {
    p[0] = '0';
    p[1] = 'x';
    p[2] = kDigits[b[i] >> 4];
    p[3] = kDigits[b[i] & 15];
    p[4] = ' ';
  }
}

// Every renderer appends its text to out, which comes empty: a caller keeps one buffer for all
// the entries of a walk.
void emit(std::string &out, std::string_view text) { out.append(text); }

// ---- BYTE ----

void formatByte(const ValueView &v, const StringSource &strings, std::string &out) {
  const size_t n = wholeValues(v, 1);
  const uint8_t *b = v.bytes.data();
  if (v.tag == 0) { // GPS version: the four bytes, the field's own when the values lie in it
    uint8_t four[4] = {};
    std::copy_n(b, std::min<size_t>(4, v.bytes.size()), four);
    return emit(out,
                dec(four[0]) + "." + dec(four[1]) + "." + dec(four[2]) + "." + dec(four[3]) + " ");
  }
  if (n == 0)
    return;
  if (v.tag == 5) // GPS altitude reference
    return emit(out, b[0] == 0 ? loadText(strings, 63080) : hex(b[0], 2));
  appendByteList(out, b, n, kByteListLimit);
}

// ---- ASCII ----

struct LetterName {
  uint16_t tag;
  char letter; // upper case
  uint32_t id;
};

// Single-letter reference values of the GPS IFD.
constexpr LetterName kLetterNames[] = {
    {1, 'N', 63076},  {1, 'S', 63077},  {19, 'N', 63076}, {19, 'S', 63077}, {3, 'E', 63078},
    {3, 'W', 63079},  {21, 'E', 63078}, {21, 'W', 63079}, {9, 'A', 63081},  {9, 'V', 63082},
    {10, '2', 63083}, {10, '3', 63084}, {12, 'K', 63085}, {12, 'M', 63086}, {12, 'N', 63087},
    {25, 'K', 63090}, {25, 'M', 63091}, {25, 'N', 63092}, {14, 'T', 63088}, {14, 'M', 63089},
    {16, 'T', 63088}, {16, 'M', 63089}, {23, 'T', 63088}, {23, 'M', 63089},
};

std::string textUntilNul(const ValueView &v) {
  const size_t n = std::min(wholeValues(v, 1), kValueLimit);
  const auto *b = reinterpret_cast<const char *>(v.bytes.data());
  return std::string(b, std::find(b, b + n, '\0'));
}

void formatAscii(const ValueView &v, const StringSource &strings, std::string &out) {
  std::string text = textUntilNul(v);
  if (v.group != kGroupInterop && text.size() == 1) {
    char c = text[0];
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    for (const LetterName &ln : kLetterNames)
      if (ln.tag == v.tag && ln.letter == c)
        return emit(out, loadText(strings, ln.id));
  }
  return emit(out, text);
}

// ---- SHORT ----

// Named values of SHORT tags: value first to last of tag takes string firstId onwards. A tag
// of this table shows a value that no row names in decimal, or with the string of its kOthers
// row where it has one.
struct ValueName {
  uint16_t tag;
  uint16_t first;
  uint16_t last;
  uint32_t firstId;
  bool others = false; // the fixed string of every value the tag's other rows leave unnamed
};
constexpr bool kOthers = true;

constexpr ValueName kShortNames[] = {
    {255, 1, 1, 64999},
    {255, 2, 2, 64998},
    {255, 3, 3, 64997},
    {259, 1, 1, 63004},
    {259, 2, 2, 64988},
    {259, 3, 3, 64987},
    {259, 4, 4, 64986},
    {259, 5, 5, 64985},
    {259, 6, 6, 63005},
    {259, 32773, 32773, 64983},
    {262, 0, 0, 64979},
    {262, 1, 1, 64978},
    {262, 2, 2, 63007},
    {262, 3, 3, 64976},
    {262, 4, 4, 64975},
    {262, 5, 5, 64974},
    {262, 6, 6, 63008},
    {262, 8, 8, 64972},
    {263, 1, 1, 64969},
    {263, 2, 2, 64968},
    {263, 3, 3, 64967},
    {266, 1, 1, 64059},
    {266, 2, 2, 64058},
    {274, 1, 8, 63009},
    {284, 1, 1, 63017},
    {284, 2, 2, 63018},
    {290, 1, 1, 64029},
    {290, 2, 2, 64028},
    {290, 3, 3, 64027},
    {290, 4, 4, 64026},
    {290, 5, 5, 64025},
    {296, 2, 2, 63023},
    {296, 3, 3, 63024},
    {317, 1, 1, 64009},
    {317, 2, 2, 64008},
    {332, 1, 1, 63999},
    {332, 2, 2, 63998},
    {338, 0, 0, 63989},
    {338, 1, 1, 63988},
    {338, 2, 2, 63987},
    {531, 1, 1, 63021},
    {531, 2, 2, 63022},
    {34850, 0, 8, 63052},
    {37383, 1, 6, 63031},
    {37383, 0, 65535, 63006, kOthers},
    {37384, 0, 0, 63038},
    {37384, 1, 1, 63039},
    {37384, 2, 2, 63040},
    {37384, 3, 3, 63041},
    {37384, 4, 4, 63124},
    {37384, 9, 15, 63125},
    {37384, 17, 22, 63042},
    {37384, 23, 23, 63132},
    {37384, 24, 24, 63133},
    {37384, 255, 255, 63134},
    {37384, 0, 65535, 63037, kOthers},
    {37385, 0, 0, 63048},
    {37385, 1, 1, 63049},
    {37385, 5, 5, 63050},
    {37385, 7, 7, 63051},
    {37385, 9, 9, 63135},
    {37385, 13, 13, 63136},
    {37385, 15, 15, 63137},
    {37385, 16, 16, 63138},
    {37385, 24, 24, 63139},
    {37385, 25, 25, 63140},
    {37385, 29, 29, 63141},
    {37385, 31, 31, 63142},
    {37385, 32, 32, 63143},
    {37385, 65, 65, 63144},
    {37385, 69, 69, 63145},
    {37385, 71, 71, 63146},
    {37385, 73, 73, 63147},
    {37385, 77, 77, 63148},
    {37385, 79, 79, 63149},
    {37385, 89, 89, 63150},
    {37385, 93, 93, 63151},
    {37385, 95, 95, 63152},
    {37385, 0, 65535, 63037, kOthers},
    {40961, 1, 1, 63025},
    {40961, 65535, 65535, 63026},
    {41488, 2, 2, 63023},
    {41488, 3, 3, 63024},
    {41495, 1, 5, 63061},
    {41495, 7, 7, 63066},
    {41495, 8, 8, 63067},
    {41985, 0, 0, 63095},
    {41985, 1, 1, 63096},
    {41986, 0, 0, 63097},
    {41986, 1, 1, 63098},
    {41986, 2, 2, 63099},
    {41987, 0, 0, 63100},
    {41987, 1, 1, 63101},
    {41990, 0, 0, 63102},
    {41990, 1, 1, 63103},
    {41990, 2, 2, 63104},
    {41990, 3, 3, 63105},
    {41991, 0, 4, 63106},
    {41992, 0, 0, 63111},
    {41992, 1, 1, 63112},
    {41992, 2, 2, 63113},
    {41993, 0, 0, 63114},
    {41993, 1, 1, 63115},
    {41993, 2, 2, 63116},
    {41994, 0, 0, 63117},
    {41994, 1, 1, 63118},
    {41994, 2, 2, 63119},
    {41996, 0, 0, 63120},
    {41996, 1, 1, 63121},
    {41996, 2, 2, 63122},
    {41996, 3, 3, 63123},
};

bool isPixelTag(uint16_t tag) { return tag == 256 || tag == 257 || tag == 40962 || tag == 40963; }

void formatShort(const ValueView &v, const StringSource &strings, std::string &out) {
  const size_t n = wholeValues(v, 2);
  if (n == 0)
    return;
  const auto at = [&](size_t i) { return get16(v.bytes.data() + 2 * i, v.order); };
  const uint16_t first = at(0);
  if (isPixelTag(v.tag))
    return emit(out, udec(first) + " pixel");
  if (v.tag == 41989) // focal length in 35 mm film
    return emit(out, udec(first) + " mm");
  if (v.tag == 530) { // YCbCr subsampling: the pair decides
    const uint16_t second = n > 1 ? at(1) : 0;
    if (first == 2 && second == 1)
      return emit(out, loadText(strings, 63019));
    if (first == 2 && second == 2)
      return emit(out, loadText(strings, 63020));
    return emit(out, udec(first));
  }
  if (v.tag == 34855 || v.tag == 320) { // ISO speeds, colour map
    if (v.tag == 320)
      return appendList(out, n, kValueLimit, 5,
                        [&](size_t i, Piece &p) { p.put("0x").hex(at(i), 1).put(' '); });
    return appendList(out, n, kValueLimit, 4, [&](size_t i, Piece &p) { p.udec(at(i)).put(' '); });
  }
  bool named = false;
  uint32_t othersId = 0;
  for (const ValueName &row : kShortNames) {
    if (row.tag != v.tag)
      continue;
    named = true;
    if (row.others)
      othersId = row.firstId;
    else if (first >= row.first && first <= row.last)
      return emit(out, loadText(strings, row.firstId + (first - row.first)));
  }
  if (named)
    return emit(out, othersId != 0 ? loadText(strings, othersId) : udec(first));
  appendList(out, n, kValueLimit, 5,
             [&](size_t i, Piece &p) { p.put("0x").hex(at(i), 2).put(' '); });
}

// ---- LONG, SLONG ----

void formatLongList(const ValueView &v, std::string &out) {
  const size_t n = wholeValues(v, 4);
  if (n == 0)
    return;
  if (v.type == kLong && isPixelTag(v.tag))
    return emit(out, udec(get32(v.bytes.data(), v.order)) + " pixel");
  appendList(out, n, kValueLimit, 7, [&](size_t i, Piece &p) {
    p.put("0x").hex(get32(v.bytes.data() + 4 * i, v.order), 4).put(' ');
  });
}

// ---- RATIONAL ----

void formatRational(const ValueView &v, std::string &out) {
  const size_t n = wholeValues(v, 8);
  if (n == 0)
    return;
  const auto num = [&](size_t i) { return get32(v.bytes.data() + 8 * i, v.order); };
  const auto den = [&](size_t i) { return get32(v.bytes.data() + 8 * i + 4, v.order); };
  const uint32_t n0 = num(0), d0 = den(0);
  const bool single = v.tag == 282 || v.tag == 283 || v.tag == 33434 || v.tag == 33437 ||
                      v.tag == 37377 || v.tag == 37378 || v.tag == 37381 || v.tag == 37122 ||
                      v.tag == 37382 || v.tag == 37386;
  if (single && d0 == 0)
    return emit(out, rawFraction(n0, d0));
  const double ratio = static_cast<double>(n0) / static_cast<double>(d0);
  switch (v.tag) {
  case 282:
  case 283: // resolutions
    return emit(out, udec(n0 / d0));
  case 33434: // exposure time
    if (ratio >= 1.0 || n0 == 0)
      return emit(out, oneDecimal(ratio) + " sec.");
    return emit(out, "1/" + udec(d0 / n0) + " sec.");
  case 33437: // F-number
    return emit(out, fRule(ratio));
  case 37378:
  case 37381: { // aperture values in APEX, stored signed by some writers
    const double apex = static_cast<double>(static_cast<int32_t>(n0)) /
                        static_cast<double>(static_cast<int32_t>(d0));
    return emit(out, fRule(std::pow(2.0, apex * 0.5)));
  }
  case 37377: // shutter speed in APEX
    if (ratio > 0.0)
      return emit(out, "1/" + dec(truncInt(std::pow(2.0, ratio))) + " sec.");
    return emit(out, dec(truncInt(std::pow(2.0, -ratio))) + " sec.");
  case 37122:
    return emit(out, oneDecimal(ratio) + " bit/pixel");
  case 37382:
    return emit(out, oneDecimal(ratio) + " m");
  case 37386:
    return emit(out, oneDecimal(ratio) + " mm");
  default:
    break;
  }
  appendList(out, n, kValueLimit, 6, [&](size_t i, Piece &p) {
    const uint32_t a = num(i), b = den(i);
    (b == 0 ? putRawFraction(p, a, b) : putOneDecimal(p, static_cast<double>(a) / b)).put(' ');
  });
}

// ---- SRATIONAL ----

// Brightness and exposure bias: a sign in front of every non-zero value.
std::string signedDecimal(double v, bool twoDecimals) {
  const Decimal r = twoDecimals ? roundDecimal(v, 0.005, 100.0) : roundDecimal(v, 0.05, 10.0);
  if (r.isZero())
    return "0.0";
  std::string digits = dec(r.fraction < 0 ? -r.fraction : r.fraction);
  if (twoDecimals && digits.size() < 2)
    digits.insert(0, "0");
  if (v < 0)
    return (r.whole != 0 ? dec(r.whole) : std::string("-0")) + "." + digits;
  return "+" + dec(r.whole) + "." + digits;
}

void formatSRational(const ValueView &v, std::string &out) {
  const size_t n = wholeValues(v, 8);
  if (n == 0)
    return;
  const auto num = [&](size_t i) {
    return static_cast<int32_t>(get32(v.bytes.data() + 8 * i, v.order));
  };
  const auto den = [&](size_t i) {
    return static_cast<int32_t>(get32(v.bytes.data() + 8 * i + 4, v.order));
  };
  const int32_t n0 = num(0), d0 = den(0);
  const bool single = v.tag == 37377 || v.tag == 37379 || v.tag == 37380;
  if (single && d0 == 0)
    return emit(out, rawFraction(n0, d0));
  const double ratio = static_cast<double>(n0) / static_cast<double>(d0);
  switch (v.tag) {
  case 37377: { // shutter speed in APEX
    const double t = std::pow(2.0, -ratio);
    if (t >= 1.0)
      return emit(out, oneDecimal(t) + " sec.");
    return emit(out, "1/" + udec(shutterDenominator(t)) + " sec.");
  }
  case 37379: // brightness
    return emit(out, signedDecimal(ratio, false));
  case 37380: // exposure bias
    return emit(out, signedDecimal(ratio, true));
  default:
    break;
  }
  appendList(out, n, kValueLimit, 6, [&](size_t i, Piece &p) {
    const int32_t a = num(i), b = den(i);
    (b == 0 ? putRawFraction(p, a, b) : putOneDecimal(p, static_cast<double>(a) / b)).put(' ');
  });
}

// ---- UNDEFINED ----

// A version such as "0220": the leading decimal digits as a number.
int64_t leadingNumber(const std::string &text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  int64_t n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (n < 100000000000LL) // enough digits for any version; the rest cannot overflow
      n = n * 10 + (text[i] - '0');
  return n;
}

constexpr uint32_t kComponentNames[] = {63070, 63072, 63071,
                                        63073, 63074, 63075}; // components 1 to 6

void formatUndefined(const ValueView &v, const StringSource &strings, std::string &out) {
  const size_t n = std::min(wholeValues(v, 1), kValueLimit);
  const uint8_t *b = v.bytes.data();
  switch (v.tag) {
  case 36864:
  case 40960: { // Exif and FlashPix versions
    const int64_t version = leadingNumber(textUntilNul(v));
    return emit(out, dec(version / 100) + "." + dec(version % 100));
  }
  case 37510: // user comment
    return emit(out, formatUserComment(v, strings, kValueLimit));
  case 37121: { // components configuration
    // Each name is loaded once, when first met: a value may repeat it thousands of times.
    std::string names[std::size(kComponentNames)];
    bool loaded[std::size(kComponentNames)] = {};
    for (size_t i = 0; i < n; ++i) {
      const uint8_t c = b[i];
      std::string_view piece = " ";
      if (c >= 1 && c <= 6) {
        if (!loaded[c - 1]) {
          names[c - 1] = loadText(strings, kComponentNames[c - 1], kComponentNameLimit);
          loaded[c - 1] = true;
        }
        piece = names[c - 1];
      }
      if (out.size() + piece.size() > kValueLimit)
        break;
      out.append(piece);
    }
    return;
  }
  case 41728: // file source
    if (n == 0)
      return;
    return emit(out, b[0] == 3 ? loadText(strings, 63068) : dec(b[0]));
  case 41729: // scene type
    if (n == 0)
      return;
    return emit(out, b[0] == 1 ? loadText(strings, 63069) : dec(b[0]));
  default:
    break;
  }
  if (n == 0)
    return;
  if (strings.isAlphaNumeric(b[0]))
    return emit(out, textUntilNul(v));
  appendByteList(out, b, n, kValueLimit);
}

} // namespace

uint32_t shutterDenominator(double t) {
  constexpr uint32_t kNone = 40000;
  if (!(t > 0.0))
    return kNone;
  // t * i grows with i, so the answer is the first i whose product reaches 1, if that
  // product is still below 2. Start near 1 / t and step to it instead of counting from 1.
  const double estimate = 1.0 / t;
  uint32_t i =
      estimate >= 39999.0 ? 39999u : std::max<uint32_t>(1u, static_cast<uint32_t>(estimate));
  while (i > 1 && static_cast<int64_t>(t * (i - 1)) >= 1)
    --i;
  while (i <= 39999 && static_cast<int64_t>(t * i) < 1)
    ++i;
  if (i > 39999 || static_cast<int64_t>(t * i) != 1)
    return kNone;
  return i;
}

void formatValue(const ValueView &v, const StringSource &strings, std::string &out) {
  out.clear();
  switch (v.type) {
  case kByte:
    return formatByte(v, strings, out);
  case kAscii:
    return formatAscii(v, strings, out);
  case kShort:
    return formatShort(v, strings, out);
  case kLong:
  case kSLong:
    return formatLongList(v, out);
  case kRational:
    return formatRational(v, out);
  case kUndefined:
    return formatUndefined(v, strings, out);
  case kSRational:
    return formatSRational(v, out);
  default:
    return;
  }
}

std::string formatValue(const ValueView &v, const StringSource &strings) {
  std::string text;
  formatValue(v, strings, text);
  return text;
}

std::string_view trimmedSpace(std::string_view text) {
  const auto space = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
  };
  size_t begin = 0, end = text.size();
  while (begin < end && space(text[begin]))
    ++begin;
  while (end > begin && space(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

std::string trimSpace(const std::string &text) { return std::string(trimmedSpace(text)); }

} // namespace dax
