// daxread.dll through its exports under Wine: crafted files, the project's sample, the camera
// corpus.
#include <windows.h>
#include <psapi.h>

#include "include/daxread.h"
#include "tests/exif/core/tiff_maker.h"
#include "tests/support/win_test_util.h"
#include "tolm_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using daxtest::Bytes;
using testutil::ScratchDir;

std::string windowsPath(const std::string &unixPath) {
  std::string p = "Z:" + unixPath;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

const std::string kSample = windowsPath(std::string(TOLM_SOURCE_DIR) + "/samples/sample.jpg");
const std::string kCorpus = windowsPath(std::string(TOLM_CORPUS_DIR) + "/exif");

// A UTF-8 literal in the ANSI code page, as the library hands its texts out.
std::string ansi(const char *utf8) {
  wchar_t wide[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 512);
  char narrow[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

bool fileExists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string asText(const Bytes &b) { return std::string(b.begin(), b.end()); }

Bytes readAll(const std::string &path) {
  std::string text;
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return {};
  Bytes out(GetFileSize(h, nullptr));
  DWORD got = 0;
  ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
  CloseHandle(h);
  out.resize(got);
  return out;
}

int analyze(const std::string &path, int code = 0x301) {
  char buffer[MAX_PATH] = {};
  std::strncpy(buffer, path.c_str(), MAX_PATH - 1);
  return daxBeginProcessing(code, buffer);
}

struct Item {
  int32_t group;
  uint16_t tag;
  std::string label;
  std::string value;
};

// Every entry of the result tables in the order operation 4 hands them out; last holds the
// result of the final call.
struct Listing {
  int total = 0;
  int last = 0;
  std::vector<Item> items;
  const Item *find(int32_t group, uint16_t tag) const {
    for (const Item &i : items)
      if (i.group == group && i.tag == tag)
        return &i;
    return nullptr;
  }
  std::string value(int32_t group, uint16_t tag) const {
    const Item *i = find(group, tag);
    return i ? i->value : "<missing>";
  }
  std::string label(int32_t group, uint16_t tag) const {
    const Item *i = find(group, tag);
    return i ? i->label : "<missing>";
  }
};

Listing list(int code = DAX_OP_BEGIN_ITERATION) {
  Listing out;
  DAX_ITERATION setup{DAX_LABEL_CAPACITY, DAX_VALUE_CAPACITY};
  out.total = daxBeginProcessing(code, &setup);
  std::vector<char> label(DAX_LABEL_CAPACITY), value(DAX_VALUE_CAPACITY);
  DAX_ENTRY entry{0, 0, 0, label.data(), value.data()};
  while (static_cast<int>(out.items.size()) < out.total) {
    out.last = daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry);
    if (out.last < 0)
      break;
    out.items.push_back({entry.group, entry.tag, label.data(), value.data()});
  }
  return out;
}

// Pages of this process with chosen access, to hand the library memory it must not fault on.
using testutil::Pages;

class DaxExports : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_EQ(daxInitialize("dax2jpn.dll"), DAX_OK); }
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u) << "the Japanese texts need code page 932";
    ASSERT_TRUE(fileExists(kSample)) << kSample;
  }
};

// ---- analysis of the sample: entries, labels from the Japanese library, values ----

