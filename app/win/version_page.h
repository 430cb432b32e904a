// The Version page: the versions of the program and the libraries it loads, and the logo.
#pragma once
#include <windows.h>

#include "app/win/bitmaps.h"
#include "app/win/tolm_dialog.h"

class CTabPage2 : public CTolmDialog {
public:
  explicit CTabPage2(CTolmSession &session);

protected:
  BOOL OnInitDialog() override;

private:
  CBitmapPtr m_logo;
};
