// Hue, brightness and saturation in the luminance/chroma model.
#include "image/core/quality.h"

#include <cmath>

#include "image/core/color_model.h"
#include "image/core/pixel_access.h"
#include "image/core/result.h"

namespace vop {

int32_t checkQuality(const QualitySettings &q) {
  if (q.hue < -181 || q.hue > 181)
    return kBadArgument;
  if (q.brightness < -101 || q.brightness > 101)
    return kBadArgument;
  if (q.saturation < -101 || q.saturation > 101)
    return kBadArgument;
  if (q.spare && (q.keepDistance < 0 || q.keepDistance > 65536))
    return kBadArgument;
  return kOk;
}

uint32_t qualityTransform(const QualitySettings &q, uint32_t colour) {
  const int r = redOf(colour), g = greenOf(colour), b = blueOf(colour);
  if (q.spare && q.keepDistance < 65536) {
    const int dr = r - redOf(q.keepColour);
    const int dg = g - greenOf(q.keepColour);
    const int db = b - blueOf(q.keepColour);
    if (dr * dr + dg * dg + db * db < q.keepDistance)
      return colour & 0x00FFFFFF;
  }
  const LumaChroma c = toLumaChroma(r, g, b);
  const double k = std::sqrt(c.cb * c.cb + c.cr * c.cr);
  const double k2 = k + q.saturation * k * 0.01;
  const double y = q.brightness + c.y;
  const double angle = std::atan2(c.cr, c.cb) + q.hue * 0.017453292519943295;
  return fromLumaChroma(y, k2 * std::cos(angle), k2 * std::sin(angle));
}

int32_t adjustQuality(Surface &s, const QualitySettings &q, AdjustRegion region,
                      ProgressMeter *progress) {
  if (checkQuality(q) != kOk)
    return kBadArgument;
  if (!isValid(s) || normalizeRegion(region, s.width, s.height) != kOk)
    return kBadArgument;
  ProgressMeter none;
  ProgressMeter &meter = progress != nullptr ? *progress : none;

  if (isPalettised(s)) {
    adjustPalette(s, meter, [&](uint32_t c) { return qualityTransform(q, c); });
    return kOk;
  }

  const uint32_t area = static_cast<uint32_t>(region.right - region.left) *
                        static_cast<uint32_t>(region.bottom - region.top);
  ColorMemo cache([&](uint32_t c) { return qualityTransform(q, c); }, area);
  meter.begin(area);
  mapPixels(s, region.left, region.right, region.top, region.bottom, cache, meter);
  meter.finish();
  return kOk;
}

} // namespace vop
