// Drives the real TOLM.exe under Xvfb from this process as a user would: the General page of a
// file, a hidden file and folders, the date and attribute editor (pickers, time-part buttons,
// check boxes, Apply, OK, Cancel), and then what landed on disk, in the registry and in the
// change log. Runs in the Japanese locale and again in an English one.
#include <windows.h>
#include <commctrl.h>

#include "tests/app/win/change_logs.h"
#include "tests/support/ui_driver.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace testutil;

const char kSettingsKey[] = "Software\\n.orbit\\TOLM";

// Controls of the General page and of the editor.
enum GeneralId : int {
  kName = 1025,
  kPlace = 1027,
  kSize = 1024,
  kTimesGroup = 1023,
  kCreated = 1022,
  kUpdated = 1028,
  kAccessed = 1020,
  kAttributes = 1021,
  kOptionsGroup = 1026,
  kUpdate = 1016,
  kIncludeFiles = 1018,
  kIncludeSubfolders = 1019,
};
enum EditorId : int {
  kCreationDate = 1007,
  kCreationTime = 1006,
  kCreationCycle = 1000,
  kUpdateDate = 1009,
  kUpdateTime = 1008,
  kUpdateCycle = 1001,
  kReadOnly = 1004,
  kHidden = 1003,
  kArchive = 1002,
  kSystem = 1005,
  kApply = 12321,
};
// The indicator pictures: empty, half filled, filled.
const UINT kIndicatorBitmaps[3] = {166, 167, 168};

const std::wstring kEditorFile = L"TOLM - ファイル日時属性変更";
const std::wstring kEditorFolder = L"TOLM - フォルダ日時変更";
const std::wstring kEditorFolderFiles = L"TOLM - フォルダ内ファイル日時属性変更";

const std::string &tolmExe() {
  static const std::string path = windowsPath(TOLM_EXE);
  return path;
}

// How the page and the log write a time.
std::string pageTime(const SYSTEMTIME &t) {
  char text[64];
  std::snprintf(text, sizeof text, "%d/%02d/%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return text;
}
std::string logTime(const SYSTEMTIME &t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return text;
}

int secondOfDay(const SYSTEMTIME &t) { return t.wHour * 3600 + t.wMinute * 60 + t.wSecond; }

ULONGLONG secondsOf(const SYSTEMTIME &t) {
  FILETIME f{};
  SystemTimeToFileTime(&t, &f);
  return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000000;
}

bool clickNow(HWND button) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 20000, &ignored) != 0;
}
// For buttons whose handler runs a modal loop or a long apply: the test goes on at once.
void clickLater(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool isEnabled(HWND window) { return IsWindowEnabled(window) != FALSE; }
bool isChecked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

DWORD storedSetting(const char *name) { return testutil::userDword(kSettingsKey, name); }
void storeSetting(const char *name, DWORD value) {
  RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

std::string readAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string systemText(DWORD code) {
  char text[512] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  return text;
}

std::string programVersion() {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(tolmExe().c_str(), &ignored);
  std::vector<char> data(size);
  VS_FIXEDFILEINFO *info = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoA(tolmExe().c_str(), 0, size, data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void **>(&info), &length))
    return "(TOLM.exe has no version resource)";
  char text[64];
  std::snprintf(text, sizeof text, "Ver. %lu.%lu.%lu.%lu", info->dwFileVersionMS >> 16,
                info->dwFileVersionMS & 0xFFFF, info->dwFileVersionLS >> 16,
                info->dwFileVersionLS & 0xFFFF);
  return text;
}

// ---- the change logs ----------------------------------------------------------------------------

// A log is complete once the program has closed it: while it writes, nobody may read it.
bool complete(const std::string &path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  CloseHandle(file);
  return size.QuadPart > 0;
}

// Regular-expression pieces of the log's lines.
std::string rx(const std::string &literal) {
  static const std::string special = "\\^$.|?*+()[]{}";
  std::string out;
  for (char c : literal) {
    if (special.find(c) != std::string::npos)
      out += '\\';
    out += c;
  }
  return out;
}
// The platform's text after a step line: none, or lines of its own.
const std::string kAnyText = "(?:[^\\r\\n]*\\r\\n)*?";

std::string header(int isFolder, int subfolders, int system, int hidden, const std::string &count) {
  return rx("n.orbit TOLM (" + programVersion() + ")\r\nSet FileTime and Attributes\r\n") +
         "DATE = (\\d{4})/(\\d\\d)/(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d)\\r\\n" +
         rx("DirectoryYes = " + std::to_string(isFolder) + " : SubdirectoryYes = " +
            std::to_string(subfolders) + " : SystemFileYes = " + std::to_string(system) +
            " : HiddenFileYes = " + std::to_string(hidden) + "\r\n") +
         "Total Counts = " + count + "\\r\\n\\r\\n";
}

// One item processed without a failure: its line, then steps get time, set time (new <- old),
// get attributes and set attributes (new <- old). Number, path, old times and words are
// patterns.
std::string itemBlock(const std::string &number, const std::string &path, bool walk,
                      const SYSTEMTIME &newC, const SYSTEMTIME &newU, const std::string &oldC,
                      const std::string &oldU, const std::string &newWord,
                      const std::string &oldWord) {
  const int base = walk ? 604 : 608;
  return rx("[") + number + rx("] ") + path + "\\r\\n" +
         rx("Get FileTime (" + std::to_string(base) + ") : Error Code = 0 ") + kAnyText +
         rx("Set FileTime (" + std::to_string(base + 1) + ") : Error Code = 0 ") +
         "[^\\r\\n]*\\r\\n" + rx("Createtime : " + logTime(newC) + " <- ") + oldC + "\\r\\n" +
         rx("Writetime  : " + logTime(newU) + " <- ") + oldU + "\\r\\n" +
         rx((walk ? "Get Attributes (606)" : "Get Attributer (610)") +
            std::string(" : Error Code = 0 ")) +
         kAnyText + rx("Set Attributes (" + std::to_string(base + 3) + ") : Error Code = 0") +
         "(?: [^\\r\\n]*)?\\r\\n" + rx("Attributes : ") + newWord + rx(" <- ") + oldWord + "\\r\\n";
}
const std::string kAnyTime = "\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d";
const std::string kAnyWord = "0x[0-9a-f]{8}";

std::string hexWord(DWORD word) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", word);
  return text;
}

