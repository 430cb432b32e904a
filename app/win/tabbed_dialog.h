// The tabbed frame of TOLM's two main dialogs: the icon, the title, the tabs and the pages over
// the tab control.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

#include "app/win/bitmaps.h"
#include "app/win/tolm_dialog.h"

// Shows the pages in the order of the tabs and places them over the tab control.
class CTabbedDialog : public CTolmDialog {
protected:
  CTabbedDialog(UINT templateId, int tabControlId, CTolmSession &session);
  // A tab: its page and the string id of its caption.
  struct Tab {
    CDialog *page;
    UINT caption;
  };
  // Creates the pages' windows in the order given; the last one lies on top.
  static void CreatePages(HWND parent, std::initializer_list<CDialog *> creationOrder);
  // Inserts the tabs in order (at most three) with their images from the strip, places their
  // pages over the tab control and shows the first.
  void SetUpTabs(std::initializer_list<Tab> tabs, UINT stripId);
  void ShowPage(int index);
  BOOL OnNotify(const NMHDR &header, LRESULT &result) override;
  BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR &result) override;
  // Common start: icon and title. False when the pages could not be made (reported).
  bool StartDialog();
  bool ReportNoMemory();

  int m_tabControlId;
  HICON m_icon = nullptr;
  CImageListPtr m_tabImages;
  CDialog *m_pages[3] = {};
};
