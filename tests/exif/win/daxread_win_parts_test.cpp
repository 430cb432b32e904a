// Pieces of daxread.dll's Windows layer below the exports: memory checks, file source, filter list,
// text conversion.
#include <windows.h>

#include "exif/win/ansi_text.h"
#include "exif/win/file_source.h"
#include "exif/win/guard.h"
#include "exif/win/resource_strings.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using testutil::ScratchDir;

using testutil::Pages;

TEST(Guard, RangesAreCheckedPageByPageForTheAccessWanted) {
  Pages rw(3, 2, PAGE_READWRITE);
  EXPECT_TRUE(daxwin::canWrite(rw.at(), 2 * rw.page()));
  EXPECT_TRUE(daxwin::canRead(rw.at() + 10, 100));
  EXPECT_FALSE(daxwin::canWrite(rw.at(), 2 * rw.page() + 1)) << "one byte into the reserved page";
  EXPECT_FALSE(daxwin::canRead(rw.at() + 2 * rw.page(), 1));
  EXPECT_TRUE(daxwin::canWrite(rw.at() + 2 * rw.page(), 0)) << "nothing to write";
  EXPECT_FALSE(daxwin::canWrite(nullptr, 0));
  EXPECT_FALSE(daxwin::canRead(rw.at(), SIZE_MAX)) << "a size that wraps around";

  Pages ro(1, 1, PAGE_READONLY);
  EXPECT_TRUE(daxwin::canRead(ro.at(), ro.page()));
  EXPECT_FALSE(daxwin::canWrite(ro.at(), 1));
  Pages none(1, 1, PAGE_NOACCESS);
  EXPECT_FALSE(daxwin::canRead(none.at(), 1));
  Pages guard(1, 1, PAGE_READWRITE | PAGE_GUARD);
  EXPECT_FALSE(daxwin::canWrite(guard.at(), 1));

  // Mixed protections within one range: the weakest decides.
  Pages mixed(2, 2, PAGE_READWRITE);
  DWORD old;
  VirtualProtect(mixed.at() + mixed.page(), mixed.page(), PAGE_READONLY, &old);
  EXPECT_TRUE(daxwin::canRead(mixed.at(), 2 * mixed.page()));
  EXPECT_FALSE(daxwin::canWrite(mixed.at(), 2 * mixed.page()));
  std::vector<char> heap(100);
  EXPECT_TRUE(daxwin::canWrite(heap.data(), heap.size()));
}

TEST(Guard, BoundedLengthStopsAtTheNulTheLimitOrUnreadableMemory) {
  EXPECT_EQ(daxwin::boundedLength("abc", 260), 3);
  EXPECT_EQ(daxwin::boundedLength("", 260), 0);
  EXPECT_EQ(daxwin::boundedLength(nullptr, 260), -1);
  EXPECT_EQ(daxwin::boundedLength("abcdef", 4), -1) << "no NUL within the limit";
  EXPECT_EQ(daxwin::boundedLength("abc", 4), 3) << "the NUL is the last byte allowed";

  Pages pages(2, 1, PAGE_READWRITE);
  char *end = pages.at() + pages.page();
  std::memcpy(end - 3, "ab", 3); // ends exactly at the page boundary
  EXPECT_EQ(daxwin::boundedLength(end - 3, 260), 2);
  std::memcpy(end - 3, "abc", 3); // runs into the reserved page
  EXPECT_EQ(daxwin::boundedLength(end - 3, 260), -1);
}