// The log's DATE lies between the two moments.
void expectLogTimeWithin(const std::smatch &m, const SYSTEMTIME &before, const SYSTEMTIME &after) {
  const SYSTEMTIME t = localTime(std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]),
                                 std::stoi(m[5]), std::stoi(m[6]));
  EXPECT_GE(secondsOf(t) + 1, secondsOf(before)) << "the log's time is the time of the press";
  EXPECT_LE(secondsOf(t), secondsOf(after) + 1);
}

// ---- the program's windows ----------------------------------------------------------------------

struct Box {
  HWND window = nullptr;
  std::wstring text;
  HWND icon = nullptr;
};

// TOLM.exe on one target, its property dialog and its editor.
class Tolm {
public:
  Tolm(const std::string &folder, const std::string &arguments)
      : m_run(folder, "TOLM.exe", arguments) {}

  // Waits for the property dialog; its General page is filled before the dialog shows.
  bool Open() {
    m_dialog = m_run.waitForWindow(
        [](HWND w) { return FindWindowExW(w, nullptr, WC_TABCONTROLW, nullptr); });
    if (m_dialog == nullptr)
      return false;
    m_page =
        findChild(m_dialog, [](HWND c) { return GetDlgItem(c, kName) && GetDlgItem(c, kUpdate); });
    return m_page != nullptr;
  }
  HWND dialog() const { return m_dialog; }
  HWND page(int id) const { return GetDlgItem(m_page, id); }
  std::wstring text(int id) const { return windowText(page(id)); }

  // Presses the update button and waits for the editor.
  HWND OpenEditor() {
    clickLater(page(kUpdate));
    m_editor = m_run.waitForWindow([](HWND w) { return windowText(w).rfind(L"TOLM - ", 0) == 0; });
    return m_editor;
  }
  HWND editor() const { return m_editor; }
  HWND control(int id) const { return GetDlgItem(m_editor, id); }
  bool EditorClosed() {
    return waitUntil([&] { return !IsWindow(m_editor); });
  }

  // A message box of the program (a dialog that is neither of the two above, with a text).
  Box WaitForBox(DWORD timeoutMs = 60000) {
    Box box;
    box.window = m_run.waitForWindow(
        [&](HWND w) {
          return w != m_dialog && w != m_editor && windowClass(w) == L"#32770" &&
                 findChild(
                     w, [](HWND c) { return windowText(c).find(L"(TOLM:") != std::wstring::npos; });
        },
        timeoutMs);
    if (box.window == nullptr)
      return box;
    box.text = windowText(findChild(
        box.window, [](HWND c) { return windowText(c).find(L"(TOLM:") != std::wstring::npos; }));
    box.icon = findChild(box.window, [](HWND c) {
      return windowClass(c) == L"Static" && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    });
    return box;
  }
  bool AnyBox() {
    for (HWND w : m_run.windows())
      if (w != m_dialog && w != m_editor && windowClass(w) == L"#32770")
        return true;
    return false;
  }

  // Closes the property dialog with OK and waits for the end of the program.
  bool Close() {
    if (m_dialog != nullptr)
      clickLater(GetDlgItem(m_dialog, IDOK));
    return m_run.waitForExit();
  }
  bool exited() const { return m_run.exited(); }
  DWORD exitCode() const { return m_run.exitCode(); }

private:
  ProgramRun m_run;
  HWND m_dialog = nullptr;
  HWND m_page = nullptr;
  HWND m_editor = nullptr;
};

void expectBox(const Box &box, const std::wstring &message, int code, LPCWSTR icon) {
  ASSERT_NE(box.window, nullptr) << "no message box appeared";
  EXPECT_EQ(windowText(box.window), L"TOLM");
  const std::wstring head = message + L" (TOLM:" + std::to_wstring(code) + L")    ";
  EXPECT_EQ(box.text.substr(0, head.size()), head);
  ASSERT_NE(box.icon, nullptr) << "the box shows no icon";
  std::vector<uint32_t> shown;
  const bool same = waitUntil(
      [&] {
        shown = shownIcon(box.icon);
        return !shown.empty() && shown == systemIcon(icon, shown[0]);
      },
      10000);
  EXPECT_TRUE(same) << "another icon than expected";
}

void pressBoxOk(const Box &box) {
  if (HWND ok = findChild(box.window, [](HWND c) { return windowClass(c) == L"Button"; }))
    clickLater(ok);
}

// ---- the fixture ----------------------------------------------------------------------------

class EditorUi : public ::testing::Test {
protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    logsBefore = changeLogFiles();
    program = programs.folder("p");
    for (auto [from, name] :
         {std::pair{TOLM_EXE, "TOLM.exe"}, std::pair{KELSYS_DLL, "kelsys.dll"},
          std::pair{FAKE_DAXREAD_DLL, "daxread.dll"}, std::pair{FAKE_VOPIMG_DLL, "vopimg.dll"}})
      ASSERT_TRUE(CopyFileA(windowsPath(from).c_str(), (program + "\\" + name).c_str(), FALSE))
          << from;
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    for (const std::string &log : newLogs())
      DeleteFileA(log.c_str());
  }

  std::vector<std::string> newLogs() const { return changeLogsSince(logsBefore); }
  // Waits until `count` new logs exist and are complete; the texts of all new logs, oldest first.
  std::vector<std::string> waitForLogs(size_t count, DWORD timeoutMs = 60000) {
    std::vector<std::string> logs;
    waitUntil(
        [&] {
          logs = newLogs();
          return logs.size() >= count && std::all_of(logs.begin(), logs.end(), complete);
        },
        timeoutMs);
    // Temporary names are not made in order: the older log is the one written first.
    std::sort(logs.begin(), logs.end(), [](const std::string &a, const std::string &b) {
      WIN32_FILE_ATTRIBUTE_DATA da{}, db{};
      GetFileAttributesExA(a.c_str(), GetFileExInfoStandard, &da);
      GetFileAttributesExA(b.c_str(), GetFileExInfoStandard, &db);
      return CompareFileTime(&da.ftLastWriteTime, &db.ftLastWriteTime) < 0;
    });
    std::vector<std::string> texts;
    for (const std::string &log : logs)
      texts.push_back(readAll(log));
    return texts;
  }

  std::string argumentsFor(char letter, const std::string &target) const {
    return std::string("/") + letter + " \"" + target + "\"";
  }

  // The creation time this platform keeps, or a note that it keeps none of its own.
  static bool creationTimeKept(const std::string &path, const SYSTEMTIME &set) {
    LocalTimes t;
    if (readLocalTimes(path, t) && sameSecond(t.creation, set))
      return true;
    std::printf("SKIP creation time of %s: this platform does not keep the creation time set\n",
                path.c_str());
    return false;
  }

  // Whether this platform keeps a cleared archive bit on a file; says so when it does not.
  bool archiveKept() const {
    const std::string probe = work.file("archive-probe.txt", "p");
    const bool kept = SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL) &&
                      (GetFileAttributesA(probe.c_str()) & FILE_ATTRIBUTE_ARCHIVE) == 0;
    DeleteFileA(probe.c_str());
    if (!kept)
      std::printf("SKIP cleared archive bits: this platform reports every file as archived\n");
    return kept;
  }

  ScratchDir work;
  ScratchDir programs;
  std::string program;
  std::vector<std::string> logsBefore;
};

