#include "app/core/preview_layout.h"

#include <algorithm>

namespace tolm {

PreviewArea previewArea(int32_t clientWidth, int32_t clientHeight) {
  return {20, 185, clientWidth - 20, clientHeight - 15};
}

PreviewPlacement placePreview(int32_t width, int32_t height, const PreviewArea &area) {
  const int32_t aw = area.right - area.left;
  const int32_t ah = area.bottom - area.top;
  PreviewPlacement p{1.0f, 0, 0, area.left, area.top};
  if (width <= 0 || height <= 0 || aw <= 0 || ah <= 0)
    return p;
  const float sx = width < aw ? 1.0f : static_cast<float>(aw) / static_cast<float>(width);
  const float sy = height < ah ? 1.0f : static_cast<float>(ah) / static_cast<float>(height);
  p.scale = std::min(sx, sy);
  p.width = static_cast<int32_t>(p.scale * static_cast<float>(width));
  p.height = static_cast<int32_t>(p.scale * static_cast<float>(height));
  p.x = (aw - p.width) / 2 + area.left;
  p.y = (ah - p.height) / 2 + area.top;
  return p;
}

} // namespace tolm
