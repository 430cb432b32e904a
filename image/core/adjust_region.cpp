// Region checks and channel words of the adjustments.
#include "image/core/adjust_region.h"

#include <utility>

#include "image/core/result.h"

namespace vop {

int32_t normalizeRegion(AdjustRegion& region, int32_t width, int32_t height) {
  if (region.bottom < region.top) std::swap(region.bottom, region.top);
  if (region.right < region.left) std::swap(region.right, region.left);
  if (region.left < 0 || region.right < 0 || region.top < 0 || region.bottom < 0) {
    return kBadArgument;
  }
  if (region.left > width || region.right > width) return kBadArgument;
  if (region.top > height || region.bottom > height) return kBadArgument;
  if (region.left == region.right || region.top == region.bottom) return kBadArgument;
  return kOk;
}

ChannelWord decodeChannelWord(uint32_t word) {
  const int selector = static_cast<int>(word & 0xF);
  ChannelWord out;
  out.selector = (selector >= 1 && selector <= 3) ? selector : 0;
  out.keepLuminance = out.selector != 0 && (word & 0x100) != 0;
  return out;
}

}  // namespace vop
