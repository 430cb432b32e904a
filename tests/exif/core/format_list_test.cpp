// Lists of values rendered piece by piece: the texts of random values of every list-shaped
// rendering, near and past the field's limit, against a plain printf reference.
#include "exif/core/format.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>

#include "tests/exif/core/tiff_maker.h"

using namespace daxtest;

namespace {

const IdStrings kStrings;

// "%d.%d" rounded to one decimal, with one minus sign in front of a negative value.
std::string refOneDecimal(double v) {
  const double w = v < 0 ? v - 0.05 : v + 0.05;
  const long long whole = static_cast<long long>(w);
  const long long tenth = static_cast<long long>((w - static_cast<double>(whole)) * 10.0);
  char s[64];
  if (whole < 0 || tenth < 0)
    std::snprintf(s, sizeof s, "-%lld.%lld", -whole, -tenth);
  else
    std::snprintf(s, sizeof s, "%lld.%lld", whole, tenth);
  return s;
}

// The list text of tags without a rule of their own: each value's piece appended while the
// text stays within limit.
std::string reference(uint16_t type, uint16_t tag, const Bytes &b, bool big) {
  const size_t size = dax::renderedTypeSize(type);
  const size_t limit = type == dax::kByte ? 65533 : 65535;
  const auto at = [&](size_t i, size_t width) {
    uint32_t v = 0;
    for (size_t k = 0; k < width; ++k)
      v |= uint32_t{b[i + k]} << (8 * (big ? width - 1 - k : k));
    return v;
  };
  std::string text;
  for (size_t i = 0; i + size <= b.size(); i += size) {
    char piece[64];
    if (type == dax::kShort && tag == 34855)
      std::snprintf(piece, sizeof piece, "%u ", at(i, 2));
    else if (type == dax::kShort)
      std::snprintf(piece, sizeof piece, tag == 320 ? "0x%x " : "0x%02x ", at(i, 2));
    else if (type == dax::kLong || type == dax::kSLong)
      std::snprintf(piece, sizeof piece, "0x%04x ", at(i, 4));
    else if (type == dax::kRational || type == dax::kSRational) {
      const uint32_t n = at(i, 4), d = at(i + 4, 4);
      const bool s = type == dax::kSRational;
      if (d == 0 && s)
        std::snprintf(piece, sizeof piece, "%d/%d ", static_cast<int32_t>(n),
                      static_cast<int32_t>(d));
      else if (d == 0)
        std::snprintf(piece, sizeof piece, "%u/%u ", n, d);
      else
        std::snprintf(
            piece, sizeof piece, "%s ",
            refOneDecimal(s ? static_cast<double>(static_cast<int32_t>(n)) / static_cast<int32_t>(d)
                            : static_cast<double>(n) / d)
                .c_str());
    } else
      std::snprintf(piece, sizeof piece, "0x%02x ", b[i]);
    if (text.size() + std::strlen(piece) > limit)
      break;
    text += piece;
  }
  return text;
}

struct ListCase {
  uint16_t type;
  uint16_t tag;
};

// Every list-shaped rendering; UNDEFINED values start with a byte that is no letter or digit.
constexpr ListCase kLists[] = {
    {dax::kByte, 700},     {dax::kShort, 34855},   {dax::kShort, 320},
    {dax::kShort, 700},    {dax::kLong, 700},      {dax::kSLong, 256},
    {dax::kRational, 700}, {dax::kSRational, 700}, {dax::kUndefined, 700},
};

} // namespace

TEST(FormatList, RandomListsMatchThePrintfReferenceUpToTheCut) {
  std::mt19937 rng(20240611);
  std::string reused(70000, 'x'); // a buffer left long by an earlier entry
  for (const ListCase &c : kLists) {
    const size_t size = dax::renderedTypeSize(c.type);
    for (int round = 0; round < 24; ++round) {
      SCOPED_TRACE("type " + std::to_string(c.type) + " tag " + std::to_string(c.tag) + " round " +
                   std::to_string(round));
      // Short lists, lists that end right at the cut, and lists far past it; small and
      // extreme numbers alike, zero denominators included.
      const size_t values = round < 8    ? 1 + rng() % 40
                            : round < 16 ? 65535 / (2 + size) + rng() % 600
                                         : 40000;
      Bytes b(values * size);
      for (uint8_t &x : b)
        x = static_cast<uint8_t>(round % 3 == 0   ? rng()
                                 : round % 3 == 1 ? rng() % 3 * 0x7f
                                                  : rng() % 2);
      if (c.type == dax::kUndefined)
        b[0] = 0x01;
      const bool big = round % 2 == 1;
      const dax::ValueView v{0,
                             c.tag,
                             c.type,
                             static_cast<uint32_t>(values),
                             big ? dax::ByteOrder::kBig : dax::ByteOrder::kLittle,
                             b};
      const std::string expected = reference(c.type, c.tag, b, big);
      ASSERT_EQ(dax::formatValue(v, kStrings), expected);
      dax::formatValue(v, kStrings, reused);
      ASSERT_EQ(reused, expected) << "rendered into a used buffer";
    }
  }
}

TEST(FormatList, ComponentNamesRepeatedUpToTheCut) {
  // 50,000 components: the names and blanks of each byte, until the next would pass the field.
  Bytes b(50000);
  std::mt19937 rng(5);
  for (uint8_t &x : b)
    x = static_cast<uint8_t>(rng() % 8);
  const dax::ValueView v{
      0, 37121, dax::kUndefined, static_cast<uint32_t>(b.size()), dax::ByteOrder::kLittle, b};
  std::string expected;
  for (uint8_t c : b) {
    const uint32_t ids[] = {63070, 63072, 63071, 63073, 63074, 63075};
    const std::string piece = c >= 1 && c <= 6 ? "#" + std::to_string(ids[c - 1]) : " ";
    if (expected.size() + piece.size() > 65535)
      break;
    expected += piece;
  }
  EXPECT_GT(expected.size(), 65530u);
  EXPECT_EQ(dax::formatValue(v, kStrings), expected);
}

TEST(FormatList, TrimmedSpaceViewsTheTextWithoutItsEnds) {
  EXPECT_EQ(dax::trimmedSpace(" \t\r\n0x01 0x02 \v\f"), "0x01 0x02");
  EXPECT_EQ(dax::trimmedSpace("   "), "");
  EXPECT_EQ(dax::trimmedSpace(""), "");
  EXPECT_EQ(dax::trimmedSpace("a"), "a");
}