// Expected texts: exiftool -n values of samples/sample.jpg rendered by the formatting rules.
TEST_F(DaxExports, TheSampleListsEveryGroupWithJapaneseLabelsAndFormattedValues) {
  ASSERT_EQ(analyze(kSample), 49) << "13 + 23 + 7 + 6 entries in IFD0, Exif, GPS and IFD1";
  const Listing l = list();
  ASSERT_EQ(l.total, 49);
  ASSERT_EQ(l.items.size(), 49u);
  EXPECT_EQ(l.last, DAX_LAST_ENTRY);
  std::vector<int32_t> groups;
  for (const Item &i : l.items)
    if (groups.empty() || groups.back() != i.group)
      groups.push_back(i.group);
  EXPECT_EQ(groups,
            (std::vector<int32_t>{DAX_GROUP_IFD0, DAX_GROUP_EXIF, DAX_GROUP_GPS, DAX_GROUP_IFD1}));

  EXPECT_EQ(l.label(0, 271), ansi("画像入力機器のメーカー名"));
  EXPECT_EQ(l.value(0, 271), "n.orbit");
  EXPECT_EQ(l.label(34665, 33434), ansi("露出時間"));
  EXPECT_EQ(l.value(34665, 33434), "1/250 sec.");
  EXPECT_EQ(l.label(34665, 42036), ansi("レンズのモデル名"));
  EXPECT_EQ(l.value(34665, 42036), "TOLM 35mm F5.6");
  EXPECT_EQ(l.label(34853, 1), ansi("北緯(N)or南緯(S)"));
  EXPECT_EQ(l.value(0, 274), ansi("0行目が上、0列目が左")); // Orientation 1
  EXPECT_EQ(l.value(0, 296), ansi("インチ"));               // ResolutionUnit 2
  EXPECT_EQ(l.value(0, 531), ansi("中央"));                 // YCbCrPositioning 1
  EXPECT_EQ(l.value(34665, 33437), "F5.6");
  EXPECT_EQ(l.value(34665, 34850), ansi("絞り優先"));   // ExposureProgram 3
  EXPECT_EQ(l.value(34665, 37121), "YCbCr");            // 1 2 3 0, trailing space trimmed
  EXPECT_EQ(l.value(34665, 37380), "-0.33");            // -1/3
  EXPECT_EQ(l.value(34665, 37383), ansi("分割測光"));   // MeteringMode 5
  EXPECT_EQ(l.value(34665, 37385), ansi("強制非発光")); // Flash 16
  EXPECT_EQ(l.value(34665, 41990), ansi("風景"));       // SceneCaptureType 1
  EXPECT_EQ(l.value(34853, 0), "2.3.0.0");
  EXPECT_EQ(l.value(34853, 1), ansi("北緯"));
  EXPECT_EQ(l.value(34853, 3), ansi("東経"));
  EXPECT_EQ(l.value(34853, 5), ansi("海抜"));
  EXPECT_EQ(l.value(1, 259), ansi("JPEG圧縮")); // Compression 6
}

TEST_F(DaxExports, WithoutTheThumbnailBitTheSecondIfdIsNotRead) {
  ASSERT_EQ(analyze(kSample, 0x101), 43);
  const Listing l = list();
  EXPECT_EQ(l.find(1, 259), nullptr);
  DAX_THUMBNAIL t{0, 0, nullptr};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL, &t), DAX_ERR_NO_THUMBNAIL);
}

// ---- user comments ----

// A user comment's UTF-16 or JIS text, whose code page is the file's business, reaches the
// caller in the ANSI code page like every other text.
TEST_F(DaxExports, UserCommentsInUnicodeAndJisArriveInTheAnsiCodePage) {
  const std::u16string japanese = u"日本語のコメント";
  const std::string expected = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x52\x83\x81\x83\x93\x83\x67";
  ASSERT_EQ(ansi("日本語のコメント"), expected) << "the code page 932 bytes of the text";
  ScratchDir dir;
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    Bytes unicode{'U', 'N', 'I', 'C', 'O', 'D', 'E', 0};
    for (char16_t u : japanese) {
      const auto hi = static_cast<uint8_t>(u >> 8), lo = static_cast<uint8_t>(u);
      unicode.push_back(big ? hi : lo);
      unicode.push_back(big ? lo : hi);
    }
    unicode.insert(unicode.end(), {0, 0, 'x', 0}); // after the NUL unit: not shown
    // 日本 in JIS, then ASCII.
    const Bytes jis{'J',  'I',  'S',  0,    0,    0,   0,   0,   0x1B, '$', 'B',
                    0x46, 0x7C, 0x4B, 0x5C, 0x1B, '(', 'B', 'O', 'K',  0};
    const Bytes tiff = daxtest::makeTiff(
        big, {{{daxtest::pointer(34665, 1)}},
              {{daxtest::bytes(37510, 7, unicode), daxtest::bytes(37510, 7, jis)}}});
    const std::string path =
        dir.file(big ? "mm.jpg" : "ii.jpg",
                 asText(daxtest::jpeg({daxtest::app0(), daxtest::exifSegment(tiff)})));
    ASSERT_EQ(analyze(path), 3);
    const Listing l = list();
    ASSERT_EQ(l.items.size(), 3u);
    EXPECT_EQ(l.items[1].tag, 37510);
    EXPECT_EQ(l.items[1].value, expected);
    EXPECT_EQ(l.items[2].value, "\x93\xFA\x96\x7BOK");
  }
}

// ---- failed analyses ----

