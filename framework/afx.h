// The small MFC-style framework: application object, find-first search, wait cursor,
// exceptions and string loading; only what the program and the libraries' dialogs use.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

class CObject {
public:
  virtual ~CObject() = default;
};

// The one application object of a program. Its constructor registers it; WinMain (in the
// framework) calls InitInstance, runs the message loop only when InitInstance succeeded, then
// ExitInstance.
class CWinApp : public CObject {
public:
  CWinApp();
  ~CWinApp() override;
  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }

  HINSTANCE m_hInstance = nullptr;
  const char *m_lpCmdLine = "";
  std::string m_appTitle; // caption of message boxes

  static CWinApp *current();
  int Run(HINSTANCE instance, const char *commandLine);
};

// A message box with the application's title as caption. The narrow text form allocates
// nothing, so that it can still report running out of memory.
int AfxMessageBox(const char *text, UINT flags);
int AfxMessageBox(const std::string &text, UINT flags);
int AfxMessageBox(const std::wstring &text, UINT flags);

// A string resource of the given module, at most `capacity` - 1 characters; "" when absent.
// The narrow form is in the ANSI code page, which loses the Japanese texts wherever that code
// page is not 932: texts shown in windows take the wide form.
std::string LoadStr(HINSTANCE module, UINT id, int capacity = 256);
std::wstring LoadWStr(HINSTANCE module, UINT id);

// A text of the ANSI code page (a path, a formatted value) as UTF-16.
std::wstring WidenAnsi(const std::string &text);

// A resource text with its marks %1, %2, ... replaced by the numbers, in order; a mark the
// text lacks is skipped, so a translation may leave a number out.
std::wstring FormatNumbers(std::wstring text, std::initializer_list<size_t> numbers);

// The platform's find-first/find-next search with the shape the program relies on.
class CFileFind : public CObject {
public:
  CFileFind() = default;
  ~CFileFind() override { Close(); }
  CFileFind(const CFileFind &) = delete;
  CFileFind &operator=(const CFileFind &) = delete;

  // Starts a search; FALSE when nothing matches. Step with FindNextFile to the first match.
  BOOL FindFile(const char *pattern);
  // Moves to the next match; FALSE when it was the last one (the current match stays valid).
  BOOL FindNextFile();
  void Close();

  // The folder of the search pattern plus the current match's name.
  std::string GetFilePath() const;
  std::string GetFileName() const { return m_current.cFileName; }
  BOOL IsDirectory() const { return (m_current.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  BOOL IsDots() const;

private:
  HANDLE m_find = INVALID_HANDLE_VALUE;
  std::string m_root;
  WIN32_FIND_DATAA m_next{};
  WIN32_FIND_DATAA m_current{};
  bool m_hasNext = false;
};

// Shows the hourglass for the lifetime of the object.
class CWaitCursor {
public:
  CWaitCursor() : m_previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
  ~CWaitCursor() { SetCursor(m_previous); }
  CWaitCursor(const CWaitCursor &) = delete;
  CWaitCursor &operator=(const CWaitCursor &) = delete;

private:
  HCURSOR m_previous;
};

// Exceptions the framework throws; each can describe itself.
class CException : public CObject {
public:
  virtual BOOL GetErrorMessage(char *buffer, UINT capacity) const;
};
class CMemoryException : public CException {
public:
  BOOL GetErrorMessage(char *buffer, UINT capacity) const override;
};
class CFileException : public CException {
public:
  explicit CFileException(DWORD osError, std::string fileName = std::string())
      : m_osError(osError), m_fileName(std::move(fileName)) {}
  BOOL GetErrorMessage(char *buffer, UINT capacity) const override;
  DWORD m_osError;
  std::string m_fileName;
};
