// The apply road end to end on Windows: the real kelsys.dll walks a real tree, the times and
// attributes land on disk, and the change log is a "TOZ" temporary file.
#include "app/win/apply_win.h"

#include "tests/app/core/memory_log_sink.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using testutil::ScratchDir;
using tolm::testing::at;

struct ZoneSetUp {
  ZoneSetUp() { testutil::useSystemTimeZone(); }
} g_zone;

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ApplyOnWindows : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_NE(kelsys.module(), nullptr); }
  tolm::SystemTime updateTimeOf(const std::string &path) {
    tolm::SystemTime creation, update;
    EXPECT_EQ(
        fs.operateFileTime(tolm::kTimeGetCreationAndUpdate, path, &creation, nullptr, &update), 0);
    return update;
  }
  CKelsysLibrary kelsys;
  CKelsysFileSystem fs{kelsys};
  CTempFileLogSink sink{kelsys};
  ScratchDir dir;
};

TEST_F(ApplyOnWindows, AFolderTreeGetsItsTimesAndAttributesAndALog) {
  const std::string sub = dir.folder("sub");
  const std::string a = dir.file("a.txt", "a");
  const std::string b = dir.file("sub\\b.txt", "b");
  tolm::CChangeLog log(sink, fs, "Ver. 1.0.0.1");
  tolm::ApplyRequest request;
  request.target = dir.path();
  request.isFolder = 1;
  request.includeFiles = 1;
  request.includeSubfolders = 1;
  request.newCreation = at(2001, 2, 3, 4, 5, 6);
  request.newUpdate = at(2011, 12, 13, 14, 15, 16);
  request.flags.readOnly = true;
  request.flags.archive = true;
  request.logTime = at(2024, 1, 2, 3, 4, 5);
  const tolm::ApplyOutcome outcome = tolm::ApplyChanges(fs, log, request);
  EXPECT_TRUE(outcome.walked);
  EXPECT_FALSE(outcome.showBox);
  EXPECT_EQ(outcome.processed, 4u) << "the folder, a.txt, sub and sub\\b.txt";
  for (const std::string &item : {dir.path(), a, sub, b}) {
    const tolm::SystemTime t = updateTimeOf(item);
    EXPECT_EQ(t.year, 2011) << item;
    EXPECT_EQ(t.second, 16) << item;
    uint32_t word = 0;
    ASSERT_EQ(fs.getAttributes(item, &word), 0);
    if (word & tolm::kAttrDirectory) {
      if (!(word & tolm::kAttrReadOnly))
        std::printf("SKIP read-only folder %s: this platform keeps no such attribute on folders\n",
                    item.c_str());
    } else {
      EXPECT_TRUE(word & tolm::kAttrReadOnly) << item;
    }
  }

  ASSERT_FALSE(sink.Path().empty());
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  EXPECT_EQ(sink.Path().rfind(std::string(temp) + "TOZ", 0), 0u) << sink.Path();
  const std::string text = readFile(sink.Path());
  EXPECT_EQ(text.rfind("n.orbit TOLM (Ver. 1.0.0.1)\r\nSet FileTime and Attributes\r\n"
                       "DATE = 2024/01/02 03:04:05\r\n",
                       0),
            0u)
      << text.substr(0, 200);
  EXPECT_NE(text.find("Total Counts = 4\r\n\r\n"), std::string::npos);
  EXPECT_NE(text.find("] " + b + "\r\n"), std::string::npos);
  EXPECT_NE(text.find("Writetime  : 2011/12/13 14:15:16 <- "), std::string::npos);
  EXPECT_EQ(text.find(" ?\r\n"), std::string::npos) << "nothing failed";
  DeleteFileA(sink.Path().c_str());
}

TEST_F(ApplyOnWindows, WithoutTheLogSettingNoTemporaryFileIsMade) {
  const std::string a = dir.file("only.txt", "x");
  tolm::CChangeLog log(sink, fs, "Ver. 1.0.0.1");
  tolm::ApplyRequest request;
  request.target = a;
  request.logFile = 0;
  request.newCreation = at(2005, 5, 5, 5, 5, 5);
  request.newUpdate = at(2006, 6, 6, 6, 6, 6);
  tolm::ApplyChanges(fs, log, request);
  EXPECT_TRUE(sink.Path().empty());
  EXPECT_EQ(updateTimeOf(a).year, 2006);
}

} // namespace
