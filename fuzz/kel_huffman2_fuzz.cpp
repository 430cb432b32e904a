// Fuzz target for the Huffman record coder: hostile records decode within bounds, data round-trips.
#include "util/core/huffman.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// Input: byte 0 the plain length, byte 1 where the body splits into the value-coded table and
// the code stream; each goes into a buffer of exactly its length, as a record would carry them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // A coded table takes well under 2 KiB; past a few KiB of stream nothing new is decoded.
  if (size < 2 || size > 8192)
    return 0;
  const uint32_t plain = 1u + data[0] * 61u;
  const uint8_t *body = data + 2;
  const size_t length = size - 2;
  {
    const size_t split = length * data[1] / 255;
    std::vector<uint8_t> table(body, body + split);
    std::vector<uint8_t> stream(body + split, body + length);
    std::vector<uint8_t> out(plain);
    kel::CpPackH pack{plain, static_cast<uint32_t>(stream.size()), static_cast<uint32_t>(table.size()),
                      table.empty() ? nullptr : table.data(), stream.empty() ? nullptr : stream.data()};
    const int32_t result = kel::huffmanDecode2(&pack, out.data());
    if (result != 0 && result != -1)
      std::abort();
  }

  if (length == 0)
    return 0;
  const auto n = static_cast<uint32_t>(length);
  kel::CpPackH pack{n, 0, 0, nullptr, nullptr};
  const int32_t result = kel::huffmanEncode2(body, &pack);
  if (result != 0 && (result != -1 || pack.packed != nullptr || pack.table != nullptr))
    std::abort();
  if (result == 0) {
    std::vector<uint8_t> back(n);
    if (kel::huffmanDecode2(&pack, back.data()) != 0 || std::memcmp(back.data(), body, n) != 0)
      std::abort();
    // A record cut short anywhere is refused or decodes within bounds.
    kel::CpPackH cut = pack;
    cut.packedLength = pack.packedLength * data[1] / 256;
    cut.tableLength = (data[1] & 1) ? pack.tableLength / 2 : pack.tableLength;
    const int32_t r = kel::huffmanDecode2(&cut, back.data());
    if (r != 0 && r != -1)
      std::abort();
  }
  kel::huffmanDeletePack(&pack);
  return 0;
}
