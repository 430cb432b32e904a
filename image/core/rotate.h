// Rotation by whole degrees into a new bitmap of the turned picture's size.
#pragma once

#include <cstdint>

#include "image/core/adjust_region.h"
#include "image/core/copy_transform.h"
#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

// The first decision: an angle of 0 changes nothing (and is not repainted or recorded).
inline Precheck checkRotation(int32_t angle) {
  return angle == 0 ? Precheck::kNothingToDo : Precheck::kApply;
}

// Fills params for turning the whole of s by angle (positive: clockwise as displayed) and
// measures the new bitmap: params.dstRight x params.dstBottom pixels of s's depth. kOk, or
// kBadArgument for an invalid surface or an empty or unrepresentable box.
int32_t planRotation(const Surface &s, int32_t angle, CopyParams &params);

// Renders s turned into dst, which the caller made from the plan (same depth, dstRight x
// dstBottom, pixels zero so that uncovered corners stay black or index 0). The low byte of
// flags is the combination mode of copyTransform, the other bits its flags. A palettised
// source hands its colour table over to dst. progress (may be null) counts the source's
// pixels as its total. kOk, or kBadArgument (dst unchanged) when dst does not fit the plan or
// the transform fails.
int32_t renderRotation(uint32_t flags, const CopyParams &params, const Surface &src, Surface &dst,
                       ProgressMeter *progress);

} // namespace vop