TEST_F(DaxExports, FailedAnalysesGiveTheirCodeAndKeepThePreviousResults) {
  ScratchDir dir;
  const std::string empty = dir.file("empty.jpg");
  const std::string noExif = dir.file("noexif.bin", "plain text, neither JPEG nor TIFF");
  // An Exif segment whose TIFF header is "MM" with magic 43.
  const std::string badHeader =
      dir.file("badheader.jpg",
               asText(daxtest::jpeg({daxtest::exifSegment(Bytes{'M', 'M', 0, 43, 0, 0, 0, 8})})));
  const std::string folder = dir.folder("sub");

  ASSERT_EQ(analyze(kSample), 49);
  struct Case {
    std::string path;
    int expected;
    const char *why;
  } cases[] = {
      {dir.join("missing.jpg"), DAX_ERR_READ, "a file that does not exist"},
      {folder, DAX_ERR_READ, "a folder cannot be opened as a file"},
      {"", DAX_ERR_READ, "an empty path"},
      {empty, DAX_ERR_NO_EXIF, "an empty file has no TIFF header"},
      {noExif, DAX_ERR_NO_EXIF, "no Exif segment and no TIFF header"},
      {badHeader, DAX_ERR_TIFF_HEADER, "an Exif segment with a bad big-endian header"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(analyze(c.path), c.expected) << c.why;
    DAX_ITERATION setup{1024, 65536};
    EXPECT_EQ(daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup), 49)
        << "results kept after: " << c.why;
  }
  // A success after the failures lists only the new file.
  const std::string tiff =
      dir.file("one.tif", asText(daxtest::makeTiff(true, {{{daxtest::ascii(271, "Second")}}})));
  ASSERT_EQ(analyze(tiff), 1);
  const Listing l = list();
  ASSERT_EQ(l.items.size(), 1u);
  EXPECT_EQ(l.items[0].value, "Second");
  EXPECT_EQ(l.last, DAX_LAST_ENTRY);
}

// Cut copies of the sample: the walker meets the end of the file everywhere in the Exif
// segment and its thumbnail. The segment's TIFF header starts at byte 12 (FF D8, FF E1 and
// its length, "Exif\0\0"); exiftool puts the thumbnail's end at 926 + 2406.
TEST_F(DaxExports, CutCopiesOfTheSampleEndInACodeOrAFullIteration) {
  const Bytes whole = readAll(kSample);
  ASSERT_GT(whole.size(), 3400u);
  ScratchDir dir;
  const std::string path = dir.join("cut.jpg");
  for (size_t cut = 0; cut <= 3400; cut += cut < 40 ? 1 : 7) {
    dir.file("cut.jpg", asText(Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut))));
    const int r = analyze(path);
    if (cut < 12) {
      EXPECT_EQ(r, DAX_ERR_NO_EXIF) << cut << ": no whole Exif identifier";
    } else if (cut < 20) {
      EXPECT_EQ(r, DAX_ERR_TIFF_HEADER) << cut << ": the TIFF header is short";
    } else if (cut >= 926 + 2406) {
      EXPECT_EQ(r, 49) << cut;
    } else {
      ASSERT_GE(r, 0) << cut;
      const Listing l = list();
      EXPECT_EQ(static_cast<int>(l.items.size()), r) << cut;
    }
  }
}

TEST_F(DaxExports, TheFileIsReadDenyingWritersAndClosedAfterwards) {
  ScratchDir dir;
  const std::string path = dir.file("sample.jpg", asText(readAll(kSample)));
  {
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(analyze(path), DAX_ERR_READ) << "someone holds the file open for writing";
    CloseHandle(writer);
  }
  {
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(analyze(path), 49) << "other readers are welcome";
    CloseHandle(reader);
  }
  HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE) << "the analysis left no handle open";
  CloseHandle(exclusive);
}

TEST_F(DaxExports, PathBuffersThatCannotBeReadAreRefused) {
  EXPECT_EQ(daxBeginProcessing(0x301, nullptr), DAX_ERR_ARGUMENT);
  char unterminated[MAX_PATH];
  std::memset(unterminated, 'a', sizeof unterminated);
  EXPECT_EQ(daxBeginProcessing(0x301, unterminated), DAX_ERR_ARGUMENT) << "no NUL within 260 bytes";

  // The path runs into a page that cannot be read.
  Pages pages(2, 1, PAGE_READWRITE);
  char *tail = pages.at(pages.page() - 4);
  std::memcpy(tail, "C:\\x", 4);
  EXPECT_EQ(daxBeginProcessing(0x301, tail), DAX_ERR_ARGUMENT);

  // A path in read-only memory is fine: with 0x100 nothing is written back.
  Pages readOnly(1, 1, PAGE_READWRITE);
  std::memcpy(readOnly.at(0), kSample.c_str(), kSample.size() + 1);
  DWORD old;
  VirtualProtect(readOnly.at(0), readOnly.page(), PAGE_READONLY, &old);
  EXPECT_EQ(daxBeginProcessing(0x301, readOnly.at(0)), 49);
  // Without 0x100 the buffer must take the chosen path: refused before any dialog shows.
  EXPECT_EQ(daxBeginProcessing(0x201, readOnly.at(0)), DAX_ERR_ARGUMENT);
}

