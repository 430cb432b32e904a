// Tests of the command-line scanner and the target classification.
#include "app/core/cmdline.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tolm {
namespace {

TEST(ScanCommandLine, TakesLetterAndQuotedPath) {
  const CommandLine c = scanCommandLine("/f \"C:\\photos\\a.jpg\"");
  EXPECT_FALSE(c.tooShort);
  EXPECT_EQ(c.letter, "f");
  EXPECT_EQ(c.path, "C:\\photos\\a.jpg");
}

TEST(ScanCommandLine, IgnoresSurroundingWhiteSpace) {
  const CommandLine c = scanCommandLine(" \t /d \"C:\\data\"  \r\n");
  EXPECT_EQ(c.letter, "d");
  EXPECT_EQ(c.path, "C:\\data");
}

TEST(ScanCommandLine, UsesTheLetterAfterTheLastSlash) {
  const CommandLine c = scanCommandLine("/x /f \"C:\\a.txt\"");
  EXPECT_EQ(c.letter, "f");
  EXPECT_EQ(c.path, "C:\\a.txt");
}

TEST(ScanCommandLine, SlashesInsideThePathDoNotMoveTheLetter) {
  const CommandLine c = scanCommandLine("/e \"C:/x/y\"");
  EXPECT_EQ(c.letter, "e");
  EXPECT_EQ(c.path, "C:/x/y");
}

TEST(ScanCommandLine, EightCharactersAreTooShortNineAreEnough) {
  EXPECT_TRUE(scanCommandLine("/f \"C:\\\"").tooShort);       // 8 characters
  EXPECT_TRUE(scanCommandLine("   /f \"C:\\\"   ").tooShort); // 8 once trimmed
  EXPECT_TRUE(scanCommandLine("").tooShort);
  const CommandLine c = scanCommandLine("/f \"C:\\a\"");
  EXPECT_FALSE(c.tooShort);
  EXPECT_EQ(c.path, "C:\\a");
}

TEST(ScanCommandLine, NoQuoteGivesAnEmptyPath) {
  const CommandLine c = scanCommandLine("/f C:\\photos\\a.jpg");
  EXPECT_FALSE(c.tooShort);
  EXPECT_EQ(c.letter, "f");
  EXPECT_EQ(c.path, "");
}

TEST(ScanCommandLine, NoSlashBeforeTheQuoteGivesNoLetter) {
  const CommandLine c = scanCommandLine("f \"C:\\photos\\a.jpg\"");
  EXPECT_EQ(c.letter, "");
  EXPECT_EQ(c.path, "C:\\photos\\a.jpg");
}

TEST(ScanCommandLine, ALoneOpeningQuoteAtTheEndGivesAnEmptyPath) {
  const CommandLine c = scanCommandLine("/f        \"");
  EXPECT_EQ(c.letter, "f");
  EXPECT_EQ(c.path, "");
}

TEST(ScanCommandLine, TheLastCharacterIsDroppedEvenWhenItIsNoQuote) {
  const CommandLine c = scanCommandLine("/f \"C:\\a.txt");
  EXPECT_EQ(c.path, "C:\\a.tx");
}

TEST(ScanCommandLine, TheWideLineIsReadByTheSameRules) {
  for (const char *text : {"/x /f \"C:\\a.txt\"", " /d \"C:\\data\" \r\n", "/f C:\\a.jpg",
                           "f \"C:\\a.jpg\"", "/f \"C:\\\"", "/f        \"", "/f \"C:\\a.txt"}) {
    SCOPED_TRACE(text);
    const CommandLine narrow = scanCommandLine(text);
    const WideCommandLine wide = scanCommandLine(std::wstring(text, text + std::strlen(text)));
    EXPECT_EQ(wide.tooShort, narrow.tooShort);
    EXPECT_EQ(wide.letter, std::wstring(narrow.letter.begin(), narrow.letter.end()));
    EXPECT_EQ(wide.path, std::wstring(narrow.path.begin(), narrow.path.end()));
  }
  // A character beyond the ANSI code page stays itself, and one that is no quote ends nothing.
  EXPECT_EQ(scanCommandLine(std::wstring(L"/d \"C:\\\u5199\u771F\U0001F389\"")).path,
            L"C:\\\u5199\u771F\U0001F389");
}

TEST(ArgumentsOf, SkipsTheProgramNameAsTheRuntimeDoes) {
  EXPECT_EQ(argumentsOf(L"\"C:\\Program Files\\TOLM.exe\" /f \"C:\\a b\""), L"/f \"C:\\a b\"");
  EXPECT_EQ(argumentsOf(L"TOLM.exe   \t/d \"x\""), L"/d \"x\"");
  // Quotes inside the name switch quoting on and off; the name ends at a blank outside them.
  EXPECT_EQ(argumentsOf(L"C:\\\"my tools\"\\TOLM.exe /e \"y\""), L"/e \"y\"");
  EXPECT_EQ(argumentsOf(L"TOLM.exe"), L"");
  EXPECT_EQ(argumentsOf(L""), L"");
}

TEST(ClassifyFound, MapsLetterAndKindToLaunchKind) {
  EXPECT_EQ(classifyFound(true, "d", false), kFolder);
  EXPECT_EQ(classifyFound(true, "D", false), kFolder);
  EXPECT_EQ(classifyFound(true, "e", false), kFolderErase);
  EXPECT_EQ(classifyFound(true, "E", false), kFolderErase);
  EXPECT_EQ(classifyFound(true, "f", false), kWrongLetter);
  EXPECT_EQ(classifyFound(true, "", false), kWrongLetter);
  EXPECT_EQ(classifyFound(false, "f", false), kFile);
  EXPECT_EQ(classifyFound(false, "F", true), kImageFile);
  EXPECT_EQ(classifyFound(false, "d", true), kWrongLetter);
  EXPECT_EQ(classifyFound(false, "e", false), kWrongLetter);
  EXPECT_EQ(classifyFound(false, "\"", false), kWrongLetter);
}

TEST(DecoderText, ListsEachDecoderTwiceAndEndsWithABar) {
  const std::string text =
      buildDecoderText({{"BMP", "*.BMP;*.DIB"}, {"JPEG", "*.JPG;*.JPEG;*.JPE;*.JFIF"}});
  EXPECT_EQ(
      text,
      "BMP (*.BMP;*.DIB)|*.BMP;*.DIB|JPEG (*.JPG;*.JPEG;*.JPE;*.JFIF)|*.JPG;*.JPEG;*.JPE;*.JFIF||");
  EXPECT_EQ(buildDecoderText({}), "|");
}

TEST(ImageExtension, IsASubstringTestWithoutRegardToCase) {
  const std::string text = buildDecoderText({{"JPEG", "*.JPG;*.JPEG"}, {"PNG", "*.PNG"}});
  EXPECT_TRUE(isImageExtension("C:\\a\\photo.jpg", text, noLeadBytes));
  EXPECT_TRUE(isImageExtension("C:\\a\\photo.Png", text, noLeadBytes));
  EXPECT_TRUE(isImageExtension("C:\\a\\photo.JP", text, noLeadBytes)); // start of .JPG
  EXPECT_FALSE(isImageExtension("C:\\a\\notes.txt", text, noLeadBytes));
  EXPECT_FALSE(isImageExtension("C:\\a\\noextension", text, noLeadBytes));
}

TEST(ImageExtension, TakesTheTextAfterTheLastDot) {
  EXPECT_EQ(extensionOf("C:\\a.b\\c.d.jpeg", noLeadBytes), ".jpeg");
  EXPECT_EQ(extensionOf("C:\\dir\\README", noLeadBytes), "C:\\dir\\README");
  EXPECT_EQ(extensionOf("C:\\dir\\file.", noLeadBytes), ".");
}

TEST(SplitPlaceAndName, SplitsAtTheLastBackslash) {
  auto [place, name] = splitPlaceAndName("C:\\photos\\2024\\a.jpg", noLeadBytes);
  EXPECT_EQ(place, "C:\\photos\\2024");
  EXPECT_EQ(name, "a.jpg");
  std::tie(place, name) = splitPlaceAndName("plain", noLeadBytes);
  EXPECT_EQ(place, "");
  EXPECT_EQ(name, "plain");
}

TEST(SplitPlaceAndName, ABackslashInsideAJapaneseCharacterIsNoSeparator) {
  // "表" in code page 932 is 0x95 0x5C: its second byte is the backslash's code.
  const std::string path = "C:\\data\\\x95\x5C.txt";
  auto [place, name] = splitPlaceAndName(path, isCp932LeadByte);
  EXPECT_EQ(place, "C:\\data");
  EXPECT_EQ(name, "\x95\x5C.txt");
  // Read byte by byte, the same path would split inside the character.
  EXPECT_EQ(splitPlaceAndName(path, noLeadBytes).second, ".txt");
}

TEST(UpperAscii, LeavesSecondBytesOfJapaneseCharactersAlone) {
  // "ア" in code page 932 is 0x83 0x41; "ゃ" is 0x82 0xE1; "ー" is 0x81 0x5B; a second
  // byte in a-z must not change: 0x83 0x61 is "ヂ".
  EXPECT_EQ(upperAscii("a\x83\x61.jpg", isCp932LeadByte), "A\x83\x61.JPG");
}

} // namespace
} // namespace tolm
