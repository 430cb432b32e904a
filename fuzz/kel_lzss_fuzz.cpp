// Fuzz target for the LZSS core: hostile streams must decode within bounds, and data must round-trip.
#include "util/core/lzss.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// Input: byte 0 picks the method (all 8 bits, so unknown codes are exercised too), byte 1 the
// expansion limit and, in its low bits, which compressions run; the rest is used both as a stream to
// expand and as data to compress. Compression has a fixed start-up cost (the zero-filled window
// goes into the tree), so the extra compressions run only on some inputs.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2)
    return 0;
  const int32_t method = data[0];
  const uint32_t limit = 1u + data[1] * 97u;
  const auto length = static_cast<uint32_t>(size - 2);

  // Hostile stream in a buffer of exactly its length and an exact-size destination, so that
  // any read or write past either is caught.
  {
    std::vector<uint8_t> stream(data + 2, data + size);
    std::vector<uint8_t> out(limit);
    const int32_t produced =
        kel::lzssExpandMethod(method, length ? stream.data() : data, length, out.data(), limit);
    if (produced < 0 || static_cast<uint32_t>(produced) > limit)
      std::abort();
    // The flag interface picks a method by bit and must agree with the method it picked.
    const int32_t flags = 0x100 << (data[0] % 5);
    const int32_t viaFlags = kel::lzssExpand(flags, length ? stream.data() : data, out.data(), length, limit);
    if (viaFlags < 0 || static_cast<uint32_t>(viaFlags) > limit)
      std::abort();
  }

  // Compression costs far more than expansion: round trips on half of the inputs keep the
  // hostile streams coming.
  if (length == 0 || (data[1] & 4) != 0)
    return 0;
  const uint8_t *body = data + 2;
  // Round trip through the caller-buffer interface with room for any stream.
  const uint32_t capacity = length + length / 8 + 16;
  std::vector<uint8_t> packed(capacity);
  const int32_t packedSize = kel::lzssCompressMethod(method, body, length, packed.data(), capacity);
  if (packedSize <= 0)
    std::abort();
  std::vector<uint8_t> back(length);
  if (kel::lzssExpandMethod(method, packed.data(), static_cast<uint32_t>(packedSize), back.data(), length) !=
          static_cast<int32_t>(length) ||
      std::memcmp(back.data(), body, length) != 0)
    std::abort();

  // Too small a destination must be reported, never overrun.
  if ((data[1] & 1) != 0 && packedSize > 2) {
    std::vector<uint8_t> small(static_cast<size_t>(packedSize) + 1);
    if (kel::lzssCompressMethod(method, body, length, small.data(), static_cast<uint32_t>(packedSize) + 1) != 0)
      std::abort();
  }

  // And through the library-allocated record.
  if ((data[1] & 2) == 0)
    return 0;
  kel::CpPack pack{length, 0, nullptr};
  const int32_t result = kel::lzssCompress2(method, body, &pack);
  if (result == 0) {
    if (kel::lzssExpand2(method, &pack, back.data()) != 0 || std::memcmp(back.data(), body, length) != 0)
      std::abort();
  } else if (result != -1 || pack.packedData != nullptr) {
    std::abort();
  }
  kel::lzssDeletePack(&pack);
  return 0;
}
