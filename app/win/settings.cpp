// The three user settings of TOLM, kept in the registry through kelsys.dll.
#include "app/win/settings.h"

#include <cstring>

const char kSettingsKey[] = "Software\\n.orbit\\TOLM";

namespace {

struct Value {
  const char *name;
  int32_t CSettings::*member;
  int32_t fallback;
};
constexpr Value kValues[] = {
    {"Hiddenfile", &CSettings::hiddenFile, 0},
    {"Logfile", &CSettings::logFile, 1},
    {"Systemfile", &CSettings::systemFile, 0},
};

} // namespace

void CSettings::Load(const CKelsysLibrary &kelsys) {
  for (const Value &v : kValues) {
    uint8_t buffer[16] = {};
    uint32_t size = 4;
    int32_t value = v.fallback;
    if (kelsys.kelOperateRegData != nullptr &&
        kelsys.kelOperateRegData(KEL_REG_READ, KEL_ROOT_CURRENT_USER, kSettingsKey, v.name,
                                 REG_DWORD, buffer, &size) == 0)
      std::memcpy(&value, buffer, 4);
    this->*v.member = value;
  }
  loaded = true;
}

void CSettings::Save(const CKelsysLibrary &kelsys) const {
  if (kelsys.kelOperateRegData == nullptr)
    return;
  for (const Value &v : kValues) {
    uint8_t buffer[16] = {};
    const int32_t value = this->*v.member;
    std::memcpy(buffer, &value, 4);
    uint32_t size = 4;
    kelsys.kelOperateRegData(KEL_REG_WRITE, KEL_ROOT_CURRENT_USER, kSettingsKey, v.name, REG_DWORD,
                             buffer, &size);
  }
}
