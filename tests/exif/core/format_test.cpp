// Tests of the value texts: every type, the tag rules, rounding, and values cut to the field.
#include "exif/core/format.h"

#include <gtest/gtest.h>

#include <cmath>

#include "exif/core/result.h"
#include "tests/exif/core/tiff_maker.h"

using namespace daxtest;

namespace {

const IdStrings kStrings;

// The text an entry gets, with its values laid out as the walker hands them over.
std::string render(const Field &f, bool big, int32_t group = dax::kGroupExif) {
  const size_t size = elementSize(f.type);
  Bytes b(std::max<size_t>(4, f.values.size() * size), 0);
  for (size_t i = 0; i < f.values.size(); ++i)
    put(b, i * size, f.values[i], size, big);
  const dax::ValueView v{
      group, f.tag, f.type, f.count, big ? dax::ByteOrder::kBig : dax::ByteOrder::kLittle, b};
  return dax::formatValue(v, kStrings);
}

struct Case {
  const char *why;
  Field field;
  std::string expected; // before trimming
};

void expectBothOrders(const std::vector<Case> &cases) {
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(render(c.field, false), c.expected) << "little-endian";
    EXPECT_EQ(render(c.field, true), c.expected) << "big-endian";
  }
}

} // namespace

TEST(FormatRational, ExposureFNumberAndLengthsFollowTheirRoundingRules) {
  expectBothOrders({
      {"exposure 1/125", rationals(33434, {{1, 125}}), "1/125 sec."},
      {"exposure 10/1250 is reduced by integer division", rationals(33434, {{10, 1250}}),
       "1/125 sec."},
      {"exposure 3/1000 truncates 333.3", rationals(33434, {{3, 1000}}), "1/333 sec."},
      {"exposure 2/1 is at least a second", rationals(33434, {{2, 1}}), "2.0 sec."},
      {"exposure 13/10 rounds to one decimal", rationals(33434, {{13, 10}}), "1.3 sec."},
      {"exposure 0 has no reciprocal", rationals(33434, {{0, 1}}), "0.0 sec."},
      {"F-number 28/10", rationals(33437, {{28, 10}}), "F2.8"},
      {"F-number 110/10 shows no decimal above 9", rationals(33437, {{110, 10}}), "F11"},
      {"F-number 99/10 stays below 10", rationals(33437, {{99, 10}}), "F9.9"},
      {"F-number 996/100 rounds up past 9", rationals(33437, {{996, 100}}), "F10"},
      {"F-number 71/10", rationals(33437, {{71, 10}}), "F7.1"},
      {"aperture APEX 6 is F8", rationals(37378, {{6, 1}}), "F8.0"},
      {"max aperture APEX 3 is 2.83", rationals(37381, {{3, 1}}), "F2.8"},
      {"aperture with a negative numerator read as signed", rationals(37378, {{0xFFFFFFFEu, 1}}),
       "F0.5"},
      {"shutter APEX 7 is 1/128", rationals(37377, {{7, 1}}), "1/128 sec."},
      {"shutter APEX 0 is one second", rationals(37377, {{0, 1}}), "1 sec."},
      {"resolution 72/1", rationals(282, {{72, 1}}), "72"},
      {"resolution 7/2 divides in integers", rationals(283, {{7, 2}}), "3"},
      {"bits per pixel 4/2", rationals(37122, {{4, 2}}), "2.0 bit/pixel"},
      {"subject distance 3/2", rationals(37382, {{3, 2}}), "1.5 m"},
      {"focal length 58/10", rationals(37386, {{58, 10}}), "5.8 mm"},
      {"focal length 135/1", rationals(37386, {{135, 1}}), "135.0 mm"},
      {"GPS latitude lists all three", rationals(2, {{35, 1}, {4021, 100}, {0, 1}}),
       "35.0 40.2 0.0 "},
      {"1.49 rounds down, 1.96 up", rationals(999, {{149, 100}, {196, 100}}), "1.5 2.0 "},
  });
}

TEST(FormatRational, ZeroDenominatorsShowTheStoredFraction) {
  expectBothOrders({
      {"F-number", rationals(33437, {{5, 0}}), "5/0"},
      {"exposure", rationals(33434, {{1, 0}}), "1/0"},
      {"resolution", rationals(282, {{72, 0}}), "72/0"},
      {"aperture", rationals(37378, {{0, 0}}), "0/0"},
      {"one of a list", rationals(2, {{1, 1}, {3, 0}}), "1.0 3/0 "},
      {"shutter, signed", srationals(37377, {{-5, 0}}), "-5/0"},
      {"bias", srationals(37380, {{1, 0}}), "1/0"},
  });
}

