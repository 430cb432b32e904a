// Contrast adjustment: stretches luminance between a measured darkest and brightest level.
#pragma once

#include <cstdint>

#include "image/core/adjust_region.h"
#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

// Modes (the low byte of the export's flags).
constexpr int32_t kContrastAuto = 0;       // histogram of a half sample, rare levels dropped
constexpr int32_t kContrastAmount = 1;     // measured range narrowed by the amount
constexpr int32_t kContrastWholeImage = 2; // measured in the region, applied to the whole image

// Mode 1 rejects amounts beyond -101..101 and does nothing for 0.
Precheck checkContrast(int32_t mode, int32_t amount);

// Runs the measurement and the change. channel 1, 2 or 3 lets only that channel take the
// result. region is normalised in place. repaint (may be null) is called between measuring
// and changing. Results: kOk, kBadArgument, or kWrongDepth for mode 2 on a palettised surface
// (nothing changed). True colour: when the sample holds no pixel or the divisor is 0 (a flat
// sample, or an amount equal to the range) the pixels are left as they are and the result is
// kOk. Colour tables: a divisor of 0 is taken as 1.
int32_t adjustContrast(Surface &s, int32_t mode, int32_t amount, int32_t channel,
                       AdjustRegion &region, ProgressMeter *progress, const RepaintHook *repaint);

} // namespace vop
