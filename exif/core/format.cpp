// Value texts of IFD entries: one renderer per TIFF type, choosing its text by tag.
#include "exif/core/format.h"

#include <algorithm>
#include <cmath>
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
  case kByte: case kAscii: case kUndefined: return 1;
  case kShort: return 2;
  case kLong: case kSLong: return 4;
  case kRational: case kSRational: return 8;
  default: return 0;
  }
}

bool valuesInField(uint16_t type, uint32_t count) {
  switch (type) {
  case kByte: case kAscii: case kUndefined: return count <= 4;
  case kShort: return count <= 2;
  case kLong: case kSLong: return count <= 1;
  default: return false; // rationals always lie elsewhere
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

// Digits are written from the end of a buffer: lists of thousands of values pass through here.
std::string hex(uint64_t v, int minDigits) {
  static const char kDigits[] = "0123456789abcdef";
  char buffer[16];
  char *p = buffer + sizeof buffer;
  const char *least = buffer + sizeof buffer - std::min(minDigits, 16);
  do {
    *--p = kDigits[v & 15];
    v >>= 4;
  } while (v != 0 || p > least);
  return std::string(p, buffer + sizeof buffer);
}

// Appends whole pieces while they fit; a list that would overflow the field just ends.
class TextBuilder {
public:
  explicit TextBuilder(size_t limit = kValueLimit) : m_limit(limit) {}
  bool append(std::string_view piece) {
    if (m_text.size() + piece.size() > m_limit)
      return false;
    m_text += piece;
    return true;
  }
  std::string take() { return std::move(m_text); }

private:
  size_t m_limit;
  std::string m_text;
};

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
std::string oneDecimal(double v) {
  const Decimal r = roundDecimal(v, 0.05, 10.0);
  if (r.whole < 0 || r.fraction < 0)
    return "-" + dec(-r.whole) + "." + dec(-r.fraction);
  return dec(r.whole) + "." + dec(r.fraction);
}

std::string fRule(double v) {
  const double w = tame(v) + 0.05;
  const int64_t whole = static_cast<int64_t>(w);
  if (whole > 9)
    return "F" + dec(whole);
  return "F" + dec(whole) + "." + dec(static_cast<int64_t>((w - static_cast<double>(whole)) * 10.0));
}

// A rational with a zero denominator is shown as stored.
std::string rawFraction(uint32_t n, uint32_t d) { return udec(n) + "/" + udec(d); }
std::string rawFraction(int32_t n, int32_t d) { return dec(n) + "/" + dec(d); }

size_t wholeValues(const ValueView &v, size_t size) {
  return std::min<size_t>(v.count, v.bytes.size() / size);
}

// ---- BYTE ----

std::string formatByte(const ValueView &v, const StringSource &strings) {
  const size_t n = wholeValues(v, 1);
  const uint8_t *b = v.bytes.data();
  if (v.tag == 0) { // GPS version: the four bytes, the field's own when the values lie in it
    uint8_t four[4] = {};
    std::copy_n(b, std::min<size_t>(4, v.bytes.size()), four);
    return dec(four[0]) + "." + dec(four[1]) + "." + dec(four[2]) + "." + dec(four[3]) + " ";
  }
  if (n == 0)
    return {};
  if (v.tag == 5) // GPS altitude reference
    return b[0] == 0 ? loadText(strings, 63080) : hex(b[0], 2);
  TextBuilder text(kByteListLimit);
  for (size_t i = 0; i < n; ++i)
    if (!text.append("0x" + hex(b[i], 2) + " "))
      break;
  return text.take();
}

// ---- ASCII ----

struct LetterName {
  uint16_t tag;
  char letter; // upper case
  uint32_t id;
};

// Single-letter reference values of the GPS IFD.
constexpr LetterName kLetterNames[] = {
    {1, 'N', 63076},  {1, 'S', 63077},  {19, 'N', 63076}, {19, 'S', 63077},
    {3, 'E', 63078},  {3, 'W', 63079},  {21, 'E', 63078}, {21, 'W', 63079},
    {9, 'A', 63081},  {9, 'V', 63082},  {10, '2', 63083}, {10, '3', 63084},
    {12, 'K', 63085}, {12, 'M', 63086}, {12, 'N', 63087},
    {25, 'K', 63090}, {25, 'M', 63091}, {25, 'N', 63092},
    {14, 'T', 63088}, {14, 'M', 63089}, {16, 'T', 63088}, {16, 'M', 63089},
    {23, 'T', 63088}, {23, 'M', 63089},
};

std::string textUntilNul(const ValueView &v) {
  const size_t n = std::min(wholeValues(v, 1), kValueLimit);
  const auto *b = reinterpret_cast<const char *>(v.bytes.data());
  return std::string(b, std::find(b, b + n, '\0'));
}

std::string formatAscii(const ValueView &v, const StringSource &strings) {
  std::string text = textUntilNul(v);
  if (v.group != kGroupInterop && text.size() == 1) {
    char c = text[0];
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    for (const LetterName &ln : kLetterNames)
      if (ln.tag == v.tag && ln.letter == c)
        return loadText(strings, ln.id);
  }
  return text;
}

// ---- SHORT ----

// Named values of SHORT tags: value first to last takes string firstId onwards.
struct ValueRange {
  uint16_t tag;
  uint16_t first;
  uint16_t last;
  uint32_t firstId;
};

constexpr ValueRange kShortNames[] = {
    {255, 1, 1, 64999}, {255, 2, 2, 64998}, {255, 3, 3, 64997},
    {259, 1, 1, 63004}, {259, 2, 2, 64988}, {259, 3, 3, 64987}, {259, 4, 4, 64986},
    {259, 5, 5, 64985}, {259, 6, 6, 63005}, {259, 32773, 32773, 64983},
    {262, 0, 0, 64979}, {262, 1, 1, 64978}, {262, 2, 2, 63007}, {262, 3, 3, 64976},
    {262, 4, 4, 64975}, {262, 5, 5, 64974}, {262, 6, 6, 63008}, {262, 8, 8, 64972},
    {263, 1, 1, 64969}, {263, 2, 2, 64968}, {263, 3, 3, 64967},
    {266, 1, 1, 64059}, {266, 2, 2, 64058},
    {274, 1, 8, 63009},
    {284, 1, 1, 63017}, {284, 2, 2, 63018},
    {290, 1, 1, 64029}, {290, 2, 2, 64028}, {290, 3, 3, 64027}, {290, 4, 4, 64026},
    {290, 5, 5, 64025},
    {296, 2, 2, 63023}, {296, 3, 3, 63024},
    {317, 1, 1, 64009}, {317, 2, 2, 64008},
    {332, 1, 1, 63999}, {332, 2, 2, 63998},
    {338, 0, 0, 63989}, {338, 1, 1, 63988}, {338, 2, 2, 63987},
    {531, 1, 1, 63021}, {531, 2, 2, 63022},
    {34850, 0, 8, 63052},
    {37383, 1, 6, 63031},
    {37384, 0, 0, 63038}, {37384, 1, 1, 63039}, {37384, 2, 2, 63040}, {37384, 3, 3, 63041},
    {37384, 4, 4, 63124}, {37384, 9, 15, 63125}, {37384, 17, 22, 63042}, {37384, 23, 23, 63132},
    {37384, 24, 24, 63133}, {37384, 255, 255, 63134},
    {37385, 0, 0, 63048}, {37385, 1, 1, 63049}, {37385, 5, 5, 63050}, {37385, 7, 7, 63051},
    {37385, 9, 9, 63135}, {37385, 13, 13, 63136}, {37385, 15, 15, 63137}, {37385, 16, 16, 63138},
    {37385, 24, 24, 63139}, {37385, 25, 25, 63140}, {37385, 29, 29, 63141}, {37385, 31, 31, 63142},
    {37385, 32, 32, 63143}, {37385, 65, 65, 63144}, {37385, 69, 69, 63145}, {37385, 71, 71, 63146},
    {37385, 73, 73, 63147}, {37385, 77, 77, 63148}, {37385, 79, 79, 63149}, {37385, 89, 89, 63150},
    {37385, 93, 93, 63151}, {37385, 95, 95, 63152},
    {40961, 1, 1, 63025}, {40961, 65535, 65535, 63026},
    {41488, 2, 2, 63023}, {41488, 3, 3, 63024},
    {41495, 1, 5, 63061}, {41495, 7, 7, 63066}, {41495, 8, 8, 63067},
    {41985, 0, 0, 63095}, {41985, 1, 1, 63096},
    {41986, 0, 0, 63097}, {41986, 1, 1, 63098}, {41986, 2, 2, 63099},
    {41987, 0, 0, 63100}, {41987, 1, 1, 63101},
    {41990, 0, 0, 63102}, {41990, 1, 1, 63103}, {41990, 2, 2, 63104}, {41990, 3, 3, 63105},
    {41991, 0, 4, 63106},
    {41992, 0, 0, 63111}, {41992, 1, 1, 63112}, {41992, 2, 2, 63113},
    {41993, 0, 0, 63114}, {41993, 1, 1, 63115}, {41993, 2, 2, 63116},
    {41994, 0, 0, 63117}, {41994, 1, 1, 63118}, {41994, 2, 2, 63119},
    {41996, 0, 0, 63120}, {41996, 1, 1, 63121}, {41996, 2, 2, 63122}, {41996, 3, 3, 63123},
};

// What a SHORT tag with named values shows for a value without a name: "%d", or a string.
struct Otherwise {
  uint16_t tag;
  uint32_t id; // 0: the value in decimal
};

constexpr Otherwise kShortOtherwise[] = {
    {255, 0}, {259, 0}, {262, 0}, {263, 0}, {266, 0}, {274, 0}, {284, 0}, {290, 0}, {296, 0},
    {317, 0}, {332, 0}, {338, 0}, {531, 0}, {34850, 0}, {37383, 63006}, {37384, 63037},
    {37385, 63037}, {40961, 0}, {41488, 0}, {41495, 0}, {41985, 0}, {41986, 0}, {41987, 0},
    {41990, 0}, {41991, 0}, {41992, 0}, {41993, 0}, {41994, 0}, {41996, 0},
};

bool isPixelTag(uint16_t tag) { return tag == 256 || tag == 257 || tag == 40962 || tag == 40963; }

std::string formatShort(const ValueView &v, const StringSource &strings) {
  const size_t n = wholeValues(v, 2);
  if (n == 0)
    return {};
  const auto at = [&](size_t i) { return get16(v.bytes.data() + 2 * i, v.order); };
  const uint16_t first = at(0);
  if (isPixelTag(v.tag))
    return udec(first) + " pixel";
  if (v.tag == 41989) // focal length in 35 mm film
    return udec(first) + " mm";
  if (v.tag == 530) { // YCbCr subsampling: the pair decides
    const uint16_t second = n > 1 ? at(1) : 0;
    if (first == 2 && second == 1)
      return loadText(strings, 63019);
    if (first == 2 && second == 2)
      return loadText(strings, 63020);
    return udec(first);
  }
  if (v.tag == 34855 || v.tag == 320) { // ISO speeds, colour map
    TextBuilder text;
    for (size_t i = 0; i < n; ++i)
      if (!text.append(v.tag == 320 ? "0x" + hex(at(i), 1) + " " : udec(at(i)) + " "))
        break;
    return text.take();
  }
  for (const Otherwise &row : kShortOtherwise) {
    if (row.tag != v.tag)
      continue;
    for (const ValueRange &r : kShortNames)
      if (r.tag == v.tag && first >= r.first && first <= r.last)
        return loadText(strings, r.firstId + (first - r.first));
    return row.id != 0 ? loadText(strings, row.id) : udec(first);
  }
  TextBuilder text;
  for (size_t i = 0; i < n; ++i)
    if (!text.append("0x" + hex(at(i), 2) + " "))
      break;
  return text.take();
}

// ---- LONG, SLONG ----

std::string formatLongList(const ValueView &v) {
  const size_t n = wholeValues(v, 4);
  if (n == 0)
    return {};
  if (v.type == kLong && isPixelTag(v.tag))
    return udec(get32(v.bytes.data(), v.order)) + " pixel";
  TextBuilder text;
  for (size_t i = 0; i < n; ++i)
    if (!text.append("0x" + hex(get32(v.bytes.data() + 4 * i, v.order), 4) + " "))
      break;
  return text.take();
}

// ---- RATIONAL ----

std::string formatRational(const ValueView &v) {
  const size_t n = wholeValues(v, 8);
  if (n == 0)
    return {};
  const auto num = [&](size_t i) { return get32(v.bytes.data() + 8 * i, v.order); };
  const auto den = [&](size_t i) { return get32(v.bytes.data() + 8 * i + 4, v.order); };
  const uint32_t n0 = num(0), d0 = den(0);
  const bool single = v.tag == 282 || v.tag == 283 || v.tag == 33434 || v.tag == 33437 ||
                      v.tag == 37377 || v.tag == 37378 || v.tag == 37381 || v.tag == 37122 ||
                      v.tag == 37382 || v.tag == 37386;
  if (single && d0 == 0)
    return rawFraction(n0, d0);
  const double ratio = static_cast<double>(n0) / static_cast<double>(d0);
  switch (v.tag) {
  case 282: case 283: // resolutions
    return udec(n0 / d0);
  case 33434: // exposure time
    if (ratio >= 1.0 || n0 == 0)
      return oneDecimal(ratio) + " sec.";
    return "1/" + udec(d0 / n0) + " sec.";
  case 33437: // F-number
    return fRule(ratio);
  case 37378: case 37381: { // aperture values in APEX, stored signed by some writers
    const double apex = static_cast<double>(static_cast<int32_t>(n0)) / static_cast<double>(static_cast<int32_t>(d0));
    return fRule(std::pow(2.0, apex * 0.5));
  }
  case 37377: // shutter speed in APEX
    if (ratio > 0.0)
      return "1/" + dec(truncInt(std::pow(2.0, ratio))) + " sec.";
    return dec(truncInt(std::pow(2.0, -ratio))) + " sec.";
  case 37122:
    return oneDecimal(ratio) + " bit/pixel";
  case 37382:
    return oneDecimal(ratio) + " m";
  case 37386:
    return oneDecimal(ratio) + " mm";
  default:
    break;
  }
  TextBuilder text;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t a = num(i), b = den(i);
    const std::string piece = b == 0 ? rawFraction(a, b) : oneDecimal(static_cast<double>(a) / b);
    if (!text.append(piece + " "))
      break;
  }
  return text.take();
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

std::string formatSRational(const ValueView &v) {
  const size_t n = wholeValues(v, 8);
  if (n == 0)
    return {};
  const auto num = [&](size_t i) { return static_cast<int32_t>(get32(v.bytes.data() + 8 * i, v.order)); };
  const auto den = [&](size_t i) { return static_cast<int32_t>(get32(v.bytes.data() + 8 * i + 4, v.order)); };
  const int32_t n0 = num(0), d0 = den(0);
  const bool single = v.tag == 37377 || v.tag == 37379 || v.tag == 37380;
  if (single && d0 == 0)
    return rawFraction(n0, d0);
  const double ratio = static_cast<double>(n0) / static_cast<double>(d0);
  switch (v.tag) {
  case 37377: { // shutter speed in APEX
    const double t = std::pow(2.0, -ratio);
    if (t >= 1.0)
      return oneDecimal(t) + " sec.";
    return "1/" + udec(shutterDenominator(t)) + " sec.";
  }
  case 37379: // brightness
    return signedDecimal(ratio, false);
  case 37380: // exposure bias
    return signedDecimal(ratio, true);
  default:
    break;
  }
  TextBuilder text;
  for (size_t i = 0; i < n; ++i) {
    const int32_t a = num(i), b = den(i);
    const std::string piece = b == 0 ? rawFraction(a, b) : oneDecimal(static_cast<double>(a) / b);
    if (!text.append(piece + " "))
      break;
  }
  return text.take();
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

constexpr uint32_t kComponentNames[] = {63070, 63072, 63071, 63073, 63074, 63075}; // components 1 to 6

std::string formatUndefined(const ValueView &v, const StringSource &strings) {
  const size_t n = std::min(wholeValues(v, 1), kValueLimit);
  const uint8_t *b = v.bytes.data();
  switch (v.tag) {
  case 36864: case 40960: { // Exif and FlashPix versions
    const int64_t version = leadingNumber(textUntilNul(v));
    return dec(version / 100) + "." + dec(version % 100);
  }
  case 37510: // user comment
    return formatUserComment(v, strings, kValueLimit);
  case 37121: { // components configuration
    TextBuilder text;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t c = b[i];
      const std::string piece = c >= 1 && c <= 6 ? loadText(strings, kComponentNames[c - 1], kComponentNameLimit) : " ";
      if (!text.append(piece))
        break;
    }
    return text.take();
  }
  case 41728: // file source
    if (n == 0)
      return {};
    return b[0] == 3 ? loadText(strings, 63068) : dec(b[0]);
  case 41729: // scene type
    if (n == 0)
      return {};
    return b[0] == 1 ? loadText(strings, 63069) : dec(b[0]);
  default:
    break;
  }
  if (n == 0)
    return {};
  if (strings.isAlphaNumeric(b[0]))
    return textUntilNul(v);
  TextBuilder text;
  for (size_t i = 0; i < n; ++i)
    if (!text.append("0x" + hex(b[i], 2) + " "))
      break;
  return text.take();
}

} // namespace

uint32_t shutterDenominator(double t) {
  constexpr uint32_t kNone = 40000;
  if (!(t > 0.0))
    return kNone;
  // t * i grows with i, so the answer is the first i whose product reaches 1, if that
  // product is still below 2. Start near 1 / t and step to it instead of counting from 1.
  const double estimate = 1.0 / t;
  uint32_t i = estimate >= 39999.0 ? 39999u : std::max<uint32_t>(1u, static_cast<uint32_t>(estimate));
  while (i > 1 && static_cast<int64_t>(t * (i - 1)) >= 1)
    --i;
  while (i <= 39999 && static_cast<int64_t>(t * i) < 1)
    ++i;
  if (i > 39999 || static_cast<int64_t>(t * i) != 1)
    return kNone;
  return i;
}

std::string formatValue(const ValueView &v, const StringSource &strings) {
  switch (v.type) {
  case kByte: return formatByte(v, strings);
  case kAscii: return formatAscii(v, strings);
  case kShort: return formatShort(v, strings);
  case kLong: case kSLong: return formatLongList(v);
  case kRational: return formatRational(v);
  case kUndefined: return formatUndefined(v, strings);
  case kSRational: return formatSRational(v);
  default: return {};
  }
}

std::string trimSpace(const std::string &text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
  size_t begin = 0, end = text.size();
  while (begin < end && space(text[begin]))
    ++begin;
  while (end > begin && space(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

} // namespace dax
