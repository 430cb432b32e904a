// Reads the four parts of a file's version resource.
#include "util/win/version_reader.h"

#include <windows.h>

#include <memory>
#include <new>

namespace kel {

int readFileVersion(const char *path, uint32_t *major, uint32_t *minor, uint32_t *build,
                    uint32_t *revision) {
  if (path == nullptr || major == nullptr || minor == nullptr || build == nullptr ||
      revision == nullptr)
    return -1;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0)
    return -1;
  std::unique_ptr<char[]> block(new (std::nothrow) char[size]);
  if (!block || !GetFileVersionInfoA(path, 0, size, block.get()))
    return -1;
  VS_FIXEDFILEINFO *fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueA(block.get(), "\\", reinterpret_cast<void **>(&fixed), &fixedSize) ||
      fixed == nullptr || fixedSize < sizeof(VS_FIXEDFILEINFO))
    return -1;
  *major = HIWORD(fixed->dwFileVersionMS);
  *minor = LOWORD(fixed->dwFileVersionMS);
  *build = HIWORD(fixed->dwFileVersionLS);
  *revision = LOWORD(fixed->dwFileVersionLS);
  return 0;
}

} // namespace kel
