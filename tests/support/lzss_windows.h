// The LZSS methods' windows as the stream description gives them, for the plain reference coders
// of the tests and the benchmark (written apart from the production tables on purpose).
#pragma once

namespace lzssref {

struct Window {
  int n, f, posBits, longBits;
};

inline Window windowOf(int method) {
  switch (method & 15) {
  case 3:
    return {8192, 258, 13, 8};
  case 4:
    return {16384, 258, 14, 8};
  case 5:
    return {32768, 258, 15, 8};
  case 6:
    return {65536, 258, 16, 8};
  default:
    return {4096, 130, 12, 7};
  }
}

} // namespace lzssref
