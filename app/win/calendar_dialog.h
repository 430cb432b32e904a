// The date and attribute editor: new creation and update times and four attributes for the
// target or a whole folder, written by the apply road.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "app/core/apply.h"
#include "app/win/apply_win.h"
#include "app/win/tolm_dialog.h"

class CDlgCalendar : public CTolmDialog {
public:
  explicit CDlgCalendar(CTolmSession &session);
  ~CDlgCalendar() override;

  // Set by the General page before each run.
  int32_t m_isFolder = 0;
  int32_t m_includeFiles = 0;
  int32_t m_includeSubfolders = 0;
  tolm::AttributeFlags m_startFlags;
  SYSTEMTIME m_startCreation{};
  SYSTEMTIME m_startUpdate{};

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  BOOL OnNotify(const NMHDR &header, LRESULT &result) override;
  BOOL OnPaint() override;

private:
  void EnableWriting();
  // Midnight, then the current time of day, then the starting time again.
  void CycleTimePart(int timePicker, int &state, const SYSTEMTIME &start);
  SYSTEMTIME PickedTime(int datePicker, int timePicker) const;
  void Apply();

  HBITMAP m_picture = nullptr;
  HIMAGELIST m_indicators = nullptr;
  int m_creationState = 0;
  int m_updateState = 0;
  CKelsysFileSystem m_fileSystem;
  CTempFileLogSink m_logSink;
  tolm::CChangeLog m_log;
};
