// The EXIF, Version and Extended delete pages, the erase run and the General page's preview.
#include "app/win/info_pages.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "app/core/erase_list.h"
#include "app/core/preview_layout.h"
#include "app/core/property_text.h"
#include "app/win/main_dialogs.h"
#include "app/win/resource.h"
#include "app/win/tolm_app.h"
#include "tolm_version.h"

namespace {

bool isLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != 0; }

enum class ReadResult { kRead, kNotOpened, kTooLarge, kFailed };

// Reads a whole file opened for reading with writes denied to others; kTooLarge when it holds
// more than `limit` bytes.
ReadResult readWholeFile(const std::string &path, std::string &bytes, size_t limit) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return ReadResult::kNotOpened;
  LARGE_INTEGER size{};
  ReadResult result = ReadResult::kFailed;
  if (GetFileSizeEx(file, &size) && size.QuadPart >= 0) {
    if (static_cast<uint64_t>(size.QuadPart) > limit) {
      result = ReadResult::kTooLarge;
    } else {
      bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
      DWORD read = 0;
      if (bytes.empty() ||
          (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size()))
        result = ReadResult::kRead;
    }
  }
  CloseHandle(file);
  return result;
}

// Removes a search-result file however the run goes on: kept, they would use up the
// temporary names of their prefix, which the change log needs too.
class TemporaryFile {
public:
  explicit TemporaryFile(const char *path) : m_path(path) {}
  ~TemporaryFile() { DeleteFileA(m_path.c_str()); }
  TemporaryFile(const TemporaryFile &) = delete;
  TemporaryFile &operator=(const TemporaryFile &) = delete;

private:
  std::string m_path;
};

void SetItemText(HWND page, int id, const std::wstring &text) { SetDlgItemTextW(page, id, text.c_str()); }

constexpr int kHeadingImages[] = {0, 1, 2, 3, 4};
constexpr int kTagImage = 5;

struct Heading {
  const wchar_t *text;
  int image;
};

Heading headingOf(int32_t group) {
  switch (group) {
  case 0:
    return {L"Tiff", kHeadingImages[0]};
  case 34665:
    return {L"Exif", kHeadingImages[1]};
  case 34853:
    return {L"GPS", kHeadingImages[2]};
  case 40965:
    return {L"Interoperability", kHeadingImages[3]};
  default:
    return {L"Thumbnail", kHeadingImages[4]};
  }
}

// At most 1023 bytes of the reader's text, which is in the ANSI code page; a double-byte
// character that would not fit whole is left out rather than split.
std::wstring cut(const char *text) {
  constexpr size_t kLimit = 1023;
  size_t length = 0;
  while (length < kLimit && text[length] != '\0') {
    const size_t step = isLeadByte(static_cast<uint8_t>(text[length])) ? 2 : 1;
    if (length + step > kLimit || (step == 2 && text[length + 1] == '\0'))
      break;
    length += step;
  }
  return WidenAnsi(std::string(text, length));
}

void insertRow(HWND list, int row, const std::wstring &text, int image) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = row;
  item.pszText = const_cast<wchar_t *>(text.c_str());
  item.iImage = image;
  SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

// The runtime libraries this build of the program really loads: the C runtime it links, the
// common controls, the codec service and the window system.
const char *const kComponents[9] = {"TOLM.exe",    "vopimg.dll",   "kelsys.dll", "daxread.dll", "dax2jpn.dll",
                                    "msvcrt.dll",  "comctl32.dll", "GdiPlus.dll", "user32.dll"};

} // namespace

// ---- EXIF ----------------------------------------------------------------------------------

CTabPage1::CTabPage1(CTolmApp &app) : CTolmDialog(IDD_PAGE_EXIF, app, kPlaceMainDialogs) {}

CTabPage1::~CTabPage1() {
  if (m_images != nullptr)
    ImageList_Destroy(m_images);
}

