// TOLM's dialogs and pages driven inside this process: their code, the program's resources and
// its application object are linked in, so that allocations can be made to fail, the system
// calls behind the editor's pictures refused, the reader replaced, and every message box the
// program shows recorded instead of shown.
#include <windows.h>
#include <commctrl.h>

#include "app/win/bitmaps.h"
#include "app/win/calendar_dialog.h"
#include "app/win/exif_page.h"
#include "app/win/resource.h"
#include "app/win/tolm_app.h"
#include "app/win/write_report.h"
#include "tests/app/win/change_logs.h"
#include "tests/support/alloc_failure.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The slot of this program's import table through which the code linked in calls `function`.
void **importSlot(const char *function) {
  auto *base = reinterpret_cast<BYTE *>(GetModuleHandleW(nullptr));
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY &imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto *dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
       dll->Name; ++dll) {
    auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->OriginalFirstThunk);
    auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
        continue;
      const auto *byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char *>(byName->Name), function) == 0)
        return reinterpret_cast<void **>(&slots->u1.Function);
    }
  }
  return nullptr;
}

// Points an import at `replacement` while it lives; `original` keeps the platform's function.
class ImportPatch {
public:
  ImportPatch(const char *function, void *replacement) : m_slot(importSlot(function)) {
    if (m_slot != nullptr) {
      original = *m_slot;
      put(replacement);
    }
  }
  ~ImportPatch() {
    if (m_slot != nullptr)
      put(original);
  }
  ImportPatch(const ImportPatch &) = delete;
  ImportPatch &operator=(const ImportPatch &) = delete;
  bool active() const { return m_slot != nullptr; }
  void *original = nullptr;

private:
  void put(void *value) {
    DWORD old = 0;
    VirtualProtect(m_slot, sizeof value, PAGE_READWRITE, &old);
    *m_slot = value;
    VirtualProtect(m_slot, sizeof value, old, &old);
  }
  void **m_slot;
};

// The boxes the program showed, recorded without allocating: they are shown while memory is
// made to run out.
struct Boxes {
  int count = 0;
  char text[4][1200] = {};
  UINT flags[4] = {};
};
Boxes g_boxes;

void record(const char *text, UINT flags) {
  const int slot = g_boxes.count < 4 ? g_boxes.count : 3;
  lstrcpynA(g_boxes.text[slot], text ? text : "", sizeof g_boxes.text[slot]);
  g_boxes.flags[slot] = flags;
  ++g_boxes.count;
}
int WINAPI recordBoxA(HWND, LPCSTR text, LPCSTR, UINT flags) {
  record(text, flags);
  return IDOK;
}
int WINAPI recordBoxW(HWND, LPCWSTR text, LPCWSTR, UINT flags) {
  char narrow[1200] = {};
  WideCharToMultiByte(CP_ACP, 0, text ? text : L"", -1, narrow, sizeof narrow, nullptr, nullptr);
  record(narrow, flags);
  return IDOK;
}

// The reader's answers for the EXIF page: one entry whose label and value are these texts.
std::string g_label, g_value;
int DAX_API fakeReader(int code, void *argument) {
  if (code == DAX_OP_BEGIN_ITERATION)
    return 1;
  if (code != DAX_OP_NEXT_ENTRY)
    return -1;
  auto *entry = static_cast<DAX_ENTRY *>(argument);
  entry->group = 34665;
  entry->tag = 0x9286;
  lstrcpynA(entry->label, g_label.c_str(), 1024);
  lstrcpynA(entry->value, g_value.c_str(), 65536);
  return 100;
}

