// LZSS compression of memory buffers: sliding window, binary-tree match search, LSB-first bit
// stream.
#include "util/core/lzss.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace kel {
namespace {

struct Params {
  int32_t n; // window size, a power of two
  int32_t f; // longest match
  int posBits;
  int longBits; // width of the longest length-code field
  bool delta;
};

Params paramsOf(int32_t method) {
  const bool delta = (method & kLzssDelta) != 0;
  switch (method & 0x0F) {
  case 3:
    return {8192, 258, 13, 8, delta};
  case 4:
    return {16384, 258, 14, 8, delta};
  case 5:
    return {32768, 258, 15, 8, delta};
  case 6:
    return {65536, 258, 16, 8, delta};
  default:
    return {4096, 130, 12, 7, delta};
  }
}

constexpr int kMinMatch = 3;
// Unimproved search steps after which insertion stops; bounds the work on repetitive data.
constexpr int kMaxUnimproved = 20;

// LSB-first bit writer. Once the output index reaches capacity - 1 it stops advancing: the
// stream did not fit, and the last byte is overwritten from then on. Whole bytes leave the
// accumulator four at a time while they fit before that last byte.
class BitWriter {
public:
  BitWriter(uint8_t *dst, uint32_t capacity) : m_dst(dst), m_last(capacity - 1) {}
  void put(uint32_t value, int count) {
    m_acc |= static_cast<uint64_t>(value) << m_bits;
    m_bits += count;
    if (m_bits >= 32) {
      if constexpr (std::endian::native == std::endian::little) {
        if (m_last - m_index >= 4) {
          const auto word = static_cast<uint32_t>(m_acc);
          std::memcpy(m_dst + m_index, &word, 4);
          m_index += 4;
          m_acc >>= 32;
          m_bits -= 32;
          return;
        }
      }
      flush();
    }
  }
  // Stores every whole byte still in the accumulator.
  void flush() {
    while (m_bits >= 8) {
      m_dst[m_index] = static_cast<uint8_t>(m_acc);
      if (m_index < m_last)
        ++m_index;
      m_acc >>= 8;
      m_bits -= 8;
    }
  }
  bool full() const { return m_index >= m_last; }
  uint32_t size() const { return m_index; }

private:
  uint8_t *m_dst;
  uint32_t m_last;
  uint32_t m_index = 0;
  uint64_t m_acc = 0;
  int m_bits = 0;
};

// LSB-first bit reader that fails once the source is used up. It loads eight bytes at a time
// while eight are left; the bits loaded beyond the count are the stream's next bytes, so
// loading them again later changes nothing.
class BitReader {
public:
  BitReader(const uint8_t *src, uint32_t length) : m_src(src), m_length(length) {}
  bool get(int count, uint32_t &value) {
    if (m_bits < count) {
      refill();
      if (m_bits < count)
        return false;
    }
    value = static_cast<uint32_t>(m_acc & ((uint64_t{1} << count) - 1));
    m_acc >>= count;
    m_bits -= count;
    return true;
  }

  // Whether count (at most 56) bits are at hand, loading what is left when needed.
  bool fill(int count) {
    if (m_bits < count)
      refill();
    return m_bits >= count;
  }
  // The next bits, least significant first, without taking them (at least fill's count valid).
  uint64_t peek() const { return m_acc; }
  // count bits known to be at hand (after fill).
  uint32_t take(int count) {
    const auto value = static_cast<uint32_t>(m_acc & ((uint64_t{1} << count) - 1));
    m_acc >>= count;
    m_bits -= count;
    return value;
  }

  // Continues from a position reached by other code: pos bytes loaded, bits of them in acc.
  void resume(uint32_t pos, uint64_t acc, int bits) {
    m_pos = pos;
    m_acc = acc;
    m_bits = bits;
  }

private:
  void refill() {
    if constexpr (std::endian::native == std::endian::little) {
      if (m_length - m_pos >= 8) {
        uint64_t word;
        std::memcpy(&word, m_src + m_pos, 8);
        m_acc |= word << m_bits;
        m_pos += static_cast<uint32_t>(63 - m_bits) >> 3;
        m_bits |= 56;
        return;
      }
    }
    while (m_bits <= 56 && m_pos < m_length) {
      m_acc |= static_cast<uint64_t>(m_src[m_pos++]) << m_bits;
      m_bits += 8;
    }
  }

