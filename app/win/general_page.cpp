// The General page: the target's name, place, size, times and attributes, the picture of an
// image file, and the way to the editor and the date tools.
#include "app/win/general_page.h"

#include "app/core/property_text.h"
#include "app/win/date_tools_dialog.h"
#include "app/win/resource.h"

#include <bit>

CTabPage0::CTabPage0(CTolmSession &session)
    : CTolmDialog(IDD_PAGE_GENERAL, session, kPlaceMainDialogs), m_editor(session),
      m_preview(session) {}

void CTabPage0::RunEditor() {
  SYSTEMTIME created{}, accessed{}, updated{};
  const char *path = m_session.m_targetPath.c_str();
  m_session.m_kelsys.kelOperateFileTime(KEL_TIME_CREATION | KEL_TIME_ACCESS | KEL_TIME_WRITE, path,
                                        &created, &accessed, &updated);
  uint32_t attributes = 0;
  if (m_session.m_kelsys.kelGetFileAttributes(path, &attributes) != 0)
    attributes = 0;
  m_editor.m_isFolder = m_session.m_launchKind == tolm::kFolder ? 1 : 0;
  m_editor.m_includeFiles = IsDlgButtonChecked(m_hWnd, IDC_GEN_INCLUDE_FILES) == BST_CHECKED;
  m_editor.m_includeSubfolders =
      IsDlgButtonChecked(m_hWnd, IDC_GEN_INCLUDE_SUBFOLDERS) == BST_CHECKED;
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
  CDlgDateTools tools(m_session);
  tools.m_isFolder = m_session.m_launchKind == tolm::kFolder ? 1 : 0;
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
  SetLine(IDC_GEN_NAME, IDS_LABEL_NAME, m_session.m_name);
  SetLine(IDC_GEN_PLACE, IDS_LABEL_PLACE, m_session.m_place);
  const int64_t size = m_session.m_kelsys.kelGetFileSize(m_session.m_targetPath.c_str());
  SetDlgItemTextW(m_hWnd, IDC_GEN_SIZE,
                  (LoadWStr(m_resources, IDS_LABEL_SIZE) + WidenAnsi(tolm::sizeText(size)) +
                   LoadWStr(m_resources, IDS_BYTES))
                      .c_str());

  const bool protectedItem = ShowTimesAndAttributes();
  const bool folder = m_session.m_launchKind == tolm::kFolder;
  const bool options = !protectedItem && folder;
  for (int id : {IDC_GEN_UPDATE_GROUP, IDC_GEN_INCLUDE_FILES, IDC_GEN_INCLUDE_SUBFOLDERS})
    EnableWindow(GetDlgItem(id), options);
  for (int id : {IDC_GEN_UPDATE, IDC_GEN_DATE_TOOLS})
    EnableWindow(GetDlgItem(id), !protectedItem);
  if (protectedItem || folder) {
    CheckDlgButton(m_hWnd, IDC_GEN_INCLUDE_FILES, BST_CHECKED);
    CheckDlgButton(m_hWnd, IDC_GEN_INCLUDE_SUBFOLDERS, BST_UNCHECKED);
  }
  m_preview.Load(m_hWnd);
  return TRUE;
}

bool CTabPage0::ShowTimesAndAttributes() {
  SYSTEMTIME created{}, accessed{}, updated{};
  m_session.m_kelsys.kelOperateFileTime(KEL_TIME_CREATION | KEL_TIME_ACCESS | KEL_TIME_WRITE,
                                        m_session.m_targetPath.c_str(), &created, &accessed,
                                        &updated);
  auto text = [](const SYSTEMTIME &st) {
    return tolm::timeText(std::bit_cast<tolm::SystemTime>(st));
  };
  SetLine(IDC_GEN_CREATED, IDS_LABEL_CREATED, text(created));
  SetLine(IDC_GEN_UPDATED, IDS_LABEL_UPDATED, text(updated));
  SetLine(IDC_GEN_ACCESSED, IDS_LABEL_ACCESSED, text(accessed));
  uint32_t attributes = 0;
  const bool read =
      m_session.m_kelsys.kelGetFileAttributes(m_session.m_targetPath.c_str(), &attributes) == 0;
  SetLine(IDC_GEN_ATTRIBUTES, IDS_LABEL_ATTRIBUTES,
          read ? tolm::attributeLetters(attributes) : "??????");
  return tolm::isProtectedItem(read, attributes, m_session.m_settings.hiddenFile,
                               m_session.m_settings.systemFile);
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
  if (!m_preview.Loaded())
    return FALSE;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  m_preview.Paint(dc);
  EndPaint(m_hWnd, &paint);
  return TRUE;
}

void CTabPage0::OnDestroy() { m_preview.Release(); }
