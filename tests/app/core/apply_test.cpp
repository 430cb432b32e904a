// Tests of applying times and attributes: the single item, the folder walk, its limit and its log.
#include "app/core/apply.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/app/core/fake_file_system.h"
#include "tests/app/core/memory_log_sink.h"

namespace tolm {
namespace {

using testing::at;
using testing::FakeFileSystem;
using testing::MemoryLogSink;
using Strings = std::vector<std::string>;

bool sameTime(const SystemTime &a, const SystemTime &b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

class ApplyTest : public ::testing::Test {
protected:
  FakeFileSystem fs;
  MemoryLogSink sink;
  CChangeLog log{sink, fs, "Ver. 1.0.0.0"};
  ApplyRequest request;

  void SetUp() override {
    request.newCreation = at(2025, 6, 1, 8, 30, 0);
    request.newUpdate = at(2025, 6, 2, 9, 45, 30);
    request.logTime = at(2026, 12, 7, 10, 11, 12);
  }

  void addFile(const std::string &path, uint32_t attributes, SystemTime creation,
               SystemTime update) {
    fs.addFile(path, attributes);
    fs.at(path).creation = creation;
    fs.at(path).update = update;
  }

  ApplyOutcome apply() { return ApplyChanges(fs, log, request); }
};

// The log's head for one item, written at the fixture's clock with no walk settings.
constexpr char kOneItemHeader[] =
    "n.orbit TOLM (Ver. 1.0.0.0)\r\n"
    "Set FileTime and Attributes\r\n"
    "DATE = 2026/12/07 10:11:12\r\n"
    "DirectoryYes = 0 : SubdirectoryYes = 0 : SystemFileYes = 0 : HiddenFileYes = 0\r\n"
    "Total Counts = 1\r\n"
    "\r\n";

// ---- the single item --------------------------------------------------------------------

TEST_F(ApplyTest, SingleFileSuccessWritesTheWholeLogWithoutMarks) {
  addFile("C:\\photos\\a.jpg", 0x20, at(2020, 1, 2, 3, 4, 5), at(2021, 2, 3, 4, 5, 6));
  request.target = "C:\\photos\\a.jpg";
  request.flags.readOnly = true;
  request.flags.archive = true;

  const ApplyOutcome outcome = apply();

  EXPECT_EQ(sink.text,
            std::string(kOneItemHeader) +
                "[1] C:\\photos\\a.jpg\r\n"
                "Get FileTime (608) : Error Code = 0 The operation completed successfully.\r\n"
                "Set FileTime (609) : Error Code = 0 The operation completed successfully.\r\n"
                "Createtime : 2025/06/01 08:30:00 <- 2020/01/02 03:04:05\r\n"
                "Writetime  : 2025/06/02 09:45:30 <- 2021/02/03 04:05:06\r\n"
                "Get Attributer (610) : Error Code = 0 The operation completed successfully.\r\n"
                "Set Attributes (611) : Error Code = 0 The operation completed successfully.\r\n"
                "Attributes : 0x00000021 <- 0x00000020\r\n");
  EXPECT_EQ(sink.opens, 1);
  EXPECT_EQ(sink.closes, 1);
  EXPECT_FALSE(log.IsOpen());
  EXPECT_FALSE(outcome.walked);
  EXPECT_FALSE(outcome.showBox);
  EXPECT_EQ(outcome.processed, 1u);
  EXPECT_EQ(outcome.failedItems, 0u);
  const FakeFileSystem::Item &item = fs.at("C:\\photos\\a.jpg");
  EXPECT_TRUE(sameTime(item.creation, request.newCreation));
  EXPECT_TRUE(sameTime(item.update, request.newUpdate));
  EXPECT_EQ(item.attributes, 0x21u);
}

TEST_F(ApplyTest, RefusedTimeWriteIsMarkedAndTheAttributesAreStillWritten) {
  addFile("C:\\d\\ro.txt", 0x21, at(2019, 7, 8, 9, 10, 11), at(2019, 7, 8, 9, 10, 12));
  fs.fail(FakeFileSystem::kSetTime, "C:\\d\\ro.txt", {-1, "Access is denied.\r\n"});
  fs.successText = "OK.\r\n";
  request.target = "C:\\d\\ro.txt";
  request.flags.archive = true; // read-only cleared

  const ApplyOutcome outcome = apply();

  EXPECT_EQ(sink.text, std::string(kOneItemHeader) +
                           "[1] C:\\d\\ro.txt\r\n"
                           "Get FileTime (608) : Error Code = 0 OK.\r\n"
                           "Set FileTime (609) : Error Code = -1 Access is denied.\r\n"
                           "Createtime : 2025/06/01 08:30:00 <- 2019/07/08 09:10:11 ?\r\n"
                           "Writetime  : 2025/06/02 09:45:30 <- 2019/07/08 09:10:12 ?\r\n"
                           "Get Attributer (610) : Error Code = 0 OK.\r\n"
                           "Set Attributes (611) : Error Code = 0 OK.\r\n"
                           "Attributes : 0x00000020 <- 0x00000021\r\n");
  EXPECT_FALSE(outcome.showBox); // a failed write is only recorded
  EXPECT_EQ(outcome.failedItems, 1u);
  EXPECT_TRUE(sameTime(fs.at("C:\\d\\ro.txt").creation, at(2019, 7, 8, 9, 10, 11)));
  EXPECT_EQ(fs.at("C:\\d\\ro.txt").attributes, 0x20u);
}

TEST_F(ApplyTest, FolderWithoutItsFilesChangesOnlyTheFolderItself) {
  fs.addFolder("C:\\top", 0x10);
  addFile("C:\\top\\a.txt", 0x20, SystemTime{}, SystemTime{});
  request.target = "C:\\top";
  request.isFolder = 1;
  request.includeFiles = 0;
  request.includeSubfolders = 1;
  request.flags.hidden = true;

  const ApplyOutcome outcome = apply();

  EXPECT_FALSE(outcome.walked);
  EXPECT_EQ(fs.timesWritten(), Strings{"C:\\top"});
  EXPECT_EQ(fs.at("C:\\top").attributes, 0x12u);
  EXPECT_EQ(fs.at("C:\\top\\a.txt").attributes, 0x20u);
  EXPECT_EQ(fs.searchFlags, -1); // no search at all
  EXPECT_NE(sink.text.find(
                "DirectoryYes = 1 : SubdirectoryYes = 1 : SystemFileYes = 0 : HiddenFileYes = 0\r\n"
                "Total Counts = 1\r\n\r\n[1] C:\\top\r\nGet FileTime (608)"),
            std::string::npos);
}

TEST_F(ApplyTest, UnreadableAttributesAreNotWrittenBackAndTheLogMarksThem) {
  addFile("C:\\odd.txt", 0x20, SystemTime{}, SystemTime{});
  fs.fail(FakeFileSystem::kGetAttributes, "C:\\odd.txt", {-1, "Sharing violation.\r\n"});
  request.target = "C:\\odd.txt";
  request.flags.archive = true;

  const ApplyOutcome outcome = apply();

  EXPECT_EQ(fs.attributesWritten(), Strings{});
  EXPECT_EQ(fs.at("C:\\odd.txt").attributes, 0x20u);
  EXPECT_EQ(outcome.failedItems, 1u);
  const std::string tail = "Get Attributer (610) : Error Code = -1 Sharing violation.\r\n"
                           "Set Attributes (611) : Error Code = -1 Sharing violation.\r\n"
                           "Attributes : 0xfffffff8 <- 0xffffffff ?\r\n";
  ASSERT_GE(sink.text.size(), tail.size());
  EXPECT_EQ(sink.text.substr(sink.text.size() - tail.size()), tail);
}

TEST_F(ApplyTest, WithoutTheLogSettingNothingIsOpenedAndOldTimesAreNotRead) {
  addFile("C:\\a.txt", 0x20, SystemTime{}, SystemTime{});
  request.target = "C:\\a.txt";
  request.logFile = 0;
  request.flags.system = true;

  apply();

  EXPECT_EQ(sink.opens, 0);
  EXPECT_TRUE(sink.writes.empty());
  EXPECT_EQ(fs.calls, (Strings{"setTime C:\\a.txt", "getAttr C:\\a.txt", "setAttr C:\\a.txt"}));
  EXPECT_EQ(fs.at("C:\\a.txt").attributes, 0x04u); // archive unchecked, system checked
}

TEST_F(ApplyTest, ALogThatCannotBeOpenedDoesNotStopTheApply) {
  addFile("C:\\a.txt", 0x20, SystemTime{}, SystemTime{});
  request.target = "C:\\a.txt";
  sink.refuseOpen = true;
  apply();
  EXPECT_TRUE(sink.writes.empty());
  EXPECT_EQ(fs.timesWritten(), Strings{"C:\\a.txt"});
  EXPECT_EQ(fs.attributesWritten(), Strings{"C:\\a.txt"});
}

// ---- the folder walk --------------------------------------------------------------------

TEST_F(ApplyTest, FolderTreeWalkWritesEveryItemInSearchOrderWithItsLog) {
  fs.successText = "OK\r\n";
  fs.addFolder("C:\\top", 0x10);
  fs.at("C:\\top").creation = at(2010, 1, 1, 0, 0, 0);
  fs.at("C:\\top").update = at(2011, 1, 1, 0, 0, 0);
  fs.addFolder("C:\\top\\sub", 0x10);
  fs.at("C:\\top\\sub").creation = at(2010, 1, 1, 0, 0, 0);
  fs.at("C:\\top\\sub").update = at(2011, 1, 1, 0, 0, 0);
  addFile("C:\\top\\sub\\b.txt", 0x21, at(2012, 5, 6, 7, 8, 9), at(2013, 10, 11, 12, 13, 14));
  fs.fail(FakeFileSystem::kSetAttributes, "C:\\top\\sub", {-1, "Access is denied.\r\n"});
  request.target = "C:\\top";
  request.isFolder = 1;
  request.includeFiles = 1;
  request.includeSubfolders = 1;
  request.flags.archive = true;

  const ApplyOutcome outcome = apply();

  EXPECT_EQ(fs.searchFlags, 0x503);
  EXPECT_EQ(fs.searchPattern, "*.*");
  EXPECT_EQ(sink.text,
            "n.orbit TOLM (Ver. 1.0.0.0)\r\n"
            "Set FileTime and Attributes\r\n"
            "DATE = 2026/12/07 10:11:12\r\n"
            "DirectoryYes = 1 : SubdirectoryYes = 1 : SystemFileYes = 0 : HiddenFileYes = 0\r\n"
            "Total Counts = 3\r\n"
            "\r\n"
            "File Search (602) : Error Code = 0 OK\r\n"
            "File Search (603) : Error Code = 0 OK\r\n"
            "\r\n"
            "[1] C:\\top\r\n"
            "Get FileTime (604) : Error Code = 0 OK\r\n"
            "Set FileTime (605) : Error Code = 0 OK\r\n"
            "Createtime : 2025/06/01 08:30:00 <- 2010/01/01 00:00:00\r\n"
            "Writetime  : 2025/06/02 09:45:30 <- 2011/01/01 00:00:00\r\n"
            "Get Attributes (606) : Error Code = 0 OK\r\n"
            "Set Attributes (607) : Error Code = 0 OK\r\n"
            "Attributes : 0x00000030 <- 0x00000010\r\n"
            "[2] C:\\top\\sub\r\n"
            "Get FileTime (604) : Error Code = 0 OK\r\n"
            "Set FileTime (605) : Error Code = 0 OK\r\n"
            "Createtime : 2025/06/01 08:30:00 <- 2010/01/01 00:00:00\r\n"
            "Writetime  : 2025/06/02 09:45:30 <- 2011/01/01 00:00:00\r\n"
            "Get Attributes (606) : Error Code = 0 OK\r\n"
            "Set Attributes (607) : Error Code = -1 Access is denied.\r\n"
            "Attributes : 0x00000030 <- 0x00000010 ?\r\n"
            "[3] C:\\top\\sub\\b.txt\r\n"
            "Get FileTime (604) : Error Code = 0 OK\r\n"
            "Set FileTime (605) : Error Code = 0 OK\r\n"
            "Createtime : 2025/06/01 08:30:00 <- 2012/05/06 07:08:09\r\n"
            "Writetime  : 2025/06/02 09:45:30 <- 2013/10/11 12:13:14\r\n"
            "Get Attributes (606) : Error Code = 0 OK\r\n"
            "Set Attributes (607) : Error Code = 0 OK\r\n"
            "Attributes : 0x00000020 <- 0x00000021\r\n");
  EXPECT_TRUE(outcome.walked);
  EXPECT_EQ(outcome.searchResult, 0);
  EXPECT_FALSE(outcome.showBox);
  EXPECT_EQ(outcome.processed, 3u);
  EXPECT_EQ(outcome.failedItems, 1u); // one refusal does not stop the walk
  EXPECT_EQ(sink.closes, 1);
}

TEST_F(ApplyTest, EachWalkedItemIsFinishedBeforeTheNextBegins) {
  fs.addFolder("C:\\top");
  fs.addFile("C:\\top\\a");
  fs.addFile("C:\\top\\b");
  request.target = "C:\\top";
  request.isFolder = 1;
  request.includeFiles = 1;
  apply();
  EXPECT_EQ(fs.calls,
            (Strings{"search C:\\top", "getTime C:\\top", "setTime C:\\top", "getAttr C:\\top",
                     "setAttr C:\\top", "getTime C:\\top\\a", "setTime C:\\top\\a",
                     "getAttr C:\\top\\a", "setAttr C:\\top\\a", "getTime C:\\top\\b",
                     "setTime C:\\top\\b", "getAttr C:\\top\\b", "setAttr C:\\top\\b"}));
  EXPECT_FALSE(fs.accessRecordPassed); // the access time is never part of a write

  fs.calls.clear();
  request.logFile = 0;
  apply();
  EXPECT_EQ(fs.calls,
            (Strings{"search C:\\top", "setTime C:\\top", "getAttr C:\\top", "setAttr C:\\top",
                     "setTime C:\\top\\a", "getAttr C:\\top\\a", "setAttr C:\\top\\a",
                     "setTime C:\\top\\b", "getAttr C:\\top\\b", "setAttr C:\\top\\b"}));
  EXPECT_EQ(sink.opens, 1); // only the first apply had a log
}

// A folder with hidden and system items at the top and inside a hidden and a system subfolder.
class WalkSettingsTest : public ApplyTest {
protected:
  void SetUp() override {
    ApplyTest::SetUp();
    fs.addFolder("C:\\w", 0x10);
    fs.addFile("C:\\w\\plain.txt", 0x20);
    fs.addFile("C:\\w\\hidden.txt", 0x22);
    fs.addFile("C:\\w\\system.txt", 0x24);
    fs.addFile("C:\\w\\ro.txt", 0x01);
    fs.addFile("C:\\w\\hs.txt", 0x26);
    fs.addFolder("C:\\w\\hdir", 0x12);
    fs.addFile("C:\\w\\hdir\\in.txt", 0x20);
    fs.addFolder("C:\\w\\sdir", 0x14);
    fs.addFile("C:\\w\\sdir\\in.txt", 0x00);
    request.target = "C:\\w";
    request.isFolder = 1;
    request.includeFiles = 1;
    request.includeSubfolders = 1;
  }
};

TEST_F(WalkSettingsTest, NeitherHiddenNorSystemItemsAreChangedByDefault) {
  apply();
  EXPECT_EQ(fs.searchFlags, 0x503);
  // Hidden and system folders are still entered; only their own attributes keep them out.
  EXPECT_EQ(fs.timesWritten(), (Strings{"C:\\w", "C:\\w\\plain.txt", "C:\\w\\ro.txt",
                                        "C:\\w\\hdir\\in.txt", "C:\\w\\sdir\\in.txt"}));
  EXPECT_EQ(fs.attributesWritten(), fs.timesWritten());
  EXPECT_EQ(fs.at("C:\\w\\hidden.txt").attributes, 0x22u);
}

TEST_F(WalkSettingsTest, HiddenSettingAddsHiddenItemsOnly) {
  request.hiddenFile = 1;
  apply();
  EXPECT_EQ(fs.searchFlags, 0x703);
  EXPECT_EQ(fs.timesWritten(),
            (Strings{"C:\\w", "C:\\w\\plain.txt", "C:\\w\\hidden.txt", "C:\\w\\ro.txt",
                     "C:\\w\\hdir", "C:\\w\\hdir\\in.txt", "C:\\w\\sdir\\in.txt"}));
}

TEST_F(WalkSettingsTest, SystemSettingAddsSystemItemsOnly) {
  request.systemFile = 1;
  apply();
  EXPECT_EQ(fs.searchFlags, 0xD03);
  EXPECT_EQ(fs.timesWritten(),
            (Strings{"C:\\w", "C:\\w\\plain.txt", "C:\\w\\system.txt", "C:\\w\\ro.txt",
                     "C:\\w\\hdir\\in.txt", "C:\\w\\sdir", "C:\\w\\sdir\\in.txt"}));
}

TEST_F(WalkSettingsTest, BothSettingsChangeEveryItemAndTheFlagsClearWhatIsUnchecked) {
  request.hiddenFile = 1;
  request.systemFile = 1;
  request.flags.readOnly = true; // hidden, system and archive cleared everywhere
  apply();
  EXPECT_EQ(fs.searchFlags, 0xF03);
  EXPECT_EQ(fs.timesWritten(),
            (Strings{"C:\\w", "C:\\w\\plain.txt", "C:\\w\\hidden.txt", "C:\\w\\system.txt",
                     "C:\\w\\ro.txt", "C:\\w\\hs.txt", "C:\\w\\hdir", "C:\\w\\hdir\\in.txt",
                     "C:\\w\\sdir", "C:\\w\\sdir\\in.txt"}));
  for (const auto &[path, item] : fs.items) {
    EXPECT_EQ(item.attributes, item.folder ? 0x11u : 0x01u) << path;
    EXPECT_TRUE(sameTime(item.update, request.newUpdate)) << path;
  }
  EXPECT_NE(sink.text.find("SystemFileYes = 1 : HiddenFileYes = 1\r\nTotal Counts = 10\r\n"),
            std::string::npos);
}

TEST_F(WalkSettingsTest, WithoutSubfoldersOnlyTheDirectChildrenAreChanged) {
  request.hiddenFile = 1;
  request.systemFile = 1;
  request.includeSubfolders = 0;
  apply();
  EXPECT_EQ(fs.searchFlags, 0xF02);
  EXPECT_EQ(fs.timesWritten(),
            (Strings{"C:\\w", "C:\\w\\plain.txt", "C:\\w\\hidden.txt", "C:\\w\\system.txt",
                     "C:\\w\\ro.txt", "C:\\w\\hs.txt", "C:\\w\\hdir", "C:\\w\\sdir"}));
  EXPECT_NE(sink.text.find("DirectoryYes = 1 : SubdirectoryYes = 0 :"), std::string::npos);
}

TEST_F(ApplyTest, AFailedSearchChangesNothingAndAsksForTheExclamationBox) {
  fs.addFolder("C:\\top");
  fs.addFile("C:\\top\\a.txt");
  fs.forcedSearchResult = -1;
  fs.successText = "";
  request.target = "C:\\top";
  request.isFolder = 1;
  request.includeFiles = 1;

  const ApplyOutcome outcome = apply();

  ASSERT_TRUE(outcome.showBox);
  EXPECT_EQ(outcome.box.flags, 48u);
  EXPECT_EQ(outcome.box.code, -1);
  EXPECT_EQ(outcome.processed, 0u);
  EXPECT_EQ(fs.calls, Strings{"search C:\\top"});
  EXPECT_EQ(sink.text,
            "n.orbit TOLM (Ver. 1.0.0.0)\r\n"
            "Set FileTime and Attributes\r\n"
            "DATE = 2026/12/07 10:11:12\r\n"
            "DirectoryYes = 1 : SubdirectoryYes = 0 : SystemFileYes = 0 : HiddenFileYes = 0\r\n"
            "Total Counts = 2\r\n"
            "\r\n"
            "File Search (602) : Error Code = -1 File Search (603) : Error Code = 0 \r\n");
  EXPECT_EQ(sink.closes, 1);
}

// ---- the limit of 3000 items ------------------------------------------------------------

class WalkLimitTest : public ApplyTest {
protected:
  // The folder C:\big with n files f0000, f0001, ...; the search reports the folder first.
  void makeFolder(int files) {
    fs.addFolder("C:\\big");
    for (int i = 0; i < files; ++i)
      fs.addFile(fileName(i));
    request.target = "C:\\big";
    request.isFolder = 1;
    request.includeFiles = 1;
    request.flags.readOnly = true;
  }
  static std::string fileName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "C:\\big\\f%04d", i);
    return name;
  }
};

TEST_F(WalkLimitTest, MoreThan3000ItemsChangeTheFirst3000ThenTheInformationBox) {
  makeFolder(3005); // 3006 items with the folder
  const ApplyOutcome outcome = apply();

  EXPECT_EQ(outcome.searchResult, kKelStopped);
  ASSERT_TRUE(outcome.showBox);
  EXPECT_EQ(outcome.box.flags, 64u);
  EXPECT_EQ(outcome.box.code, -5003);
  const Strings written = fs.attributesWritten();
  ASSERT_EQ(written.size(), 3000u);
  EXPECT_EQ(written.front(), "C:\\big");
  EXPECT_EQ(written.back(), fileName(2998));
  EXPECT_EQ(fs.timesWritten(), written);
  EXPECT_EQ(fs.at(fileName(2998)).attributes, 0x01u);
  for (int i = 2999; i < 3005; ++i)
    EXPECT_EQ(fs.at(fileName(i)).attributes, 0x20u) << i;
  // The box comes after every collected item was written.
  EXPECT_EQ(fs.calls.back(), "setAttr " + fileName(2998));
  EXPECT_NE(sink.text.find("Total Counts = 3000\r\n"), std::string::npos);
  EXPECT_NE(sink.text.find("File Search (602) : Error Code = -201 "), std::string::npos);
  EXPECT_NE(sink.text.find("[3000] " + fileName(2998) + "\r\n"), std::string::npos);
  EXPECT_EQ(sink.text.find("[3001]"), std::string::npos);
}

TEST_F(WalkLimitTest, Exactly3000ItemsAreAllChangedAndStillShowTheBox) {
  makeFolder(2999);
  const ApplyOutcome outcome = apply();
  EXPECT_EQ(fs.attributesWritten().size(), 3000u);
  ASSERT_TRUE(outcome.showBox);
  EXPECT_EQ(outcome.box.code, -5003);
}

TEST_F(WalkLimitTest, FewerThan3000ItemsShowNoBox) {
  makeFolder(2998);
  request.logFile = 0;
  const ApplyOutcome outcome = apply();
  EXPECT_EQ(outcome.searchResult, 0);
  EXPECT_EQ(fs.attributesWritten().size(), 2999u);
  EXPECT_FALSE(outcome.showBox);
  EXPECT_EQ(sink.opens, 0);
}

// ---- the pieces of the walk ---------------------------------------------------------------

TEST(WalkJudgement, AFullTableIsOnlyGoodWhenItStoppedTheSearch) {
  EXPECT_TRUE(walkSucceeded(0, 0, false));
  EXPECT_FALSE(walkSucceeded(-1, 0, false));
  EXPECT_FALSE(walkSucceeded(-201, 0, false)); // stopped by something other than the limit
  EXPECT_FALSE(walkSucceeded(0, kWalkOutOfMemory, false));
  EXPECT_FALSE(walkSucceeded(-201, kWalkOutOfMemory, false));
  EXPECT_TRUE(walkSucceeded(-201, 0, true));
  EXPECT_FALSE(walkSucceeded(0, 0, true)); // a search that ignored the stop
  EXPECT_FALSE(walkSucceeded(-200, 0, true));
  EXPECT_FALSE(walkSucceeded(-201, kWalkOutOfMemory, true));
}

TEST(NameTableTest, KeepsTheItemThatFillsItThenRefusesMore) {
  NameTable table;
  for (size_t i = 1; i < NameTable::kCapacity; ++i)
    ASSERT_EQ(table.onFound("C:\\x", 0), 1) << i;
  EXPECT_EQ(table.onFound("C:\\last", 0), 0);
  EXPECT_TRUE(table.IsFull());
  // A search that goes on regardless must not grow the table past its capacity.
  EXPECT_EQ(table.onFound("C:\\extra", 0), 0);
  EXPECT_EQ(table.Paths().size(), NameTable::kCapacity);
  EXPECT_EQ(table.Paths().back(), "C:\\last");
  EXPECT_EQ(table.WalkError(), 0);
}

TEST(NameTableTest, ANullPathIsPassedOver) {
  NameTable table;
  EXPECT_EQ(table.onFound(nullptr, 0x20), 1);
  EXPECT_TRUE(table.Paths().empty());
}

TEST(SearchCallback, WithoutAContextTheSearchIsStopped) {
  EXPECT_EQ(dispatchFoundItem(0, "C:\\a", 0x20), 0);
  NameTable table;
  EXPECT_EQ(dispatchFoundItem(reinterpret_cast<uintptr_t>(static_cast<SearchVisitor *>(&table)),
                              "C:\\a", 0x20),
            1);
  EXPECT_EQ(table.Paths(), Strings{"C:\\a"});
}

TEST(AttributeFlags, SetOrClearTheFourBitsAndKeepTheRest) {
  AttributeFlags none;
  AttributeFlags all{true, true, true, true};
  EXPECT_EQ(applyAttributeFlags(0xFFFFFFFFu, none), 0xFFFFFFD8u);
  EXPECT_EQ(applyAttributeFlags(0x00000010u, all), 0x00000037u);
  EXPECT_EQ(applyAttributeFlags(0x00004827u, none), 0x00004800u); // encrypted and compressed stay
  AttributeFlags archiveOnly;
  archiveOnly.archive = true;
  EXPECT_EQ(applyAttributeFlags(0x00000007u, archiveOnly), 0x00000020u);
}

} // namespace
} // namespace tolm
