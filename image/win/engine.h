// The library's process-wide settings: the undo mode chosen by vopInitialize, the system's
// version, the pixel caches the operations share, and the library's own module.
#pragma once

#include <windows.h>

#include <cstdint>

#include "image/core/color_count.h"
#include "image/core/copy_transform.h"

namespace vopwin {

constexpr int32_t kHistoryMode = 16;

class ImageEngine {
 public:
  ImageEngine();

  vop::PixelReadCache& readCache() { return readCache_; }
  vop::ColorCountTable& colorCount() { return colorCount_; }
  int32_t historyMode() const { return historyMode_; }
  bool historyOn() const { return historyMode_ == kHistoryMode; }
  int32_t initialize(const int32_t* settings);
  const OSVERSIONINFOA& version() const { return version_; }

 private:
  vop::PixelReadCache readCache_;
  OSVERSIONINFOA version_{};
  vop::ColorCountTable colorCount_;
  int32_t historyMode_ = 0;
  int32_t initBlockSize_ = 4;
};

ImageEngine& engine();

// The library's own module, whose resources its dialogs load; set by DllMain.
HINSTANCE moduleInstance();
void setModuleInstance(HINSTANCE instance);

}  // namespace vopwin