TEST(FormatSRational, BrightnessAndBiasCarryASignExceptAtZero) {
  expectBothOrders({
      {"bias 0/1", srationals(37380, {{0, 1}}), "0.0"},
      {"bias -2/3", srationals(37380, {{-2, 3}}), "-0.67"},
      {"bias 1/20", srationals(37380, {{1, 20}}), "+0.05"},
      {"bias 2/3", srationals(37380, {{2, 3}}), "+0.67"},
      {"bias -4/3", srationals(37380, {{-4, 3}}), "-1.33"},
      {"bias -1/1", srationals(37380, {{-1, 1}}), "-1.00"},
      {"bias 1/300 rounds to zero", srationals(37380, {{1, 300}}), "0.0"},
      {"brightness 0/1", srationals(37379, {{0, 1}}), "0.0"},
      {"brightness 15/10", srationals(37379, {{15, 10}}), "+1.5"},
      {"brightness -15/10", srationals(37379, {{-15, 10}}), "-1.5"},
      {"brightness -3/10", srationals(37379, {{-3, 10}}), "-0.3"},
      {"brightness 1/100 rounds to zero", srationals(37379, {{1, 100}}), "0.0"},
      {"other tag, negative", srationals(999, {{-3, 2}, {-2, 3}, {5, 2}}), "-1.5 -0.7 2.5 "},
  });
}

TEST(FormatSRational, ShutterSpeedPicksTheSmallestWholeDenominator) {
  expectBothOrders({
      {"APEX -1 is two seconds", srationals(37377, {{-1, 1}}), "2.0 sec."},
      {"APEX 0 is one second", srationals(37377, {{0, 1}}), "1.0 sec."},
      {"APEX 7 is 1/128", srationals(37377, {{7, 1}}), "1/128 sec."},
      {"APEX 2/3: t = 0.63, 2t = 1.26", srationals(37377, {{2, 3}}), "1/2 sec."},
      {"APEX 100: nothing below 40000", srationals(37377, {{100, 1}}), "1/40000 sec."},
  });
}

TEST(FormatSRational, ShutterDenominatorMatchesCountingFromOne) {
  for (double apex = 0.01; apex < 16.0; apex += 0.137) {
    const double t = std::pow(2.0, -apex);
    uint32_t expected = 40000;
    for (uint32_t i = 1; i <= 39999; ++i)
      if (static_cast<long long>(t * i) == 1) {
        expected = i;
        break;
      }
    EXPECT_EQ(dax::shutterDenominator(t), expected) << "apex " << apex;
  }
  EXPECT_EQ(dax::shutterDenominator(0.0), 40000u);
  EXPECT_EQ(dax::shutterDenominator(std::nan("")), 40000u);
}

TEST(FormatShort, NamedValuesAndTheirFallbacks) {
  expectBothOrders({
      {"orientation 1", shorts(274, {1}), "#63009"},
      {"orientation 8", shorts(274, {8}), "#63016"},
      {"orientation 9 has no name", shorts(274, {9}), "9"},
      {"compression 32773", shorts(259, {32773}), "#64983"},
      {"metering 2", shorts(37383, {2}), "#63032"},
      {"metering 0 falls back to a string", shorts(37383, {0}), "#63006"},
      {"light source 10 within 9 to 15", shorts(37384, {10}), "#63126"},
      {"light source 16 falls back", shorts(37384, {16}), "#63037"},
      {"flash 16", shorts(37385, {16}), "#63138"},
      {"flash 95", shorts(37385, {95}), "#63152"},
      {"flash 2 falls back", shorts(37385, {2}), "#63037"},
      {"colour space 65535", shorts(40961, {65535}), "#63026"},
      {"exposure program 8", shorts(34850, {8}), "#63060"},
      {"sensing method 8", shorts(41495, {8}), "#63067"},
      {"sensing method 6 has no name", shorts(41495, {6}), "6"},
      {"resolution unit of the focal plane", shorts(41488, {3}), "#63024"},
      {"subsampling 2,1", shorts(530, {2, 1}), "#63019"},
      {"subsampling 2,2", shorts(530, {2, 2}), "#63020"},
      {"subsampling 1,1", shorts(530, {1, 1}), "1"},
      {"width in pixels", shorts(256, {640}), "640 pixel"},
      {"35 mm focal length", shorts(41989, {35}), "35 mm"},
      {"ISO list", shorts(34855, {100, 200, 65535}), "100 200 65535 "},
      {"colour map in hex", shorts(320, {0xABC, 1}), "0xabc 0x1 "},
      {"other tag in hex", shorts(999, {5, 0x1234}), "0x05 0x1234 "},
  });
}

TEST(FormatLong, PixelsInDecimalOthersInHex) {
  expectBothOrders({
      {"height", longs(257, {4000}), "4000 pixel"},
      {"width beyond 2^31 stays unsigned", longs(40962, {0xFFFFFFFFu}), "4294967295 pixel"},
      {"pointer", longs(34665, {0xD6}), "0x00d6 "},
      {"list", longs(273, {1, 0x12345}), "0x0001 0x12345 "},
      {"signed long", Field{999, 9, 1, {0xFFFFFFFFu}}, "0xffffffff "},
      {"signed long list", Field{999, 9, 2, {5, 0x10}}, "0x0005 0x0010 "},
  });
}