TEST_F(EditorUi, TheLocaleIsTheOneAsked) {
  char lang[64] = {};
  GetEnvironmentVariableA("TOLM_LANG", lang, sizeof lang);
  const bool english = std::string(lang).rfind("en_", 0) == 0;
  std::printf("locale %s: ANSI code page %u\n", english ? lang : "ja_JP.UTF-8", GetACP());
  EXPECT_EQ(GetACP(), english ? 1252u : 932u);
}

// ---- the General page
// ------------------------------------------------------------------------------

TEST_F(EditorUi, TheGeneralPageShowsEveryLineOfAFile) {
  const std::string file = work.file("report.txt", std::string(5000, 'x'));
  const SYSTEMTIME access = localTime(2018, 7, 8, 9, 10, 11),
                   update = localTime(2019, 3, 4, 5, 6, 7);
  ASSERT_TRUE(writeLocalTimes(file, localTime(2017, 1, 2, 3, 4, 5), access, update));
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  LocalTimes kept;
  ASSERT_TRUE(readLocalTimes(file, kept));

  Tolm tolm(program, argumentsFor('f', file));
  ASSERT_TRUE(tolm.Open());
  EXPECT_EQ(windowText(tolm.dialog()), L"TOLM");
  // The tab captions, read through memory of the program.
  HWND tabs = FindWindowExW(tolm.dialog(), nullptr, WC_TABCONTROLW, nullptr);
  ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
  DWORD pid = 0;
  GetWindowThreadProcessId(tabs, &pid);
  std::vector<std::wstring> captions;
  for (int i = 0; i < 3; ++i) {
    // The record and its text buffer, one after the other in the program's memory.
    struct Request {
      TCITEMW item;
      wchar_t text[128];
    } request{};
    RemoteBuffer remote(pid, sizeof request);
    request.item.mask = TCIF_TEXT;
    request.item.pszText = reinterpret_cast<wchar_t *>(remote.address() + offsetof(Request, text));
    request.item.cchTextMax = 128;
    ASSERT_TRUE(remote.write(&request, sizeof request));
    SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), remote.address());
    ASSERT_TRUE(remote.read(&request, sizeof request));
    captions.push_back(request.text);
  }
  EXPECT_EQ(captions, (std::vector<std::wstring>{L"全般", L"EXIF 情報", L"バージョン"}));

  EXPECT_EQ(tolm.text(kName), L"名前　　： report.txt");
  EXPECT_EQ(tolm.text(kPlace), L"場所　　： " + wide(work.path()));
  EXPECT_EQ(tolm.text(kSize), L"サイズ 　： 4K (5,000) バイト");
  EXPECT_EQ(tolm.text(kCreated), L"作成日時　  ： " + wide(pageTime(kept.creation)));
  EXPECT_EQ(tolm.text(kUpdated), L"更新日時    ： 2019/03/04 05:06:07");
  EXPECT_EQ(tolm.text(kAccessed), L"アクセス日時 ： 2018/07/08 09:10:11");
  EXPECT_EQ(tolm.text(kAttributes), L"属性(ACEHRS)  ：  A___R_");
  EXPECT_EQ(tolm.text(kTimesGroup), L"ファイル日時属性");
  EXPECT_EQ(tolm.text(kOptionsGroup), L"更新オプション");
  EXPECT_EQ(tolm.text(kIncludeFiles), L"ファイルを含む");
  EXPECT_EQ(tolm.text(kIncludeSubfolders), L"サブフォルダを含む");
  EXPECT_EQ(tolm.text(kUpdate), L"更新(&R)");
  EXPECT_TRUE(isEnabled(tolm.page(kUpdate))) << "a plain file can be edited";
  for (int id : {kOptionsGroup, kIncludeFiles, kIncludeSubfolders})
    EXPECT_FALSE(isEnabled(tolm.page(id))) << "a file has no folder options: " << id;
  EXPECT_FALSE(isChecked(tolm.page(kIncludeFiles)));
  EXPECT_FALSE(isChecked(tolm.page(kIncludeSubfolders)));
  EXPECT_TRUE(tolm.Close());
  EXPECT_EQ(tolm.exitCode(), 0u);
  EXPECT_EQ(storedSetting("Hiddenfile"), 0u) << "the defaults are written back";
  EXPECT_EQ(storedSetting("Logfile"), 1u);
  EXPECT_EQ(storedSetting("Systemfile"), 0u);
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(EditorUi, AHiddenFileIsEditableWithTheHiddenSettingAndCancelChangesNothing) {
  storeSetting("Hiddenfile", 1);
  const std::string file = work.file("secret.txt", "0123456789");
  const SYSTEMTIME update = localTime(2015, 5, 6, 7, 8, 9);
  ASSERT_TRUE(writeLocalTimes(file, update, update, update));
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

  Tolm tolm(program, argumentsFor('f', file));
  ASSERT_TRUE(tolm.Open());
  EXPECT_EQ(tolm.text(kAttributes), L"属性(ACEHRS)  ：  A__H__");
  ASSERT_TRUE(isEnabled(tolm.page(kUpdate))) << "hidden items may be edited now";
  ASSERT_NE(tolm.OpenEditor(), nullptr);
  EXPECT_EQ(windowText(tolm.editor()), kEditorFile);
  EXPECT_TRUE(isEnabled(tolm.control(kHidden)));
  EXPECT_TRUE(isChecked(tolm.control(kHidden))) << "the boxes start from the item's attributes";
  EXPECT_TRUE(isChecked(tolm.control(kArchive)));
  EXPECT_FALSE(isChecked(tolm.control(kReadOnly)));
  EXPECT_FALSE(isEnabled(tolm.control(kSystem))) << "system items still may not be edited";
  // Changes on screen, then Cancel.
  ASSERT_TRUE(clickNow(tolm.control(kReadOnly)));
  ASSERT_TRUE(clickNow(tolm.control(kHidden)));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateDate), localTime(2020, 1, 1, 0, 0, 0)));
  EXPECT_TRUE(isEnabled(tolm.control(IDOK)));
  clickLater(tolm.control(IDCANCEL));
  ASSERT_TRUE(tolm.EditorClosed());
  EXPECT_TRUE(tolm.Close());

  EXPECT_EQ(GetFileAttributesA(file.c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE))
      << "Cancel writes nothing";
  LocalTimes after;
  ASSERT_TRUE(readLocalTimes(file, after));
  EXPECT_TRUE(sameSecond(after.update, update));
  EXPECT_TRUE(newLogs().empty()) << "and leaves no log";
  EXPECT_EQ(storedSetting("Hiddenfile"), 1u) << "the user's setting is written back unchanged";
  EXPECT_EQ(storedSetting("Logfile"), 1u);
  EXPECT_EQ(storedSetting("Systemfile"), 0u);
}

