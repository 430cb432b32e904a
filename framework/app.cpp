// The application object, WinMain and message boxes of the framework.
#include "framework/afx.h"

#include <cstring>
#include <vector>

namespace {
CWinApp *g_app = nullptr;
}

CWinApp::CWinApp() { g_app = this; }
CWinApp::~CWinApp() {
  if (g_app == this)
    g_app = nullptr;
}
CWinApp *CWinApp::current() { return g_app; }

int CWinApp::Run(HINSTANCE instance, const char *commandLine) {
  m_hInstance = instance;
  m_lpCmdLine = commandLine ? commandLine : "";
  int code = 0;
  if (InitInstance()) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    code = static_cast<int>(msg.wParam);
  }
  const int exitCode = ExitInstance();
  return code != 0 ? code : exitCode;
}

int AfxMessageBox(const char *text, UINT flags) {
  const CWinApp *app = CWinApp::current();
  const char *caption = app && !app->m_appTitle.empty() ? app->m_appTitle.c_str() : nullptr;
  return MessageBoxA(GetActiveWindow(), text, caption, flags | MB_OK);
}

int AfxMessageBox(const std::string &text, UINT flags) {
  return AfxMessageBox(text.c_str(), flags);
}

int AfxMessageBox(const std::wstring &text, UINT flags) {
  const CWinApp *app = CWinApp::current();
  const std::wstring caption = app ? WidenAnsi(app->m_appTitle) : std::wstring();
  return MessageBoxW(GetActiveWindow(), text.c_str(), caption.empty() ? nullptr : caption.c_str(),
                     flags | MB_OK);
}

std::wstring LoadWStr(HINSTANCE module, UINT id) {
  // With a zero capacity the platform hands out the resource's own read-only text.
  const wchar_t *text = nullptr;
  const int length = LoadStringW(module, id, reinterpret_cast<wchar_t *>(&text), 0);
  return length > 0 && text != nullptr ? std::wstring(text, static_cast<size_t>(length))
                                       : std::wstring();
}

std::wstring WidenAnsi(const std::string &text) {
  if (text.empty())
    return std::wstring();
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::wstring FormatNumbers(std::wstring text, std::initializer_list<size_t> numbers) {
  int n = 1;
  for (size_t number : numbers) {
    const std::wstring mark = L"%" + std::to_wstring(n++);
    const size_t at = text.find(mark);
    if (at != std::wstring::npos)
      text.replace(at, mark.size(), std::to_wstring(number));
  }
  return text;
}

std::string LoadStr(HINSTANCE module, UINT id, int capacity) {
  std::vector<char> buffer(static_cast<size_t>(capacity > 1 ? capacity : 2), '\0');
  const int length = LoadStringA(module, id, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

// No C++ exception may leave WinMain: one that escapes the program ends it with a message.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  CWinApp *app = CWinApp::current();
  if (app == nullptr)
    return 1;
  try {
    return app->Run(instance, commandLine);
  } catch (const CException &e) {
    char text[1024];
    e.GetErrorMessage(text, sizeof text);
    MessageBoxA(nullptr, text, app->m_appTitle.c_str(), MB_ICONHAND | MB_OK);
  } catch (...) {
    MessageBoxA(nullptr, "unexpected failure", app->m_appTitle.c_str(), MB_ICONHAND | MB_OK);
  }
  return 1;
}
