// Drives the real TOLM.exe with the real libraries under Xvfb: the EXIF tab of camera files
// (rows compared with what daxread.dll itself reports), the Version tab with and without the
// reader's language library, the extended delete from the list file to the recycle bin and
// every failure of it, and the General tab's preview read back from the screen.
#include <windows.h>
#include <commctrl.h>

#include "daxread.h"
#include "tests/support/ui_driver.h"
#include "tests/support/win_test_util.h"
#include "tolm_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace testutil;

const char *const kDeliverables[] = {"TOLM.exe",   "kelsys.dll",  "daxread.dll",
                                     "vopimg.dll", "dax2jpn.dll", "dax2enc.dll"};

std::string outFile(const char *name) { return windowsPath(TOLM_OUT_DIR) + "\\" + name; }
std::string dataFile(const char *name) { return windowsPath(PAGES_DATA_DIR) + "\\" + name; }
std::string corpusFile(const char *name) {
  return windowsPath(TOLM_CORPUS_DIR) + "\\exif\\jpg\\" + name;
}

std::string readAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool exists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::set<std::string> namesIn(const std::string &folder, const std::string &pattern = "*") {
  std::set<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
        names.insert(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  return names;
}

// The deliverables in a folder of their own, as installed; `without` is left out.
class ProgramFolder {
public:
  explicit ProgramFolder(const char *without = nullptr) {
    for (const char *name : kDeliverables) {
      if (without == nullptr || std::strcmp(name, without) != 0) {
        EXPECT_TRUE(CopyFileA(outFile(name).c_str(), dir.join(name).c_str(), FALSE)) << name;
      }
    }
  }
  const std::string &path() const { return dir.path(); }
  std::string file(const char *name) const { return dir.join(name); }

private:
  ScratchDir dir;
};

// Starts the program with TMP and TEMP naming `tempFolder`, so that its temporary files land
// where the test can see them all and nowhere else.
std::unique_ptr<ProgramRun> start(const ProgramFolder &program, const std::string &arguments,
                                  const std::string &tempFolder) {
  char oldTmp[MAX_PATH] = {}, oldTemp[MAX_PATH] = {};
  GetEnvironmentVariableA("TMP", oldTmp, MAX_PATH);
  GetEnvironmentVariableA("TEMP", oldTemp, MAX_PATH);
  SetEnvironmentVariableA("TMP", tempFolder.c_str());
  SetEnvironmentVariableA("TEMP", tempFolder.c_str());
  auto run = std::make_unique<ProgramRun>(program.path(), "TOLM.exe", arguments);
  SetEnvironmentVariableA("TMP", oldTmp);
  SetEnvironmentVariableA("TEMP", oldTemp);
  EXPECT_TRUE(run->started()) << "TOLM.exe did not start";
  return run;
}

bool hasTabs(HWND window) {
  return FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr) != nullptr;
}

HWND waitForMainDialog(const ProgramRun &run) { return run.waitForWindow(hasTabs, 60000); }

// The page of `dialog` that holds a control with `id` of class `cls`.
HWND pageWith(HWND dialog, int id, const wchar_t *cls) {
  return findChild(dialog, [&](HWND c) {
    HWND control = GetDlgItem(c, id);
    return windowClass(c) == L"#32770" && control != nullptr && windowClass(control) == cls;
  });
}

void closeWith(ProgramRun &run, HWND dialog, int button) {
  PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(button), 0);
  EXPECT_TRUE(run.waitForExit(30000)) << "the program did not end";
}

// ---- the EXIF list -------------------------------------------------------------------------

struct Row {
  std::wstring label, value;
  int image = -1;
  bool operator==(const Row &o) const {
    return label == o.label && value == o.value && image == o.image;
  }
};

std::string describe(const std::vector<Row> &rows, size_t at) {
  if (at >= rows.size())
    return "(none)";
  char text[4096];
  WideCharToMultiByte(CP_UTF8, 0, (rows[at].label + L" | " + rows[at].value.substr(0, 80)).c_str(),
                      -1, text, sizeof text, nullptr, nullptr);
  return std::string(text) + " | image " + std::to_string(rows[at].image);
}

// The heading of each group the reader reports, by the documented table.
Row heading(int32_t group) {
  switch (group) {
  case 0:
    return {L"Tiff", L"", 0};
  case 34665:
    return {L"Exif", L"", 1};
  case 34853:
    return {L"GPS", L"", 2};
  case 40965:
    return {L"Interoperability", L"", 3};
  default:
    return {L"Thumbnail", L"", 4};
  }
}

std::wstring first1023(const char *text) { return wide(std::string(text, strnlen(text, 1023))); }