// ---- the editor on a file
// ---------------------------------------------------------------------------

// Which indicator picture (0 empty, 1 half, 2 filled) is drawn beside a time-part button; -1
// when none of them is.
int indicatorBeside(HWND button) {
  RECT r;
  GetWindowRect(button, &r);
  const RECT area = {r.right, r.top - 12, r.right + 24, r.bottom + 12};
  const int width = area.right - area.left, height = area.bottom - area.top;
  const std::vector<uint32_t> shown = screenPixels(area);
  for (int state = 0; state < 3; ++state) {
    int w = 0, h = 0;
    const std::vector<uint32_t> picture = resourceBitmap(
        tolmExe().c_str(), kIndicatorBitmaps[state], w, h, GetSysColor(COLOR_BTNFACE));
    if (containsPicture(shown, width, height, picture, w, h))
      return state;
  }
  return -1;
}

int waitForIndicator(HWND button, int state) {
  int seen = -1;
  waitUntil([&] { return (seen = indicatorBeside(button)) == state; }, 10000);
  return seen;
}

TEST_F(EditorUi, TheTimePartButtonsCycleMidnightNowAndTheStartingTime) {
  const std::string file = work.file("cycle.txt", "c");
  const SYSTEMTIME start = localTime(2012, 8, 9, 10, 11, 12);
  ASSERT_TRUE(writeLocalTimes(file, start, start, start));
  LocalTimes kept;
  ASSERT_TRUE(readLocalTimes(file, kept));

  Tolm tolm(program, argumentsFor('f', file));
  ASSERT_TRUE(tolm.Open());
  ASSERT_NE(tolm.OpenEditor(), nullptr);
  SYSTEMTIME date{}, time{};
  ASSERT_TRUE(readPicker(tolm.control(kUpdateDate), date));
  ASSERT_TRUE(readPicker(tolm.control(kUpdateTime), time));
  EXPECT_TRUE(sameSecond(date, start)) << "the pickers start from the item's times";
  EXPECT_EQ(secondOfDay(time), secondOfDay(start));
  ASSERT_TRUE(readPicker(tolm.control(kCreationTime), time));
  EXPECT_EQ(secondOfDay(time), secondOfDay(kept.creation));
  EXPECT_FALSE(isEnabled(tolm.control(IDOK))) << "OK and Apply wait for the first change";
  EXPECT_FALSE(isEnabled(tolm.control(kApply)));
  EXPECT_EQ(waitForIndicator(tolm.control(kCreationCycle), 0), 0) << "both indicators start empty";
  EXPECT_EQ(waitForIndicator(tolm.control(kUpdateCycle), 0), 0);

  // The update group: midnight, now, the starting time again; its date never moves.
  ASSERT_TRUE(clickNow(tolm.control(kUpdateCycle)));
  ASSERT_TRUE(readPicker(tolm.control(kUpdateTime), time));
  EXPECT_EQ(secondOfDay(time), 0) << "first press: midnight";
  EXPECT_EQ(waitForIndicator(tolm.control(kUpdateCycle), 1), 1) << "half filled";
  EXPECT_EQ(waitForIndicator(tolm.control(kCreationCycle), 0), 0)
      << "the other group keeps its state";
  EXPECT_TRUE(isEnabled(tolm.control(IDOK))) << "a press is a change";
  EXPECT_TRUE(isEnabled(tolm.control(kApply)));

  SYSTEMTIME before, after;
  GetLocalTime(&before);
  ASSERT_TRUE(clickNow(tolm.control(kUpdateCycle)));
  GetLocalTime(&after);
  ASSERT_TRUE(readPicker(tolm.control(kUpdateTime), time));
  const int now = secondOfDay(time);
  const bool wrapped = secondOfDay(after) < secondOfDay(before); // midnight passed during the press
  EXPECT_TRUE(wrapped || (now >= secondOfDay(before) && now <= secondOfDay(after)))
      << "second press: the time of day now, " << pageTime(time);
  EXPECT_EQ(waitForIndicator(tolm.control(kUpdateCycle), 2), 2) << "filled";

  ASSERT_TRUE(clickNow(tolm.control(kUpdateCycle)));
  ASSERT_TRUE(readPicker(tolm.control(kUpdateTime), time));
  EXPECT_EQ(secondOfDay(time), secondOfDay(start)) << "third press: the starting time";
  EXPECT_EQ(waitForIndicator(tolm.control(kUpdateCycle), 0), 0) << "empty again";
  ASSERT_TRUE(readPicker(tolm.control(kUpdateDate), date));
  EXPECT_EQ(date.wYear, 2012);
  EXPECT_EQ(date.wMonth, 8);
  EXPECT_EQ(date.wDay, 9) << "the date picker is not touched";

  ASSERT_TRUE(clickNow(tolm.control(kCreationCycle)));
  ASSERT_TRUE(readPicker(tolm.control(kCreationTime), time));
  EXPECT_EQ(secondOfDay(time), 0);
  EXPECT_EQ(waitForIndicator(tolm.control(kCreationCycle), 1), 1);
  EXPECT_EQ(waitForIndicator(tolm.control(kUpdateCycle), 0), 0);

  clickLater(tolm.control(IDCANCEL));
  ASSERT_TRUE(tolm.EditorClosed());
  EXPECT_TRUE(tolm.Close());
  LocalTimes afterRun;
  ASSERT_TRUE(readLocalTimes(file, afterRun));
  EXPECT_TRUE(sameSecond(afterRun.update, start)) << "Cancel writes nothing";
  EXPECT_TRUE(newLogs().empty());
}