TEST(FormatByte, VersionAltitudeReferenceAndLists) {
  expectBothOrders({
      {"GPS version", bytes(0, 1, {2, 2, 0, 0}), "2.2.0.0 "},
      {"altitude above sea level", bytes(5, 1, {0}), "#63080"},
      {"altitude below", bytes(5, 1, {1}), "01"},
      {"altitude reference 0xff", bytes(5, 1, {0xFF}), "ff"},
      {"ten bytes are all listed", bytes(999, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 0xAB}),
       "0x00 0x01 0x02 0x03 0x04 0x05 0x06 0x07 0x08 0xab "},
  });
}

TEST(FormatByte, ALongListStopsWithin65533Characters) {
  const std::string text = render(bytes(999, 1, Bytes(20000, 0x7F)), false);
  EXPECT_EQ(text.size(), 65530u); // 13106 pieces of "0x7f "
  EXPECT_EQ(text.substr(text.size() - 5), "0x7f ");
}

TEST(FormatAscii, ReferenceLettersAreReplacedOutsideTheInteroperabilityGroup) {
  expectBothOrders({
      {"latitude N", ascii(1, "N"), "#63076"},
      {"latitude lower-case s", ascii(1, "s"), "#63077"},
      {"destination latitude S", ascii(19, "S"), "#63077"},
      {"longitude W", ascii(3, "W"), "#63079"},
      {"status V", ascii(9, "V"), "#63082"},
      {"measure mode 3", ascii(10, "3"), "#63084"},
      {"speed K", ascii(12, "K"), "#63085"},
      {"distance K", ascii(25, "k"), "#63090"},
      {"image direction M", ascii(17, "M"), "M"},
      {"track T", ascii(14, "T"), "#63088"},
      {"bearing M", ascii(23, "M"), "#63089"},
      {"unlisted letter", ascii(1, "X"), "X"},
      {"two letters are no reference", ascii(1, "NN"), "NN"},
      {"text in the field", ascii(271, "abc"), "abc"},
      {"text elsewhere", ascii(271, "Canon EOS 40D"), "Canon EOS 40D"},
      {"text ends at a NUL", bytes(271, 2, {'a', 'b', 0, 'c', 'd', 'e'}), "ab"},
      {"no NUL at the end", bytes(271, 2, {'x', 'y', 'z', 'w', 'v'}), "xyzwv"},
  });
  EXPECT_EQ(render(ascii(1, "N"), false, dax::kGroupInterop), "N");
}

TEST(FormatUndefined, VersionsComponentsSourcesAndText) {
  expectBothOrders({
      {"Exif version 0220", bytes(36864, 7, {'0', '2', '2', '0'}), "2.20"},
      {"FlashPix version 0100", bytes(40960, 7, {'0', '1', '0', '0'}), "1.0"},
      {"components 1,2,3,0", bytes(37121, 7, {1, 2, 3, 0}), "#63070#63072#63071 "},
      {"components 4,5,6,9", bytes(37121, 7, {4, 5, 6, 9}), "#63073#63074#63075 "},
      {"file source 3", bytes(41728, 7, {3}), "#63068"},
      {"file source 2", bytes(41728, 7, {2}), "2"},
      {"scene type 1", bytes(41729, 7, {1}), "#63069"},
      {"scene type 7", bytes(41729, 7, {7}), "7"},
      {"user comment after its character code",
       bytes(37510, 7, {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'H', 'i'}), "Hi"},
      {"text starting with a letter", bytes(37500, 7, {'N', 'i', 'k', 'o', 'n', 0, 2}), "Nikon"},
      {"binary in hex", bytes(37500, 7, {0, 1, 0xFE}), "0x00 0x01 0xfe "},
  });
}

TEST(FormatUndefined, ComponentNamesAreCutTo31Characters) {
  dax::TableStrings strings;
  strings.set(63070, std::string(40, 'y'));
  const Bytes b{1, 0, 0, 0};
  const dax::ValueView v{dax::kGroupExif, 37121, 7, 1, dax::ByteOrder::kLittle, b};
  EXPECT_EQ(dax::formatValue(v, strings), std::string(31, 'y'));
}

TEST(FormatUndefined, LongValuesAreCutToTheValueField) {
  const std::string text = render(bytes(37500, 7, Bytes(100000, 'a')), false);
  EXPECT_EQ(text.size(), dax::kValueField - 1);
}

TEST(FormatOther, UnrenderedTypesGiveAnEmptyValue) {
  for (uint16_t type : {6, 8, 11, 12, 13, 0, 0xFFFF})
    EXPECT_EQ(render(Field{999, type, 1, {1}}, false), "") << type;
}

TEST(FormatOther, ValuesMissingFromTheFileGiveAnEmptyValue) {
  const dax::ValueView v{dax::kGroupExif, 33437, dax::kRational, 1, dax::ByteOrder::kLittle, {}};
  EXPECT_EQ(dax::formatValue(v, kStrings), "");
  const dax::ValueView s{dax::kGroupExif, 274, dax::kShort, 0, dax::ByteOrder::kLittle, {}};
  EXPECT_EQ(dax::formatValue(s, kStrings), "");
}