TEST(FileSource, ReadsByPositionUpToTheEndAndRefusesWhatIsNoFile) {
  ScratchDir dir;
  std::string contents;
  for (int i = 0; i < 5000; ++i)
    contents += static_cast<char>(i * 7);
  const std::string path = dir.file("data.bin", contents);
  daxwin::FileSource file;
  ASSERT_TRUE(file.open(path.c_str()));
  EXPECT_EQ(file.size(), 5000u);
  char buffer[64];
  ASSERT_EQ(file.readAt(4096, buffer, 10), 10);
  EXPECT_EQ(std::string(buffer, 10), contents.substr(4096, 10));
  ASSERT_EQ(file.readAt(0, buffer, 4), 4) << "positions are absolute, not a running offset";
  EXPECT_EQ(std::string(buffer, 4), contents.substr(0, 4));
  EXPECT_EQ(file.readAt(4990, buffer, 64), 10) << "cut at the end";
  EXPECT_EQ(std::string(buffer, 10), contents.substr(4990));
  EXPECT_EQ(file.readAt(5000, buffer, 8), 0);
  EXPECT_EQ(file.readAt(0x100000000ull, buffer, 8), 0) << "beyond 4 GiB is beyond the end too";
  EXPECT_EQ(file.readAt(10, buffer, 0), 0);
  EXPECT_FALSE(file.open(path.c_str())) << "one file per source";

  daxwin::FileSource missing, folder, empty;
  EXPECT_FALSE(missing.open(dir.join("missing.bin").c_str()));
  EXPECT_FALSE(folder.open(dir.folder("sub").c_str()));
  EXPECT_FALSE(empty.open(nullptr));
  daxwin::FileSource never;
  EXPECT_EQ(never.readAt(0, buffer, 1), -1) << "no file, no bytes";
}

TEST(FileSource, AnotherWriterKeepsTheFileClosedAndReadersDoNot) {
  ScratchDir dir;
  const std::string path = dir.file("shared.bin", "0123456789");
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  daxwin::FileSource blocked;
  EXPECT_FALSE(blocked.open(path.c_str()));
  CloseHandle(writer);
  daxwin::FileSource open;
  ASSERT_TRUE(open.open(path.c_str()));
  HANDLE second = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(second, INVALID_HANDLE_VALUE) << "no writer while the source is open";
  if (second != INVALID_HANDLE_VALUE)
    CloseHandle(second);
}

bool shiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool noLead(unsigned char) { return false; }

std::vector<std::string> strings(const std::string &list) {
  std::vector<std::string> out;
  for (size_t at = 0; at < list.size() && list[at] != '\0'; at += out.back().size() + 1)
    out.push_back(std::string(list.c_str() + at));
  return out;
}

TEST(FilterList, PipesBecomeNulsAndTheListEndsInTwo) {
  const std::string list = daxwin::filterList("JPEG (*.jpg)|*.jpg|All (*.*)|*.*|", noLead);
  EXPECT_EQ(strings(list), (std::vector<std::string>{"JPEG (*.jpg)", "*.jpg", "All (*.*)", "*.*"}));
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list.substr(list.size() - 2), std::string(2, '\0'));
  EXPECT_EQ(strings(daxwin::filterList("A|*.a", noLead)), (std::vector<std::string>{"A", "*.a"}));
  EXPECT_EQ(daxwin::filterList("", noLead), "");
  EXPECT_EQ(daxwin::filterList("no separator", noLead), "") << "no pairs: no filter";
  EXPECT_EQ(strings(daxwin::filterList(std::string("A\0*.a\0", 6), noLead)),
            (std::vector<std::string>{"A", "*.a"}))
      << "embedded NULs separate as well";
}

TEST(FilterList, ATrailByteWithThePipesValueDoesNotSeparate) {
  // "ポ" in code page 932 is 0x83 0x7C; 0x7C is '|'.
  const std::string po = "\x83\x7C";
  const std::string list = daxwin::filterList(po + "JPEG|*.jpg|", shiftJisLead);
  EXPECT_EQ(strings(list), (std::vector<std::string>{po + "JPEG", "*.jpg"}));
  // A lead byte at the very end carries nothing along and is kept.
  EXPECT_EQ(strings(daxwin::filterList("A|B\x83", shiftJisLead)),
            (std::vector<std::string>{"A", "B\x83"}));
}

