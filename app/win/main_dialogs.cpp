// The two main dialogs of TOLM.exe and their tab pages.
#include "app/win/main_dialogs.h"

#include "app/core/property_text.h"
#include "app/win/resource.h"
#include "app/win/tolm_app.h"

#include <bit>
#include <new>

void ReplaceBackground(HBITMAP bitmap, int width, int height, COLORREF colour) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const COLORREF key = GetPixel(dc, 0, 0);
  for (int x = 0; x < width; ++x)
    for (int y = 0; y < height; ++y)
      if (GetPixel(dc, x, y) == key)
        SetPixel(dc, x, y, colour);
  SelectObject(dc, old);
  DeleteDC(dc);
}

// The lists keep exact colours: an 8-bit list would snap the button-face colour to its halftone
// palette, and the replaced backgrounds would no longer match the dialog's.
HIMAGELIST LoadImageStrip(HINSTANCE module, UINT bitmapId, int size, int count, COLORREF background) {
  HBITMAP strip = LoadBitmapA(module, MAKEINTRESOURCEA(bitmapId));
  if (strip == nullptr)
    return nullptr;
  ReplaceBackground(strip, size * count, size, background);
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 5, 5);
  if (list != nullptr)
    ImageList_Add(list, strip, nullptr);
  DeleteObject(strip);
  return list;
}

// ---- the General page ----------------------------------------------------------------------

void CTolmDialog::OnException(const CException &exception) {
  m_app.m_errors.ShowException(MB_ICONHAND, m_failurePlace, exception);
}

CTabPage0::CTabPage0(CTolmApp &app) : CTolmDialog(IDD_PAGE_GENERAL, app, kPlaceMainDialogs), m_editor(app) {}

void CTabPage0::RunEditor() {
  SYSTEMTIME created{}, accessed{}, updated{};
  const char *path = m_app.m_targetPath.c_str();
  m_app.m_kelsys.kelOperateFileTime(KEL_TIME_CREATION | KEL_TIME_ACCESS | KEL_TIME_WRITE, path, &created,
                                    &accessed, &updated);
  uint32_t attributes = 0;
  if (m_app.m_kelsys.kelGetFileAttributes(path, &attributes) != 0)
    attributes = 0;
  m_editor.m_isFolder = m_app.m_launchKind == tolm::kFolder ? 1 : 0;
  m_editor.m_includeFiles = IsDlgButtonChecked(m_hWnd, IDC_GEN_INCLUDE_FILES) == BST_CHECKED;
  m_editor.m_includeSubfolders = IsDlgButtonChecked(m_hWnd, IDC_GEN_INCLUDE_SUBFOLDERS) == BST_CHECKED;
  m_editor.m_startFlags.readOnly = (attributes & 0x01) != 0;
  m_editor.m_startFlags.hidden = (attributes & 0x02) != 0;
  m_editor.m_startFlags.archive = (attributes & 0x20) != 0;
  m_editor.m_startFlags.system = (attributes & 0x04) != 0;
  m_editor.m_startCreation = created;
  m_editor.m_startUpdate = updated;
  m_editor.DoModal(GetAncestor(m_hWnd, GA_ROOT));
  ShowTimesAndAttributes();
}

void CTabPage0::RunDateTools() {
  CDlgDateTools tools(m_app);
  tools.m_isFolder = m_app.m_launchKind == tolm::kFolder ? 1 : 0;
  tools.m_includeFiles = IsDlgButtonChecked(m_hWnd, IDC_GEN_INCLUDE_FILES) == BST_CHECKED;
  tools.m_includeSubfolders = IsDlgButtonChecked(m_hWnd, IDC_GEN_INCLUDE_SUBFOLDERS) == BST_CHECKED;
  tools.DoModal(GetAncestor(m_hWnd, GA_ROOT));
  if (tools.m_wroteAny)
    ShowTimesAndAttributes();
}

void CTabPage0::SetLine(int id, UINT labelId, const std::string &value) {
  SetDlgItemTextW(m_hWnd, id, (LoadWStr(m_resources, labelId) + WidenAnsi(value)).c_str());
}

