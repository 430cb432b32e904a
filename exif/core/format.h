// Value texts of IFD entries: one renderer per TIFF type, choosing its text by tag.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "exif/core/source.h"

namespace dax {

enum class ByteOrder { kLittle, kBig }; // "II" and "MM"

uint16_t get16(const uint8_t *p, ByteOrder order);
uint32_t get32(const uint8_t *p, ByteOrder order);
void put16(uint8_t *p, uint16_t v, ByteOrder order);
void put32(uint8_t *p, uint32_t v, ByteOrder order);

// TIFF field types the reader renders; 6, 8, 11 and 12 are listed with an empty value.
enum FieldType : uint16_t {
  kByte = 1,
  kAscii = 2,
  kShort = 3,
  kLong = 4,
  kRational = 5,
  kSByte = 6,
  kUndefined = 7,
  kSShort = 8,
  kSLong = 9,
  kSRational = 10,
  kFloat = 11,
  kDouble = 12,
};

// Bytes per value of a type the reader renders; 0 for every other type.
size_t renderedTypeSize(uint16_t type);
// Whether an entry's values are taken from its 4-byte value field rather than from an offset.
bool valuesInField(uint16_t type, uint32_t count);

// One entry's values as stored in the file, not yet converted. bytes may hold fewer values
// than count (a value cut to what a text can show, or a file that ends early); only whole
// values are rendered. For values in the field, bytes is the whole 4-byte field.
struct ValueView {
  int32_t group = 0;
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  ByteOrder order = ByteOrder::kLittle;
  std::span<const uint8_t> bytes;
};

// Most bytes of out-of-line values worth reading for one entry: no text needs more.
inline constexpr size_t kMaxValueBytes = 131072;

// The value text of an entry, before trimming; at most kValueField - 1 bytes. The first form
// replaces the text of out, keeping its buffer: a walk renders every entry into one buffer.
void formatValue(const ValueView &v, const StringSource &strings, std::string &out);
std::string formatValue(const ValueView &v, const StringSource &strings);

// Leading and trailing white space (space, tab, CR, LF, VT, FF) removed.
std::string_view trimmedSpace(std::string_view text);
std::string trimSpace(const std::string &text);

// Denominator shown for a SRATIONAL shutter speed t below 1: the smallest i in 1..39999 whose
// product t * i truncates to 1, or 40000.
uint32_t shutterDenominator(double t);

} // namespace dax
