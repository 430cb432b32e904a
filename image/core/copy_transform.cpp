// Inverse-mapped copy with bilinear interpolation, serpentine column order and tone effects.
#include "image/core/copy_transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "image/core/adjust_region.h"
#include "image/core/color_model.h"
#include "image/core/pixel_access.h"
#include "image/core/result.h"
#include "image/core/row_reverse.h"

namespace vop {
namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;

// trunc toward zero, refused when the value does not fit 32 bits (or is NaN).
bool truncInt32(double v, int32_t &out) {
  if (!(v > -2147483649.0 && v < 2147483648.0))
    return false;
  out = static_cast<int32_t>(v);
  return true;
}

// trunc toward zero held far outside any image, so that a wild position reads black
// instead of overflowing.
int64_t truncPosition(double v) {
  constexpr double kFar = 1e12;
  if (v >= kFar)
    return static_cast<int64_t>(kFar);
  if (!(v > -kFar))
    return -static_cast<int64_t>(kFar);
  return static_cast<int64_t>(v);
}

bool validScale(float s) { return std::isfinite(s) && s != 0.0f && s <= 2.0f; }

struct Rotation {
  double cos;
  double sin;
};

// Whole quarter turns get exact sines and cosines: the residue of cos(pi / 2) and sin(pi)
// would otherwise push exact pixel positions just below an integer, so that truncation
// shifts a half turn by a row and interpolation darkens a quarter turn by a level.
Rotation rotationOf(double degrees) {
  if (std::isfinite(degrees) && std::fmod(degrees, 90.0) == 0.0) {
    double quarter = std::fmod(degrees / 90.0, 4.0);
    if (quarter < 0)
      quarter += 4.0;
    switch (static_cast<int>(quarter)) {
    case 0:
      return {1.0, 0.0};
    case 1:
      return {0.0, 1.0};
    case 2:
      return {-1.0, 0.0};
    default:
      return {0.0, -1.0};
    }
  }
  const double a = degrees * kDegreesToRadians;
  return {std::cos(a), std::sin(a)};
}

} // namespace

bool measureBox(double width, double height, double angleDegrees, double scaleX, double scaleY,
                DestinationBox &box) {
  box = DestinationBox{0, 0, 0, 0};
  const Rotation rot = rotationOf(angleDegrees);
  const double c = rot.cos, s = rot.sin;
  const double xs[4] = {0.0, width, 0.0, width};
  const double ys[4] = {0.0, 0.0, height, height};
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (int i = 0; i < 4; ++i) {
    const double X = scaleX * (xs[i] * c - ys[i] * s);
    const double Y = scaleY * (xs[i] * s + ys[i] * c);
    if (i == 0 || X < minX)
      minX = X;
    if (i == 0 || X > maxX)
      maxX = X;
    if (i == 0 || Y < minY)
      minY = Y;
    if (i == 0 || Y > maxY)
      maxY = Y;
  }
  int32_t w = 0, h = 0, ox = 0, oy = 0;
  if (!truncInt32(maxX - minX, w) || !truncInt32(maxY - minY, h))
    return false;
  if (minX < 0.0 && !truncInt32(minX + 0.5, ox))
    return false;
  if (minY < 0.0 && !truncInt32(minY + 0.5, oy))
    return false;
  // Both differences are >= 0 and the corner (0, 0) keeps minima above -2^31: no overflow.
  box.width = w < 0 ? -w : w;
  box.height = h < 0 ? -h : h;
  box.offsetX = ox < 0 ? -ox : ox;
  box.offsetY = oy < 0 ? -oy : oy;
  return box.width >= 1 && box.height >= 1;
}

int32_t checkCopyScales(const CopyParams &params) {
  return validScale(params.scaleX) && validScale(params.scaleY) ? kOk : kBadArgument;
}

int32_t normalizeSourceRect(CopyParams &params, int32_t width, int32_t height) {
  AdjustRegion r{params.srcLeft, params.srcRight, params.srcTop, params.srcBottom};
  const int32_t result = normalizeRegion(r, width, height);
  params.srcLeft = r.left;
  params.srcRight = r.right;
  params.srcTop = r.top;
  params.srcBottom = r.bottom;
  return result;
}

