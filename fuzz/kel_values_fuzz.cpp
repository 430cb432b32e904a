// Fuzz target for the value code of 32-bit arrays: hostile streams stay in bounds, arrays
// round-trip.
#include "util/core/huffman.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// Input: byte 0 the value count for the hostile decode; the rest is the stream, and read as
// 32-bit values (each shifted right by a per-value amount from the stream's bytes, so that
// every code length turns up) the array to round-trip.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  const uint32_t count = 1u + data[0] * 3u;
  std::vector<uint8_t> stream(data + 1, data + size);
  {
    std::vector<uint32_t> values(count);
    const uint8_t *src = stream.empty() ? data : stream.data();
    const int32_t result = kel::valuesDecode(src, values.data(), count, stream.size());
    if (result != 0 && result != static_cast<int32_t>(count))
      std::abort();
  }

  const size_t n = stream.size() / 4;
  if (n == 0)
    return 0;
  std::vector<uint32_t> values(n), decoded(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t v;
    std::memcpy(&v, stream.data() + 4 * i, 4);
    values[i] = v >> (stream[4 * i] % 32);
  }
  // Each value costs at most 2 * 30 + 3 bits.
  const auto capacity = static_cast<uint32_t>(n * 8 + 1);
  std::vector<uint8_t> coded(capacity);
  const int32_t codedSize =
      kel::valuesEncode(values.data(), coded.data(), static_cast<uint32_t>(n), capacity);
  if (codedSize <= 0)
    std::abort();
  std::vector<uint8_t> exact(coded.begin(), coded.begin() + codedSize);
  if (kel::valuesDecode(exact.data(), decoded.data(), static_cast<uint32_t>(n), exact.size()) !=
          static_cast<int32_t>(n) ||
      values != decoded)
    std::abort();
  // One byte short must be refused, never read past.
  if (codedSize > 1) {
    std::vector<uint8_t> shorter(exact.begin(), exact.end() - 1);
    const int32_t r =
        kel::valuesDecode(shorter.data(), decoded.data(), static_cast<uint32_t>(n), shorter.size());
    if (r != 0 && r != static_cast<int32_t>(n))
      std::abort();
  }
  return 0;
}
