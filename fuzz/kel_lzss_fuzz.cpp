// Fuzz target for the LZSS core: hostile streams must decode within bounds, and data must
// round-trip.
#include "util/core/lzss.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Streams longer than this add nothing the format needs: a stream of this size already
// describes more than the 4 KiB window (methods other than 3-6), so it copies from every part
// of it. Compression costs far more per byte (the match search), so it takes a shorter prefix
// of the body; data longer than the window is compared with the reference in the unit tests.
constexpr size_t kMaxBody = 4608;
constexpr uint32_t kMaxCompressed = 1024;

void check(bool ok) {
  if (!ok)
    std::abort();
}

} // namespace

// Input: byte 0 picks the method (all 8 bits, so unknown codes are exercised too); byte 1 picks
// the one thing this input does (low two bits) and, with the rest of its bits, the expansion
// limit; the rest is the body, a stream to expand or data to compress.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2 || size - 2 > kMaxBody)
    return 0;
  const int32_t method = data[0];
  const unsigned action = data[1] & 3u;
  const uint8_t *body = data + 2;

  if (action <= 1) {
    const auto length = static_cast<uint32_t>(size - 2);
    // A hostile stream in a buffer of exactly its length into an exact-size destination, so that
    // any read or write past either is caught; through the method code or the flag interface,
    // which picks a method by bit.
    const uint32_t limit = 1u + (data[1] >> 2) * 331u;
    std::vector<uint8_t> stream(body, body + length);
    std::vector<uint8_t> out(limit);
    const uint8_t *src = length != 0 ? stream.data() : data;
    const int32_t produced =
        action == 0 ? kel::lzssExpandMethod(method, src, length, out.data(), limit)
                    : kel::lzssExpand(0x100 << (data[0] % 5), src, out.data(), length, limit);
    check(produced >= 0 && static_cast<uint32_t>(produced) <= limit);
    return 0;
  }
  const uint32_t length = std::min<uint32_t>(static_cast<uint32_t>(size - 2), kMaxCompressed);
  if (length == 0)
    return 0;

  std::vector<uint8_t> back(length);
  if (action == 2) {
    // Round trip through the caller-buffer interface with room for any stream; then too small
    // a destination must be reported, never overrun.
    const uint32_t capacity = length + length / 8 + 16;
    std::vector<uint8_t> packed(capacity);
    const int32_t packedSize =
        kel::lzssCompressMethod(method, body, length, packed.data(), capacity);
    check(packedSize > 0);
    check(kel::lzssExpandMethod(method, packed.data(), static_cast<uint32_t>(packedSize),
                                back.data(), length) == static_cast<int32_t>(length) &&
          std::memcmp(back.data(), body, length) == 0);
    if ((data[1] & 4) != 0 && packedSize > 2) {
      std::vector<uint8_t> small(static_cast<size_t>(packedSize) + 1);
      check(kel::lzssCompressMethod(method, body, length, small.data(),
                                    static_cast<uint32_t>(packedSize) + 1) == 0);
    }
    return 0;
  }

  // Round trip through the library-allocated record.
  kel::CpPack pack{length, 0, nullptr};
  const int32_t result = kel::lzssCompress2(method, body, &pack);
  if (result == 0)
    check(kel::lzssExpand2(method, &pack, back.data()) == 0 &&
          std::memcmp(back.data(), body, length) == 0);
  else
    check(result == -1 && pack.packedData == nullptr);
  kel::lzssDeletePack(&pack);
  return 0;
}
