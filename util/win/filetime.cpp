// kelsys.dll: file and folder times, attributes and sizes.
#include <windows.h>

#include "include/kelsys.h"
#include "util/core/timeconv.h"
#include "util/win/context.h"
#include "util/win/scoped_handle.h"

#include <cstring>
#include <initializer_list>

namespace {

static_assert(sizeof(SYSTEMTIME) == sizeof(kel::SysTime), "time records share one layout");

kel::SysTime toCore(const SYSTEMTIME &st) {
  kel::SysTime t;
  std::memcpy(&t, &st, sizeof t);
  return t;
}

SYSTEMTIME fromCore(const kel::SysTime &t) {
  SYSTEMTIME st;
  std::memcpy(&st, &t, sizeof st);
  return st;
}

int32_t zoneBias() {
  TIME_ZONE_INFORMATION tz{};
  GetTimeZoneInformation(&tz);
  return static_cast<int32_t>(tz.Bias);
}

bool utcFileTimeToLocal(const FILETIME &ft, SYSTEMTIME &out) {
  SYSTEMTIME utc;
  if (!FileTimeToSystemTime(&ft, &utc))
    return false;
  if (kel::isNtFamily()) {
    SYSTEMTIME local;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
      return false;
    out = local;
    return true;
  }
  kel::SysTime t = toCore(utc);
  if (kel::utcToLocalByBias(t, zoneBias()) != 0)
    return false;
  out = fromCore(t);
  return true;
}

// The system's zone, the one the get path reads with. Not the C runtime's calendar: that one
// follows a TZ variable in a format of its own (Wine, Cygwin and MSYS2 pass "Asia/Tokyo"
// on), and a set would then land hours away from what a get reads back.
bool systemZoneToUtc(const kel::SysTime &local, kel::SysTime &utc) {
  const SYSTEMTIME in = fromCore(local);
  SYSTEMTIME out;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &in, &out))
    return false;
  utc = toCore(out);
  return true;
}

bool localToUtcFileTime(const SYSTEMTIME &local, FILETIME &out) {
  kel::SysTime t = toCore(local);
  const int rc = kel::isNtFamily() ? kel::localToUtc(t, systemZoneToUtc)
                                   : kel::localToUtcByBias(t, zoneBias());
  if (rc != 0)
    return false;
  const SYSTEMTIME utc = fromCore(t);
  return SystemTimeToFileTime(&utc, &out) != 0;
}

// Other programs may hold the item open for reading, writing or deletion; we only touch
// its attributes, so we never stand in their way.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

extern "C" int KEL_API kelOperateFileTime(int code, const char *path, SYSTEMTIME *creation,
                                          SYSTEMTIME *lastAccess, SYSTEMTIME *lastWrite) {
  if (path == nullptr || *path == '\0')
    return -1;
  if (creation == nullptr && lastAccess == nullptr && lastWrite == nullptr)
    return -1;
  const int direction = (code >> 8) & 0xFF;
  if (direction > 1)
    return -1;

  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA(path, &found);
  if (find == INVALID_HANDLE_VALUE)
    return -1;
  FindClose(find);
  const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (folder && !kel::isNtFamily())
    return -1;

  SYSTEMTIME *const selected[3] = {(code & KEL_TIME_CREATION) ? creation : nullptr,
                                   (code & KEL_TIME_ACCESS) ? lastAccess : nullptr,
                                   (code & KEL_TIME_WRITE) ? lastWrite : nullptr};
  const DWORD access = direction == 0 ? FILE_READ_ATTRIBUTES : FILE_WRITE_ATTRIBUTES;
  const DWORD flags = folder ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL;

  if (direction == 0) {
    kel::FileHandle item(
        CreateFileA(path, access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!item.ok())
      return -1;
    FILETIME times[3]; // creation, access, write
    if (!GetFileTime(item.get(), &times[0], &times[1], &times[2]))
      return -1;
    // Creation, then update, then access; a record is changed only once it converted.
    for (int i : {0, 2, 1}) {
      if (selected[i] == nullptr)
        continue;
      SYSTEMTIME local;
      if (!utcFileTimeToLocal(times[i], local))
        return -1;
      *selected[i] = local;
    }
    return 0;
  }

  // Convert everything before opening, so that a time outside the calendar changes nothing.
  FILETIME times[3] = {};
  for (int i : {0, 2, 1}) {
    if (selected[i] != nullptr && !localToUtcFileTime(*selected[i], times[i]))
      return -1;
  }
  kel::FileHandle item(
      CreateFileA(path, access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
  if (!item.ok())
    return -1;
  // A null time is left as it is on disk; all three go in one call, so a failure changes none.
  return SetFileTime(item.get(), selected[0] ? &times[0] : nullptr,
                     selected[1] ? &times[1] : nullptr, selected[2] ? &times[2] : nullptr)
             ? 0
             : -1;
}

extern "C" int KEL_API kelGetFileAttributes(const char *path, uint32_t *attributes) {
  if (path == nullptr || attributes == nullptr)
    return -1;
  const DWORD word = GetFileAttributesA(path);
  *attributes = word;
  return word == INVALID_FILE_ATTRIBUTES ? -1 : 0;
}

extern "C" int KEL_API kelSetFileAttributes(const char *path, uint32_t attributes) {
  if (path == nullptr)
    return -1;
  return SetFileAttributesA(path, attributes) ? 0 : -1;
}

extern "C" int64_t KEL_API kelGetFileSize(const char *path) {
  if (path == nullptr)
    return -1;
  kel::FileHandle file(CreateFileA(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok())
    return -1;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size))
    return -1;
  return size.QuadPart;
}