int32_t measureDestination(CopyParams &params) {
  DestinationBox box;
  const double w = static_cast<double>(params.srcRight) - params.srcLeft;
  const double h = static_cast<double>(params.srcBottom) - params.srcTop;
  bool ok = checkCopyScales(params) == kOk &&
            measureBox(w, h, params.angle, params.scaleX, params.scaleY, box);
  const int64_t right = static_cast<int64_t>(params.dstLeft) + box.width;
  const int64_t bottom = static_cast<int64_t>(params.dstTop) + box.height;
  ok = ok && right <= INT32_MAX && bottom <= INT32_MAX;
  if (!ok) {
    params.dstRight = 0;
    params.dstBottom = 0;
    return kBadArgument;
  }
  params.dstRight = static_cast<int32_t>(right);
  params.dstBottom = static_cast<int32_t>(bottom);
  return kOk;
}

uint32_t sepiaTone(uint32_t colour) {
  const int y =
      static_cast<int>(0.1145 * blueOf(colour) + 0.5866 * greenOf(colour) + 0.2989 * redOf(colour));
  return packColor(y * 240 / 255, y * 200 / 255, y * 145 / 255);
}

void PixelReadCache::reset() { m_entries.fill(Entry{-1, 0, 0}); }

uint32_t PixelReadCache::read(const Surface &s, int32_t x, int32_t y) {
  Entry &e = m_entries[static_cast<size_t>((x & 7) * 128 + (y & 127))];
  if (e.x != x || e.y != y) {
    e.x = x;
    e.y = y;
    e.color = readColor(s, x, y);
  }
  return e.color;
}

namespace {

// The combination with the pixel underneath (read only for the combining modes), then invert,
// then sepia: the order every copy path keeps.
template <typename ReadUnder>
inline uint32_t combineAndTone(uint32_t c, int32_t mode, uint32_t flags, ReadUnder under) {
  switch (mode) {
  case kCombineAnd:
    c &= under();
    break;
  case kCombineOr:
    c |= under();
    break;
  case kCombineXor:
    c ^= under();
    break;
  default:
    break;
  }
  if (flags & kCopyInvert)
    c ^= 0x00FFFFFF;
  if (flags & kCopySepia)
    c = sepiaTone(c);
  return c;
}

// The bilinear rule over any way of reading a source pixel that lies inside the source.
template <typename Read>
uint32_t bilinear(Read read, const Surface &src, int64_t ix, int64_t iy, double fx, double fy,
                  int64_t limitX, int64_t limitY) {
  auto fetch = [&](int64_t px, int64_t py) -> uint32_t {
    if (px >= src.width)
      px = limitX;
    if (py >= src.height)
      py = limitY;
    if (!contains(src, px, py))
      return 0;
    return read(static_cast<int32_t>(px), static_cast<int32_t>(py));
  };
  const uint32_t p00 = fetch(ix, iy);
  const uint32_t p10 = fetch(ix + 1, iy);
  const uint32_t p01 = fetch(ix, iy + 1);
  const uint32_t p11 = fetch(ix + 1, iy + 1);
  const double w00 = (1 - fx) * (1 - fy);
  const double w10 = fx * (1 - fy);
  const double w01 = (1 - fx) * fy;
  const double w11 = fx * fy;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const double v = w00 * ((p00 >> shift) & 0xFF) + w10 * ((p10 >> shift) & 0xFF) +
                     w01 * ((p01 >> shift) & 0xFF) + w11 * ((p11 >> shift) & 0xFF);
    // Positions left of or above the source have negative fractions and extrapolate;
    // holding the byte in range keeps such edges black instead of wrapping around.
    out |= static_cast<uint32_t>(clampToByte(v)) << shift;
  }
  return out;
}

// The unturned true-colour copy between separate pixel arrays, row by row. Each source
// position depends on x alone (column) or y alone (row), so they are computed once. The colours
// are those of the column-by-column walk: there a pixel whose source position equals the
// previous pixel's takes the previous colour. Rows of equal source row form groups; in a column
// walked down a group takes the colour computed at its top row, walked up at its bottom row,
// and where the walk turns into the next column on the same row with an unchanged source column,
// the group there keeps the colour it had in the column before.
// Direct access to a 24- or 32-bit surface that was checked once; other depths go through
// the general readers. Outside positions read black and are not written, as there.
class DirectPixels {
public:
  explicit DirectPixels(const Surface &s)
      : m_s(s), m_direct(s.bitsPerPixel == 24 || s.bitsPerPixel == 32), m_step(s.bitsPerPixel / 8) {
  }
  uint32_t read(int64_t x, int64_t y) const {
    if (!m_direct)
      return readColor(m_s, x, y);
    if (static_cast<uint64_t>(x) >= static_cast<uint64_t>(m_s.width) ||
        static_cast<uint64_t>(y) >= static_cast<uint64_t>(m_s.height))
      return 0;
    const uint8_t *p = m_s.bits + static_cast<ptrdiff_t>(m_s.pitch) * y + m_step * x;
    return packColor(p[2], p[1], p[0]);
  }
  void write(int64_t x, int64_t y, uint32_t c) const {
    if (!m_direct) {
      writeColor(m_s, x, y, c);
      return;
    }
    if (static_cast<uint64_t>(x) >= static_cast<uint64_t>(m_s.width) ||
        static_cast<uint64_t>(y) >= static_cast<uint64_t>(m_s.height))
      return;
    uint8_t *p = m_s.bits + static_cast<ptrdiff_t>(m_s.pitch) * y + m_step * x;
    p[0] = blueOf(c);
    p[1] = greenOf(c);
    p[2] = redOf(c);
  }

private:
  const Surface &m_s;
  bool m_direct;
  ptrdiff_t m_step;
};

