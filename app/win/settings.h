// The three user settings of TOLM, kept in the registry through kelsys.dll.
#pragma once
#include <cstdint>

#include "app/win/bindings.h"

// HKEY_CURRENT_USER\Software\n.orbit\TOLM
extern const char kSettingsKey[];

struct CSettings {
  int32_t hiddenFile = 0; // hidden items may be edited and are walked
  int32_t logFile = 1;    // every apply writes a change log
  int32_t systemFile = 0; // system items may be edited and are walked
  bool loaded = false;

  // Reads the three values; a value that cannot be read keeps its default.
  void Load(const CKelsysLibrary &kelsys);
  // Writes the three values; failures are not reported.
  void Save(const CKelsysLibrary &kelsys) const;
};