// What the list must show for `path`, from daxread.dll's own exports: one heading per group,
// one row per entry. `longest` receives the longest value's length in bytes.
std::vector<Row> expectedRows(const std::string &path, size_t *longest = nullptr) {
  static HMODULE reader = LoadLibraryA(outFile("daxread.dll").c_str());
  using Init = int(DAX_API *)(const char *);
  using Process = int(DAX_API *)(int, void *);
  std::vector<Row> rows;
  if (reader == nullptr) {
    ADD_FAILURE() << "daxread.dll cannot be loaded";
    return rows;
  }
  auto init =
      reinterpret_cast<Init>(reinterpret_cast<void *>(GetProcAddress(reader, "daxInitialize")));
  auto process = reinterpret_cast<Process>(
      reinterpret_cast<void *>(GetProcAddress(reader, "daxBeginProcessing")));
  char language[MAX_PATH] = {};
  std::snprintf(language, sizeof language, "%s", outFile("dax2jpn.dll").c_str());
  if (init(language) != 0) {
    ADD_FAILURE() << "the reader's language library cannot be loaded";
    return rows;
  }
  char target[MAX_PATH] = {};
  std::snprintf(target, sizeof target, "%s", path.c_str());
  if (process(DAX_OP_ANALYZE | DAX_MOD_100 | DAX_MOD_200, target) <= 0)
    return rows;
  DAX_ITERATION setup{1024, 65536};
  const int n = process(DAX_OP_BEGIN_ITERATION, &setup);
  std::vector<char> label(1024), value(65536);
  bool first = true;
  int32_t group = 0;
  for (int k = 0; k < n; ++k) {
    DAX_ENTRY entry{0, 0, 0, label.data(), value.data()};
    label[0] = value[0] = '\0';
    if (process(DAX_OP_NEXT_ENTRY, &entry) < 0)
      break;
    if (first || entry.group != group)
      rows.push_back(heading(entry.group));
    first = false;
    group = entry.group;
    if (longest != nullptr)
      *longest = std::max(*longest, strnlen(value.data(), value.size()));
    rows.push_back({first1023(label.data()), first1023(value.data()), 5});
  }
  process(DAX_OP_RELEASE, nullptr);
  return rows;
}

// The EXIF page's list as shown by the program, read through a buffer in its process.
struct ShownList {
  std::vector<Row> rows;
  int columns = -1, width0 = -1, width1 = -1, selected = -2, selectedCount = -1;
};

ShownList readList(HWND list) {
  ShownList shown;
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  constexpr int kChars = 4096; // more than the 1023 the program may show, to see any excess
  RemoteBuffer remote(pid, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote.valid()) {
    ADD_FAILURE() << "no memory in the program's process";
    return shown;
  }
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    Row r;
    for (int column = 0; column < 2; ++column) {
      LVITEMW item{};
      item.mask = LVIF_TEXT | (column == 0 ? LVIF_IMAGE : 0u);
      item.iItem = row;
      item.iSubItem = column;
      item.pszText =
          reinterpret_cast<wchar_t *>(remote.address() + static_cast<LPARAM>(sizeof(LVITEMW)));
      item.cchTextMax = kChars;
      std::vector<wchar_t> text(kChars, L'\0');
      DWORD_PTR ok = 0;
      if (!remote.write(&item, sizeof item) ||
          !SendMessageTimeoutW(list, LVM_GETITEMW, 0, remote.address(), SMTO_ABORTIFHUNG, 10000,
                               &ok) ||
          !ok) {
        ADD_FAILURE() << "row " << row << " cannot be read";
        return shown;
      }
      std::vector<char> raw(sizeof(LVITEMW) + kChars * sizeof(wchar_t));
      remote.read(raw.data(), raw.size());
      std::memcpy(&item, raw.data(), sizeof item);
      std::memcpy(text.data(), raw.data() + sizeof(LVITEMW), kChars * sizeof(wchar_t));
      text[kChars - 1] = L'\0';
      (column == 0 ? r.label : r.value) = text.data();
      if (column == 0)
        r.image = item.iImage;
    }
    shown.rows.push_back(r);
  }
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  shown.columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : -1;
  shown.width0 = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
  shown.width1 = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
  shown.selected =
      static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  shown.selectedCount = static_cast<int>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0));
  return shown;
}

ShownList showExif(const std::string &letter, const std::string &target) {
  ProgramFolder program;
  ScratchDir temp;
  auto run = start(program, "/" + letter + " \"" + target + "\"", temp.path());
  HWND dialog = waitForMainDialog(*run);
  if (dialog == nullptr) {
    ADD_FAILURE() << "the property dialog did not open for " << target;
    return {};
  }
  HWND page = pageWith(dialog, 1029, WC_LISTVIEWW);
  ShownList shown;
  if (page == nullptr)
    ADD_FAILURE() << "no EXIF page";
  else
    shown = readList(GetDlgItem(page, 1029));
  closeWith(*run, dialog, IDOK);
  return shown;
}