// ---- iteration ----

TEST_F(DaxExports, ForwardAndBackwardIterationsVisitTheSameEntriesInOppositeOrders) {
  ASSERT_EQ(analyze(kSample), 49);
  const Listing forward = list(DAX_OP_BEGIN_ITERATION);
  const Listing backward = list(DAX_OP_BEGIN_ITERATION | DAX_MOD_100);
  ASSERT_EQ(forward.items.size(), 49u);
  ASSERT_EQ(backward.items.size(), 49u);
  EXPECT_EQ(forward.last, DAX_LAST_ENTRY);
  EXPECT_EQ(backward.last, DAX_LAST_ENTRY);
  for (size_t i = 0; i < 49; ++i) {
    EXPECT_EQ(forward.items[i].tag, backward.items[48 - i].tag) << i;
    EXPECT_EQ(forward.items[i].group, backward.items[48 - i].group) << i;
  }
  EXPECT_EQ(forward.items.front().tag, 270); // ImageDescription opens IFD0
  EXPECT_EQ(forward.items.back().tag, 514);  // JPEGInterchangeFormatLength ends IFD1

  // The last entry repeats with 100 once the end is reached.
  char label[1024], value[65536];
  DAX_ENTRY entry{0, 0, 0xBEEF, label, value};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry), DAX_LAST_ENTRY);
  EXPECT_EQ(entry.group, DAX_GROUP_IFD0);
  EXPECT_EQ(entry.tag, 270);
  EXPECT_EQ(entry.unused, 0xBEEF) << "the two bytes after the tag are not written";
  EXPECT_STREQ(value, "Evening over the hills");
}

TEST_F(DaxExports, CapacitiesAreClampedWrittenBackAndCutTheTexts) {
  ASSERT_EQ(analyze(kSample), 49);
  DAX_ITERATION setup{5000, 100000};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup), 49);
  EXPECT_EQ(setup.labelCapacity, 1024);
  EXPECT_EQ(setup.valueCapacity, 65536);

  setup = {5, 8};
  ASSERT_EQ(daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup), 49);
  char label[16], value[16];
  std::memset(label, 'z', sizeof label);
  std::memset(value, 'z', sizeof value);
  DAX_ENTRY entry{0, 0, 0, label, value};
  ASSERT_EQ(daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry), DAX_OK);
  EXPECT_EQ(std::string(label), ansi("画像"))
      << "four bytes of ImageDescription's label, two DBCS characters";
  EXPECT_STREQ(value, "Evening");
  EXPECT_EQ(label[5], 'z') << "nothing past the label capacity";
  EXPECT_EQ(value[8], 'z') << "nothing past the value capacity";
}

TEST_F(DaxExports, RecordsAndBuffersThatCannotBeWrittenAreRefusedWithoutAFault) {
  ASSERT_EQ(analyze(kSample), 49);
  EXPECT_EQ(daxBeginProcessing(DAX_OP_BEGIN_ITERATION, nullptr), DAX_ERR_ARGUMENT);
  Pages readOnly(1, 1, PAGE_READONLY);
  EXPECT_EQ(daxBeginProcessing(DAX_OP_BEGIN_ITERATION, readOnly.at(0)), DAX_ERR_ARGUMENT);
  DAX_ITERATION setup{1024, 65536};
  ASSERT_EQ(daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup), 49);
  EXPECT_EQ(daxBeginProcessing(DAX_OP_NEXT_ENTRY, nullptr), DAX_ERR_ARGUMENT);
  EXPECT_EQ(daxBeginProcessing(DAX_OP_NEXT_ENTRY, readOnly.at(0)), DAX_ERR_ARGUMENT);

  // A label buffer in read-only memory is skipped; the value still arrives.
  std::vector<char> value(65536, 'z');
  DAX_ENTRY entry{0, 0, 0, readOnly.at(0), value.data()};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry), DAX_OK);
  EXPECT_EQ(entry.tag, 270);
  EXPECT_STREQ(value.data(), "Evening over the hills");
  EXPECT_TRUE(readOnly.untouched(readOnly.page()));

  // A value buffer shorter than the capacity (it ends at an unreadable page) and no label:
  // refused, and the cursor stays on the next entry.
  Pages shortValue(2, 1, PAGE_READWRITE);
  entry = {0, 0, 0, nullptr, shortValue.at(0)};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry), DAX_ERR_ARGUMENT);
  EXPECT_TRUE(shortValue.untouched(shortValue.page()));
  entry = {0, 0, 0, nullptr, value.data()};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry), DAX_OK);
  EXPECT_EQ(entry.tag, 271) << "the refused call did not move the cursor";
  EXPECT_STREQ(value.data(), "n.orbit");
}

