// The date tools: new creation and update times from each image's date taken or by a shift,
// shown as a preview of every item before anything is written, and written as previewed.
#include "app/win/date_tools_dialog.h"

#include "app/win/history_dialog.h"
#include "app/win/resource.h"
#include "app/win/write_report.h"

#include <algorithm>
#include <cwctype>
#include <initializer_list>

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshDelayMs = 300;

struct ShiftField {
  int edit;
  int spin;
  int label;
  UINT text;
  int range; // the spin's range either side of 0; typing may go further
};
constexpr ShiftField kShiftFields[] = {
    {IDC_DT_DAYS, IDC_DT_DAYS_SPIN, IDC_DT_DAYS_LABEL, IDS_DT_DAYS, 36500},
    {IDC_DT_HOURS, IDC_DT_HOURS_SPIN, IDC_DT_HOURS_LABEL, IDS_DT_HOURS, 9999},
    {IDC_DT_MINUTES, IDC_DT_MINUTES_SPIN, IDC_DT_MINUTES_LABEL, IDS_DT_MINUTES, 99999},
    {IDC_DT_SECONDS, IDC_DT_SECONDS_SPIN, IDC_DT_SECONDS_LABEL, IDS_DT_SECONDS, 999999},
};

// A signed decimal number with blanks around it ("" is 0), or nothing.
std::optional<int64_t> parseSigned(const std::wstring &text) {
  size_t i = 0, end = text.size();
  while (i < end && std::iswspace(text[i]))
    ++i;
  while (end > i && std::iswspace(text[end - 1]))
    --end;
  if (i == end)
    return 0;
  bool negative = false;
  if (text[i] == L'+' || text[i] == L'-')
    negative = text[i++] == L'-';
  if (i == end || end - i > 15) // wider than any shift the calendar allows
    return std::nullopt;
  int64_t value = 0;
  for (; i < end; ++i) {
    if (text[i] < L'0' || text[i] > L'9')
      return std::nullopt;
    value = value * 10 + (text[i] - L'0');
  }
  return negative ? -value : value;
}

void setColumnText(HWND list, int row, int column, const std::wstring &text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t *>(text.c_str());
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

} // namespace

CDlgDateTools::CDlgDateTools(CTolmSession &session)
    : CTolmDialog(IDD_DATE_TOOLS, session, kPlaceDateTools), m_fileSystem(session.m_kelsys),
      m_logSink(session.m_kelsys),
      m_log(m_logSink, m_fileSystem, ProgramVersionText(session.m_kelsys)),
      m_exif(session.m_daxread, session.m_targetPath) {}