void copyUnturned(int32_t mode, uint32_t flags, const CopyParams &params, const Surface &src,
                  Surface &dst, bool interpolate, double offX, double offY, int64_t limitX,
                  int64_t limitY, ProgressMeter *progress) {
  const int32_t boxRight = params.dstRight, boxBottom = params.dstBottom;
  const double scaleX = params.scaleX, scaleY = params.scaleY;
  std::vector<int64_t> colX(static_cast<size_t>(boxRight));
  std::vector<double> fracX(static_cast<size_t>(boxRight));
  for (int32_t x = 0; x < boxRight; ++x) {
    // The walk's (x cos - y sin) / scale + off with cos 1 and sin 0: exactly x / scale + off.
    const double sxF = static_cast<double>(x) / scaleX + offX;
    colX[static_cast<size_t>(x)] = truncPosition(sxF);
    fracX[static_cast<size_t>(x)] = sxF - static_cast<double>(colX[static_cast<size_t>(x)]);
  }
  const bool mirror = (flags & kCopyMirror) != 0;
  const bool effects = mode == kCombineAnd || mode == kCombineOr || mode == kCombineXor ||
                       (flags & (kCopyInvert | kCopySepia)) != 0;
  const DirectPixels from(src), to(dst);
  auto direct = [&](int32_t px, int32_t py) { return from.read(px, py); };
  // Unscaled copies without effects move bytes: one memcpy per row (pixel by pixel when
  // mirrored) over the stretch that lies inside both pictures.
  if (!interpolate && params.scaleX == 1.0f && params.scaleY == 1.0f && !effects &&
      src.bitsPerPixel == dst.bitsPerPixel && (src.bitsPerPixel == 24 || src.bitsPerPixel == 32)) {
    const int64_t step = src.bitsPerPixel / 8;
    const int64_t shiftX = colX.empty() ? 0 : colX[0]; // source column of box column 0
    const int64_t dstX0 = params.dstLeft;
    auto column = [&](int64_t x) { return mirror ? dstX0 + boxRight - 1 - x : dstX0 + x; };
    // Box columns whose source column and destination column both exist.
    int64_t lo = std::max<int64_t>(0, -shiftX),
            hi = std::min<int64_t>(boxRight, src.width - shiftX);
    if (mirror) {
      lo = std::max<int64_t>(lo, dstX0 + boxRight - dst.width);
      hi = std::min<int64_t>(hi, dstX0 + boxRight);
    } else {
      lo = std::max<int64_t>(lo, -dstX0);
      hi = std::min<int64_t>(hi, dst.width - dstX0);
    }
    for (int32_t row = 0; row < boxBottom; ++row) {
      const int64_t sy = truncPosition(static_cast<double>(row) / scaleY + offY);
      const int64_t dy = static_cast<int64_t>(params.dstTop) + row;
      if (dy >= 0 && dy < dst.height) {
        uint8_t *out = dst.bits + static_cast<ptrdiff_t>(dst.pitch) * dy;
        const bool sourceRow = sy >= 0 && sy < src.height;
        const uint8_t *in = sourceRow ? src.bits + static_cast<ptrdiff_t>(src.pitch) * sy : nullptr;
        auto one = [&](int64_t x) {
          const int64_t dx = column(x), sx = shiftX + x;
          if (dx < 0 || dx >= dst.width)
            return;
          uint8_t *d = out + step * dx;
          if (in != nullptr && sx >= 0 && sx < src.width) {
            const uint8_t *p = in + step * sx;
            d[0] = p[0], d[1] = p[1], d[2] = p[2];
          } else {
            d[0] = d[1] = d[2] = 0;
          }
        };
        if (in != nullptr && lo < hi) {
          for (int64_t x = 0; x < lo; ++x)
            one(x);
          if (!mirror && step == 3) {
            std::memcpy(out + 3 * (dstX0 + lo), in + 3 * (shiftX + lo),
                        static_cast<size_t>(3 * (hi - lo)));
          } else if (step == 3) {
            // Box column x lands in column(x), which falls as x rises: column(hi - 1) takes
            // source column shiftX + hi - 1, and so on down to column(lo).
            reverseRow24(out + 3 * column(hi - 1), in + 3 * (shiftX + lo), hi - lo);
          } else {
            for (int64_t x = lo; x < hi; ++x) {
              const uint8_t *p = in + step * (shiftX + x);
              uint8_t *d = out + step * column(x);
              d[0] = p[0], d[1] = p[1], d[2] = p[2];
            }
          }
          for (int64_t x = hi; x < boxRight; ++x)
            one(x);
        } else {
          for (int64_t x = 0; x < boxRight; ++x)
            one(x);
        }
      }
      if (progress != nullptr)
        progress->advance(static_cast<uint32_t>(boxRight));
    }
    return;
  }
  std::vector<uint32_t> groupColors(static_cast<size_t>(boxRight));
  int32_t y = 0;
  while (y < boxBottom) {
    // The group of rows sharing this source row.
    const double top = static_cast<double>(y) / scaleY + offY;
    const int64_t iy = truncPosition(top);
    int32_t last = y;
    double bottom = top;
    while (last + 1 < boxBottom) {
      const double next = static_cast<double>(last + 1) / scaleY + offY;
      if (truncPosition(next) != iy)
        break;
      ++last;
      bottom = next;
    }
    const bool first = y == 0, final = last == boxBottom - 1;
    const double fyTop = top - static_cast<double>(iy), fyBottom = bottom - static_cast<double>(iy);
    for (int32_t x = 0; x < boxRight; ++x) {
      const int64_t ix = colX[static_cast<size_t>(x)];
      uint32_t c;
      if (!interpolate) {
        c = from.read(ix, iy);
      } else {
        // The walk enters column x at row 0 (even x) or at the bottom row (odd x), coming from
        // the same row of column x - 1.
        const bool entry = (x & 1) ? final : first;
        if (x > 0 && entry && ix == colX[static_cast<size_t>(x - 1)]) {
          c = groupColors[static_cast<size_t>(x - 1)];
        } else {
          c = bilinear(direct, src, ix, iy, fracX[static_cast<size_t>(x)],
                       (x & 1) ? fyBottom : fyTop, limitX, limitY);
        }
      }
      groupColors[static_cast<size_t>(x)] = c;
    }
    for (int32_t row = y; row <= last; ++row) {
      const int64_t dy = static_cast<int64_t>(params.dstTop) + row;
      const int64_t left = params.dstLeft;
      if (!effects) {
        if (mirror) {
          for (int32_t x = 0; x < boxRight; ++x)
            to.write(left + boxRight - 1 - x, dy, groupColors[static_cast<size_t>(x)]);
        } else {
          for (int32_t x = 0; x < boxRight; ++x)
            to.write(left + x, dy, groupColors[static_cast<size_t>(x)]);
        }
      } else {
        for (int32_t x = 0; x < boxRight; ++x) {
          const int64_t dx = left + (mirror ? boxRight - 1 - x : x);
          uint32_t c = groupColors[static_cast<size_t>(x)];
          c = combineAndTone(c, mode, flags, [&] { return to.read(dx, dy); });
          to.write(dx, dy, c);
        }
      }
      if (progress != nullptr)
        progress->advance(static_cast<uint32_t>(boxRight));
    }
    y = last + 1;
  }
}