std::wstring itemText(HWND list, int row, int column) {
  wchar_t text[2048] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 2048;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

class Dialogs : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(boxA.active() && boxW.active()) << "the program's message boxes cannot be recorded";
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    g_boxes = Boxes{};
    saved = theApp.m_daxread.daxBeginProcessing;
    theApp.m_targetPath = work.file("target.txt", "t");
    theApp.m_launchKind = tolm::kFile;
    host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 600, nullptr,
                           nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    theApp.m_daxread.daxBeginProcessing = saved;
    DestroyWindow(host);
  }
  std::string box(int i) const { return g_boxes.text[i]; }

  ImportPatch boxA{"MessageBoxA", reinterpret_cast<void *>(recordBoxA)};
  ImportPatch boxW{"MessageBoxW", reinterpret_cast<void *>(recordBoxW)};
  testutil::ScratchDir work;
  HWND host = nullptr;
  decltype(theApp.m_daxread.daxBeginProcessing) saved = nullptr;
};

// ---- running out of memory -----------------------------------------------------------------

TEST_F(Dialogs, EveryAllocationThatFailsDuringOkIsReportedWithTheEditorsPlace) {
  ASSERT_NE(theApp.m_kelsys.kelOperateFileTime, nullptr) << "kelsys.dll is not on the search path";
  theApp.m_settings.logFile = 1;
  const std::vector<std::string> logsBefore = testutil::changeLogFiles();
  CDlgCalendar editor(theApp);
  ASSERT_TRUE(editor.Create(host));
  long failures = 0;
  for (long n = 0;; ++n) {
    g_boxes = Boxes{};
    long made = 0;
    {
      allocfail::Scope fail(n);
      SendMessageW(editor.m_hWnd, WM_COMMAND, IDOK, 0);
      made = allocfail::count();
    }
    if (made <= n) { // nothing failed: the apply went through
      EXPECT_EQ(g_boxes.count, 0) << box(0);
      break;
    }
    ++failures;
    ASSERT_EQ(g_boxes.count, 1) << "allocation " << n << " failed without a word";
    EXPECT_EQ(box(0), "Out of memory. (Memory 612)    ") << "allocation " << n;
    EXPECT_EQ(g_boxes.flags[0] & MB_ICONMASK, static_cast<UINT>(MB_ICONHAND));
    ASSERT_LT(n, 5000) << "the apply never got through";
  }
  EXPECT_GT(failures, 0) << "OK allocates nothing: this test proves nothing";
  editor.DestroyWindow();
  for (const std::string &log : testutil::changeLogsSince(logsBefore))
    DeleteFileA(log.c_str());
}

// The editor's construction: the system cannot make its picture or its indicator images.
// The platform's own functions are called through the addresses saved by the patches.
decltype(&LoadBitmapA) g_loadBitmap = nullptr;
decltype(&ImageList_Create) g_createImages = nullptr;
HBITMAP WINAPI noMascot(HINSTANCE module, LPCSTR name) {
  return name == MAKEINTRESOURCEA(IDB_MASCOT) ? nullptr : g_loadBitmap(module, name);
}
HIMAGELIST WINAPI noIndicators(int cx, int cy, UINT flags, int initial, int grow) {
  return cx == 10 && cy == 20 ? nullptr : g_createImages(cx, cy, flags, initial, grow);
}

