// Dialogs of the framework: modal dialogs and child pages made from resource templates.
#include "framework/dialog.h"

#include <cstdio>
#include <new>

CDialog::CDialog(UINT templateId, HINSTANCE resources)
    : m_resources(resources ? resources : GetModuleHandleA(nullptr)), m_templateId(templateId) {}

CDialog::~CDialog() {
  if (m_hWnd != nullptr && !m_modal)
    ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal(HWND owner) {
  m_modal = true;
  // Made by the wide functions so that the template's texts reach the controls unconverted:
  // through the ANSI code page the Japanese texts would survive only where it is 932.
  return DialogBoxParamW(m_resources, MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent) {
  m_modal = false;
  return CreateDialogParamW(m_resources, MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::DestroyWindow() {
  if (m_hWnd != nullptr)
    ::DestroyWindow(m_hWnd);
}

void CDialog::EndDialog(INT_PTR result) {
  if (m_hWnd != nullptr && m_modal)
    ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnCommand(WORD id, WORD, HWND) {
  if (id == IDOK) {
    OnOK();
    return TRUE;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}

BOOL CDialog::OnNotify(const NMHDR &, LRESULT &) { return FALSE; }

BOOL CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR &) { return FALSE; }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog *self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog *>(lParam);
    self->m_hWnd = window;
    SetWindowLongPtrA(window, DWLP_USER, lParam);
  } else {
    self = reinterpret_cast<CDialog *>(GetWindowLongPtrA(window, DWLP_USER));
  }
  if (self == nullptr)
    return FALSE;
  // No exception may leave a window procedure: one that escapes a handler ends here, where the
  // user is told; a dialog whose initialisation failed half-way is not left on screen.
  INT_PTR result = FALSE;
  try {
    result = self->Dispatch(message, wParam, lParam);
  } catch (const CException &e) {
    self->Fail(message, e);
  } catch (const std::bad_alloc &) {
    self->Fail(message, CMemoryException());
  } catch (...) {
    self->Fail(message, CException());
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return result;
}

void CDialog::Fail(UINT message, const CException &exception) noexcept {
  // The report must not throw in turn: whatever it meets is dropped.
  try {
    OnException(exception);
  } catch (...) {
  }
  if (message == WM_INITDIALOG)
    EndDialog(IDCANCEL);
}

// A library's dialog has no one to tell (its exports show no message of their own): the
// program's dialogs override this with their error reporter.
void CDialog::OnException(const CException &) {}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_INITDIALOG:
    return OnInitDialog();
  case WM_COMMAND:
    return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
  case WM_NOTIFY: {
    LRESULT result = 0;
    if (!OnNotify(*reinterpret_cast<const NMHDR *>(lParam), result))
      return FALSE;
    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
  }
  case WM_PAINT:
    return OnPaint();
  case WM_DESTROY:
    OnDestroy();
    return FALSE;
  default: {
    INT_PTR result = 0;
    return OnMessage(message, wParam, lParam, result) ? result : FALSE;
  }
  }
}

void PaintMinimisedIcon(HWND window, HICON icon) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, icon);
  EndPaint(window, &paint);
}
