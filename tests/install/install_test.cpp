// Installs TOLM with its real installer into a fresh Wine prefix, per user and for all users:
// files, context-menu verbs, settings and the uninstall registration are read back, every
// registered verb is run as the shell would run it on a real file or folder, and the silent
// uninstaller must leave no file and no verb behind. Runs under Xvfb.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include "tests/support/win_test_util.h"
#include "tolm_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

const wchar_t kSettingsKey[] = L"Software\\n.orbit\\TOLM";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TOLM";
const wchar_t kFileVerb[] = L"Software\\Classes\\*\\shell\\TOLM";
const wchar_t kFolderVerb[] = L"Software\\Classes\\Directory\\shell\\TOLM";
const wchar_t kEraseVerb[] = L"Software\\Classes\\Directory\\shell\\TOLMErase";
const char *const kDeliverables[] = {"TOLM.exe",    "kelsys.dll",  "daxread.dll",
                                     "dax2jpn.dll", "dax2enc.dll", "vopimg.dll"};

// The program's words for a start that found its target but not every library it needs.
const std::wstring kSystemFault = L"システム異常のため終了 (TOLM:-5006)";

std::wstring widen(const std::string &text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1)
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
  return out;
}

std::string utf8(const std::wstring &text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1)
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  return out;
}

std::optional<std::wstring> regString(HKEY root, const std::wstring &key, const wchar_t *value) {
  wchar_t data[2048] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(data);
}

std::optional<DWORD> regDword(HKEY root, const std::wstring &key, const wchar_t *value) {
  DWORD data = 0, size = sizeof data;
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, &data, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return data;
}

bool keyExists(HKEY root, const std::wstring &key) {
  HKEY h;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
    return false;
  RegCloseKey(h);
  return true;
}

void setDword(HKEY root, const std::wstring &key, const wchar_t *value, DWORD data) {
  ASSERT_EQ(RegSetKeyValueW(root, key.c_str(), value, REG_DWORD, &data, sizeof data),
            ERROR_SUCCESS);
}

std::wstring knownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
    out = path;
  CoTaskMemFree(path);
  return out;
}

bool exists(const std::wstring &path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> filesIn(const std::wstring &folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..")
      names.push_back(utf8(name));
  } while (FindNextFileW(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

std::string contents(const std::wstring &path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a command line and waits for it; the exit code, or -1 when it could not start or did
// not end within the time.
int runAndWait(std::wstring commandLine, int seconds) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi)) {
    ADD_FAILURE() << "cannot start " << utf8(commandLine) << ": error " << GetLastError();
    return -1;
  }
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, seconds * 1000) == WAIT_OBJECT_0)
    GetExitCodeProcess(pi.hProcess, &code);
  else
    TerminateProcess(pi.hProcess, 99);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return static_cast<int>(code);
}

// Whether a process of the NSIS uninstaller (the copy it runs from the temporary folder) is alive.
bool uninstallerRunning() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE)
    return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool running = false;
  for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry))
    if (_wcsnicmp(entry.szExeFile, L"Un_", 3) == 0 ||
        _wcsicmp(entry.szExeFile, L"uninstall.exe") == 0)
      running = true;
  CloseHandle(snap);
  return running;
}

// What a start of the program through a verb showed.
struct VerbOutcome {
  bool started = false;
  bool windowShown = false;
  bool isDialog = false; // a main dialog (it has a tab control), else a message box
  int tabCount = 0;
  std::wstring caption;
  std::vector<std::wstring> texts; // every text of the window and its descendants
  bool exited = false;

