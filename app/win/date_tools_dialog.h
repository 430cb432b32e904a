// The date tools: new creation and update times from each image's date taken or by a shift,
// shown as a preview of every item before anything is written, and written as previewed.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "app/core/date_plan.h"
#include "app/win/apply_win.h"
#include "app/win/date_ports.h"
#include "app/win/tolm_dialog.h"

// The texts of one preview row, in the order of the list's columns.
struct PreviewRow {
  std::wstring name, oldCreation, newCreation, oldUpdate, newUpdate, note;
};

class CDlgDateTools : public CTolmDialog {
public:
  explicit CDlgDateTools(CTolmSession &session);

  // The General page's update options, set before the run.
  int32_t m_isFolder = 0;
  int32_t m_includeFiles = 0;
  int32_t m_includeSubfolders = 0;
  // True once anything was written (the page then shows the target's times again).
  bool m_wroteAny = false;

  // The row a plan item shows as. `name` is the item's path under the target.
  PreviewRow RowOf(const tolm::PlanItem &item, const tolm::DateToolRequest &request) const;

protected:
  BOOL OnInitDialog() override;
  // Enter makes the preview at once instead of closing the dialog.
  void OnOK() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR &result) override;
  void OnDestroy() override;

private:
  // The request the controls describe now, or nothing when the shift is not a number or no
  // time is chosen (the counts line then says which).
  std::optional<tolm::DateToolRequest> RequestFromControls();
  // The preview follows the inputs a moment after their last change, so that typing a number
  // walks the tree once rather than once per key.
  void InputsChanged();
  void RefreshPreview();
  void FillList();
  void Apply();
  void ShowHistory();
  std::wstring NameOf(const std::string &path) const;

  CKelsysFileSystem m_fileSystem;
  CTempFileLogSink m_logSink;
  tolm::CChangeLog m_log;
  CSystemTimeZone m_zone;
  CDaxExifDateReader m_exif;
  // What the list shows, and the request it was made for: Apply writes exactly this.
  tolm::DatePlan m_plan;
  tolm::DateToolRequest m_planRequest;
  bool m_planCurrent = false;
  bool m_ready = false; // the controls are filled: their changes are the user's
};