TEST_F(Dialogs, AnEditorBuiltWithoutItsPicturesSaysSoAndStillWorks) {
  {
    ImportPatch bitmap("LoadBitmapA", reinterpret_cast<void *>(noMascot));
    ImportPatch images("ImageList_Create", reinterpret_cast<void *>(noIndicators));
    ASSERT_TRUE(bitmap.active() && images.active());
    g_loadBitmap = reinterpret_cast<decltype(&LoadBitmapA)>(bitmap.original);
    g_createImages = reinterpret_cast<decltype(&ImageList_Create)>(images.original);
    CDlgCalendar editor(theApp);
    ASSERT_EQ(g_boxes.count, 2);
    EXPECT_EQ(box(0), "Out of memory. (Memory 600)    ");
    EXPECT_EQ(box(1), "Out of memory. (Memory 601)    ");
    EXPECT_EQ(g_boxes.flags[1] & MB_ICONMASK, static_cast<UINT>(MB_ICONHAND));
    ASSERT_TRUE(editor.Create(host));
    RedrawWindow(editor.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(IsWindow(editor.m_hWnd)) << "painting without the indicators";
    editor.DestroyWindow();
  }
  g_boxes = Boxes{};
  CDlgCalendar whole(theApp);
  EXPECT_EQ(g_boxes.count, 0) << "nothing to report when the system makes both: " << box(0);
}

// A dialog whose initialisation throws is told so and cancelled, not left on screen.
class ThrowingDialog : public CDialog {
public:
  ThrowingDialog() : CDialog(IDD_CALENDAR) {}
  static HWND shown;

protected:
  BOOL OnInitDialog() override {
    shown = m_hWnd;
    throw std::bad_alloc();
  }
  void OnException(const CException &exception) override {
    char text[256] = {};
    exception.GetErrorMessage(text, sizeof text);
    record(text, 0);
  }
};
HWND ThrowingDialog::shown = nullptr;

void CALLBACK giveUp(HWND, UINT, UINT_PTR, DWORD) {
  if (IsWindow(ThrowingDialog::shown))
    EndDialog(ThrowingDialog::shown, IDABORT);
}

TEST_F(Dialogs, ADialogWhoseInitialisationRunsOutOfMemoryIsToldAndCancelled) {
  // Should the dialog stay, it is ended from outside after a while.
  const UINT_PTR timer = SetTimer(nullptr, 0, 5000, giveUp);
  ThrowingDialog dialog;
  const INT_PTR result = dialog.DoModal(host);
  KillTimer(nullptr, timer);
  EXPECT_EQ(result, IDCANCEL) << "IDABORT: the dialog stayed on screen";
  ASSERT_EQ(g_boxes.count, 1);
  EXPECT_EQ(box(0), "Out of memory.") << "the failure reaches the dialog as a memory exception";
}

// ---- the EXIF page -------------------------------------------------------------------------

TEST_F(Dialogs, TheEXIFListsImagesBelongToThePageAlone) {
  g_label = "Label";
  g_value = "Value";
  theApp.m_daxread.daxBeginProcessing = fakeReader;
  auto page = std::make_unique<CTabPage1>(theApp);
  ASSERT_TRUE(page->Create(host));
  HWND list = page->GetDlgItem(IDC_EXIF_LIST);
  const auto images =
      reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_NE(images, nullptr);
  ASSERT_EQ(ImageList_GetImageCount(images), 6);
  // The windows go first, then the page: had the list view taken the images along, the page
  // would destroy them a second time.
  page->DestroyWindow();
  EXPECT_FALSE(IsWindow(list));
  EXPECT_EQ(ImageList_GetImageCount(images), 6) << "the list view destroyed its page's images";
  page.reset();
}

TEST_F(Dialogs, ALongEXIFTextIsCutBeforeADoubleByteCharacterThatWouldNotFit) {
  ASSERT_EQ(GetACP(), 932u) << "the texts below are in code page 932";
  // "あ" (0x82 0xA0) over and over: byte 1023 of the text is a lead byte.
  std::string wide;
  for (int i = 0; i < 600; ++i)
    wide += "\x82\xa0";
  // A single-byte text of exactly 1023 bytes stays whole; a 1024th byte goes.
  g_label = std::string(1022, 'L') + "\x82";
  g_value = wide;
  theApp.m_daxread.daxBeginProcessing = fakeReader;
  CTabPage1 page(theApp);
  ASSERT_TRUE(page.Create(host));
  HWND list = page.GetDlgItem(IDC_EXIF_LIST);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2) << "a heading and the entry";
  EXPECT_EQ(itemText(list, 0, 0), L"Exif");
  // Compared whole, reported by length and last character: the texts are long.
  const std::wstring value = itemText(list, 1, 1), label = itemText(list, 1, 0);
  EXPECT_TRUE(value == std::wstring(511, L'\u3042'))
      << "no half of a character at the end: " << value.size() << " characters, the last U+"
      << std::hex << static_cast<unsigned>(value.back());
  EXPECT_TRUE(label == std::wstring(1022, L'L'))
      << "a lead byte without its partner is left out: " << label.size()
      << " characters, the last U+" << std::hex << static_cast<unsigned>(label.back());
  page.DestroyWindow();
}