  const uint8_t *m_src;
  uint32_t m_length;
  uint32_t m_pos = 0;
  uint64_t m_acc = 0;
  int m_bits = 0;
};

void writeLength(BitWriter &w, uint32_t l, int longBits) {
  if (l == 0) {
    w.put(0, 2);
  } else if (l <= 4) {
    w.put(1, 2);
    w.put(l - 1, 2);
  } else if (l <= 12) {
    w.put(2, 2);
    w.put(l - 5, 3);
  } else if (l <= 16) {
    w.put(3 | 0 << 2, 4);
    w.put(l - 13, 2);
  } else if (l <= 20) {
    w.put(3 | 1 << 2, 4);
    w.put(l - 17, 2);
  } else if (l <= 36) {
    w.put(3 | 2 << 2, 4);
    w.put(l - 21, 4);
  } else {
    w.put(3 | 3 << 2, 4);
    w.put(l, longBits);
  }
}

// The bands of lengths that follow the prefixes "01", "10" and "11 00" to "11 10": bits read,
// and the length their value 0 stands for.
struct LengthBand {
  int bits;
  uint32_t base;
};
constexpr LengthBand kLengthBands[] = {{2, 1}, {3, 5}, {2, 13}, {2, 17}, {4, 21}};

bool readLength(BitReader &r, uint32_t &l, int longBits) {
  uint32_t prefix = 0;
  if (!r.get(2, prefix))
    return false;
  if (prefix == 0) {
    l = 0;
    return true;
  }
  size_t band = prefix - 1;
  if (prefix == 3) {
    if (!r.get(2, prefix))
      return false;
    if (prefix == 3)
      return r.get(longBits, l); // "11 11": the length itself
    band = 2 + prefix;
  }
  uint32_t v = 0;
  if (!r.get(kLengthBands[band].bits, v))
    return false;
  l = v + kLengthBands[band].base;
  return true;
}

// Children (0: smaller strings, 1: greater or equal) and parent of one position, side by side
// so that a step down the tree touches one cache line.
struct Node {
  int32_t child[2];
  int32_t dad;
  int32_t unused;
};

// Longest match of any window.
constexpr int32_t kLongestMatch = 258;

// Ring and tree storage of the compressor, kept between calls. Sized for the largest window
// met so far; a run prepares only the parts its input can reach (see Encoder), so a small input
// costs little however large the window.
struct Workspace {
  int32_t window = 0;
  std::unique_ptr<uint8_t[]> ring;
  std::unique_ptr<Node[]> nodes;

  // Storage for a window of n, or null when memory runs out.
  static Workspace *make(int32_t n) {
    std::unique_ptr<Workspace> w(new (std::nothrow) Workspace);
    if (!w)
      return nullptr;
    w->ring.reset(new (std::nothrow) uint8_t[static_cast<size_t>(n + kLongestMatch + 1)]);
    // Positions 0 .. N-1, the empty marker N and the 256 roots after it.
    w->nodes.reset(new (std::nothrow) Node[static_cast<size_t>(n + 257)]);
    if (!w->ring || !w->nodes)
      return nullptr;
    w->window = n;
    return w.release();
  }
};

// Spare workspaces of finished runs. Taking one and giving it back are single atomic exchanges,
// so concurrent calls never share one; with more callers at once than slots the extra ones
// allocate and free their own. The spares are released when the module unloads.
class SparePool {
public:
  ~SparePool() {
    for (auto &slot : m_slots)
      delete slot.exchange(nullptr);
  }
  // A workspace for a window of n: a spare when one is large enough, else a new one; null when
  // memory runs out (the spares are then as they were).
  Workspace *take(int32_t n) {
    Workspace *tooSmall[kSlots] = {};
    int held = 0;
    Workspace *found = nullptr;
    for (auto &slot : m_slots) {
      Workspace *w = slot.exchange(nullptr, std::memory_order_acquire);
      if (w == nullptr)
        continue;
      if (w->window >= n) {
        found = w;
        break;
      }
      tooSmall[held++] = w; // still good for smaller windows
    }
    for (int i = 0; i < held; ++i)
      give(tooSmall[i]);
    return found != nullptr ? found : Workspace::make(n);
  }
  void give(Workspace *w) {
    for (auto &slot : m_slots) {
      Workspace *expected = nullptr;
      if (slot.compare_exchange_strong(expected, w, std::memory_order_release,
                                       std::memory_order_relaxed))
        return;
    }
    // Every slot holds a spare: keep the larger ones (they serve every smaller window too) and
    // let the smallest go, so that callers alternating between many windows stop allocating.
    Workspace *carried = w;
    for (auto &slot : m_slots) {
      Workspace *old = slot.exchange(carried, std::memory_order_acq_rel);
      if (old == nullptr)
        return;
      if (old->window > carried->window) {
        carried = slot.exchange(old, std::memory_order_acq_rel);
        if (carried == nullptr)
          return;
      } else {
        carried = old;
      }
    }
    delete carried;
  }
  void clear() {
    for (auto &slot : m_slots)
      delete slot.exchange(nullptr, std::memory_order_acquire);
  }

private:
  static constexpr int kSlots = 4;
  std::atomic<Workspace *> m_slots[kSlots] = {};
};

SparePool g_spares;

// Ring buffer and search tree of one compression run over length input bytes. A fresh run
// would start with a zero ring and every node empty; instead only what the run can reach is
// prepared, so its cost follows the input rather than the window:
// - Nodes: every insertion fully writes the node it inserts, and strings are inserted at one
//   contiguous run of positions starting at N - 2F. The removal at step k (position k) meets a
//   node of this run only from step N - 2F on; before that the node was never inserted, and
//   the removal is skipped as a fresh empty node would make it return. Only the 256 roots are
//   reset.
// - Ring: bytes are read at inserted positions up to F - 1 bytes on, that is the zero area and
//   the mirror [N - 2F, N + F] and, once the positions wrap, [0, length + F). Those are zeroed.
class Encoder {
public:
  Encoder(const Params &p, Workspace &w, uint32_t length)
      : m_n(p.n), m_f(p.f), m_nil(p.n), m_ring(w.ring.get()), m_nodes(w.nodes.get()),
        m_unseenRemovals(p.n - 2 * p.f) {
    for (int32_t i = m_n + 1; i <= m_n + 256; ++i)
      m_nodes[i].child[1] = m_nil;
    const auto front = static_cast<int32_t>(std::min<uint64_t>(
        uint64_t{length} + static_cast<uint64_t>(m_f), static_cast<uint64_t>(m_n)));
    std::memset(m_ring, 0, static_cast<size_t>(front));
    std::memset(m_ring + (m_n - 2 * m_f), 0, static_cast<size_t>(3 * m_f + 1));
  }

