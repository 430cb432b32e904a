// Starts the real TOLM.exe from an arranged folder with each kind of command line and reads
// its message box from this process: text, caption and icon. Runs under Xvfb. The property
// dialog and the editor at work are editor_ui_test's.
#include <windows.h>
#include <commctrl.h>

#include "tests/support/ui_driver.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testutil::ScratchDir;
using testutil::shownIcon;
using testutil::systemIcon;
using testutil::wide;
using testutil::windowsPath;

const char kSettingsKey[] = "Software\\n.orbit\\TOLM";

// What a start of the program showed and how it ended.
struct Outcome {
  bool boxShown = false;
  std::wstring caption;
  std::wstring text;
  std::vector<uint32_t> iconPicture; // 32 by 32, as on the screen
  bool dialogShown = false;          // a main dialog (one with a tab control) appeared
  std::wstring dialogTitle;
  int tabCount = 0;
  bool exited = false;
  DWORD exitCode = 0;
};

struct FindBox {
  DWORD pid;
  HWND box;
};

BOOL CALLBACK findBox(HWND window, LPARAM param) {
  auto *find = reinterpret_cast<FindBox *>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (pid == find->pid && IsWindowVisible(window) && std::wstring(cls) == L"#32770") {
    find->box = window;
    return FALSE;
  }
  return TRUE;
}

struct BoxParts {
  std::wstring text;
  HWND tabs = nullptr;
  HWND icon = nullptr;
  HWND ok = nullptr;
};

BOOL CALLBACK readChild(HWND child, LPARAM param) {
  auto *parts = reinterpret_cast<BoxParts *>(param);
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  const std::wstring name = cls;
  if (name == L"Static") {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      parts->icon = child;
    } else {
      wchar_t text[2048] = {};
      SendMessageW(child, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
      if (wcslen(text) > parts->text.size())
        parts->text = text;
    }
  } else if (name == L"SysTabControl32") {
    parts->tabs = child;
  } else if (name == L"Button" && parts->ok == nullptr) {
    parts->ok = child;
  }
  return TRUE;
}

using testutil::childEnvironment;

// Called with the main dialog while it is open; closing it is left to run().
using DialogVisit = void (*)(HWND dialog, HWND tabs);

// Runs the program in `folder` with the command-line text after its name, started in
// `currentFolder` (the program's folder when empty). Presses OK on the first message box; a
// main dialog is recorded, visited and closed with OK. The wide form carries names that the
// ANSI code page cannot, as a shell's context menu passes them.
Outcome run(const std::string &folder, const std::wstring &arguments, DialogVisit visit = nullptr,
            const std::string &currentFolder = std::string()) {
  Outcome out;
  const std::string exe = folder + "\\TOLM.exe";
  std::wstring commandLine = L"\"" + wide(exe) + L"\" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<wchar_t> env = childEnvironment();
  const std::wstring startIn = wide(currentFolder.empty() ? folder : currentFolder);
  if (!CreateProcessW(wide(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, env.data(), startIn.c_str(), &si, &pi)) {
    ADD_FAILURE() << "cannot start " << exe << ": " << GetLastError();
    return out;
  }
  for (int waited = 0; waited < 30000; waited += 100) {
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0)
      break;
    FindBox find{pi.dwProcessId, nullptr};
    EnumWindows(findBox, reinterpret_cast<LPARAM>(&find));
    if (find.box == nullptr)
      continue;
    // A new window may still be building its children and texts (slowly, the first time in a
    // new prefix): classify and read it only once it is complete, a main dialog by its tab
    // control, a box by its text and icon.
    BoxParts parts;
    for (int i = 0; i < 50; ++i) {
      Sleep(100);
      parts = BoxParts{};
      EnumChildWindows(find.box, readChild, reinterpret_cast<LPARAM>(&parts));
      if (parts.tabs != nullptr || (!parts.text.empty() && parts.icon != nullptr))
        break;
    }
    Sleep(200); // and painted
    wchar_t caption[256] = {};
    SendMessageW(find.box, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(caption));
    if (parts.tabs != nullptr) {
      if (!out.dialogShown) {
        out.dialogShown = true;
        out.dialogTitle = caption;
        out.tabCount = static_cast<int>(SendMessageW(parts.tabs, TCM_GETITEMCOUNT, 0, 0));
        if (visit)
          visit(find.box, parts.tabs);
      }
      // Cancel: OK of the erase dialog would run the erase.
      PostMessageW(find.box, WM_COMMAND, IDCANCEL, 0);
      Sleep(500);
      continue;
    }
    if (!out.boxShown) {
      out.boxShown = true;
      out.caption = caption;
      out.text = parts.text;
      if (parts.icon)
        out.iconPicture = shownIcon(parts.icon);
    }
    if (parts.ok)
      PostMessageW(parts.ok, BM_CLICK, 0, 0);
    else
      PostMessageW(find.box, WM_COMMAND, IDOK, 0);
    Sleep(300);
  }
  out.exited = WaitForSingleObject(pi.hProcess, 15000) == WAIT_OBJECT_0;
  if (!out.exited)
    TerminateProcess(pi.hProcess, 99);
  GetExitCodeProcess(pi.hProcess, &out.exitCode);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return out;
}