TEST_F(Dialogs, ASingleByteEXIFTextKeeps1023Bytes) {
  g_label = "Maker note";
  g_value = std::string(1023, 'v') + "cut";
  theApp.m_daxread.daxBeginProcessing = fakeReader;
  CTabPage1 page(theApp);
  ASSERT_TRUE(page.Create(host));
  HWND list = page.GetDlgItem(IDC_EXIF_LIST);
  EXPECT_EQ(itemText(list, 1, 0), L"Maker note");
  EXPECT_TRUE(itemText(list, 1, 1) == std::wstring(1023, L'v'))
      << itemText(list, 1, 1).size() << " characters";
  page.DestroyWindow();
}

// ---- what the dialogs share ------------------------------------------------------------------

TEST_F(Dialogs, ImagesAddedFromBitmapsLeaveOutWhatCannotBeLoadedAndTakeTheBackground) {
  HINSTANCE program = GetModuleHandleW(nullptr);
  HIMAGELIST list = ImageList_Create(10, 20, ILC_COLOR32, 3, 0);
  ASSERT_NE(list, nullptr);
  const COLORREF background = RGB(12, 34, 56);
  constexpr UINT kNoSuchBitmap = 9999;
  AddBitmaps(list, program, {IDB_INDICATOR_EMPTY, kNoSuchBitmap, IDB_INDICATOR_FULL}, 10, 20,
             background);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  // The corner holds the key colour in each bitmap: drawn, it shows the background.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 10, 20);
  HGDIOBJ old = SelectObject(dc, canvas);
  for (int image = 0; image < 2; ++image) {
    ImageList_Draw(list, image, dc, 0, 0, ILD_NORMAL);
    EXPECT_EQ(GetPixel(dc, 0, 0), background) << "image " << image;
  }
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  ImageList_Destroy(list);
}

// The outcome as both writers return it.
struct Counts {
  size_t changed = 0, failed = 0, skipped = 0;
  bool logFailed = false;
};

TEST_F(Dialogs, AWriteIsStampedBeforeItRunsAndItsCountsAreShownAfter) {
  HWND line = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 400, 20, host,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DT_OUTCOME)),
                              nullptr, nullptr);
  ASSERT_NE(line, nullptr);
  HINSTANCE program = GetModuleHandleW(nullptr);
  tolm::SystemTime stamp{};
  tolm::SystemTime seen{};
  const bool wrote = WriteAndReport(host, program, IDC_DT_OUTCOME, IDS_DT_OUTCOME, stamp, [&] {
    seen = stamp;
    return Counts{4, 5, 6, true};
  });
  EXPECT_TRUE(wrote);
  EXPECT_NE(seen.year, 0) << "the log's time was not set before the write";
  EXPECT_EQ(seen.year, stamp.year);
  wchar_t text[256] = {};
  GetWindowTextW(line, text, 256);
  const std::wstring shown = text;
  for (const wchar_t *count : {L"4", L"5", L"6"})
    EXPECT_NE(shown.find(count), std::wstring::npos) << "count " << count;
  EXPECT_NE(shown.find(LoadWStr(program, IDS_DT_LOG_FAILED)), std::wstring::npos)
      << "the failed log is not told";

  // Items skipped alone are no write; a failed one is.
  EXPECT_FALSE(WriteAndReport(host, program, IDC_DT_OUTCOME, IDS_DT_OUTCOME, stamp, [] {
    return Counts{0, 0, 3};
  }));
  GetWindowTextW(line, text, 256);
  EXPECT_EQ(std::wstring(text).find(LoadWStr(program, IDS_DT_LOG_FAILED)), std::wstring::npos);
  EXPECT_TRUE(WriteAndReport(host, program, IDC_DT_OUTCOME, IDS_DT_OUTCOME, stamp, [] {
    return Counts{0, 1, 0};
  }));
  DestroyWindow(line);
}

} // namespace
