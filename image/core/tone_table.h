// Tone-table adjustments: gamma and caller-given tone curves.
#pragma once

#include <array>
#include <cstdint>

#include "image/core/adjust_region.h"
#include "image/core/progress.h"
#include "image/core/surface.h"

namespace vop {

// Entry i is the output level of input level i.
using ToneTable = std::array<uint8_t, 256>;

// Gammas outside 0.01..5.01 (or NaN) are rejected; those within 0.999 < g < 1.009 change
// nothing.
Precheck checkGamma(double gamma);

// T[i] = trunc(pow(i / 255, gamma) * 255), with the double nearest to 1/255 as the factor.
ToneTable gammaTable(double gamma);

// One colour 0x00BBGGRR through the table under a channel word.
uint32_t mapTone(const ToneTable &table, uint32_t channelWord, uint32_t colour);

// Maps a palettised surface's whole colour table (whatever the region), or every pixel of the
// region of a true-colour surface (x outside, y inside). region must already be normalised.
// kOk, or kBadArgument for an invalid surface or a region that does not fit it.
int32_t applyToneTable(Surface &s, const ToneTable &table, uint32_t channelWord,
                       const AdjustRegion &region, ProgressMeter *progress);

// Checks the gamma, normalises region (written back), builds the table and applies it.
// kOk also when the gamma changes nothing; kBadArgument for a rejected gamma, an invalid
// surface or a bad region.
int32_t adjustGamma(Surface &s, double gamma, uint32_t channelWord, AdjustRegion &region,
                    ProgressMeter *progress);

// The same with the caller's table used as it is.
int32_t adjustToneCurve(Surface &s, const ToneTable &table, uint32_t channelWord,
                        AdjustRegion &region, ProgressMeter *progress);

} // namespace vop
