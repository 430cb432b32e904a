// Luminance/chroma conversions with the library's fixed coefficients and evaluation order.
#include "image/core/color_model.h"

#include <cmath>

#include "image/core/surface.h"

namespace vop {

LumaChroma toLumaChroma(int r, int g, int b) {
  const double R = r, G = g, B = b;
  LumaChroma out;
  out.y = 0.2989 * R + 0.5866 * G + 0.1145 * B;
  out.cb = 0.5 * B - (0.3312 * G + 0.1688 * R);
  out.cr = 0.5 * R - 0.4184 * G - 0.0816 * B;
  return out;
}

uint32_t fromLumaChroma(double y, double cb, double cr) {
  double r = 0.999859 * y + (1.402087703 * cr + 0.0000114265 * cb);
  double g = 0.999864 * y - 0.344102 * cb - 0.714225835 * cr;
  double b = 1.001063054 * y + (1.771795196 * cb + 0.000231069 * cr);
  if (r < 0.0 || g < 0.0 || b < 0.0) {
    double m = r;
    if (g < m)
      m = g;
    if (b < m)
      m = b;
    const double lifted = y - m;
    r = 0.999859 * lifted + (1.402087703 * cr + 0.0000114265 * cb);
    g = 0.999864 * lifted - 0.344102 * cb - 0.714225835 * cr;
    b = 1.001063054 * lifted + (1.771795196 * cb + 0.000231069 * cr);
  }
  return packColor(clampToByte(r), clampToByte(g), clampToByte(b));
}

int32_t luminanceCode(int r, int g, int b) {
  return static_cast<int32_t>(0.2989 * r + 0.5866 * g + 0.1145 * b);
}

const LuminanceProducts &luminanceProducts() {
  static const LuminanceProducts table = [] {
    LuminanceProducts t{};
    for (int i = 0; i < 256; ++i) {
      t.red[i] = 0.2989 * i;
      t.green[i] = 0.5866 * i;
      t.blue[i] = 0.1145 * i;
    }
    return t;
  }();
  return table;
}

int32_t hueCode(int r, int g, int b) {
  const LumaChroma c = toLumaChroma(r, g, b);
  if (c.cb == 0.0)
    return 0;
  return static_cast<int32_t>((std::atan2(c.cr, c.cb) * 57.29577951308232 + 90.0) *
                              1.4166666666666667);
}

int32_t saturationCode(int r, int g, int b) {
  const LumaChroma c = toLumaChroma(r, g, b);
  return static_cast<int32_t>(std::sqrt(c.cr * c.cr + c.cb * c.cb) * 255.0);
}

uint32_t keepLuminance(int selector, int32_t lum, uint32_t colour) {
  const double L = lum;
  int r = redOf(colour), g = greenOf(colour), b = blueOf(colour);
  switch (selector) {
  case 1: {
    const uint8_t v = clampToByte((L - 0.2989 * r) * 1.4263300527742118);
    g = b = v;
    break;
  }
  case 2: {
    const uint8_t v = clampToByte((L - 0.5866 * g) * 2.4189646831156266);
    r = b = v;
    break;
  }
  case 3: {
    const uint8_t v = clampToByte((L - 0.1145 * b) * 1.129305477131564);
    r = g = v;
    break;
  }
  default:
    break;
  }
  return packColor(r, g, b);
}

} // namespace vop