  uint8_t *ring() { return m_ring; }

  // The tree that inserting the F zero-area strings at r - 1, r - 2, ..., r - F (r = N - F)
  // one by one would build, built directly: that insertion costs F * F comparisons of up to F
  // bytes, which would be most of the work for an input of a few KiB. With z the leading zeros
  // of the F bytes at r (capped at F), the string at r - k is k + z zeros and then a non-zero
  // byte, so each new string is smaller than all before it and shares one more zero with each:
  // they form a chain of left children, and from depth m = F - z on a new string matches in
  // full and takes the place of the one there. What stays is the chain r-1 .. r-m ending in
  // r-F; r-(m+1) .. r-(F-1) were replaced and are out of the tree. The match found by these
  // insertions is never used: insert(r) comes next and sets it.
  void seedZeroArea(int32_t r) {
    Node *t = m_nodes;
    const int32_t nil = m_nil;
    int32_t z = 0;
    while (z < m_f && m_ring[r + z] == 0)
      ++z;
    const int32_t m = std::max(0, m_f - z - 1);
    int32_t above = m_n + 1; // the root of strings that start with a zero byte
    int side = 1;
    for (int32_t k = 1; k <= m; ++k) {
      const int32_t p = r - k;
      t[above].child[side] = p;
      t[p] = Node{{nil, nil}, above, 0};
      above = p;
      side = 0;
    }
    for (int32_t k = m + 1; k < m_f; ++k)
      t[r - k] = Node{{nil, nil}, nil, 0};
    const int32_t last = r - m_f;
    t[above].child[side] = last;
    t[last] = Node{{nil, nil}, above, 0};
  }
  int32_t matchLength() const { return m_matchLength; }
  int32_t matchPosition() const { return m_matchPosition; }
  void setMatchLength(int32_t length) { m_matchLength = length; }

