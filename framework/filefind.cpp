// The find-first search of the framework.
#include "framework/afx.h"

#include <cstring>

namespace {
// The folder part of a search pattern, with its trailing backslash; "" when there is none.
// Japanese characters may carry 0x5C as their second byte, so the scan honours lead bytes.
std::string rootOf(const char *pattern) {
  size_t cut = 0;
  for (size_t i = 0; pattern[i] != '\0'; ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(pattern[i])) && pattern[i + 1] != '\0') {
      ++i;
      continue;
    }
    if (pattern[i] == '\\' || pattern[i] == '/' || pattern[i] == ':')
      cut = i + 1;
  }
  return std::string(pattern, cut);
}
} // namespace

BOOL CFileFind::FindFile(const char *pattern) {
  Close();
  if (pattern == nullptr)
    return FALSE;
  m_find = FindFirstFileA(pattern, &m_next);
  if (m_find == INVALID_HANDLE_VALUE)
    return FALSE;
  m_root = rootOf(pattern);
  m_hasNext = true;
  return TRUE;
}

BOOL CFileFind::FindNextFile() {
  if (!m_hasNext)
    return FALSE;
  m_current = m_next;
  m_hasNext = ::FindNextFileA(m_find, &m_next) != 0;
  return m_hasNext ? TRUE : FALSE;
}

void CFileFind::Close() {
  if (m_find != INVALID_HANDLE_VALUE)
    FindClose(m_find);
  m_find = INVALID_HANDLE_VALUE;
  m_hasNext = false;
}

std::string CFileFind::GetFilePath() const { return m_root + m_current.cFileName; }

BOOL CFileFind::IsDots() const {
  return IsDirectory() && (std::strcmp(m_current.cFileName, ".") == 0 ||
                           std::strcmp(m_current.cFileName, "..") == 0);
}
