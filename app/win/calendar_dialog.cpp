// The date and attribute editor: new creation and update times and four attributes for the
// target or a whole folder, written by the apply road.
#include "app/win/calendar_dialog.h"

#include "app/win/bitmaps.h"
#include "app/win/resource.h"

#include <bit>

CDlgCalendar::CDlgCalendar(CTolmSession &session)
    : CTolmDialog(IDD_CALENDAR, session, kPlaceEditor), m_fileSystem(session.m_kelsys),
      m_logSink(session.m_kelsys),
      m_log(m_logSink, m_fileSystem, ProgramVersionText(session.m_kelsys)) {
  // Both pictures are the program's own resources: when the system cannot make them, it is short
  // of memory. The editor goes on without them.
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  m_picture = LoadBitmapA(m_resources, MAKEINTRESOURCEA(IDB_MASCOT));
  if (m_picture != nullptr)
    ReplaceBackground(m_picture, 32, 32, face);
  else
    m_session.m_errors.ShowException(MB_ICONHAND, kPlaceEditorPicture, CMemoryException());
  m_indicators = ImageList_Create(10, 20, ILC_COLOR32, 3, 0);
  if (m_indicators == nullptr) {
    m_session.m_errors.ShowException(MB_ICONHAND, kPlaceEditorIndicators, CMemoryException());
    return;
  }
  AddBitmaps(m_indicators, m_resources,
             {IDB_INDICATOR_EMPTY, IDB_INDICATOR_HALF, IDB_INDICATOR_FULL}, 10, 20, face);
}

CDlgCalendar::~CDlgCalendar() {
  if (m_picture != nullptr)
    DeleteObject(m_picture);
  if (m_indicators != nullptr)
    ImageList_Destroy(m_indicators);
}

BOOL CDlgCalendar::OnInitDialog() {
  m_creationState = 0;
  m_updateState = 0;
  DateTime_SetSystemtime(GetDlgItem(IDC_CAL_CREATION_DATE), GDT_VALID, &m_startCreation);
  DateTime_SetSystemtime(GetDlgItem(IDC_CAL_CREATION_TIME), GDT_VALID, &m_startCreation);
  DateTime_SetSystemtime(GetDlgItem(IDC_CAL_UPDATE_DATE), GDT_VALID, &m_startUpdate);
  DateTime_SetSystemtime(GetDlgItem(IDC_CAL_UPDATE_TIME), GDT_VALID, &m_startUpdate);
  const UINT title = !m_isFolder      ? IDS_EDITOR_FILE
                     : m_includeFiles ? IDS_EDITOR_FOLDER_FILES
                                      : IDS_EDITOR_FOLDER;
  SetWindowTextW(m_hWnd, LoadWStr(m_resources, title).c_str());
  CheckDlgButton(m_hWnd, IDC_CAL_READONLY, m_startFlags.readOnly ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hWnd, IDC_CAL_HIDDEN, m_startFlags.hidden ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hWnd, IDC_CAL_ARCHIVE, m_startFlags.archive ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hWnd, IDC_CAL_SYSTEM, m_startFlags.system ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(IDC_CAL_HIDDEN), m_session.m_settings.hiddenFile != 0);
  EnableWindow(GetDlgItem(IDC_CAL_SYSTEM), m_session.m_settings.systemFile != 0);
  if (m_picture != nullptr)
    SendDlgItemMessageA(m_hWnd, IDC_CAL_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(m_picture));
  EnableWindow(GetDlgItem(IDOK), FALSE);
  EnableWindow(GetDlgItem(IDC_CAL_APPLY), FALSE);
  return TRUE;
}

void CDlgCalendar::EnableWriting() {
  EnableWindow(GetDlgItem(IDOK), TRUE);
  EnableWindow(GetDlgItem(IDC_CAL_APPLY), TRUE);
}

void CDlgCalendar::CycleTimePart(int timePicker, int &state, const SYSTEMTIME &start) {
  HWND picker = GetDlgItem(timePicker);
  SYSTEMTIME value{};
  DateTime_GetSystemtime(picker, &value);
  if (state == 0) {
    value.wHour = value.wMinute = value.wSecond = value.wMilliseconds = 0;
    state = 1;
  } else if (state == 1) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    value.wHour = now.wHour;
    value.wMinute = now.wMinute;
    value.wSecond = now.wSecond;
    value.wMilliseconds = now.wMilliseconds;
    state = 2;
  } else {
    value = start;
    state = 0;
  }
  DateTime_SetSystemtime(picker, GDT_VALID, &value);
  EnableWriting();
  InvalidateRect(m_hWnd, nullptr, FALSE);
}