// Whole quarter turns at scale 1 with separate pixel arrays. There cos and sin are exactly 0 and
// +-1, so each source coordinate of the walk depends on one destination coordinate alone and is
// computed once per row or column, with the walk's own expression. When every such position is a
// whole number the bilinear weights are 1, 0, 0, 0 and the blend gives the first neighbour's bytes
// unchanged: the picture is a permutation of pixels (the edge rule of the first neighbour kept),
// and as each destination pixel is written once from a source that does not change, the tiles may
// run in any order. False, with nothing written, when a position has a fraction.
bool copyQuarterTurn(int32_t mode, uint32_t flags, const CopyParams &params, const Surface &src,
                     Surface &dst, bool interpolate, double cosPhi, double sinPhi, double offX,
                     double offY, int64_t limitX, int64_t limitY, ProgressMeter *progress) {
  const bool turned = cosPhi == 0.0; // a quarter or three quarters: x and y trade places
  if (!(turned || sinPhi == 0.0))
    return false;
  const int32_t boxRight = params.dstRight, boxBottom = params.dstBottom;
  const double scaleX = params.scaleX, scaleY = params.scaleY;
  // Source column and row of each destination coordinate, -1 where the walk reads black.
  std::vector<int64_t> sxOf(static_cast<size_t>(turned ? boxBottom : boxRight));
  std::vector<int64_t> syOf(static_cast<size_t>(turned ? boxRight : boxBottom));
  auto place = [&](int64_t i, int64_t limit, int32_t size) -> int64_t {
    if (interpolate && i >= size)
      i = limit;
    return i >= 0 && i < size ? i : -1;
  };
  for (size_t k = 0; k < sxOf.size(); ++k) {
    const double xd = turned ? 0.0 : static_cast<double>(k),
                 yd = turned ? static_cast<double>(k) : 0.0;
    const double sxF = (xd * cosPhi - yd * sinPhi) / scaleX + offX;
    const int64_t ix = truncPosition(sxF);
    if (interpolate && sxF - static_cast<double>(ix) != 0.0)
      return false;
    sxOf[k] = place(ix, limitX, src.width);
  }
  for (size_t k = 0; k < syOf.size(); ++k) {
    const double xd = turned ? static_cast<double>(k) : 0.0,
                 yd = turned ? 0.0 : static_cast<double>(k);
    const double syF = (xd * sinPhi + yd * cosPhi) / scaleY + offY;
    const int64_t iy = truncPosition(syF);
    if (interpolate && syF - static_cast<double>(iy) != 0.0)
      return false;
    syOf[k] = place(iy, limitY, src.height);
  }
  const bool mirror = (flags & kCopyMirror) != 0;
  const bool effects = mode == kCombineAnd || mode == kCombineOr || mode == kCombineXor ||
                       (flags & (kCopyInvert | kCopySepia)) != 0;
  const CheckedSurface from(src), to(dst);
  const bool bytes = !effects && from.direct() && to.direct();
  constexpr int32_t kTile = 64;
  for (int32_t ty = 0; ty < boxBottom; ty += kTile) {
    const int32_t yEnd = std::min(boxBottom, ty + kTile);
    for (int32_t tx = 0; tx < boxRight; tx += kTile) {
      const int32_t xEnd = std::min(boxRight, tx + kTile);
      for (int32_t y = ty; y < yEnd; ++y) {
        const int64_t dy = static_cast<int64_t>(params.dstTop) + y;
        if (dy < 0 || dy >= dst.height)
          continue;
        uint8_t *out = to.row(dy);
        for (int32_t x = tx; x < xEnd; ++x) {
          const int64_t dx = static_cast<int64_t>(params.dstLeft) + (mirror ? boxRight - 1 - x : x);
          if (dx < 0 || dx >= dst.width)
            continue;
          const int64_t sx = sxOf[static_cast<size_t>(turned ? y : x)];
          const int64_t sy = syOf[static_cast<size_t>(turned ? x : y)];
          if (bytes) {
            to.put(out, dx, sx >= 0 && sy >= 0 ? from.at(from.row(sy), sx) : 0);
            continue;
          }
          uint32_t c = sx >= 0 && sy >= 0 ? from.read(sx, sy) : 0;
          c = combineAndTone(c, mode, flags, [&] { return to.read(dx, dy); });
          to.write(dx, dy, c);
        }
      }
    }
    if (progress != nullptr) {
      progress->advance(static_cast<uint32_t>(yEnd - ty) * static_cast<uint32_t>(boxRight));
    }
  }
  return true;
}

