// Convolution and median filtering over an edge-replicated working copy.
#include "image/core/filter.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "image/core/color_model.h"
#include "image/core/pixel_access.h"
#include "image/core/result.h"

namespace vop {
namespace {

using Grid = int32_t[5][5];

struct Kernel {
  Grid k;
  int32_t divisor;
  int32_t bias;
};

struct Plan {
  bool median = false;
  Kernel first{};
  bool hasSecond = false;
  Kernel second{};
  bool luminance = false;
  bool invert = false;
  int32_t threshold = -1;  // -1: none
};

constexpr Grid kVertical = {
    {0, 0, 0, 0, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kHorizontal = {
    {0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kSobelVertical = {
    {0, 0, 0, 0, 0}, {0, 1, 0, -1, 0}, {0, 2, 0, -2, 0}, {0, 1, 0, -1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kSobelHorizontal = {
    {0, 0, 0, 0, 0}, {0, 1, 2, 1, 0}, {0, 0, 0, 0, 0}, {0, -1, -2, -1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kSmooth17 = {
    {0, 0, 0, 0, 0}, {0, 1, 2, 1, 0}, {0, 2, 2, 2, 0}, {0, 1, 2, 1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kSmooth33 = {
    {0, 1, 0, 1, 0}, {1, 1, 2, 1, 1}, {0, 2, 2, 2, 0}, {1, 1, 2, 1, 1}, {0, 1, 0, 1, 0}};
constexpr Grid kSmooth49 = {
    {1, 0, 1, 0, 1}, {0, 1, 2, 1, 0}, {1, 2, 2, 2, 1}, {0, 1, 2, 1, 0}, {1, 0, 1, 0, 1}};
constexpr Grid kSmooth65 = {
    {1, 1, 1, 1, 1}, {1, 1, 2, 1, 1}, {1, 2, 2, 2, 1}, {1, 1, 2, 1, 1}, {1, 1, 1, 1, 1}};

Kernel makeKernel(const Grid& g, int32_t divisor, int32_t bias = 0) {
  Kernel k{};
  std::memcpy(k.k, g, sizeof(Grid));
  k.divisor = divisor;
  k.bias = bias;
  return k;
}

// Extra strength of the sharpening codes; every other code sharpens with 0.
int32_t sharpenExtra(uint32_t code) {
  switch (code) {
    case 112:
      return 1;
    case 128:
      return 2;
    case 144:
      return 3;
    case 160:
      return 6;
    case 176:
      return 10;
    case 192:
      return 14;
    case 208:
      return 18;
    default:
      return 0;
  }
}

int32_t thresholdOf(uint32_t flags) {
  static constexpr struct {
    uint32_t bit;
    int32_t level;
  } kLevels[] = {{0x4000, 32},   {0x8000, 64},   {0x10000, 128},
                 {0x20000, 160}, {0x40000, 192}, {0x80000, 224}};
  for (const auto& l : kLevels) {
    if (flags & l.bit) return l.level;
  }
  return -1;
}

bool makePlan(uint32_t flags, const CustomKernel* custom, Plan& plan) {
  const uint32_t code = flags & kFilterCodeMask;
  const uint32_t family = code & 0xF;
  if (family > 1) return false;
  plan = Plan{};
  if (family == 0) {
    plan.invert = (flags & kFilterInvert) != 0;
    plan.luminance = (flags & kFilterLuminance) != 0;
    plan.threshold = thresholdOf(flags);
  }
  switch (code) {
    case 0:
      plan.first = makeKernel(kVertical, 1);
      break;
    case 16:
      plan.first = makeKernel(kHorizontal, 1);
      break;
    case 32:
      plan.first = makeKernel(kVertical, 1);
      plan.second = makeKernel(kHorizontal, 1);
      plan.hasSecond = true;
      break;
    case 48:
      plan.first = makeKernel(kSobelVertical, 1);
      break;
    case 64:
      plan.first = makeKernel(kSobelHorizontal, 1);
      break;
    case 80:
      plan.first = makeKernel(kSobelVertical, 1);
      plan.second = makeKernel(kSobelHorizontal, 1);
      plan.hasSecond = true;
      break;
    case kFilterMedian:
      plan.median = true;
      break;
    case 17:
      plan.first = makeKernel(kSmooth17, 14);
      break;
    case 33:
      plan.first = makeKernel(kSmooth33, 22);
      break;
    case 49:
      plan.first = makeKernel(kSmooth49, 22);
      break;
    case 65:
      plan.first = makeKernel(kSmooth65, 30);
      break;
    case kFilterCustom: {
      // A divisor of 0 has no meaning; refusing it keeps the image as it was.
      if (custom == nullptr || custom->divisor == 0) return false;
      Kernel& k = plan.first;
      for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) k.k[i][j] = custom->coefficients[i * 5 + j];
      k.divisor = custom->divisor;
      k.bias = custom->bias;
      if (custom->mirror == 1) {
        plan.second = k;
        for (int i = 0; i < 5; ++i)
          for (int j = 0; j < 5; ++j) plan.second.k[i][j] = k.k[i][4 - j];
        plan.hasSecond = true;
      }
      break;
    }
    default: {
      const int32_t k = 5 + sharpenExtra(code);
      Kernel& s = plan.first;
      s = Kernel{};
      s.k[1][1] = s.k[1][3] = s.k[3][1] = s.k[3][3] = -1;
      s.k[2][2] = k;
      s.divisor = k - 4;
      break;
    }
  }
  return true;
}

// A kernel reduced to its non-zero coefficients, as offsets into a column-major plane.
struct Tap {
  ptrdiff_t offset;
  int32_t coefficient;
};

struct Taps {
  std::vector<Tap> taps;
  int32_t divisor = 1;
  int32_t bias = 0;
};

Taps tapsOf(const Kernel& k, ptrdiff_t columnStride) {
  Taps t;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      if (k.k[i][j] != 0) t.taps.push_back({(i - 2) * columnStride + (j - 2), k.k[i][j]});
  t.divisor = k.divisor;
  t.bias = k.bias;
  return t;
}

// The products and their sum wrap in 32 bits; the sum of exact 64-bit products has the same
// 32 low bits. The quotient and the bias are taken in 64 bits, so that a hostile kernel (the
// lowest sum over -1) cannot trap.
int64_t convolve(const uint8_t* centre, const Taps& t) {
  int64_t sum = 0;
  for (const Tap& tap : t.taps) sum += static_cast<int64_t>(centre[tap.offset]) * tap.coefficient;
  const auto wrapped = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(sum)));
  return static_cast<int64_t>(wrapped) / t.divisor + t.bias;
}

int64_t magnitude(int64_t v) { return v < 0 ? -v : v; }

uint8_t respond(const uint8_t* centre, const Taps& first, const Taps* second) {
  int64_t v = magnitude(convolve(centre, first));
  if (second != nullptr) v += magnitude(convolve(centre, *second));
  return static_cast<uint8_t>(v > 255 ? 255 : v);
}

uint8_t median9(const uint8_t* centre, ptrdiff_t columnStride) {
  uint8_t v[9];
  int n = 0;
  for (int i = -1; i <= 1; ++i)
    for (int j = -1; j <= 1; ++j) v[n++] = centre[i * columnStride + j];
  std::nth_element(v, v + 4, v + 9);
  return v[4];
}

}  // namespace

bool isFilterCode(uint32_t flags, const CustomKernel* custom) {
  Plan plan;
  return makePlan(flags, custom, plan);
}

int32_t throughFilter(Surface& s, uint32_t flags, AdjustRegion& region, const CustomKernel* custom,
                      ProgressMeter* progress) {
  if (!isValid(s)) return kBadArgument;
  if (isPalettised(s)) return kWrongDepth;
  if (normalizeRegion(region, s.width, s.height) != kOk) return kBadArgument;
  Plan plan;
  if (!makePlan(flags, custom, plan)) return kBadArgument;

  const AdjustRegion r = region;
  const int32_t radius = plan.median ? 1 : 2;
  const int64_t columns = static_cast<int64_t>(r.right - r.left) + 2 * radius;
  const int64_t rows = static_cast<int64_t>(r.bottom - r.top) + 2 * radius;
  const int planes = plan.luminance ? 1 : 3;
  const uint64_t cells = static_cast<uint64_t>(columns) * static_cast<uint64_t>(rows);
  if (cells > SIZE_MAX / static_cast<uint64_t>(planes)) return kNoMemory;

  // Column-major planes: the pixel order below walks down each column.
  std::vector<uint8_t> copy;
  try {
    copy.resize(static_cast<size_t>(cells) * static_cast<size_t>(planes));
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  const auto plane = static_cast<size_t>(cells);
  for (int64_t cx = 0; cx < columns; ++cx) {
    const int64_t sx = std::clamp<int64_t>(r.left - radius + cx, 0, s.width - 1);
    for (int64_t cy = 0; cy < rows; ++cy) {
      const int64_t sy = std::clamp<int64_t>(r.top - radius + cy, 0, s.height - 1);
      const uint32_t c = readColor(s, sx, sy);
      const auto at = static_cast<size_t>(cx * rows + cy);
      if (plan.luminance) {
        copy[at] = static_cast<uint8_t>(luminanceCode(redOf(c), greenOf(c), blueOf(c)));
      } else {
        copy[at] = redOf(c);
        copy[plane + at] = greenOf(c);
        copy[2 * plane + at] = blueOf(c);
      }
    }
  }

  const auto stride = static_cast<ptrdiff_t>(rows);
  const Taps first = tapsOf(plan.first, stride);
  const Taps second = tapsOf(plan.second, stride);
  const Taps* secondPtr = plan.hasSecond ? &second : nullptr;

  ProgressMeter none;
  ProgressMeter& meter = progress != nullptr ? *progress : none;
  meter.begin(static_cast<uint32_t>(r.right - r.left) * static_cast<uint32_t>(r.bottom - r.top));
  for (int32_t x = r.left; x < r.right; ++x) {
    const int64_t cx = static_cast<int64_t>(x - r.left) + radius;
    for (int32_t y = r.top; y < r.bottom; ++y) {
      const int64_t cy = static_cast<int64_t>(y - r.top) + radius;
      const uint8_t* centre = copy.data() + cx * rows + cy;
      uint8_t red, green, blue;
      if (plan.median) {
        red = median9(centre, stride);
        green = median9(centre + plane, stride);
        blue = median9(centre + 2 * plane, stride);
      } else if (plan.luminance) {
        red = green = blue = respond(centre, first, secondPtr);
      } else {
        red = respond(centre, first, secondPtr);
        green = respond(centre + plane, first, secondPtr);
        blue = respond(centre + 2 * plane, first, secondPtr);
      }
      if (plan.threshold >= 0) {
        const uint8_t v = luminanceCode(red, green, blue) <= plan.threshold ? 0 : 255;
        red = green = blue = v;
      }
      if (plan.invert) {
        red = static_cast<uint8_t>(255 - red);
        green = static_cast<uint8_t>(255 - green);
        blue = static_cast<uint8_t>(255 - blue);
      }
      writePixel24(s, x, y, red, green, blue);
      meter.tick();
    }
  }
  meter.finish();
  return kOk;
}

}  // namespace vop
