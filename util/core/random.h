// Seedable pseudo-random generator and the memory copy, fill and global-block copy routines.
#pragma once
#include <cstdint>

#include "util/core/globalmem.h"

namespace kel {

// The generator behind kelSetSeed, kelRand0i and kelRand0d; the library owns one instance.
// Each draw replaces the state by state * 0x5D588B65 + 1 (mod 2^32) and returns the new state.
class Random {
public:
  uint32_t setSeed(uint32_t seed) {
    m_state = seed;
    return seed;
  }
  uint32_t nextInt() {
    m_state = m_state * 0x5D588B65u + 1u;
    return m_state;
  }
  // The next state scaled to [0, 1).
  double nextDouble() { return nextInt() / 4294967296.0; }
  uint32_t state() const { return m_state; }

private:
  uint32_t m_state = 0;
};

// Copies length bytes, correct for overlapping areas; returns length, or 0 (copying nothing)
// when length is not 0 and either address is null.
uint32_t copyMemory(void *destination, const void *source, uint32_t length);

// Sets length bytes to the low 8 bits of value; nothing for a null destination.
void fillMemory(void *destination, int32_t value, uint32_t length);

// Copies up to length bytes from the start of a global block into destination, never more
// than the block holds. Nothing when an argument is null, length is 0 or the block cannot be
// locked.
void globalCopy(void *destination, void *block, uint32_t length, const GlobalMemory &memory);

} // namespace kel
