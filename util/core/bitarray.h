// Slot table of two-dimensional bit arrays, and shifts of 8- to 64-bit values.
#pragma once
#include <cstdint>

#include "util/core/calloc_block.h"

namespace kel {

// The 32 bit-array slots behind kelBitArray; the library owns one instance.
// Bit (x, y) is bit n = x + y * width, stored in word n / 32 at bit 31 - n % 32.
class BitArrays {
public:
  enum Operation : int32_t { kCreate = 1, kSet = 2, kClear = 3, kTest = 4, kDelete = 5 };
  static constexpr int32_t kSlots = 32;

  // Runs one operation; slot points to the caller's slot number.
  //   create (x = width, y = height): writes the lowest free slot to *slot and returns the
  //     number of 32-bit words (a new array is all zero); -1 for a null slot, a negative size,
  //     more than INT32_MAX words or no memory, and -1 with *slot = 32 when every slot is taken.
  //   set / clear / test: 1 / 0 / the bit; -1 for a null slot, a slot not in use or a position
  //     outside the array.
  //   delete: *slot 0-31 frees that array, above 31 every array; 0, or -1 for a null slot,
  //     a negative number or a free slot.
  //   anything else: -1.
  int32_t operate(int32_t operation, int32_t x, int32_t y, int32_t *slot);

  uint32_t usedMask() const { return m_used; }
  // The storage of a slot in use, for inspection; null otherwise.
  const uint32_t *words(int32_t slot) const;

private:
  struct Array {
    int32_t width = 0;
    int32_t height = 0;
    CallocBlock<uint32_t> bits;
  };

  bool inUse(int32_t slot) const {
    return slot >= 0 && slot < kSlots && (m_used >> slot & 1u) != 0;
  }
  void release(int32_t slot);

  Array m_arrays[kSlots];
  uint32_t m_used = 0;
};

// Shifts with the count taken modulo the width. The 8- and 16-bit results are masked to
// their width; right shifts are logical.
uint32_t shiftByteL(uint32_t value, int32_t count);
uint32_t shiftByteR(uint32_t value, int32_t count);
uint32_t shiftInt16L(uint32_t value, int32_t count);
uint32_t shiftInt16R(uint32_t value, int32_t count);
uint32_t shiftInt32L(uint32_t value, int32_t count);
uint32_t shiftInt32R(uint32_t value, int32_t count);
uint64_t shiftInt64L(uint64_t value, int32_t count);
uint64_t shiftInt64R(uint64_t value, int32_t count);

} // namespace kel