// ---- thumbnail ----

// exiftool -n: ThumbnailOffset 926 (a position in the file) and ThumbnailLength 2406.
constexpr int32_t kThumbOffset = 926;
constexpr int32_t kThumbLength = 2406;
constexpr int32_t kThumbBlock = 65535 + kThumbLength;

Bytes sampleThumbnailStream() {
  const Bytes file = readAll(kSample);
  if (file.size() < static_cast<size_t>(kThumbOffset + kThumbLength))
    return {};
  return Bytes(file.begin() + kThumbOffset, file.begin() + kThumbOffset + kThumbLength);
}

TEST_F(DaxExports, TheThumbnailComesAsKindAndSizeThroughARecordAndAsARawBlock) {
  ASSERT_EQ(analyze(kSample), 49);
  const Bytes stream = sampleThumbnailStream();
  ASSERT_EQ(stream.size(), static_cast<size_t>(kThumbLength));
  std::vector<uint8_t> buffer(kThumbBlock + 64, 0xAA);

  DAX_THUMBNAIL t{-1, 0, buffer.data()};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL, &t), DAX_OK) << "sizes differ: kind and size only";
  EXPECT_EQ(t.kind, 6);
  EXPECT_EQ(t.size, kThumbBlock);
  EXPECT_EQ(buffer[0], 0xAA);

  t = {0, 12345, nullptr};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_100, &t), DAX_OK);
  EXPECT_EQ(t.kind, 6);
  EXPECT_EQ(t.size, kThumbBlock);

  t = {0, kThumbBlock, buffer.data()};
  ASSERT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL, &t), DAX_OK);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + kThumbLength), stream)
      << "the stream comes first";
  EXPECT_TRUE(std::all_of(buffer.begin() + kThumbLength, buffer.begin() + kThumbBlock,
                          [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(buffer[kThumbBlock], 0xAA) << "nothing past the block";

  std::vector<uint8_t> raw(kThumbBlock, 0x55);
  ASSERT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_200, raw.data()), DAX_OK);
  EXPECT_EQ(Bytes(raw.begin(), raw.begin() + kThumbLength), stream);
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL, nullptr), DAX_ERR_ARGUMENT);
}

TEST_F(DaxExports, ThumbnailBuffersThatCannotTakeTheBlockAreRefusedWhole) {
  ASSERT_EQ(analyze(kSample), 49);
  // A raw buffer of one page: far less than the block, and followed by reserved space.
  Pages onePage(32, 1, PAGE_READWRITE);
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_200, onePage.at(0)), DAX_ERR_ARGUMENT);
  EXPECT_TRUE(onePage.untouched(onePage.page())) << "no partial copy";

  // A record whose buffer is read-only: kind and size still arrive, the copy is refused.
  Pages readOnly(32, 32, PAGE_READONLY);
  DAX_THUMBNAIL t{0, kThumbBlock, readOnly.at(0)};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL, &t), DAX_ERR_ARGUMENT);
  EXPECT_EQ(t.kind, 6);
  EXPECT_EQ(t.size, kThumbBlock);
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL, readOnly.at(0)), DAX_ERR_ARGUMENT)
      << "record itself read-only";
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_100, readOnly.at(0)), DAX_ERR_ARGUMENT);
}

// ---- release and operation codes ----

TEST_F(DaxExports, ReleaseOfTheThumbnailAloneSucceedsAndKeepsTheEntries) {
  ASSERT_EQ(analyze(kSample), 49);
  EXPECT_EQ(daxBeginProcessing(DAX_OP_RELEASE | DAX_MOD_100, nullptr), DAX_OK);
  DAX_THUMBNAIL t{0, 0, nullptr};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL, &t), DAX_ERR_NO_THUMBNAIL);
  DAX_ITERATION setup{1024, 65536};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup), 49);

  EXPECT_EQ(daxBeginProcessing(DAX_OP_RELEASE, nullptr), DAX_OK);
  setup = {10, 20};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup), 0);
  EXPECT_EQ(setup.labelCapacity, 10) << "no entries: the capacities stay";
  char label[1024], value[65536];
  DAX_ENTRY entry{0, 0, 0, label, value};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry), DAX_ERR_ARGUMENT);
}

