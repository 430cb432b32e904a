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
  explicit RecordSurface(ImageRecord &record);
  RecordSurface(const RecordSurface &) = delete;
  RecordSurface &operator=(const RecordSurface &) = delete;

  bool valid() const { return vop::isValid(m_surface); }
  vop::Surface &surface() { return m_surface; }
  bool commitPalette();

private:
  ImageRecord &m_record;
  vop::Surface m_surface;
  std::array<vop::PaletteEntry, 256> m_palette{};
};

} // namespace vopwin
