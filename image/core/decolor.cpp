// Colour reduction by level grid, median cut and threshold, and palette expansion.
#include "image/core/decolor.h"

#include <algorithm>
#include <new>
#include <unordered_map>
#include <vector>

#include "image/core/color_model.h"
#include "image/core/pixel_access.h"
#include "image/core/result.h"

namespace vop {
namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;

// Unsigned 128-bit arithmetic for the threshold criterion: the square of a between-class sum
// of a large image does not fit 64 bits, and the i686 compiler has no built-in 128-bit type.
struct U128 {
  uint64_t hi = 0;
  uint64_t lo = 0;
};

U128 multiply(uint64_t a, uint64_t b) {
  const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const uint64_t mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  U128 r;
  r.lo = (mid << 32) | (p00 & 0xFFFFFFFFu);
  r.hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
  return r;
}

bool less(const U128 &a, const U128 &b) { return a.hi < b.hi || (a.hi == b.hi && a.lo < b.lo); }

// Truncating quotient; d is not 0 and below 2^127, so the shifted remainder cannot overflow.
U128 divide(const U128 &n, const U128 &d) {
  U128 q, r;
  for (int i = 127; i >= 0; --i) {
    const uint64_t bit = i >= 64 ? (n.hi >> (i - 64)) & 1 : (n.lo >> i) & 1;
    r.hi = (r.hi << 1) | (r.lo >> 63);
    r.lo = (r.lo << 1) | bit;
    if (!less(r, d)) {
      const uint64_t borrow = r.lo < d.lo ? 1 : 0;
      r.lo -= d.lo;
      r.hi -= d.hi + borrow;
      if (i >= 64) {
        q.hi |= uint64_t{1} << (i - 64);
      } else {
        q.lo |= uint64_t{1} << i;
      }
    }
  }
  return q;
}

uint64_t squared(int64_t v) { return static_cast<uint64_t>(v * v); }

int32_t squaredDistance(uint32_t a, uint32_t b) {
  const int dr = redOf(a) - redOf(b), dg = greenOf(a) - greenOf(b), db = blueOf(a) - blueOf(b);
  return dr * dr + dg * dg + db * db;
}

// Index of the first entry with the smallest squared distance.
uint32_t nearestEntry(const std::vector<uint32_t> &palette, uint32_t colour) {
  uint32_t best = 0;
  int32_t bestDistance = INT32_MAX;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int32_t d = squaredDistance(palette[i], colour);
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<uint32_t>(i);
    }
  }
  return best;
}

void commitPalette(Surface &dst, const std::vector<uint32_t> &colours) {
  PaletteWriter writer;
  const int32_t entries = writer.begin(dst);
  for (int32_t i = 0; i < entries && static_cast<size_t>(i) < colours.size(); ++i) {
    writer.set(i, colours[static_cast<size_t>(i)]);
  }
  writer.commit(dst);
}

// ---- black and white ----

int32_t channelValue(uint32_t option, uint32_t c) {
  switch (option) {
  case 0x30000:
    return blueOf(c);
  case 0x20000:
    return greenOf(c);
  case 0x10000:
    return redOf(c);
  default:
    return luminanceCode(redOf(c), greenOf(c), blueOf(c));
  }
}

// The channel value of every pixel of a row, through the pixel's own colour.
template <typename Use>
void forRowValues(const CheckedSurface &px, const Surface &src, uint32_t option, int32_t y,
                  Use use) {
  const LuminanceProducts &lum = luminanceProducts();
  const bool luminance = option != 0x10000 && option != 0x20000 && option != 0x30000;
  if (px.direct() && luminance) {
    const uint8_t *row = px.row(y);
    for (int32_t x = 0; x < src.width; ++x)
      use(x, luminanceOf(lum, px.at(row, x)));
  } else {
    for (int32_t x = 0; x < src.width; ++x)
      use(x, channelValue(option, px.read(x, y)));
  }
}

