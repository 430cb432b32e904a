// Checks of caller memory that the core cannot make: whether a range may be read or written.
#include "exif/win/guard.h"

#include <windows.h>

#include <cstdint>

namespace daxwin {

namespace {

constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
constexpr DWORD kWritable =
    PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// Walks the regions that cover the range; each must be committed with the wanted access.
// VirtualQuery asks the system instead of touching the memory, so no fault can occur here.
bool rangeAllows(const void *p, size_t size, DWORD wanted) {
  if (p == nullptr)
    return false;
  const auto start = reinterpret_cast<uintptr_t>(p);
  if (size > UINTPTR_MAX - start)
    return false;
  const uintptr_t end = start + size;
  uintptr_t at = start;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(reinterpret_cast<const void *>(at), &info, sizeof info) != sizeof info)
      return false;
    if (info.State != MEM_COMMIT || (info.Protect & PAGE_GUARD) != 0 ||
        (info.Protect & wanted) == 0)
      return false;
    const auto regionEnd = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (regionEnd <= at)
      return false;
    at = regionEnd;
  }
  return true;
}

} // namespace

bool canRead(const void *p, size_t size) { return rangeAllows(p, size, kReadable); }

bool canWrite(void *p, size_t size) { return rangeAllows(p, size, kWritable); }

ptrdiff_t boundedLength(const char *p, size_t limit) {
  if (p == nullptr)
    return -1;
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  const uintptr_t page = system.dwPageSize != 0 ? system.dwPageSize : 4096;
  size_t checkedUpTo = 0; // bytes [0, checkedUpTo) are known readable
  for (size_t i = 0; i < limit; ++i) {
    if (i == checkedUpTo) {
      // Check to the end of the page that holds byte i (or to the limit), then read on.
      const auto address = reinterpret_cast<uintptr_t>(p + i);
      size_t span = static_cast<size_t>(page - address % page);
      if (span > limit - i)
        span = limit - i;
      if (!canRead(p + i, span))
        return -1;
      checkedUpTo = i + span;
    }
    if (p[i] == '\0')
      return static_cast<ptrdiff_t>(i);
  }
  return -1;
}

} // namespace daxwin
