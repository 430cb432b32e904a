// The history: the change logs of the user's temporary folder, newest first; the items of the
// chosen one with the values an undo would write back beside what they hold now; and the undo.
#include "app/win/history_dialog.h"

#include "app/win/resource.h"
#include "app/win/write_report.h"

#include <algorithm>
#include <bit>
#include <initializer_list>

namespace {

// An undo reads and writes under the settings in force.
tolm::UndoRequest undoRequestUnder(const CSettings &settings) {
  tolm::UndoRequest request;
  request.hiddenFile = settings.hiddenFile;
  request.systemFile = settings.systemFile;
  request.logFile = settings.logFile;
  return request;
}

bool readWhole(const std::string &path, std::string &bytes, uint64_t limit) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0;
  if (ok) {
    const uint64_t wanted = std::min<uint64_t>(static_cast<uint64_t>(size.QuadPart), limit);
    bytes.assign(static_cast<size_t>(wanted), '\0');
    DWORD read = 0;
    ok = bytes.empty() ||
         (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
          read == bytes.size());
  }
  CloseHandle(file);
  return ok;
}

// Whole logs are small (about 2 MB for the 3000 items a walk can hold); anything far larger is
// no log of ours and is not read whole.
constexpr uint64_t kLargestLog = 64ull << 20;

void insertRow(HWND list, int row, const std::vector<std::wstring> &texts) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<wchar_t *>(texts[0].c_str());
  const int at =
      static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  for (size_t column = 1; column < texts.size(); ++column) {
    LVITEMW sub{};
    sub.iSubItem = static_cast<int>(column);
    sub.pszText = const_cast<wchar_t *>(texts[column].c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
  }
}

void addColumns(HWND list, HINSTANCE resources,
                std::initializer_list<std::pair<UINT, int>> columns) {
  int index = 0;
  for (const auto &[text, width] : columns) {
    std::wstring caption = LoadWStr(resources, text);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = caption.data();
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++),
                 reinterpret_cast<LPARAM>(&column));
  }
}

bool undoable(tolm::UndoState state) {
  return state == tolm::UndoState::kReady || state == tolm::UndoState::kChangedSince;
}

bool isChecked(HWND list, int row) {
  return ((SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) >>
           12) &
          0xF) == 2;
}
void setChecked(HWND list, int row, bool checked) {
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

} // namespace

