// The luminance/chroma colour model and the per-colour channel codes of the analyses.
#pragma once

#include <cstdint>

namespace vop {

struct LumaChroma {
  double y;
  double cb;
  double cr;
};

LumaChroma toLumaChroma(int r, int g, int b);

// Back to bytes: a negative channel lifts the luminance by its amount and all three are
// computed again; then each is clamped to 0..255 and truncated. Result 0x00BBGGRR.
uint32_t fromLumaChroma(double y, double cb, double cr);

// trunc(0.2989 R + 0.5866 G + 0.1145 B).
int32_t luminanceCode(int r, int g, int b);
// The three products of luminanceCode for every byte value, so that a pass over many pixels
// adds the same doubles in the same order without multiplying again.
struct LuminanceProducts {
  double red[256];
  double green[256];
  double blue[256];
};
const LuminanceProducts &luminanceProducts();
// luminanceCode of a colour 0x00BBGGRR.
inline int32_t luminanceOf(const LuminanceProducts &t, uint32_t colour) {
  return static_cast<int32_t>(t.red[colour & 0xFF] + t.green[(colour >> 8) & 0xFF] +
                              t.blue[(colour >> 16) & 0xFF]);
}
// 0 for Cb exactly 0, else the chroma angle scaled to about -127..382.
int32_t hueCode(int r, int g, int b);
// The chroma length times 255, truncated; far above 255 for saturated colours.
int32_t saturationCode(int r, int g, int b);

// Selector 1, 2 or 3 names the channel that changed; lum is the colour's integer luminance
// before the change. The other two channels take one value that restores that luminance.
uint32_t keepLuminance(int selector, int32_t lum, uint32_t colour);

// Truncation toward zero of a value already known to lie in 0..255.
inline uint8_t clampToByte(double v) {
  if (!(v > 0.0))
    return 0;
  if (v > 255.0)
    return 255;
  return static_cast<uint8_t>(v);
}

} // namespace vop
