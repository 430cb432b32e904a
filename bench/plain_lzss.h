// Plain LZSS encoder of the same stream as the core's: the benchmark's yardstick for organisation
// alone.
#pragma once
#include <cstdint>
#include <vector>

namespace bench {

// The same tree search and token stream, written straight from the description: bytes compared
// one at a time, bits written one at a time, the ring indexed modulo N. Returns the whole stream.
std::vector<uint8_t> plainLzssCompress(int method, const uint8_t *src, uint32_t length);

} // namespace bench