TEST_F(DaxExports, OperationsAreDecodedFromTheLowByte) {
  ASSERT_EQ(analyze(kSample), 49);
  for (int op : {2, 6, 0x7F, 0xFF, 0x302})
    EXPECT_EQ(daxBeginProcessing(op, nullptr), DAX_ERR_ARGUMENT) << "operation " << op;
  DAX_ITERATION setup{1024, 65536};
  EXPECT_EQ(daxBeginProcessing(0x10000 | DAX_OP_BEGIN_ITERATION, &setup), 49)
      << "bits above 0x200 are ignored";
}

// ---- language libraries and the version ----

TEST_F(DaxExports, InitializeFallsBackToJapaneseThenEnglishAndLabelsFollowTheLibrary) {
  ASSERT_EQ(daxInitialize("dax2enc.dll"), DAX_OK);
  ASSERT_EQ(analyze(kSample), 49);
  Listing l = list();
  EXPECT_EQ(l.label(0, 271), "Make");
  EXPECT_EQ(l.label(34665, 33434), "ExposureTime");
  EXPECT_EQ(l.value(34665, 34850), "Aperture priority");
  EXPECT_EQ(l.value(34853, 1), "North latitude");

  ASSERT_EQ(daxInitialize("no_such_library.dll"), DAX_OK);
  ASSERT_EQ(analyze(kSample), 49);
  EXPECT_EQ(list().label(0, 271), ansi("画像入力機器のメーカー名"))
      << "dax2jpn.dll is the first fallback";

  ASSERT_EQ(daxInitialize("dax2enc.dll"), DAX_OK);
  ASSERT_EQ(daxInitialize(nullptr), DAX_OK) << "no name: the fallbacks";
  ASSERT_EQ(analyze(kSample), 49);
  EXPECT_EQ(list().label(0, 271), ansi("画像入力機器のメーカー名"));

  // A name without a NUL in its 260 bytes is read no further and left for the fallbacks.
  Pages pages(2, 1, PAGE_READWRITE);
  std::memset(pages.at(0), 'x', pages.page());
  EXPECT_EQ(daxInitialize(pages.at(pages.page() - 100)), DAX_OK);
  ASSERT_EQ(daxInitialize("dax2jpn.dll"), DAX_OK);
}

TEST_F(DaxExports, FileVersionsOfTheLibraryAndItsLanguageLibraries) {
  for (const char *name : {"daxread.dll", "dax2jpn.dll", "dax2enc.dll"}) {
    std::string path = testutil::modulePath("daxread.dll");
    path = path.substr(0, path.find_last_of('\\') + 1) + name;
    uint32_t v[4] = {9, 9, 9, 9};
    ASSERT_EQ(daxGetFileVersion(path.c_str(), &v[0], &v[1], &v[2], &v[3], 0), DAX_OK) << path;
    EXPECT_EQ(v[0], 1u) << name;
    EXPECT_EQ(v[1], 0u) << name;
    EXPECT_EQ(v[2], 0u) << name;
    EXPECT_EQ(v[3], static_cast<uint32_t>(TOLM_VERSION_BUILD)) << name;
  }
  uint32_t v[4] = {9, 9, 9, 9};
  EXPECT_EQ(daxGetFileVersion(kSample.c_str(), &v[0], &v[1], &v[2], &v[3], 0), DAX_ERR_ARGUMENT)
      << "no version resource";
  EXPECT_EQ(v[0], 9u);
  const std::string self = testutil::modulePath("daxread.dll");
  EXPECT_EQ(daxGetFileVersion(nullptr, &v[0], &v[1], &v[2], &v[3], 0), DAX_ERR_ARGUMENT);
  EXPECT_EQ(daxGetFileVersion(self.c_str(), nullptr, &v[1], &v[2], &v[3], 0), DAX_ERR_ARGUMENT);
  Pages readOnly(1, 1, PAGE_READONLY);
  EXPECT_EQ(daxGetFileVersion(self.c_str(), &v[0], &v[1], &v[2],
                              reinterpret_cast<uint32_t *>(readOnly.at(0)), 0),
            DAX_ERR_ARGUMENT);
}

// ---- without any language library: a copy of the library in a folder of its own ----

std::string dllPath(const char *name) {
  const std::string self = testutil::modulePath("daxread.dll");
  return self.substr(0, self.find_last_of('\\') + 1) + name;
}

