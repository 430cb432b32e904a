// The Extended delete page: the target folder and the erase list the user types or chooses.
#pragma once
#include <windows.h>

#include <string>

#include "app/win/tolm_dialog.h"

class CTabPage3 : public CTolmDialog {
public:
  explicit CTabPage3(CTolmSession &session);
  // The erase list's path as the user typed or chose it.
  std::string ListPath() const;

protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;

private:
  void Browse();
};