Outcome run(const std::string &folder, const std::string &arguments, DialogVisit visit = nullptr,
            const std::string &currentFolder = std::string()) {
  return run(folder, wide(arguments), visit, currentFolder);
}

bool startsWith(const std::wstring &text, const std::wstring &prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool settingsKeyExists() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

DWORD storedSetting(const char *name) { return testutil::userDword(kSettingsKey, name); }

class Startup : public ::testing::Test {
protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    target = work.file("notes.txt", "plain text");
    image = work.file("photo.jpg", "not decoded at start");
    folder = work.folder("album");
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

  // A program folder holding TOLM.exe and the named libraries only.
  std::string programFolder(bool kelsys, bool daxread, bool vopimg) {
    const std::string dir = programs.folder("p" + std::to_string(++count));
    auto copy = [&](const char *from, const char *name) {
      EXPECT_TRUE(CopyFileA(windowsPath(from).c_str(), (dir + "\\" + name).c_str(), FALSE)) << from;
    };
    copy(TOLM_EXE, "TOLM.exe");
    if (kelsys)
      copy(KELSYS_DLL, "kelsys.dll");
    if (daxread)
      copy(FAKE_DAXREAD_DLL, "daxread.dll");
    if (vopimg)
      copy(FAKE_VOPIMG_DLL, "vopimg.dll");
    return dir;
  }

  void expectBox(const Outcome &o, const std::wstring &message, int code, LPCWSTR icon) {
    ASSERT_TRUE(o.boxShown) << "no message box appeared";
    const std::wstring head = message + L" (TOLM:" + std::to_wstring(code) + L")    ";
    EXPECT_TRUE(startsWith(o.text, head)) << "box text differs";
    EXPECT_EQ(o.caption, L"TOLM");
    ASSERT_EQ(o.iconPicture.size(), 1024u) << "the box shows no icon";
    EXPECT_TRUE(o.iconPicture == systemIcon(icon, o.iconPicture[0]))
        << "another icon than expected";
    EXPECT_TRUE(o.exited) << "the program did not end after the box";
  }

  ScratchDir work;
  ScratchDir programs;
  std::string target, image, folder;
  int count = 0;
};

const std::wstring kNoTarget = L"対象ファイル、フォルダがありません";
const std::wstring kBadOption = L"不正な起動オプション";
const std::wstring kSystemFault = L"システム異常のため終了";
const std::wstring kNoResources = L"DX DLL のリソースファイルがありません";

TEST_F(Startup, TheJapaneseCodePageIsActive) { ASSERT_EQ(GetACP(), 932u); }

TEST_F(Startup, CommandLinesThatNameNoTargetShowNoTarget) {
  const std::string dir = programFolder(true, true, true);
  expectBox(run(dir, "/f \"a\""), kNoTarget, -5004, MAKEINTRESOURCEW(32513));     // 7 characters
  expectBox(run(dir, "/f " + target), kNoTarget, -5004, MAKEINTRESOURCEW(32513)); // no quotes
  expectBox(run(dir, "/f \"" + work.join("missing.txt") + "\""), kNoTarget, -5004,
            MAKEINTRESOURCEW(32513));
  expectBox(run(dir, "/d \"C:\\\""), kNoTarget, -5004, MAKEINTRESOURCEW(32513)); // a drive root
  expectBox(run(dir, ""), kNoTarget, -5004, MAKEINTRESOURCEW(32513));
}

TEST_F(Startup, AWrongLetterForTheTargetShowsBadOption) {
  const std::string dir = programFolder(true, true, true);
  expectBox(run(dir, "/d \"" + target + "\""), kBadOption, -5007, MAKEINTRESOURCEW(32513));
  expectBox(run(dir, "/f \"" + folder + "\""), kBadOption, -5007, MAKEINTRESOURCEW(32513));
  expectBox(run(dir, "/x \"" + folder + "\""), kBadOption, -5007, MAKEINTRESOURCEW(32513));
  expectBox(run(dir, "\"" + target + "\""), kBadOption, -5007,
            MAKEINTRESOURCEW(32513)); // no letter
  EXPECT_FALSE(settingsKeyExists()) << "a start that ends with an error box writes no settings";
}

TEST_F(Startup, AMissingLibraryEndsWithSystemFault) {
  const std::string noDax = programFolder(true, false, true);
  const Outcome o = run(noDax, "/f \"" + target + "\"");
  expectBox(o, kSystemFault, -5006, MAKEINTRESOURCEW(32513));
  // The second line is the loader's reason, in the system's words.
  wchar_t reason[256] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_MOD_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reason, 256,
                 nullptr);
  EXPECT_NE(o.text.find(reason), std::wstring::npos)
      << "the box does not say the module is missing";
  expectBox(run(noDax, "/d \"" + folder + "\""), kSystemFault, -5006, MAKEINTRESOURCEW(32513));
  const std::string noVop = programFolder(true, true, false);
  expectBox(run(noVop, "/F \"" + image + "\""), kSystemFault, -5006, MAKEINTRESOURCEW(32513));
  const std::string noKel = programFolder(false, true, true);
  expectBox(run(noKel, "/e \"" + folder + "\""), kSystemFault, -5006, MAKEINTRESOURCEW(32513));
  expectBox(run(noKel, "/d \"" + folder + "\""), kSystemFault, -5006, MAKEINTRESOURCEW(32513));
}

