// Gamma and tone-curve adjustments through a 256-entry table.
#include "image/core/tone_table.h"

#include <cmath>

#include "image/core/color_model.h"
#include "image/core/pixel_access.h"
#include "image/core/result.h"

namespace vop {

Precheck checkGamma(double gamma) {
  if (std::isnan(gamma) || gamma > 5.01 || gamma < 0.01)
    return Precheck::kReject;
  if (gamma > 0.999 && gamma < 1.009)
    return Precheck::kNothingToDo;
  return Precheck::kApply;
}

ToneTable gammaTable(double gamma) {
  ToneTable t{};
  for (int i = 0; i < 256; ++i) {
    t[static_cast<size_t>(i)] =
        static_cast<uint8_t>(std::pow(i * 0.00392156862745098, gamma) * 255.0);
  }
  return t;
}

uint32_t mapTone(const ToneTable &table, uint32_t channelWord, uint32_t colour) {
  const ChannelWord cw = decodeChannelWord(channelWord);
  const int r = redOf(colour), g = greenOf(colour), b = blueOf(colour);
  uint32_t out;
  switch (cw.selector) {
  case 1:
    out = packColor(table[r], g, b);
    break;
  case 2:
    out = packColor(r, table[g], b);
    break;
  case 3:
    out = packColor(r, g, table[b]);
    break;
  default: {
    const LumaChroma c = toLumaChroma(r, g, b);
    // Y of bytes never exceeds 255, so the index stays in the table.
    const double y = table[static_cast<size_t>(static_cast<int>(c.y))];
    return fromLumaChroma(y, c.cb, c.cr);
  }
  }
  if (cw.keepLuminance)
    out = keepLuminance(cw.selector, luminanceCode(r, g, b), out);
  return out;
}

int32_t applyToneTable(Surface &s, const ToneTable &table, uint32_t channelWord,
                       const AdjustRegion &region, ProgressMeter *progress) {
  if (!isValid(s))
    return kBadArgument;
  AdjustRegion r = region;
  if (normalizeRegion(r, s.width, s.height) != kOk)
    return kBadArgument;
  ProgressMeter none;
  ProgressMeter &meter = progress != nullptr ? *progress : none;

  if (isPalettised(s)) {
    adjustPalette(s, meter, [&](uint32_t c) { return mapTone(table, channelWord, c); });
    return kOk;
  }

  meter.begin(static_cast<uint32_t>(r.right - r.left) * static_cast<uint32_t>(r.bottom - r.top));
  const ChannelWord cw = decodeChannelWord(channelWord);
  const CheckedSurface px(s);
  if (cw.selector != 0 && !cw.keepLuminance && px.direct()) {
    // One byte of each pixel through the table: B, G, R lie at offsets 0, 1, 2.
    const int byte = 3 - cw.selector;
    const int32_t step = px.bytesPerPixel();
    for (int32_t y = r.top; y < r.bottom; ++y) {
      uint8_t *p = px.row(y) + static_cast<ptrdiff_t>(step) * r.left + byte;
      for (int32_t x = r.left; x < r.right; ++x, p += step)
        *p = table[*p];
      meter.advance(static_cast<uint32_t>(r.right - r.left));
    }
  } else {
    ColorMemo cache([&](uint32_t c) { return mapTone(table, channelWord, c); },
                    static_cast<uint64_t>(r.right - r.left) *
                        static_cast<uint64_t>(r.bottom - r.top));
    mapPixels(s, r.left, r.right, r.top, r.bottom, cache, meter);
  }
  meter.finish();
  return kOk;
}

int32_t adjustGamma(Surface &s, double gamma, uint32_t channelWord, AdjustRegion &region,
                    ProgressMeter *progress) {
  int32_t result = kOk;
  if (!shouldApply(checkGamma(gamma), s, region, result))
    return result;
  return applyToneTable(s, gammaTable(gamma), channelWord, region, progress);
}

int32_t adjustToneCurve(Surface &s, const ToneTable &table, uint32_t channelWord,
                        AdjustRegion &region, ProgressMeter *progress) {
  if (!isValid(s) || normalizeRegion(region, s.width, s.height) != kOk)
    return kBadArgument;
  return applyToneTable(s, table, channelWord, region, progress);
}

} // namespace vop
