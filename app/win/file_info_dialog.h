// The property dialog: the General, EXIF and Version pages of the target, and below them the
// kind of target and the settings in force.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/win/exif_page.h"
#include "app/win/general_page.h"
#include "app/win/tabbed_dialog.h"
#include "app/win/version_page.h"

class CDlgFileInfo : public CTabbedDialog {
public:
  explicit CDlgFileInfo(CTolmSession &session);

protected:
  BOOL OnInitDialog() override;
  BOOL OnPaint() override;
  void OnDestroy() override;

private:
  std::unique_ptr<CTabPage0> m_general;
  std::unique_ptr<CTabPage1> m_exif;
  std::unique_ptr<CTabPage2> m_version;
  CImageListPtr m_statusImages;
};