  // Inserts the string at r and records the longest match met on the way down.
  void insert(int32_t r) {
    const uint8_t *ring = m_ring;
    const uint8_t *key = ring + r;
    Node *t = m_nodes;
    const int32_t nil = m_nil;
    int32_t p = m_n + 1 + key[0];
    int side = 1;
    t[r].child[0] = t[r].child[1] = nil;
    int32_t best = 0;
    int32_t bestPosition = m_matchPosition;
    int unimproved = 0;
    // On large windows each step down is a cache miss. Both children of a node are read as
    // soon as the node is known, and both of theirs requested, so that the miss of the next
    // step overlaps the comparison of this one whichever side it takes.
    int32_t left = t[p].child[0];
    int32_t right = t[p].child[1];
    for (;;) {
      const int32_t q = side != 0 ? right : left;
      if (q == nil) {
        t[p].child[side] = r;
        t[r].dad = p;
        m_matchLength = best;
        m_matchPosition = bestPosition;
        return;
      }
      p = q;
      left = t[p].child[0];
      right = t[p].child[1];
      __builtin_prefetch(t + left);
      __builtin_prefetch(t + right);
      const uint8_t *node = ring + p;
      const int32_t i = commonLength(key, node);
      // The side is a data-dependent coin toss on most inputs: a select, not a branch.
      side = i < m_f && key[i] < node[i] ? 0 : 1;
      if (i > best) {
        bestPosition = p;
        best = i;
        unimproved = 0;
        if (i >= m_f)
          break;
      } else if (++unimproved > kMaxUnimproved) {
        break;
      }
    }
    m_matchLength = best;
    m_matchPosition = bestPosition;
    // r takes the place of p.
    Node &old = t[p];
    t[r] = old;
    t[old.child[0]].dad = r;
    t[old.child[1]].dad = r;
    Node &parent = t[old.dad];
    parent.child[parent.child[1] == p ? 1 : 0] = r;
    old.dad = nil;
  }

  void remove(int32_t p) {
    if (m_unseenRemovals > 0) {
      --m_unseenRemovals;
      return;
    }
    Node *t = m_nodes;
    const int32_t nil = m_nil;
    if (t[p].dad == nil)
      return;
    int32_t q;
    if (t[p].child[1] == nil) {
      q = t[p].child[0];
    } else if (t[p].child[0] == nil) {
      q = t[p].child[1];
    } else {
      q = t[p].child[0];
      if (t[q].child[1] != nil) {
        do
          q = t[q].child[1];
        while (t[q].child[1] != nil);
        t[t[q].dad].child[1] = t[q].child[0];
        t[t[q].child[0]].dad = t[q].dad;
        t[q].child[0] = t[p].child[0];
        t[t[p].child[0]].dad = q;
      }
      t[q].child[1] = t[p].child[1];
      t[t[p].child[1]].dad = q;
    }
    t[q].dad = t[p].dad;
    Node &parent = t[t[p].dad];
    parent.child[parent.child[1] == p ? 1 : 0] = q;
    t[p].dad = nil;
  }

private:
  // Length of the common prefix of the strings at key and node, from their second byte on
  // (the first is equal by the choice of root), at most m_f. Runs of zeros put long common
  // prefixes on every search path, so this compares eight bytes at a time.
  int32_t commonLength(const uint8_t *key, const uint8_t *node) const {
    int32_t i = 1;
    if constexpr (std::endian::native == std::endian::little) {
      for (; i + 8 <= m_f; i += 8) {
        uint64_t a;
        uint64_t b;
        std::memcpy(&a, key + i, 8);
        std::memcpy(&b, node + i, 8);
        if (a != b)
          return i + std::countr_zero(a ^ b) / 8;
      }
    }
    while (i < m_f && key[i] == node[i])
      ++i;
    return i;
  }