BOOL CTabPage1::OnInitDialog() {
  HWND list = GetDlgItem(IDC_EXIF_LIST);
  const COLORREF background = static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
  m_images = LoadImageStrip(m_resources, IDB_EXIF_GROUPS, 16, 6, background);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (int column = 0; column < 2; ++column) {
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_WIDTH;
    c.fmt = LVCFMT_LEFT;
    c.cx = column == 0 ? 200 : 190;
    SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&c));
  }
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_images));
  FillList(list);
  return TRUE;
}

void CTabPage1::FillList(HWND list) {
  if (m_app.m_daxread.daxBeginProcessing == nullptr)
    return;
  DAX_ITERATION setup{1024, 65536};
  const int n = m_app.m_daxread.daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup);
  if (n <= 0)
    return;
  std::unique_ptr<char[]> label, value;
  try {
    label.reset(new char[1024]());
    value.reset(new char[65536]());
  } catch (const std::bad_alloc &) {
    m_app.m_errors.ShowException(MB_ICONSTOP, kPlaceExifBuffers, CMemoryException());
    return;
  }
  int row = 0;
  int32_t previous = -1;
  bool anyGroup = false;
  for (int k = 0; k < n; ++k) {
    DAX_ENTRY entry{0, 0, 0, label.get(), value.get()};
    label[0] = value[0] = '\0';
    if (m_app.m_daxread.daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry) < 0)
      break;
    label[1023] = value[65535] = '\0';
    if (!anyGroup || entry.group != previous) {
      const Heading h = headingOf(entry.group);
      insertRow(list, row++, h.text, h.image);
      previous = entry.group;
      anyGroup = true;
    }
    insertRow(list, row, cut(label.get()), kTagImage);
    const std::wstring text = cut(value.get());
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t *>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&sub));
    ++row;
  }
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, row >= 4 ? 4 : 1, reinterpret_cast<LPARAM>(&state));
}

// ---- Version -------------------------------------------------------------------------------

CTabPage2::CTabPage2(CTolmApp &app) : CTolmDialog(IDD_PAGE_VERSION, app, kPlaceMainDialogs) {}

CTabPage2::~CTabPage2() {
  if (m_logo != nullptr)
    DeleteObject(m_logo);
}

BOOL CTabPage2::OnInitDialog() {
  std::string lines[9];
  for (int i = 0; i < 9; ++i) {
    uint32_t parts[4] = {0, 0, 0, 0};
    if (m_app.m_kelsys.kelGetFileVersion != nullptr)
      m_app.m_kelsys.kelGetFileVersion(kComponents[i], &parts[0], &parts[1], &parts[2], &parts[3]);
    lines[i] = tolm::versionLine(kComponents[i], parts);
  }
  const std::string notice = std::string("TOLM ") + TOLM_VERSION_TEXT + "  (C) n.orbit";
  SetItemText(m_hWnd, IDC_VERSION_TEXT, WidenAnsi(tolm::versionBlock(lines, notice)));
  m_logo = LoadBitmapW(m_resources, MAKEINTRESOURCEW(IDB_LOGO));
  if (m_logo != nullptr) {
    ReplaceBackground(m_logo, 100, 34, GetSysColor(COLOR_BTNFACE));
    SendDlgItemMessageW(m_hWnd, IDC_VERSION_LOGO, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_logo));
  }
  return TRUE;
}

// ---- Extended delete -----------------------------------------------------------------------

CTabPage3::CTabPage3(CTolmApp &app) : CTolmDialog(IDD_PAGE_EXT_DELETE, app, kPlaceMainDialogs) {}

BOOL CTabPage3::OnInitDialog() {
  SetItemText(m_hWnd, IDC_DEL_NAME, LoadWStr(m_resources, IDS_LABEL_NAME) + WidenAnsi(m_app.m_name));
  SetItemText(m_hWnd, IDC_DEL_PLACE, LoadWStr(m_resources, IDS_LABEL_PLACE) + WidenAnsi(m_app.m_place));
  SetItemText(m_hWnd, IDC_DEL_LIST_LABEL, LoadWStr(m_resources, IDS_LIST_FILE));
  SetItemText(m_hWnd, IDC_DEL_BROWSE, LoadWStr(m_resources, IDS_BROWSE));
  return TRUE;
}

