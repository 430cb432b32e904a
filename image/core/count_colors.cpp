// Distinct colours of every pixel.
#include "image/core/count_colors.h"

#include "image/core/pixel_access.h"
#include "image/core/result.h"

namespace vop {

int32_t countColors(const Surface& s, ColorCountTable& table, ProgressMeter* progress,
                    const RepaintHook* repaintHook) {
  if (!isValid(s)) return kBadArgument;
  ProgressMeter none;
  ProgressMeter& meter = progress != nullptr ? *progress : none;
  const uint64_t pixels = static_cast<uint64_t>(s.width) * static_cast<uint64_t>(s.height);
  meter.begin(pixels > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(pixels));
  repaint(repaintHook);

  ReadPass pass(s);
  pass.begin();
  table.clear(0);
  // The count and every chain's length do not depend on the order of the inserts, so the
  // pixels are visited row by row in memory order.
  const CheckedSurface px(s);
  int32_t distinct = 0;
  for (int32_t y = 0; y < s.height && distinct >= 0; ++y) {
    const uint8_t* row = px.row(y);
    for (int32_t x = 0; x < s.width; ++x) {
      const uint32_t colour = px.direct() ? px.at(row, x) : static_cast<uint32_t>(pass.read(x, y));
      distinct = table.insert(colour);
      if (distinct < 0) {
        // A half-filled table would report a count that looks valid later on.
        table.clear(0);
        break;
      }
      meter.tick();
    }
  }
  meter.finish();
  pass.end();
  repaint(repaintHook);
  return distinct;
}

}  // namespace vop
