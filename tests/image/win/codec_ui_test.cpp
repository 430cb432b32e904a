// The codec service after an open dialog that was cancelled with no image alive: it must be
// stopped by the call itself, since stopping it while the library unloads is forbidden.
#include <windows.h>

#include "image/win/codec_service.h"
#include "image/win/live_records.h"
#include "include/vopimg.h"
#include "tests/support/dialog_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace {

class CodecAfterDialog : public ::testing::Test {
protected:
  void SetUp() override {
    if (!testutil::canCreateWindows()) {
      std::printf(
          "SKIP codec service after a dialog: no window can be created here (no display)\n");
      GTEST_SKIP();
    }
  }
};

// Shows the open dialog through `load` and cancels it; the load must give null.
template <typename Load> void cancelOpenDialog(Load load) {
  char name[MAX_PATH] = "untouched";
  testutil::SeenDialog seen;
  std::thread cancel([&] { testutil::answerFileDialog("", seen); });
  {
    testutil::Watchdog watchdog(60);
    EXPECT_EQ(load(VOP_LOAD_DIALOG, name), nullptr);
  }
  cancel.join();
  ASSERT_TRUE(seen.found) << "no dialog appeared";
}

TEST_F(CodecAfterDialog, ACancelledOpenDialogWithNoImageAliveLeavesNoCodecServiceRunning) {
  ASSERT_EQ(vopwin::liveRecordCount(), 0);
  cancelOpenDialog(vopLoadImage);
  EXPECT_FALSE(vopwin::codecsRunning()) << "the dialog's decoder list started it";
}

DWORD WINAPI unloadLibrary(void *library) {
  return FreeLibrary(static_cast<HMODULE>(library)) ? 0 : 1;
}

TEST_F(CodecAfterDialog, TheLibraryUnloadsPromptlyAfterACancelledDialog) {
  HMODULE library = LoadLibraryA("vopimg.dll");
  if (library == nullptr) {
    std::printf("SKIP prompt unload: vopimg.dll is not on the search path\n");
    GTEST_SKIP();
  }
  using LoadFn = VOP_IMAGE(VOP_API *)(uint32_t, char *);
  const auto load =
      reinterpret_cast<LoadFn>(reinterpret_cast<void *>(GetProcAddress(library, "vopLoadImage")));
  ASSERT_NE(load, nullptr);
  cancelOpenDialog(load);
  HANDLE unloading = CreateThread(nullptr, 0, unloadLibrary, library, 0, nullptr);
  ASSERT_NE(unloading, nullptr);
  EXPECT_EQ(WaitForSingleObject(unloading, 20000), WAIT_OBJECT_0) << "FreeLibrary hangs";
  CloseHandle(unloading);
}

} // namespace
