// The two main dialogs of TOLM.exe and their tab pages.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "app/win/calendar_dialog.h"
#include "app/win/date_tools_dialog.h"
#include "app/win/info_pages.h"
#include "app/win/tolm_dialog.h"

class CTolmApp;

// Replaces every pixel of the key colour (the one at (0, 0)) by `colour`, column by column.
void ReplaceBackground(HBITMAP bitmap, int width, int height, COLORREF colour);

// An image list of `size` by `size` images from a strip bitmap of `count` images, its key
// colour turned into `background`.
HIMAGELIST LoadImageStrip(HINSTANCE module, UINT bitmapId, int size, int count, COLORREF background);

// The pages; each fills itself from the application when it is created.
class CTabPage0 : public CTolmDialog { // General
public:
  explicit CTabPage0(CTolmApp &app);

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
};

// Shows the pages in the order of the tabs and places them over the tab control.
class CTabbedDialog : public CTolmDialog {
protected:
  CTabbedDialog(UINT templateId, int tabControlId, CTolmApp &app);
  // Inserts the tabs (caption string ids, images), sets the tab images and places the pages.
  void SetUpTabs(const UINT *captionIds, int count, UINT stripId);
  void ShowPage(int index);
  BOOL OnNotify(const NMHDR &header, LRESULT &result) override;
  BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR &result) override;
  // Common start: icon and title. False when the pages could not be made (reported).
  bool StartDialog();
  bool ReportNoMemory();

  int m_tabControlId;
  HICON m_icon = nullptr;
  HIMAGELIST m_tabImages = nullptr;
  CDialog *m_pages[3] = {};

public:
  ~CTabbedDialog() override;
};

class CDlgFileInfo : public CTabbedDialog {
public:
  explicit CDlgFileInfo(CTolmApp &app);
  ~CDlgFileInfo() override;

protected:
  BOOL OnInitDialog() override;
  BOOL OnPaint() override;
  void OnDestroy() override;

private:
  HIMAGELIST m_statusImages = nullptr;
  std::unique_ptr<CTabPage0> m_general;
  std::unique_ptr<CTabPage1> m_exif;
  std::unique_ptr<CTabPage2> m_version;
};

class CDlgExtDelete : public CTabbedDialog {
public:
  static constexpr size_t kDeleteListBytes = 2000000;

  explicit CDlgExtDelete(CTolmApp &app);
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