TEST_F(EditorUi, ApplyWritesAndStaysOpenOkWritesAndCloses) {
  const std::string file = work.file("notes.txt", "plain text");
  const SYSTEMTIME old = localTime(2010, 10, 10, 10, 10, 10);
  ASSERT_TRUE(writeLocalTimes(file, old, old, old));
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE));
  LocalTimes kept;
  ASSERT_TRUE(readLocalTimes(file, kept));

  Tolm tolm(program, argumentsFor('f', file));
  ASSERT_TRUE(tolm.Open());
  ASSERT_NE(tolm.OpenEditor(), nullptr);
  EXPECT_EQ(windowText(tolm.editor()), kEditorFile);
  EXPECT_FALSE(isEnabled(tolm.control(kHidden))) << "hidden items may not be edited by default";
  EXPECT_FALSE(isEnabled(tolm.control(kSystem)));
  const SYSTEMTIME creation = localTime(2001, 2, 3, 4, 5, 6),
                   update = localTime(2011, 12, 13, 14, 15, 16);
  ASSERT_TRUE(setPickerAsUser(tolm.control(kCreationDate), localTime(2001, 2, 3, 23, 59, 59)));
  EXPECT_TRUE(isEnabled(tolm.control(IDOK))) << "a date typed is a change";
  EXPECT_TRUE(isEnabled(tolm.control(kApply)));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kCreationTime), localTime(1999, 9, 9, 4, 5, 6)));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateDate), update));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateTime), update));
  ASSERT_TRUE(clickNow(tolm.control(kReadOnly)));

  SYSTEMTIME before, after;
  GetLocalTime(&before);
  clickLater(tolm.control(kApply));
  std::vector<std::string> logs = waitForLogs(1);
  GetLocalTime(&after);
  ASSERT_EQ(logs.size(), 1u) << "Apply leaves one log";
  EXPECT_TRUE(IsWindow(tolm.editor())) << "Apply keeps the editor open";
  LocalTimes now;
  ASSERT_TRUE(readLocalTimes(file, now));
  EXPECT_TRUE(sameSecond(now.update, update)) << pageTime(now.update);
  if (creationTimeKept(file, creation)) {
    EXPECT_TRUE(sameSecond(now.creation, creation));
  }
  EXPECT_EQ(GetFileAttributesA(file.c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

  std::smatch m;
  const std::regex first(header(0, 0, 0, 0, "1") + itemBlock("1", rx(file), false, creation, update,
                                                             rx(logTime(kept.creation)),
                                                             rx(logTime(old)), hexWord(0x21),
                                                             hexWord(0x20)));
  ASSERT_TRUE(std::regex_match(logs[0], m, first)) << logs[0];
  expectLogTimeWithin(m, before, after);
  EXPECT_EQ(logs[0].find(" ?\r\n"), std::string::npos) << "nothing failed";

  // A second change in the same run, then OK: the item now starts from the first apply.
  const SYSTEMTIME update2 = localTime(2012, 1, 2, 3, 4, 5);
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateDate), update2));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateTime), update2));
  ASSERT_TRUE(clickNow(tolm.control(kArchive)));
  clickLater(tolm.control(IDOK));
  ASSERT_TRUE(tolm.EditorClosed()) << "OK closes the editor";
  logs = waitForLogs(2);
  ASSERT_EQ(logs.size(), 2u);
  const std::regex second(header(0, 0, 0, 0, "1") +
                          itemBlock("1", rx(file), false, creation, update2, kAnyTime,
                                    rx(logTime(update)), hexWord(0x01), hexWord(0x21)));
  EXPECT_TRUE(std::regex_match(logs[1], m, second)) << logs[1];
  const bool archive = archiveKept();
  EXPECT_EQ(GetFileAttributesA(file.c_str()) & ~(archive ? 0u : FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));

  // The General page reads the item again.
  EXPECT_TRUE(waitUntil(
      [&] { return tolm.text(kUpdated) == L"更新日時    ： 2012/01/02 03:04:05"; }, 10000))
      << "the page shows the new update time";
  EXPECT_EQ(tolm.text(kAttributes),
            archive ? L"属性(ACEHRS)  ：  ____R_" : L"属性(ACEHRS)  ：  A___R_");
  EXPECT_TRUE(tolm.Close());
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Wine copies a Linux TZ into the program's environment, where the C runtime reads it in a
// format of its own; the times entered must still reach the disk as entered in the system's
// zone, and the log must show the times that reached it. The _tz run sets TZ=Asia/Tokyo.
TEST_F(EditorUi, TheTimesEnteredReachTheDiskWhateverTheTZVariableSays) {
  char tz[64] = {}, wanted[64] = {};
  GetEnvironmentVariableA("TZ", tz, sizeof tz);
  GetEnvironmentVariableA("TOLM_TZ", wanted, sizeof wanted);
  TIME_ZONE_INFORMATION zone{};
  GetTimeZoneInformation(&zone);
  std::printf("TZ=%s, the system's zone %ld minutes behind UTC\n", tz[0] ? tz : "(none)",
              zone.Bias);
  if (wanted[0] != '\0') {
    ASSERT_STREQ(tz, wanted) << "the program must see the TZ variable";
    ASSERT_NE(zone.Bias, 0) << "a zone away from UTC, or a wrong conversion cannot show";
  }
  const std::string file = work.file("zone.txt", "z");
  const SYSTEMTIME old = localTime(2010, 1, 10, 10, 10, 10);
  ASSERT_TRUE(writeLocalTimes(file, old, old, old));

  Tolm tolm(program, argumentsFor('f', file));
  ASSERT_TRUE(tolm.Open());
  ASSERT_NE(tolm.OpenEditor(), nullptr);
  // Both in winter and in summer: a zone with daylight saving time differs in one of them.
  const SYSTEMTIME creation = localTime(2001, 2, 3, 4, 5, 6),
                   update = localTime(2011, 7, 13, 14, 15, 16);
  for (int id : {kCreationDate, kCreationTime})
    ASSERT_TRUE(setPickerAsUser(tolm.control(id), creation));
  for (int id : {kUpdateDate, kUpdateTime})
    ASSERT_TRUE(setPickerAsUser(tolm.control(id), update));
  clickLater(tolm.control(kApply));
  const std::vector<std::string> logs = waitForLogs(1);
  LocalTimes disk;
  ASSERT_TRUE(readLocalTimes(file, disk));
  EXPECT_TRUE(sameSecond(disk.update, update)) << "on disk " << pageTime(disk.update);
  const bool creationKept = creationTimeKept(file, creation);
  clickLater(tolm.control(IDCANCEL));
  ASSERT_TRUE(tolm.EditorClosed());
  EXPECT_TRUE(waitUntil(
      [&] { return tolm.text(kUpdated) == L"更新日時    ： 2011/07/13 14:15:16"; }, 10000))
      << "the page reads back what was entered";
  EXPECT_TRUE(tolm.Close());

  ASSERT_EQ(logs.size(), 1u);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(logs[0], m,
                                std::regex("Createtime : (" + kAnyTime + ") <- " +
                                           rx(logTime(old)) + "\\r\\nWritetime  : (" + kAnyTime +
                                           ") <- " + rx(logTime(old)) + "\\r\\n")))
      << "the old times as they were on disk\n"
      << logs[0];
  EXPECT_EQ(m[2].str(), logTime(disk.update))
      << "the log shows the update time that reached the disk";
  if (creationKept) {
    EXPECT_EQ(m[1].str(), logTime(disk.creation)) << "and the creation time";
  }
}