  int32_t m_n;
  int32_t m_f;
  int32_t m_nil;
  uint8_t *m_ring;
  Node *m_nodes;
  int32_t m_unseenRemovals; // removals still to meet positions this run never inserted
  int32_t m_matchLength = 0;
  int32_t m_matchPosition = 0;
};

// Input bytes, optionally replaced by their difference to the previous input byte.
class Source {
public:
  Source(const uint8_t *src, uint32_t length, bool delta)
      : m_src(src), m_length(length), m_delta(delta) {}
  bool more() const { return m_pos < m_length; }
  uint8_t next() {
    const uint8_t b = m_src[m_pos++];
    if (!m_delta)
      return b;
    const auto d = static_cast<uint8_t>(b - m_previous);
    m_previous = b;
    return d;
  }

private:
  const uint8_t *m_src;
  uint32_t m_length;
  bool m_delta;
  uint32_t m_pos = 0;
  uint8_t m_previous = 0;
};

int32_t compress(const Params &p, Workspace &work, const uint8_t *src, uint32_t length,
                 uint8_t *dst, uint32_t capacity) {
  Encoder enc(p, work, length);
  uint8_t *ring = enc.ring();
  const int32_t mask = p.n - 1;
  BitWriter out(dst, capacity);
  Source in(src, length, p.delta);

  int32_t s = 0;
  int32_t r = p.n - p.f;
  int32_t len = 0;
  while (len < p.f && in.more())
    ring[r + len++] = in.next();
  enc.seedZeroArea(r);
  enc.insert(r);

  do {
    if (enc.matchLength() > len)
      enc.setMatchLength(len);
    if (enc.matchLength() < kMinMatch) {
      enc.setMatchLength(1);
      out.put(1 | static_cast<uint32_t>(ring[r]) << 1, 9);
    } else {
      out.put(0, 1);
      writeLength(out, static_cast<uint32_t>(enc.matchLength() - kMinMatch), p.longBits);
      out.put(static_cast<uint32_t>(enc.matchPosition()), p.posBits);
    }
    if (out.full())
      return 0; // can only end in "did not fit"
    const int32_t last = enc.matchLength();
    int32_t i = 0;
    for (; i < last && in.more(); ++i) {
      const uint8_t c = in.next();
      enc.remove(s);
      ring[s] = c;
      if (s < p.f - 1)
        ring[s + p.n] = c; // mirror, so comparisons run past the end of the ring
      s = (s + 1) & mask;
      r = (r + 1) & mask;
      enc.insert(r);
    }
    for (; i < last; ++i) {
      enc.remove(s);
      s = (s + 1) & mask;
      r = (r + 1) & mask;
      if (--len != 0)
        enc.insert(r);
    }
  } while (len > 0);

  out.put(0, 8);
  out.flush();
  if (out.full() || out.size() > static_cast<uint32_t>(INT32_MAX))
    return 0;
  return static_cast<int32_t>(out.size());
}

// Bits of the longest token: flag, 4 bits of length prefix, 8 of length, 16 of position.
constexpr int kLongestToken = 1 + 4 + 8 + 16;

// One token read field by field, for the end of the source: true with a literal in value, or a
// match in length and position; false when the source ends inside the token.
struct Token {
  bool literal;
  uint32_t value;
  uint32_t position;
};

bool nextToken(BitReader &in, const Params &p, Token &t) {
  uint32_t flag = 0;
  if (!in.get(1, flag))
    return false;
  t.literal = flag != 0;
  if (t.literal)
    return in.get(8, t.value);
  return readLength(in, t.value, p.longBits) && in.get(p.posBits, t.position);
}

// What the next nine bits of a stream say (least significant first): a literal and its byte, or a
// match header (flag and length code) with its length. Nine bits hold every header but the
// longest lengths', whose own field follows the first five bits. One lookup replaces the bit by
// bit walk through the length code, whose branches no predictor guesses on real data.
struct HeaderEntry {
  uint8_t kind;   // kLiteral, kMatch or kLongMatch
  uint8_t bits;   // taken by the literal or the header
  uint16_t value; // the literal's byte, or the match length (L + 3)
};
enum : uint8_t { kLiteral, kMatch, kLongMatch };
constexpr int kHeaderBits = 9;

struct HeaderTable {
  HeaderEntry entry[1u << kHeaderBits];
  constexpr HeaderTable() : entry{} {
    for (uint32_t v = 0; v < (1u << kHeaderBits); ++v) {
      if ((v & 1u) != 0) {
        entry[v] = {kLiteral, 9, static_cast<uint16_t>(v >> 1)};
        continue;
      }
      const uint32_t prefix = (v >> 1) & 3u;
      const uint32_t second = (v >> 3) & 3u;
      HeaderEntry e{kMatch, 0, 0};
      if (prefix == 0)
        e = {kMatch, 3, 0};
      else if (prefix == 1)
        e = {kMatch, 5, static_cast<uint16_t>(((v >> 3) & 3u) + 1)};
      else if (prefix == 2)
        e = {kMatch, 6, static_cast<uint16_t>(((v >> 3) & 7u) + 5)};
      else if (second == 0)
        e = {kMatch, 7, static_cast<uint16_t>(((v >> 5) & 3u) + 13)};
      else if (second == 1)
        e = {kMatch, 7, static_cast<uint16_t>(((v >> 5) & 3u) + 17)};
      else if (second == 2)
        e = {kMatch, 9, static_cast<uint16_t>(((v >> 5) & 15u) + 21)};
      else
        e = {kLongMatch, 5, 0};
      e.value = static_cast<uint16_t>(e.value + kMinMatch);
      entry[v] = e;
    }
  }
};
constexpr HeaderTable kHeaders;

template <size_t kSize> inline void copyBlock(uint8_t *to, const uint8_t *from) {
  uint8_t block[kSize];
  std::memcpy(block, from, kSize);
  std::memcpy(to, block, kSize);
}

// n >= K bytes in blocks of K, rising; the last block is placed to end at n.
template <size_t K> inline void copyInBlocks(uint8_t *out, const uint8_t *from, uint32_t n) {
  uint32_t i = 0;
  for (; i + K <= n; i += K)
    copyBlock<K>(out + i, from + i);
  if (i < n)
    copyBlock<K>(out + n - K, from + n - K);
}

// Copies n bytes to out from d bytes back (out - d valid), with the result of a byte by byte
// copy: where the source overlaps what the copy writes, the last d bytes repeat. Writes only
// out[0, n). Blocks are copied in rising order and each reads only bytes that are final by
// then: a block of size k needs d >= k. The last block is placed to end at n and may cover
// bytes already written, with the same values.
inline void copyMatch(uint8_t *out, uint32_t d, uint32_t n) {
  const uint8_t *from = out - d;
  if (d >= 16 && n >= 16) {
    copyInBlocks<16>(out, from, n);
    return;
  }
  if (d >= 8) {
    if (n >= 8) {
      copyInBlocks<8>(out, from, n);
      return;
    }
    if (n >= 4) { // d >= 8 > n: no overlap at all
      copyBlock<4>(out, from);
      copyBlock<4>(out + n - 4, from + n - 4);
      return;
    }
    for (uint32_t i = 0; i < n; ++i)
      out[i] = from[i];
    return;
  }
  // A nearer source makes the output periodic with period d from d bytes before out on, so any
  // multiple of d serves as the distance too: the first multiple of at least 8 lets blocks of 8
  // follow once the bytes before it are written one at a time.
  const uint32_t period = d * ((8 + d - 1) / d);
  const uint32_t head = std::min(n, period);
  for (uint32_t i = 0; i < head; ++i)
    out[i] = from[i];
  uint32_t i = head;
  for (; i + 8 <= n; i += 8)
    copyBlock<8>(out + i, out + i - period);
  for (; i < n; ++i)
    out[i] = out[i - period];
}

// The match at output byte `produced`, d back. Where that reaches before the first output byte
// it reads the ring's starting zeros.
inline void copyMatchFromStart(uint8_t *dst, uint32_t produced, uint32_t d, uint32_t n) {
  uint8_t *out = dst + produced;
  if (produced >= d) {
    copyMatch(out, d, n);
    return;
  }
  for (uint32_t i = 0; i < n; ++i)
    out[i] = produced + i >= d ? dst[produced + i - d] : 0;
}

// Bytes of source the fast loop keeps ahead: a load of eight, and 64 more, which hold at least
// 17 whole tokens of at most 29 bits each.
constexpr uint32_t kFastSourceMargin = 8 + 64;
// Destination the fast loop keeps ahead: three literals and the longest match, rounded up to whole
// blocks of 16.
constexpr uint32_t kFastOutputMargin = 3 + 258 + 14;

inline uint64_t loadLittle64(const uint8_t *p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big)
    v = __builtin_bswap64(v);
  return v;
}

