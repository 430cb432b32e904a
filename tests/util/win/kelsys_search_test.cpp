// kelsys.dll's directory search on real trees under Wine: filter, order, callback and list file.
#include <windows.h>

#include "include/kelsys.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using testutil::ScratchDir;
using testutil::wide;
using Names = std::set<std::string>;

// What the callback saw, in order.
struct Collector {
  std::string root; // paths are kept relative to it; the root itself is "."
  std::vector<std::string> paths;
  std::vector<uint32_t> attributes;
  size_t stopAt = 0;       // return 0 on this call (1-based); 0: never stop
  std::string listToProbe; // when set, the list file's sharing is probed on the first call
  bool othersCouldWrite = false, othersCouldRead = false, probed = false;
  bool badRecordPointers = false;
};

// The caller's record: the library's two fields followed by the caller's own data.
struct CollectRecord {
  KEL_SEARCH_CALLBACK callback;
  uintptr_t userValue;
  Collector *collector;
};
static_assert(offsetof(CollectRecord, collector) == offsetof(KEL_SEARCH_RECORD, data),
              "the caller's data begins where the library's record ends");
constexpr uintptr_t kUserValue = 0xC0FFEE;

std::string relative(const std::string &root, const std::string &path) {
  if (path == root)
    return ".";
  if (path.compare(0, root.size() + 1, root + "\\") == 0)
    return path.substr(root.size() + 1);
  return "OUTSIDE:" + path;
}

int KEL_API collect(void *data, const char *path, uint32_t attributes, uintptr_t userValue) {
  Collector *c = *static_cast<Collector **>(data);
  if (userValue != kUserValue)
    c->badRecordPointers = true;
  c->paths.push_back(relative(c->root, path));
  c->attributes.push_back(attributes);
  if (!c->listToProbe.empty() && !c->probed) {
    c->probed = true;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE w = CreateFileA(c->listToProbe.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    c->othersCouldWrite = w != INVALID_HANDLE_VALUE;
    if (w != INVALID_HANDLE_VALUE)
      CloseHandle(w);
    HANDLE r = CreateFileA(c->listToProbe.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    c->othersCouldRead = r != INVALID_HANDLE_VALUE;
    if (r != INVALID_HANDLE_VALUE)
      CloseHandle(r);
  }
  return c->stopAt != 0 && c->paths.size() == c->stopAt ? 0 : 1;
}

struct Outcome {
  int result;
  Collector seen;
  Names names() const { return Names(seen.paths.begin(), seen.paths.end()); }
};

Outcome search(int flags, const std::string &root, const char *pattern, const char *list = nullptr,
               size_t stopAt = 0) {
  Outcome run{};
  run.seen.root = root;
  run.seen.stopAt = stopAt;
  CollectRecord record{collect, kUserValue, &run.seen};
  run.result = kelSearchDirectory(flags, root.c_str(), pattern, list,
                                  reinterpret_cast<KEL_SEARCH_RECORD *>(&record));
  EXPECT_FALSE(run.seen.badRecordPointers) << "the user value came back changed";
  return run;
}

bool exists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string readAll(const std::string &path) {
  std::string bytes;
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return "<missing>";
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
    bytes.append(chunk, got);
  CloseHandle(h);
  return bytes;
}

void setAttributes(const std::string &path, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
}

// A tree with every kind of item the filter tells apart:
//   a.txt b.jpg n.txt(no archive) h.txt(hidden) r.txt(read-only) s.txt(system)
//   sub\ c.txt d.jpg deep\ e.txt     hid\(hidden) f.txt     x.jpg\ g.jpg k.txt
class SearchTree : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char *name : {"a.txt", "b.jpg", "n.txt", "h.txt", "r.txt", "s.txt"})
      dir.file(name, name);
    dir.folder("sub");
    dir.file("sub\\c.txt");
    dir.file("sub\\d.jpg");
    dir.folder("sub\\deep");
    dir.file("sub\\deep\\e.txt");
    dir.folder("hid");
    dir.file("hid\\f.txt");
    dir.folder("x.jpg");
    dir.file("x.jpg\\g.jpg");
    dir.file("x.jpg\\k.txt");
    setAttributes(dir.join("n.txt"), FILE_ATTRIBUTE_NORMAL);
    setAttributes(dir.join("h.txt"), FILE_ATTRIBUTE_HIDDEN);
    setAttributes(dir.join("r.txt"), FILE_ATTRIBUTE_READONLY);
    setAttributes(dir.join("s.txt"), FILE_ATTRIBUTE_SYSTEM);
    setAttributes(dir.join("hid"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  }
  // Wine reports the archive attribute on every file, whatever was set.
  bool archiveEverywhere() const {
    return (GetFileAttributesA(dir.join("n.txt").c_str()) & FILE_ATTRIBUTE_ARCHIVE) != 0;
  }
  ScratchDir dir;
};

// ---- the attribute filter on a real tree -------------------------------------------------

TEST_F(SearchTree, HiddenItemsAreLeftOutButHiddenFoldersAreStillEntered) {
  Outcome flat = search(0x502, dir.path(), "*.*");
  EXPECT_EQ(flat.result, 0);
  EXPECT_EQ(flat.names(), (Names{".", "a.txt", "b.jpg", "n.txt", "r.txt", "sub", "x.jpg"}));

  Outcome deep = search(0x503, dir.path(), "*.*");
  EXPECT_EQ(deep.result, 0);
  EXPECT_EQ(deep.names(), (Names{".", "a.txt", "b.jpg", "n.txt", "r.txt", "sub", "sub\\c.txt",
                                 "sub\\d.jpg", "sub\\deep", "sub\\deep\\e.txt", "hid\\f.txt",
                                 "x.jpg", "x.jpg\\g.jpg", "x.jpg\\k.txt"}));
  EXPECT_EQ(deep.seen.paths.size(), deep.names().size()) << "nothing is reported twice";
}

TEST_F(SearchTree, ArchiveFlagAloneReportsPlainFilesAndNoFolders) {
  Outcome run = search(0x100, dir.path(), "*.*");
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.names(), (Names{"a.txt", "b.jpg", "n.txt"}))
      << "n.txt has no archive attribute and is reported all the same";
}

