// Plain LZSS encoder of the same stream as the core's: the benchmark's yardstick for organisation
// alone.
#include "plain_lzss.h"
#include "tests/support/lzss_windows.h"

#include <cstddef>

namespace bench {
namespace {

using lzssref::Window;
using lzssref::windowOf;

class Plain {
public:
  explicit Plain(int method)
      : w(windowOf(method)), nil(w.n), ring(static_cast<std::size_t>(w.n + w.f + 1), 0),
        dad(static_cast<std::size_t>(w.n + 1), w.n), lson(static_cast<std::size_t>(w.n + 257), 0),
        rson(static_cast<std::size_t>(w.n + 257), 0) {
    for (int i = w.n + 1; i <= w.n + 256; ++i)
      rson[static_cast<std::size_t>(i)] = nil;
  }

  void putBit(int bit) {
    if (bitCount == 0)
      out.push_back(0);
    if (bit)
      out.back() = static_cast<uint8_t>(out.back() | 1u << bitCount);
    bitCount = (bitCount + 1) & 7;
  }
  void putBits(uint32_t v, int count) {
    for (int i = 0; i < count; ++i)
      putBit((v >> i) & 1);
  }

  void insert(int r) {
    int cmp = 1;
    const uint8_t *key = &ring[static_cast<std::size_t>(r)];
    int p = w.n + 1 + key[0];
    rson[r] = lson[r] = nil;
    matchLength = 0;
    int unimproved = 0;
    for (;;) {
      if (cmp >= 0) {
        if (rson[p] != nil) {
          p = rson[p];
        } else {
          rson[p] = r;
          dad[r] = p;
          return;
        }
      } else {
        if (lson[p] != nil) {
          p = lson[p];
        } else {
          lson[p] = r;
          dad[r] = p;
          return;
        }
      }
      int i = 1;
      for (; i < w.f; ++i)
        if ((cmp = key[i] - ring[static_cast<std::size_t>(p + i)]) != 0)
          break;
      if (i == w.f)
        cmp = 0;
      if (i > matchLength) {
        matchPosition = p;
        matchLength = i;
        unimproved = 0;
        if (i >= w.f)
          break;
      } else if (++unimproved > 20) {
        break;
      }
    }
    dad[r] = dad[p];
    lson[r] = lson[p];
    rson[r] = rson[p];
    dad[lson[p]] = r;
    dad[rson[p]] = r;
    if (rson[dad[p]] == p)
      rson[dad[p]] = r;
    else
      lson[dad[p]] = r;
    dad[p] = nil;
  }

  void remove(int p) {
    if (dad[p] == nil)
      return;
    int q;
    if (rson[p] == nil) {
      q = lson[p];
    } else if (lson[p] == nil) {
      q = rson[p];
    } else {
      q = lson[p];
      if (rson[q] != nil) {
        do
          q = rson[q];
        while (rson[q] != nil);
        rson[dad[q]] = lson[q];
        dad[lson[q]] = dad[q];
        lson[q] = lson[p];
        dad[lson[p]] = q;
      }
      rson[q] = rson[p];
      dad[rson[p]] = q;
    }
    dad[q] = dad[p];
    if (rson[dad[p]] == p)
      rson[dad[p]] = q;
    else
      lson[dad[p]] = q;
    dad[p] = nil;
  }

  void putLength(int l) {
    if (l == 0) {
      putBits(0, 2);
    } else if (l <= 4) {
      putBits(1, 2);
      putBits(static_cast<uint32_t>(l - 1), 2);
    } else if (l <= 12) {
      putBits(2, 2);
      putBits(static_cast<uint32_t>(l - 5), 3);
    } else if (l <= 16) {
      putBits(3, 2);
      putBits(0, 2);
      putBits(static_cast<uint32_t>(l - 13), 2);
    } else if (l <= 20) {
      putBits(3, 2);
      putBits(1, 2);
      putBits(static_cast<uint32_t>(l - 17), 2);
    } else if (l <= 36) {
      putBits(3, 2);
      putBits(2, 2);
      putBits(static_cast<uint32_t>(l - 21), 4);
    } else {
      putBits(3, 2);
      putBits(3, 2);
      putBits(static_cast<uint32_t>(l), w.longBits);
    }
  }

  Window w;
  int nil;
  std::vector<uint8_t> ring;
  std::vector<int> dad, lson, rson;
  int matchLength = 0, matchPosition = 0;
  std::vector<uint8_t> out;
  int bitCount = 0;
};

} // namespace

std::vector<uint8_t> plainLzssCompress(int method, const uint8_t *src, uint32_t length) {
  Plain z(method);
  const bool delta = (method & 0x10) != 0;
  uint32_t pos = 0;
  uint8_t previous = 0;
  auto next = [&] {
    const uint8_t b = src[pos++];
    if (!delta)
      return b;
    const auto d = static_cast<uint8_t>(b - previous);
    previous = b;
    return d;
  };
  const int n = z.w.n, f = z.w.f;
  int s = 0, r = n - f, len = 0;
  while (len < f && pos < length)
    z.ring[static_cast<std::size_t>(r + len++)] = next();
  for (int i = 1; i <= f; ++i)
    z.insert(r - i);
  z.insert(r);
  do {
    if (z.matchLength > len)
      z.matchLength = len;
    if (z.matchLength < 3) {
      z.matchLength = 1;
      z.putBit(1);
      z.putBits(z.ring[static_cast<std::size_t>(r)], 8);
    } else {
      z.putBit(0);
      z.putLength(z.matchLength - 3);
      z.putBits(static_cast<uint32_t>(z.matchPosition), z.w.posBits);
    }
    const int last = z.matchLength;
    int i = 0;
    for (; i < last && pos < length; ++i) {
      const uint8_t c = next();
      z.remove(s);
      z.ring[static_cast<std::size_t>(s)] = c;
      if (s < f - 1)
        z.ring[static_cast<std::size_t>(s + n)] = c;
      s = (s + 1) % n;
      r = (r + 1) % n;
      z.insert(r);
    }
    for (; i < last; ++i) {
      z.remove(s);
      s = (s + 1) % n;
      r = (r + 1) % n;
      if (--len != 0)
        z.insert(r);
    }
  } while (len > 0);
  // Eight zero bits, of which only those completing a byte are kept.
  z.putBits(0, z.bitCount != 0 ? 8 - z.bitCount : 8);
  return z.out;
}

} // namespace bench
