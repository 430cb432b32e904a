// Exceptions of the framework and their messages.
#include "framework/afx.h"

#include <cstdio>
#include <cstring>

namespace {
BOOL copyText(const char *text, char *buffer, UINT capacity) {
  if (buffer == nullptr || capacity == 0)
    return FALSE;
  std::snprintf(buffer, capacity, "%s", text);
  return TRUE;
}
} // namespace

BOOL CException::GetErrorMessage(char *buffer, UINT capacity) const {
  return copyText("unknown error", buffer, capacity);
}

BOOL CMemoryException::GetErrorMessage(char *buffer, UINT capacity) const {
  return copyText("Out of memory.", buffer, capacity);
}

BOOL CFileException::GetErrorMessage(char *buffer, UINT capacity) const {
  char *system = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, m_osError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<char *>(&system), 0, nullptr);
  std::string text = m_fileName.empty() ? std::string() : m_fileName + ": ";
  text += system ? system : "file error";
  if (system)
    LocalFree(system);
  return copyText(text.c_str(), buffer, capacity);
}
