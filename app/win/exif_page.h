// The EXIF page: the reader's entries of the target under one heading per group.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "app/win/bitmaps.h"
#include "app/win/tolm_dialog.h"

class CTabPage1 : public CTolmDialog {
public:
  explicit CTabPage1(CTolmSession &session);

protected:
  BOOL OnInitDialog() override;

private:
  // Lists the reader's entries under one heading per group.
  void FillList(HWND list);
  // Owned here: the list view shares it (LVS_SHAREIMAGELISTS) and leaves it alone.
  CImageListPtr m_images;
};
