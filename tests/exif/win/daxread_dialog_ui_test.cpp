// The file-open dialog of an analysis without a path, opened under Xvfb and answered from a second thread.
#include <windows.h>

#include "include/daxread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Ends the whole program when the dialog does not close in time: a stuck modal dialog must
// fail the run, not hang it.
class Watchdog {
public:
  explicit Watchdog(int seconds) {
    thread_ = std::thread([this, seconds] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
        std::fprintf(stderr, "FAILED: the file dialog did not close within %d s\n", seconds);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
      }
    });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }

private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread thread_;
};

BOOL CALLBACK findDialog(HWND w, LPARAM data) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (pid == GetCurrentProcessId() && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
    *reinterpret_cast<HWND *>(data) = w;
    return FALSE;
  }
  return TRUE;
}

HWND waitForDialog(int seconds) {
  for (int waited = 0; waited < seconds * 1000; waited += 100) {
    HWND dialog = nullptr;
    EnumWindows(findDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog != nullptr)
      return dialog;
    Sleep(100);
  }
  return nullptr;
}

constexpr int kFileTypeCombo = 0x470;  // cmb1 of the common dialog template
constexpr int kFileNameCombo = 0x47C;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1

struct Seen {
  bool found = false;
  std::vector<std::wstring> types; // the file-type list, from the filter
};

std::wstring wide(const char *utf8) {
  wchar_t w[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w, 512);
  return w;
}

// Runs an analysis without a path while a second thread looks at the dialog and answers it:
// with a path typed in and OK when choose is set, else with Cancel.
int runDialog(char (&buffer)[MAX_PATH], const std::string &choose, Seen &seen) {
  std::thread answer([&] {
    HWND dialog = waitForDialog(30);
    if (dialog == nullptr)
      return;
    seen.found = true;
    Sleep(300); // let the dialog fill its controls
    HWND types = GetDlgItem(dialog, kFileTypeCombo);
    const int count = types ? static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
      wchar_t text[512] = {};
      SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      seen.types.push_back(text);
    }
    if (choose.empty()) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    for (int id : {kFileNameCombo, kFileNameEdit})
      if (GetDlgItem(dialog, id) != nullptr)
        SetDlgItemTextA(dialog, id, choose.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    // Should the dialog refuse the name, cancel it rather than wait for the watchdog.
    for (int waited = 0; waited < 5000 && IsWindow(dialog); waited += 100)
      Sleep(100);
    if (IsWindow(dialog))
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  Watchdog watchdog(60);
  const int result = daxBeginProcessing(DAX_OP_ANALYZE | DAX_MOD_200, buffer);
  answer.join();
  return result;
}

// Whether this process can show a window at all (not without a display).
bool canCreateWindows() {
  HWND probe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  if (probe == nullptr)
    return false;
  DestroyWindow(probe);
  return true;
}

class FileDialog : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_EQ(daxInitialize("dax2jpn.dll"), DAX_OK); }
  void SetUp() override {
    if (!canCreateWindows()) {
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
  Seen seen;
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
  Seen seen;
  EXPECT_EQ(runDialog(buffer, sample, seen), 49);
  ASSERT_TRUE(seen.found) << "no dialog appeared";
  EXPECT_STRCASEEQ(buffer, sample.c_str());
  DAX_THUMBNAIL t{0, 0, nullptr};
  EXPECT_EQ(daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_100, &t), DAX_OK) << "0x200 collected the thumbnail";
}

} // namespace
