// The process-wide system context of kelsys.dll, built when the library is loaded.
#include "util/win/context.h"

namespace kel {
namespace {
SystemContext g_context{};
HINSTANCE g_instance = nullptr;

void buildContext() {
  g_context.owner = nullptr;
  g_context.version = OSVERSIONINFOA{};
  g_context.version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  GetVersionExA(&g_context.version);
}
} // namespace

SystemContext &systemContext() { return g_context; }
HINSTANCE moduleInstance() { return g_instance; }
bool isNtFamily() { return g_context.version.dwPlatformId == VER_PLATFORM_WIN32_NT; }

} // namespace kel

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    kel::g_instance = instance;
    DisableThreadLibraryCalls(instance);
    kel::buildContext();
  }
  return TRUE;
}