TEST_F(EditorUi, AWriteThePlatformRefusesIsMarkedInTheLog) {
  const std::string file = work.file("locked.txt", "locked");
  const SYSTEMTIME old = localTime(2014, 4, 4, 4, 4, 4);
  ASSERT_TRUE(writeLocalTimes(file, old, old, old));
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE));
  // Running as root under Wine, neither a read-only file nor one held open by another program
  // refuses new times; a file the Linux side made immutable does.
  const std::string unixName = unixPathOf(file);
  auto refused = [&] { return !writeLocalTimes(file, old, old, old); };
  if (unixName.empty() || !startUnixProgram("/usr/bin/chattr +i " + unixName) ||
      !waitUntil(refused, 10000)) {
    std::printf(
        "SKIP refused write: chattr +i is not possible here, and nothing else makes the platform "
        "refuse new times\n");
    return;
  }
  struct Unlock {
    std::string file, name;
    SYSTEMTIME old;
    ~Unlock() {
      startUnixProgram("/usr/bin/chattr -i " + name);
      waitUntil([&] { return writeLocalTimes(file, old, old, old); }, 10000);
    }
  } unlock{file, unixName, old};
  LocalTimes kept;
  ASSERT_TRUE(readLocalTimes(file, kept));

  Tolm tolm(program, argumentsFor('f', file));
  ASSERT_TRUE(tolm.Open());
  ASSERT_NE(tolm.OpenEditor(), nullptr);
  const SYSTEMTIME update = localTime(2016, 6, 16, 16, 16, 16);
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateDate), update));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateTime), update));
  ASSERT_TRUE(clickNow(tolm.control(kReadOnly)));
  clickLater(tolm.control(IDOK));
  ASSERT_TRUE(tolm.EditorClosed());
  std::vector<std::string> logs = waitForLogs(1);
  EXPECT_FALSE(tolm.AnyBox()) << "a refused write shows no box";
  EXPECT_TRUE(tolm.Close());

  LocalTimes after;
  ASSERT_TRUE(readLocalTimes(file, after));
  EXPECT_TRUE(sameSecond(after.update, old)) << "the platform kept the old time";
  EXPECT_EQ(GetFileAttributesA(file.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_EQ(logs.size(), 1u);
  // The refusal's own code and the platform's words for it, then both times marked " ?".
  const std::string refusal = rx(systemText(ERROR_ACCESS_DENIED));
  const std::regex expected(
      header(0, 0, 0, 0, "1") + rx("[1] " + file + "\r\n") +
      rx("Get FileTime (608) : Error Code = 0 ") + kAnyText +
      rx("Set FileTime (609) : Error Code = ") + "-?[1-9][0-9]* " + refusal +
      rx("Createtime : " + logTime(kept.creation) + " <- " + logTime(kept.creation) + " ?\r\n") +
      rx("Writetime  : " + logTime(update) + " <- " + logTime(old) + " ?\r\n") +
      rx("Get Attributer (610) : Error Code = 0 ") + kAnyText +
      rx("Set Attributes (611) : Error Code = ") + "-?[1-9][0-9]* " + refusal +
      rx("Attributes : 0x00000021 <- 0x00000020 ?\r\n"));
  std::smatch m;
  EXPECT_TRUE(std::regex_match(logs[0], m, expected)) << logs[0];
}

// ---- folders
// -------------------------------------------------------------------------------------------

TEST_F(EditorUi, AFolderTreeIsWalkedWithoutItsHiddenItems) {
  const std::string root = work.folder("tree");
  const std::string a = work.file("tree\\a.txt", "a");
  const std::string sub = work.folder("tree\\sub");
  const std::string b = work.file("tree\\sub\\b.txt", "b");
  const std::string deep = work.folder("tree\\sub\\deep");
  const std::string c = work.file("tree\\sub\\deep\\c.txt", "c");
  const std::string hidden = work.file("tree\\sub\\hidden.txt", "h");
  const SYSTEMTIME old = localTime(2009, 9, 9, 9, 9, 9);
  for (const std::string &item : {hidden, c, deep, b, sub, a, root})
    ASSERT_TRUE(writeLocalTimes(item, old, old, old)) << item;
  for (const std::string &file : {a, b, c})
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

  Tolm tolm(program, argumentsFor('d', root));
  ASSERT_TRUE(tolm.Open());
  EXPECT_EQ(tolm.text(kName), L"名前　　： tree");
  EXPECT_EQ(tolm.text(kSize), L"サイズ 　： ??? バイト") << "a folder has no size";
  EXPECT_EQ(tolm.text(kUpdated), L"更新日時    ： 2009/09/09 09:09:09");
  EXPECT_EQ(tolm.text(kAttributes), L"属性(ACEHRS)  ：  ______");
  for (int id : {kUpdate, kOptionsGroup, kIncludeFiles, kIncludeSubfolders})
    EXPECT_TRUE(isEnabled(tolm.page(id))) << id;
  EXPECT_TRUE(isChecked(tolm.page(kIncludeFiles)));
  EXPECT_FALSE(isChecked(tolm.page(kIncludeSubfolders)));
  ASSERT_TRUE(clickNow(tolm.page(kIncludeSubfolders)));

  ASSERT_NE(tolm.OpenEditor(), nullptr);
  EXPECT_EQ(windowText(tolm.editor()), kEditorFolderFiles);
  EXPECT_FALSE(isChecked(tolm.control(kArchive))) << "the folder's own attributes: no archive";
  const SYSTEMTIME creation = localTime(2003, 3, 3, 3, 3, 3),
                   update = localTime(2013, 3, 13, 13, 13, 13);
  for (int id : {kCreationDate, kCreationTime})
    ASSERT_TRUE(setPickerAsUser(tolm.control(id), creation));
  for (int id : {kUpdateDate, kUpdateTime})
    ASSERT_TRUE(setPickerAsUser(tolm.control(id), update));
  clickLater(tolm.control(IDOK));
  ASSERT_TRUE(tolm.EditorClosed());
  const std::vector<std::string> logs = waitForLogs(1);
  EXPECT_TRUE(waitUntil(
      [&] { return tolm.text(kUpdated) == L"更新日時    ： 2013/03/13 13:13:13"; }, 10000));
  EXPECT_TRUE(tolm.Close());

  const bool archive = archiveKept();
  for (const std::string &item : {root, a, sub, b, deep, c}) {
    LocalTimes t;
    ASSERT_TRUE(readLocalTimes(item, t));
    EXPECT_TRUE(sameSecond(t.update, update)) << item;
    if (archive) {
      EXPECT_EQ(GetFileAttributesA(item.c_str()) & FILE_ATTRIBUTE_ARCHIVE, 0u)
          << "archive cleared: " << item;
    }
  }
  LocalTimes t;
  ASSERT_TRUE(readLocalTimes(hidden, t));
  EXPECT_TRUE(sameSecond(t.update, old))
      << "a hidden item is not reported while hidden items are protected";
  EXPECT_EQ(GetFileAttributesA(hidden.c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

  ASSERT_EQ(logs.size(), 1u);
  const std::string &log = logs[0];
  std::smatch m;
  ASSERT_TRUE(std::regex_search(log, m,
                                std::regex("^" + header(1, 1, 0, 0, "6") +
                                           rx("File Search (602) : Error Code = 0 ") + kAnyText +
                                           rx("File Search (603) : Error Code = 0 ") + kAnyText +
                                           "\\r\\n\\[1\\]")))
      << log;
  // Every item: its block in full; the folder first, each folder before what it holds.
  const std::regex block(itemBlock("(\\d+)", "([^\\r\\n]+)", true, creation, update, kAnyTime,
                                   rx(logTime(old)), "(" + kAnyWord + ")", "(" + kAnyWord + ")"));
  std::vector<std::string> order;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), block); it != std::sregex_iterator();
       ++it) {
    const std::smatch &item = *it;
    EXPECT_EQ(item[1].str(), std::to_string(order.size() + 1)) << "items are numbered from 1";
    order.push_back(item[2].str());
    const DWORD oldWord = item[2].str().find(".txt") != std::string::npos ? 0x20u : 0x10u;
    EXPECT_EQ(item[4].str(), hexWord(oldWord)) << item[2];
    EXPECT_EQ(item[3].str(), hexWord(oldWord & ~0x20u)) << item[2];
  }
  ASSERT_EQ(order.size(), 6u) << log;
  EXPECT_EQ(order[0], root);
  EXPECT_EQ(std::set<std::string>(order.begin(), order.end()),
            (std::set<std::string>{root, a, sub, b, deep, c}));
  auto at = [&](const std::string &p) {
    return std::find(order.begin(), order.end(), p) - order.begin();
  };
  EXPECT_LT(at(sub), at(b));
  EXPECT_LT(at(deep), at(c));
  EXPECT_EQ(log.find(" ?\r\n"), std::string::npos);
}

