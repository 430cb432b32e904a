// kelsys.dll: registry values and system information.
#include <windows.h>

#include "include/kelsys.h"

#include <cstring>

namespace {

HKEY rootKey(int index) {
  switch (index) {
  case KEL_ROOT_CLASSES_ROOT:
    return HKEY_CLASSES_ROOT;
  case KEL_ROOT_CURRENT_CONFIG:
    return HKEY_CURRENT_CONFIG;
  case KEL_ROOT_CURRENT_USER:
    return HKEY_CURRENT_USER;
  case KEL_ROOT_LOCAL_MACHINE:
    return HKEY_LOCAL_MACHINE;
  case KEL_ROOT_USERS:
    return HKEY_USERS;
  default:
    return nullptr;
  }
}

int writeValue(HKEY root, const char *subkey, const char *name, uint32_t type, const void *data,
               uint32_t size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return -1;
  const bool set =
      RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size) == ERROR_SUCCESS;
  const bool closed = RegCloseKey(key) == ERROR_SUCCESS;
  return set && closed ? 0 : -1;
}

// The read never writes more than the caller's size: a larger value is refused, and the
// size argument then tells how much room it needs.
int readValue(HKEY root, const char *subkey, const char *name, void *data, uint32_t *size) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return -1;
  const DWORD capacity = *size;
  std::memset(data, 0, capacity);
  DWORD stored = 0;
  bool ok = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &stored) == ERROR_SUCCESS;
  if (ok) {
    *size = stored;
    ok = stored <= capacity;
  }
  if (ok) {
    DWORD read = capacity;
    ok = RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE *>(data), &read) ==
         ERROR_SUCCESS;
    if (ok)
      *size = read;
    else
      std::memset(data, 0, capacity);
  }
  const bool closed = RegCloseKey(key) == ERROR_SUCCESS;
  return ok && closed ? 0 : -1;
}

int measureValue(HKEY root, const char *subkey, const char *name, uint32_t *size) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return -1;
  DWORD stored = 0;
  const bool ok = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &stored) == ERROR_SUCCESS;
  if (ok)
    *size = stored;
  const bool closed = RegCloseKey(key) == ERROR_SUCCESS;
  return ok && closed ? 0 : -1;
}

} // namespace

extern "C" int KEL_API kelOperateRegData(int operation, int root, const char *subkey,
                                         const char *valueName, uint32_t type, void *data,
                                         uint32_t *size) {
  const HKEY rootHandle = rootKey(root);
  if (rootHandle == nullptr || subkey == nullptr || valueName == nullptr || size == nullptr)
    return -1;
  switch (operation) {
  case KEL_REG_WRITE:
    if (data == nullptr && *size != 0)
      return -1;
    return writeValue(rootHandle, subkey, valueName, type, data, *size);
  case KEL_REG_READ:
    if (data == nullptr)
      return -1;
    return readValue(rootHandle, subkey, valueName, data, size);
  case KEL_REG_MEASURE:
    return measureValue(rootHandle, subkey, valueName, size);
  default:
    return -1;
  }
}

extern "C" int KEL_API kelGetComputerName(char *buffer256) {
  if (buffer256 == nullptr)
    return -1;
  DWORD capacity = 256;
  return GetComputerNameA(buffer256, &capacity) ? 0 : -1;
}

extern "C" int KEL_API kelGetLoginName(char *buffer256) {
  if (buffer256 != nullptr) {
    DWORD capacity = 256;
    GetUserNameA(buffer256, &capacity);
  }
  return 0;
}

extern "C" void KEL_API kelGetWinVersion(OSVERSIONINFOA *info) {
  if (info == nullptr)
    return;
  info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  GetVersionExA(info);
}

extern "C" void KEL_API kelGetMemoryStatus(MEMORYSTATUS *status) {
  if (status == nullptr)
    return;
  status->dwLength = sizeof(MEMORYSTATUS);
  GlobalMemoryStatus(status);
}