// The bytes of a JPEG file with an APP1 EXIF segment holding `ifd0` (ASCII tags) and, when
// `thumbnail` is not empty, a second IFD with that JPEG stream as its thumbnail.
std::string withExif(const std::string &jpeg,
                     const std::vector<std::pair<uint16_t, std::string>> &ifd0,
                     const std::string &thumbnail = std::string()) {
  std::string tiff = std::string("II*\0\x08\0\0\0", 8);
  auto u16 = [](std::string &s, uint32_t v) {
    s += static_cast<char>(v & 0xFF), s += static_cast<char>(v >> 8);
  };
  auto u32 = [&](std::string &s, uint32_t v) { u16(s, v & 0xFFFF), u16(s, v >> 16); };
  const uint32_t ifd0Size = 2 + 12 * static_cast<uint32_t>(ifd0.size()) + 4;
  uint32_t data = 8 + ifd0Size;
  std::string values;
  u16(tiff, static_cast<uint32_t>(ifd0.size()));
  for (const auto &[tag, text] : ifd0) {
    u16(tiff, tag);
    u16(tiff, 2); // ASCII
    u32(tiff, static_cast<uint32_t>(text.size() + 1));
    u32(tiff, data + static_cast<uint32_t>(values.size()));
    values += text;
    values += '\0';
    if (values.size() % 2)
      values += '\0';
  }
  const uint32_t ifd1 = data + static_cast<uint32_t>(values.size());
  u32(tiff, thumbnail.empty() ? 0 : ifd1);
  tiff += values;
  if (!thumbnail.empty()) {
    const uint32_t stream = ifd1 + 2 + 12 * 3 + 4;
    u16(tiff, 3);
    for (auto [tag, value] : {std::pair<uint32_t, uint32_t>{0x103, 6},
                              {0x201, stream},
                              {0x202, static_cast<uint32_t>(thumbnail.size())}}) {
      u16(tiff, tag);
      u16(tiff, tag == 0x103 ? 3 : 4);
      u32(tiff, 1);
      u32(tiff, value);
    }
    u32(tiff, 0);
    tiff += thumbnail;
  }
  std::string app1 = std::string("\xFF\xE1", 2);
  const uint32_t length = 2 + 6 + static_cast<uint32_t>(tiff.size());
  app1 += static_cast<char>(length >> 8);
  app1 += static_cast<char>(length & 0xFF);
  app1 += std::string("Exif\0\0", 6) + tiff;
  // After the JFIF segment when there is one, where readers look for it.
  size_t at = 2;
  if (jpeg.size() > 6 && static_cast<uint8_t>(jpeg[2]) == 0xFF &&
      static_cast<uint8_t>(jpeg[3]) == 0xE0)
    at = 4 +
         (static_cast<size_t>(static_cast<uint8_t>(jpeg[4])) << 8 | static_cast<uint8_t>(jpeg[5]));
  return jpeg.substr(0, at) + app1 + jpeg.substr(at);
}

std::string writeFile(const ScratchDir &dir, const std::string &name, const std::string &bytes) {
  return dir.file(name, bytes);
}

class Pages : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(GetACP(), 932u) << "the Japanese code page is not active"; }
  ScratchDir work;
};