// The pages of the extended-delete dialog as the test sees them: the erase page holds the
// edit box of the list path, the Version page does not.
struct ErasePages {
  HWND erase = nullptr, version = nullptr;
};
BOOL CALLBACK findPages(HWND child, LPARAM param) {
  auto *pages = reinterpret_cast<ErasePages *>(param);
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (std::wstring(cls) == L"#32770")
    (FindWindowExW(child, nullptr, L"Edit", nullptr) ? pages->erase : pages->version) = child;
  return TRUE;
}

bool g_tabsSwitched = false;

// Switches to the Version tab and back with the keyboard, as a user would.
void switchTabs(HWND dialog, HWND tabs) {
  ErasePages pages;
  EnumChildWindows(dialog, findPages, reinterpret_cast<LPARAM>(&pages));
  if (pages.erase == nullptr || pages.version == nullptr) {
    ADD_FAILURE() << "the two pages were not found";
    return;
  }
  RECT before, after;
  GetWindowRect(pages.erase, &before);
  EXPECT_TRUE(IsWindowVisible(pages.erase));
  EXPECT_FALSE(IsWindowVisible(pages.version));
  PostMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 0);
  Sleep(500);
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_FALSE(IsWindowVisible(pages.erase)) << "the Version tab hides the erase page";
  EXPECT_TRUE(IsWindowVisible(pages.version));
  PostMessageW(tabs, WM_KEYDOWN, VK_LEFT, 0);
  Sleep(500);
  EXPECT_TRUE(IsWindowVisible(pages.erase)) << "going back shows it again";
  EXPECT_FALSE(IsWindowVisible(pages.version));
  GetWindowRect(pages.erase, &after);
  EXPECT_TRUE(EqualRect(&before, &after)) << "at the same place";
  g_tabsSwitched = true;
}

