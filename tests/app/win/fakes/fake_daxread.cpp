// A stand-in daxread.dll for start-up tests: it answers what TOLM.exe asks at start and
// returns the analysis result named by TOLM_FAKE_DAX_RESULT (0 when unset).
#include <windows.h>

#include <cstdint>
#include <cstdlib>

extern "C" int __stdcall daxInitialize(const char *) { return 0; }

extern "C" int __stdcall daxBeginProcessing(int, void *) {
  char value[32] = {};
  if (GetEnvironmentVariableA("TOLM_FAKE_DAX_RESULT", value, sizeof value) == 0)
    return 0;
  return std::atoi(value);
}

extern "C" int __stdcall daxGetFileVersion(const char *, uint32_t *, uint32_t *, uint32_t *,
                                           uint32_t *, uint32_t) {
  return -1;
}
