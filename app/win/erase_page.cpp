// The Extended delete page: the target folder and the erase list the user types or chooses.
#include "app/win/erase_page.h"

#include <commdlg.h>

#include "app/win/resource.h"

CTabPage3::CTabPage3(CTolmSession &session)
    : CTolmDialog(IDD_PAGE_EXT_DELETE, session, kPlaceMainDialogs) {}

BOOL CTabPage3::OnInitDialog() {
  auto setText = [this](int id, const std::wstring &text) {
    SetDlgItemTextW(m_hWnd, id, text.c_str());
  };
  setText(IDC_DEL_NAME, LoadWStr(m_resources, IDS_LABEL_NAME) + WidenAnsi(m_session.m_name));
  setText(IDC_DEL_PLACE, LoadWStr(m_resources, IDS_LABEL_PLACE) + WidenAnsi(m_session.m_place));
  setText(IDC_DEL_LIST_LABEL, LoadWStr(m_resources, IDS_LIST_FILE));
  setText(IDC_DEL_BROWSE, LoadWStr(m_resources, IDS_BROWSE));
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
