// kelsys.dll: long and short names, file versions, system folders and temporary files.
#include <windows.h>
#include <shlobj.h>

#include "include/kelsys.h"
#include "util/win/version_reader.h"

#include <cstring>

namespace {

// The caller announces the buffer's capacity by the length of the string it holds.
int convertName(DWORD(WINAPI *convert)(LPCSTR, LPSTR, DWORD), const char *path, char *buffer) {
  if (buffer == nullptr)
    return 0;
  const DWORD capacity = static_cast<DWORD>(std::strlen(buffer));
  if (path == nullptr)
    return static_cast<int>(capacity);
  return static_cast<int>(convert(path, buffer, capacity));
}

} // namespace

extern "C" int KEL_API kelGetFileVersion(const char *path, uint32_t *major, uint32_t *minor,
                                         uint32_t *build, uint32_t *revision) {
  return kel::readFileVersion(path, major, minor, build, revision);
}

extern "C" int KEL_API kelGetLongFileName(const char *shortPath, char *buffer) {
  return convertName(GetLongPathNameA, shortPath, buffer);
}

extern "C" int KEL_API kelGetShortFileName(const char *longPath, char *buffer) {
  return convertName(GetShortPathNameA, longPath, buffer);
}

extern "C" int KEL_API kelGetTempFileName(char *buffer) {
  if (buffer == nullptr)
    return -1;
  char prefix[4] = {};
  std::strncpy(prefix, buffer, 3);
  char folder[MAX_PATH + 1];
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length > MAX_PATH)
    return -1;
  return GetTempFileNameA(folder, prefix, 0, buffer) != 0 ? 0 : -1;
}

extern "C" int KEL_API kelGetWindowsPath(int type, char *buffer) {
  if (type != 1 && type != 2)
    return 0;
  if (buffer == nullptr)
    return -1;
  const UINT length =
      type == 1 ? GetWindowsDirectoryA(buffer, MAX_PATH) : GetSystemDirectoryA(buffer, MAX_PATH);
  // A length of MAX_PATH or more means the path did not fit and nothing was written.
  return length != 0 && length < MAX_PATH ? 0 : -1;
}

extern "C" int KEL_API kelGetSpecialFolderPath(char *buffer, int csidl) {
  if (buffer == nullptr)
    return 0;
  return SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE) ? 1 : 0;
}
