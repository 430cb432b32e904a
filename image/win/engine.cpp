// The library's process-wide settings and its own module.
#include "image/win/engine.h"

#include <cstring>

#include "image/core/result.h"

namespace vopwin {
namespace {

HINSTANCE libraryModule = nullptr;

}  // namespace

ImageEngine::ImageEngine() {
  version_.dwOSVersionInfoSize = sizeof version_;
  if (!GetVersionExA(&version_)) std::memset(&version_, 0, sizeof version_);
}

int32_t ImageEngine::initialize(const int32_t* settings) {
  if (settings == nullptr || 4 > initBlockSize_) return vop::kBadArgument;
  std::memcpy(&historyMode_, settings, 4);
  return historyMode_ == 0 || historyMode_ == kHistoryMode ? vop::kOk : vop::kBadArgument;
}

ImageEngine& engine() {
  static ImageEngine instance;
  return instance;
}

HINSTANCE moduleInstance() { return libraryModule; }
void setModuleInstance(HINSTANCE instance) { libraryModule = instance; }

}  // namespace vopwin
