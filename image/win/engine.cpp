// The library's process-wide settings and its own module.
#include "image/win/engine.h"

#include <cstring>

#include "image/core/result.h"

namespace vopwin {
namespace {

HINSTANCE libraryModule = nullptr;

} // namespace

ImageEngine::ImageEngine() {
  m_version.dwOSVersionInfoSize = sizeof m_version;
  if (!GetVersionExA(&m_version))
    std::memset(&m_version, 0, sizeof m_version);
}

int32_t ImageEngine::initialize(const int32_t *settings) {
  if (settings == nullptr || 4 > m_initBlockSize)
    return vop::kBadArgument;
  std::memcpy(&m_historyMode, settings, 4);
  return m_historyMode == 0 || m_historyMode == kHistoryMode ? vop::kOk : vop::kBadArgument;
}

ImageEngine &engine() {
  static ImageEngine instance;
  return instance;
}

HINSTANCE moduleInstance() { return libraryModule; }
void setModuleInstance(HINSTANCE instance) { libraryModule = instance; }

} // namespace vopwin