// Both passes are per-pixel rules (a count, and a bit from the pixel and its position), so
// they run row by row in memory order.
void blackWhite(uint32_t flags, const Surface &src, Surface &dst, ProgressMeter &meter) {
  const uint32_t option = flags & kDecolorOptionMask;
  int32_t threshold = static_cast<int32_t>(flags & kDecolorThresholdMask);
  const CheckedSurface px(src);
  if (threshold == 0) {
    uint64_t histogram[256] = {};
    for (int32_t y = 0; y < src.height; ++y) {
      forRowValues(px, src, option, y, [&](int32_t, int32_t v) { ++histogram[v & 0xFF]; });
    }
    threshold = automaticThreshold(histogram);
  }
  const bool pattern = (flags & kDecolorPattern) != 0;
  for (int32_t y = 0; y < src.height; ++y) {
    uint8_t *out = dst.bits + static_cast<ptrdiff_t>(dst.pitch) * y;
    // Whole bytes are assembled and stored once; the last byte keeps its bits past the row.
    uint32_t bits = 0;
    forRowValues(px, src, option, y, [&](int32_t x, int32_t v) {
      uint32_t bit = v >= threshold ? 1 : 0;
      // The column walk's phase is the number of columns before x, modulo 4.
      if (pattern && x % 9 == 0 && (x % 4 + y) % 9 == 0)
        bit ^= 1;
      bits = bits << 1 | bit;
      if ((x & 7) == 7) {
        out[x >> 3] = static_cast<uint8_t>(bits);
        bits = 0;
      }
    });
    const int32_t rest = src.width & 7;
    if (rest != 0) {
      const auto mask = static_cast<uint8_t>(0xFF00 >> rest);
      uint8_t &last = out[src.width >> 3];
      last = static_cast<uint8_t>((last & ~mask) | ((bits << (8 - rest)) & mask));
    }
    meter.advance(static_cast<uint32_t>(src.width));
  }
  commitPalette(dst, {0, kWhite});
}

// ---- expand ----

void expand(const Surface &src, Surface &dst, ProgressMeter &meter) {
  if (isPalettised(dst)) {
    // A palette into a larger palette: the same indices under the same colours.
    std::vector<uint32_t> colours(size_t{1} << src.bitsPerPixel);
    for (size_t i = 0; i < colours.size(); ++i)
      colours[i] = paletteColor(src, static_cast<uint32_t>(i));
    for (int32_t x = 0; x < src.width; ++x) {
      for (int32_t y = 0; y < src.height; ++y) {
        writeIndex(dst, x, y, readIndex(src, x, y));
        meter.tick();
      }
    }
    commitPalette(dst, colours);
    return;
  }
  for (int32_t x = 0; x < src.width; ++x) {
    for (int32_t y = 0; y < src.height; ++y) {
      writeColor(dst, x, y, readColor(src, x, y));
      meter.tick();
    }
  }
}

// ---- fixed level grid ----

struct Grid {
  double divisor[3]; // red, green, blue
  int32_t step[3];
  std::vector<uint32_t> seeds; // after the black entry 0
};

Grid makeGrid(uint32_t flags, int32_t dstDepth) {
  // Every source reaches the grid as 0..255 channel values (palette entries, 16-bit fields
  // scaled up), so the grid spans that range whatever the source depth.
  const double m = 255.0;
  const uint32_t option = flags & kDecolorOptionMask;
  double levels[3] = {2.3, 2.3, 2.3};
  Grid g;
  if (dstDepth == 4) {
    if (flags & kDecolorGrey) {
      levels[0] = levels[1] = levels[2] = 15;
    } else {
      switch (option) {
      case 0x10000:
        levels[0] = 3.1;
        levels[1] = 2;
        levels[2] = 2;
        break;
      case 0x20000:
        levels[0] = 2;
        levels[1] = 3.1;
        levels[2] = 2;
        break;
      case 0x30000:
        levels[0] = 2;
        levels[1] = 2;
        levels[2] = 3.1;
        break;
      default:
        break;
      }
      g.seeds = {kWhite};
    }
  } else if (flags & kDecolorGrid2) {
    switch (option) {
    case 0x30000:
      levels[0] = 8;
      levels[1] = 8;
      levels[2] = 4;
      break;
    case 0x20000:
      levels[0] = 8;
      levels[1] = 4;
      levels[2] = 8;
      break;
    default:
      levels[0] = 4;
      levels[1] = 8;
      levels[2] = 8;
      break;
    }
  } else if (flags & kDecolorGrid3) {
    switch (option) {
    case 0x30000:
      levels[0] = 6;
      levels[1] = 6;
      levels[2] = 7;
      break;
    case 0x20000:
      levels[0] = 6;
      levels[1] = 7;
      levels[2] = 6;
      break;
    default:
      levels[0] = 7;
      levels[1] = 6;
      levels[2] = 6;
      break;
    }
    g.seeds = {0x808080, kWhite};
  } else {
    levels[0] = levels[1] = levels[2] = 6.2;
    for (uint32_t v = 0x10; v <= 0xF0; v += 0x10)
      g.seeds.push_back(packColor(v, v, v));
    g.seeds.push_back(kWhite);
  }
  for (int k = 0; k < 3; ++k) {
    g.divisor[k] = m / levels[k];
    g.step[k] = static_cast<int32_t>(m / (levels[k] - 1.0));
  }
  return g;
}

