// Region checks and channel words of the adjustments.
#include "image/core/adjust_region.h"

#include <cstdlib>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "image/core/result.h"

namespace vop {

int32_t normalizeRegion(AdjustRegion &region, int32_t width, int32_t height) {
  if (region.bottom < region.top)
    std::swap(region.bottom, region.top);
  if (region.right < region.left)
    std::swap(region.right, region.left);
  if (region.left < 0 || region.right < 0 || region.top < 0 || region.bottom < 0) {
    return kBadArgument;
  }
  if (region.left > width || region.right > width)
    return kBadArgument;
  if (region.top > height || region.bottom > height)
    return kBadArgument;
  if (region.left == region.right || region.top == region.bottom)
    return kBadArgument;
  return kOk;
}

ChannelWord decodeChannelWord(uint32_t word) {
  const int selector = static_cast<int>(word & 0xF);
  ChannelWord out;
  out.selector = (selector >= 1 && selector <= 3) ? selector : 0;
  out.keepLuminance = out.selector != 0 && (word & 0x100) != 0;
  return out;
}

#if defined(__linux__)

namespace {
constexpr size_t kLargePage = size_t{2} << 20;
} // namespace

// Anonymous memory comes zero-filled. The mapping is trimmed to start on a large-page boundary,
// since the system builds large pages only from aligned spans.
void *allocateColorTable(size_t bytes) {
  const size_t span = bytes + kLargePage;
  void *raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED)
    return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kLargePage - 1) & ~(uintptr_t{kLargePage} - 1);
  const size_t head = aligned - start;
  if (head != 0)
    munmap(raw, head);
  const size_t tail = span - head - bytes;
  if (tail != 0)
    munmap(reinterpret_cast<void *>(aligned + bytes), tail);
  // Advice only: where large pages are switched off the table works on small ones.
  madvise(reinterpret_cast<void *>(aligned), bytes, MADV_HUGEPAGE);
  return reinterpret_cast<void *>(aligned);
}

void releaseColorTable(void *table, size_t bytes) {
  if (table != nullptr)
    munmap(table, bytes);
}

#else

void *allocateColorTable(size_t bytes) { return std::calloc(bytes, 1); }

void releaseColorTable(void *table, size_t) { std::free(table); }

#endif

bool passes(Precheck check, int32_t &result) {
  result = check == Precheck::kNothingToDo ? kOk : kBadArgument;
  return check == Precheck::kApply;
}

bool shouldApply(Precheck check, const Surface &s, AdjustRegion &region, int32_t &result) {
  if (!passes(check, result)) // kApply leaves kBadArgument, the answer to a bad region
    return false;
  if (!isValid(s) || normalizeRegion(region, s.width, s.height) != kOk)
    return false;
  result = kOk;
  return true;
}

} // namespace vop
