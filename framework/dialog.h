// Dialogs of the framework: modal dialogs and child pages made from resource templates.
#pragma once
#include <windows.h>

#include "framework/afx.h"

class CDialog : public CObject {
public:
  // The template is looked up in `resources` (the program's own module when null).
  explicit CDialog(UINT templateId, HINSTANCE resources = nullptr);
  ~CDialog() override;
  CDialog(const CDialog &) = delete;
  CDialog &operator=(const CDialog &) = delete;

  // Runs the dialog modally over `owner`; IDOK, IDCANCEL, the EndDialog value, or -1.
  INT_PTR DoModal(HWND owner = nullptr);
  // Creates the dialog as a child window of `parent` (a page); false on failure.
  bool Create(HWND parent);
  void DestroyWindow();
  void EndDialog(INT_PTR result);

  HWND m_hWnd = nullptr;
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  UINT TemplateId() const { return m_templateId; }

protected:
  // Handlers; each returns whether it handled the message.
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  virtual BOOL OnCommand(WORD id, WORD code, HWND control);
  virtual BOOL OnNotify(const NMHDR &header, LRESULT &result);
  virtual BOOL OnPaint() { return FALSE; }
  virtual void OnDestroy() {}
  // Any other message; the default leaves it to the dialog manager.
  virtual BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR &result);
  // An exception that escaped a handler (std::bad_alloc arrives as a CMemoryException); the
  // default ignores it. A modal dialog whose initialisation threw is cancelled after.
  virtual void OnException(const CException &exception);

  HINSTANCE m_resources;

private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void Fail(UINT message, const CException &exception) noexcept;

  UINT m_templateId;
  bool m_modal = false;
};

// Paints the icon centred in the client area of a minimised window.
void PaintMinimisedIcon(HWND window, HICON icon);
