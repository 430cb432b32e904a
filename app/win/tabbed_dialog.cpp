// The tabbed frame of TOLM's two main dialogs.
#include "app/win/tabbed_dialog.h"

#include "app/win/bitmaps.h"
#include "app/win/resource.h"

CTabbedDialog::CTabbedDialog(UINT templateId, int tabControlId, CTolmSession &session)
    : CTolmDialog(templateId, session, kPlaceMainDialogs), m_tabControlId(tabControlId) {}

bool CTabbedDialog::StartDialog() {
  m_icon = LoadIconA(m_resources, MAKEINTRESOURCEA(IDI_TOLM));
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
  // The application's title, which its message boxes carry too.
  if (const CWinApp *app = CWinApp::current())
    SetWindowTextA(m_hWnd, app->m_appTitle.c_str());
  return true;
}

bool CTabbedDialog::ReportNoMemory() {
  m_session.m_errors.ShowException(MB_ICONHAND, kPlacePages, CMemoryException());
  EndDialog(IDCANCEL);
  return false;
}

void CTabbedDialog::CreatePages(HWND parent, std::initializer_list<CDialog *> creationOrder) {
  for (CDialog *page : creationOrder)
    page->Create(parent);
}

void CTabbedDialog::SetUpTabs(std::initializer_list<Tab> tabs, UINT stripId) {
  HWND tabControl = GetDlgItem(m_tabControlId);
  int count = 0;
  for (const Tab &tab : tabs) {
    if (count == 3)
      break;
    m_pages[count] = tab.page;
    std::wstring caption = LoadWStr(m_resources, tab.caption);
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = caption.data();
    item.iImage = count;
    SendMessageW(tabControl, TCM_INSERTITEMW, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(&item));
    ++count;
  }
  m_tabImages.reset(LoadImageStrip(m_resources, stripId, 16, count, GetSysColor(COLOR_BTNFACE)));
  SendMessageA(tabControl, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_tabImages.get()));
  // The tab control's client rectangle starts at (0, 0): the pages sit at (8, 28) of the dialog.
  RECT area;
  GetClientRect(tabControl, &area);
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
