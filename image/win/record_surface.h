// A record's pixels as a core surface, the view through which every operation reaches them.
#pragma once

#include <array>

#include "image/core/surface.h"
#include "image/win/record.h"

namespace vopwin {

// Palettised records carry a copy of their colour table, which commitPalette writes back when
// an operation changed it.
class RecordSurface {
 public:
  explicit RecordSurface(ImageRecord& record);
  RecordSurface(const RecordSurface&) = delete;
  RecordSurface& operator=(const RecordSurface&) = delete;

  bool valid() const { return vop::isValid(surface_); }
  vop::Surface& surface() { return surface_; }
  bool commitPalette();

 private:
  ImageRecord& record_;
  vop::Surface surface_;
  std::array<vop::PaletteEntry, 256> palette_{};
};

}  // namespace vopwin