int32_t quantise(const Grid &g, int k, int32_t v) {
  const int32_t q = static_cast<int32_t>(v / g.divisor[k]) * g.step[k];
  return q > 255 ? 255 : q;
}

void levelGrid(uint32_t flags, const Surface &src, Surface &dst, ProgressMeter &meter) {
  const Grid g = makeGrid(flags, dst.bitsPerPixel);
  const bool grey = (flags & kDecolorGrey) != 0;
  const size_t capacity = size_t{1} << dst.bitsPerPixel; // the entries dst can hold
  std::vector<uint32_t> palette{0};
  palette.insert(palette.end(), g.seeds.begin(), g.seeds.end());
  // Quantised colour -> index. Once the table is full nothing is appended any more, so a
  // remembered nearest entry stays right.
  std::unordered_map<uint32_t, uint32_t> known;
  for (size_t i = 0; i < palette.size(); ++i)
    known.emplace(palette[i], static_cast<uint32_t>(i));

  bool cached = false;
  uint32_t cachedSource = 0, cachedIndex = 0;
  for (int32_t x = 0; x < src.width; ++x) {
    for (int32_t y = 0; y < src.height; ++y) {
      const uint32_t c = readColor(src, x, y);
      if (!cached || c != cachedSource) {
        uint32_t q;
        if (grey) {
          int32_t v = luminanceCode(redOf(c), greenOf(c), blueOf(c));
          if (dst.bitsPerPixel != 8)
            v = quantise(g, 0, v);
          q = packColor(v, v, v);
        } else {
          q = packColor(quantise(g, 0, redOf(c)), quantise(g, 1, greenOf(c)),
                        quantise(g, 2, blueOf(c)));
        }
        auto it = known.find(q);
        if (it != known.end()) {
          cachedIndex = it->second;
        } else if (palette.size() < capacity) {
          cachedIndex = static_cast<uint32_t>(palette.size());
          palette.push_back(q);
          known.emplace(q, cachedIndex);
        } else {
          cachedIndex = nearestEntry(palette, q);
          known.emplace(q, cachedIndex);
        }
        cached = true;
        cachedSource = c;
      }
      writeIndex(dst, x, y, cachedIndex);
      meter.tick();
    }
  }
  commitPalette(dst, palette);
}

// ---- median cut ----

struct CensusColour {
  uint32_t colour;
  uint64_t count;
};

struct Box {
  size_t begin;
  size_t end;
  uint64_t count;
};

uint32_t medianCutMask(uint32_t option, int32_t srcDepth) {
  if (srcDepth != 24)
    return 0x00FFFFFF;
  switch (option) {
  case 0x10000:
    return 0x00FCF8F8; // blue keeps 6 bits
  case 0x20000:
    return 0x00F8FCF8; // green
  case 0x30000:
    return 0x00F8F8FC; // red
  default:
    return 0x00F8F8F8;
  }
}

