// The Extended delete dialog: the erase list chosen on its page, run on the target folder with OK.
#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>

#include "app/win/erase_page.h"
#include "app/win/tabbed_dialog.h"
#include "app/win/version_page.h"

class CDlgExtDelete : public CTabbedDialog {
public:
  static constexpr size_t kDeleteListBytes = 2000000;

  explicit CDlgExtDelete(CTolmSession &session);
  ~CDlgExtDelete() override;

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnPaint() override;
  void OnDestroy() override;

private:
  std::unique_ptr<char[]> m_deleteList;
  std::unique_ptr<CTabPage3> m_extDelete;
  std::unique_ptr<CTabPage2> m_version;
};
