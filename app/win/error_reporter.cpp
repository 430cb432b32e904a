// The program's error reporter: a code becomes a Japanese message box.
#include "app/win/error_reporter.h"

#include "app/win/resource.h"

#include <cstdio>

UINT CErrorReporter::StringIdOf(int code) {
  static const struct {
    int code;
    UINT id;
  } kTable[] = {
      {-5000, IDS_ERR_START},        {-5001, IDS_ERR_EXIF},         {-5002, IDS_ERR_UNPROCESSABLE},
      {-5003, IDS_ERR_TOO_MANY},     {-5004, IDS_ERR_NO_TARGET},    {-5005, IDS_ERR_REGISTRY},
      {-5006, IDS_ERR_SYSTEM},       {-5007, IDS_ERR_OPTION},       {-5008, IDS_ERR_ERASE_LIST},
      {-5009, IDS_ERR_ERASE_FORMAT}, {-5010, IDS_ERR_ERASE_BROKEN}, {-5011, IDS_ERR_WORK_BUFFER},
      {-104, IDS_ERR_MEMORY},        {-107, IDS_ERR_DX_RESOURCES},
  };
  for (const auto &row : kTable)
    if (row.code == code)
      return row.id;
  return IDS_ERR_OTHER;
}

std::wstring CErrorReporter::Compose(const std::wstring &message, int code,
                                     const wchar_t *systemText) {
  std::wstring text = message + L" (TOLM:" + std::to_wstring(code) + L")    ";
  if (systemText != nullptr) {
    text += L"\r\n";
    text += systemText;
  }
  return text;
}

int CErrorReporter::ShowError(UINT flags, int code) const {
  // Taken first: loading the string could change it.
  const DWORD lastError = GetLastError();
  // Wide all the way: the Japanese message must not depend on the ANSI code page.
  const std::wstring message = LoadWStr(GetModuleHandleA(nullptr), StringIdOf(code));
  wchar_t *system = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, lastError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<wchar_t *>(&system), 0, nullptr);
  const std::wstring text = Compose(message, code, system);
  if (system != nullptr)
    LocalFree(system);
  return AfxMessageBox(text, flags);
}

int CErrorReporter::ShowException(UINT flags, int number, const CException &exception) const {
  char message[1024] = {};
  exception.GetErrorMessage(message, sizeof message);
  char text[1100];
  std::snprintf(text, sizeof text, "%s (Memory %d)    ", message, number);
  return AfxMessageBox(text, flags);
}