TEST_F(EditorUi, TheIncludeOptionsDecideHowDeepTheChangeGoes) {
  const std::string root = work.folder("album");
  const std::string a = work.file("album\\a.txt", "a");
  const std::string sub = work.folder("album\\sub");
  const std::string b = work.file("album\\sub\\b.txt", "b");
  const SYSTEMTIME old = localTime(2008, 8, 8, 8, 8, 8);
  for (const std::string &item : {b, sub, a, root})
    ASSERT_TRUE(writeLocalTimes(item, old, old, old));

  Tolm tolm(program, argumentsFor('d', root));
  ASSERT_TRUE(tolm.Open());
  // Without files: the folder alone, on the single-item road.
  ASSERT_TRUE(clickNow(tolm.page(kIncludeFiles)));
  EXPECT_FALSE(isEnabled(tolm.page(kIncludeSubfolders))) << "subfolders go with the files";
  ASSERT_NE(tolm.OpenEditor(), nullptr);
  EXPECT_EQ(windowText(tolm.editor()), kEditorFolder);
  const SYSTEMTIME first = localTime(2021, 1, 21, 21, 21, 21);
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateDate), first));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateTime), first));
  clickLater(tolm.control(IDOK));
  ASSERT_TRUE(tolm.EditorClosed());
  std::vector<std::string> logs = waitForLogs(1);

  // With files but without subfolders: the folder and what it holds directly.
  ASSERT_TRUE(clickNow(tolm.page(kIncludeFiles)));
  EXPECT_TRUE(isEnabled(tolm.page(kIncludeSubfolders)));
  EXPECT_FALSE(isChecked(tolm.page(kIncludeSubfolders)));
  ASSERT_NE(tolm.OpenEditor(), nullptr);
  EXPECT_EQ(windowText(tolm.editor()), kEditorFolderFiles);
  const SYSTEMTIME second = localTime(2022, 2, 22, 22, 22, 22);
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateDate), second));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateTime), second));
  clickLater(tolm.control(IDOK));
  ASSERT_TRUE(tolm.EditorClosed());
  logs = waitForLogs(2);
  EXPECT_TRUE(tolm.Close());

  LocalTimes t;
  for (const std::string &item : {root, a, sub}) {
    ASSERT_TRUE(readLocalTimes(item, t));
    EXPECT_TRUE(sameSecond(t.update, second)) << item;
  }
  ASSERT_TRUE(readLocalTimes(b, t));
  EXPECT_TRUE(sameSecond(t.update, old)) << "the subfolder's contents stay as they were";

  ASSERT_EQ(logs.size(), 2u);
  std::smatch m;
  EXPECT_TRUE(std::regex_search(logs[0], m,
                                std::regex("^" + header(1, 0, 0, 0, "1") +
                                           rx("[1] " + root + "\r\n") + rx("Get FileTime (608)"))))
      << logs[0];
  EXPECT_NE(logs[0].find("Get Attributer (610)"), std::string::npos);
  EXPECT_EQ(logs[0].find("File Search"), std::string::npos) << "no search for the folder alone";
  EXPECT_TRUE(std::regex_search(
      logs[1], m, std::regex("^" + header(1, 0, 0, 0, "3") + rx("File Search (602)"))))
      << logs[1];
  EXPECT_EQ(logs[1].find(b), std::string::npos);
}