TEST_F(SearchTree, EachAcceptFlagLetsItsOwnAttributeThrough) {
  EXPECT_EQ(search(0x900, dir.path(), "*.*").names(), (Names{"a.txt", "b.jpg", "n.txt", "s.txt"}));
  EXPECT_EQ(search(0x500, dir.path(), "*.*").names(), (Names{"a.txt", "b.jpg", "n.txt", "r.txt"}));
  EXPECT_EQ(search(0x301, dir.path(), "*.*").names(),
            (Names{"a.txt", "b.jpg", "n.txt", "h.txt", "sub\\c.txt", "sub\\d.jpg",
                   "sub\\deep\\e.txt", "hid\\f.txt", "x.jpg\\g.jpg", "x.jpg\\k.txt"}));
  // The attribute word handed to the callback is the item's own.
  Outcome all = search(0xF03, dir.path(), "*.*");
  for (size_t i = 0; i < all.seen.paths.size(); ++i) {
    const DWORD own = GetFileAttributesA(dir.join(all.seen.paths[i]).c_str());
    if (all.seen.paths[i] != ".") {
      EXPECT_EQ(all.seen.attributes[i], own) << all.seen.paths[i];
    }
  }
  EXPECT_EQ(all.seen.paths.size(), 17u) << "the start folder, 12 files and 4 folders";
}

TEST_F(SearchTree, NoAcceptFlagsReportOnlyItemsWithoutFilteredAttributes) {
  Outcome run = search(0x001, dir.path(), "*.*");
  EXPECT_EQ(run.result, 0);
  if (archiveEverywhere()) {
    std::printf(
        "SKIP unfiltered files: this platform reports the archive attribute on every file\n");
    EXPECT_EQ(run.names(), Names{});
  } else {
    EXPECT_EQ(run.names(), Names{"n.txt"});
  }
}