// The source position of every destination pixel of a turn, split into a part of the column and
// a part of the row that are computed once each. Each part is the very product the walk's
// expression forms, and the two are combined with its remaining operations in its order, so
// every position has the walk's bits.
class TurnPositions {
public:
  TurnPositions(const CopyParams &params, bool exactInverse, double cosPhi, double sinPhi,
                double offX, double offY, double forwardX, double forwardY)
      : m_exact(exactInverse), m_scaleX(params.scaleX), m_scaleY(params.scaleY),
        m_addX(exactInverse ? static_cast<double>(params.srcLeft) : offX),
        m_addY(exactInverse ? static_cast<double>(params.srcTop) : offY) {
    const auto columns = static_cast<size_t>(params.dstRight);
    const auto rows = static_cast<size_t>(params.dstBottom);
    m_colCos.resize(columns);
    m_colSin.resize(columns);
    m_rowSin.resize(rows);
    m_rowCos.resize(rows);
    for (size_t x = 0; x < columns; ++x) {
      const double xd = static_cast<double>(x);
      // exact: u = (x - forwardX) / scaleX, then u cos and u sin; else x cos and x sin.
      const double u = m_exact ? (xd - forwardX) / m_scaleX : xd;
      m_colCos[x] = u * cosPhi;
      m_colSin[x] = u * sinPhi;
    }
    for (size_t y = 0; y < rows; ++y) {
      const double yd = static_cast<double>(y);
      const double v = m_exact ? (yd - forwardY) / m_scaleY : yd;
      m_rowSin[y] = v * sinPhi;
      m_rowCos[y] = v * cosPhi;
    }
  }
  double sx(int32_t x, int32_t y) const {
    const double d = m_colCos[static_cast<size_t>(x)] - m_rowSin[static_cast<size_t>(y)];
    return m_exact ? d + m_addX : d / m_scaleX + m_addX;
  }
  double sy(int32_t x, int32_t y) const {
    const double d = m_colSin[static_cast<size_t>(x)] + m_rowCos[static_cast<size_t>(y)];
    return m_exact ? d + m_addY : d / m_scaleY + m_addY;
  }

private:
  bool m_exact;
  double m_scaleX, m_scaleY, m_addX, m_addY;
  std::vector<double> m_colCos, m_colSin, m_rowSin, m_rowCos;
};