BOOL CDlgDateTools::OnInitDialog() {
  m_ready = false;
  SetWindowTextW(m_hWnd, LoadWStr(m_resources, IDS_DT_TITLE).c_str());
  static const struct {
    int control;
    UINT text;
  } kTexts[] = {{IDC_DT_SOURCE_GROUP, IDS_DT_SOURCE_GROUP},
                {IDC_DT_FROM_EXIF, IDS_DT_FROM_EXIF},
                {IDC_DT_SHIFT, IDS_DT_SHIFT},
                {IDC_DT_TIMES_GROUP, IDS_DT_TIMES_GROUP},
                {IDC_DT_CREATION, IDS_DT_CREATION},
                {IDC_DT_UPDATE, IDS_DT_UPDATE},
                {IDC_DT_APPLY, IDS_DT_APPLY},
                {IDC_DT_HISTORY, IDS_DT_HISTORY},
                {IDCANCEL, IDS_DT_CLOSE}};
  for (const auto &t : kTexts)
    SetDlgItemTextW(m_hWnd, t.control, LoadWStr(m_resources, t.text).c_str());
  SetDlgItemTextW(
      m_hWnd, IDC_DT_TARGET,
      (LoadWStr(m_resources, IDS_DT_TARGET) + WidenAnsi(m_session.m_targetPath)).c_str());
  for (const ShiftField &f : kShiftFields) {
    SetDlgItemTextW(m_hWnd, f.label, LoadWStr(m_resources, f.text).c_str());
    SendDlgItemMessageW(m_hWnd, f.spin, UDM_SETRANGE32, static_cast<WPARAM>(-f.range), f.range);
    SetDlgItemTextW(m_hWnd, f.edit, L"0");
  }
  CheckRadioButton(m_hWnd, IDC_DT_FROM_EXIF, IDC_DT_SHIFT, IDC_DT_FROM_EXIF);
  CheckDlgButton(m_hWnd, IDC_DT_CREATION, BST_CHECKED);
  CheckDlgButton(m_hWnd, IDC_DT_UPDATE, BST_CHECKED);
  for (const ShiftField &f : kShiftFields)
    for (int id : {f.edit, f.spin})
      EnableWindow(GetDlgItem(id), FALSE);

  HWND list = GetDlgItem(IDC_DT_PREVIEW);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  // The time columns take a whole time; the note gets what is left of the list's width.
  const int timeWidth =
      static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                    reinterpret_cast<LPARAM>(L"0000/00/00 00:00:00"))) +
      12;
  RECT client{};
  GetClientRect(list, &client);
  const int nameWidth = 150;
  const int noteWidth =
      std::max(200, static_cast<int>(client.right) - nameWidth - 4 * timeWidth - 4);
  const struct {
    UINT text;
    int width;
  } kColumns[] = {{IDS_DT_COL_NAME, nameWidth},         {IDS_DT_COL_OLD_CREATION, timeWidth},
                  {IDS_DT_COL_NEW_CREATION, timeWidth}, {IDS_DT_COL_OLD_UPDATE, timeWidth},
                  {IDS_DT_COL_NEW_UPDATE, timeWidth},   {IDS_DT_COL_NOTE, noteWidth}};
  int index = 0;
  for (const auto &c : kColumns) {
    std::wstring caption = LoadWStr(m_resources, c.text);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = c.width;
    column.pszText = caption.data();
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++),
                 reinterpret_cast<LPARAM>(&column));
  }
  EnableWindow(GetDlgItem(IDC_DT_APPLY), FALSE);
  m_ready = true;
  // The first preview is made once the dialog shows, not while it is being made.
  InputsChanged();
  return TRUE;
}

std::optional<tolm::DateToolRequest> CDlgDateTools::RequestFromControls() {
  tolm::DateToolRequest request;
  request.walk.target = m_session.m_targetPath;
  request.walk.isFolder = m_isFolder;
  request.walk.includeFiles = m_includeFiles;
  request.walk.includeSubfolders = m_includeSubfolders;
  request.walk.hiddenFile = m_session.m_settings.hiddenFile;
  request.walk.systemFile = m_session.m_settings.systemFile;
  request.walk.logFile = m_session.m_settings.logFile;
  request.setCreation = IsDlgButtonChecked(m_hWnd, IDC_DT_CREATION) == BST_CHECKED;
  request.setUpdate = IsDlgButtonChecked(m_hWnd, IDC_DT_UPDATE) == BST_CHECKED;
  const bool shift = IsDlgButtonChecked(m_hWnd, IDC_DT_SHIFT) == BST_CHECKED;
  request.source = shift ? tolm::NewTimeSource::kShift : tolm::NewTimeSource::kDateTaken;
  if (!request.setCreation && !request.setUpdate) {
    SetDlgItemTextW(m_hWnd, IDC_DT_COUNTS, LoadWStr(m_resources, IDS_DT_NOTHING_CHOSEN).c_str());
    return std::nullopt;
  }
  if (shift) {
    int64_t parts[4] = {};
    for (size_t i = 0; i < 4; ++i) {
      wchar_t text[64] = {};
      GetDlgItemTextW(m_hWnd, kShiftFields[i].edit, text, 64);
      const std::optional<int64_t> value = parseSigned(text);
      if (!value) {
        SetDlgItemTextW(m_hWnd, IDC_DT_COUNTS, LoadWStr(m_resources, IDS_DT_BAD_SHIFT).c_str());
        return std::nullopt;
      }
      parts[i] = *value;
    }
    const std::optional<int64_t> total = tolm::shiftSeconds(parts[0], parts[1], parts[2], parts[3]);
    if (!total) {
      SetDlgItemTextW(m_hWnd, IDC_DT_COUNTS, LoadWStr(m_resources, IDS_DT_BAD_SHIFT).c_str());
      return std::nullopt;
    }
    request.shiftSeconds = *total;
  }
  return request;
}

