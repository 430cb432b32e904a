// Tests of user comments: each character code in both byte orders, NUL ends, short values, JIS to
// Shift_JIS.
#include "exif/core/comment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "exif/core/engine.h"
#include "exif/core/result.h"
#include "tests/exif/core/tiff_maker.h"

using namespace daxtest;

namespace {

// Shift_JIS texts of the characters used below.
const std::string kNichi = "\x93\xFA", kHon = "\x96\x7B", kGo = "\x8C\xEA", kA = "\x82\xA0";

// Converts as a system with code page 932 would, for the few characters the tests use; other
// characters show as "<U+hhhh>" so that a test sees every unit it was handed. Records its inputs.
class Cp932Strings final : public dax::StringSource {
public:
  bool load(uint32_t, std::string &) const override { return false; }

  std::string fromUtf16(std::span<const char16_t> units, size_t limit) const override {
    ++utf16Calls;
    static const std::map<char16_t, std::string> kTable{
        {u'日', kNichi}, {u'本', kHon}, {u'語', kGo}, {u'あ', kA}};
    std::string text;
    for (char16_t u : units) {
      std::string piece;
      if (u < 0x80) {
        piece = std::string(1, static_cast<char>(u));
      } else if (const auto it = kTable.find(u); it != kTable.end()) {
        piece = it->second;
      } else {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "<U+%04x>", static_cast<unsigned>(u));
        piece = buffer;
      }
      if (text.size() + piece.size() > limit)
        break;
      text += piece;
    }
    return text;
  }

  // The system's code page is Shift_JIS itself, so the core's conversion is the whole job.
  std::string fromJis(std::span<const uint8_t> bytes, size_t limit) const override {
    jisSeen.assign(bytes.begin(), bytes.end());
    std::string text = dax::jisToShiftJis(bytes);
    if (text.size() > limit)
      text.resize(limit);
    return text;
  }

  mutable int utf16Calls = 0;
  mutable Bytes jisSeen;
};

// A converter that ignores the limit it is given.
class CarelessStrings final : public dax::StringSource {
public:
  bool load(uint32_t, std::string &) const override { return false; }
  std::string fromUtf16(std::span<const char16_t>, size_t limit) const override {
    return std::string(limit + 10, 'x');
  }
};

Bytes withCode(const char (&code)[9], const Bytes &text) {
  Bytes b(code, code + 8);
  append(b, text);
  return b;
}

const char kAsciiCode[9] = "ASCII\0\0\0";
const char kUnicodeCode[9] = "UNICODE\0";
const char kJisCode[9] = "JIS\0\0\0\0\0";
const char kUndefinedCode[9] = "\0\0\0\0\0\0\0\0";

// UTF-16 units in the given byte order.
Bytes units(std::u16string_view text, bool big) {
  Bytes b;
  for (char16_t u : text) {
    const auto hi = static_cast<uint8_t>(u >> 8), lo = static_cast<uint8_t>(u);
    b.push_back(big ? hi : lo);
    b.push_back(big ? lo : hi);
  }
  return b;
}

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

std::string comment(const Bytes &value, bool big, const dax::StringSource &strings,
                    size_t limit = dax::kValueField - 1) {
  const dax::ValueView v{dax::kGroupExif,
                         37510,
                         7,
                         static_cast<uint32_t>(value.size()),
                         big ? dax::ByteOrder::kBig : dax::ByteOrder::kLittle,
                         value};
  return dax::formatUserComment(v, strings, limit);
}

struct Case {
  const char *why;
  Bytes value;
  std::string expected;
};

void expectBothOrders(const std::vector<Case> &cases) {
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    const Cp932Strings strings;
    EXPECT_EQ(comment(c.value, false, strings), c.expected) << "little-endian";
    EXPECT_EQ(comment(c.value, true, strings), c.expected) << "big-endian";
  }
}

} // namespace

TEST(UserComment, AsciiAndUndefinedCodesShowTheBytesAfterTheCodeUpToTheirNul) {
  expectBothOrders({
      {"ASCII text", withCode(kAsciiCode, text("Hello, world")), "Hello, world"},
      {"ASCII text ends at its NUL", withCode(kAsciiCode, text(std::string_view("Hi\0there", 8))),
       "Hi"},
      {"ASCII text that is only NULs", withCode(kAsciiCode, Bytes(20, 0)), ""},
      {"ASCII bytes are not checked", withCode(kAsciiCode, Bytes{0x93, 0xFA, 'x'}),
       "\x93\xFA"
       "x"},
      {"undefined code", withCode(kUndefinedCode, text("Free text")), "Free text"},
      {"undefined code with a NUL", withCode(kUndefinedCode, Bytes{'a', 'b', 0, 'c'}), "ab"},
      {"undefined code and spaces", withCode(kUndefinedCode, text("  padded  ")), "  padded  "},
  });
}