// Without the filter the ring holds exactly the last N output bytes: output byte k went to ring
// position (N - F + k) mod N. So a match at ring position q, met when the next byte to write
// is k, copies from output byte k - d with d = (ring position of k - q) mod N (0 meaning N),
// and from the ring's initial zeros where that lies before the first byte. The destination is
// the window; no ring is kept.
//
// With the filter the ring holds the differences, and the output is their running sum. The
// differences are decoded into the destination as above, and each byte is replaced by the sum
// once no match can reach it any more (N bytes behind), so the window stays in place without a
// ring of its own.
//
// One instance per window, so that the field widths are constants of the code.
template <int kPosBits, int kLongBits, bool kDelta>
uint32_t expandInto(const Params &p, const uint8_t *src, uint32_t length, uint8_t *dst,
                    uint32_t count) {
  const uint32_t mask = static_cast<uint32_t>(p.n - 1);
  const auto start = static_cast<uint32_t>(p.n - p.f);
  constexpr int posBits = kPosBits;
  constexpr int longBits = kLongBits;
  const uint64_t posMask = (uint64_t{1} << posBits) - 1;
  const uint64_t longMask = (uint64_t{1} << longBits) - 1;
  uint32_t produced = 0;
  uint32_t summed = 0; // with the filter: bytes before this are output, the rest differences
  uint8_t previous = 0;
  auto sumUpTo = [&](uint32_t end) {
    uint8_t sum = previous;
    for (uint32_t i = summed; i < end; ++i) {
      sum = static_cast<uint8_t>(sum + dst[i]);
      dst[i] = sum;
    }
    previous = sum;
    summed = end;
  };
  // Sums run in pieces of this many bytes beyond the window, so that they stay in the cache.
  const uint32_t sumLag = static_cast<uint32_t>(p.n) + 16384;

  // Fast loop, while both buffers have their margins. Its far matches copy whole blocks of 16
  // and may write up to 15 bytes past their end: those lie inside the destination (output
  // margin), and the 17 tokens still sure to follow (source margin) each write at least one
  // byte, in order, so they overwrite them all before anyone can see them; a byte past the
  // returned count is never touched.
  uint64_t acc = 0; // unread bits, next one lowest
  int bits = 0;
  uint32_t pos = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (length - pos >= kFastSourceMargin && count - produced >= kFastOutputMargin) {
      acc |= loadLittle64(src + pos) << bits;
      pos += static_cast<uint32_t>(63 - bits) >> 3;
      bits |= 56;
      // Literals are most tokens of poorly matching data: flag and byte without a lookup, up to
      // three at a time, and a match after them at once (27 + 29 of the 56 bits at hand; the
      // bytes and the match's blocks stay inside the output margin).
      if ((acc & 1) != 0) {
        dst[produced++] = static_cast<uint8_t>(acc >> 1);
        if ((acc & 0x200) != 0) {
          dst[produced++] = static_cast<uint8_t>(acc >> 10);
          if ((acc & 0x40000) != 0) {
            dst[produced++] = static_cast<uint8_t>(acc >> 19);
            acc >>= 27;
            bits -= 27;
          } else {
            acc >>= 18;
            bits -= 18;
          }
        } else {
          acc >>= 9;
          bits -= 9;
        }
        if ((acc & 1) != 0)
          continue;
      }
      const HeaderEntry e = kHeaders.entry[acc & ((1u << kHeaderBits) - 1)];
      acc >>= e.bits;
      bits -= e.bits;
      uint32_t n = e.value;
      if (e.kind == kLongMatch) {
        n = static_cast<uint32_t>(acc & longMask) + kMinMatch;
        acc >>= longBits;
        bits -= longBits;
      }
      const auto position = static_cast<uint32_t>(acc & posMask);
      acc >>= posBits;
      bits -= posBits;
      const uint32_t d = ((start + produced - position - 1) & mask) + 1; // 1 .. N
      if (d >= 16 && produced >= d) {
        uint8_t *out = dst + produced;
        const uint8_t *from = out - d;
        uint32_t i = 0;
        do {
          copyBlock<16>(out + i, from + i);
          i += 16;
        } while (i < n);
      } else {
        copyMatchFromStart(dst, produced, d, n);
      }
      produced += n;
      if constexpr (kDelta) {
        if (produced - summed >= sumLag)
          sumUpTo(produced - static_cast<uint32_t>(p.n));
      }
    }
  }

  // The rest with every check: matches cut at the end of the destination, tokens read field by
  // field where the source ends.
  BitReader in(src, length);
  in.resume(pos, acc, bits);
  Token t{};
  while (produced < count) {
    uint32_t n;
    uint32_t position;
    if (in.fill(kLongestToken)) {
      const uint64_t next = in.peek();
      if ((next & 1) != 0) {
        dst[produced++] = static_cast<uint8_t>(next >> 1);
        in.take(9);
        continue;
      }
      const HeaderEntry e = kHeaders.entry[next & ((1u << kHeaderBits) - 1)];
      in.take(e.bits);
      n = e.kind == kMatch ? e.value : in.take(longBits) + kMinMatch;
      position = in.take(posBits);
    } else {
      if (!nextToken(in, p, t))
        break;
      if (t.literal) {
        dst[produced++] = static_cast<uint8_t>(t.value);
        continue;
      }
      n = t.value + kMinMatch;
      position = t.position;
    }
    const uint32_t d = ((start + produced - position - 1) & mask) + 1;
    n = std::min(n, count - produced);
    copyMatchFromStart(dst, produced, d, n);
    produced += n;
    if constexpr (kDelta) {
      if (produced - summed >= sumLag)
        sumUpTo(produced - static_cast<uint32_t>(p.n));
    }
  }
  if constexpr (kDelta)
    sumUpTo(produced);
  return produced;
}

