// The Extended delete dialog: the erase list chosen on its page, run on the target folder with OK.
#include "app/win/ext_delete_dialog.h"

#include "app/win/erase_run.h"
#include "app/win/resource.h"

#include <new>

CDlgExtDelete::CDlgExtDelete(CTolmSession &session)
    : CTabbedDialog(IDD_EXT_DELETE, IDC_EXT_DELETE_TABS, session) {}

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
    m_extDelete = std::make_unique<CTabPage3>(m_session);
    m_version = std::make_unique<CTabPage2>(m_session);
  } catch (const std::bad_alloc &) {
    return ReportNoMemory();
  }
  CreatePages(m_hWnd, {m_extDelete.get(), m_version.get()});
  SetUpTabs({{m_extDelete.get(), IDS_TAB_EXTDELETE}, {m_version.get(), IDS_TAB_VERSION}},
            IDB_EXT_DELETE_TABS);
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
    const int32_t result = RunErase(m_session.m_kelsys, m_session.m_targetPath, m_hWnd,
                                    m_extDelete->ListPath(), m_deleteList.get(), kDeleteListBytes);
    if (result != 0)
      m_session.m_errors.ShowError(MB_ICONSTOP, result);
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