BOOL CTabPage0::OnInitDialog() {
  static const struct {
    int control;
    UINT text;
  } kTexts[] = {{IDC_GEN_TIMES_GROUP, IDS_GROUP_TIMES},
                {IDC_GEN_UPDATE_GROUP, IDS_GROUP_UPDATE},
                {IDC_GEN_INCLUDE_FILES, IDS_INCLUDE_FILES},
                {IDC_GEN_INCLUDE_SUBFOLDERS, IDS_INCLUDE_SUBFOLDERS},
                {IDC_GEN_UPDATE, IDS_UPDATE_BUTTON},
                {IDC_GEN_DATE_TOOLS, IDS_DATE_TOOLS_BUTTON}};
  for (const auto &t : kTexts)
    SetDlgItemTextW(m_hWnd, t.control, LoadWStr(m_resources, t.text).c_str());
  SetLine(IDC_GEN_NAME, IDS_LABEL_NAME, m_app.m_name);
  SetLine(IDC_GEN_PLACE, IDS_LABEL_PLACE, m_app.m_place);
  const int64_t size = m_app.m_kelsys.kelGetFileSize(m_app.m_targetPath.c_str());
  SetDlgItemTextW(m_hWnd, IDC_GEN_SIZE,
                  (LoadWStr(m_resources, IDS_LABEL_SIZE) + WidenAnsi(tolm::sizeText(size)) +
                   LoadWStr(m_resources, IDS_BYTES))
                      .c_str());

  const bool protectedItem = ShowTimesAndAttributes();
  const bool folder = m_app.m_launchKind == tolm::kFolder;
  const bool options = !protectedItem && folder;
  for (int id : {IDC_GEN_UPDATE_GROUP, IDC_GEN_INCLUDE_FILES, IDC_GEN_INCLUDE_SUBFOLDERS})
    EnableWindow(GetDlgItem(id), options);
  for (int id : {IDC_GEN_UPDATE, IDC_GEN_DATE_TOOLS})
    EnableWindow(GetDlgItem(id), !protectedItem);
  if (protectedItem || folder) {
    CheckDlgButton(m_hWnd, IDC_GEN_INCLUDE_FILES, BST_CHECKED);
    CheckDlgButton(m_hWnd, IDC_GEN_INCLUDE_SUBFOLDERS, BST_UNCHECKED);
  }
  LoadPreview(m_app, m_hWnd);
  return TRUE;
}

bool CTabPage0::ShowTimesAndAttributes() {
  SYSTEMTIME created{}, accessed{}, updated{};
  m_app.m_kelsys.kelOperateFileTime(KEL_TIME_CREATION | KEL_TIME_ACCESS | KEL_TIME_WRITE,
                                    m_app.m_targetPath.c_str(), &created, &accessed, &updated);
  auto text = [](const SYSTEMTIME &st) { return tolm::timeText(std::bit_cast<tolm::SystemTime>(st)); };
  SetLine(IDC_GEN_CREATED, IDS_LABEL_CREATED, text(created));
  SetLine(IDC_GEN_UPDATED, IDS_LABEL_UPDATED, text(updated));
  SetLine(IDC_GEN_ACCESSED, IDS_LABEL_ACCESSED, text(accessed));
  uint32_t attributes = 0;
  const bool read = m_app.m_kelsys.kelGetFileAttributes(m_app.m_targetPath.c_str(), &attributes) == 0;
  SetLine(IDC_GEN_ATTRIBUTES, IDS_LABEL_ATTRIBUTES, read ? tolm::attributeLetters(attributes) : "??????");
  return tolm::isProtectedItem(read, attributes, m_app.m_settings.hiddenFile, m_app.m_settings.systemFile);
}

BOOL CTabPage0::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_GEN_UPDATE && code == BN_CLICKED) {
    RunEditor();
    return TRUE;
  }
  if (id == IDC_GEN_DATE_TOOLS && code == BN_CLICKED) {
    RunDateTools();
    return TRUE;
  }
  if (id == IDC_GEN_INCLUDE_FILES && code == BN_CLICKED) {
    EnableWindow(GetDlgItem(IDC_GEN_INCLUDE_SUBFOLDERS),
                 IsDlgButtonChecked(m_hWnd, IDC_GEN_INCLUDE_FILES) == BST_CHECKED);
    return TRUE;
  }
  return CDialog::OnCommand(id, code, control);
}
BOOL CTabPage0::OnPaint() {
  if (m_app.m_preview.image == nullptr)
    return FALSE;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  PaintPreview(m_app, dc);
  EndPaint(m_hWnd, &paint);
  return TRUE;
}

void CTabPage0::OnDestroy() { ReleasePreview(m_app); }

