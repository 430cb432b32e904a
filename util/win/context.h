// The process-wide system context of kelsys.dll and helpers shared by its exports.
#pragma once
#include <windows.h>

namespace kel {

struct SystemContext {
  HWND owner;             // owner of the folder dialog, set by each dialog call
  OSVERSIONINFOA version; // read once at load
};

SystemContext &systemContext();
HINSTANCE moduleInstance();

// NT family (platform identifier 2): folders can be opened and time zones converted by the system.
bool isNtFamily();

} // namespace kel
