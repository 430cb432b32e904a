// Convolution and median filtering over an edge-replicated working copy.
#include "image/core/filter.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "image/core/color_model.h"
#include "image/core/pixel_access.h"
#include "image/core/result.h"
#include "image/core/x86.h"

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
  int32_t threshold = -1; // -1: none
};

// Group i is column x + i - 2 and entry j row y + j - 2 (row 0 at the top). The edge kernels
// are named by the edges they answer: kHorizontalEdges subtracts the row below from the row
// above, so it sees a step between rows; kVerticalEdges does the same across columns.
constexpr Grid kHorizontalEdges = {
    {0, 0, 0, 0, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 1, 0, -1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kVerticalEdges = {
    {0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kSobelHorizontalEdges = {
    {0, 0, 0, 0, 0}, {0, 1, 0, -1, 0}, {0, 2, 0, -2, 0}, {0, 1, 0, -1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kSobelVerticalEdges = {
    {0, 0, 0, 0, 0}, {0, 1, 2, 1, 0}, {0, 0, 0, 0, 0}, {0, -1, -2, -1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kSmooth17 = {
    {0, 0, 0, 0, 0}, {0, 1, 2, 1, 0}, {0, 2, 2, 2, 0}, {0, 1, 2, 1, 0}, {0, 0, 0, 0, 0}};
constexpr Grid kSmooth33 = {
    {0, 1, 0, 1, 0}, {1, 1, 2, 1, 1}, {0, 2, 2, 2, 0}, {1, 1, 2, 1, 1}, {0, 1, 0, 1, 0}};
constexpr Grid kSmooth49 = {
    {1, 0, 1, 0, 1}, {0, 1, 2, 1, 0}, {1, 2, 2, 2, 1}, {0, 1, 2, 1, 0}, {1, 0, 1, 0, 1}};
constexpr Grid kSmooth65 = {
    {1, 1, 1, 1, 1}, {1, 1, 2, 1, 1}, {1, 2, 2, 2, 1}, {1, 1, 2, 1, 1}, {1, 1, 1, 1, 1}};

Kernel makeKernel(const Grid &g, int32_t divisor, int32_t bias = 0) {
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
  for (const auto &l : kLevels) {
    if (flags & l.bit)
      return l.level;
  }
  return -1;
}

bool makePlan(uint32_t flags, const CustomKernel *custom, Plan &plan) {
  const uint32_t code = flags & kFilterCodeMask;
  const uint32_t family = code & 0xF;
  if (family > 1)
    return false;
  plan = Plan{};
  if (family == 0) {
    plan.invert = (flags & kFilterInvert) != 0;
    plan.luminance = (flags & kFilterLuminance) != 0;
    plan.threshold = thresholdOf(flags);
  }
  switch (code) {
  case kFilterHorizontalEdges:
    plan.first = makeKernel(kHorizontalEdges, 1);
    break;
  case kFilterVerticalEdges:
    plan.first = makeKernel(kVerticalEdges, 1);
    break;
  case kFilterAllEdges:
    plan.first = makeKernel(kHorizontalEdges, 1);
    plan.second = makeKernel(kVerticalEdges, 1);
    plan.hasSecond = true;
    break;
  case kFilterSobelHorizontalEdges:
    plan.first = makeKernel(kSobelHorizontalEdges, 1);
    break;
  case kFilterSobelVerticalEdges:
    plan.first = makeKernel(kSobelVerticalEdges, 1);
    break;
  case kFilterSobelAllEdges:
    plan.first = makeKernel(kSobelHorizontalEdges, 1);
    plan.second = makeKernel(kSobelVerticalEdges, 1);
    plan.hasSecond = true;
    break;
  case kFilterMedian:
    plan.median = true;
    break;
  case kFilterSmoothNear:
    plan.first = makeKernel(kSmooth17, 14);
    break;
  case kFilterSmoothKnight:
    plan.first = makeKernel(kSmooth33, 22);
    break;
  case kFilterSmoothStar:
    plan.first = makeKernel(kSmooth49, 22);
    break;
  case kFilterSmoothWide:
    plan.first = makeKernel(kSmooth65, 30);
    break;
  case kFilterCustom: {
    // A divisor of 0 has no meaning; refusing it keeps the image as it was.
    if (custom == nullptr || custom->divisor == 0)
      return false;
    Kernel &k = plan.first;
    for (int i = 0; i < 5; ++i)
      for (int j = 0; j < 5; ++j)
        k.k[i][j] = custom->coefficients[i * 5 + j];
    k.divisor = custom->divisor;
    k.bias = custom->bias;
    if (custom->mirror == 1) {
      plan.second = k;
      for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
          plan.second.k[i][j] = k.k[i][4 - j];
      plan.hasSecond = true;
    }
    break;
  }
  default: {
    const int32_t k = 5 + sharpenExtra(code);
    Kernel &s = plan.first;
    s = Kernel{};
    s.k[1][1] = s.k[1][3] = s.k[3][1] = s.k[3][3] = -1;
    s.k[2][2] = k;
    s.divisor = k - 4;
    break;
  }
  }
  return true;
}

// A kernel reduced to its non-zero coefficients: each reads row `row` of the five rows of the
// neighbourhood (row y + row - 2) at column x + column.
struct Tap {
  int row;
  ptrdiff_t column;
  int32_t coefficient;
};

struct Taps {
  Tap taps[25];
  int count = 0;
  int32_t divisor = 1;
  int32_t bias = 0;
};

Taps tapsOf(const Kernel &k) {
  Taps t;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      if (k.k[i][j] != 0)
        t.taps[t.count++] = {j, i - 2, k.k[i][j]};
  t.divisor = k.divisor;
  t.bias = k.bias;
  return t;
}

// sums[x] = add(sums[x], in[x]) over a row, in blocks of a fixed length that the compiler turns
// into vector code at -O2, then the rest one by one.
template <typename Add>
inline void accumulate(const uint8_t *__restrict in, uint32_t *__restrict sums, int32_t count,
                       Add add) {
  constexpr int32_t kBlock = 16;
  int32_t x = 0;
  for (; x + kBlock <= count; x += kBlock) {
    for (int32_t l = 0; l < kBlock; ++l)
      sums[x + l] = add(sums[x + l], in[x + l]);
  }
  for (; x < count; ++x)
    sums[x] = add(sums[x], in[x]);
}

// The products and their sum wrap in 32 bits: the low 32 bits of a sum of exact products are
// those of the sum of the products taken modulo 2^32, so a whole row is summed in 32-bit
// unsigned lanes.
void sumRow(const uint8_t *const *rows, const Taps &t, int32_t count, uint32_t *sums) {
  for (int32_t x = 0; x < count; ++x)
    sums[x] = 0;
  for (int k = 0; k < t.count; ++k) {
    const uint8_t *in = rows[t.taps[k].row] + t.taps[k].column;
    const int32_t coefficient = t.taps[k].coefficient;
    // Small coefficients take products that fit 16 bits (subtracted for negative ones); both
    // leave the same sum modulo 2^32 as the general product.
    if (coefficient == 1) {
      accumulate(in, sums, count, [](uint32_t s, uint8_t v) { return s + v; });
    } else if (coefficient == -1) {
      accumulate(in, sums, count, [](uint32_t s, uint8_t v) { return s - v; });
    } else if (coefficient > 0 && coefficient <= 257) {
      const auto c = static_cast<uint16_t>(coefficient);
      accumulate(in, sums, count,
                 [c](uint32_t s, uint8_t v) { return s + static_cast<uint16_t>(v * c); });
    } else if (coefficient < 0 && coefficient >= -257) {
      const auto c = static_cast<uint16_t>(-coefficient);
      accumulate(in, sums, count,
                 [c](uint32_t s, uint8_t v) { return s - static_cast<uint16_t>(v * c); });
    } else {
      const auto c = static_cast<uint32_t>(coefficient);
      accumulate(in, sums, count, [c](uint32_t s, uint8_t v) { return s + v * c; });
    }
  }
}

// The sums modulo 2^16, in 16-bit lanes: eight to a vector register where 32-bit lanes hold
// four. The low 16 bits of every product and of their sum are those of the exact ones, and for
// a kernel whose sums span at most 2^16 values they tell the sum apart (see Responses).
[[gnu::always_inline]] inline void
accumulate16(const uint8_t *__restrict in, uint16_t *__restrict sums, int32_t count, uint16_t c) {
  constexpr int32_t kBlock = 16;
  int32_t x = 0;
  for (; x + kBlock <= count; x += kBlock) {
    for (int32_t l = 0; l < kBlock; ++l)
      sums[x + l] = static_cast<uint16_t>(sums[x + l] + static_cast<uint16_t>(in[x + l] * c));
  }
  for (; x < count; ++x)
    sums[x] = static_cast<uint16_t>(sums[x] + static_cast<uint16_t>(in[x] * c));
}

[[gnu::always_inline]] inline void sumRow16(const uint8_t *const *rows, const Taps &t,
                                            int32_t count, uint16_t *sums) {
  for (int32_t x = 0; x < count; ++x)
    sums[x] = 0;
  for (int k = 0; k < t.count; ++k) {
    accumulate16(rows[t.taps[k].row] + t.taps[k].column, sums, count,
                 static_cast<uint16_t>(t.taps[k].coefficient));
  }
}

// The quotient and the bias are taken as if in 64 bits, so that a hostile kernel (the lowest
// sum over -1) cannot trap; other divisors give the same truncated quotient in 32 bits.
int64_t finish(uint32_t sum, const Taps &t) {
  const auto wrapped = static_cast<int32_t>(sum);
  int64_t q;
  if (t.divisor == 1) {
    q = wrapped;
  } else if (t.divisor == -1) {
    q = -static_cast<int64_t>(wrapped);
  } else {
    q = wrapped / t.divisor;
  }
  return q + t.bias;
}

int64_t magnitude(int64_t v) { return v < 0 ? -v : v; }

// The clamped response min(|trunc(n / divisor) + bias|, 255) of every sum n a kernel can give,
// when there are few enough of them. Over bytes 0 to 255 a sum lies between 255 times the sum of
// the negative coefficients and 255 times the sum of the positive ones; while both bounds lie
// within 32 bits no sum wraps, and while they are at most 2^16 apart the sum modulo 2^16 less
// the lowest sum (modulo 2^16 too) is the sum's index in the table. Each entry is the
// division itself, so the table gives the same results without a division per pixel. Holding
// each of two magnitudes at 255 before adding them changes nothing: their sum reaches 255
// exactly when the sum of the unheld ones does.
//
// Two common shapes of table are also arithmetic that runs in vector lanes: a divisor of 1 and
// no bias over sums within 16 signed bits (the table is min(|n|, 255)), and a positive divisor
// and no bias over sums within 16 unsigned bits (min(n / divisor, 255), the quotient taken as a
// multiply by a reciprocal and a shift). Each is checked against every entry of the table
// before it is used, so it stands in for the table only where it gives the very same bytes.
enum class Shortcut { kNone, kMagnitude, kQuotient };

struct Responses {
  std::vector<uint8_t> table; // empty: the kernel's sums are too many, divide per pixel
  int64_t low = 0;
  Shortcut shortcut = Shortcut::kNone;
  uint32_t reciprocal = 0; // kQuotient: n / divisor = (n * reciprocal) >> shift
  int shift = 0;
};

[[gnu::always_inline]] inline uint8_t magnitudeOf(uint16_t sum) {
  const auto v = static_cast<int16_t>(sum);
  const int32_t m = v < 0 ? -v : v;
  return static_cast<uint8_t>(m > 255 ? 255 : m);
}

[[gnu::always_inline]] inline uint8_t quotientOf(uint16_t sum, uint32_t reciprocal, int shift) {
  const uint32_t q = (static_cast<uint32_t>(sum) * reciprocal) >> shift;
  return static_cast<uint8_t>(q > 255 ? 255 : q);
}

// At most 2^16 entries: then the sum modulo 2^16, less the lowest sum, is the entry's index.
constexpr int64_t kMaxResponses = int64_t{1} << 16;

void buildResponses(const Taps &t, Responses &out) {
  int64_t low = 0, high = 0;
  for (int k = 0; k < t.count; ++k) {
    const int64_t reach = 255 * static_cast<int64_t>(t.taps[k].coefficient);
    (reach < 0 ? low : high) += reach;
  }
  if (high - low + 1 > kMaxResponses)
    return; // also every kernel whose sums could wrap
  out.table.resize(static_cast<size_t>(high - low + 1));
  out.low = low;
  for (int64_t n = low; n <= high; ++n) {
    const int64_t v = magnitude(finish(static_cast<uint32_t>(n), t));
    out.table[static_cast<size_t>(n - low)] = static_cast<uint8_t>(v > 255 ? 255 : v);
  }
  auto agrees = [&](auto formula) {
    for (int64_t n = low; n <= high; ++n) {
      if (formula(static_cast<uint16_t>(n)) != out.table[static_cast<size_t>(n - low)])
        return false;
    }
    return true;
  };
  if (t.bias != 0)
    return;
  if (t.divisor == 1 && low >= INT16_MIN && high <= INT16_MAX) {
    if (agrees([](uint16_t n) { return magnitudeOf(n); }))
      out.shortcut = Shortcut::kMagnitude;
  } else if (t.divisor >= 2 && low >= 0 && high <= UINT16_MAX) {
    // The least shift whose rounded-up reciprocal still fits 17 bits and divides exactly.
    for (int shift = 16; shift <= 32; ++shift) {
      const uint64_t reciprocal = ((uint64_t{1} << shift) + static_cast<uint64_t>(t.divisor) - 1) /
                                  static_cast<uint64_t>(t.divisor);
      if (reciprocal >= (uint64_t{1} << 16) * 2)
        break;
      const auto r = static_cast<uint32_t>(reciprocal);
      if (agrees([&](uint16_t n) { return quotientOf(n, r, shift); })) {
        out.shortcut = Shortcut::kQuotient;
        out.reciprocal = r;
        out.shift = shift;
        break;
      }
    }
  }
}

// Responses of a block-structured row: fixed-length inner loops the compiler turns into vector
// code, then the rest.
template <typename Formula>
[[gnu::always_inline]] inline void respondBlocks(const uint16_t *__restrict sums,
                                                 uint8_t *__restrict out, int32_t count,
                                                 Formula formula) {
  constexpr int32_t kBlock = 16;
  int32_t x = 0;
  for (; x + kBlock <= count; x += kBlock) {
    for (int32_t l = 0; l < kBlock; ++l)
      out[x + l] = formula(sums[x + l]);
  }
  for (; x < count; ++x)
    out[x] = formula(sums[x]);
}

// The tabled response of one plane's row into out, in 16-bit lanes; rows are the plane's five
// rows around it.
[[gnu::always_inline]] inline void respondRowTabled(const uint8_t *const *rows, const Taps &first,
                                                    const Responses &firstTable, const Taps *second,
                                                    const Responses &secondTable, int32_t count,
                                                    uint16_t *short1, uint16_t *short2,
                                                    uint8_t *out) {
  sumRow16(rows, first, count, short1);
  if (second != nullptr)
    sumRow16(rows, *second, count, short2);
  const uint8_t *one = firstTable.table.data();
  const auto low1 = static_cast<uint16_t>(firstTable.low);
  if (second == nullptr && firstTable.shortcut == Shortcut::kMagnitude) {
    respondBlocks(short1, out, count, [](uint16_t n) { return magnitudeOf(n); });
  } else if (second == nullptr && firstTable.shortcut == Shortcut::kQuotient) {
    const uint32_t r = firstTable.reciprocal;
    const int shift = firstTable.shift;
    respondBlocks(short1, out, count, [r, shift](uint16_t n) { return quotientOf(n, r, shift); });
  } else if (second == nullptr) {
    for (int32_t x = 0; x < count; ++x)
      out[x] = one[static_cast<uint16_t>(short1[x] - low1)];
  } else {
    const uint8_t *two = secondTable.table.data();
    const auto low2 = static_cast<uint16_t>(secondTable.low);
    for (int32_t x = 0; x < count; ++x) {
      const int32_t v = one[static_cast<uint16_t>(short1[x] - low1)] +
                        two[static_cast<uint16_t>(short2[x] - low2)];
      out[x] = static_cast<uint8_t>(v > 255 ? 255 : v);
    }
  }
}

std::atomic<bool> g_wideLanesAllowed{true};

#if VOP_X86
// The same code with 16 lanes to a register where the processor has them.
__attribute__((target("avx2"))) void
respondRowTabledWide(const uint8_t *const *rows, const Taps &first, const Responses &firstTable,
                     const Taps *second, const Responses &secondTable, int32_t count,
                     uint16_t *short1, uint16_t *short2, uint8_t *out) {
  respondRowTabled(rows, first, firstTable, second, secondTable, count, short1, short2, out);
}

bool hasWideLanes() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has && g_wideLanesAllowed.load(std::memory_order_relaxed);
}
#endif

// The response of one plane's row into out; rows are the plane's five rows around it.
void respondRow(const uint8_t *const *rows, const Taps &first, const Responses &firstTable,
                const Taps *second, const Responses &secondTable, int32_t count, uint32_t *sums1,
                uint32_t *sums2, uint16_t *short1, uint16_t *short2, uint8_t *out) {
  const bool tabled =
      !firstTable.table.empty() && (second == nullptr || !secondTable.table.empty());
  if (tabled) {
#if VOP_X86
    if (hasWideLanes()) {
      respondRowTabledWide(rows, first, firstTable, second, secondTable, count, short1, short2,
                           out);
      return;
    }
#endif
    respondRowTabled(rows, first, firstTable, second, secondTable, count, short1, short2, out);
    return;
  }
  sumRow(rows, first, count, sums1);
  if (second != nullptr)
    sumRow(rows, *second, count, sums2);
  for (int32_t x = 0; x < count; ++x) {
    int64_t v = magnitude(finish(sums1[x], first));
    if (second != nullptr)
      v += magnitude(finish(sums2[x], *second));
    out[x] = static_cast<uint8_t>(v > 255 ? 255 : v);
  }
}

inline void order(uint8_t &a, uint8_t &b) {
  const uint8_t lo = a < b ? a : b;
  b = a < b ? b : a;
  a = lo;
}

// The middle of nine values by a 19-step exchange network.
inline uint8_t median9(uint8_t p0, uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5,
                       uint8_t p6, uint8_t p7, uint8_t p8) {
  order(p1, p2);
  order(p4, p5);
  order(p7, p8);
  order(p0, p1);
  order(p3, p4);
  order(p6, p7);
  order(p1, p2);
  order(p4, p5);
  order(p7, p8);
  order(p0, p3);
  order(p5, p8);
  order(p4, p7);
  order(p3, p6);
  order(p1, p4);
  order(p2, p5);
  order(p4, p7);
  order(p4, p2);
  order(p6, p4);
  order(p4, p2);
  return p4;
}

// The 3x3 median of one plane's row into out; rows are the plane's three rows around it.
void medianRow(const uint8_t *const *rows, int32_t count, uint8_t *out) {
  const uint8_t *up = rows[0];
  const uint8_t *centre = rows[1];
  const uint8_t *down = rows[2];
  for (int32_t x = 0; x < count; ++x) {
    out[x] = median9(up[x - 1], up[x], up[x + 1], centre[x - 1], centre[x], centre[x + 1],
                     down[x - 1], down[x], down[x + 1]);
  }
}

// Blue, green and red bytes of count pixels of step bytes each (a fourth byte is left alone).
template <int32_t kStep>
void interleaveRowOf(uint8_t *__restrict out, const uint8_t *__restrict red,
                     const uint8_t *__restrict green, const uint8_t *__restrict blue,
                     int32_t count) {
  for (int32_t i = 0; i < count; ++i, out += kStep) {
    out[0] = blue[i];
    out[1] = green[i];
    out[2] = red[i];
  }
}

void interleaveRow(uint8_t *__restrict out, int32_t step, const uint8_t *__restrict red,
                   const uint8_t *__restrict green, const uint8_t *__restrict blue, int32_t count) {
  // A fixed step lets the compiler keep the stores in order without a multiply per pixel.
  if (step == 3)
    interleaveRowOf<3>(out, red, green, blue, count);
  else
    interleaveRowOf<4>(out, red, green, blue, count);
}

} // namespace

bool isFilterCode(uint32_t flags, const CustomKernel *custom) {
  Plan plan;
  return makePlan(flags, custom, plan);
}

int32_t throughFilter(Surface &s, uint32_t flags, AdjustRegion &region, const CustomKernel *custom,
                      ProgressMeter *progress) {
  if (!isValid(s))
    return kBadArgument;
  if (isPalettised(s))
    return kWrongDepth;
  if (normalizeRegion(region, s.width, s.height) != kOk)
    return kBadArgument;
  Plan plan;
  if (!makePlan(flags, custom, plan))
    return kBadArgument;

  const AdjustRegion r = region;
  const int32_t radius = plan.median ? 1 : 2;
  const int32_t window = 2 * radius + 1;
  const int64_t columns = static_cast<int64_t>(r.right - r.left) + 2 * radius;
  const int64_t rows = static_cast<int64_t>(r.bottom - r.top) + 2 * radius;
  const int planes = plan.luminance ? 1 : 3;

  // The working copy holds only the rows a result row reads, in a ring: row cy of the copy
  // (image row top - radius + cy, held at the edge) sits in slot cy mod window. A source row
  // enters the ring before the result row above it is written, and every row it replaces lies
  // above the rows still to be computed, so the filter reads exactly the picture as it was.
  const int32_t count = r.right - r.left;
  const uint64_t ringBytes = static_cast<uint64_t>(columns) * static_cast<uint64_t>(window) *
                             static_cast<uint64_t>(planes);
  if (ringBytes > SIZE_MAX / 2)
    return kNoMemory; // not even addressable on a 32-bit build
  const auto lanes = static_cast<size_t>(count);
  const auto stride = static_cast<size_t>(columns);
  std::vector<uint8_t> ring, reds, greens, blues;
  std::vector<uint32_t> sums1, sums2;
  std::vector<uint16_t> short1, short2;
  std::vector<int64_t> sourceColumn;
  try {
    short1.resize(lanes);
    short2.resize(lanes);
    ring.resize(stride * static_cast<size_t>(window) * static_cast<size_t>(planes));
    reds.resize(lanes);
    greens.resize(lanes);
    blues.resize(lanes);
    sums1.resize(lanes);
    sums2.resize(lanes);
    sourceColumn.resize(stride);
  } catch (const std::bad_alloc &) {
    return kNoMemory;
  }
  const CheckedSurface px(s);
  const LuminanceProducts &lum = luminanceProducts();
  for (int64_t cx = 0; cx < columns; ++cx) {
    sourceColumn[static_cast<size_t>(cx)] =
        std::clamp<int64_t>(r.left - radius + cx, 0, s.width - 1);
  }
  auto rowOf = [&](int64_t cy, int plane) {
    return ring.data() + (static_cast<size_t>(cy % window) * static_cast<size_t>(planes) +
                          static_cast<size_t>(plane)) *
                             stride;
  };
  auto fill = [&](int64_t cy) {
    const int64_t sy = std::clamp<int64_t>(r.top - radius + cy, 0, s.height - 1);
    const uint8_t *row = px.row(sy);
    uint8_t *red = rowOf(cy, 0);
    uint8_t *green = plan.luminance ? nullptr : rowOf(cy, 1);
    uint8_t *blue = plan.luminance ? nullptr : rowOf(cy, 2);
    const int64_t step = px.bytesPerPixel();
    if (px.direct() && !plan.luminance) {
      // The common case without a test per pixel: the planes straight from the row's bytes.
      for (int64_t cx = 0; cx < columns; ++cx) {
        const uint8_t *p = row + step * sourceColumn[static_cast<size_t>(cx)];
        const auto at = static_cast<size_t>(cx);
        red[at] = p[2];
        green[at] = p[1];
        blue[at] = p[0];
      }
      return;
    }
    for (int64_t cx = 0; cx < columns; ++cx) {
      const int64_t sx = sourceColumn[static_cast<size_t>(cx)];
      const auto at = static_cast<size_t>(cx);
      const uint8_t *p = px.direct() ? row + step * sx : nullptr;
      const uint32_t c = p != nullptr ? packColor(p[2], p[1], p[0]) : readColor(s, sx, sy);
      if (plan.luminance) {
        red[at] = static_cast<uint8_t>(luminanceOf(lum, c));
      } else {
        red[at] = redOf(c);
        green[at] = greenOf(c);
        blue[at] = blueOf(c);
      }
    }
  };
  for (int64_t cy = 0; cy < window; ++cy)
    fill(cy);

  const Taps first = tapsOf(plan.first);
  const Taps second = tapsOf(plan.second);
  const Taps *secondPtr = plan.hasSecond ? &second : nullptr;
  Responses firstTable, secondTable;
  if (!plan.median) {
    try {
      buildResponses(first, firstTable);
      if (plan.hasSecond)
        buildResponses(second, secondTable);
    } catch (const std::bad_alloc &) {
      return kNoMemory;
    }
  }

  ProgressMeter none;
  ProgressMeter &meter = progress != nullptr ? *progress : none;
  meter.begin(static_cast<uint32_t>(r.right - r.left) * static_cast<uint32_t>(r.bottom - r.top));
  for (int32_t y = r.top; y < r.bottom; ++y) {
    const int64_t cy = static_cast<int64_t>(y - r.top) + radius;
    // Each plane's rows around row y, from its column left.
    const uint8_t *around[3][5];
    for (int p = 0; p < planes; ++p)
      for (int j = 0; j < window; ++j)
        around[p][j] = rowOf(cy - radius + j, p) + radius;
    if (plan.median) {
      medianRow(around[0], count, reds.data());
      medianRow(around[1], count, greens.data());
      medianRow(around[2], count, blues.data());
    } else if (plan.luminance) {
      respondRow(around[0], first, firstTable, secondPtr, secondTable, count, sums1.data(),
                 sums2.data(), short1.data(), short2.data(), reds.data());
    } else {
      respondRow(around[0], first, firstTable, secondPtr, secondTable, count, sums1.data(),
                 sums2.data(), short1.data(), short2.data(), reds.data());
      respondRow(around[1], first, firstTable, secondPtr, secondTable, count, sums1.data(),
                 sums2.data(), short1.data(), short2.data(), greens.data());
      respondRow(around[2], first, firstTable, secondPtr, secondTable, count, sums1.data(),
                 sums2.data(), short1.data(), short2.data(), blues.data());
    }
    const uint8_t *greenRow = plan.luminance ? reds.data() : greens.data();
    const uint8_t *blueRow = plan.luminance ? reds.data() : blues.data();
    uint8_t *out = px.direct() ? px.row(y) : nullptr;
    if (out != nullptr && plan.threshold < 0 && !plan.invert) {
      // The plain result: the planes interleaved into the row's pixels.
      interleaveRow(out + static_cast<ptrdiff_t>(px.bytesPerPixel()) * r.left, px.bytesPerPixel(),
                    reds.data(), greenRow, blueRow, count);
      if (cy + radius + 1 < rows)
        fill(cy + radius + 1);
      meter.advance(static_cast<uint32_t>(count));
      continue;
    }
    for (int32_t i = 0; i < count; ++i) {
      uint8_t red = reds[static_cast<size_t>(i)], green = greenRow[i], blue = blueRow[i];
      if (plan.threshold >= 0) {
        const uint8_t v = luminanceCode(red, green, blue) <= plan.threshold ? 0 : 255;
        red = green = blue = v;
      }
      if (plan.invert) {
        red = static_cast<uint8_t>(255 - red);
        green = static_cast<uint8_t>(255 - green);
        blue = static_cast<uint8_t>(255 - blue);
      }
      if (out != nullptr) {
        px.put(out, r.left + i, packColor(red, green, blue));
      } else {
        writePixel24(s, r.left + i, y, red, green, blue);
      }
    }
    // Row y is written: the next result row's bottom row may now enter the ring.
    if (cy + radius + 1 < rows)
      fill(cy + radius + 1);
    meter.advance(static_cast<uint32_t>(count));
  }
  meter.finish();
  return kOk;
}

void allowWideFilterLanes(bool allow) { g_wideLanesAllowed.store(allow); }

} // namespace vop
