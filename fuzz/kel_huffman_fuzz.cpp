// Fuzz target for the Huffman and value-code cores: hostile tables and streams stay in bounds, data round-trips.
#include "util/core/huffman.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  const uint32_t plain = 1u + data[0] * 31u;
  const uint8_t *body = data + 1;
  const size_t length = size - 1;

  // Hostile value-coded table and stream, as a record would carry them: the first half of
  // the body is the table, the rest the stream.
  {
    const size_t half = length / 2;
    std::vector<uint8_t> table(body, body + half);
    std::vector<uint8_t> stream(body + half, body + length);
    std::vector<uint8_t> out(plain);
    kel::CpPackH pack{plain, static_cast<uint32_t>(stream.size()), static_cast<uint32_t>(table.size()),
                      table.empty() ? nullptr : table.data(), stream.empty() ? nullptr : stream.data()};
    const int32_t result = kel::huffmanDecode2(&pack, out.data());
    if (result != 0 && result != -1)
      std::abort();
  }

  // Hostile frequency table read from the input itself, stream bounded by its length.
  if (length >= 1024) {
    uint32_t weights[kel::kHuffmanTableEntries] = {};
    std::memcpy(weights, body, 1024);
    std::vector<uint8_t> out(plain);
    const int32_t result = kel::huffmanDecode(body + 1024, out.data(), weights, plain, length - 1024);
    if (result != 0 && result != static_cast<int32_t>(plain))
      std::abort();
  }

  if (length == 0)
    return 0;
  // Round trip through the caller-buffer interface.
  const auto n = static_cast<uint32_t>(length);
  uint32_t table[kel::kHuffmanTableEntries];
  std::vector<uint8_t> packed(n);
  const int32_t packedSize = kel::huffmanEncode(packed.data(), body, table, n, n);
  std::vector<uint8_t> back(n);
  if (packedSize > 0) {
    if (packedSize >= static_cast<int32_t>(n) ||
        kel::huffmanDecode(packed.data(), back.data(), table, n, static_cast<size_t>(packedSize)) !=
            static_cast<int32_t>(n) ||
        std::memcmp(back.data(), body, n) != 0)
      std::abort();
  }

  // And through the record, including the value-coded table.
  kel::CpPackH pack{n, 0, 0, nullptr, nullptr};
  const int32_t result = kel::huffmanEncode2(body, &pack);
  if ((result == 0) != (packedSize > 0))
    std::abort();
  if (result == 0 && (kel::huffmanDecode2(&pack, back.data()) != 0 || std::memcmp(back.data(), body, n) != 0))
    std::abort();
  kel::huffmanDeletePack(&pack);

  // Value code round trip of the input read as 32-bit values.
  const uint32_t count = n / 4;
  if (count > 0) {
    std::vector<uint32_t> values(count), decoded(count);
    std::memcpy(values.data(), body, count * 4u);
    const uint32_t capacity = count * 8u + 1;
    std::vector<uint8_t> coded(capacity);
    const int32_t codedSize = kel::valuesEncode(values.data(), coded.data(), count, capacity);
    if (codedSize <= 0 ||
        kel::valuesDecode(coded.data(), decoded.data(), count, static_cast<size_t>(codedSize)) !=
            static_cast<int32_t>(count) ||
        values != decoded)
      std::abort();
  }
  return 0;
}
