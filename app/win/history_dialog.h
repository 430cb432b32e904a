// The history: the change logs of the user's temporary folder, newest first; the items of the
// chosen one with the values an undo would write back beside what they hold now; and the undo.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/core/log_history.h"
#include "app/core/undo_plan.h"
#include "app/win/apply_win.h"
#include "app/win/tolm_dialog.h"

// The change logs ("TOZ*.tmp", the name the program gives them) of a folder, each with its head
// as ListChangeLogs wants it. Files that cannot be opened (one being written denies reading) are
// left out.
std::vector<tolm::LogFile> FindLogFiles(const std::string &folder);

class CDlgHistory : public CTolmDialog {
public:
  explicit CDlgHistory(CTolmSession &session);

  // True once an undo wrote anything.
  bool m_wroteAny = false;

protected:
  BOOL OnInitDialog() override;
  // Enter keeps the dialog open: only 閉じる (or Escape) closes it.
  void OnOK() override {}
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  BOOL OnNotify(const NMHDR &header, LRESULT &result) override;

private:
  void FillLogs(const std::string &select);
  void ShowLog(int index);
  void FillItems();
  void ShowCounts();
  void Undo();
  int SelectedLog() const;

  CKelsysFileSystem m_fileSystem;
  CTempFileLogSink m_logSink;
  tolm::CChangeLog m_log;
  std::vector<tolm::HistoryEntry> m_entries;
  int m_shown = -1; // the entry whose items the plan holds
  tolm::UndoPlan m_plan;
  bool m_filling = false; // the lists are being filled: their notifications are not the user's
};
