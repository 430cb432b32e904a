// Rows of 3-byte pixels turned end for end.
#include "image/core/row_reverse.h"

#include "image/core/x86.h"

#include <cstring>

namespace vop {

void reverseRow24Plain(uint8_t *out, const uint8_t *in, int64_t count) {
  const uint8_t *p = in + 3 * (count - 1);
  for (int64_t k = 0; k < count; ++k, p -= 3) {
    out[3 * k] = p[0];
    out[3 * k + 1] = p[1];
    out[3 * k + 2] = p[2];
  }
}

#if VOP_X86
// Four pixels per step: 16 bytes loaded so that the four source pixels end the vector, shuffled
// into reverse order in the first 12 bytes and stored as 16; the 4 extra bytes stored are
// written over by the next step. The first and last few pixels, where a 16-byte load or store
// would leave the row, go one by one.
__attribute__((target("ssse3"))) void reverseRow24Shuffle(uint8_t *out, const uint8_t *in,
                                                          int64_t count) {
  const __m128i order = _mm_setr_epi8(13, 14, 15, 10, 11, 12, 7, 8, 9, 4, 5, 6, -1, -1, -1, -1);
  int64_t k = 0;
  // Step k reads source bytes from 3 * (count - 4 - k) - 4 and writes out bytes 3k to 3k + 15.
  for (; k + 6 <= count; k += 4) {
    const uint8_t *from = in + 3 * (count - 4 - k) - 4;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 3 * k), _mm_shuffle_epi8(v, order));
  }
  reverseRow24Plain(out + 3 * k, in, count - k);
}

bool hasByteShuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#else
void reverseRow24Shuffle(uint8_t *out, const uint8_t *in, int64_t count) {
  reverseRow24Plain(out, in, count);
}
bool hasByteShuffle() { return false; }
#endif

void reverseRow24(uint8_t *out, const uint8_t *in, int64_t count) {
  if (hasByteShuffle()) {
    reverseRow24Shuffle(out, in, count);
  } else {
    reverseRow24Plain(out, in, count);
  }
}

} // namespace vop
