// Driving this process's own common dialogs from a second thread: find the dialog, read its
// file-type list, type a name and press OK or Cancel, with a watchdog against a stuck dialog.
#pragma once
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testutil {

// Ends the whole program when the dialog does not close in time: a stuck modal dialog must
// fail the run, not hang it.
class Watchdog {
public:
  explicit Watchdog(int seconds) {
    m_thread = std::thread([this, seconds] {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (!m_cv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; })) {
        std::fprintf(stderr, "FAILED: the dialog did not close within %d s\n", seconds);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
      }
    });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_done = true;
    }
    m_cv.notify_all();
    m_thread.join();
  }
  Watchdog(const Watchdog &) = delete;
  Watchdog &operator=(const Watchdog &) = delete;

private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_done = false;
  std::thread m_thread;
};

inline BOOL CALLBACK findOwnDialog(HWND w, LPARAM data) {
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

// The first visible dialog of this process, polled for up to `seconds`; null when none came.
inline HWND waitForDialog(int seconds) {
  for (int waited = 0; waited < seconds * 1000; waited += 100) {
    HWND dialog = nullptr;
    EnumWindows(findOwnDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog != nullptr)
      return dialog;
    Sleep(100);
  }
  return nullptr;
}

constexpr int kFileTypeCombo = 0x470; // cmb1 of the common dialog template
constexpr int kFileNameCombo = 0x47C; // cmb13
constexpr int kFileNameEdit = 0x480;  // edt1

struct SeenDialog {
  bool found = false;
  std::vector<std::wstring> types; // the file-type list, from the filter
};

// Answers the next file dialog of this process: types `choose` and presses OK, or presses
// Cancel when choose is empty; with `typeIndex` >= 0 that file type is selected first.
inline void answerFileDialog(const std::string &choose, SeenDialog &seen, int typeIndex = -1) {
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
  if (typeIndex >= 0 && types != nullptr) {
    SendMessageW(types, CB_SETCURSEL, typeIndex, 0);
    // A user's pick sends both notifications; dialogs act on either.
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeCombo, code),
                   reinterpret_cast<LPARAM>(types));
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
}

// Whether this process can show a window at all (not without a display).
inline bool canCreateWindows() {
  HWND probe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  if (probe == nullptr)
    return false;
  DestroyWindow(probe);
  return true;
}

} // namespace testutil