template <int kPosBits, int kLongBits>
uint32_t expandWindow(const Params &p, const uint8_t *src, uint32_t length, uint8_t *dst,
                      uint32_t count) {
  return p.delta ? expandInto<kPosBits, kLongBits, true>(p, src, length, dst, count)
                 : expandInto<kPosBits, kLongBits, false>(p, src, length, dst, count);
}

uint32_t expand(const Params &p, const uint8_t *src, uint32_t length, uint8_t *dst,
                uint32_t count) {
  switch (p.posBits) {
  case 13:
    return expandWindow<13, 8>(p, src, length, dst, count);
  case 14:
    return expandWindow<14, 8>(p, src, length, dst, count);
  case 15:
    return expandWindow<15, 8>(p, src, length, dst, count);
  case 16:
    return expandWindow<16, 8>(p, src, length, dst, count);
  default:
    return expandWindow<12, 7>(p, src, length, dst, count);
  }
}

} // namespace

int32_t lzssMethodFromFlags(int32_t flags) {
  static constexpr struct {
    int32_t flag;
    int32_t method;
  } kTable[] = {{0x100, 2}, {0x200, 3}, {0x400, 4}, {0x800, 5}, {0x1000, 6}};
  for (const auto &entry : kTable)
    if ((flags & entry.flag) != 0)
      return entry.method;
  return -1;
}

