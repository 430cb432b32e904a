// Fuzz target for the Huffman record coder: hostile records decode within bounds, data round-trips.
#include "util/core/huffman.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A coded table takes well under 2 KiB, and past a few KiB of stream nothing new is decoded;
// 4 KiB and more of plain text also reaches the table-driven decoder in a round trip.
constexpr size_t kMaxInput = 8192;
constexpr uint32_t kMaxPlain = 1 + 255 * 61;

// Each buffer is used at its end, so that the global's redzone right behind it catches a read or
// write past the length a record gives, as an exact heap block would, without allocating per run.
uint8_t g_table[kMaxInput];
uint8_t g_plain[kMaxPlain];

uint8_t *tail(uint8_t *buffer, size_t capacity, size_t length) {
  return buffer + capacity - length;
}

// A hostile record: the plain length from byte 0, the body split at byte 1 into the value-coded
// table and the code stream. The stream is the end of the input itself, which is its exact length.
void decodeHostile(const uint8_t *data, size_t size) {
  const uint32_t plain = 1u + data[0] * 61u;
  const uint8_t *body = data + 2;
  const size_t length = size - 2;
  const size_t split = length * (data[1] >> 1) / 127;
  uint8_t *table = tail(g_table, sizeof g_table, split);
  std::memcpy(table, body, split);
  const size_t streamLength = length - split;
  kel::CpPackH pack{plain, static_cast<uint32_t>(streamLength), static_cast<uint32_t>(split),
                    split == 0 ? nullptr : table,
                    streamLength == 0 ? nullptr : const_cast<uint8_t *>(body + split)};
  const int32_t result = kel::huffmanDecode2(&pack, tail(g_plain, sizeof g_plain, plain));
  if (result != 0 && result != -1)
    std::abort();
}

// The body as plain data: encoded, then either decoded back whole or, cut short as byte 0
// says, refused or decoded within bounds.
void roundTrip(const uint8_t *data, size_t size, bool cutShort) {
  const uint8_t *body = data + 2;
  const auto n = static_cast<uint32_t>(size - 2);
  if (n == 0)
    return;
  kel::CpPackH pack{n, 0, 0, nullptr, nullptr};
  const int32_t result = kel::huffmanEncode2(body, &pack);
  if (result != 0 && (result != -1 || pack.packed != nullptr || pack.table != nullptr))
    std::abort();
  if (result == 0) {
    uint8_t *back = tail(g_plain, sizeof g_plain, n);
    if (!cutShort) {
      if (kel::huffmanDecode2(&pack, back) != 0 || std::memcmp(back, body, n) != 0)
        std::abort();
    } else {
      kel::CpPackH cut = pack;
      cut.packedLength = pack.packedLength * data[0] / 256;
      cut.tableLength = (data[0] & 1) ? pack.tableLength / 2 : pack.tableLength;
      const int32_t r = kel::huffmanDecode2(&cut, back);
      if (r != 0 && r != -1)
        std::abort();
    }
  }
  kel::huffmanDeletePack(&pack);
}

} // namespace

// Input: byte 1's low bits pick the check: x0 decodes a hostile record, 01 round-trips the body
// (bytes 2 onward), 11 decodes the body's record cut short. One check per input keeps runs short.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2 || size > kMaxInput)
    return 0;
  if ((data[1] & 1) == 0)
    decodeHostile(data, size);
  else
    roundTrip(data, size, (data[1] & 2) != 0);
  return 0;
}
