// Slot table of two-dimensional bit arrays, and shifts of 8- to 64-bit values.
#include "util/core/bitarray.h"

#include <cstddef>

namespace kel {

const uint32_t *BitArrays::words(int32_t slot) const {
  return inUse(slot) ? m_arrays[slot].bits.get() : nullptr;
}

void BitArrays::release(int32_t slot) {
  m_arrays[slot] = Array{};
  m_used &= ~(1u << slot);
}

int32_t BitArrays::operate(int32_t operation, int32_t x, int32_t y, int32_t *slot) {
  if (slot == nullptr)
    return -1;
  switch (operation) {
  case kCreate: {
    if (x < 0 || y < 0)
      return -1;
    int32_t free = 0;
    while (free < kSlots && inUse(free))
      ++free;
    if (free == kSlots) {
      *slot = kSlots;
      return -1;
    }
    const uint64_t bits = static_cast<uint64_t>(x) * static_cast<uint64_t>(y);
    const uint64_t count = (bits + 31) / 32;
    if (count > INT32_MAX || count > SIZE_MAX / sizeof(uint32_t))
      return -1;
    Array array;
    array.width = x;
    array.height = y;
    if (count > 0) {
      array.bits.reset(
          static_cast<uint32_t *>(std::calloc(static_cast<size_t>(count), sizeof(uint32_t))));
      if (!array.bits)
        return -1;
    }
    m_arrays[free] = std::move(array);
    m_used |= 1u << free;
    *slot = free;
    return static_cast<int32_t>(count);
  }
  case kSet:
  case kClear:
  case kTest: {
    const int32_t s = *slot;
    if (!inUse(s))
      return -1;
    const Array &array = m_arrays[s];
    if (x < 0 || x >= array.width || y < 0 || y >= array.height)
      return -1;
    const uint64_t n =
        static_cast<uint64_t>(x) + static_cast<uint64_t>(y) * static_cast<uint64_t>(array.width);
    uint32_t &word = array.bits[static_cast<size_t>(n / 32)];
    const uint32_t mask = 0x80000000u >> (n % 32);
    if (operation == kSet) {
      word |= mask;
      return 1;
    }
    if (operation == kClear) {
      word &= ~mask;
      return 0;
    }
    return (word & mask) != 0 ? 1 : 0;
  }
  case kDelete: {
    const int32_t s = *slot;
    if (s < 0)
      return -1;
    if (s >= kSlots) {
      for (int32_t i = 0; i < kSlots; ++i)
        if (inUse(i))
          release(i);
      return 0;
    }
    if (!inUse(s))
      return -1;
    release(s);
    return 0;
  }
  default:
    return -1;
  }
}

uint32_t shiftByteL(uint32_t value, int32_t count) { return (value << (count & 7)) & 0xFFu; }
uint32_t shiftByteR(uint32_t value, int32_t count) { return (value & 0xFFu) >> (count & 7); }
uint32_t shiftInt16L(uint32_t value, int32_t count) { return (value << (count & 15)) & 0xFFFFu; }
uint32_t shiftInt16R(uint32_t value, int32_t count) { return (value & 0xFFFFu) >> (count & 15); }
uint32_t shiftInt32L(uint32_t value, int32_t count) { return value << (count & 31); }
uint32_t shiftInt32R(uint32_t value, int32_t count) { return value >> (count & 31); }
uint64_t shiftInt64L(uint64_t value, int32_t count) { return value << (count & 63); }
uint64_t shiftInt64R(uint64_t value, int32_t count) { return value >> (count & 63); }

} // namespace kel