TEST_F(SearchTree, AStartFolderThatFailsTheFilterIsLeftOutButSearched) {
  setAttributes(dir.path(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  Names names = search(0x502, dir.path(), "*.*").names();
  EXPECT_EQ(names.count("."), 0u);
  EXPECT_EQ(names.count("a.txt"), 1u);
  EXPECT_EQ(search(0x702, dir.path(), "*.*").names().count("."), 1u);
  // Without bit 0x002 the start folder is never reported.
  EXPECT_EQ(search(0xF01, dir.path(), "*.*").names().count("."), 0u);
}

// ---- patterns -------------------------------------------------------------------------------

TEST_F(SearchTree, APatternAlsoDecidesWhichSubfoldersAreEntered) {
  EXPECT_EQ(search(0xF01, dir.path(), "*.jpg").names(), (Names{"b.jpg", "x.jpg\\g.jpg"}))
      << "sub\\d.jpg lies in a folder whose name does not match";
  EXPECT_EQ(search(0xF03, dir.path(), "*.jpg").names(),
            (Names{".", "b.jpg", "x.jpg", "x.jpg\\g.jpg"}));
  EXPECT_EQ(search(0xF03, dir.path(), "?.txt").names(),
            (Names{".", "a.txt", "n.txt", "h.txt", "r.txt", "s.txt"}));
  EXPECT_EQ(search(0xF01, dir.path(), "none.*").names(), Names{});
}

// ---- order ---------------------------------------------------------------------------------

TEST_F(SearchTree, TheWalkIsDepthFirstWithEachFolderBeforeItsContents) {
  const std::vector<std::string> order = search(0xF03, dir.path(), "*.*").seen.paths;
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), ".");
  for (size_t i = 1; i < order.size(); ++i) {
    const std::string prefix = order[i] + "\\";
    std::vector<size_t> inside;
    for (size_t j = 0; j < order.size(); ++j)
      if (order[j].compare(0, prefix.size(), prefix) == 0)
        inside.push_back(j);
    for (size_t k = 0; k < inside.size(); ++k)
      EXPECT_EQ(inside[k], i + 1 + k) << order[i] << "'s contents must follow it without a gap";
  }
}

// ---- callback and list file ----------------------------------------------------------------

TEST_F(SearchTree, TheListFileHoldsEveryReportedPathWithCrLfInCallbackOrder) {
  const std::string list = dir.join("out.lst");
  dir.file("out.lst", "old contents that must disappear, much longer than anything else\r\n");
  Outcome run{};
  run.seen.root = dir.path();
  run.seen.listToProbe = list;
  CollectRecord record{collect, kUserValue, &run.seen};
  run.result = kelSearchDirectory(0x503, dir.path().c_str(), "*.txt", list.c_str(),
                                  reinterpret_cast<KEL_SEARCH_RECORD *>(&record));
  ASSERT_EQ(run.result, 0);
  std::string expected;
  for (const std::string &p : run.seen.paths)
    expected += (p == "." ? dir.path() : dir.join(p)) + "\r\n";
  EXPECT_EQ(readAll(list), expected);
  EXPECT_EQ(run.names(), (Names{".", "a.txt", "n.txt", "r.txt"}))
      << "no folder name matches *.txt, and out.lst does not either";
  EXPECT_TRUE(run.seen.probed);
  EXPECT_FALSE(run.seen.othersCouldWrite) << "nobody else may write the list while it grows";
  EXPECT_TRUE(run.seen.othersCouldRead);
}

TEST_F(SearchTree, AListFileWorksWithoutACallback) {
  const std::string list = dir.join("plain.lst");
  KEL_SEARCH_RECORD none{};
  EXPECT_EQ(kelSearchDirectory(0x100, dir.path().c_str(), "*.jpg", list.c_str(), &none), 0);
  EXPECT_EQ(readAll(list), dir.join("b.jpg") + "\r\n");
  EXPECT_EQ(kelSearchDirectory(0x100, dir.path().c_str(), "*.jpg", list.c_str(), nullptr), 0);
  EXPECT_EQ(readAll(list), dir.join("b.jpg") + "\r\n");
}

TEST_F(SearchTree, ACallbackReturningZeroAtTheThirdFileStopsAtOnce) {
  const std::string list = dir.join("stop.lst");
  Outcome run = search(0xF01, dir.path(), "*.*", list.c_str(), 3);
  EXPECT_EQ(run.result, KEL_STOPPED);
  ASSERT_EQ(run.seen.paths.size(), 3u) << "no call after the stop";
  std::string expected;
  for (const std::string &p : run.seen.paths)
    expected += dir.join(p) + "\r\n";
  EXPECT_EQ(readAll(list), expected) << "the list keeps what was found up to the stop";
}