int32_t lzssCompressMethod(int32_t method, const void *source, uint32_t sourceLength,
                           void *destination, uint32_t capacity) {
  if (source == nullptr || destination == nullptr || sourceLength == 0 || capacity < 2)
    return 0;
  const Params params = paramsOf(method);
  Workspace *work = g_spares.take(params.n);
  if (work == nullptr)
    return kLzssNoMemory;
  const int32_t size = compress(params, *work, static_cast<const uint8_t *>(source), sourceLength,
                                static_cast<uint8_t *>(destination), capacity);
  g_spares.give(work);
  return size;
}

void lzssReleaseWorkspaces() { g_spares.clear(); }

int32_t lzssExpandMethod(int32_t method, const void *source, uint32_t sourceLength,
                         void *destination, uint32_t destinationLength) {
  if (source == nullptr || destination == nullptr || sourceLength == 0 || destinationLength == 0)
    return 0;
  const uint32_t count = destinationLength > static_cast<uint32_t>(INT32_MAX)
                             ? static_cast<uint32_t>(INT32_MAX)
                             : destinationLength;
  return static_cast<int32_t>(expand(paramsOf(method), static_cast<const uint8_t *>(source),
                                     sourceLength, static_cast<uint8_t *>(destination), count));
}

int32_t lzssCompress(int32_t flags, const void *source, void *destination, uint32_t sourceLength,
                     uint32_t destinationCapacity) {
  const int32_t method = lzssMethodFromFlags(flags);
  return method < 0
             ? 0
             : lzssCompressMethod(method, source, sourceLength, destination, destinationCapacity);
}

int32_t lzssExpand(int32_t flags, const void *source, void *destination, uint32_t sourceLength,
                   uint32_t destinationLength) {
  const int32_t method = lzssMethodFromFlags(flags);
  return method < 0
             ? 0
             : lzssExpandMethod(method, source, sourceLength, destination, destinationLength);
}

int32_t lzssCompress2(int32_t method, const void *source, CpPack *pack) {
  if (pack == nullptr)
    return -1;
  pack->packedLength = 0;
  pack->packedData = nullptr;
  if (source == nullptr || pack->plainLength == 0)
    return -1;
  std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[pack->plainLength]);
  if (!work)
    return kLzssNoMemory;
  const int32_t size =
      lzssCompressMethod(method, source, pack->plainLength, work.get(), pack->plainLength);
  if (size == kLzssNoMemory)
    return kLzssNoMemory;
  if (size <= 0)
    return -1;
  uint8_t *data = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
  if (data == nullptr)
    return kLzssNoMemory;
  std::memcpy(data, work.get(), static_cast<size_t>(size));
  pack->packedLength = static_cast<uint32_t>(size);
  pack->packedData = data;
  return 0;
}

int32_t lzssExpand2(int32_t method, const CpPack *pack, void *destination) {
  if (pack == nullptr || destination == nullptr || pack->plainLength == 0 ||
      pack->packedLength == 0 || pack->packedData == nullptr ||
      pack->plainLength > static_cast<uint32_t>(INT32_MAX))
    return -1;
  const int32_t produced = lzssExpandMethod(method, pack->packedData, pack->packedLength,
                                            destination, pack->plainLength);
  return static_cast<uint32_t>(produced) == pack->plainLength ? 0 : -1;
}

int32_t lzssDeletePack(CpPack *pack) {
  if (pack == nullptr)
    return -1;
  delete[] static_cast<uint8_t *>(pack->packedData);
  *pack = CpPack{0, 0, nullptr};
  return 0;
}

} // namespace kel
