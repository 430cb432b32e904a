// LZSS compression of memory buffers: sliding window, binary-tree match search, LSB-first bit stream.
#include "util/core/lzss.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace kel {
namespace {

struct Params {
  int32_t n;        // window size, a power of two
  int32_t f;        // longest match
  int posBits;
  int longBits;     // width of the longest length-code field
  bool delta;
};

Params paramsOf(int32_t method) {
  const bool delta = (method & kLzssDelta) != 0;
  switch (method & 0x0F) {
  case 3: return {8192, 258, 13, 8, delta};
  case 4: return {16384, 258, 14, 8, delta};
  case 5: return {32768, 258, 15, 8, delta};
  case 6: return {65536, 258, 16, 8, delta};
  default: return {4096, 130, 12, 7, delta};
  }
}

constexpr int kMinMatch = 3;
// Unimproved search steps after which insertion stops; bounds the work on repetitive data.
constexpr int kMaxUnimproved = 20;

// LSB-first bit writer. Once the output index reaches capacity - 1 it stops advancing: the
// stream did not fit, and the last byte is overwritten from then on.
class BitWriter {
public:
  BitWriter(uint8_t *dst, uint32_t capacity) : m_dst(dst), m_last(capacity - 1) {}
  void put(uint32_t value, int count) {
    m_acc |= static_cast<uint64_t>(value) << m_bits;
    m_bits += count;
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

// LSB-first bit reader that fails once the source is used up.
class BitReader {
public:
  BitReader(const uint8_t *src, uint32_t length) : m_src(src), m_length(length) {}
  bool get(int count, uint32_t &value) {
    while (m_bits < count) {
      if (m_pos >= m_length)
        return false;
      m_acc |= static_cast<uint64_t>(m_src[m_pos++]) << m_bits;
      m_bits += 8;
    }
    value = static_cast<uint32_t>(m_acc & ((uint64_t{1} << count) - 1));
    m_acc >>= count;
    m_bits -= count;
    return true;
  }

private:
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

bool readLength(BitReader &r, uint32_t &l, int longBits) {
  uint32_t prefix = 0;
  uint32_t v = 0;
  if (!r.get(2, prefix))
    return false;
  switch (prefix) {
  case 0:
    l = 0;
    return true;
  case 1:
    if (!r.get(2, v))
      return false;
    l = v + 1;
    return true;
  case 2:
    if (!r.get(3, v))
      return false;
    l = v + 5;
    return true;
  default:
    break;
  }
  if (!r.get(2, prefix))
    return false;
  switch (prefix) {
  case 0:
    if (!r.get(2, v))
      return false;
    l = v + 13;
    return true;
  case 1:
    if (!r.get(2, v))
      return false;
    l = v + 17;
    return true;
  case 2:
    if (!r.get(4, v))
      return false;
    l = v + 21;
    return true;
  default:
    if (!r.get(longBits, l))
      return false;
    return true;
  }
}

// Ring buffer and search tree of one compression run.
class Encoder {
public:
  explicit Encoder(const Params &p)
      : m_n(p.n), m_f(p.f), m_nil(p.n),
        m_ring(static_cast<size_t>(p.n + p.f + 1), 0),
        m_dad(static_cast<size_t>(p.n + 1), p.n),
        // Both child arrays are sized for the 256 roots, so that no link can index outside.
        m_left(static_cast<size_t>(p.n + 257), 0),
        m_right(static_cast<size_t>(p.n + 257), 0) {
    for (int32_t i = m_n + 1; i <= m_n + 256; ++i)
      m_right[static_cast<size_t>(i)] = m_nil;
  }

  uint8_t *ring() { return m_ring.data(); }
  int32_t matchLength() const { return m_matchLength; }
  int32_t matchPosition() const { return m_matchPosition; }
  void setMatchLength(int32_t length) { m_matchLength = length; }

  // Inserts the string at r and records the longest match met on the way down.
  void insert(int32_t r) {
    const uint8_t *key = &m_ring[static_cast<size_t>(r)];
    int32_t *dad = m_dad.data();
    int32_t *left = m_left.data();
    int32_t *right = m_right.data();
    int32_t p = m_n + 1 + key[0];
    int cmp = 1;
    right[r] = left[r] = m_nil;
    m_matchLength = 0;
    int unimproved = 0;
    for (;;) {
      int32_t *link = cmp >= 0 ? &right[p] : &left[p];
      if (*link == m_nil) {
        *link = r;
        dad[r] = p;
        return;
      }
      p = *link;
      const uint8_t *node = &m_ring[static_cast<size_t>(p)];
      const int32_t i = commonLength(key, node);
      cmp = i < m_f ? key[i] - node[i] : 0;
      if (i > m_matchLength) {
        m_matchPosition = p;
        m_matchLength = i;
        unimproved = 0;
        if (i >= m_f)
          break;
      } else if (++unimproved > kMaxUnimproved) {
        break;
      }
    }
    // r takes the place of p.
    dad[r] = dad[p];
    left[r] = left[p];
    right[r] = right[p];
    dad[left[p]] = r;
    dad[right[p]] = r;
    if (right[dad[p]] == p)
      right[dad[p]] = r;
    else
      left[dad[p]] = r;
    dad[p] = m_nil;
  }

  void remove(int32_t p) {
    int32_t *dad = m_dad.data();
    int32_t *left = m_left.data();
    int32_t *right = m_right.data();
    if (dad[p] == m_nil)
      return;
    int32_t q;
    if (right[p] == m_nil) {
      q = left[p];
    } else if (left[p] == m_nil) {
      q = right[p];
    } else {
      q = left[p];
      if (right[q] != m_nil) {
        do
          q = right[q];
        while (right[q] != m_nil);
        right[dad[q]] = left[q];
        dad[left[q]] = dad[q];
        left[q] = left[p];
        dad[left[p]] = q;
      }
      right[q] = right[p];
      dad[right[p]] = q;
    }
    dad[q] = dad[p];
    if (right[dad[p]] == p)
      right[dad[p]] = q;
    else
      left[dad[p]] = q;
    dad[p] = m_nil;
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
  std::vector<uint8_t> m_ring;
  std::vector<int32_t> m_dad;
  std::vector<int32_t> m_left;
  std::vector<int32_t> m_right;
  int32_t m_matchLength = 0;
  int32_t m_matchPosition = 0;
};

// Input bytes, optionally replaced by their difference to the previous input byte.
class Source {
public:
  Source(const uint8_t *src, uint32_t length, bool delta) : m_src(src), m_length(length), m_delta(delta) {}
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

int32_t compress(const Params &p, const uint8_t *src, uint32_t length, uint8_t *dst, uint32_t capacity) {
  Encoder enc(p);
  uint8_t *ring = enc.ring();
  const int32_t mask = p.n - 1;
  BitWriter out(dst, capacity);
  Source in(src, length, p.delta);

  int32_t s = 0;
  int32_t r = p.n - p.f;
  int32_t len = 0;
  while (len < p.f && in.more())
    ring[r + len++] = in.next();
  for (int32_t i = 1; i <= p.f; ++i)
    enc.insert(r - i);
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
  if (out.full() || out.size() > static_cast<uint32_t>(INT32_MAX))
    return 0;
  return static_cast<int32_t>(out.size());
}

uint32_t expand(const Params &p, const uint8_t *src, uint32_t length, uint8_t *dst, uint32_t count) {
  std::vector<uint8_t> ring(static_cast<size_t>(p.n), 0);
  const uint32_t mask = static_cast<uint32_t>(p.n - 1);
  BitReader in(src, length);
  uint32_t r = static_cast<uint32_t>(p.n - p.f);
  uint32_t produced = 0;
  uint8_t previous = 0;
  auto emit = [&](uint8_t b) {
    if (p.delta) {
      previous = static_cast<uint8_t>(previous + b);
      b = previous;
    }
    dst[produced++] = b;
  };

  while (produced < count) {
    uint32_t flag = 0;
    if (!in.get(1, flag))
      break;
    if (flag != 0) {
      uint32_t c = 0;
      if (!in.get(8, c))
        break;
      emit(static_cast<uint8_t>(c));
      ring[r] = static_cast<uint8_t>(c);
      r = (r + 1) & mask;
      continue;
    }
    uint32_t l = 0;
    uint32_t position = 0;
    if (!readLength(in, l, p.longBits) || !in.get(p.posBits, position))
      break;
    for (uint32_t i = 0; i < l + kMinMatch; ++i) {
      const uint8_t c = ring[(position + i) & mask];
      emit(c);
      if (produced == count)
        return produced;
      ring[r] = c;
      r = (r + 1) & mask;
    }
  }
  return produced;
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

int32_t lzssCompressMethod(int32_t method, const void *source, uint32_t sourceLength, void *destination,
                           uint32_t capacity) {
  if (source == nullptr || destination == nullptr || sourceLength == 0 || capacity < 2)
    return 0;
  try {
    return compress(paramsOf(method), static_cast<const uint8_t *>(source), sourceLength,
                    static_cast<uint8_t *>(destination), capacity);
  } catch (const std::bad_alloc &) {
    return kLzssNoMemory;
  }
}

int32_t lzssExpandMethod(int32_t method, const void *source, uint32_t sourceLength, void *destination,
                         uint32_t destinationLength) {
  if (source == nullptr || destination == nullptr || sourceLength == 0 || destinationLength == 0)
    return 0;
  const uint32_t count = destinationLength > static_cast<uint32_t>(INT32_MAX) ? static_cast<uint32_t>(INT32_MAX)
                                                                               : destinationLength;
  try {
    return static_cast<int32_t>(expand(paramsOf(method), static_cast<const uint8_t *>(source), sourceLength,
                                       static_cast<uint8_t *>(destination), count));
  } catch (const std::bad_alloc &) {
    return 0;
  }
}

int32_t lzssCompress(int32_t flags, const void *source, void *destination, uint32_t sourceLength,
                     uint32_t destinationCapacity) {
  const int32_t method = lzssMethodFromFlags(flags);
  return method < 0 ? 0 : lzssCompressMethod(method, source, sourceLength, destination, destinationCapacity);
}

int32_t lzssExpand(int32_t flags, const void *source, void *destination, uint32_t sourceLength,
                   uint32_t destinationLength) {
  const int32_t method = lzssMethodFromFlags(flags);
  return method < 0 ? 0 : lzssExpandMethod(method, source, sourceLength, destination, destinationLength);
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
  const int32_t size = lzssCompressMethod(method, source, pack->plainLength, work.get(), pack->plainLength);
  if (size == kLzssNoMemory)
    return kLzssNoMemory;
  if (size <= 0)
    return -1;
  void *data = std::malloc(static_cast<size_t>(size));
  if (data == nullptr)
    return kLzssNoMemory;
  std::memcpy(data, work.get(), static_cast<size_t>(size));
  pack->packedLength = static_cast<uint32_t>(size);
  pack->packedData = data;
  return 0;
}

int32_t lzssExpand2(int32_t method, const CpPack *pack, void *destination) {
  if (pack == nullptr || destination == nullptr || pack->plainLength == 0 || pack->packedLength == 0 ||
      pack->packedData == nullptr || pack->plainLength > static_cast<uint32_t>(INT32_MAX))
    return -1;
  const int32_t produced =
      lzssExpandMethod(method, pack->packedData, pack->packedLength, destination, pack->plainLength);
  return static_cast<uint32_t>(produced) == pack->plainLength ? 0 : -1;
}

int32_t lzssDeletePack(CpPack *pack) {
  if (pack == nullptr)
    return -1;
  std::free(pack->packedData);
  *pack = CpPack{0, 0, nullptr};
  return 0;
}

} // namespace kel
