// Tests of reading change logs back: logs of the real writer, and cut, long, foreign and miscounted
// ones.
#include "app/core/log_reader.h"

#include <gtest/gtest.h>

#include "app/core/apply.h"
#include "app/core/calendar_time.h"
#include "tests/app/core/fake_file_system.h"
#include "tests/app/core/memory_log_sink.h"

namespace tolm {
namespace {

using testing::at;
using testing::FakeFileSystem;
using testing::MemoryLogSink;

// "写真\表" in the system's Japanese code page: the second character's trail byte is a backslash.
const std::string kJapaneseFolder = "C:\\\x8e\xca\x90\x5e\\\x95\x5c";

class LogReaderTest : public ::testing::Test {
protected:
  FakeFileSystem fs;
  MemoryLogSink sink;
  CChangeLog log{sink, fs, "Ver. 3.1.4.15"};
  ApplyRequest request;

  // A folder walk of the editor over the folder and two files, one of which refuses its times.
  std::string editorLog(const std::string &folder, const std::string &name) {
    fs.addFolder(folder);
    fs.addFile(folder + "\\" + name, kAttrArchive);
    fs.addFile(folder + "\\b.txt", kAttrArchive | kAttrReadOnly);
    fs.at(folder + "\\" + name).creation = at(2019, 4, 5, 6, 7, 8);
    fs.at(folder + "\\" + name).update = at(2019, 4, 5, 6, 7, 9);
    fs.fail(FakeFileSystem::kSetTime, folder + "\\b.txt", {5, "Access is denied.\r\n"});
    request.target = folder;
    request.isFolder = 1;
    request.includeFiles = 1;
    request.newCreation = at(2025, 6, 1, 8, 30, 0);
    request.newUpdate = at(2025, 6, 2, 9, 45, 30);
    request.flags.readOnly = true;
    request.flags.archive = true;
    request.logTime = at(2026, 12, 7, 10, 11, 12);
    ApplyChanges(fs, log, request);
    return sink.text;
  }
};

TEST_F(LogReaderTest, AnEditorWalkReadsBackWithEveryValue) {
  const std::string text = editorLog("C:\\photos", "a.jpg");
  const LogReadResult read = ReadChangeLog(text);
  ASSERT_TRUE(read.ok) << read.problem << " at line " << read.line;
  const ChangeLogRecord &r = read.record;
  EXPECT_EQ(r.version, "Ver. 3.1.4.15");
  EXPECT_EQ(r.kind, LogKind::kEditor);
  EXPECT_TRUE(sameSecond(r.date, request.logTime));
  EXPECT_EQ(r.isFolder, 1);
  EXPECT_EQ(r.itemCount, 3);
  EXPECT_EQ(r.target(), "C:\\photos");
  ASSERT_EQ(r.items.size(), 3u);
  const LoggedItem &a = r.items[1];
  EXPECT_EQ(a.number, 2);
  EXPECT_EQ(a.path, "C:\\photos\\a.jpg");
  EXPECT_TRUE(sameSecond(a.creation.now, request.newCreation));
  EXPECT_TRUE(sameSecond(a.creation.before, at(2019, 4, 5, 6, 7, 8)));
  EXPECT_TRUE(sameSecond(a.update.before, at(2019, 4, 5, 6, 7, 9)));
  EXPECT_FALSE(a.creation.failed);
  ASSERT_TRUE(a.hasAttributes);
  EXPECT_EQ(a.attributes.before, kAttrArchive);
  EXPECT_EQ(a.attributes.now, kAttrArchive | kAttrReadOnly);
  EXPECT_TRUE(r.items[2].creation.failed);
  EXPECT_TRUE(r.items[2].update.failed);
  EXPECT_FALSE(r.items[2].attributes.failed);
  EXPECT_FALSE(r.searchFailed);
}

TEST_F(LogReaderTest, StepLinesWithoutSystemTextShareTheirLineAndAreStillRead) {
  fs.successText
      .clear(); // "Get FileTime (608) : Error Code = 0 " then the next line on the same line
  fs.addFile("C:\\x.jpg");
  request.target = "C:\\x.jpg";
  request.newCreation = request.newUpdate = at(2025, 1, 1, 0, 0, 0);
  ApplyChanges(fs, log, request);
  ASSERT_NE(sink.text.find("Error Code = 0 Set FileTime"), std::string::npos) << sink.text;
  const LogReadResult read = ReadChangeLog(sink.text);
  ASSERT_TRUE(read.ok) << read.problem;
  EXPECT_EQ(read.record.items.size(), 1u);
  EXPECT_EQ(read.record.items[0].creation.before.year, 0) << "an unread old time stays as written";
}

TEST_F(LogReaderTest, JapaneseAndLongestPathsReadBackByteForByte) {
  const std::string longName = std::string(254 - kJapaneseFolder.size() - 1, 'n');
  const std::string text = editorLog(kJapaneseFolder, longName);
  const std::string itemLine = "[2] " + kJapaneseFolder + "\\" + longName;
  ASSERT_EQ(itemLine.size(), 258u);
  ASSERT_NE(text.find(itemLine + "\r\n"), std::string::npos);
  const LogReadResult read = ReadChangeLog(text);
  ASSERT_TRUE(read.ok) << read.problem << " at line " << read.line;
  EXPECT_EQ(read.record.target(), kJapaneseFolder);
  EXPECT_EQ(read.record.items[1].path, kJapaneseFolder + "\\" + longName);
}

TEST_F(LogReaderTest, ALogCutAnywhereIsUnreadableAsAWhole) {
  const std::string text = editorLog("C:\\p", "a.jpg");
  for (size_t length = 0; length < text.size(); ++length) {
    const LogReadResult read = ReadChangeLog(std::string_view(text).substr(0, length));
    ASSERT_FALSE(read.ok) << "cut after " << length << " bytes";
    EXPECT_TRUE(read.record.items.empty()) << "never a part of the log";
  }
  EXPECT_TRUE(ReadChangeLog(text).ok);
}

TEST_F(LogReaderTest, WrongCountsAndOutOfOrderItemsAreRefused) {
  const std::string text = editorLog("C:\\p", "a.jpg");
  auto replaced = [&](const std::string &from, const std::string &to) {
    std::string copy = text;
    copy.replace(copy.find(from), from.size(), to);
    return copy;
  };
  EXPECT_FALSE(ReadChangeLog(replaced("Total Counts = 3", "Total Counts = 4")).ok);
  EXPECT_FALSE(ReadChangeLog(replaced("Total Counts = 3", "Total Counts = 2")).ok);
  EXPECT_FALSE(ReadChangeLog(replaced("Total Counts = 3", "Total Counts = -3")).ok);
  EXPECT_FALSE(ReadChangeLog(replaced("Total Counts = 3", "Total Counts = 99999999999")).ok);
  EXPECT_FALSE(ReadChangeLog(replaced("[2] ", "[3] ")).ok);
  EXPECT_FALSE(
      ReadChangeLog(replaced("Set FileTime and Attributes", "Set FileTime and Colours")).ok);
  EXPECT_FALSE(ReadChangeLog(replaced("Ver. 3.1.4.15", "Ver. 3.1.4")).ok);
  EXPECT_FALSE(ReadChangeLog(replaced("DATE = 2026/12/07", "DATE = 2026/12/7")).ok);
  EXPECT_FALSE(ReadChangeLog(replaced("2019/04/05 06:07:08", "2019/04/05 06:07:0x")).ok)
      << "a broken value";
  EXPECT_FALSE(ReadChangeLog(replaced("Attributes : 0x00000021", "Attributes : 0x0000002A")).ok);
  EXPECT_FALSE(ReadChangeLog(replaced("Writetime  : ", "Writetime : ")).ok)
      << "an item without its update line";
  EXPECT_FALSE(ReadChangeLog(replaced("Total Counts = 3\r\n\r\n", "Total Counts = 3\r\n")).ok)
      << "no empty line after the header";
  EXPECT_FALSE(ReadChangeLog(replaced("\r\n[2]", std::string("\r\n\0[2]", 6))).ok) << "a NUL byte";
  // An attribute line has no place in a log of times only.
  EXPECT_FALSE(ReadChangeLog(replaced("Set FileTime and Attributes", "Shift FileTime")).ok);
}

TEST_F(LogReaderTest, PathsLongerThanAPathBufferAreRefused) {
  const std::string text = editorLog("C:\\p", "a.jpg");
  std::string copy = text;
  const std::string from = "[2] C:\\p\\a.jpg";
  copy.replace(copy.find(from), from.size(), "[2] C:\\p\\" + std::string(kMaxLogPath - 4, 'a'));
  EXPECT_FALSE(ReadChangeLog(copy).ok);
  copy = text;
  copy.replace(copy.find(from), from.size(), "[2] C:\\p\\" + std::string(kMaxLogPath - 5, 'a'));
  EXPECT_TRUE(ReadChangeLog(copy).ok) << "exactly a path buffer less its terminator";
}

TEST_F(LogReaderTest, AFailedSearchIsALogWithNothingToUndo) {
  fs.addFolder("C:\\p");
  fs.addFile("C:\\p\\a.jpg");
  fs.forcedSearchResult = -3;
  request.target = "C:\\p";
  request.isFolder = 1;
  request.includeFiles = 1;
  ApplyChanges(fs, log, request);
  const LogReadResult read = ReadChangeLog(sink.text);
  ASSERT_TRUE(read.ok) << read.problem;
  EXPECT_TRUE(read.record.searchFailed);
  EXPECT_EQ(read.record.itemCount, 2);
  EXPECT_TRUE(read.record.items.empty());
}

TEST_F(LogReaderTest, RecognisesThisProgramsLogsByTheirFirstLine) {
  EXPECT_TRUE(looksLikeChangeLog(editorLog("C:\\p", "a.jpg")));
  EXPECT_FALSE(looksLikeChangeLog("n.orbit TOLM (Ver. 1.0.0.0"));
  EXPECT_FALSE(looksLikeChangeLog("some other temporary file\r\n"));
  EXPECT_FALSE(looksLikeChangeLog(""));
}

TEST(LogKindLines, EachKindWritesItsOwnSecondLine) {
  MemoryLogSink sink;
  testing::ScriptedErrorText errors;
  CChangeLog log(sink, errors, "Ver. 1.0.0.0");
  for (LogKind kind : {LogKind::kEditor, LogKind::kDateTaken, LogKind::kShift, LogKind::kUndo}) {
    sink.text.clear();
    LogHeader header;
    header.kind = kind;
    ASSERT_EQ(log.Begin(header), 0);
    log.End();
    const LogReadResult read = ReadChangeLog(sink.text);
    ASSERT_TRUE(read.ok) << read.problem;
    EXPECT_EQ(read.record.kind, kind);
  }
  EXPECT_STREQ(logKindLine(LogKind::kEditor), "Set FileTime and Attributes");
  EXPECT_STREQ(logKindLine(LogKind::kDateTaken), "Set FileTime from EXIF");
  EXPECT_STREQ(logKindLine(LogKind::kShift), "Shift FileTime");
}

} // namespace
} // namespace tolm