std::vector<uint32_t> cutBoxes(std::vector<CensusColour> &colours, size_t target) {
  std::vector<Box> boxes;
  uint64_t all = 0;
  for (const CensusColour &c : colours)
    all += c.count;
  boxes.push_back({0, colours.size(), all});
  while (boxes.size() < target) {
    size_t pick = boxes.size();
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].end - boxes[i].begin < 2)
        continue;
      if (pick == boxes.size() || boxes[i].count > boxes[pick].count)
        pick = i;
    }
    if (pick == boxes.size())
      break;
    Box &box = boxes[pick];
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i) {
      const int v[3] = {redOf(colours[i].colour), greenOf(colours[i].colour),
                        blueOf(colours[i].colour)};
      for (int k = 0; k < 3; ++k) {
        lo[k] = std::min(lo[k], v[k]);
        hi[k] = std::max(hi[k], v[k]);
      }
    }
    const int range[3] = {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
    int key;
    if (range[0] >= range[1] && range[0] >= range[2]) {
      key = 0;
    } else if (range[1] < range[2]) {
      key = 2;
    } else {
      key = 1;
    }
    // Colours are distinct, so the whole value orders colours equal in the key: the cut does
    // not depend on the order in which the census met them.
    std::sort(colours.begin() + static_cast<ptrdiff_t>(box.begin),
              colours.begin() + static_cast<ptrdiff_t>(box.end),
              [key](const CensusColour &a, const CensusColour &b) {
                const uint32_t ka = (a.colour >> (8 * key)) & 0xFF,
                               kb = (b.colour >> (8 * key)) & 0xFF;
                return ka != kb ? ka < kb : a.colour < b.colour;
              });
    const uint64_t half = box.count / 2;
    const size_t n = box.end - box.begin;
    size_t k = 1;
    uint64_t running = colours[box.begin].count;
    while (k < n - 1 && running < half) {
      running += colours[box.begin + k].count;
      ++k;
    }
    uint64_t firstCount = 0;
    for (size_t i = box.begin; i < box.begin + k; ++i)
      firstCount += colours[i].count;
    const Box second{box.begin + k, box.end, box.count - firstCount};
    box.end = box.begin + k;
    box.count = firstCount;
    boxes.push_back(second);
  }
  std::vector<uint32_t> palette;
  for (const Box &box : boxes) {
    uint64_t sum[3] = {0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i) {
      sum[0] += redOf(colours[i].colour) * colours[i].count;
      sum[1] += greenOf(colours[i].colour) * colours[i].count;
      sum[2] += blueOf(colours[i].colour) * colours[i].count;
    }
    uint64_t mean[3];
    for (int k = 0; k < 3; ++k)
      mean[k] = std::min<uint64_t>(sum[k] / box.count, 255);
    palette.push_back(packColor(static_cast<uint32_t>(mean[0]), static_cast<uint32_t>(mean[1]),
                                static_cast<uint32_t>(mean[2])));
  }
  return palette;
}

// The nearest box colour, scanning upward or downward; the first entry closer than 64 ends
// the scan.
uint32_t searchBox(const std::vector<uint32_t> &palette, uint32_t colour, bool downward) {
  const size_t n = palette.size();
  uint32_t best = 0;
  int32_t bestDistance = INT32_MAX;
  for (size_t step = 0; step < n; ++step) {
    const size_t i = downward ? n - 1 - step : step;
    const int32_t d = squaredDistance(palette[i], colour);
    if (d < 64)
      return static_cast<uint32_t>(i);
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<uint32_t>(i);
    }
  }
  return best;
}

void medianCut(uint32_t flags, const Surface &src, Surface &dst, ProgressMeter &meter) {
  const uint32_t mask = medianCutMask(flags & kDecolorOptionMask, src.bitsPerPixel);
  std::vector<CensusColour> colours;
  std::unordered_map<uint32_t, size_t> census;
  for (int32_t x = 0; x < src.width; ++x) {
    for (int64_t y = x & 1; y < src.height; y += 2) {
      const uint32_t c = readColor(src, x, y) & mask;
      auto [it, fresh] = census.emplace(c, colours.size());
      if (fresh) {
        colours.push_back({c, 1});
      } else {
        ++colours[it->second].count;
      }
    }
  }
  const std::vector<uint32_t> palette = cutBoxes(colours, size_t{1} << dst.bitsPerPixel);

  // The scan direction alternates with every search actually made, so the remembered results
  // are kept per direction.
  std::unordered_map<uint32_t, uint32_t> searched;
  bool cached = false, downward = false;
  uint32_t cachedColour = 0, cachedIndex = 0;
  for (int32_t x = 0; x < src.width; ++x) {
    for (int32_t y = 0; y < src.height; ++y) {
      const uint32_t c = readColor(src, x, y) & mask;
      if (!cached || c != cachedColour) {
        const uint32_t key = c | (downward ? 0x01000000u : 0u);
        auto it = searched.find(key);
        if (it != searched.end()) {
          cachedIndex = it->second;
        } else {
          cachedIndex = searchBox(palette, c, downward);
          searched.emplace(key, cachedIndex);
        }
        downward = !downward;
        cached = true;
        cachedColour = c;
      }
      writeIndex(dst, x, y, cachedIndex);
      meter.tick();
    }
  }
  commitPalette(dst, palette);
}

} // namespace