  bool hasText(const std::wstring &part) const {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::wstring &t) { return t.find(part) != std::wstring::npos; });
  }
  bool boxStartsWith(const std::wstring &head) const {
    return !isDialog && std::any_of(texts.begin(), texts.end(), [&](const std::wstring &t) {
      return t.compare(0, head.size(), head) == 0;
    });
  }
  std::string describe() const {
    std::string out = windowShown ? (isDialog ? "dialog" : "message box") : "no window";
    out += " \"" + utf8(caption) + "\", tabs " + std::to_string(tabCount) + ", texts:";
    for (const auto &t : texts)
      if (!t.empty())
        out += " [" + utf8(t) + "]";
    return out;
  }
};

struct Window {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK findProcessWindow(HWND window, LPARAM param) {
  auto *w = reinterpret_cast<Window *>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (pid == w->pid && IsWindowVisible(window) && std::wstring(cls) == L"#32770") {
    w->found = window;
    return FALSE;
  }
  return TRUE;
}

struct Parts {
  HWND tabs = nullptr;
  std::vector<std::wstring> texts;
};

BOOL CALLBACK readDescendant(HWND child, LPARAM param) {
  auto *parts = reinterpret_cast<Parts *>(param);
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (std::wstring(cls) == L"SysTabControl32")
    parts->tabs = child;
  wchar_t text[2048] = {};
  SendMessageW(child, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
  parts->texts.push_back(text);
  return TRUE;
}

// Expands a registered verb command for `target` (its %1), starts it with the target's folder
// as the current folder, as the shell does, and reads the first window of the new process
// once its texts are in place; then closes it and waits for the program to end.
VerbOutcome runVerb(const std::wstring &command, const std::wstring &target, bool waitForText,
                    const std::wstring &text) {
  VerbOutcome out;
  std::wstring line = command;
  const size_t at = line.find(L"%1");
  if (at == std::wstring::npos) {
    ADD_FAILURE() << "the command has no %1: " << utf8(command);
    return out;
  }
  line.replace(at, 2, target);
  const std::wstring folder = target.substr(0, target.find_last_of(L'\\'));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &si, &pi)) {
    ADD_FAILURE() << "cannot start " << utf8(line) << ": error " << GetLastError();
    return out;
  }
  out.started = true;
  Window w{pi.dwProcessId, nullptr};
  // Generous: the first start of a program in a new prefix is slow on a loaded machine.
  for (int waited = 0; waited < 90000 && w.found == nullptr; waited += 200) {
    if (WaitForSingleObject(pi.hProcess, 200) == WAIT_OBJECT_0)
      break;
    EnumWindows(findProcessWindow, reinterpret_cast<LPARAM>(&w));
  }
  if (w.found != nullptr) {
    out.windowShown = true;
    // The window may still be building its pages: read it until it is complete.
    Parts parts;
    for (int i = 0; i < 100; ++i) {
      Sleep(200);
      parts = Parts{};
      EnumChildWindows(w.found, readDescendant, reinterpret_cast<LPARAM>(&parts));
      const bool complete =
          parts.tabs != nullptr
              ? !waitForText || std::any_of(parts.texts.begin(), parts.texts.end(),
                                            [&](const std::wstring &t) {
                                              return t.find(text) != std::wstring::npos;
                                            })
              : std::any_of(parts.texts.begin(), parts.texts.end(),
                            [](const std::wstring &t) { return t.size() > 8; });
      if (complete)
        break;
    }
    wchar_t caption[256] = {};
    SendMessageW(w.found, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(caption));
    out.caption = caption;
    out.isDialog = parts.tabs != nullptr;
    out.tabCount =
        out.isDialog ? static_cast<int>(SendMessageW(parts.tabs, TCM_GETITEMCOUNT, 0, 0)) : 0;
    out.texts = parts.texts;
    // Cancel closes either window without acting; OK and a close request are the fallbacks.
    for (UINT step = 0; step < 3 && WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0; ++step) {
      if (step == 0)
        PostMessageW(w.found, WM_COMMAND, IDCANCEL, 0);
      else if (step == 1)
        PostMessageW(w.found, WM_COMMAND, IDOK, 0);
      else
        PostMessageW(w.found, WM_CLOSE, 0, 0);
      WaitForSingleObject(pi.hProcess, 10000);
    }
  }
  out.exited = WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0;
  if (!out.exited)
    TerminateProcess(pi.hProcess, 99);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return out;
}