// The environment of this process with a search path of the system folders only.
std::vector<char> restrictedEnvironment() {
  std::vector<char> block;
  char *env = GetEnvironmentStringsA();
  for (const char *p = env; *p; p += std::strlen(p) + 1) {
    if (_strnicmp(p, "PATH=", 5) == 0)
      continue;
    block.insert(block.end(), p, p + std::strlen(p) + 1);
  }
  FreeEnvironmentStringsA(env);
  const std::string path = "PATH=C:\\windows\\system32;C:\\windows";
  block.insert(block.end(), path.c_str(), path.c_str() + path.size() + 1);
  block.push_back('\0');
  return block;
}

// Runs the probe in folder with its arguments; returns what it wrote, one "key value" a line.
std::vector<std::pair<std::string, std::string>> runProbe(const std::string &folder,
                                                          const std::string &name) {
  const std::string exe = folder + "\\daxread_probe.exe";
  const std::string report = folder + "\\report.txt";
  std::string commandLine =
      "\"" + exe + "\" \"" + report + "\" \"" + name + "\" \"" + kSample + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<char> env = restrictedEnvironment();
  std::vector<std::pair<std::string, std::string>> lines;
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, env.data(),
                      folder.c_str(), &si, &pi)) {
    ADD_FAILURE() << "cannot start " << exe << ": " << GetLastError();
    return lines;
  }
  if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 99);
    ADD_FAILURE() << "the probe did not end";
  }
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  std::istringstream in(asText(readAll(report)));
  std::string line;
  while (std::getline(in, line)) {
    const size_t space = line.find(' ');
    lines.emplace_back(line.substr(0, space),
                       space == std::string::npos ? "" : line.substr(space + 1));
  }
  return lines;
}

std::string lookup(const std::vector<std::pair<std::string, std::string>> &lines,
                   const std::string &key) {
  for (const auto &[k, v] : lines)
    if (k == key)
      return v;
  return "<absent>";
}