void expectListOf(const std::string &path, const char *what) {
  SCOPED_TRACE(what);
  const std::vector<Row> expected = expectedRows(path);
  ASSERT_FALSE(expected.empty()) << "the reader finds no EXIF data in " << path;
  const ShownList shown = showExif("f", path);
  EXPECT_EQ(shown.columns, 2);
  EXPECT_EQ(shown.width0, 200);
  EXPECT_EQ(shown.width1, 190);
  ASSERT_EQ(shown.rows.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_TRUE(shown.rows[i] == expected[i])
        << "row " << i << ": shown " << describe(shown.rows, i) << "; expected "
        << describe(expected, i);
  EXPECT_EQ(shown.selected, expected.size() >= 4 ? 4 : 1);
  EXPECT_EQ(shown.selectedCount, 1);
}

std::set<std::wstring> headingsOf(const std::vector<Row> &rows) {
  std::set<std::wstring> out;
  for (const Row &r : rows)
    if (r.image >= 0 && r.image <= 4)
      out.insert(r.label);
  return out;
}

TEST_F(Pages, TheExifTabListsEveryGroupAndTagOfCameraFiles) {
  const char *const files[] = {"Canon_40D.jpg", "gps\\DSCN0010.jpg", "Nikon_D70.jpg",
                               "long_description.jpg"};
  if (!exists(corpusFile(files[0]))) {
    std::printf("SKIP camera files: the corpus is not at %s\n", corpusFile("").c_str());
  } else {
    for (const char *name : files)
      expectListOf(corpusFile(name), name);
    // The files chosen show every kind of heading between them.
    std::set<std::wstring> seen;
    for (const char *name : files) {
      const std::set<std::wstring> h = headingsOf(expectedRows(corpusFile(name)));
      seen.insert(h.begin(), h.end());
    }
    EXPECT_EQ(seen, (std::set<std::wstring>{L"Tiff", L"Exif", L"GPS", L"Interoperability",
                                            L"Thumbnail"}));
  }
  // The project's own sample photograph, always present.
  expectListOf(windowsPath(TOLM_SOURCE_DIR) + "\\samples\\sample.jpg", "sample.jpg");
}

TEST_F(Pages, ALongValueIsCutTo1023CharactersAndFewRowsSelectRowOne) {
  const std::string plain = readAll(dataFile("plain.jpg"));
  ASSERT_GT(plain.size(), 100u) << "plain.jpg of the build is missing";
  std::string description;
  for (int i = 0; description.size() < 1500; ++i)
    description += "part" + std::to_string(i) + " ";
  const std::string longFile =
      writeFile(work, "long.jpg", withExif(plain, {{0x010E, description}}));
  size_t longest = 0;
  const std::vector<Row> expected = expectedRows(longFile, &longest);
  ASSERT_GT(longest, 1023u) << "the reader does not report the long value";
  ASSERT_EQ(expected.size(), 2u) << "one heading and one tag";
  const ShownList shown = showExif("f", longFile);
  ASSERT_EQ(shown.rows.size(), 2u);
  EXPECT_EQ(shown.rows[0], expected[0]);
  EXPECT_EQ(shown.rows[1].label, expected[1].label);
  EXPECT_EQ(shown.rows[1].value.size(), 1023u);
  EXPECT_EQ(shown.rows[1].value, wide(description.substr(0, 1023)));
  EXPECT_EQ(shown.selected, 1) << "with fewer than five rows row 1 is selected";
}

TEST_F(Pages, FilesWithoutExifAndFoldersShowAnEmptyListWithTwoColumns) {
  const std::string plain = dataFile("plain.jpg");
  ASSERT_TRUE(expectedRows(plain).empty()) << "plain.jpg should carry no EXIF data";
  const std::string text = work.file("notes.txt", "no picture");
  for (const auto &[letter, target] : {std::pair<std::string, std::string>{"f", plain},
                                       {"f", text},
                                       {"d", work.folder("album")}}) {
    SCOPED_TRACE(target);
    const ShownList shown = showExif(letter, target);
    EXPECT_TRUE(shown.rows.empty());
    EXPECT_EQ(shown.columns, 2);
    EXPECT_EQ(shown.selectedCount, 0);
  }
}

// ---- the Version tab -------------------------------------------------------------------------

std::string versionLine(const std::string &name, const std::string &path) {
  uint32_t parts[4] = {0, 0, 0, 0};
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::vector<char> data(size);
  VS_FIXEDFILEINFO *info = nullptr;
  UINT length = 0;
  if (size != 0 && GetFileVersionInfoA(path.c_str(), 0, size, data.data()) &&
      VerQueryValueA(data.data(), "\\", reinterpret_cast<void **>(&info), &length) &&
      info != nullptr) {
    parts[0] = info->dwFileVersionMS >> 16;
    parts[1] = info->dwFileVersionMS & 0xFFFF;
    parts[2] = info->dwFileVersionLS >> 16;
    parts[3] = info->dwFileVersionLS & 0xFFFF;
  }
  char text[128];
  std::snprintf(text, sizeof text, "%s Ver. %u.%u.%u.%u", name.c_str(), parts[0], parts[1],
                parts[2], parts[3]);
  return text;
}

std::wstring versionText(const ProgramFolder &program, const std::string &letter,
                         const std::string &target) {
  ScratchDir temp;
  auto run = start(program, "/" + letter + " \"" + target + "\"", temp.path());
  HWND dialog = waitForMainDialog(*run);
  if (dialog == nullptr) {
    ADD_FAILURE() << "no dialog";
    return L"";
  }
  HWND page = pageWith(dialog, 1031, L"Static");
  std::wstring text = page ? windowText(GetDlgItem(page, 1031)) : L"(no Version page)";
  closeWith(*run, dialog, IDCANCEL);
  return text;
}

TEST_F(Pages, TheVersionTabShowsTheFileVersionsOfEveryComponent) {
  const std::string album = work.folder("album");
  for (bool withLanguage : {true, false}) {
    SCOPED_TRACE(withLanguage ? "with dax2jpn.dll" : "without dax2jpn.dll");
    ProgramFolder program(withLanguage ? nullptr : "dax2jpn.dll");
    // The program's own files are found in its folder; the runtime libraries where the system
    // keeps them, as for any program.
    std::string lines[9] = {versionLine("TOLM.exe", program.file("TOLM.exe")),
                            versionLine("vopimg.dll", program.file("vopimg.dll")),
                            versionLine("kelsys.dll", program.file("kelsys.dll")),
                            versionLine("daxread.dll", program.file("daxread.dll")),
                            withLanguage ? versionLine("dax2jpn.dll", program.file("dax2jpn.dll"))
                                         : std::string("dax2jpn.dll Ver. 0.0.0.0"),
                            versionLine("msvcrt.dll", "msvcrt.dll"),
                            versionLine("comctl32.dll", "comctl32.dll"),
                            versionLine("GdiPlus.dll", "GdiPlus.dll"),
                            versionLine("user32.dll", "user32.dll")};
    for (const std::string &line : lines)
      EXPECT_EQ(line.find(" Ver. 0.0.0.0") == std::string::npos,
                withLanguage || line.rfind("dax2jpn", 0) != 0)
          << line;
    const std::string notice = std::string("TOLM ") + TOLM_VERSION_TEXT + "  (C) n.orbit";
    const std::string expected = lines[0] + "\r\r" + lines[1] + "\r" + lines[2] + "\r" + lines[3] +
                                 "\r" + lines[4] + "\r\r" + lines[5] + "\r" + lines[6] + "\r" +
                                 lines[7] + "\r" + lines[8] + "\r\r\r\r\r\r" + notice;
    // The same block in both dialogs: the property dialog and the extended delete.
    EXPECT_EQ(versionText(program, "d", album), wide(expected));
    EXPECT_EQ(versionText(program, "e", album), wide(expected));
  }
}

// ---- the extended delete ---------------------------------------------------------------------

const char kHeader[] = "TOLM[Elimination]\r\nVer2.2\r\nThe list of files to erase.\r\nbegin->\r\n";

std::string eraseList(const std::vector<std::string> &entries, const char *eol = "\r\n") {
  std::string list = kHeader;
  for (const std::string &e : entries)
    list += e + eol;
  return list + "<-end" + eol;
}

// A variable of the Linux environment Wine runs in; Wine keeps some of them, HOME among them,
// out of the Windows one, but this process's own entry in /proc still has them.
std::string unixVariable(const std::string &name) {
  const std::string block = readAll("Z:\\proc\\self\\environ");
  for (size_t at = 0; at < block.size(); at = block.find('\0', at) + 1) {
    if (block.compare(at, name.size() + 1, name + "=") == 0)
      return block.substr(at + name.size() + 1, block.find('\0', at) - at - name.size() - 1);
    if (block.find('\0', at) == std::string::npos)
      break;
  }
  return "";
}

// The desktop's trash of the user running Wine, where its shell moves what goes to the
// recycle bin.
std::string trashFolder() {
  static const std::string folder = [] {
    const std::string data = unixVariable("XDG_DATA_HOME");
    if (!data.empty())
      return windowsPath(data) + "\\Trash";
    const std::string home = unixVariable("HOME");
    return home.empty() ? std::string() : windowsPath(home) + "\\.local\\share\\Trash";
  }();
  return folder;
}

std::string percentDecoded(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  return out;
}

// The entries of the trash whose original place was `unixFolder`: their original names, and
// the trash's own names of them for the clean-up.
struct Trashed {
  std::set<std::string> originalNames;
  std::vector<std::string> trashNames;
};

Trashed trashedFrom(const std::string &unixFolder) {
  Trashed out;
  const std::string info = trashFolder() + "\\info";
  for (const std::string &name : namesIn(info, "*.trashinfo")) {
    const std::string text = readAll(info + "\\" + name);
    const size_t at = text.find("\nPath=");
    if (at == std::string::npos)
      continue;
    const std::string original =
        percentDecoded(text.substr(at + 6, text.find('\n', at + 6) - at - 6));
    const size_t slash = original.rfind('/');
    if (original.substr(0, slash) == unixFolder) {
      out.originalNames.insert(original.substr(slash + 1));
      out.trashNames.push_back(name.substr(0, name.size() - std::strlen(".trashinfo")));
    }
  }
  return out;
}

void emptyTrashOf(const Trashed &trashed) {
  for (const std::string &name : trashed.trashNames) {
    DeleteFileA((trashFolder() + "\\files\\" + name).c_str());
    DeleteFileA((trashFolder() + "\\info\\" + name + ".trashinfo").c_str());
  }
}

class Erase : public Pages {
protected:
  void SetUp() override {
    Pages::SetUp();
    // Names of this run only, so that the trash of earlier runs and other programs is told apart.
    tag = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount64());
    target = work.folder("target_" + tag);
    lists = work.folder("lists");
    temp = work.folder("temp");
  }
  void TearDown() override { emptyTrashOf(trashedFrom(unixPathOf(target))); }

  std::string put(const std::string &name, DWORD attributes = 0) {
    const std::string path = target + "\\" + name;
    std::ofstream(path, std::ios::binary) << "content of " << name;
    EXPECT_TRUE(exists(path)) << path << " cannot be made";
    if (attributes != 0)
      SetFileAttributesA(path.c_str(), attributes);
    return path;
  }
  std::string writeList(const std::string &bytes) {
    static int count = 0;
    const std::string path = lists + "\\list" + std::to_string(++count) + ".tlx";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Opens the erase dialog on the target, types `listPath` and presses OK.
  HWND openAndConfirm(ProgramRun &run, const std::string &listPath) {
    HWND dialog = waitForMainDialog(run);
    if (dialog == nullptr)
      return nullptr;
    HWND page = pageWith(dialog, 1038, L"Edit");
    if (page == nullptr) {
      ADD_FAILURE() << "no erase page";
      return nullptr;
    }
    HWND edit = GetDlgItem(page, 1038);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(listPath).c_str()),
                        SMTO_ABORTIFHUNG, 10000, &ignored);
    EXPECT_EQ(windowText(edit), wide(listPath));
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return dialog;
  }

  // The message box the run ends with: its text, or "" when none appeared before the end.
  std::wstring boxText(ProgramRun &run, HWND dialog, std::wstring *caption = nullptr) {
    HWND box = run.waitForWindow([&](HWND w) {
      return w != dialog && windowClass(w) == L"#32770" && !hasTabs(w) &&
             GetDlgItem(w, IDOK) != nullptr && GetDlgItem(w, IDYES) == nullptr;
    });
    if (box == nullptr)
      return L"";
    std::wstring text;
    waitUntil([&] {
      findChild(box, [&](HWND c) {
        if (windowClass(c) == L"Static" &&
            (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON &&
            windowText(c).size() > text.size())
          text = windowText(c);
        return false;
      });
      return !text.empty();
    });
    if (caption != nullptr)
      *caption = windowText(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text;
  }

  void expectRefused(const std::string &listPath, const std::wstring &message, int code,
                     const char *what) {
    SCOPED_TRACE(what);
    const std::set<std::string> before = namesIn(target);
    auto run = start(program, "/e \"" + target + "\"", temp);
    HWND dialog = openAndConfirm(*run, listPath);
    ASSERT_NE(dialog, nullptr) << "the erase dialog did not open";
    std::wstring caption;
    const std::wstring text = boxText(*run, dialog, &caption);
    const std::wstring head = message + L" (TOLM:" + std::to_wstring(code) + L")    ";
    EXPECT_EQ(text.substr(0, head.size()), head) << "exit code " << std::hex << run->exitCode();
    EXPECT_EQ(caption, L"TOLM");
    EXPECT_TRUE(run->waitForExit(30000)) << "the dialog closes after the box";
    EXPECT_EQ(namesIn(target), before) << "nothing is deleted";
    EXPECT_TRUE(trashedFrom(unixPathOf(target)).originalNames.empty());
    EXPECT_EQ(namesIn(temp, "TOZ*.tmp").size(), 0u) << "search results left behind";
  }

  ProgramFolder program;
  std::string tag, target, lists, temp;
};

TEST_F(Erase, MatchingPlainFilesGoToTheRecycleBinAndNothingElse) {
  if (trashFolder().empty()) {
    std::printf(
        "SKIP the recycle bin: neither XDG_DATA_HOME nor HOME is in this process's environment\n");
    return;
  }
  const std::set<std::string> leave = {"ro.tmp",    "hidden.tmp", "system.tmp",
                                       "notes.txt", "page.html",  "b.bak.txt"};
  const std::set<std::string> go = {"a.tmp", "b.bak", "c.TMP", "page.htm"};
  for (const std::string &name : go)
    put(name);
  put("ro.tmp", FILE_ATTRIBUTE_READONLY);
  put("hidden.tmp", FILE_ATTRIBUTE_HIDDEN);
  put("system.tmp", FILE_ATTRIBUTE_SYSTEM);
  put("notes.txt");
  put("page.html");
  put("b.bak.txt");
  CreateDirectoryA((target + "\\sub").c_str(), nullptr);
  put("sub\\d.tmp");
  ASSERT_TRUE(GetFileAttributesA((target + "\\hidden.tmp").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(GetFileAttributesA((target + "\\system.tmp").c_str()) & FILE_ATTRIBUTE_SYSTEM);
  // ".zip" matches nothing: skipped, the other entries still count.
  const std::string list = writeList(eraseList({".tmp", ".zip", ".bak", ".htm"}));

  auto run = start(program, "/e \"" + target + "\"", temp);
  HWND dialog = openAndConfirm(*run, list);
  ASSERT_NE(dialog, nullptr) << "the erase dialog did not open";
  // The shell asks first; its Yes sends the files to the recycle bin.
  HWND confirm = run->waitForWindow(
      [&](HWND w) { return w != dialog && GetDlgItem(w, IDYES) != nullptr; }, 60000);
  ASSERT_NE(confirm, nullptr) << "the shell did not ask for confirmation";
  PostMessageW(confirm, WM_COMMAND, IDYES, 0);
  ASSERT_TRUE(run->waitForExit(60000));

  std::set<std::string> left = leave;
  left.insert("sub");
  EXPECT_EQ(namesIn(target), left);
  EXPECT_TRUE(exists(target + "\\sub\\d.tmp")) << "files in subfolders stay";
  const Trashed trashed = trashedFrom(unixPathOf(target));
  EXPECT_EQ(trashed.originalNames, go) << "what the trash holds from the folder";
  for (const std::string &name : trashed.trashNames)
    EXPECT_TRUE(exists(trashFolder() + "\\files\\" + name)) << name;
  // Each search result is gone once read: kept, they would use up the temporary names.
  EXPECT_EQ(namesIn(temp, "TOZ*.tmp").size(), 0u);
}

const std::wstring kListProblem = L"消去リストファイルの問題";
const std::wstring kNotAList = L"TOLM用の消去ファイルリストではない、または、規定の書式でない";
const std::wstring kSearchProblem = L"消去用リストファイルの異常";
const std::wstring kBufferShort = L"作業用バッファが足りません";

TEST_F(Erase, ListsThatCannotBeUsedShowTheirMessageAndDeleteNothing) {
  put("a.tmp");
  put("b.bak");
  expectRefused(lists + "\\missing.tlx", kListProblem, -5008, "a missing list");
  std::string header = eraseList({".tmp"});
  header.replace(header.find("Ver2.2"), 6, "Ver2.3");
  expectRefused(writeList(header), kNotAList, -5009, "another version in the header");
  expectRefused(writeList(eraseList({})), kNotAList, -5009, "no entry");
  std::string lfOnly = eraseList({".tmp"}, "\n");
  expectRefused(writeList(lfOnly), kNotAList, -5009, "lines ended by LF only");
  expectRefused(writeList(eraseList({"tmp"})), kNotAList, -5009, "an entry without its dot");
  expectRefused(writeList(eraseList({".tmp", "..\\*.tmp"})), kNotAList, -5009,
                "an entry reaching out of the folder");
}

TEST_F(Erase, SearchResultsThatCannotBeKeptOrCollectedStopTheRun) {
  put("a.tmp");
  // No temporary file can be made in a folder that does not exist: the search has nowhere to
  // write its result.
  const std::string goodList = writeList(eraseList({".tmp"}));
  {
    const std::string kept = temp;
    temp = work.join("no such folder");
    expectRefused(goodList, kSearchProblem, -5010, "no place for the search result");
    temp = kept;
  }
  // The deletion list holds 2,000,000 bytes: 299 entries that each find the same 40 files with
  // names of 150 characters collect more than that, as a folder of about 9000 such files would.
  size_t paths = 0;
  for (int i = 0; i < 40; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "%02d", i);
    paths += put(std::string(name) + std::string(144, 'x') + ".dat").size() + 1;
  }
  ASSERT_GE(paths * 299, 2000000u);
  expectRefused(writeList(eraseList(std::vector<std::string>(299, ".dat"))), kBufferShort, -5011,
                "more paths than the deletion list holds");
}

TEST_F(Erase, ASearchResultLargerThanTheWorkBufferTakesIsABufferShortage) {
  // One entry whose search result exceeds twice the 2,000,000-byte deletion list: 16,500 paths
  // of 250 bytes with their line ends. Made from the Linux side: Wine creates each file in a
  // crowded folder slowly.
  const std::string stem = std::string(250 - target.size() - 1 - 5 - 4, 'y');
  const std::string marker = lists + "\\made_" + tag;
  ASSERT_TRUE(startUnixProgram(
      "/bin/sh -c \"cd '" + unixPathOf(target) + "' && seq -w 0 16499 | sed 's/$/" + stem +
      ".big/' | xargs touch && touch '" + unixPathOf(lists) + "/made_" + tag + "'\""));
  ASSERT_TRUE(waitUntil([&] { return exists(marker); }, 120000)) << "the files were not made";
  ASSERT_EQ(namesIn(target, "*.big").size(), 16500u);
  expectRefused(writeList(eraseList({".big"})), kBufferShort, -5011,
                "a search result beyond the work buffer");
}

TEST_F(Erase, TheBrowseButtonPutsTheChosenListIntoTheEditBox) {
  const std::string list = writeList(eraseList({".tmp"}));
  auto run = start(program, "/e \"" + target + "\"", temp);
  HWND dialog = waitForMainDialog(*run);
  ASSERT_NE(dialog, nullptr);
  HWND page = pageWith(dialog, 1038, L"Edit");
  ASSERT_NE(page, nullptr);
  PostMessageW(GetDlgItem(page, 1036), BM_CLICK, 0, 0);
  HWND files =
      run->waitForWindow([&](HWND w) { return w != dialog && !hasTabs(w) && GetDlgItem(w, IDOK); });
  ASSERT_NE(files, nullptr) << "no file dialog";
  HWND name =
      findChild(files, [](HWND c) { return windowClass(c) == L"Edit" && IsWindowVisible(c); });
  ASSERT_NE(name, nullptr) << "no file name box";
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(list).c_str()),
                      SMTO_ABORTIFHUNG, 10000, &ignored);
  PostMessageW(files, WM_COMMAND, IDOK, 0);
  HWND edit = GetDlgItem(page, 1038);
  EXPECT_TRUE(waitUntil([&] { return !IsWindow(files) && windowText(edit) == wide(list); }))
      << "the edit box shows the chosen path";
  closeWith(*run, dialog, IDCANCEL);
  EXPECT_EQ(namesIn(target).size(), 0u);
}