// A new folder under the temporary folder holding a JPEG file and a folder, both with blanks
// and Japanese characters in their names, so that quoting and the code page are exercised.
class Targets {
public:
  Targets() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    m_root = std::wstring(temp) + L"tolm install " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(m_root.c_str(), nullptr);
    m_file = m_root + L"\\写真 01.jpg";
    m_folder = m_root + L"\\アルバム 2";
    CreateDirectoryW(m_folder.c_str(), nullptr);
    CopyFileW(widen(testutil::windowsPath(TOLM_SAMPLE_JPG)).c_str(), m_file.c_str(), FALSE);
  }
  ~Targets() {
    DeleteFileW(m_file.c_str());
    RemoveDirectoryW(m_folder.c_str());
    RemoveDirectoryW(m_root.c_str());
  }
  const std::wstring &file() const { return m_file; }
  const std::wstring &folder() const { return m_folder; }

private:
  std::wstring m_root, m_file, m_folder;
};

// One installation: where it goes and under which root its keys live.
struct Mode {
  const char *name;
  HKEY root;
  HKEY otherRoot;
  std::wstring folder;
  std::wstring switches;
};

class Installer : public ::testing::Test {
protected:
  static std::wstring setup() {
    return L"\"" + widen(testutil::windowsPath(TOLM_SETUP_EXE)) + L"\"";
  }

  // Leftovers of an earlier, failed attempt in this prefix would decide the outcome: remove them.
  static void clean(const Mode &m) {
    for (HKEY root : {m.root, m.otherRoot})
      for (const wchar_t *key : {kFileVerb, kFolderVerb, kEraseVerb, kUninstallKey})
        RegDeleteTreeW(root, key);
    testutil::removeTree(utf8(m.folder)); // ASCII folder names only
  }

  void expectInstalled(const Mode &m) {
    SCOPED_TRACE(m.name);
    EXPECT_EQ(filesIn(m.folder),
              (std::vector<std::string>{"TOLM.exe", "dax2enc.dll", "dax2jpn.dll", "daxread.dll",
                                        "kelsys.dll", "uninstall.exe", "vopimg.dll"}))
        << "the installation folder holds exactly the deliverables and the uninstaller";
    for (const char *name : kDeliverables)
      EXPECT_TRUE(contents(m.folder + L"\\" + widen(name)) ==
                  contents(widen(testutil::windowsPath(std::string(TOLM_OUT_DIR) + "/" + name))))
          << name << " differs from the build's copy";

    const std::wstring exe = L"\"" + m.folder + L"\\TOLM.exe\"";
    EXPECT_EQ(regString(m.root, kFileVerb, nullptr),
              std::optional<std::wstring>(L"TOLM のプロパティ"));
    EXPECT_EQ(regString(m.root, kFolderVerb, nullptr),
              std::optional<std::wstring>(L"TOLM のプロパティ"));
    EXPECT_EQ(regString(m.root, kEraseVerb, nullptr),
              std::optional<std::wstring>(L"TOLM 拡張削除"));
    EXPECT_EQ(regString(m.root, std::wstring(kFileVerb) + L"\\command", nullptr),
              std::optional<std::wstring>(exe + L" /f \"%1\""));
    EXPECT_EQ(regString(m.root, std::wstring(kFolderVerb) + L"\\command", nullptr),
              std::optional<std::wstring>(exe + L" /d \"%1\""));
    EXPECT_EQ(regString(m.root, std::wstring(kEraseVerb) + L"\\command", nullptr),
              std::optional<std::wstring>(exe + L" /e \"%1\""));
    for (const wchar_t *key : {kFileVerb, kFolderVerb, kEraseVerb, kUninstallKey})
      EXPECT_FALSE(keyExists(m.otherRoot, key)) << utf8(key) << " was written under the other root";

    const std::wstring uninstaller = L"\"" + m.folder + L"\\uninstall.exe\"";
    EXPECT_EQ(regString(m.root, kUninstallKey, L"DisplayName"),
              std::optional<std::wstring>(L"TOLM"));
    EXPECT_EQ(regString(m.root, kUninstallKey, L"DisplayVersion"),
              std::optional<std::wstring>(widen(TOLM_VERSION_TEXT)));
    EXPECT_EQ(regString(m.root, kUninstallKey, L"Publisher"),
              std::optional<std::wstring>(L"n.orbit"));
    EXPECT_EQ(regString(m.root, kUninstallKey, L"UninstallString"),
              std::optional<std::wstring>(uninstaller));
    EXPECT_EQ(regString(m.root, kUninstallKey, L"QuietUninstallString"),
              std::optional<std::wstring>(uninstaller + L" /S"));
    EXPECT_EQ(regString(m.root, kUninstallKey, L"InstallLocation"),
              std::optional<std::wstring>(m.folder));
  }