SYSTEMTIME CDlgCalendar::PickedTime(int datePicker, int timePicker) const {
  SYSTEMTIME date{}, time{};
  DateTime_GetSystemtime(GetDlgItem(datePicker), &date);
  DateTime_GetSystemtime(GetDlgItem(timePicker), &time);
  date.wHour = time.wHour;
  date.wMinute = time.wMinute;
  date.wSecond = time.wSecond;
  date.wMilliseconds = time.wMilliseconds;
  return date;
}

void CDlgCalendar::Apply() {
  tolm::ApplyRequest request;
  request.target = m_session.m_targetPath;
  request.isFolder = m_isFolder;
  request.includeFiles = m_includeFiles;
  request.includeSubfolders = m_includeSubfolders;
  request.hiddenFile = m_session.m_settings.hiddenFile;
  request.logFile = m_session.m_settings.logFile;
  request.systemFile = m_session.m_settings.systemFile;
  request.newCreation =
      std::bit_cast<tolm::SystemTime>(PickedTime(IDC_CAL_CREATION_DATE, IDC_CAL_CREATION_TIME));
  request.newUpdate =
      std::bit_cast<tolm::SystemTime>(PickedTime(IDC_CAL_UPDATE_DATE, IDC_CAL_UPDATE_TIME));
  request.flags.readOnly = IsDlgButtonChecked(m_hWnd, IDC_CAL_READONLY) == BST_CHECKED;
  request.flags.hidden = IsDlgButtonChecked(m_hWnd, IDC_CAL_HIDDEN) == BST_CHECKED;
  request.flags.archive = IsDlgButtonChecked(m_hWnd, IDC_CAL_ARCHIVE) == BST_CHECKED;
  request.flags.system = IsDlgButtonChecked(m_hWnd, IDC_CAL_SYSTEM) == BST_CHECKED;
  SYSTEMTIME now;
  GetLocalTime(&now);
  request.logTime = std::bit_cast<tolm::SystemTime>(now);
  tolm::ApplyOutcome outcome;
  {
    CWaitCursor wait;
    outcome = tolm::ApplyChanges(m_fileSystem, m_log, request);
  }
  if (outcome.showBox)
    m_session.m_errors.ShowError(outcome.box.flags, outcome.box.code);
}

void CDlgCalendar::OnOK() {
  Apply();
  EndDialog(IDOK);
}

BOOL CDlgCalendar::OnCommand(WORD id, WORD code, HWND control) {
  switch (id) {
  case IDC_CAL_CREATION_CYCLE:
    CycleTimePart(IDC_CAL_CREATION_TIME, m_creationState, m_startCreation);
    return TRUE;
  case IDC_CAL_UPDATE_CYCLE:
    CycleTimePart(IDC_CAL_UPDATE_TIME, m_updateState, m_startUpdate);
    return TRUE;
  case IDC_CAL_APPLY:
    Apply();
    return TRUE;
  case IDC_CAL_ARCHIVE:
  case IDC_CAL_HIDDEN:
  case IDC_CAL_READONLY:
  case IDC_CAL_SYSTEM:
    if (code == BN_CLICKED)
      EnableWriting();
    return TRUE;
  default:
    return CDialog::OnCommand(id, code, control);
  }
}

BOOL CDlgCalendar::OnNotify(const NMHDR &header, LRESULT &result) {
  if (header.code == DTN_DATETIMECHANGE && header.idFrom >= IDC_CAL_CREATION_TIME &&
      header.idFrom <= IDC_CAL_UPDATE_DATE) {
    EnableWriting();
    result = 0;
    return TRUE;
  }
  return FALSE;
}

BOOL CDlgCalendar::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  // Right of each cycle button, level with it: at 96 dpi with the dialog's font that is where
  // (230, 26) and (230, 84) lie.
  for (auto [button, state] : {std::pair{IDC_CAL_CREATION_CYCLE, m_creationState},
                               std::pair{IDC_CAL_UPDATE_CYCLE, m_updateState}}) {
    RECT r;
    GetWindowRect(GetDlgItem(button), &r);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT *>(&r), 2);
    const int y = (r.top + r.bottom) / 2 - 10;
    if (m_indicators != nullptr)
      ImageList_Draw(m_indicators, state, dc, r.right + 3, y, ILD_NORMAL);
  }
  EndPaint(m_hWnd, &paint);
  return TRUE;
}