// How many items of the tree under `root`, itself included, have this update time.
size_t itemsUpdatedAt(const std::string &root, const SYSTEMTIME &update) {
  size_t count = 0;
  LocalTimes t;
  if (readLocalTimes(root, t) && sameSecond(t.update, update))
    ++count;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((root + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return count;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..")
      continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      count += itemsUpdatedAt(root + "\\" + name, update);
    } else if (readLocalTimes(root + "\\" + name, t) && sameSecond(t.update, update)) {
      ++count;
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return count;
}

TEST_F(EditorUi, AWalkStopsAtThreeThousandItemsAndSaysSo) {
  // The folder, 3 subfolders and 3 times 1001 files: 3007 items.
  const std::string root = work.folder("many");
  for (int f = 0; f < 3; ++f) {
    const std::string folder = "many\\f" + std::to_string(f);
    work.folder(folder);
    for (int i = 0; i < 1001; ++i)
      work.file(folder + "\\" + std::to_string(i) + ".txt");
  }
  Tolm tolm(program, argumentsFor('d', root));
  ASSERT_TRUE(tolm.Open());
  ASSERT_TRUE(clickNow(tolm.page(kIncludeSubfolders)));
  ASSERT_NE(tolm.OpenEditor(), nullptr);
  const SYSTEMTIME first = localTime(2023, 3, 23, 23, 23, 23);
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateDate), first));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateTime), first));
  clickLater(tolm.control(kApply));
  Box box = tolm.WaitForBox(180000);
  expectBox(box, L"処理可能なファイル数を超えました", -5003, MAKEINTRESOURCEW(32516));
  EXPECT_EQ(itemsUpdatedAt(root, first), 3000u) << "the first 3000 reported items, and no more";
  pressBoxOk(box);
  std::vector<std::string> logs = waitForLogs(1);
  ASSERT_EQ(logs.size(), 1u);
  std::smatch m;
  EXPECT_TRUE(std::regex_search(
      logs[0], m,
      std::regex("^" + header(1, 1, 0, 0, "3000") + rx("File Search (602) : Error Code = -201 "))))
      << logs[0].substr(0, 400);
  EXPECT_NE(logs[0].find("\r\n[3000] "), std::string::npos);
  EXPECT_EQ(logs[0].find("\r\n[3001] "), std::string::npos);

  // Exactly 3000 items: the search is stopped by the full table all the same.
  for (int i = 0; i < 7; ++i)
    ASSERT_TRUE(DeleteFileA(work.join("many\\f2\\" + std::to_string(i) + ".txt").c_str()));
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(box.window); }, 10000));
  const SYSTEMTIME second = localTime(2024, 4, 24, 4, 24, 24);
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateDate), second));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateTime), second));
  clickLater(tolm.control(kApply));
  box = tolm.WaitForBox(180000);
  expectBox(box, L"処理可能なファイル数を超えました", -5003, MAKEINTRESOURCEW(32516));
  EXPECT_EQ(itemsUpdatedAt(root, second), 3000u) << "every item of the tree";
  pressBoxOk(box);
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(box.window); }, 10000));
  clickLater(tolm.control(IDCANCEL));
  ASSERT_TRUE(tolm.EditorClosed());
  EXPECT_TRUE(tolm.Close());
}

TEST_F(EditorUi, ASearchThatFailsChangesNothingAndSaysWhy) {
  // A folder whose search pattern no longer fits a path buffer: 256 characters of name.
  std::string path = work.path();
  while (path.size() < 256) {
    const size_t room = 256 - path.size() - 1;
    size_t length = std::min<size_t>(room, 60);
    if (room - length == 1) // no room would be left for a name after the next separator
      --length;
    path += "\\" + std::string(length, 'd');
    if (!CreateDirectoryA(path.c_str(), nullptr)) {
      std::printf("SKIP failed search: a folder of %zu characters cannot be made here (%lu)\n",
                  path.size(), GetLastError());
      return;
    }
  }
  ASSERT_EQ(path.size(), 256u);
  const SYSTEMTIME old = localTime(2007, 7, 7, 7, 7, 7);
  ASSERT_TRUE(writeLocalTimes(path, old, old, old));

  Tolm tolm(program, argumentsFor('d', path));
  ASSERT_TRUE(tolm.Open());
  ASSERT_NE(tolm.OpenEditor(), nullptr);
  const SYSTEMTIME update = localTime(2025, 5, 25, 5, 25, 25);
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateDate), update));
  ASSERT_TRUE(setPickerAsUser(tolm.control(kUpdateTime), update));
  clickLater(tolm.control(kApply));
  const Box box = tolm.WaitForBox();
  expectBox(box, L"その他の障害", -1, MAKEINTRESOURCEW(32515));
  pressBoxOk(box);
  const std::vector<std::string> logs = waitForLogs(1);
  clickLater(tolm.control(IDCANCEL));
  ASSERT_TRUE(tolm.EditorClosed());
  EXPECT_TRUE(tolm.Close());

  LocalTimes t;
  ASSERT_TRUE(readLocalTimes(path, t));
  EXPECT_TRUE(sameSecond(t.update, old)) << "a failed search changes nothing";
  ASSERT_EQ(logs.size(), 1u);
  std::smatch m;
  EXPECT_TRUE(std::regex_match(
      logs[0], m,
      std::regex(header(1, 0, 0, 0, "0") + rx("File Search (602) : Error Code = -1 ") + kAnyText +
                 rx("File Search (603) : Error Code = 0 ") + kAnyText + "\\r\\n")))
      << logs[0];
}

} // namespace
