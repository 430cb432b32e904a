// Rotation: the turned box and the render through the copy routine.
#include "image/core/rotate.h"

#include "image/core/result.h"

namespace vop {

int32_t planRotation(const Surface &s, int32_t angle, CopyParams &params) {
  params = CopyParams{};
  if (!isValid(s))
    return kBadArgument;
  params.srcLeft = 0;
  params.srcRight = s.width;
  params.srcTop = 0;
  params.srcBottom = s.height;
  params.bitsPerPixel = s.bitsPerPixel;
  params.angle = angle;
  params.scaleX = 1.0f;
  params.scaleY = 1.0f;
  params.dstLeft = 0;
  params.dstTop = 0;
  if (measureDestination(params) != kOk)
    return kBadArgument;
  // copyTransform refuses boxes beyond 2^31 - 1 pixels; finding out before a bitmap of that
  // size is made spares the caller the allocation.
  if (static_cast<int64_t>(params.dstRight) * params.dstBottom > INT32_MAX)
    return kBadArgument;
  return kOk;
}

int32_t renderRotation(uint32_t flags, const CopyParams &params, const Surface &src, Surface &dst,
                       ProgressMeter *progress) {
  if (!isValid(src) || !isValid(dst))
    return kBadArgument;
  if (dst.bitsPerPixel != src.bitsPerPixel || dst.width != params.dstRight ||
      dst.height != params.dstBottom || params.srcRight != src.width ||
      params.srcBottom != src.height || params.srcLeft != 0 || params.srcTop != 0) {
    return kBadArgument;
  }
  if (progress != nullptr) {
    progress->prepare(static_cast<uint32_t>(src.width) * static_cast<uint32_t>(src.height));
  }
  return copyTransform(static_cast<int32_t>(flags & kCopyModeMask), flags & ~kCopyModeMask, params,
                       src, dst, progress);
}

} // namespace vop
