// The three exports of daxread.dll and its entry point.
#include <windows.h>

#include <cstddef>
#include <new>

#include "exif/core/result.h"
#include "exif/win/guard.h"
#include "exif/win/reader.h"
#include "include/daxread.h"
#include "util/win/version_reader.h"

// The core's records are the public ones, field for field, in both builds.
static_assert(sizeof(dax::IterationSetup) == sizeof(DAX_ITERATION));
static_assert(offsetof(dax::IterationSetup, valueCapacity) ==
              offsetof(DAX_ITERATION, valueCapacity));
static_assert(sizeof(dax::EntryRecord) == sizeof(DAX_ENTRY));
static_assert(offsetof(dax::EntryRecord, tag) == offsetof(DAX_ENTRY, tag));
static_assert(offsetof(dax::EntryRecord, label) == offsetof(DAX_ENTRY, label));
static_assert(offsetof(dax::EntryRecord, value) == offsetof(DAX_ENTRY, value));
static_assert(sizeof(dax::ThumbnailRecord) == sizeof(DAX_THUMBNAIL));
static_assert(offsetof(dax::ThumbnailRecord, size) == offsetof(DAX_THUMBNAIL, size));
static_assert(offsetof(dax::ThumbnailRecord, buffer) == offsetof(DAX_THUMBNAIL, buffer));

// No exception leaves an export: out of memory becomes its code, anything else a refusal.

extern "C" int DAX_API daxInitialize(const char *name) {
  try {
    return daxwin::reader().initialize(name);
  } catch (...) {
    return dax::kNoLanguageLibrary;
  }
}

extern "C" int DAX_API daxBeginProcessing(int code, void *argument) {
  try {
    return daxwin::reader().process(static_cast<uint32_t>(code), argument);
  } catch (const std::bad_alloc &) {
    return dax::kNoMemory;
  } catch (...) {
    return dax::kBadArgument;
  }
}

extern "C" int DAX_API daxGetFileVersion(const char *path, uint32_t *major, uint32_t *minor,
                                         uint32_t *build, uint32_t *revision,
                                         uint32_t /*reserved*/) {
  try {
    if (daxwin::boundedLength(path, MAX_PATH) < 0 || !daxwin::canWrite(major, sizeof *major) ||
        !daxwin::canWrite(minor, sizeof *minor) || !daxwin::canWrite(build, sizeof *build) ||
        !daxwin::canWrite(revision, sizeof *revision))
      return dax::kBadArgument;
    return kel::readFileVersion(path, major, minor, build, revision);
  } catch (...) {
    return dax::kBadArgument;
  }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    daxwin::reader().setModule(instance);
  }
  // Nothing to free at detach: the language library is held only during the calls that read
  // it, and FreeLibrary under the loader lock is what the platform forbids here.
  (void)reserved;
  return TRUE;
}
