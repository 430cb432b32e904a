// Rows of 3-byte pixels turned end for end, for the mirrored copy.
#pragma once

#include <cstdint>

namespace vop {

// out pixel k = in pixel count - 1 - k, 3 bytes each, for 0 <= k < count. Reads only the
// count * 3 bytes at in and writes only the count * 3 bytes at out, which must not overlap
// them. Chooses the byte-shuffle version when the processor has it.
void reverseRow24(uint8_t *out, const uint8_t *in, int64_t count);

// The two versions, for tests that hold one to the other.
void reverseRow24Plain(uint8_t *out, const uint8_t *in, int64_t count);
// Only where hasByteShuffle() says so.
void reverseRow24Shuffle(uint8_t *out, const uint8_t *in, int64_t count);
bool hasByteShuffle();

} // namespace vop