std::vector<tolm::LogFile> FindLogFiles(const std::string &folder) {
  std::vector<tolm::LogFile> files;
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '\\')
    prefix += '\\';
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((prefix + "TOZ*.tmp").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return files;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      continue;
    tolm::LogFile file;
    file.name = prefix + found.cFileName;
    file.bytes = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    SYSTEMTIME utc{}, local{};
    if (FileTimeToSystemTime(&found.ftLastWriteTime, &utc) &&
        SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
      file.lastWrite = std::bit_cast<tolm::SystemTime>(local);
    if (readWhole(file.name, file.head, tolm::kHistoryHeadBytes))
      files.push_back(std::move(file));
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return files;
}

CDlgHistory::CDlgHistory(CTolmSession &session)
    : CTolmDialog(IDD_HISTORY, session, kPlaceDateTools), m_fileSystem(session.m_kelsys),
      m_logSink(session.m_kelsys),
      m_log(m_logSink, m_fileSystem, ProgramVersionText(session.m_kelsys)) {}

BOOL CDlgHistory::OnInitDialog() {
  SetWindowTextW(m_hWnd, LoadWStr(m_resources, IDS_HIS_TITLE).c_str());
  for (auto [control, text] :
       {std::pair{IDC_HIS_LOGS_LABEL, IDS_HIS_LOGS_LABEL},
        std::pair{IDC_HIS_ITEMS_LABEL, IDS_HIS_ITEMS_LABEL}, std::pair{IDC_HIS_UNDO, IDS_HIS_UNDO},
        std::pair{IDCANCEL, IDS_DT_CLOSE}})
    SetDlgItemTextW(m_hWnd, control, LoadWStr(m_resources, text).c_str());
  HWND logs = GetDlgItem(IDC_HIS_LOGS);
  HWND items = GetDlgItem(IDC_HIS_ITEMS);
  SendMessageW(logs, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  SendMessageW(items, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES,
               LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
  const int timeWidth =
      static_cast<int>(SendMessageW(logs, LVM_GETSTRINGWIDTHW, 0,
                                    reinterpret_cast<LPARAM>(L"0000/00/00 00:00:00"))) +
      14;
  addColumns(logs, m_resources,
             {{IDS_HIS_COL_DATE, timeWidth},
              {IDS_HIS_COL_KIND, 150},
              {IDS_HIS_COL_TARGET, 520},
              {IDS_HIS_COL_COUNT, 60}});
  addColumns(items, m_resources,
             {{IDS_HIS_COL_PATH, 170},
              {IDS_HIS_COL_UNDO_CREATION, timeWidth},
              {IDS_HIS_COL_UNDO_UPDATE, timeWidth},
              {IDS_HIS_COL_UNDO_ATTRIBUTES, 80},
              {IDS_HIS_COL_NOW_CREATION, timeWidth},
              {IDS_HIS_COL_NOW_UPDATE, timeWidth},
              {IDS_HIS_COL_NOW_ATTRIBUTES, 80},
              {IDS_HIS_COL_STATE, 96}});
  FillLogs("");
  return TRUE;
}

void CDlgHistory::FillLogs(const std::string &select) {
  char temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH + 1, temp);
  {
    CWaitCursor wait;
    m_entries = tolm::ListChangeLogs(
        length > 0 && length <= MAX_PATH ? FindLogFiles(temp) : std::vector<tolm::LogFile>{});
  }
  HWND logs = GetDlgItem(IDC_HIS_LOGS);
  m_filling = true;
  SendMessageW(logs, LVM_DELETEALLITEMS, 0, 0);
  int row = 0, selected = -1;
  for (const tolm::HistoryEntry &entry : m_entries) {
    static const UINT kKinds[] = {IDS_HIS_KIND_EDITOR, IDS_HIS_KIND_DATE_TAKEN, IDS_HIS_KIND_SHIFT,
                                  IDS_HIS_KIND_UNDO};
    std::wstring kind =
        entry.hasHeader ? LoadWStr(m_resources, kKinds[static_cast<int>(entry.kind)]) : L"";
    if (!entry.readable)
      kind = LoadWStr(m_resources, IDS_HIS_UNREADABLE) + (kind.empty() ? L"" : L" (" + kind + L")");
    else if (!entry.checked)
      kind += LoadWStr(m_resources, IDS_HIS_NOT_CHECKED);
    insertRow(logs, row,
              {TimeTextOf(entry.hasHeader ? entry.date : entry.lastWrite), kind,
               WidenAnsi(entry.target), entry.hasHeader ? std::to_wstring(entry.itemCount) : L""});
    if (entry.name == select)
      selected = row;
    ++row;
  }
  m_filling = false;
  m_shown = -1;
  m_plan = tolm::UndoPlan{};
  FillItems();
  if (m_entries.empty())
    SetDlgItemTextW(m_hWnd, IDC_HIS_COUNTS, LoadWStr(m_resources, IDS_HIS_NO_LOGS).c_str());
  if (selected >= 0) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(logs, LVM_SETITEMSTATE, static_cast<WPARAM>(selected),
                 reinterpret_cast<LPARAM>(&state));
  }
}

int CDlgHistory::SelectedLog() const {
  return static_cast<int>(SendMessageW(GetDlgItem(IDC_HIS_LOGS), LVM_GETNEXTITEM,
                                       static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CDlgHistory::ShowLog(int index) {
  m_shown = -1;
  m_plan = tolm::UndoPlan{};
  if (index >= 0 && static_cast<size_t>(index) < m_entries.size()) {
    CWaitCursor wait;
    m_shown = index;
    std::string bytes;
    tolm::LogReadResult log;
    if (!readWhole(m_entries[index].name, bytes, kLargestLog)) {
      log.problem = "the file cannot be read";
    } else {
      log = tolm::ReadChangeLog(bytes);
    }
    m_plan = tolm::BuildUndoPlan(m_fileSystem, log, undoRequestUnder(m_session.m_settings));
  }
  FillItems();
}

void CDlgHistory::FillItems() {
  HWND items = GetDlgItem(IDC_HIS_ITEMS);
  m_filling = true;
  SendMessageW(items, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const tolm::UndoItem &item : m_plan.items) {
    using tolm::UndoState;
    const tolm::LoggedItem &logged = item.logged;
    const bool present = item.state != UndoState::kMissing;
    static const std::pair<UndoState, UINT> kStates[] = {
        {UndoState::kReady, IDS_HIS_STATE_READY},
        {UndoState::kChangedSince, IDS_HIS_STATE_CHANGED},
        {UndoState::kAlreadyUndone, IDS_HIS_STATE_UNDONE},
        {UndoState::kNothingToUndo, IDS_HIS_STATE_NOTHING},
        {UndoState::kNotUndoable, IDS_HIS_STATE_NOT_UNDOABLE},
        {UndoState::kMissing, IDS_HIS_STATE_MISSING},
        {UndoState::kProtected, IDS_HIS_STATE_PROTECTED}};
    std::wstring state;
    for (const auto &[s, text] : kStates)
      if (s == item.state)
        state = LoadWStr(m_resources, text);
    insertRow(
        items, row,
        {WidenAnsi(logged.path), logged.hasTimes ? TimeTextOf(logged.creation.before) : L"",
         logged.hasTimes ? TimeTextOf(logged.update.before) : L"",
         logged.hasAttributes ? WidenAnsi(tolm::attributeLetters(logged.attributes.before)) : L"",
         present ? TimeTextOf(item.currentCreation) : L"",
         present ? TimeTextOf(item.currentUpdate) : L"",
         present && item.currentWord != tolm::kAttrInvalid
             ? WidenAnsi(tolm::attributeLetters(item.currentWord))
             : L"",
         state});
    setChecked(items, row, item.chosen && undoable(item.state));
    ++row;
  }
  m_filling = false;
  ShowCounts();
}

void CDlgHistory::ShowCounts() {
  HWND items = GetDlgItem(IDC_HIS_ITEMS);
  size_t chosen = 0;
  for (size_t i = 0; i < m_plan.items.size(); ++i)
    if (undoable(m_plan.items[i].state) && isChecked(items, static_cast<int>(i)))
      ++chosen;
  std::wstring text;
  if (m_shown >= 0 && !m_plan.readable)
    // The reader's problem is for support: where it gave up and why.
    text = LoadWStr(m_resources, IDS_HIS_BAD_LOG) + L" (" +
           (m_plan.problemLine > 0 ? std::to_wstring(m_plan.problemLine) + L": " : L"") +
           WidenAnsi(m_plan.problem) + L")";
  else if (m_shown >= 0)
    text = FormatNumbers(LoadWStr(m_resources, IDS_HIS_COUNTS),
                         {m_plan.ready, m_plan.changedSince, chosen});
  SetDlgItemTextW(m_hWnd, IDC_HIS_COUNTS, text.c_str());
  EnableWindow(GetDlgItem(IDC_HIS_UNDO), m_plan.readable && chosen > 0);
}

void CDlgHistory::Undo() {
  if (m_shown < 0 || !m_plan.readable)
    return;
  HWND items = GetDlgItem(IDC_HIS_ITEMS);
  for (size_t i = 0; i < m_plan.items.size(); ++i)
    m_plan.items[i].chosen =
        undoable(m_plan.items[i].state) && isChecked(items, static_cast<int>(i));
  tolm::UndoRequest request = undoRequestUnder(m_session.m_settings);
  if (WriteAndReport(m_hWnd, m_resources, IDC_HIS_OUTCOME, IDS_HIS_OUTCOME, request.logTime,
                     [&] { return tolm::ApplyUndoPlan(m_fileSystem, m_log, request, m_plan); }))
    m_wroteAny = true;
  // The undo's own log joins the list; the log undone stays chosen and shows the disk as now.
  const std::string undone = m_entries[static_cast<size_t>(m_shown)].name;
  FillLogs(undone);
}

BOOL CDlgHistory::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_HIS_UNDO && code == BN_CLICKED) {
    Undo();
    return TRUE;
  }
  return CDialog::OnCommand(id, code, control);
}

BOOL CDlgHistory::OnNotify(const NMHDR &header, LRESULT &result) {
  if (header.code != LVN_ITEMCHANGED || m_filling)
    return FALSE;
  const auto &change = reinterpret_cast<const NMLISTVIEW &>(header);
  if (header.idFrom == IDC_HIS_LOGS && (change.uNewState & LVIS_SELECTED) &&
      !(change.uOldState & LVIS_SELECTED)) {
    ShowLog(change.iItem);
    result = 0;
    return TRUE;
  }
  if (header.idFrom == IDC_HIS_ITEMS && (change.uChanged & LVIF_STATE) &&
      ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK)) {
    // Only items an undo can act on take a tick.
    const size_t row = static_cast<size_t>(change.iItem);
    if (row < m_plan.items.size() && !undoable(m_plan.items[row].state) &&
        isChecked(header.hwndFrom, change.iItem)) {
      m_filling = true;
      setChecked(header.hwndFrom, change.iItem, false);
      m_filling = false;
    }
    ShowCounts();
    result = 0;
    return TRUE;
  }
  return FALSE;
}
