// The property dialog: the General, EXIF and Version pages of the target, and below them the
// kind of target and the settings in force.
#include "app/win/file_info_dialog.h"

#include "app/win/bitmaps.h"
#include "app/win/resource.h"

#include <new>

CDlgFileInfo::CDlgFileInfo(CTolmSession &session)
    : CTabbedDialog(IDD_FILE_INFO, IDC_FILE_INFO_TABS, session) {}

BOOL CDlgFileInfo::OnInitDialog() {
  StartDialog();
  m_statusImages.reset(ImageList_Create(32, 32, ILC_COLOR32, 5, 5));
  AddBitmaps(m_statusImages.get(), m_resources,
             {IDB_STATUS_FILE, IDB_STATUS_IMAGE, IDB_STATUS_FOLDER, IDB_STATUS_LOG,
              IDB_STATUS_HIDDEN, IDB_STATUS_SYSTEM},
             32, 32, GetSysColor(COLOR_BTNFACE));
  try {
    m_version = std::make_unique<CTabPage2>(m_session);
    m_exif = std::make_unique<CTabPage1>(m_session);
    m_general = std::make_unique<CTabPage0>(m_session);
  } catch (const std::bad_alloc &) {
    return ReportNoMemory();
  }
  // Created in this order, so the General page is on top.
  CreatePages(m_hWnd, {m_version.get(), m_exif.get(), m_general.get()});
  SetUpTabs({{m_general.get(), IDS_TAB_GENERAL},
             {m_exif.get(), IDS_TAB_EXIF},
             {m_version.get(), IDS_TAB_VERSION}},
            IDB_FILE_INFO_TABS);
  return TRUE;
}

BOOL CDlgFileInfo::OnPaint() {
  if (IsIconic(m_hWnd)) {
    PaintMinimisedIcon(m_hWnd, m_icon);
    return TRUE;
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  const int kind = m_session.m_launchKind;
  const int targetImage = kind == tolm::kFolder ? 2 : kind == tolm::kImageFile ? 1 : 0;
  // At 96 dpi with the dialog's font the row lies at y = 380, 4 pixels above the OK button;
  // deriving it from the button keeps it below the tabs with other fonts and resolutions.
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  RECT ok = {0, 256, 0, 256};
  MapDialogRect(m_hWnd, &ok);
  const int y = ok.top - MulDiv(4, dpi, 96);
  auto draw = [&](int image, int x) {
    ImageList_Draw(m_statusImages.get(), image, dc, MulDiv(x, dpi, 96), y, ILD_NORMAL);
  };
  draw(targetImage, 5);
  if (m_session.m_settings.logFile != 0)
    draw(3, 38);
  if (m_session.m_settings.hiddenFile != 0)
    draw(4, 71);
  if (m_session.m_settings.systemFile != 0)
    draw(5, 104);
  EndPaint(m_hWnd, &paint);
  return TRUE;
}

void CDlgFileInfo::OnDestroy() {
  m_pages[0] = m_pages[1] = m_pages[2] = nullptr;
  for (CDialog *page :
       {static_cast<CDialog *>(m_general.get()), static_cast<CDialog *>(m_exif.get()),
        static_cast<CDialog *>(m_version.get())})
    if (page != nullptr)
      page->DestroyWindow();
  m_general.reset();
  m_exif.reset();
  m_version.reset();
}
