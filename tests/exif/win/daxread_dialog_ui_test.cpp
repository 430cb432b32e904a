// The file-open dialog of an analysis without a path, opened under Xvfb and answered from a second
// thread.
#include <windows.h>

#include "include/daxread.h"
#include "tests/support/dialog_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

using testutil::SeenDialog;
using testutil::Watchdog;

std::wstring wide(const char *utf8) {
  wchar_t w[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w, 512);
  return w;
}

// Runs an analysis without a path while a second thread looks at the dialog and answers it:
// with a path typed in and OK when choose is set, else with Cancel.
int runDialog(char (&buffer)[MAX_PATH], const std::string &choose, SeenDialog &seen) {
  std::thread answer([&] { testutil::answerFileDialog(choose, seen); });
  Watchdog watchdog(60);
  const int result = daxBeginProcessing(DAX_OP_ANALYZE | DAX_MOD_200, buffer);
  answer.join();
  return result;
}

class FileDialog : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_EQ(daxInitialize("dax2jpn.dll"), DAX_OK); }
  void SetUp() override {
    if (!testutil::canCreateWindows()) {
      std::printf("SKIP file dialog: no window can be created here (no display)\n");
      GTEST_SKIP();
    }
  }
};

TEST_F(FileDialog, CancellingGivesMinus100AndLeavesTheBufferAlone) {
  ASSERT_EQ(GetACP(), 932u);
  char buffer[MAX_PATH];
  std::memset(buffer, '#', sizeof buffer);
  buffer[MAX_PATH - 1] = '\0';
  SeenDialog seen;
  EXPECT_EQ(runDialog(buffer, "", seen), DAX_ERR_CANCELLED);
  ASSERT_TRUE(seen.found) << "no dialog appeared";
  EXPECT_EQ(buffer[0], '#');
  // The filter comes from string 65535 of the language library, split at each '|'.
  ASSERT_EQ(seen.types.size(), 2u);
  EXPECT_EQ(seen.types[0], wide("画像ファイル (*.jpg;*.jpeg;*.tif;*.tiff)"));
  EXPECT_EQ(seen.types[1], wide("すべてのファイル (*.*)"));
}

TEST_F(FileDialog, AChosenFileIsAnalysedAndItsPathReturned) {
  std::string sample = "Z:" + std::string(TOLM_SOURCE_DIR) + "/samples/sample.jpg";
  std::replace(sample.begin(), sample.end(), '/', '\\');
  char buffer[MAX_PATH] = {};
  SeenDialog seen;
  EXPECT_EQ(runDialog(buffer, sample, seen), 49);
  ASSERT_TRUE(seen.found) << "no dialog appeared";
  EXPECT_STRCASEEQ(buffer, sample.c_str());
  DAX_THUMBNAIL t{0, 0, nullptr};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_100, &t), DAX_OK)
      << "0x200 collected the thumbnail";
}

} // namespace