// Turns with interpolation between separate true-colour arrays, in rows instead of the walk's
// serpentine columns. Every colour comes from the source alone but for one rule of the walk: a
// pixel whose whole source position equals that of the pixel visited before it takes that
// pixel's colour. So a pixel's colour is the blend computed at the first pixel, in walk order,
// of the run of equal positions that ends at it; that pixel is found by stepping back along the
// walk (up an even column, down an odd one, across at a column's start) while the position
// stays the same, which is one step for almost every pixel. A position whose four neighbours
// all lie outside the source blends to black whatever its fractions, and is not blended.
void copyTurnedByRows(int32_t mode, uint32_t flags, const CopyParams &params, const Surface &src,
                      Surface &dst, const TurnPositions &at, int64_t limitX, int64_t limitY,
                      ProgressMeter *progress) {
  const int32_t boxRight = params.dstRight, boxBottom = params.dstBottom;
  const bool mirror = (flags & kCopyMirror) != 0;
  const CheckedSurface from(src), to(dst);
  const ptrdiff_t step = from.bytesPerPixel();
  auto direct = [&](int32_t px, int32_t py) { return from.at(from.row(py), px); };
  // The fetch rule of the blend, one axis at a time: past the far edge the limit stands in.
  auto insideX = [&](int64_t px) {
    if (px >= src.width)
      px = limitX;
    return px >= 0 && px < src.width;
  };
  auto insideY = [&](int64_t py) {
    if (py >= src.height)
      py = limitY;
    return py >= 0 && py < src.height;
  };
  for (int32_t y = 0; y < boxBottom; ++y) {
    const int64_t dy = static_cast<int64_t>(params.dstTop) + y;
    const bool rowInside = dy >= 0 && dy < dst.height;
    for (int32_t x = 0; rowInside && x < boxRight; ++x) {
      const int64_t dx = static_cast<int64_t>(params.dstLeft) + (mirror ? boxRight - 1 - x : x);
      if (dx < 0 || dx >= dst.width)
        continue;
      const double sxF = at.sx(x, y), syF = at.sy(x, y);
      const int64_t ix = truncPosition(sxF), iy = truncPosition(syF);
      uint32_t c = 0;
      if ((insideX(ix) || insideX(ix + 1)) && (insideY(iy) || insideY(iy + 1))) {
        int32_t rx = x, ry = y;
        for (;;) {
          int32_t px = rx, py = ry;
          if (rx & 1) {
            if (ry + 1 < boxBottom) {
              py = ry + 1;
            } else if (rx > 0) {
              px = rx - 1;
            } else {
              break;
            }
          } else {
            if (ry > 0) {
              py = ry - 1;
            } else if (rx > 0) {
              px = rx - 1;
            } else {
              break;
            }
          }
          if (truncPosition(at.sx(px, py)) != ix || truncPosition(at.sy(px, py)) != iy)
            break;
          rx = px;
          ry = py;
        }
        const double fx = (rx == x && ry == y ? sxF : at.sx(rx, ry)) - static_cast<double>(ix);
        const double fy = (rx == x && ry == y ? syF : at.sy(rx, ry)) - static_cast<double>(iy);
        if (ix >= 0 && ix + 1 < src.width && iy >= 0 && iy + 1 < src.height) {
          // All four neighbours inside: the blend's own sums, from the bytes.
          const uint8_t *p00 = from.row(iy) + step * ix;
          const uint8_t *p01 = from.row(iy + 1) + step * ix;
          const double w00 = (1 - fx) * (1 - fy);
          const double w10 = fx * (1 - fy);
          const double w01 = (1 - fx) * fy;
          const double w11 = fx * fy;
          c = 0;
          for (int shift = 0, byte = 2; shift < 24; shift += 8, --byte) {
            const double v =
                w00 * p00[byte] + w10 * p00[step + byte] + w01 * p01[byte] + w11 * p01[step + byte];
            c |= static_cast<uint32_t>(clampToByte(v)) << shift;
          }
        } else {
          c = bilinear(direct, src, ix, iy, fx, fy, limitX, limitY);
        }
      }
      c = combineAndTone(c, mode, flags, [&] { return to.read(dx, dy); });
      to.put(to.row(dy), dx, c);
    }
    if (progress != nullptr)
      progress->advance(static_cast<uint32_t>(boxRight));
  }
}

} // namespace