  // Runs the three verbs as registered. A property start passes when the property dialog
  // (three tabs) shows the target's name, or when the program ends with its message for a
  // missing library: it gets there only after it parsed the command line, found the target and
  // matched the letter to it (a bad quote ends with -5004, a wrong letter with -5007). An erase
  // start needs only kelsys.dll and must open the erase dialog (two tabs).
  void expectVerbsRun(const Mode &m) {
    SCOPED_TRACE(m.name);
    const Targets targets;
    ASSERT_TRUE(exists(targets.file())) << "the sample image could not be copied";
    struct Case {
      const wchar_t *verb;
      std::wstring target;
      std::wstring name;
      bool erase;
    } cases[] = {{kFileVerb, targets.file(), L"写真 01.jpg", false},
                 {kFolderVerb, targets.folder(), L"アルバム 2", false},
                 {kEraseVerb, targets.folder(), L"アルバム 2", true}};
    for (const Case &c : cases) {
      const auto command = regString(m.root, std::wstring(c.verb) + L"\\command", nullptr);
      ASSERT_TRUE(command.has_value()) << utf8(c.verb) << " has no command";
      const VerbOutcome o = runVerb(*command, c.target, !c.erase, c.name);
      std::printf("%s %s on \"%s\": %s\n", m.name, utf8(c.verb).c_str(), utf8(c.target).c_str(),
                  o.describe().c_str());
      ASSERT_TRUE(o.windowShown) << "the program showed no window";
      if (c.erase) {
        EXPECT_TRUE(o.isDialog && o.tabCount == 2) << "the erase dialog did not open";
        EXPECT_EQ(o.caption, L"TOLM");
      } else if (o.isDialog) {
        EXPECT_EQ(o.tabCount, 3) << "another dialog than the property dialog";
        EXPECT_EQ(o.caption, L"TOLM");
        EXPECT_TRUE(o.hasText(c.name)) << "the dialog does not show the target's name";
      } else {
        EXPECT_TRUE(o.boxStartsWith(kSystemFault)) << "the program rejected its command line";
      }
      EXPECT_TRUE(o.exited) << "the program did not end after its window closed";
    }
  }

  // Runs the registered quiet uninstall command (plus `extra`) and waits until the uninstaller,
  // which continues from a copy of itself, has finished.
  void uninstall(const Mode &m, const std::wstring &extra) {
    const auto quiet = regString(m.root, kUninstallKey, L"QuietUninstallString");
    ASSERT_TRUE(quiet.has_value()) << "no QuietUninstallString";
    ASSERT_EQ(runAndWait(*quiet + extra, 120), 0) << "the uninstaller failed";
    for (int waited = 0; waited < 120000; waited += 250) {
      if (!uninstallerRunning() && !keyExists(m.root, kUninstallKey))
        break;
      Sleep(250);
    }
    EXPECT_FALSE(uninstallerRunning()) << "the uninstaller did not finish within two minutes";
  }

