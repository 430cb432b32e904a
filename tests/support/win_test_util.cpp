// Helpers for the Windows tests: scratch folders, files with given contents, the time zone.
#include "tests/support/win_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace testutil {

ScratchDir::ScratchDir() {
  static unsigned counter = 0;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  char name[64];
  std::snprintf(name, sizeof name, "tolmtest_%lu_%u_%lu", GetCurrentProcessId(), ++counter,
                GetTickCount());
  m_path = std::string(temp) + name;
  if (!CreateDirectoryA(m_path.c_str(), nullptr))
    throw std::runtime_error("cannot create " + m_path);
}

ScratchDir::~ScratchDir() { removeTree(m_path); }

std::string ScratchDir::file(const std::string &name, const std::string &contents) const {
  const std::string full = join(name);
  HANDLE h = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    throw std::runtime_error("cannot create " + full);
  DWORD written = 0;
  WriteFile(h, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
  CloseHandle(h);
  return full;
}

std::string ScratchDir::folder(const std::string &name) const {
  const std::string full = join(name);
  if (!CreateDirectoryA(full.c_str(), nullptr))
    throw std::runtime_error("cannot create " + full);
  return full;
}

void removeTree(const std::string &path) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..")
        continue;
      const std::string full = path + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(full);
      else
        DeleteFileA(full.c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

void useSystemTimeZone() {
  _putenv("TZ=");
  _tzset();
}

SYSTEMTIME at(int y, int mo, int d, int h, int mi, int s, int ms) {
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(y);
  t.wMonth = static_cast<WORD>(mo);
  t.wDay = static_cast<WORD>(d);
  t.wHour = static_cast<WORD>(h);
  t.wMinute = static_cast<WORD>(mi);
  t.wSecond = static_cast<WORD>(s);
  t.wMilliseconds = static_cast<WORD>(ms);
  return t;
}

std::string windowsPath(const std::string &unixPath) {
  std::string path = "Z:" + unixPath;
  for (char &c : path)
    if (c == '/')
      c = '\\';
  return path;
}

std::string modulePath(const char *moduleName) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(GetModuleHandleA(moduleName), path, MAX_PATH);
  return path;
}

Pages::Pages(size_t count, size_t committed, DWORD protect) {
  SYSTEM_INFO si;
  GetSystemInfo(&si);
  m_page = si.dwPageSize;
  m_base = static_cast<char *>(VirtualAlloc(nullptr, count * m_page, MEM_RESERVE, PAGE_NOACCESS));
  if (committed > 0) {
    VirtualAlloc(m_base, committed * m_page, MEM_COMMIT, PAGE_READWRITE);
    std::memset(m_base, 0x5A, committed * m_page);
    DWORD old;
    VirtualProtect(m_base, committed * m_page, protect, &old);
  }
}

Pages::~Pages() { VirtualFree(m_base, 0, MEM_RELEASE); }

bool Pages::untouched(size_t bytes) const {
  for (size_t i = 0; i < bytes; ++i)
    if (m_base[i] != 0x5A)
      return false;
  return true;
}

std::wstring wide(const std::string &ansi) {
  std::wstring out(ansi.size() + 1, L'\0');
  const int n =
      MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, out.data(), static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<size_t>(n) - 1 : 0);
  return out;
}

DWORD userDword(const char *key, const char *name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS)
    return 0xFFFFFFFF;
  return value;
}

} // namespace testutil
