// An image handle that is destroyed with its scope, for the tests of vopimg.dll.
#pragma once

#include "include/vopimg.h"

namespace voptest {

struct Image {
  explicit Image(VOP_IMAGE h = nullptr) : handle(h) {}
  ~Image() { vopDestroyImage(handle); }
  Image(const Image &) = delete;
  Image &operator=(const Image &) = delete;
  VOP_IMAGE handle;
  operator VOP_IMAGE() const { return handle; }
};

} // namespace voptest
