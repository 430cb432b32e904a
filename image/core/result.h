// Result codes of the image core, shared with vopimg.dll's exports.
#pragma once

#include <cstdint>

namespace vop {

// Sign rule: 0 is success, negatives are failures, positives are normal events.
constexpr int32_t kOk = 0;
constexpr int32_t kBadArgument = -1; // null or invalid argument, value out of range, nothing to do
constexpr int32_t kNoMemory = -551;  // a work buffer could not be allocated
constexpr int32_t kSnapshotFailed = -552;
constexpr int32_t kWrongDepth = -553; // the operation does not apply to an image of this depth

} // namespace vop
