// Where and how large the General tab draws its preview picture.
#pragma once

#include <cstdint>

namespace tolm {

struct PreviewArea {
  int32_t left, top, right, bottom;
};

struct PreviewPlacement {
  float scale;   // only ever 1 or less: the picture is shrunk, never enlarged
  int32_t width; // trunc(scale * picture width)
  int32_t height;
  int32_t x; // centred in the area
  int32_t y;
};

// The area of a page whose client size is given: 20 pixels in from the sides, from y = 185
// down to 15 pixels above the bottom.
PreviewArea previewArea(int32_t clientWidth, int32_t clientHeight);

// Scale and position of a width x height picture in the area. A picture whose scaled size
// would be empty (an area with no room) gets width and height 0.
PreviewPlacement placePreview(int32_t width, int32_t height, const PreviewArea &area);

} // namespace tolm