TEST_F(DaxExports, WithoutLanguageLibrariesEveryOperationReportsTheirAbsence) {
  ScratchDir dir;
  ASSERT_TRUE(
      CopyFileA(windowsPath(PROBE_EXE).c_str(), dir.join("daxread_probe.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(dllPath("daxread.dll").c_str(), dir.join("daxread.dll").c_str(), FALSE));
  const auto lines = runProbe(dir.path(), "dax2jpn.dll");
  ASSERT_FALSE(lines.empty()) << "the probe wrote no report";
  EXPECT_EQ(lookup(lines, "init"), "-107");
  for (const char *op :
       {"analyze", "begin", "next", "thumbnail", "release", "unknown", "analyze_null"})
    EXPECT_EQ(lookup(lines, op), "-107") << op;
  EXPECT_EQ(lookup(lines, "version"), "0 1.0.0") << "the version needs no language library";
}

TEST_F(DaxExports, WithOnlyTheEnglishLibraryAnUnknownNameFallsBackToIt) {
  ScratchDir dir;
  ASSERT_TRUE(
      CopyFileA(windowsPath(PROBE_EXE).c_str(), dir.join("daxread_probe.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(dllPath("daxread.dll").c_str(), dir.join("daxread.dll").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(dllPath("dax2enc.dll").c_str(), dir.join("dax2enc.dll").c_str(), FALSE));
  const auto lines = runProbe(dir.path(), "no_such_library.dll");
  ASSERT_FALSE(lines.empty()) << "the probe wrote no report";
  EXPECT_EQ(lookup(lines, "init"), "0");
  EXPECT_EQ(lookup(lines, "analyze"), "49");
  EXPECT_EQ(lookup(lines, "label"), "ImageDescription");
  EXPECT_EQ(lookup(lines, "release"), "0");
}

// Whether a file of this name is mapped into this process, as a module or a data-file view.
bool mappedHere(const char *fileName) {
  MEMORY_BASIC_INFORMATION info;
  const size_t want = std::strlen(fileName);
  for (const char *p = nullptr; VirtualQuery(p, &info, sizeof info) == sizeof info;
       p = static_cast<const char *>(info.BaseAddress) + info.RegionSize) {
    if (info.State != MEM_COMMIT || (info.Type != MEM_IMAGE && info.Type != MEM_MAPPED))
      continue;
    char name[MAX_PATH] = {};
    const size_t n = GetMappedFileNameA(GetCurrentProcess(), info.BaseAddress, name, MAX_PATH);
    if (n >= want && _stricmp(name + n - want, fileName) == 0)
      return true;
  }
  return false;
}

TEST_F(DaxExports, TheLanguageLibraryIsMappedOnlyWhileACallReadsIt) {
  // The observation itself: a data-file view of the library is seen, and its end too.
  HMODULE own = LoadLibraryExA("dax2enc.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(mappedHere("dax2enc.dll"));
  FreeLibrary(own);
  ASSERT_FALSE(mappedHere("dax2enc.dll"));

  ASSERT_EQ(daxInitialize("dax2enc.dll"), DAX_OK);
  ASSERT_EQ(analyze(kSample), 49);
  EXPECT_EQ(daxBeginProcessing(0, nullptr), DAX_OK);
  EXPECT_FALSE(mappedHere("dax2enc.dll"))
      << "after the release nothing is left for the unload to free";
  EXPECT_EQ(analyze(kSample), 49) << "mapped again when an analysis needs its labels";
  EXPECT_EQ(list().total, 49);
  EXPECT_FALSE(mappedHere("dax2enc.dll"));
  ASSERT_EQ(daxInitialize("dax2jpn.dll"), DAX_OK);
}

// ---- the camera corpus ----

// Expected texts: exiftool -n values rendered by the formatting rules by hand.
TEST_F(DaxExports, CameraFilesThroughTheFileApi) {
  const std::string canon = kCorpus + "\\jpg\\Canon_40D.jpg";
  const std::string kodak = kCorpus + "\\jpg\\exif-org\\kodak-dc210.jpg";
  if (!fileExists(canon) || !fileExists(kodak)) {
    std::printf("SKIP: corpus not found at %s\n", kCorpus.c_str());
    GTEST_SKIP();
  }
  ASSERT_EQ(analyze(canon), 50);
  Listing l = list();
  EXPECT_EQ(l.value(0, 272), "Canon EOS 40D");
  EXPECT_EQ(l.value(34665, 33434), "1/160 sec.");
  EXPECT_EQ(l.value(34665, 33437), "F7.1");
  EXPECT_EQ(l.value(34665, 37385), ansi("強制発光")); // Flash 9
  EXPECT_EQ(l.value(34665, 37121), "YCbCr");
  EXPECT_EQ(l.label(40965, 1), "0x0001") << "Interoperability labels are tag numbers";
  EXPECT_EQ(l.value(40965, 1), "R98");
  DAX_THUMBNAIL t{0, 0, nullptr};
  ASSERT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_100, &t), DAX_OK);
  EXPECT_EQ(t.size, 65535 + 1378); // ThumbnailLength

  ASSERT_GT(analyze(kodak), 0);
  ASSERT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_100, &t), DAX_OK);
  EXPECT_EQ(t.kind, 1);
  EXPECT_EQ(t.size, 65535 + 20736); // StripByteCounts
  l = list();
  EXPECT_EQ(l.value(0, 271), "Eastman Kodak Company");
}

void collectFiles(const std::string &folder, std::vector<std::string> &out) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == ".." || name.rfind("README", 0) == 0)
      continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      collectFiles(folder + "\\" + name, out);
    else
      out.push_back(folder + "\\" + name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

TEST_F(DaxExports, EveryCorpusFileEndsWithACodeAndAFullIteration) {
  std::vector<std::string> files;
  collectFiles(kCorpus, files);
  if (files.empty()) {
    std::printf("SKIP: corpus not found at %s\n", kCorpus.c_str());
    GTEST_SKIP();
  }
  int analysed = 0, refused = 0;
  for (const std::string &path : files) {
    const int r = analyze(path);
    if (r < 0) {
      EXPECT_TRUE(r == DAX_ERR_NO_EXIF || r == DAX_ERR_TIFF_HEADER) << path << ": " << r;
      ++refused;
      continue;
    }
    ++analysed;
    const Listing l = list();
    EXPECT_EQ(l.total, r) << path;
    EXPECT_EQ(static_cast<int>(l.items.size()), r) << path;
    if (r > 0) {
      EXPECT_EQ(l.last, DAX_LAST_ENTRY) << path;
    }
    DAX_THUMBNAIL t{0, 0, nullptr};
    const int thumb = daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_100, &t);
    EXPECT_TRUE(thumb == DAX_ERR_NO_THUMBNAIL || (thumb == DAX_OK && t.size > 65535)) << path;
  }
  std::printf("corpus: %zu files, %d analysed, %d without Exif\n", files.size(), analysed, refused);
  EXPECT_GT(analysed, 60);
}

} // namespace
