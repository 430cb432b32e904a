// Opens TOLM.exe on a target and saves a picture of its dialog on one of its tabs, or of the
// date and attribute editor opened from it, cut to the window. Run by scripts/screenshots.sh
// under Xvfb.
//
//   tolm_screenshot_driver <program folder> <f|d|e> <target> <png path on Linux> [what [list]]
//
// what: editor; tab1, tab2 (the second or third tab); erase with the path of an erase list to
// type into the extended-delete page; datetools (the date tools with their preview of a folder
// tree); history with a temporary folder for the program (the date tools' preview applied,
// then the history with the log just written chosen).
#include <windows.h>
#include <commctrl.h>

#include "tests/support/ui_driver.h"

#include <cstdio>
#include <string>

using namespace testutil;

namespace {

// The screen stops changing once everything is painted.
bool settled(const RECT &area) {
  std::vector<uint32_t> last = screenPixels(area);
  int calm = 0;
  return waitUntil(
      [&] {
        std::vector<uint32_t> now = screenPixels(area);
        calm = now == last ? calm + 1 : 0;
        last = std::move(now);
        return calm >= 10;
      },
      30000);
}

// ImageMagick reads the X screen; the picture appears under its name only once complete.
bool saveScreen(const RECT &area, const std::string &png) {
  DeleteFileA(("Z:" + png).c_str());
  char crop[64];
  std::snprintf(crop, sizeof crop, "%ldx%ld+%ld+%ld", area.right - area.left,
                area.bottom - area.top, area.left, area.top);
  const std::string part = png + ".part.png";
  if (!startUnixProgram("/bin/sh -c \"import -window root -crop " + std::string(crop) +
                        " +repage '" + part + "' && mv '" + part + "' '" + png + "'\""))
    return false;
  return waitUntil(
      [&] { return GetFileAttributesA(("Z:" + png).c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s <program folder> <f|d|e> <target> <png> [what [list]]\n",
                 argv[0]);
    return 2;
  }
  const std::string what = argc > 5 ? argv[5] : "";
  const bool editor = what == "editor";
  const bool dateTools = what == "datetools" || what == "history";
  // The history lists the logs of the program's temporary folder: one of its own, so that the
  // picture shows only the log this run writes.
  if (what == "history" && argc > 6) {
    SetEnvironmentVariableA("TMP", argv[6]);
    SetEnvironmentVariableA("TEMP", argv[6]);
  }
  ProgramRun run(argv[1], "TOLM.exe", std::string("/") + argv[2] + " \"" + argv[3] + "\"");
  HWND dialog =
      run.waitForWindow([](HWND w) { return FindWindowExW(w, nullptr, WC_TABCONTROLW, nullptr); });
  if (dialog == nullptr) {
    std::fprintf(stderr, "the property dialog did not open\n");
    return 1;
  }
  HWND shown = dialog;
  if (what == "tab1" || what == "tab2") {
    // As a user would with the keyboard: the dialog switches pages on the tab's notification.
    HWND tabs = FindWindowExW(dialog, nullptr, WC_TABCONTROLW, nullptr);
    const int tab = what == "tab1" ? 1 : 2;
    for (int i = 0; i < tab; ++i)
      PostMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 0);
    if (!waitUntil([&] { return SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == tab; })) {
      std::fprintf(stderr, "the tab did not change\n");
      return 1;
    }
  }
  if (what == "erase" && argc > 6) {
    HWND page = findChild(dialog, [](HWND c) { return GetDlgItem(c, 1038) != nullptr; });
    wchar_t list[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, argv[6], -1, list, MAX_PATH);
    SendMessageW(GetDlgItem(page, 1038), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(list));
  }
  if (editor) {
    HWND page =
        findChild(dialog, [](HWND c) { return GetDlgItem(c, 1025) && GetDlgItem(c, 1016); });
    PostMessageW(GetDlgItem(page, 1016), BM_CLICK, 0, 0);
    shown = run.waitForWindow([](HWND w) { return windowText(w).rfind(L"TOLM - ", 0) == 0; });
    if (shown == nullptr) {
      std::fprintf(stderr, "the editor did not open\n");
      return 1;
    }
  }
  HWND tools = nullptr;
  if (dateTools) {
    HWND page =
        findChild(dialog, [](HWND c) { return GetDlgItem(c, 1025) && GetDlgItem(c, 1017); });
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(page, 1019), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
    PostMessageW(GetDlgItem(page, 1017), BM_CLICK, 0, 0);
    tools = run.waitForWindow([](HWND w) { return GetDlgItem(w, 1119) != nullptr; });
    // The preview is made a moment after the dialog shows; its counts line says it is there.
    if (tools == nullptr ||
        !waitUntil([&] { return !windowText(GetDlgItem(tools, 1120)).empty(); })) {
      std::fprintf(stderr, "the date tools did not open with a preview\n");
      return 1;
    }
    shown = tools;
    if (what == "history") {
      PostMessageW(GetDlgItem(tools, 1122), BM_CLICK, 0, 0);
      waitUntil([&] { return !windowText(GetDlgItem(tools, 1121)).empty(); });
      PostMessageW(GetDlgItem(tools, 1123), BM_CLICK, 0, 0);
      shown = run.waitForWindow([](HWND w) { return GetDlgItem(w, 1140) != nullptr; });
      if (shown == nullptr) {
        std::fprintf(stderr, "the history did not open\n");
        return 1;
      }
      // The newest log chosen, as a click would, and its items shown.
      HWND logs = GetDlgItem(shown, 1140);
      waitUntil([&] { return SendMessageW(logs, LVM_GETITEMCOUNT, 0, 0) > 0; });
      RemoteBuffer remote(run.pid(), sizeof(LVITEMW));
      LVITEMW item{};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      item.state = LVIS_SELECTED | LVIS_FOCUSED;
      if (remote.valid() && remote.write(&item, sizeof item))
        SendMessageTimeoutW(logs, LVM_SETITEMSTATE, 0, remote.address(), SMTO_ABORTIFHUNG, 30000,
                            &ignored);
      waitUntil([&] { return SendMessageW(GetDlgItem(shown, 1141), LVM_GETITEMCOUNT, 0, 0) > 0; });
    }
  }
  RECT area;
  GetWindowRect(shown, &area);
  const bool saved = settled(area) && saveScreen(area, argv[4]);
  if (editor || dateTools)
    PostMessageW(GetDlgItem(shown, IDCANCEL), BM_CLICK, 0, 0);
  if (shown != tools && tools != nullptr) {
    waitUntil([&] { return !IsWindow(shown); }, 10000);
    PostMessageW(GetDlgItem(tools, IDCANCEL), BM_CLICK, 0, 0);
    shown = tools;
  }
  waitUntil([&] { return !IsWindow(shown) || shown == dialog; }, 10000);
  // Cancel: OK of the extended delete would erase.
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  run.waitForExit();
  if (!saved)
    std::fprintf(stderr, "the picture could not be saved\n");
  return saved ? 0 : 1;
}