void CDlgDateTools::InputsChanged() {
  if (!m_ready)
    return;
  m_planCurrent = false;
  EnableWindow(GetDlgItem(IDC_DT_APPLY), FALSE);
  SetTimer(m_hWnd, kRefreshTimer, kRefreshDelayMs, nullptr);
}

void CDlgDateTools::RefreshPreview() {
  KillTimer(m_hWnd, kRefreshTimer);
  const std::optional<tolm::DateToolRequest> request = RequestFromControls();
  m_plan = tolm::DatePlan{};
  m_planCurrent = false;
  if (request) {
    CWaitCursor wait;
    m_planRequest = *request;
    m_plan = tolm::BuildDatePlan(m_fileSystem, m_exif, m_zone, m_planRequest);
    m_planCurrent = !m_plan.walkFailed;
  }
  FillList();
  if (request) {
    std::wstring counts;
    if (m_plan.walkFailed) {
      counts = LoadWStr(m_resources, IDS_DT_WALK_FAILED) + L" (TOLM:" +
               std::to_wstring(m_plan.searchResult) + L")";
    } else {
      counts = FormatNumbers(LoadWStr(m_resources, IDS_DT_COUNTS),
                             {m_plan.changed, m_plan.unchanged, m_plan.skipped});
      if (m_plan.tooManyItems)
        counts += LoadWStr(m_resources, IDS_DT_TOO_MANY);
    }
    SetDlgItemTextW(m_hWnd, IDC_DT_COUNTS, counts.c_str());
  }
  EnableWindow(GetDlgItem(IDC_DT_APPLY), m_planCurrent && m_plan.changed > 0);
}

std::wstring CDlgDateTools::NameOf(const std::string &path) const {
  const std::string &target = m_session.m_targetPath;
  if (path == target)
    return WidenAnsi(m_session.m_name);
  const std::string prefix = !target.empty() && target.back() == '\\' ? target : target + "\\";
  if (path.compare(0, prefix.size(), prefix) == 0)
    return WidenAnsi(path.substr(prefix.size()));
  return WidenAnsi(path);
}

PreviewRow CDlgDateTools::RowOf(const tolm::PlanItem &item,
                                const tolm::DateToolRequest &request) const {
  PreviewRow row;
  row.name = NameOf(item.path);
  using tolm::PlanNote;
  const bool timesRead = item.note != PlanNote::kProtected && item.note != PlanNote::kUnreadable;
  const bool planned = item.note == PlanNote::kChanged || item.note == PlanNote::kUnchanged;
  if (timesRead) {
    row.oldCreation = TimeTextOf(item.oldCreation);
    row.oldUpdate = TimeTextOf(item.oldUpdate);
  }
  if (planned) {
    row.newCreation = TimeTextOf(item.newCreation);
    row.newUpdate = TimeTextOf(item.newUpdate);
  }
  static const struct {
    PlanNote note;
    UINT text;
  } kNotes[] = {{PlanNote::kChanged, IDS_DT_NOTE_CHANGED},
                {PlanNote::kUnchanged, IDS_DT_NOTE_UNCHANGED},
                {PlanNote::kNoDateTaken, IDS_DT_NOTE_NO_DATE},
                {PlanNote::kProtected, IDS_DT_NOTE_PROTECTED},
                {PlanNote::kUnreadable, IDS_DT_NOTE_UNREADABLE},
                {PlanNote::kOutOfRange, IDS_DT_NOTE_OUT_OF_RANGE}};
  std::vector<std::wstring> parts;
  for (const auto &n : kNotes)
    if (n.note == item.note)
      parts.push_back(LoadWStr(m_resources, n.text));
  if (planned && request.source == tolm::NewTimeSource::kDateTaken) {
    const UINT source = item.dateSource == tolm::DateSource::kOriginal    ? IDS_DT_SRC_ORIGINAL
                        : item.dateSource == tolm::DateSource::kDigitized ? IDS_DT_SRC_DIGITIZED
                                                                          : IDS_DT_SRC_DATETIME;
    parts.push_back(
        LoadWStr(m_resources, source) + L" (" +
        LoadWStr(m_resources, item.offsetApplied ? IDS_DT_OFFSET_USED : IDS_DT_OFFSET_NONE) + L")");
  }
  if (planned) {
    for (auto [mark, text] : {std::pair{tolm::ZoneMark::kGap, IDS_DT_MARK_GAP},
                              std::pair{tolm::ZoneMark::kOverlap, IDS_DT_MARK_OVERLAP}})
      if (item.creationMark == mark || item.updateMark == mark)
        parts.push_back(LoadWStr(m_resources, text));
  }
  const std::wstring separator = LoadWStr(m_resources, IDS_DT_SEPARATOR);
  for (size_t i = 0; i < parts.size(); ++i)
    row.note += (i ? separator : L"") + parts[i];
  return row;
}