TEST_F(SearchTree, AStopInsideASubfolderEndsTheWholeSearch) {
  Outcome all = search(0xF03, dir.path(), "*.*");
  // Stop at the first item found inside a subfolder, wherever the platform's order puts it.
  size_t first = 0;
  for (size_t i = 0; i < all.seen.paths.size() && first == 0; ++i)
    if (all.seen.paths[i].find('\\') != std::string::npos)
      first = i + 1;
  ASSERT_NE(first, 0u);
  Outcome run = search(0xF03, dir.path(), "*.*", nullptr, first);
  EXPECT_EQ(run.result, KEL_STOPPED);
  EXPECT_EQ(run.seen.paths.size(), first);
}

TEST_F(SearchTree, AStopAtTheStartFolderKeepsAnEmptyList) {
  const std::string list = dir.join("start.lst");
  Outcome run = search(0x502, dir.path(), "*.*", list.c_str(), 1);
  EXPECT_EQ(run.result, KEL_STOPPED);
  EXPECT_EQ(run.seen.paths, std::vector<std::string>{"."});
  EXPECT_EQ(readAll(list), "");
}

TEST_F(SearchTree, AListWithNothingInItIsDeleted) {
  const std::string list = dir.join("empty.lst");
  dir.file("empty.lst", "stale");
  Outcome run = search(0xF01, dir.path(), "*.none", list.c_str());
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(run.seen.paths.empty());
  EXPECT_FALSE(exists(list));
  // Items there, but none passes the filter.
  setAttributes(dir.join("h.txt"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(search(0x100, dir.path(), "h.txt", list.c_str()).result, 0);
  EXPECT_FALSE(exists(list));
}

TEST_F(SearchTree, AListFileThatCannotBeCreatedStopsBeforeTheSearch) {
  for (const std::string &list : {dir.join("missing\\x.lst"), dir.join("sub"), std::string()}) {
    Outcome run = search(0xF03, dir.path(), "*.*", list.c_str());
    EXPECT_EQ(run.result, KEL_ERR_LIST_FILE) << list;
    EXPECT_TRUE(run.seen.paths.empty()) << "nothing is searched";
  }
  // Another program writes the list and shares nothing.
  const std::string held = dir.file("held.lst");
  HANDLE h = CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(search(0xF03, dir.path(), "*.*", held.c_str()).result, KEL_ERR_LIST_FILE);
  CloseHandle(h);
}

// ---- arguments ----------------------------------------------------------------------------

TEST_F(SearchTree, NullFolderOrPatternIsRefusedBeforeTheListIsCreated) {
  const std::string list = dir.join("never.lst");
  EXPECT_EQ(kelSearchDirectory(0xF03, nullptr, "*.*", list.c_str(), nullptr), -1);
  EXPECT_EQ(kelSearchDirectory(0xF03, dir.path().c_str(), nullptr, list.c_str(), nullptr), -1);
  EXPECT_FALSE(exists(list));
}

TEST_F(SearchTree, AMissingStartFolderIsReportedOnlyWhenEverythingIsAccepted) {
  const std::string list = dir.join("miss.lst");
  Outcome run = search(0x703, dir.join("nowhere"), "*.*", list.c_str());
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(run.seen.paths.empty()) << "the unreadable start folder carries the system bit";
  EXPECT_FALSE(exists(list));
  // Accepting every attribute lets its unreadable word (all bits set) through: the caller
  // learns of the item and fails on it when it touches it.
  Outcome all = search(0xF03, dir.join("nowhere"), "*.*", list.c_str());
  EXPECT_EQ(all.result, 0);
  ASSERT_EQ(all.seen.paths.size(), 1u);
  EXPECT_TRUE(exists(list));
}

// ---- names and lengths the narrow interface cannot carry -----------------------------------

bool makeFolderW(const std::wstring &path) {
  return CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr) != 0;
}
bool makeFileW(const std::wstring &path) {
  HANDLE h = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(h);
  return true;
}

TEST(SearchLimits, PathsPastTheLimitAreSkippedAndNeverOverrun) {
  ScratchDir dir;
  const std::wstring root = wide(dir.path());
  ASSERT_LT(root.size(), 120u);
  // A: its path is 200 bytes. In it: a short file, a file whose path is 270 bytes, and a folder B
  // whose own path (257 bytes) fits but whose search pattern would not; z.txt lies in B.
  const std::wstring a = root + L"\\" + std::wstring(200 - root.size() - 1, L'a');
  const std::wstring longFile = a + L"\\" + std::wstring(69, L'l');
  const std::wstring b = a + L"\\" + std::wstring(56, L'b');
  // ScratchDir's narrow removal cannot reach the long names: they are taken away here.
  struct LongNames {
    std::wstring b, longFile;
    ~LongNames() {
      DeleteFileW((L"\\\\?\\" + b + L"\\z.txt").c_str());
      RemoveDirectoryW((L"\\\\?\\" + b).c_str());
      DeleteFileW((L"\\\\?\\" + longFile).c_str());
    }
  } cleanup{b, longFile};
  ASSERT_TRUE(makeFolderW(a));
  ASSERT_TRUE(makeFileW(a + L"\\f.txt"));
  if (!makeFileW(longFile) || !makeFolderW(b) || !makeFileW(b + L"\\z.txt")) {
    std::printf("SKIP paths past 260 bytes: this platform cannot create them\n");
    GTEST_SKIP();
  }
  ASSERT_EQ(b.size(), 257u);
  const std::string aName(200 - dir.path().size() - 1, 'a');
  const std::string bName(56, 'b');
  const std::string list = dir.join("long.lst");
  Outcome run = search(0xF03, dir.path(), "*.*", list.c_str());
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.names(), (Names{".", aName, aName + "\\f.txt", aName + "\\" + bName, "long.lst"}))
      << "the long file and everything in B are passed over";
  for (const std::string &p : run.seen.paths)
    EXPECT_LT(dir.join(p).size(), 260u);
  const std::string listed = readAll(list);
  EXPECT_EQ(listed.find("lll"), std::string::npos);
  EXPECT_EQ(listed.find("z.txt"), std::string::npos);
}

