// The find-first search of the framework.
#include "framework/afx.h"

#include <cstring>
#include <string_view>

#include "util/core/dbcs_text.h"
#include "util/win/lead_byte.h"

namespace {
// The folder part of a search pattern, with its trailing backslash; "" when there is none.
// Japanese characters may carry 0x5C as their second byte, so the scan honours lead bytes.
std::string rootOf(std::string_view pattern) {
  const size_t separator = kel::findLastOf(pattern, "\\/:", kel::isAnsiLeadByte);
  return std::string(separator == std::string_view::npos ? std::string_view()
                                                         : pattern.substr(0, separator + 1));
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