// ---- the preview -----------------------------------------------------------------------------

struct Rgb {
  int r, g, b;
};
Rgb rgbOf(uint32_t p) {
  return {static_cast<int>(p >> 16), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
}
bool similar(uint32_t pixel, Rgb want, int tolerance) {
  const Rgb p = rgbOf(pixel);
  return std::abs(p.r - want.r) <= tolerance && std::abs(p.g - want.g) <= tolerance &&
         std::abs(p.b - want.b) <= tolerance;
}

// The quadrant colours of the pictures made for these tests: red, green / blue, yellow.
const Rgb kQuadrants[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};

struct Placement {
  int x, y, width, height;
};

// Where the picture must appear on a page of the given client size.
Placement expectedPlacement(int w, int h, int clientWidth, int clientHeight) {
  const int aw = clientWidth - 40, ah = clientHeight - 15 - 185;
  const float sx = w < aw ? 1.0f : static_cast<float>(aw) / static_cast<float>(w);
  const float sy = h < ah ? 1.0f : static_cast<float>(ah) / static_cast<float>(h);
  const float s = std::min(sx, sy);
  const int nw = static_cast<int>(s * static_cast<float>(w)),
            nh = static_cast<int>(s * static_cast<float>(h));
  return {(aw - nw) / 2 + 20, (ah - nh) / 2 + 185, nw, nh};
}

// A 24-bit BMP of w by h pixels in the four quadrant colours.
std::string quadrantBmp(int w, int h) {
  const int stride = (w * 3 + 3) & ~3;
  std::string bytes(54 + static_cast<size_t>(stride) * static_cast<size_t>(h), '\0');
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  put32(26, 1 | (24u << 16));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int top = h - 1 - y; // rows are stored bottom up
      const Rgb c = kQuadrants[(top < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1)];
      char *p = &bytes[54 + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
      p[0] = static_cast<char>(c.b), p[1] = static_cast<char>(c.g), p[2] = static_cast<char>(c.r);
    }
  return bytes;
}

struct PreviewSeen {
  SIZE client{};
  int textBottom = 0;           // below the page's controls, in client pixels
  std::vector<uint32_t> pixels; // the page's client area as on the screen
  bool painted = false;
};

// Opens the property dialog on `image` and reads the General page from the screen once the
// quadrant colours appear at the expected place of a `w` by `h` picture (or, for w = 0, once
// the page has settled).
PreviewSeen showPreview(const std::string &image, int w, int h, const std::string &tempFolder) {
  PreviewSeen seen;
  ProgramFolder program;
  auto run = start(program, "/f \"" + image + "\"", tempFolder);
  HWND dialog = waitForMainDialog(*run);
  if (dialog == nullptr) {
    ADD_FAILURE() << "no dialog for " << image;
    return seen;
  }
  HWND page = pageWith(dialog, 1025, L"Static");
  if (page == nullptr) {
    ADD_FAILURE() << "no General page";
    return seen;
  }
  RECT client;
  GetClientRect(page, &client);
  seen.client = {client.right, client.bottom};
  RECT times;
  GetWindowRect(GetDlgItem(page, 1023), &times);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT *>(&times), 2);
  seen.textBottom = times.bottom;
  POINT origin{0, 0};
  ClientToScreen(page, &origin);
  const RECT area = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  auto at = [&](const std::vector<uint32_t> &p, int x, int y) {
    return p[static_cast<size_t>(y * client.right + x)];
  };
  if (w > 0) {
    const Placement e = expectedPlacement(w, h, client.right, client.bottom);
    seen.painted = waitUntil([&] {
      seen.pixels = screenPixels(area);
      return !seen.pixels.empty() && similar(at(seen.pixels, e.x, e.y), kQuadrants[0], 60) &&
             similar(at(seen.pixels, e.x + e.width - 1, e.y + e.height - 1), kQuadrants[3], 60);
    });
  } else {
    std::vector<uint32_t> last;
    int calm = 0;
    seen.painted = waitUntil([&] {
      seen.pixels = screenPixels(area);
      calm = seen.pixels == last ? calm + 1 : 0;
      last = seen.pixels;
      return calm >= 10;
    });
  }
  closeWith(*run, dialog, IDOK);
  return seen;
}