uint32_t sampleBilinear(PixelReadCache &cache, const Surface &src, int64_t ix, int64_t iy,
                        double fx, double fy, int64_t limitX, int64_t limitY) {
  auto cached = [&](int32_t px, int32_t py) { return cache.read(src, px, py); };
  return bilinear(cached, src, ix, iy, fx, fy, limitX, limitY);
}

int32_t copyTransform(int32_t mode, uint32_t flags, const CopyParams &params, const Surface &src,
                      Surface &dst, ProgressMeter *progress) {
  if (!isValid(src) || !isValid(dst) || isPalettised(src) != isPalettised(dst)) {
    return kBadArgument;
  }
  if (checkCopyScales(params) != kOk)
    return kBadArgument;
  const int32_t boxRight = params.dstRight;
  const int32_t boxBottom = params.dstBottom;
  // Larger boxes cannot be reported in a 32-bit progress count and would run for minutes.
  if (boxRight >= 1 && boxBottom >= 1 && static_cast<int64_t>(boxRight) * boxBottom > INT32_MAX) {
    return kBadArgument;
  }
  if (progress != nullptr)
    progress->begin(progress->record().total);

  const double scaleX = params.scaleX, scaleY = params.scaleY;
  const bool identity = params.angle == 0 && params.scaleX == 1.0f && params.scaleY == 1.0f;
  const bool interpolate = !identity && (flags & kCopyNearest) == 0;

  DestinationBox inverse;
  if (boxRight < 1 || boxBottom < 1 ||
      !measureBox(boxRight, boxBottom, -static_cast<double>(params.angle), 1.0 / scaleX,
                  1.0 / scaleY, inverse)) {
    return kBadArgument;
  }
  const Rotation inv = rotationOf(-static_cast<double>(params.angle));
  const double cosPhi = inv.cos, sinPhi = inv.sin;
  const double offX = static_cast<double>(inverse.offsetX) + params.srcLeft;
  const double offY = static_cast<double>(inverse.offsetY) + params.srcTop;
  // Away from quarter turns the corner of the inverse box is not where the forward box put
  // the source's corner (the picture would land shifted and cut), and with unequal scales a
  // turn by an odd number of quarters divides each axis by the other axis' factor. There the
  // forward placement is undone exactly: unscale, then turn back, from the forward offsets.
  const bool exactInverse =
      params.angle % 90 != 0 || (params.scaleX != params.scaleY && params.angle % 180 != 0);
  double forwardX = 0.0, forwardY = 0.0;
  if (exactInverse) {
    DestinationBox forward;
    if (!measureBox(static_cast<double>(params.srcRight) - params.srcLeft,
                    static_cast<double>(params.srcBottom) - params.srcTop, params.angle, scaleX,
                    scaleY, forward)) {
      return kBadArgument;
    }
    forwardX = forward.offsetX;
    forwardY = forward.offsetY;
  }
  const int64_t limitX = static_cast<int64_t>(inverse.width) - 1;
  const int64_t limitY = static_cast<int64_t>(inverse.height) - 1;

  const bool palettised = isPalettised(src);
  if (palettised) {
    PaletteWriter writer;
    const int32_t entries = writer.begin(dst);
    for (int32_t i = 0; i < entries; ++i) {
      uint32_t c = paletteColor(src, static_cast<uint32_t>(i));
      if (flags & kCopySepia)
        c = sepiaTone(c);
      if (flags & kCopyInvert)
        c ^= 0x00FFFFFF;
      writer.set(i, c);
    }
    writer.commit(dst);
  }

  // Separate arrays, no turn: the same result row by row (see copyUnturned), and far faster.
  // A copy within one array keeps the walk, whose order decides what it reads back.
  const auto span = [](const Surface &s, const uint8_t *&lo, const uint8_t *&hi) {
    const ptrdiff_t reach = static_cast<ptrdiff_t>(s.pitch) * (s.height - 1);
    lo = s.bits + (reach < 0 ? reach : 0);
    hi = s.bits + (reach > 0 ? reach : 0) + rowBytes(s.bitsPerPixel, s.width);
  };
  const uint8_t *srcLo, *srcHi, *dstLo, *dstHi;
  span(src, srcLo, srcHi);
  span(dst, dstLo, dstHi);
  const bool overlap = srcLo < dstHi && dstLo < srcHi;
  if (!palettised && params.angle == 0 && !exactInverse && !overlap) {
    copyUnturned(mode, flags, params, src, dst, interpolate, offX, offY, limitX, limitY, progress);
    if (progress != nullptr)
      progress->finish();
    return kOk;
  }

  if (!palettised && params.angle % 90 == 0 && !exactInverse && !overlap && params.scaleX == 1.0f &&
      params.scaleY == 1.0f &&
      copyQuarterTurn(mode, flags, params, src, dst, interpolate, cosPhi, sinPhi, offX, offY,
                      limitX, limitY, progress)) {
    if (progress != nullptr)
      progress->finish();
    return kOk;
  }

  if (!palettised && interpolate && !overlap &&
      (src.bitsPerPixel == 24 || src.bitsPerPixel == 32) &&
      (dst.bitsPerPixel == 24 || dst.bitsPerPixel == 32)) {
    const TurnPositions positions(params, exactInverse, cosPhi, sinPhi, offX, offY, forwardX,
                                  forwardY);
    copyTurnedByRows(mode, flags, params, src, dst, positions, limitX, limitY, progress);
    if (progress != nullptr)
      progress->finish();
    return kOk;
  }

  PixelReadCache cache;
  bool havePrevious = false;
  int64_t prevX = 0, prevY = 0;
  uint32_t prevColor = 0;
  const bool mirror = (flags & kCopyMirror) != 0;
  for (int32_t x = 0; x < boxRight; ++x) {
    const double xd = x;
    const int64_t dx = static_cast<int64_t>(params.dstLeft) + (mirror ? boxRight - 1 - x : x);
    for (int32_t k = 0; k < boxBottom; ++k) {
      // Odd columns run bottom to top, so consecutive pixels stay neighbours.
      const int32_t y = (x & 1) ? boxBottom - 1 - k : k;
      const double yd = y;
      double sxF, syF;
      if (exactInverse) {
        const double u = (xd - forwardX) / scaleX, v = (yd - forwardY) / scaleY;
        sxF = u * cosPhi - v * sinPhi + params.srcLeft;
        syF = u * sinPhi + v * cosPhi + params.srcTop;
      } else {
        sxF = (xd * cosPhi - yd * sinPhi) / scaleX + offX;
        syF = (xd * sinPhi + yd * cosPhi) / scaleY + offY;
      }
      const int64_t ix = truncPosition(sxF), iy = truncPosition(syF);
      const int64_t dy = static_cast<int64_t>(params.dstTop) + y;
      if (palettised) {
        writeIndex(dst, dx, dy, readIndex(src, ix, iy));
      } else {
        uint32_t c;
        if (!interpolate) {
          c = readColor(src, ix, iy);
        } else if (havePrevious && ix == prevX && iy == prevY) {
          c = prevColor;
        } else {
          c = sampleBilinear(cache, src, ix, iy, sxF - static_cast<double>(ix),
                             syF - static_cast<double>(iy), limitX, limitY);
          havePrevious = true;
          prevX = ix;
          prevY = iy;
          prevColor = c;
        }
        c = combineAndTone(c, mode, flags, [&] { return readColor(dst, dx, dy); });
        writeColor(dst, dx, dy, c);
      }
      if (progress != nullptr)
        progress->tick();
    }
  }
  if (progress != nullptr)
    progress->finish();
  return kOk;
}

} // namespace vop