std::string CTabPage3::ListPath() const {
  char path[MAX_PATH] = {};
  GetDlgItemTextA(m_hWnd, IDC_DEL_LIST_PATH, path, MAX_PATH);
  return path;
}

void CTabPage3::Browse() {
  // "TOLM 拡張削除 (*.tlx)" in UTF-16, so that it reads right under every code page.
  static const wchar_t kFilter[] = L"TOLM \u62E1\u5F35\u524A\u9664 (*.tlx)\0*.tlx;\0\0";
  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = m_hWnd;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrDefExt = L"tlx";
  dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_NONETWORKBUTTON;
  if (GetOpenFileNameW(&dialog))
    SetDlgItemTextW(m_hWnd, IDC_DEL_LIST_PATH, file);
}

BOOL CTabPage3::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_DEL_BROWSE && code == BN_CLICKED) {
    Browse();
    return TRUE;
  }
  return CDialog::OnCommand(id, code, control);
}

int32_t RunErase(CTolmApp &app, HWND owner, const std::string &listPath, char *deletionList, size_t capacity) {
  CWaitCursor wait;
  std::string bytes;
  // A valid list is far smaller; anything larger is no list of ours.
  const ReadResult read = readWholeFile(listPath, bytes, 16u << 20);
  if (read != ReadResult::kRead)
    return read == ReadResult::kNotOpened ? tolm::kEraseListUnreadable : tolm::kEraseListInvalid;
  std::vector<std::string> patterns;
  const int32_t parsed = tolm::parseEraseList(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(),
                                              patterns, isLeadByte);
  if (parsed != 0)
    return parsed;

  std::string list;
  for (const std::string &pattern : patterns) {
    char resultFile[MAX_PATH] = "TOZ";
    if (app.m_kelsys.kelGetTempFileName(resultFile) != 0)
      return tolm::kEraseSearchUnreadable;
    const TemporaryFile removeAfterwards(resultFile);
    alignas(8) uint8_t record[268] = {};
    app.m_kelsys.kelSearchDirectory(KEL_SEARCH_ARCHIVE, app.m_targetPath.c_str(), pattern.c_str(), resultFile,
                                    reinterpret_cast<KEL_SEARCH_RECORD *>(record));
    // No result file: nothing in the folder matched this entry; the others still count.
    if (GetFileAttributesA(resultFile) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
      continue;
    // Read up to twice the list, as names that match only by their short form are dropped
    // afterwards; beyond that it is the work buffer that falls short, not the file.
    std::string results;
    const ReadResult found = readWholeFile(resultFile, results, capacity * 2);
    if (found == ReadResult::kTooLarge)
      return tolm::kEraseBufferFull;
    if (found != ReadResult::kRead)
      return tolm::kEraseSearchUnreadable;
    const int32_t appended = tolm::appendSearchResults(results, pattern, list, capacity, isLeadByte);
    if (appended != 0)
      return appended;
  }
  if (list.empty())
    return 0;
  std::memset(deletionList, 0, capacity);
  std::memcpy(deletionList, list.data(), list.size());
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = owner;
  operation.wFunc = FO_DELETE;
  operation.pFrom = deletionList;
  // Moved to the recycle bin; the shell warns before anything would be deleted for good.
  operation.fFlags = FOF_ALLOWUNDO | FOF_MULTIDESTFILES | FOF_WANTNUKEWARNING;
  SHFileOperationA(&operation);
  return 0;
}

// ---- preview -------------------------------------------------------------------------------

namespace {

// The EXIF thumbnail through a "TLM" temporary file, which is gone afterwards; null when the
// file has no thumbnail or it cannot be fetched.
VOP_IMAGE loadThumbnail(CTolmApp &app, bool &hasThumbnail) {
  hasThumbnail = false;
  if (app.m_daxread.daxBeginProcessing == nullptr)
    return nullptr;
  DAX_THUMBNAIL record{0, 0, nullptr};
  if (app.m_daxread.daxBeginProcessing(DAX_OP_THUMBNAIL, &record) != 0 || record.size <= 0)
    return nullptr;
  hasThumbnail = true;
  std::unique_ptr<char[]> bytes;
  try {
    bytes.reset(new char[static_cast<size_t>(record.size)]);
  } catch (const std::bad_alloc &) {
    app.m_errors.ShowException(MB_ICONSTOP, 300, CMemoryException());
    return nullptr;
  }
  record.buffer = bytes.get();
  if (app.m_daxread.daxBeginProcessing(DAX_OP_THUMBNAIL, &record) != 0)
    return nullptr;
  char name[MAX_PATH] = "TLM";
  if (app.m_kelsys.kelGetTempFileName(name) != 0)
    return nullptr;
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool written = false;
  if (file != INVALID_HANDLE_VALUE) {
    DWORD done = 0;
    written = WriteFile(file, bytes.get(), static_cast<DWORD>(record.size), &done, nullptr) &&
              done == static_cast<DWORD>(record.size);
    CloseHandle(file);
  }
  bytes.reset();
  VOP_IMAGE image = written ? app.m_vopimg.vopLoadImage(0, name) : nullptr;
  DeleteFileA(name);
  return image;
}

} // namespace

void LoadPreview(CTolmApp &app, HWND page) {
  if (app.m_launchKind != tolm::kImageFile || app.m_vopimg.vopLoadImage == nullptr)
    return;
  bool hasThumbnail = false;
  VOP_IMAGE source = loadThumbnail(app, hasThumbnail);
  if (!hasThumbnail) {
    std::vector<char> path(app.m_targetPath.begin(), app.m_targetPath.end());
    path.resize(std::max<size_t>(path.size() + 1, MAX_PATH), '\0');
    source = app.m_vopimg.vopLoadImage(0, path.data());
  }
  if (source == nullptr)
    return;
  int32_t width = 0, height = 0, depth = 0;
  app.m_vopimg.vopGetImageData(source, &width, &height, &depth);
  RECT client{};
  GetClientRect(page, &client);
  const tolm::PreviewPlacement place = tolm::placePreview(width, height, tolm::previewArea(client.right, client.bottom));
  VOP_IMAGE preview = place.width > 0 && place.height > 0
                          ? app.m_vopimg.vopCreateImage(place.width, place.height, depth, 0)
                          : nullptr;
  if (preview != nullptr) {
    VOP_COPY_PARAMS params{};
    params.srcRight = width;
    params.srcBottom = height;
    params.bitsPerPixel = depth;
    params.scaleX = params.scaleY = place.scale;
    params.dstRight = place.width;
    params.dstBottom = place.height;
    app.m_vopimg.vopCopy(page, VOP_COPY_NEAREST, &params, source, preview, nullptr);
  }
  app.m_vopimg.vopDestroyImage(source);
  ReleasePreview(app);
  app.m_preview = {place.x, place.y, place.width, place.height, preview};
}

void PaintPreview(CTolmApp &app, HDC dc) {
  const PreviewState &p = app.m_preview;
  if (p.image != nullptr && app.m_vopimg.vopDrawImage != nullptr)
    app.m_vopimg.vopDrawImage(dc, p.x, p.y, p.width, p.height, 0, 0, SRCCOPY, p.image);
}

void ReleasePreview(CTolmApp &app) {
  if (app.m_preview.image != nullptr && app.m_vopimg.vopDestroyImage != nullptr)
    app.m_vopimg.vopDestroyImage(app.m_preview.image);
  app.m_preview = PreviewState{};
}
