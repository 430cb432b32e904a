// Quality adjustment: hue rotation, brightness shift and saturation scale in luma/chroma.
#pragma once

#include <cstdint>

#include "image/core/adjust_region.h"
#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

struct QualitySettings {
  int32_t hue;          // degrees, -181..181
  int32_t brightness;   // added to Y, -101..101
  int32_t saturation;   // percent change of the chroma length, -101..101
  bool spare;           // leave colours near keepColour unchanged
  uint32_t keepColour;  // 0x00BBGGRR
  int32_t keepDistance; // squared RGB distance, 0..65,536; 65,536 spares nothing
};

// kOk, or kBadArgument for a value out of its range.
int32_t checkQuality(const QualitySettings &q);

// The transform of one colour 0x00BBGGRR.
uint32_t qualityTransform(const QualitySettings &q, uint32_t colour);

// Transforms the whole colour table of a palettised surface, or the region's pixels of a
// true-colour one. The region is checked on a copy; the caller's values are left as given.
// kOk or kBadArgument.
int32_t adjustQuality(Surface &s, const QualitySettings &q, AdjustRegion region,
                      ProgressMeter *progress);

} // namespace vop
