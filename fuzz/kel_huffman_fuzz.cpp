// Fuzz target for the Huffman byte coder: hostile frequency tables and streams stay in bounds, data
// round-trips.
#include "util/core/huffman.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Frequency table read from the front of the input; returns the bytes used. The shapes cover
// what a caller could hand over: small counts, weights whose sums wrap around 32 bits (which
// makes trees of any depth) and weights at or above the merge bound (leaves left out of the tree).
size_t hostileTable(uint8_t mode, const uint8_t *data, size_t size, uint32_t *weights) {
  switch (mode % 4) {
  case 0: // four bytes per weight, any value
    if (size < 1024)
      return 0;
    std::memcpy(weights, data, 1024);
    return 1024;
  case 1: // one byte per weight: ordinary small counts
    if (size < 256)
      return 0;
    for (int i = 0; i < 256; ++i)
      weights[i] = data[i];
    return 256;
  case 2: // one byte per weight, scaled so that sums overflow
    if (size < 256)
      return 0;
    for (int i = 0; i < 256; ++i)
      weights[i] = static_cast<uint32_t>(data[i]) << 24;
    return 256;
  default: // a few named weights, the rest zero or excluded
    if (size < 1)
      return 0;
    const size_t pairs = std::min<size_t>(data[0], (size - 1) / 5);
    const uint32_t rest = (mode & 4) ? 2100000000u : 0u;
    for (int i = 0; i < 256; ++i)
      weights[i] = rest;
    for (size_t k = 0; k < pairs; ++k) {
      uint32_t w;
      std::memcpy(&w, data + 1 + 5 * k + 1, 4);
      weights[data[1 + 5 * k]] = w;
    }
    return 1 + 5 * pairs;
  }
}

} // namespace

// Longest useful input: a full four-byte table and a stream, or data past the size from which
// decoding switches to its multi-symbol table.
constexpr size_t kMaxInput = 2 + 1024 + 6144;

// Input: byte 0 the plain length of a decode; byte 1 picks the one thing this input does: with
// bit 3 clear, decode a stream with a hostile table (the table shape in the low bits), with it
// set, round-trip the body.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2 || size > kMaxInput)
    return 0;
  const uint32_t plain = 1u + data[0] * 61u;
  const uint8_t *body = data + 2;
  const size_t length = size - 2;

  if ((data[1] & 8) == 0) {
    uint32_t weights[kel::kHuffmanTableEntries] = {};
    const size_t used = hostileTable(data[1], body, length, weights);
    if (used == 0 && data[1] % 4 != 3)
      return 0;
    // Stream in a buffer of exactly its length, output of exactly plainLength bytes.
    std::vector<uint8_t> stream(body + used, body + length);
    std::vector<uint8_t> out(plain);
    uint32_t before[kel::kHuffmanTableEntries];
    std::memcpy(before, weights, sizeof weights);
    const uint8_t *src = stream.empty() ? data : stream.data();
    const int32_t result = kel::huffmanDecode(src, out.data(), weights, plain, stream.size());
    if (result != 0 && result != static_cast<int32_t>(plain))
      std::abort();
    // The caller's table is only read.
    if (std::memcmp(before, weights, sizeof weights) != 0)
      std::abort();
    return 0;
  }

  if (length == 0)
    return 0;
  // Round trip through the caller-buffer interface, the stream in a buffer of exactly its size
  // and decoded with and without its length.
  const auto n = static_cast<uint32_t>(length);
  uint32_t table[kel::kHuffmanTableEntries];
  std::vector<uint8_t> packed(n);
  const int32_t packedSize = kel::huffmanEncode(packed.data(), body, table, n, n);
  if (packedSize > 0) {
    std::vector<uint8_t> exact(packed.begin(), packed.begin() + packedSize);
    std::vector<uint8_t> back(n);
    const size_t given = (data[1] & 16) != 0 ? kel::kLengthUnknown : exact.size();
    if (packedSize >= static_cast<int32_t>(n) ||
        kel::huffmanDecode(exact.data(), back.data(), table, n, given) != static_cast<int32_t>(n) ||
        std::memcmp(back.data(), body, n) != 0)
      std::abort();
  }
  return 0;
}
