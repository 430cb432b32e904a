// Tests of the double-byte text helper: trail bytes that look like separators, wildcards or
// letters, and lead bytes with nothing after them.
#include "util/core/dbcs_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kel::isCp932LeadByte;
using kel::noLeadBytes;
constexpr size_t npos = std::string_view::npos;

// 0x95 0x5C is a kanji whose trail byte is '\'; 0x83 0x41 / 0x83 0x61 are katakana whose trail
// bytes are 'A' and 'a'; 0x81 0x2A pairs a lead byte with '*' (the helper trusts the predicate).
const std::string kKanjiBackslash = "\x95\x5C";

TEST(DbcsFindLastOf, TrailBytesNeverCountAsTheWantedCharacter) {
  const std::string path = "C:\\dir\\" + kKanjiBackslash + ".txt";
  EXPECT_EQ(kel::findLastOf(path, "\\", isCp932LeadByte), 6u)
      << "the kanji's trail byte is no folder";
  EXPECT_EQ(kel::findLastOf(path, "\\", noLeadBytes), 8u) << "without lead bytes it is one";
  EXPECT_EQ(kel::findLastOf(path, "\\", nullptr), 8u) << "a null predicate knows no lead bytes";
  EXPECT_EQ(kel::findLastOf(path, "\\/:", isCp932LeadByte), 6u);
  EXPECT_EQ(kel::findLastOf("a:b", "\\/:", isCp932LeadByte), 1u);
  EXPECT_EQ(kel::findLastOf("\x81.", ".", isCp932LeadByte), npos) << "a dot as trail byte";
  EXPECT_EQ(kel::findLastOf("x\x81*", "*", isCp932LeadByte), npos) << "a star as trail byte";
  EXPECT_EQ(kel::findLastOf("", ".", isCp932LeadByte), npos);
  EXPECT_EQ(kel::findLastOf("abc", "", isCp932LeadByte), npos);
}

TEST(DbcsFindLastOf, ALeadByteThatEndsTheTextIsAByteOfItsOwn) {
  EXPECT_EQ(kel::findLastOf("a.\x81", ".", isCp932LeadByte), 1u);
  EXPECT_EQ(kel::findLastOf("a.b\x81", "\x81", isCp932LeadByte), 3u);
  // The same byte in the middle starts a character and is never found alone.
  EXPECT_EQ(kel::findLastOf("\x81"
                            "a",
                            "\x81", isCp932LeadByte),
            npos);
}

TEST(DbcsCharacters, SplitsIntoWholeCharacters) {
  using Views = std::vector<std::string_view>;
  EXPECT_EQ(kel::characters("a" + kKanjiBackslash + "b", isCp932LeadByte),
            (Views{"a", "\x95\x5C", "b"}));
  EXPECT_EQ(kel::characters("\x81*x", isCp932LeadByte), (Views{"\x81*", "x"}));
  EXPECT_EQ(kel::characters("ab\x81", isCp932LeadByte), (Views{"a", "b", "\x81"}));
  EXPECT_EQ(kel::characters("\x81\x81\x81", isCp932LeadByte), (Views{"\x81\x81", "\x81"}));
  EXPECT_EQ(kel::characters("\x81*", nullptr), (Views{"\x81", "*"}));
  EXPECT_TRUE(kel::characters("", isCp932LeadByte).empty());
  EXPECT_EQ(kel::characterLength("a\x81", 1, isCp932LeadByte), 1u);
  EXPECT_EQ(kel::characterLength("\x81\x40", 0, isCp932LeadByte), 2u);
}

TEST(DbcsCase, TrailBytesThatLookLikeLettersKeepTheirCase) {
  EXPECT_EQ(kel::upperAscii("a\x83\x61.jpg", isCp932LeadByte), "A\x83\x61.JPG");
  EXPECT_EQ(kel::upperAscii("a\x83\x61.jpg", noLeadBytes), "A\x83\x41.JPG");
  EXPECT_EQ(kel::upperAscii("az@[`{AZ", nullptr), "AZ@[`{AZ");
  std::string text = "\x83\x41"
                     "Ab"
                     "\x83\x61";
  kel::lowerAsciiInPlace(text, isCp932LeadByte);
  EXPECT_EQ(text, "\x83\x41"
                  "ab"
                  "\x83\x61");
  kel::upperAsciiInPlace(text, isCp932LeadByte);
  EXPECT_EQ(text, "\x83\x41"
                  "AB"
                  "\x83\x61");
  // Only the span changes: the byte after it is a trail byte the caller did not hand over.
  char cut[] = "a\x83"
               "b";
  kel::upperAsciiInPlace({cut, 2}, isCp932LeadByte);
  EXPECT_STREQ(cut, "A\x83"
                    "b");
}

TEST(DbcsWholeCharacterPrefix, ADoubleByteCharacterIsLeftOutRatherThanSplit) {
  EXPECT_EQ(kel::wholeCharacterPrefix("abc", 10, isCp932LeadByte), 3u);
  EXPECT_EQ(kel::wholeCharacterPrefix("abc", 2, isCp932LeadByte), 2u);
  EXPECT_EQ(kel::wholeCharacterPrefix("ab\x95\x5C", 3, isCp932LeadByte), 2u)
      << "would be cut in two";
  EXPECT_EQ(kel::wholeCharacterPrefix("ab\x95\x5C", 4, isCp932LeadByte), 4u) << "fits exactly";
  EXPECT_EQ(kel::wholeCharacterPrefix("ab\x95\x5C", 3, nullptr), 3u);
  EXPECT_EQ(kel::wholeCharacterPrefix("ab\x95", 10, isCp932LeadByte), 2u)
      << "lead byte before the NUL";
  EXPECT_EQ(kel::wholeCharacterPrefix("", 10, isCp932LeadByte), 0u);
  EXPECT_EQ(kel::wholeCharacterPrefix("abc", 0, isCp932LeadByte), 0u);
  EXPECT_EQ(kel::wholeCharacterPrefix(nullptr, 10, isCp932LeadByte), 0u);
}

TEST(DbcsWholeCharacterPrefix, ReadsNothingBeyondTheLimit) {
  // No NUL inside the buffer: a read past its end shows under the address sanitizer.
  const std::vector<char> full = {'a', 'b', '\x95', '\x5C'};
  EXPECT_EQ(kel::wholeCharacterPrefix(full.data(), full.size(), isCp932LeadByte), 4u);
  const std::vector<char> split = {'a', 'b', 'c', '\x95'};
  EXPECT_EQ(kel::wholeCharacterPrefix(split.data(), split.size(), isCp932LeadByte), 3u);
}

} // namespace