int32_t checkDecolor(uint32_t flags, const Surface &src, const Surface &dst) {
  if (!isValid(src) || !isValid(dst))
    return kBadArgument;
  const int32_t s = src.bitsPerPixel, d = dst.bitsPerPixel;
  bool depthsFit = false;
  switch (flags & kDecolorMethodMask) {
  case kDecolorExpand:
    depthsFit = s <= 24 && d >= 4 && s < d;
    break;
  case kDecolorGrid:
  case kDecolorMedianCut:
    depthsFit = s <= 24 && d >= 4 && d <= 8 && s > d;
    break;
  case kDecolorBlackWhite:
    depthsFit = s <= 24 && d == 1;
    break;
  default:
    return kBadArgument;
  }
  if (!depthsFit)
    return kBadArgument;
  if (src.width != dst.width || src.height != dst.height)
    return kBadArgument;
  return kOk;
}

int32_t automaticThreshold(const uint64_t histogram[256]) {
  uint64_t n = 0, sum = 0;
  for (uint64_t level = 0; level < 256; ++level) {
    n += histogram[level];
    sum += level * histogram[level];
  }
  if (n == 0)
    return 128;
  const auto mean = static_cast<int64_t>(sum / n);
  int32_t best = -1;
  bool bestUnbounded = false;
  U128 bestCriterion;
  uint64_t n1 = 0, s1 = 0;
  for (int32_t t = 1; t <= 255; ++t) {
    n1 += histogram[t - 1];
    s1 += static_cast<uint64_t>(t - 1) * histogram[t - 1];
    const uint64_t n2 = n - n1, s2 = sum - s1;
    if (n1 == 0 || n2 == 0)
      continue; // criterion 0: never strictly better
    const auto m1 = static_cast<int64_t>(s1 / n1), m2 = static_cast<int64_t>(s2 / n2);
    const uint64_t between = n1 * squared(m1 - mean) + n2 * squared(m2 - mean);
    uint64_t within = 0;
    for (int32_t level = 0; level < 256; ++level) {
      within += histogram[level] * squared(level - (level < t ? m1 : m2));
    }
    if (within == 0) {
      // Each class is one level: nothing separates better, and dividing is impossible.
      if (!bestUnbounded) {
        bestUnbounded = true;
        best = t;
      }
      continue;
    }
    if (bestUnbounded)
      continue;
    const U128 criterion = divide(multiply(between, between), multiply(within, within));
    if (less(bestCriterion, criterion)) {
      bestCriterion = criterion;
      best = t;
    }
  }
  // No split separates anything (a single level): the middle keeps dark images black and
  // light ones white, rather than turning every pixel white.
  return best < 0 ? 128 : best;
}

int32_t decolor(uint32_t flags, const Surface &src, Surface &dst, ProgressMeter *progress,
                const RepaintHook *repaintHook) {
  const int32_t checked = checkDecolor(flags, src, dst);
  if (checked != kOk)
    return checked;
  ProgressMeter none;
  ProgressMeter &meter = progress != nullptr ? *progress : none;
  repaint(repaintHook);
  const uint64_t pixels = static_cast<uint64_t>(src.width) * static_cast<uint64_t>(src.height);
  meter.begin(pixels > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(pixels));
  try {
    switch (flags & kDecolorMethodMask) {
    case kDecolorExpand:
      expand(src, dst, meter);
      break;
    case kDecolorGrid:
      levelGrid(flags, src, dst, meter);
      break;
    case kDecolorMedianCut:
      medianCut(flags, src, dst, meter);
      break;
    default:
      blackWhite(flags, src, dst, meter);
      break;
    }
  } catch (const std::bad_alloc &) {
    return kNoMemory;
  }
  meter.finish();
  return kOk;
}

} // namespace vop