TEST(SearchLimits, AStartFolderWhoseSearchPatternCannotFitIsRefused) {
  ScratchDir dir;
  const std::string list = dir.join("refused.lst");
  const std::string tooLong(300, 'x');
  EXPECT_EQ(kelSearchDirectory(0xF03, tooLong.c_str(), "*.*", list.c_str(), nullptr), -1);
  const std::string justOver = "C:\\" + std::string(253, 'y'); // 256 + "\\*.*" + NUL = 261
  EXPECT_EQ(kelSearchDirectory(0xF03, justOver.c_str(), "*.*", list.c_str(), nullptr), -1);
  EXPECT_EQ(kelSearchDirectory(0xF03, "C:\\Windows", std::string(300, '*').c_str(), list.c_str(),
                               nullptr),
            -1);
  EXPECT_FALSE(exists(list));
  // One byte shorter fits: searched (nothing there), no error.
  const std::string fits = "C:\\" + std::string(252, 'y');
  EXPECT_EQ(kelSearchDirectory(0xF03, fits.c_str(), "*.*", list.c_str(), nullptr), 0);
}

TEST(SearchNames, ANameTheCodePageCannotCarryComesWithAnUnreadableWord) {
  ScratchDir dir;
  dir.file("plain.txt");
  if (!makeFileW(wide(dir.path()) + L"\\\xD55C.txt")) {
    std::printf("SKIP unrepresentable names: the file could not be created\n");
    GTEST_SKIP();
  }
  // Its narrow name names no file, so its attributes cannot be read: the word has every bit
  // set, which only a search accepting every attribute lets through.
  Outcome strict = search(0x703, dir.path(), "*.*");
  EXPECT_EQ(strict.result, 0);
  EXPECT_EQ(strict.names(), (Names{".", "plain.txt"}));
  Outcome all = search(0xF03, dir.path(), "*.*");
  EXPECT_EQ(all.result, 0);
  EXPECT_EQ(all.names().size(), 3u);
  DeleteFileW((L"\\\\?\\" + wide(dir.path()) + L"\\\xD55C.txt").c_str());
}

TEST(SearchNames, DoubleByteNamesEndingInA5CByteAreWalked) {
  if (GetACP() != 932) {
    std::printf("SKIP double-byte names: the ANSI code page is %u, not 932\n", GetACP());
    GTEST_SKIP();
  }
  ScratchDir dir;
  const std::string hyo = "\x95\x5C"; // a kanji whose second byte is a backslash
  dir.folder(hyo);
  dir.file(hyo + "\\a.txt", "x");
  dir.folder(hyo + "\\\x83\x5C");
  dir.file(hyo + "\\\x83\x5C\\b.txt", "y");
  Outcome run = search(0xF03, dir.path(), "*.*");
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.names(),
            (Names{".", hyo, hyo + "\\a.txt", hyo + "\\\x83\x5C", hyo + "\\\x83\x5C\\b.txt"}));
}

} // namespace
