// Reads every byte a target produced, so that the address sanitizer checks the whole of it
// and the compiler cannot drop the reads.
#pragma once

#include <cstdint>

namespace fuzzing {

inline volatile uint8_t sink;

inline void touch(const uint8_t *p, uint64_t n) {
  uint8_t x = 0;
  for (uint64_t i = 0; i < n; ++i)
    x ^= p[i];
  sink = x;
}

} // namespace fuzzing
