// kelsys.dll: drive readiness, free and total space, drive types, the drive mask and volume data.
#include <windows.h>

#include "include/kelsys.h"
#include "util/core/drive_rules.h"

namespace {

using FreeSpaceEx = BOOL(WINAPI *)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// Systems before the extended query only know clusters and leave the total unknown (0).
int diskSpace(const char *root, uint64_t *freeBytes, uint64_t *totalBytes) {
  if (root == nullptr || freeBytes == nullptr || totalBytes == nullptr)
    return -1;
  *freeBytes = 0;
  *totalBytes = 0;
  // Looked up on every call, as the library once ran where the kernel lacked it.
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto extended = kernel ? reinterpret_cast<FreeSpaceEx>(reinterpret_cast<void *>(
                                     GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
                               : nullptr;
  if (extended != nullptr) {
    ULARGE_INTEGER available, total, totalFree;
    if (!extended(root, &available, &total, &totalFree))
      return -1;
    *freeBytes = available.QuadPart;
    *totalBytes = total.QuadPart;
    return 0;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
    return -1;
  *freeBytes = kel::clusterSpace(freeClusters, bytesPerSector, sectorsPerCluster);
  return 0;
}

} // namespace

extern "C" int KEL_API kelCheckActiveDrive(const char *drive) {
  if (drive == nullptr)
    return -1;
  char root[3];
  kel::activeDriveRoot(drive, root);
  uint64_t freeBytes = 0, totalBytes = 0;
  return diskSpace(root, &freeBytes, &totalBytes);
}

extern "C" int KEL_API kelGetDiskSize(const char *root, uint64_t *freeBytes, uint64_t *totalBytes) {
  return diskSpace(root, freeBytes, totalBytes);
}

extern "C" int KEL_API kelGetDriveType(const char *drive) {
  if (drive == nullptr)
    return -1;
  char root[4];
  kel::driveTypeRoot(drive, root);
  return static_cast<int>(GetDriveTypeA(root));
}

extern "C" uint32_t KEL_API kelGetLogicalDrives(void) { return GetLogicalDrives(); }

extern "C" int KEL_API kelGetVolumeInformation(const char *root, KEL_VOLUME_INFO *info) {
  if (root == nullptr || info == nullptr)
    return -1;
  DWORD serial = 0, maxComponent = 0, flags = 0;
  char name[sizeof info->volumeName] = {};
  char fileSystem[sizeof info->fileSystemName] = {};
  // Filled into locals first, so that a failed query leaves the caller's record as it was.
  if (!GetVolumeInformationA(root, name, sizeof name, &serial, &maxComponent, &flags, fileSystem,
                             sizeof fileSystem))
    return -1;
  name[sizeof name - 1] = '\0';
  fileSystem[sizeof fileSystem - 1] = '\0';
  CopyMemory(info->volumeName, name, sizeof name);
  info->serialNumber = serial;
  info->maxComponentLength = maxComponent;
  info->fileSystemFlags = flags;
  CopyMemory(info->fileSystemName, fileSystem, sizeof fileSystem);
  return 0;
}
