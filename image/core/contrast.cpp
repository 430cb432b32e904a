// Contrast stretch over a half sample, for true-colour pixels and colour tables.
#include "image/core/contrast.h"

#include "image/core/color_model.h"
#include "image/core/pixel_access.h"
#include "image/core/result.h"

namespace vop {
namespace {

// The channel rule: 1, 2 or 3 take only that channel of the new colour.
uint32_t takeChannel(int32_t channel, uint32_t old, uint32_t fresh) {
  switch (channel) {
  case 1:
    return (old & 0xFFFF00) | (fresh & 0x0000FF);
  case 2:
    return (old & 0xFF00FF) | (fresh & 0x00FF00);
  case 3:
    return (old & 0x00FFFF) | (fresh & 0xFF0000);
  default:
    return fresh;
  }
}

struct Range {
  double high = 0.0;
  double low = 1e99;
  bool any = false;

  // Both bounds follow every value, so one sample alone gives a range of 0.
  void take(double y) {
    any = true;
    if (y > high)
      high = y;
    if (y < low)
      low = y;
  }
};

// Visits the half sample: in each column x the rows top + (x & 1), then every second row.
template <typename Visit> void forHalfSample(const AdjustRegion &r, Visit visit) {
  for (int32_t x = r.left; x < r.right; ++x) {
    for (int64_t y = static_cast<int64_t>(r.top) + (x & 1); y < r.bottom; y += 2) {
      if (!visit(x, static_cast<int32_t>(y)))
        return;
    }
  }
}

int32_t contrastTrueColor(Surface &s, int32_t mode, int32_t amount, int32_t channel,
                          const AdjustRegion &r, ProgressMeter &meter,
                          const RepaintHook *repaintHook) {
  const uint32_t area =
      static_cast<uint32_t>(r.right - r.left) * static_cast<uint32_t>(r.bottom - r.top);
  const uint32_t half =
      static_cast<uint32_t>((static_cast<int64_t>(r.right - r.left) * (r.bottom - r.top)) / 2);
  const uint32_t changed = mode == kContrastWholeImage
                               ? static_cast<uint32_t>(s.width) * static_cast<uint32_t>(s.height)
                               : area;
  meter.begin(half + changed);

  Range range;
  if (mode == kContrastAuto) {
    uint32_t bins[256] = {};
    // Counting does not depend on the order: the same samples row by row in memory order.
    const LuminanceProducts &lum = luminanceProducts();
    const CheckedSurface px(s);
    for (int32_t y = r.top; y < r.bottom; ++y) {
      const int32_t first = r.left + (((y - r.top) ^ r.left) & 1);
      uint32_t visited = 0;
      if (px.direct()) {
        const uint8_t *row = px.row(y);
        for (int32_t x = first; x < r.right; x += 2, ++visited)
          ++bins[luminanceOf(lum, px.at(row, x))];
      } else {
        for (int32_t x = first; x < r.right; x += 2, ++visited)
          ++bins[luminanceOf(lum, readColor(s, x, y))];
      }
      meter.advance(visited);
    }
    uint32_t peak = 0;
    for (uint32_t b : bins)
      peak = b > peak ? b : peak;
    if (peak != 0) {
      for (int level = 0; level < 256; ++level) {
        // Levels under 1 % of the peak drop out (64-bit: counts times 100 may not fit).
        if (static_cast<uint64_t>(bins[level]) * 100 / peak != 0)
          range.take(level);
      }
    }
  } else {
    bool havePrevious = false;
    uint32_t previous = 0;
    forHalfSample(r, [&](int32_t x, int32_t y) {
      const uint32_t c = readColor(s, x, y);
      meter.tick();
      if (!havePrevious || c != previous) {
        havePrevious = true;
        previous = c;
        range.take(toLumaChroma(redOf(c), greenOf(c), blueOf(c)).y);
        if (range.high == 255.0 && range.low == 0.0) {
          meter.setDone(half);
          return false;
        }
      }
      return true;
    });
  }
  double d = range.high - range.low;
  if (mode == kContrastAmount)
    d -= amount;
  if (!range.any || d == 0.0) {
    // Nothing sampled (a one-row region starting on an odd column), a flat sample or an
    // amount equal to the range: there is no scale to stretch by, so the pixels stay.
    meter.finish();
    return kOk;
  }
  repaint(repaintHook);

  const double low = range.low;
  ColorMemo cache(
      [&](uint32_t c) {
        const LumaChroma lc = toLumaChroma(redOf(c), greenOf(c), blueOf(c));
        const double y = (lc.y - low) / d * 255.0;
        return takeChannel(channel, c, fromLumaChroma(y, lc.cb, lc.cr));
      },
      changed);
  AdjustRegion target = r;
  if (mode == kContrastWholeImage)
    target = AdjustRegion{0, s.width, 0, s.height};
  mapPixels(s, target.left, target.right, target.top, target.bottom, cache, meter);
  meter.finish();
  return kOk;
}

int32_t contrastPalette(Surface &s, int32_t mode, int32_t amount, int32_t channel,
                        ProgressMeter &meter, const RepaintHook *repaintHook) {
  if (mode == kContrastWholeImage)
    return kWrongDepth;
  const int32_t entries = PaletteWriter::entriesOf(s);
  const auto total = static_cast<uint32_t>(2 * entries);
  meter.begin(total, total / 4);
  Range range;
  for (int32_t i = 0; i < entries; ++i) {
    const uint32_t c = paletteColor(s, static_cast<uint32_t>(i));
    range.take(toLumaChroma(redOf(c), greenOf(c), blueOf(c)).y);
    meter.tick();
  }
  repaint(repaintHook);
  double d = range.high - range.low;
  if (mode == kContrastAmount)
    d -= amount;
  if (d == 0.0)
    d = 1.0;
  rewritePalette(s, meter, [&](uint32_t c) {
    const LumaChroma lc = toLumaChroma(redOf(c), greenOf(c), blueOf(c));
    const double y = (lc.y - range.low) * (1.0 / d) * 255.0;
    return takeChannel(channel, c, fromLumaChroma(y, lc.cb, lc.cr));
  });
  return kOk;
}

} // namespace

Precheck checkContrast(int32_t mode, int32_t amount) {
  if (mode != kContrastAmount)
    return Precheck::kApply;
  if (amount > 101 || amount < -101)
    return Precheck::kReject;
  return amount == 0 ? Precheck::kNothingToDo : Precheck::kApply;
}

int32_t adjustContrast(Surface &s, int32_t mode, int32_t amount, int32_t channel,
                       AdjustRegion &region, ProgressMeter *progress,
                       const RepaintHook *repaintHook) {
  int32_t result = kOk;
  if (!shouldApply(checkContrast(mode, amount), s, region, result))
    return result;
  ProgressMeter none;
  ProgressMeter &meter = progress != nullptr ? *progress : none;
  if (isPalettised(s))
    return contrastPalette(s, mode, amount, channel, meter, repaintHook);
  return contrastTrueColor(s, mode, amount, channel, region, meter, repaintHook);
}

} // namespace vop