// ---- the tabbed frame shared by both dialogs ------------------------------------------------

CTabbedDialog::CTabbedDialog(UINT templateId, int tabControlId, CTolmApp &app)
    : CTolmDialog(templateId, app, kPlaceMainDialogs), m_tabControlId(tabControlId) {}

CTabbedDialog::~CTabbedDialog() {
  if (m_tabImages != nullptr)
    ImageList_Destroy(m_tabImages);
}

bool CTabbedDialog::StartDialog() {
  m_icon = LoadIconA(m_resources, MAKEINTRESOURCEA(IDI_TOLM));
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
  SetWindowTextA(m_hWnd, m_app.m_appTitle.c_str());
  return true;
}

bool CTabbedDialog::ReportNoMemory() {
  m_app.m_errors.ShowException(MB_ICONHAND, kPlacePages, CMemoryException());
  EndDialog(IDCANCEL);
  return false;
}

void CTabbedDialog::SetUpTabs(const UINT *captionIds, int count, UINT stripId) {
  HWND tabs = GetDlgItem(m_tabControlId);
  for (int i = 0; i < count; ++i) {
    std::wstring caption = LoadWStr(m_resources, captionIds[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = caption.data();
    item.iImage = i;
    SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  m_tabImages = LoadImageStrip(m_resources, stripId, 16, count, GetSysColor(COLOR_BTNFACE));
  SendMessageA(tabs, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_tabImages));
  // The tab control's client rectangle starts at (0, 0): the pages sit at (8, 28) of the dialog.
  RECT area;
  GetClientRect(tabs, &area);
  for (CDialog *page : m_pages)
    if (page != nullptr && page->m_hWnd != nullptr)
      SetWindowPos(page->m_hWnd, nullptr, area.left + 8, area.top + 28, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowPage(0);
}

void CTabbedDialog::ShowPage(int index) {
  if (index < 0 || index >= 3 || m_pages[index] == nullptr)
    return;
  for (int i = 0; i < 3; ++i)
    if (m_pages[i] != nullptr && m_pages[i]->m_hWnd != nullptr)
      ShowWindow(m_pages[i]->m_hWnd, i == index ? SW_SHOW : SW_HIDE);
}

BOOL CTabbedDialog::OnNotify(const NMHDR &header, LRESULT &result) {
  if (static_cast<int>(header.idFrom) == m_tabControlId && header.code == TCN_SELCHANGE) {
    ShowPage(static_cast<int>(SendMessageA(header.hwndFrom, TCM_GETCURSEL, 0, 0)));
    result = 0;
    return TRUE;
  }
  return FALSE;
}

BOOL CTabbedDialog::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR &result) {
  // Windows asks for the icon to drag a minimised dialog by.
  if (message == WM_QUERYDRAGICON) {
    result = reinterpret_cast<INT_PTR>(m_icon);
    return TRUE;
  }
  return FALSE;
}

// ---- the property dialog -----------------------------------------------------------------------

CDlgFileInfo::CDlgFileInfo(CTolmApp &app) : CTabbedDialog(IDD_FILE_INFO, IDC_FILE_INFO_TABS, app) {}

CDlgFileInfo::~CDlgFileInfo() {
  if (m_statusImages != nullptr)
    ImageList_Destroy(m_statusImages);
}

BOOL CDlgFileInfo::OnInitDialog() {
  StartDialog();
  m_statusImages = ImageList_Create(32, 32, ILC_COLOR32, 5, 5);
  for (UINT id = IDB_STATUS_FILE; id <= IDB_STATUS_SYSTEM; ++id) {
    HBITMAP bitmap = LoadBitmapA(m_resources, MAKEINTRESOURCEA(id));
    if (bitmap == nullptr)
      continue;
    ReplaceBackground(bitmap, 32, 32, GetSysColor(COLOR_BTNFACE));
    ImageList_Add(m_statusImages, bitmap, nullptr);
    DeleteObject(bitmap);
  }
  // Created in this order (Version, EXIF, General), so the General page is on top.
  try {
    m_version = std::make_unique<CTabPage2>(m_app);
    m_exif = std::make_unique<CTabPage1>(m_app);
    m_general = std::make_unique<CTabPage0>(m_app);
  } catch (const std::bad_alloc &) {
    return ReportNoMemory();
  }
  m_version->Create(m_hWnd);
  m_exif->Create(m_hWnd);
  m_general->Create(m_hWnd);
  m_pages[0] = m_general.get();
  m_pages[1] = m_exif.get();
  m_pages[2] = m_version.get();
  static const UINT kCaptions[] = {IDS_TAB_GENERAL, IDS_TAB_EXIF, IDS_TAB_VERSION};
  SetUpTabs(kCaptions, 3, IDB_FILE_INFO_TABS);
  return TRUE;
}

BOOL CDlgFileInfo::OnPaint() {
  if (IsIconic(m_hWnd)) {
    PaintMinimisedIcon(m_hWnd, m_icon);
    return TRUE;
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  const int kind = m_app.m_launchKind;
  const int targetImage = kind == tolm::kFolder ? 2 : kind == tolm::kImageFile ? 1 : 0;
  // At 96 dpi with the dialog's font the row lies at y = 380, 4 pixels above the OK button;
  // deriving it from the button keeps it below the tabs with other fonts and resolutions.
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  RECT ok = {0, 256, 0, 256};
  MapDialogRect(m_hWnd, &ok);
  const int y = ok.top - MulDiv(4, dpi, 96);
  auto draw = [&](int image, int x) {
    ImageList_Draw(m_statusImages, image, dc, MulDiv(x, dpi, 96), y, ILD_NORMAL);
  };
  draw(targetImage, 5);
  if (m_app.m_settings.logFile != 0)
    draw(3, 38);
  if (m_app.m_settings.hiddenFile != 0)
    draw(4, 71);
  if (m_app.m_settings.systemFile != 0)
    draw(5, 104);
  EndPaint(m_hWnd, &paint);
  return TRUE;
}

void CDlgFileInfo::OnDestroy() {
  m_pages[0] = m_pages[1] = m_pages[2] = nullptr;
  for (CDialog *page : {static_cast<CDialog *>(m_general.get()), static_cast<CDialog *>(m_exif.get()),
                        static_cast<CDialog *>(m_version.get())})
    if (page != nullptr)
      page->DestroyWindow();
  m_general.reset();
  m_exif.reset();
  m_version.reset();
}

// ---- the extended-delete dialog ------------------------------------------------------------------

CDlgExtDelete::CDlgExtDelete(CTolmApp &app) : CTabbedDialog(IDD_EXT_DELETE, IDC_EXT_DELETE_TABS, app) {}

CDlgExtDelete::~CDlgExtDelete() = default;

BOOL CDlgExtDelete::OnInitDialog() {
  try {
    m_deleteList = std::make_unique<char[]>(kDeleteListBytes);
  } catch (const std::bad_alloc &) {
    m_deleteList.reset();
    return ReportNoMemory();
  }
  StartDialog();
  SetDlgItemTextW(m_hWnd, IDCANCEL, LoadWStr(m_resources, IDS_CANCEL).c_str());
  try {
    m_extDelete = std::make_unique<CTabPage3>(m_app);
    m_version = std::make_unique<CTabPage2>(m_app);
  } catch (const std::bad_alloc &) {
    return ReportNoMemory();
  }
  m_extDelete->Create(m_hWnd);
  m_version->Create(m_hWnd);
  m_pages[0] = m_extDelete.get();
  m_pages[1] = m_version.get();
  static const UINT kCaptions[] = {IDS_TAB_EXTDELETE, IDS_TAB_VERSION};
  SetUpTabs(kCaptions, 2, IDB_EXT_DELETE_TABS);
  return TRUE;
}

BOOL CDlgExtDelete::OnPaint() {
  if (!IsIconic(m_hWnd))
    return FALSE;
  PaintMinimisedIcon(m_hWnd, m_icon);
  return TRUE;
}

void CDlgExtDelete::OnOK() {
  // One run per start: the dialog closes with OK whatever the outcome.
  if (m_extDelete && m_deleteList) {
    const int32_t result = RunErase(m_app, m_hWnd, m_extDelete->ListPath(), m_deleteList.get(), kDeleteListBytes);
    if (result != 0)
      m_app.m_errors.ShowError(MB_ICONSTOP, result);
  }
  EndDialog(IDOK);
}

void CDlgExtDelete::OnDestroy() {
  m_deleteList.reset();
  m_pages[0] = m_pages[1] = nullptr;
  if (m_extDelete)
    m_extDelete->DestroyWindow();
  if (m_version)
    m_version->DestroyWindow();
  m_extDelete.reset();
  m_version.reset();
}