// The General page of the property dialog, read from another process.
struct GeneralPage {
  HWND page = nullptr;
  std::wstring text(int id) const {
    wchar_t buffer[512] = {};
    SendMessageW(GetDlgItem(page, id), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  bool enabled(int id) const { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
  bool checked(int id) const {
    return SendMessageW(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
};
BOOL CALLBACK findGeneral(HWND child, LPARAM param) {
  if (GetDlgItem(child, 1025) != nullptr && GetDlgItem(child, 1016) != nullptr) {
    reinterpret_cast<GeneralPage *>(param)->page = child;
    return FALSE;
  }
  return TRUE;
}

struct GeneralSeen {
  std::wstring name, place, size, attributes;
  bool update = false, options = false, includeFiles = false, includeFilesChecked = false;
} g_general;

void readGeneral(HWND dialog, HWND) {
  GeneralPage g;
  EnumChildWindows(dialog, findGeneral, reinterpret_cast<LPARAM>(&g));
  if (g.page == nullptr) {
    ADD_FAILURE() << "no General page";
    return;
  }
  g_general.name = g.text(1025);
  g_general.place = g.text(1027);
  g_general.size = g.text(1024);
  g_general.attributes = g.text(1021);
  g_general.update = g.enabled(1016);
  g_general.options = g.enabled(1026);
  g_general.includeFiles = g.enabled(1018);
  g_general.includeFilesChecked = g.checked(1018);
}

TEST_F(Startup, AHiddenFileIsProtectedWhileHiddenItemsMayNotBeEdited) {
  const std::string hidden = work.file("secret.txt", "0123456789");
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  const std::string dir = programFolder(true, true, true);
  g_general = GeneralSeen{};
  const Outcome o = run(dir, "/f \"" + hidden + "\"", readGeneral);
  ASSERT_TRUE(o.dialogShown);
  EXPECT_EQ(g_general.size, L"サイズ 　： 10 バイト");
  EXPECT_EQ(g_general.attributes, L"属性(ACEHRS)  ：  A__H__");
  EXPECT_FALSE(g_general.update) << "a protected item offers no editing";
  EXPECT_FALSE(g_general.options);
  EXPECT_FALSE(g_general.includeFiles);
  EXPECT_TRUE(g_general.includeFilesChecked);
}

TEST_F(Startup, AFolderEraseStartNeedsOnlyTheUtilityLibrary) {
  const std::string dir = programFolder(true, false, false);
  g_tabsSwitched = false;
  const Outcome o = run(dir, "/e \"" + folder + "\"", switchTabs);
  EXPECT_FALSE(o.boxShown) << "unexpected box";
  ASSERT_TRUE(o.dialogShown);
  EXPECT_EQ(o.dialogTitle, L"TOLM");
  EXPECT_EQ(o.tabCount, 2);
  EXPECT_TRUE(g_tabsSwitched);
  EXPECT_TRUE(o.exited);
  EXPECT_FALSE(settingsKeyExists()) << "an erase start does not write the settings";
}

TEST_F(Startup, AStartThatPassesEveryCheckWritesTheSettings) {
  const std::string dir = programFolder(true, true, true);
  const Outcome o = run(dir, "  /x /d \"" + folder + "\"  ");
  EXPECT_FALSE(o.boxShown) << "unexpected box";
  EXPECT_TRUE(o.dialogShown) << "the property dialog opens";
  EXPECT_EQ(o.dialogTitle, L"TOLM");
  EXPECT_EQ(o.tabCount, 3);
  EXPECT_TRUE(o.exited);
  ASSERT_TRUE(settingsKeyExists());
  EXPECT_EQ(storedSetting("Hiddenfile"), 0u);
  EXPECT_EQ(storedSetting("Logfile"), 1u);
  EXPECT_EQ(storedSetting("Systemfile"), 0u);

  // What the user set outside the program is read and written back unchanged.
  const DWORD one = 1, zero = 0;
  RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "Hiddenfile", REG_DWORD, &one, 4);
  RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "Logfile", REG_DWORD, &zero, 4);
  EXPECT_FALSE(run(dir, "/f \"" + target + "\"").boxShown);
  EXPECT_EQ(storedSetting("Hiddenfile"), 1u);
  EXPECT_EQ(storedSetting("Logfile"), 0u);
  EXPECT_EQ(storedSetting("Systemfile"), 0u);
}

TEST_F(Startup, AMissingLanguageLibraryIsReportedAndTheStartGoesOn) {
  const std::string dir = programFolder(true, true, true);
  SetEnvironmentVariableA("TOLM_FAKE_DAX_RESULT", "-107");
  const Outcome o = run(dir, "/f \"" + image + "\"");
  SetEnvironmentVariableA("TOLM_FAKE_DAX_RESULT", nullptr);
  expectBox(o, kNoResources, -107, MAKEINTRESOURCEW(32515));
  EXPECT_TRUE(o.dialogShown) << "the property dialog still opens";
  EXPECT_TRUE(settingsKeyExists()) << "the start went on and read the settings";
}

TEST_F(Startup, OtherAnalysisFailuresAreSilent) {
  const std::string dir = programFolder(true, true, true);
  SetEnvironmentVariableA("TOLM_FAKE_DAX_RESULT", "-103");
  const Outcome o = run(dir, "/f \"" + target + "\"");
  SetEnvironmentVariableA("TOLM_FAKE_DAX_RESULT", nullptr);
  EXPECT_FALSE(o.boxShown);
  EXPECT_TRUE(o.dialogShown);
  EXPECT_TRUE(o.exited);
}

// The name and place lines of the erase page.
std::wstring g_eraseName, g_erasePlace;
void readErasePage(HWND dialog, HWND) {
  ErasePages pages;
  EnumChildWindows(dialog, findPages, reinterpret_cast<LPARAM>(&pages));
  if (pages.erase == nullptr) {
    ADD_FAILURE() << "no erase page";
    return;
  }
  wchar_t text[512] = {};
  SendMessageW(GetDlgItem(pages.erase, 1049), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  g_eraseName = text;
  SendMessageW(GetDlgItem(pages.erase, 1032), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  g_erasePlace = text;
}

const std::wstring kNameLabel = L"名前　　： ";
const std::wstring kPlaceLabel = L"場所　　： ";

// A folder with a name of the wide world, removed by that name: the ANSI clean-up cannot.
class WideFolder {
public:
  explicit WideFolder(const std::wstring &path) : m_path(path) {
    m_made = CreateDirectoryW(path.c_str(), nullptr);
  }
  ~WideFolder() { RemoveDirectoryW(m_path.c_str()); }
  bool made() const { return m_made; }

private:
  std::wstring m_path;
  bool m_made;
};

TEST_F(Startup, ANameTheCodePageCannotCarryIsRefusedRatherThanReadAsAWildcard) {
  const std::string dir = programFolder(true, true, true);
  // "写真01" beside "写真🎉": through code page 932 the second reads "写真??", which would
  // find the first.
  const std::string other = work.folder("\x8E\xCA\x90\x5E"
                                        "01");
  const std::string inside = other + "\\keep.txt";
  ASSERT_TRUE(CopyFileA(target.c_str(), inside.c_str(), FALSE));
  const std::wstring party = wide(work.path()) + L"\\\u5199\u771F\U0001F389";
  WideFolder made(party);
  ASSERT_TRUE(made.made()) << "the folder with the emoji cannot be made";
  BOOL lost = FALSE;
  char narrow[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, party.c_str(), -1, narrow, MAX_PATH, nullptr, &lost);
  ASSERT_TRUE(lost) << "the code page carries the emoji after all: " << narrow;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(narrow, &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE)
      << "the narrow name " << narrow << " finds nothing: no wrong item to reach";
  FindClose(find);
  const DWORD attributesBefore = GetFileAttributesA(inside.c_str());

  for (const wchar_t *letter : {L"d", L"e"}) {
    SCOPED_TRACE(letter[0] == L'd' ? "property dialog" : "erase");
    const Outcome o = run(dir, L"/" + std::wstring(letter) + L" \"" + party + L"\"");
    EXPECT_FALSE(o.dialogShown) << "a dialog opened on another folder";
    expectBox(o, kNoTarget, -5004, MAKEINTRESOURCEW(32513));
  }
  EXPECT_EQ(GetFileAttributesA(inside.c_str()), attributesBefore)
      << "the other folder is untouched";

  // A wildcard that was typed still finds the first match.
  g_general = GeneralSeen{};
  const Outcome typed = run(dir,
                            "/d \"" +
                                work.join("\x8E\xCA\x90\x5E"
                                          "0?") +
                                "\"",
                            readGeneral);
  EXPECT_FALSE(typed.boxShown);
  ASSERT_TRUE(typed.dialogShown);
  EXPECT_EQ(g_general.name, L"名前　　： \u5199\u771F01");
}

TEST_F(Startup, ARelativeTargetIsMadeFullBeforeAnythingUsesIt) {
  const std::string dir = programFolder(true, true, true);
  g_general = GeneralSeen{};
  const Outcome shown = run(dir, "/d \"album\"", readGeneral, work.path());
  ASSERT_TRUE(shown.dialogShown);
  EXPECT_EQ(g_general.name, kNameLabel + L"album");
  EXPECT_EQ(g_general.place, kPlaceLabel + wide(work.path()))
      << "the place line names the folder it is in";

  g_eraseName.clear();
  g_erasePlace.clear();
  const Outcome erase = run(dir, "/e \"album\"", readErasePage, work.path());
  ASSERT_TRUE(erase.dialogShown);
  EXPECT_EQ(g_eraseName, kNameLabel + L"album");
  EXPECT_EQ(g_erasePlace, kPlaceLabel + wide(work.path()));
}

TEST_F(Startup, ATargetLongerThanAPathBufferIsRefusedNotCut) {
  const std::string dir = programFolder(true, true, true);
  // A current folder of 236 characters and a relative name of 40 more: found, but its full
  // path does not fit the libraries' 260 bytes. (The narrow search cannot reach it in full.)
  const std::string deep = work.folder(std::string(235 - work.path().size(), 'c'));
  ASSERT_EQ(deep.size(), 236u);
  const std::string name(40, 'n');
  WideFolder inner(L"\\\\?\\" + wide(deep) + L"\\" + wide(name));
  ASSERT_TRUE(inner.made());
  const Outcome o = run(dir, "/d \"" + name + "\"", nullptr, deep);
  EXPECT_FALSE(o.dialogShown) << "the dialog opened on a path that every buffer cuts";
  expectBox(o, kNoTarget, -5004, MAKEINTRESOURCEW(32513));
}

} // namespace
