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

  vop::PixelReadCache &readCache() { return m_readCache; }
  vop::ColorCountTable &colorCount() { return m_colorCount; }
  int32_t historyMode() const { return m_historyMode; }
  bool historyOn() const { return m_historyMode == kHistoryMode; }
  int32_t initialize(const int32_t *settings);
  const OSVERSIONINFOA &version() const { return m_version; }

private:
  vop::PixelReadCache m_readCache;
  OSVERSIONINFOA m_version{};
  vop::ColorCountTable m_colorCount;
  int32_t m_historyMode = 0;
  int32_t m_initBlockSize = 4;
};

ImageEngine &engine();

// The library's own module, whose resources its dialogs load; set by DllMain.
HINSTANCE moduleInstance();
void setModuleInstance(HINSTANCE instance);

} // namespace vopwin