void CDlgDateTools::FillList() {
  HWND list = GetDlgItem(IDC_DT_PREVIEW);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  SendMessageW(list, LVM_SETITEMCOUNT, m_plan.items.size(), 0);
  int index = 0;
  for (const tolm::PlanItem &item : m_plan.items) {
    const PreviewRow row = RowOf(item, m_planRequest);
    LVITEMW first{};
    first.mask = LVIF_TEXT;
    first.iItem = index;
    first.pszText = const_cast<wchar_t *>(row.name.c_str());
    const int at =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&first)));
    int column = 1;
    for (const std::wstring *text :
         {&row.oldCreation, &row.newCreation, &row.oldUpdate, &row.newUpdate, &row.note})
      setColumnText(list, at, column++, *text);
    ++index;
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void CDlgDateTools::Apply() {
  if (!m_planCurrent || m_plan.changed == 0)
    return;
  if (WriteAndReport(
          m_hWnd, m_resources, IDC_DT_OUTCOME, IDS_DT_OUTCOME, m_planRequest.walk.logTime,
          [&] { return tolm::ApplyDatePlan(m_fileSystem, m_log, m_planRequest, m_plan); }))
    m_wroteAny = true;
  // The list now shows the disk as the apply left it.
  RefreshPreview();
}

BOOL CDlgDateTools::OnCommand(WORD id, WORD code, HWND control) {
  switch (id) {
  case IDC_DT_FROM_EXIF:
  case IDC_DT_SHIFT:
    if (code == BN_CLICKED) {
      const bool shift = IsDlgButtonChecked(m_hWnd, IDC_DT_SHIFT) == BST_CHECKED;
      for (const ShiftField &f : kShiftFields)
        for (int item : {f.edit, f.spin})
          EnableWindow(GetDlgItem(item), shift);
      InputsChanged();
    }
    return TRUE;
  case IDC_DT_CREATION:
  case IDC_DT_UPDATE:
    if (code == BN_CLICKED)
      InputsChanged();
    return TRUE;
  case IDC_DT_DAYS:
  case IDC_DT_HOURS:
  case IDC_DT_MINUTES:
  case IDC_DT_SECONDS:
    if (code == EN_CHANGE)
      InputsChanged();
    return TRUE;
  case IDC_DT_APPLY:
    if (code == BN_CLICKED)
      Apply();
    return TRUE;
  case IDC_DT_HISTORY:
    if (code == BN_CLICKED)
      ShowHistory();
    return TRUE;
  default:
    return CDialog::OnCommand(id, code, control);
  }
}

BOOL CDlgDateTools::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR &result) {
  if (message == WM_TIMER && wParam == kRefreshTimer) {
    RefreshPreview();
    result = 0;
    return TRUE;
  }
  return FALSE;
}

void CDlgDateTools::OnOK() {
  if (!m_planCurrent)
    RefreshPreview();
}

void CDlgDateTools::OnDestroy() {
  KillTimer(m_hWnd, kRefreshTimer);
  m_ready = false;
}

void CDlgDateTools::ShowHistory() {
  CDlgHistory history(m_session);
  history.DoModal(m_hWnd);
  if (history.m_wroteAny) {
    m_wroteAny = true;
    RefreshPreview();
  }
}