// The picture's pixels: each quadrant's centre has its colour, and the rows and columns just
// outside the expected rectangle show the page's background.
void expectPicture(const PreviewSeen &seen, const Placement &e, int tolerance) {
  ASSERT_TRUE(seen.painted) << "the picture did not appear at " << e.x << "," << e.y << " size "
                            << e.width << "x" << e.height;
  const int cw = seen.client.cx;
  auto at = [&](int x, int y) { return seen.pixels[static_cast<size_t>(y * cw + x)]; };
  const uint32_t background = at(2, seen.client.cy - 2);
  const int xs[2] = {e.x + e.width / 4, e.x + e.width * 3 / 4},
            ys[2] = {e.y + e.height / 4, e.y + e.height * 3 / 4};
  for (int q = 0; q < 4; ++q)
    EXPECT_TRUE(similar(at(xs[q % 2], ys[q / 2]), kQuadrants[q], tolerance)) << "quadrant " << q;
  EXPECT_TRUE(similar(at(e.x, e.y), kQuadrants[0], tolerance)) << "top left corner";
  EXPECT_TRUE(similar(at(e.x + e.width - 1, e.y), kQuadrants[1], tolerance)) << "top right corner";
  EXPECT_TRUE(similar(at(e.x, e.y + e.height - 1), kQuadrants[2], tolerance))
      << "bottom left corner";
  EXPECT_TRUE(similar(at(e.x + e.width - 1, e.y + e.height - 1), kQuadrants[3], tolerance))
      << "bottom right corner";
  EXPECT_EQ(at(e.x - 1, e.y + e.height / 2), background) << "left of the picture";
  EXPECT_EQ(at(e.x + e.width, e.y + e.height / 2), background) << "right of the picture";
  EXPECT_EQ(at(e.x + e.width / 2, e.y - 1), background) << "above the picture";
  EXPECT_EQ(at(e.x + e.width / 2, e.y + e.height), background) << "below the picture";
}