TEST(UserComment, ValuesHoldingNoMoreThanTheirCodeHaveNoText) {
  expectBothOrders({
      {"empty value", Bytes{}, ""},
      {"whole ASCII code, nothing after", withCode(kAsciiCode, {}), ""},
      {"ASCII code cut to 5 bytes", text("ASCII"), ""},
      {"UNICODE code cut to 7 bytes", text("UNICODE"), ""},
      {"JIS code cut to 4 bytes, in the value field", Bytes{'J', 'I', 'S', 0}, ""},
      {"undefined code cut to 3 bytes", Bytes{0, 0, 0}, ""},
      {"UNICODE code and one odd byte", withCode(kUnicodeCode, Bytes{'A'}), ""},
  });
}

TEST(UserComment, UnknownCodesShowTheWholeValueUpToItsFirstNul) {
  expectBothOrders({
      {"a short text without a code", Bytes{'H', 'i', 0}, "Hi"},
      {"a text without a code", text("My holiday picture"), "My holiday picture"},
      {"spaces instead of a code", text("        Caption"), "        Caption"},
      {"a code in lower case", withCode("ascii\0\0\0", text("x")), "ascii"},
      {"a NUL inside the first eight bytes after text", Bytes{'A', 0, 0, 0, 0, 0, 0, 0, 'B'}, "A"},
  });
}

TEST(UserComment, UnicodeIsReadInTheFilesByteOrderAndEndsAtANulUnit) {
  struct UnicodeCase {
    const char *why;
    std::u16string text;
    size_t dropTail; // bytes removed from the end of the value
    std::string expected;
  };
  const UnicodeCase cases[] = {
      {"Japanese and ASCII", u"日本語 text", 0, kNichi + kHon + kGo + " text"},
      {"ASCII units hold NUL bytes that end nothing", u"AB", 0, "AB"},
      {"a NUL unit ends the text", std::u16string(u"\u3042B\0CD", 5), 0, kA + "B"},
      {"an odd length drops the half unit", u"AB", 1, "A"},
      {"a character outside the table reaches the converter", u"\u00e9", 0, "<U+00e9>"},
      {"a unit 0x0100 has a NUL byte in both orders", u"\u0100", 0, "<U+0100>"},
  };
  for (const UnicodeCase &c : cases) {
    for (bool big : {false, true}) {
      SCOPED_TRACE(std::string(c.why) + (big ? ", big-endian" : ", little-endian"));
      Bytes value = withCode(kUnicodeCode, units(c.text, big));
      value.resize(value.size() - c.dropTail);
      const Cp932Strings strings;
      EXPECT_EQ(comment(value, big, strings), c.expected);
      EXPECT_EQ(strings.utf16Calls, 1);
    }
  }
  // The same bytes read in the other order are other characters: the order is the file's.
  const Cp932Strings strings;
  EXPECT_EQ(comment(withCode(kUnicodeCode, units(u"日", false)), true, strings), "<U+e565>");
}

TEST(UserComment, JisTextIsHandedOverWithoutItsCodeAndEndsAtItsNul) {
  const Bytes jis{0x1B, '$', 'B', 0x46, 0x7C, 0x4B, 0x5C, 0x1B, '(', 'B', 'a', 'b'};
  Bytes value = withCode(kJisCode, jis);
  append(value, Bytes{0, 0x1B, '$', 'B', 0x38, 0x6C});
  for (bool big : {false, true}) {
    const Cp932Strings strings;
    EXPECT_EQ(comment(value, big, strings), kNichi + kHon + "ab");
    EXPECT_EQ(strings.jisSeen, jis);
  }
}

TEST(UserComment, TextsAreCutToTheLimit) {
  const Cp932Strings strings;
  EXPECT_EQ(comment(withCode(kAsciiCode, Bytes(100000, 'a')), false, strings).size(),
            dax::kValueField - 1);
  EXPECT_EQ(comment(withCode(kUndefinedCode, text("abcdef")), false, strings, 4), "abcd");
  EXPECT_EQ(comment(text("no code at all"), false, strings, 5), "no co");
  // 40000 double-byte characters need 80000 bytes: the converter stops on a whole one.
  const std::string wide =
      comment(withCode(kUnicodeCode, units(std::u16string(40000, u'日'), true)), true, strings);
  EXPECT_EQ(wide.size(), dax::kValueField - 2);
  EXPECT_EQ(wide.substr(wide.size() - 2), kNichi);
  const CarelessStrings careless;
  EXPECT_EQ(comment(withCode(kUnicodeCode, units(u"x", false)), false, careless, 100).size(), 100u);
}

TEST(UserComment, TheDefaultConvertersKeepAsciiAndMarkEveryOtherCharacter) {
  const dax::TableStrings strings;
  const std::u16string mixed = u"a\u00e9b\U0001F600c日";
  EXPECT_EQ(strings.fromUtf16(mixed, 100), "a?b?c?") << "a surrogate pair is one character";
  EXPECT_EQ(strings.fromUtf16(mixed, 3), "a?b");
  EXPECT_EQ(strings.fromUtf16(std::u16string(1, u'\xD800'), 10), "?") << "a lone surrogate";
  const Bytes jis{'x', 0x1B, '$', 'B', 0x46, 0x7C, 0x1B, '(', 'I', 0x43, 0x1B, '(', 'B', 'y'};
  EXPECT_EQ(strings.fromJis(jis, 100), "x??y");
  EXPECT_EQ(strings.fromJis(jis, 2), "x?");
}