TEST(ResourceStrings, MissingLibraryAndIdsBeyondSixteenBitsLoadNothing) {
  const daxwin::ResourceStrings none(nullptr);
  std::string text = "unchanged";
  EXPECT_FALSE(none.load(271, text));
  HMODULE library = LoadLibraryExA("dax2enc.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(library, nullptr);
  const daxwin::ResourceStrings strings(library);
  EXPECT_TRUE(strings.load(271, text));
  EXPECT_EQ(text, "Make");
  EXPECT_FALSE(strings.load(0x10000 + 271, text)) << "ids are 16 bits; no wrap onto tag 271";
  EXPECT_FALSE(strings.load(9999, text)) << "no such string";
  EXPECT_TRUE(strings.isAlphaNumeric('a'));
  EXPECT_TRUE(strings.isAlphaNumeric('7'));
  EXPECT_FALSE(strings.isAlphaNumeric(0x01));
  EXPECT_FALSE(strings.isAlphaNumeric(' '));
  FreeLibrary(library);
}

// Japanese texts in code page 932 whatever the system's own code page is.
TEST(AnsiText, WideTextsAreCutOnWholeCharactersOfTheCodePage) {
  const std::wstring text = L"日本語abc";
  EXPECT_EQ(daxwin::wideToCodePage(text, 932, 100), "\x93\xFA\x96\x7B\x8C\xEA"
                                                    "abc");
  EXPECT_EQ(daxwin::wideToCodePage(text, 932, 5), "\x93\xFA\x96\x7B")
      << "not half of the third character";
  EXPECT_EQ(daxwin::wideToCodePage(text, 932, 7), "\x93\xFA\x96\x7B\x8C\xEA"
                                                  "a");
  EXPECT_EQ(daxwin::wideToCodePage(text, 932, 1), "");
  EXPECT_EQ(daxwin::wideToCodePage(L"", 932, 10), "");
  // In UTF-8 "ab" and the first half of a pair would fit five bytes; the pair stays whole.
  EXPECT_EQ(daxwin::wideToCodePage(L"ab\U0001F600", CP_UTF8, 5), "ab");
  EXPECT_EQ(daxwin::wideToCodePage(L"ab\U0001F600", CP_UTF8, 6), "ab\xF0\x9F\x98\x80");
  EXPECT_EQ(daxwin::wideToCodePage(L"\u00e9", 932, 10).size(), 1u)
      << "a character 932 lacks becomes one default character";
  EXPECT_EQ(daxwin::wideToCodePage(text, 12345, 100), "") << "no such code page";
}

TEST(AnsiText, JisTextBecomesUtf16WithOrWithoutTheSystemsConverter) {
  wchar_t probe[4];
  const bool native = MultiByteToWideChar(50220, 0, "\x1b$B$\"", 5, probe, 4) > 0;
  std::printf("INFO: the system %s code page 50220; %s\n", native ? "has" : "lacks",
              native ? "it converts" : "the Shift_JIS route converts");
  bool ok = false;
  const uint8_t jis[] = {0x1B, '$', 'B', 0x46, 0x7C, 0x4B, 0x5C, 0x1B, '(',
                         'B',  'a', 'b', 0x1B, '(',  'I',  0x43, 0x3D};
  EXPECT_EQ(daxwin::jisToWide(jis, ok), L"日本ab\uFF83\uFF7D");
  EXPECT_TRUE(ok);
  EXPECT_EQ(daxwin::jisToWide({}, ok), L"");
  EXPECT_TRUE(ok);
  const uint8_t escapesOnly[] = {0x1B, '$', 'B', 0x1B, '(', 'B'};
  EXPECT_EQ(daxwin::jisToWide(escapesOnly, ok), L"");
  EXPECT_TRUE(ok);
}

TEST(AnsiText, ResourceStringsConvertToTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 932u) << "the Japanese texts need code page 932";
  const daxwin::ResourceStrings strings(nullptr);
  EXPECT_EQ(strings.fromUtf16(std::u16string(u"日本 x"), 100), "\x93\xFA\x96\x7B x");
  EXPECT_EQ(strings.fromUtf16(std::u16string(u"日本"), 3), "\x93\xFA");
  const uint8_t jis[] = {0x1B, '$', 'B', 0x24, 0x22, 0x1B, '(', 'B', '!'};
  EXPECT_EQ(strings.fromJis(jis, 100), "\x82\xA0!");
  EXPECT_EQ(strings.fromJis(jis, 2), "\x82\xA0");
}

} // namespace