TEST_F(Pages, ThePreviewShowsTheExifThumbnailCentredAndLeavesNoTemporaryFile) {
  const std::string thumbnail = readAll(dataFile("thumb.jpg"));
  const std::string main = readAll(dataFile("main.jpg"));
  ASSERT_FALSE(thumbnail.empty() || main.empty()) << "pictures of the build are missing";
  // The full picture is magenta; only the thumbnail has the four colours.
  const std::string photo =
      writeFile(work, "photo.jpg", withExif(main, {{0x010F, "Maker"}}, thumbnail));
  ASSERT_FALSE(expectedRows(photo).empty());
  const std::string temp = work.folder("temp");
  const PreviewSeen seen = showPreview(photo, 120, 90, temp);
  expectPicture(seen, expectedPlacement(120, 90, seen.client.cx, seen.client.cy), 60);
  EXPECT_TRUE(namesIn(temp, "TLM*").empty()) << "the thumbnail's temporary file is gone";
}

TEST_F(Pages, ThePreviewOfAPictureWithoutThumbnailIsTheFileShrunkToFit) {
  const std::string temp = work.folder("temp");
  // Smaller than the rectangle: its own size, centred.
  const PreviewSeen small = showPreview(dataFile("plain.png"), 160, 100, temp);
  expectPicture(small, expectedPlacement(160, 100, small.client.cx, small.client.cy), 0);
  ASSERT_GT(small.client.cx, 40);
  // Twice as wide as the rectangle and exactly as high: half its size.
  const int aw = small.client.cx - 40, ah = small.client.cy - 200;
  const std::string wide = writeFile(work, "wide.bmp", quadrantBmp(2 * aw, ah));
  const PreviewSeen half = showPreview(wide, 2 * aw, ah, temp);
  const Placement e = expectedPlacement(2 * aw, ah, half.client.cx, half.client.cy);
  EXPECT_EQ(e.width, aw);
  EXPECT_EQ(e.height, ah / 2);
  expectPicture(half, e, 0);
  EXPECT_TRUE(namesIn(temp, "TLM*").empty());
}

TEST_F(Pages, AFileThatIsNoPictureShowsNoPreview) {
  const std::string text = work.file("notes.txt", "plain text");
  const std::string temp = work.folder("temp");
  const PreviewSeen seen = showPreview(text, 0, 0, temp);
  ASSERT_TRUE(seen.painted) << "the page did not settle";
  // Below the text lines everything is background.
  const int cw = seen.client.cx;
  const uint32_t background = seen.pixels[static_cast<size_t>((seen.client.cy - 2) * cw + 2)];
  int other = 0;
  for (int y = std::max(185, seen.textBottom + 1); y < seen.client.cy - 15; ++y)
    for (int x = 20; x < cw - 20; ++x)
      other += seen.pixels[static_cast<size_t>(y * cw + x)] != background;
  EXPECT_EQ(other, 0) << "pixels of something drawn in the preview rectangle";
}

} // namespace
