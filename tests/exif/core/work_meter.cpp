// The program's operator new for work_meter.h: every block carries its size in front, so that a
// delete without one can subtract it from the running total.
#include "tests/exif/core/work_meter.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {
constexpr size_t kHeader = 16;
size_t g_current = 0;
size_t g_peak = 0;

void *allocate(size_t size) {
  void *p = std::malloc(size + kHeader);
  if (p == nullptr)
    return nullptr;
  *static_cast<size_t *>(p) = size;
  g_current += size;
  g_peak = std::max(g_peak, g_current);
  return static_cast<char *>(p) + kHeader;
}

void release(void *p) {
  if (p == nullptr)
    return;
  char *block = static_cast<char *>(p) - kHeader;
  g_current -= *reinterpret_cast<size_t *>(block);
  std::free(block);
}
} // namespace

namespace daxtest {
PeakScope::PeakScope() : m_base(g_current) { g_peak = g_current; }
size_t PeakScope::peak() const { return g_peak - m_base; }
} // namespace daxtest

void *operator new(size_t size) {
  if (void *p = allocate(size))
    return p;
  throw std::bad_alloc();
}
void *operator new[](size_t size) { return operator new(size); }
void *operator new(size_t size, const std::nothrow_t &) noexcept { return allocate(size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return allocate(size); }
void operator delete(void *p) noexcept { release(p); }
void operator delete[](void *p) noexcept { release(p); }
void operator delete(void *p, size_t) noexcept { release(p); }
void operator delete[](void *p, size_t) noexcept { release(p); }
