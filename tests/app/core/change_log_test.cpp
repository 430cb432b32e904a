// Tests of the change log's lines: exact bytes, the " ?" marks, the system-text forms, closed logs.
#include "app/core/change_log.h"

#include <gtest/gtest.h>

#include "tests/app/core/memory_log_sink.h"

namespace tolm {
namespace {

using testing::at;
using testing::MemoryLogSink;
using testing::ScriptedErrorText;

class ChangeLogTest : public ::testing::Test {
protected:
  MemoryLogSink sink;
  ScriptedErrorText errors;
  CChangeLog log{sink, errors, "Ver. 2.1.0.7"};

  void open() {
    LogHeader header;
    header.itemCount = 1;
    ASSERT_EQ(log.Begin(header), 0);
    sink.text.clear();
    sink.writes.clear();
  }
};

TEST(VersionText, JoinsTheFourPartsWithDots) {
  FileVersion v;
  EXPECT_EQ(versionText(v), "Ver. 0.0.0.0");
  v = {1, 20, 300, 4000};
  EXPECT_EQ(versionText(v), "Ver. 1.20.300.4000");
}

TEST_F(ChangeLogTest, HeaderHasFiveLinesEndingInAnEmptyLine) {
  LogHeader header;
  header.itemCount = 42;
  header.logTime = at(2026, 3, 9, 7, 5, 1);
  header.logTime.dayOfWeek = 1;
  header.logTime.milliseconds = 999;
  header.isFolder = 1;
  header.includeSubfolders = 0;
  header.systemFile = 5; // a registry value other than 1 is written as it is
  header.hiddenFile = 1;
  EXPECT_EQ(log.Begin(header), 0);
  EXPECT_TRUE(log.IsOpen());
  EXPECT_EQ(sink.text,
            "n.orbit TOLM (Ver. 2.1.0.7)\r\n"
            "Set FileTime and Attributes\r\n"
            "DATE = 2026/03/09 07:05:01\r\n"
            "DirectoryYes = 1 : SubdirectoryYes = 0 : SystemFileYes = 5 : HiddenFileYes = 1\r\n"
            "Total Counts = 42\r\n\r\n");
  // Each line goes out in one write of its own.
  ASSERT_EQ(sink.writes.size(), 5u);
  EXPECT_EQ(sink.writes[4], "Total Counts = 42\r\n\r\n");
  EXPECT_EQ(errors.asked, 0);
}

TEST_F(ChangeLogTest, StepLineEndsWithSystemTextThenSuffix) {
  open();
  errors.queue = {"The operation completed successfully.\r\n", "Access is denied.\r\n"};
  log.WriteStep(0, 602, "File Search", "");
  log.WriteStep(-6000, 603, "File Search", "\r\n");
  EXPECT_EQ(sink.text,
            "File Search (602) : Error Code = 0 The operation completed successfully.\r\n"
            "File Search (603) : Error Code = -6000 Access is denied.\r\n\r\n");
  EXPECT_EQ(errors.asked, 2);
}

TEST_F(ChangeLogTest, StepLineWithoutSystemTextKeepsTheBlankAndHasNoLineEndOfItsOwn) {
  open();
  log.WriteStep(-1, 604, "Get FileTime", "");
  log.WriteStep(-201, 603, "File Search", "\r\n");
  EXPECT_EQ(sink.text,
            "Get FileTime (604) : Error Code = -1 File Search (603) : Error Code = -201 \r\n");
}

TEST_F(ChangeLogTest, TimeResultWithoutSystemTextEndsTheFirstLineAfterABlank) {
  open();
  log.WriteTimeResult(3, 609, at(1, 2, 3, 4, 5, 6), at(1, 2, 3, 4, 5, 6), at(1, 2, 3, 4, 5, 6),
                      at(1, 2, 3, 4, 5, 6));
  EXPECT_EQ(sink.text, "Set FileTime (609) : Error Code = 3 \r\n"
                       "Createtime : 0001/02/03 04:05:06 <- 0001/02/03 04:05:06 ?\r\n"
                       "Writetime  : 0001/02/03 04:05:06 <- 0001/02/03 04:05:06 ?\r\n");
}

TEST_F(ChangeLogTest, AttributeResultUsesEightLowerCaseHexDigits) {
  open();
  errors.queue = {"OK.\r\n", "", "Denied.\r\n"};
  log.WriteAttributeResult(0, 611, 0x2A, 0xABCDEF10);
  log.WriteAttributeResult(0, 607, 0x10, 0x30);
  log.WriteAttributeResult(-1, 607, 0xFFFFFFDB, 0xFFFFFFFF);
  EXPECT_EQ(sink.text, "Set Attributes (611) : Error Code = 0 OK.\r\n"
                       "Attributes : 0x0000002a <- 0xabcdef10\r\n"
                       "Set Attributes (607) : Error Code = 0\r\n" // no blank without a system text
                       "Attributes : 0x00000010 <- 0x00000030\r\n"
                       "Set Attributes (607) : Error Code = -1 Denied.\r\n"
                       "Attributes : 0xffffffdb <- 0xffffffff ?\r\n");
}

TEST_F(ChangeLogTest, AClosedLogWritesNothingAndAsksForNoSystemText) {
  log.WriteItem(1, "C:\\x");
  log.WriteStep(0, 608, "Get FileTime", "");
  log.WriteTimeResult(0, 609, SystemTime{}, SystemTime{}, SystemTime{}, SystemTime{});
  log.WriteAttributeResult(0, 611, 0, 0);
  open();
  log.End();
  log.WriteItem(2, "C:\\y");
  EXPECT_TRUE(sink.writes.empty());
  EXPECT_EQ(errors.asked, 0);
  EXPECT_FALSE(log.IsOpen());
  EXPECT_EQ(sink.closes, 1);
}

TEST_F(ChangeLogTest, ALogThatCannotBeOpenedStaysClosed) {
  sink.refuseOpen = true;
  EXPECT_EQ(log.Begin(LogHeader{}), -1);
  EXPECT_FALSE(log.IsOpen());
  log.WriteItem(1, "C:\\x");
  log.End();
  EXPECT_TRUE(sink.writes.empty());
  EXPECT_EQ(sink.closes, 0);
}

TEST_F(ChangeLogTest, AFailedWriteIsReportedByBeginButLaterLinesAreStillWritten) {
  sink.failWrites = 1; // the first header line is lost
  EXPECT_EQ(log.Begin(LogHeader{}), -1);
  EXPECT_TRUE(log.IsOpen());
  log.WriteItem(1, "C:\\x");
  EXPECT_EQ(sink.writes.size(), 6u);
  EXPECT_EQ(sink.text.rfind("Set FileTime and Attributes\r\n", 0), 0u);
  EXPECT_NE(sink.text.find("[1] C:\\x\r\n"), std::string::npos);
}

TEST(ChangeLogLifetime, DestroyingAnOpenLogClosesItsSinkOnce) {
  MemoryLogSink sink;
  ScriptedErrorText errors;
  {
    CChangeLog log(sink, errors, "Ver. 0.0.0.0");
    ASSERT_EQ(log.Begin(LogHeader{}), 0);
  }
  EXPECT_EQ(sink.closes, 1);
  EXPECT_FALSE(sink.isOpen);
}

} // namespace
} // namespace tolm
