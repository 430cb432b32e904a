// The replaceable operator new of alloc_failure.h. Every form of new goes through one counter,
// so a call fails at whichever allocation a test chooses.
#include "tests/support/alloc_failure.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> failAt{-1};
std::atomic<long> made{0};

void *allocate(std::size_t size) noexcept {
  const long number = made.fetch_add(1);
  const long limit = failAt.load();
  if (limit >= 0 && number >= limit)
    return nullptr;
  return std::malloc(size ? size : 1);
}
} // namespace

namespace allocfail {
void failFrom(long n) {
  made = 0;
  failAt = n < 0 ? 0 : n;
}
void stop() {
  failAt = -1;
  made = 0;
}
long count() { return made.load(); }
} // namespace allocfail

void *operator new(std::size_t size) {
  if (void *p = allocate(size))
    return p;
  throw std::bad_alloc();
}
void *operator new[](std::size_t size) { return operator new(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return allocate(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return allocate(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }
