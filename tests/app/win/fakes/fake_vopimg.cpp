// A stand-in vopimg.dll for start-up tests: only the initialisation TOLM.exe calls at start.
#include <cstdint>

extern "C" int __stdcall vopInitialize(const int32_t *) { return 0; }
