// The General page: the target's name, place, size, times and attributes, the picture of an
// image file, and the way to the editor and the date tools.
#pragma once
#include <windows.h>

#include <string>

#include "app/win/calendar_dialog.h"
#include "app/win/preview.h"
#include "app/win/tolm_dialog.h"

class CTabPage0 : public CTolmDialog {
public:
  explicit CTabPage0(CTolmSession &session);

protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  BOOL OnPaint() override;
  void OnDestroy() override;

private:
  // Fills the time and attribute lines; true when the target is a protected item.
  bool ShowTimesAndAttributes();
  void SetLine(int id, UINT labelId, const std::string &value);
  void RunEditor();
  // The date tools on the same target with the page's update options.
  void RunDateTools();
  CDlgCalendar m_editor;
  CPreview m_preview;
};