TEST(UserComment, TheWalkerRendersAndTrimsACommentInBothByteOrders) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    Bytes value = withCode(kUnicodeCode, units(u"  日本 ", big));
    const Bytes file = makeTiff(
        big, {{{pointer(34665, 1)}},
              {{bytes(37510, 7, value), bytes(37510, 7, withCode(kAsciiCode, text("ok")))}}});
    dax::MemorySource source(file);
    const Cp932Strings strings;
    dax::Engine engine;
    ASSERT_EQ(engine.analyze(source, strings, 0x101), 3);
    const auto &entries = engine.results().groups.at(1).entries;
    EXPECT_EQ(entries.at(0).value, kNichi + kHon);
    EXPECT_EQ(entries.at(1).value, "ok");
  }
}

// Expected codes from the published JIS X 0208 and code page 932 tables.
TEST(JisToShiftJis, RowsAndCellsMapOnEitherSideOfEachBoundary) {
  struct Char {
    uint8_t row, cell;
    const char *sjis;
    const char *why;
  } chars[] = {
      {0x21, 0x21, "\x81\x40", "ideographic space, the first character"},
      {0x21, 0x5F, "\x81\x7E", "odd row, last trail byte below 0x7F"},
      {0x21, 0x60, "\x81\x80", "odd row, first trail byte above 0x7F"},
      {0x21, 0x7E, "\x81\x9E", "odd row, last cell"},
      {0x22, 0x22, "\x81\xA0", "even row takes the high trail range"},
      {0x24, 0x22, "\x82\xA0", "hiragana a"},
      {0x30, 0x21, "\x88\x9F", "first kanji"},
      {0x5E, 0x7E, "\x9F\xFC", "last row below the lead byte gap"},
      {0x5F, 0x21, "\xE0\x40", "first row above the lead byte gap"},
      {0x5F, 0x60, "\xE0\x80", "above the gap, odd row, high cell"},
      {0x74, 0x26, "\xEA\xA4", "last row of the standard"},
  };
  for (const Char &c : chars) {
    const Bytes jis{0x1B, '$', 'B', c.row, c.cell};
    EXPECT_EQ(dax::jisToShiftJis(jis), c.sjis) << c.why;
    EXPECT_TRUE(dax::isShiftJisLead(static_cast<uint8_t>(c.sjis[0]))) << c.why;
  }
}

TEST(JisToShiftJis, EscapeSequencesAndShiftsSelectTheCharacterSet) {
  const auto sjis = [](const Bytes &jis) { return dax::jisToShiftJis(jis); };
  EXPECT_EQ(sjis(text("plain")), "plain") << "one-byte Roman from the start";
  EXPECT_EQ(sjis(Bytes{0x1B, '$', '@', 0x46, 0x7C, 0x1B, '(', 'J', 'a'}), kNichi + "a")
      << "the 1978 set and JIS Roman";
  EXPECT_EQ(sjis(Bytes{0x1B, '&', '@', 0x1B, '$', 'B', 0x24, 0x22}), kA)
      << "a revision announcer changes nothing";
  EXPECT_EQ(sjis(Bytes{0x1B, '(', 'I', 0x43, 0x3D, 0x1B, '(', 'B', 'x'}), "\xC3\xBD"
                                                                          "x")
      << "half-width katakana";
  EXPECT_EQ(sjis(Bytes{'a', 0x0E, 0x43, 0x0F, 'b'}), "a\xC3"
                                                     "b")
      << "SO and SI around katakana";
  EXPECT_EQ(sjis(Bytes{0xC3, 'a'}), "\xC3"
                                    "a")
      << "8-bit katakana";
  EXPECT_EQ(sjis(Bytes{0x1B, '$', 'B', 0x24, 0x22, ' ', 0x24, 0x22}), kA + " " + kA)
      << "a space inside two-byte text";
  EXPECT_EQ(sjis(Bytes{0x1B, '$', 'B', 0x24}), "?") << "half a character at the end";
  EXPECT_EQ(sjis(Bytes{0x1B, '$', 'B', 0x24, '\n', 0x24, 0x22}), "?\n" + kA)
      << "half a character before a line end";
  EXPECT_EQ(sjis(Bytes{0x1B, '$', '(', 'D', 0x30, 0x21, 0x1B, '(', 'B', 'z'}), "?z")
      << "JIS X 0212 has no Shift_JIS code";
  EXPECT_EQ(sjis(Bytes{0x1B, '$', 'A', 'x'}), "$Ax") << "an unknown escape loses only its ESC";
  EXPECT_EQ(sjis(Bytes{'a', 0x1B}), "a") << "an ESC at the end";
  EXPECT_EQ(sjis(Bytes{0x80, 0xFF, 'a'}), "??a") << "8-bit bytes of no set";
  EXPECT_EQ(sjis(Bytes{0x1B, '(', 'I', 0x60}), "?") << "beyond the katakana range";
}
