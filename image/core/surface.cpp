// Surface geometry: row sizes, validity and the two row orders.
#include "image/core/surface.h"

namespace vop {

int64_t rowBytes(int32_t bitsPerPixel, int32_t width) {
  if (bitsPerPixel <= 0 || width <= 0)
    return 0;
  return ((static_cast<int64_t>(bitsPerPixel) * width + 31) / 32) * 4;
}

bool isSupportedDepth(int32_t bitsPerPixel) {
  switch (bitsPerPixel) {
  case 1:
  case 4:
  case 8:
  case 16:
  case 24:
  case 32:
    return true;
  default:
    return false;
  }
}

bool isValid(const Surface &s) {
  if (s.bits == nullptr || s.width < 1 || s.height < 1 || !isSupportedDepth(s.bitsPerPixel)) {
    return false;
  }
  const int64_t pitch = s.pitch < 0 ? -static_cast<int64_t>(s.pitch) : s.pitch;
  return pitch >= rowBytes(s.bitsPerPixel, s.width);
}

static Surface makeView(void *memory, int32_t width, int32_t height, int32_t bitsPerPixel,
                        bool bottomUp) {
  Surface s;
  const int64_t row = rowBytes(bitsPerPixel, width);
  if (memory == nullptr || row == 0 || height < 1 || row > INT32_MAX)
    return s;
  s.width = width;
  s.height = height;
  s.bitsPerPixel = bitsPerPixel;
  auto *base = static_cast<uint8_t *>(memory);
  if (bottomUp) {
    s.bits = base + row * (height - 1);
    s.pitch = -static_cast<int32_t>(row);
  } else {
    s.bits = base;
    s.pitch = static_cast<int32_t>(row);
  }
  return s;
}

Surface bottomUpView(void *memory, int32_t width, int32_t height, int32_t bitsPerPixel) {
  return makeView(memory, width, height, bitsPerPixel, true);
}

Surface topDownView(void *memory, int32_t width, int32_t height, int32_t bitsPerPixel) {
  return makeView(memory, width, height, bitsPerPixel, false);
}

} // namespace vop