  void expectRemoved(const Mode &m) {
    SCOPED_TRACE(m.name);
    EXPECT_FALSE(exists(m.folder))
        << "the installation folder is left: " << ::testing::PrintToString(filesIn(m.folder));
    for (const wchar_t *key : {kFileVerb, kFolderVerb, kEraseVerb, kUninstallKey})
      EXPECT_FALSE(keyExists(m.root, key)) << utf8(key) << " is left";
  }
};

TEST(InstallerEnvironment, TheJapaneseCodePageIsActive) {
  // The targets' Japanese names reach the ANSI program only through code page 932.
  ASSERT_EQ(GetACP(), 932u);
}

TEST_F(Installer, PerUserInstallRunsItsVerbsAndUninstallsKeepingTheSettings) {
  const Mode m{"per user", HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
               knownFolder(FOLDERID_LocalAppData) + L"\\Programs\\TOLM", L" /S /CURRENTUSER"};
  ASSERT_FALSE(knownFolder(FOLDERID_LocalAppData).empty());
  clean(m);
  // The user's own choices must survive; only the missing value gets its default.
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  setDword(HKEY_CURRENT_USER, kSettingsKey, L"Hiddenfile", 1);
  setDword(HKEY_CURRENT_USER, kSettingsKey, L"Logfile", 0);

  ASSERT_EQ(runAndWait(setup() + m.switches, 180), 0) << "the silent per-user installation failed";
  expectInstalled(m);
  EXPECT_EQ(regDword(HKEY_CURRENT_USER, kSettingsKey, L"Hiddenfile"), std::optional<DWORD>(1));
  EXPECT_EQ(regDword(HKEY_CURRENT_USER, kSettingsKey, L"Logfile"), std::optional<DWORD>(0));
  EXPECT_EQ(regDword(HKEY_CURRENT_USER, kSettingsKey, L"Systemfile"), std::optional<DWORD>(0));

  expectVerbsRun(m);

  uninstall(m, L"");
  expectRemoved(m);
  EXPECT_EQ(regDword(HKEY_CURRENT_USER, kSettingsKey, L"Hiddenfile"), std::optional<DWORD>(1))
      << "the uninstaller removed the settings without being asked";
  EXPECT_EQ(regDword(HKEY_CURRENT_USER, kSettingsKey, L"Logfile"), std::optional<DWORD>(0));
}

TEST_F(Installer, ElevatedInstallIsForAllUsersAndUninstallsWithItsSettingsWhenAsked) {
  // Wine runs every program with administrator rights, so a plain /S installs for all users.
  const Mode m{"all users", HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
               knownFolder(FOLDERID_ProgramFiles) + L"\\TOLM", L" /S"};
  ASSERT_FALSE(knownFolder(FOLDERID_ProgramFiles).empty());
  clean(m);
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);

  ASSERT_EQ(runAndWait(setup() + m.switches, 180), 0) << "the silent all-users installation failed";
  expectInstalled(m);
  EXPECT_EQ(regDword(HKEY_CURRENT_USER, kSettingsKey, L"Hiddenfile"), std::optional<DWORD>(0));
  EXPECT_EQ(regDword(HKEY_CURRENT_USER, kSettingsKey, L"Logfile"), std::optional<DWORD>(1));
  EXPECT_EQ(regDword(HKEY_CURRENT_USER, kSettingsKey, L"Systemfile"), std::optional<DWORD>(0));

  expectVerbsRun(m);

  uninstall(m, L" /REMOVESETTINGS");
  expectRemoved(m);
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kSettingsKey)) << "/REMOVESETTINGS left the settings";
}

} // namespace
