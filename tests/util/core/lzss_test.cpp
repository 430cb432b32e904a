// Tests of the LZSS core against hand-worked streams and a plain reference encoder and decoder.
#include "util/core/lzss.h"
#include "tests/support/lzss_windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// ---- Reference model ---------------------------------------------------------------------
// Written from the stream description without the production's tricks: the ring is indexed
// modulo N (no mirror), the tree is a node vector with separate roots, bits go to a bool
// vector. It also checks its own search against a brute-force longest match while the tree
// is still an ordered search tree.

using lzssref::Window;
using lzssref::windowOf;

struct LengthCodeRow {
  int first, last; // range of L
  uint32_t prefix; // prefix bits, least significant first
  int prefixBits;
  int valueBits; // -1: the long-length width
  int subtract;
};
const LengthCodeRow kLengthCode[] = {
    {0, 0, 0b00, 2, 0, 0},       {1, 4, 0b01, 2, 2, 1},      {5, 12, 0b10, 2, 3, 5},
    {13, 16, 0b0011, 4, 2, 13},  {17, 20, 0b0111, 4, 2, 17}, {21, 36, 0b1011, 4, 4, 21},
    {37, 255, 0b1111, 4, -1, 0},
};

class ReferenceEncoder {
public:
  explicit ReferenceEncoder(int method, bool bruteForceCheck)
      : m_w(windowOf(method)), m_ring(m_w.n, 0), m_nodes(m_w.n), m_check(bruteForceCheck) {
    m_roots.fill(kNone);
  }

  // Returns the whole stream, whatever its size.
  Bytes encode(const Bytes &input, bool delta) {
    Bytes in = input;
    if (delta) {
      uint8_t prev = 0;
      for (auto &b : in) {
        const uint8_t orig = b;
        b = static_cast<uint8_t>(orig - prev);
        prev = orig;
      }
    }
    const int n = m_w.n, f = m_w.f;
    size_t next = 0;
    int r = n - f, s = 0, len = 0;
    while (len < f && next < in.size())
      m_ring[(r + len++) % n] = in[next++];
    for (int i = 1; i <= f; ++i)
      insert(r - i);
    insert(r);
    while (len > 0) {
      int length = std::min(m_best, len);
      if (m_check && !m_cut)
        checkAgainstBruteForce(r, len, length);
      if (length >= 3) {
        emit(0, 1);
        emitLength(length - 3);
        emit(static_cast<uint32_t>(m_bestPos), m_w.posBits);
      } else {
        length = 1;
        emit(1, 1);
        emit(m_ring[r], 8);
      }
      for (int k = 0; k < length; ++k) {
        remove(s);
        if (next < in.size()) {
          m_ring[s] = in[next++];
          s = (s + 1) % n;
          r = (r + 1) % n;
          insert(r);
        } else {
          s = (s + 1) % n;
          r = (r + 1) % n;
          if (--len != 0)
            insert(r);
        }
      }
    }
    emit(0, 8);
    Bytes out(m_bits.size() / 8, 0);
    for (size_t i = 0; i < out.size() * 8; ++i)
      if (m_bits[i])
        out[i / 8] = static_cast<uint8_t>(out[i / 8] | 1 << (i % 8));
    return out;
  }

  bool cutHappened() const { return m_cut; }
  int bruteForceChecks() const { return m_checks; }

private:
  static constexpr int kNone = -1;
  struct Node {
    int parent = kNone; // kNone: not in the tree; <= -2: root of first byte -2 - parent
    int left = kNone, right = kNone;
  };

  uint8_t at(int p, int i) const {
    return m_ring[static_cast<size_t>((p + i) & (m_w.n - 1))];
  } // n: a power of two

  void emit(uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
      m_bits.push_back(((value >> i) & 1) != 0);
  }

  void emitLength(int l) {
    for (const auto &row : kLengthCode) {
      if (l < row.first || l > row.last)
        continue;
      emit(row.prefix, row.prefixBits);
      emit(static_cast<uint32_t>(l - row.subtract),
           row.valueBits < 0 ? m_w.longBits : row.valueBits);
      return;
    }
    ADD_FAILURE() << "length out of range " << l;
  }

  void relink(int parent, int from, int to) {
    if (parent <= -2) {
      m_roots[static_cast<size_t>(-2 - parent)] = to;
    } else if (m_nodes[parent].right == from) {
      m_nodes[parent].right = to;
    } else {
      m_nodes[parent].left = to;
    }
  }

  // New node r takes the place of old in the tree.
  void replace(int old, int r) {
    Node &o = m_nodes[old];
    m_nodes[r] = o;
    if (o.left != kNone)
      m_nodes[o.left].parent = r;
    if (o.right != kNone)
      m_nodes[o.right].parent = r;
    relink(o.parent, old, r);
    o.parent = kNone;
  }

  void insert(int r) {
    m_best = 0;
    m_nodes[r].left = m_nodes[r].right = kNone;
    const int first = at(r, 0);
    int node = m_roots[first];
    if (node == kNone) {
      m_roots[first] = r;
      m_nodes[r].parent = -2 - first;
      return;
    }
    int unimproved = 0;
    for (;;) {
      int i = 1;
      while (i < m_w.f && at(r, i) == at(node, i))
        ++i;
      if (i > m_best) {
        m_best = i;
        m_bestPos = node;
        unimproved = 0;
        if (i == m_w.f) {
          replace(node, r);
          return;
        }
      } else if (++unimproved > 20) {
        m_cut = true;
        replace(node, r);
        return;
      }
      const bool right = at(r, i) > at(node, i);
      int &child = right ? m_nodes[node].right : m_nodes[node].left;
      if (child == kNone) {
        child = r;
        m_nodes[r].parent = node;
        return;
      }
      node = child;
    }
  }

  void remove(int p) {
    Node &d = m_nodes[p];
    if (d.parent == kNone)
      return;
    int q;
    if (d.right == kNone) {
      q = d.left;
    } else if (d.left == kNone) {
      q = d.right;
    } else {
      q = d.left;
      if (m_nodes[q].right != kNone) {
        while (m_nodes[q].right != kNone)
          q = m_nodes[q].right;
        const int qParent = m_nodes[q].parent;
        m_nodes[qParent].right = m_nodes[q].left;
        if (m_nodes[q].left != kNone)
          m_nodes[m_nodes[q].left].parent = qParent;
        m_nodes[q].left = d.left;
        m_nodes[d.left].parent = q;
      }
      m_nodes[q].right = d.right;
      m_nodes[d.right].parent = q;
    }
    if (q != kNone)
      m_nodes[q].parent = d.parent;
    relink(d.parent, p, q);
    d.parent = kNone;
  }

  // While the tree is ordered, the search finds the longest match among all positions in it
  // (including the one a full-length match just took out of the tree).
  void checkAgainstBruteForce(int r, int len, int found) {
    int best = 0;
    for (int p = 0; p < m_w.n; ++p) {
      const bool replaced = m_best == m_w.f && p == m_bestPos;
      if (p == r || (m_nodes[p].parent == kNone && !replaced))
        continue;
      int i = 0;
      while (i < m_w.f && at(r, i) == at(p, i))
        ++i;
      best = std::max(best, i);
    }
    ++m_checks;
    EXPECT_EQ(found, std::min(best, len)) << "at ring position " << r;
  }

  Window m_w;
  Bytes m_ring;
  std::vector<Node> m_nodes;
  std::array<int, 256> m_roots{};
  std::vector<bool> m_bits;
  int m_best = 0, m_bestPos = 0;
  bool m_cut = false;
  bool m_check;
  int m_checks = 0;
};

Bytes referenceCompress(int method, const Bytes &input, bool bruteForceCheck = false) {
  ReferenceEncoder enc(method, bruteForceCheck);
  return enc.encode(input, (method & 0x10) != 0);
}

// Reference decoder: reads bits one at a time; stops at the first incomplete field.
Bytes referenceExpand(int method, const Bytes &stream, size_t limit) {
  const Window w = windowOf(method);
  const bool delta = (method & 0x10) != 0;
  size_t bit = 0;
  auto read = [&](int count, uint32_t &v) {
    if (bit + count > stream.size() * 8)
      return false;
    v = 0;
    for (int i = 0; i < count; ++i, ++bit)
      v |= static_cast<uint32_t>((stream[bit / 8] >> (bit % 8)) & 1) << i;
    return true;
  };
  Bytes ring(w.n, 0), out;
  int r = w.n - w.f;
  uint8_t prev = 0;
  auto put = [&](uint8_t b) {
    ring[r] = b;
    r = (r + 1) % w.n;
    prev = delta ? static_cast<uint8_t>(prev + b) : b;
    out.push_back(prev);
  };
  while (out.size() < limit) {
    uint32_t flag, v;
    if (!read(1, flag))
      break;
    if (flag) {
      if (!read(8, v))
        break;
      put(static_cast<uint8_t>(v));
      continue;
    }
    uint32_t prefix, l = 0;
    if (!read(2, prefix))
      break;
    bool ok = true;
    if (prefix == 3) {
      uint32_t second;
      if (!read(2, second))
        break;
      prefix = 3 | second << 2;
    }
    const LengthCodeRow *row = nullptr;
    for (const auto &candidate : kLengthCode)
      if (candidate.prefix == prefix)
        row = &candidate;
    const int bits = row->valueBits < 0 ? w.longBits : row->valueBits;
    ok = read(bits, l);
    uint32_t pos;
    if (!ok || !read(w.posBits, pos))
      break;
    l += static_cast<uint32_t>(row->subtract);
    for (uint32_t i = 0; i < l + 3 && out.size() < limit; ++i)
      put(ring[(pos + i) % w.n]);
  }
  return out;
}

// ---- Inputs ----------------------------------------------------------------------------

Bytes randomBytes(std::mt19937 &rng, size_t n, int alphabet) {
  Bytes b(n);
  for (auto &x : b)
    x = static_cast<uint8_t>(rng() % alphabet);
  return b;
}

// Text-like data with long repeats and occasional edits.
Bytes repetitive(std::mt19937 &rng, size_t n) {
  const std::string words[] = {"alpha ", "beta ", "gamma ", "delta\n", "epsilon ", "zeta, "};
  Bytes b;
  while (b.size() < n) {
    if (rng() % 7 == 0 && b.size() > 300) {
      const size_t from = rng() % (b.size() - 260), count = 3 + rng() % 256;
      for (size_t i = 0; i < count && b.size() < n; ++i)
        b.push_back(b[from + i]);
    } else {
      for (char c : words[rng() % 6])
        if (b.size() < n)
          b.push_back(static_cast<uint8_t>(c));
    }
  }
  return b;
}

// Small inputs shared by every method.
std::vector<Bytes> smallInputs() {
  std::mt19937 rng(2024);
  std::vector<Bytes> inputs;
  inputs.push_back({0x41});
  inputs.push_back({0, 0, 0});
  inputs.push_back(Bytes(1000, 0));
  inputs.push_back(Bytes(3000, 0xAA));
  Bytes ramp(3000);
  for (size_t i = 0; i < ramp.size(); ++i)
    ramp[i] = static_cast<uint8_t>(i);
  inputs.push_back(ramp);
  Bytes period;
  for (int i = 0; i < 6000; ++i)
    period.push_back(static_cast<uint8_t>("abcab"[i % 5]));
  inputs.push_back(period);
  for (int alphabet : {2, 4, 16, 256})
    inputs.push_back(randomBytes(rng, 3000, alphabet));
  for (int i = 0; i < 20; ++i)
    inputs.push_back(randomBytes(rng, 1 + rng() % 700, 1 + static_cast<int>(rng() % 6)));
  return inputs;
}

// Every window with and without the filter, and two of the codes that mean the 4 KiB window.
const int kMethods[] = {2, 3, 4, 5, 6, 0x12, 0x13, 0x14, 0x15, 0x16, 0, 9};

struct Case {
  int method;
  Bytes input;
  Bytes stream; // from the reference encoder
};

// Built once: the reference encoder is slow on purpose.
const std::vector<Case> &cases() {
  static const std::vector<Case> all = [] {
    std::vector<Case> out;
    const std::vector<Bytes> small = smallInputs();
    std::mt19937 rng(77);
    for (int method : kMethods) {
      std::vector<Bytes> inputs = small;
      // Longer than the window, so that the ring wraps and old strings leave the tree.
      const size_t beyond = static_cast<size_t>(windowOf(method).n) + 2000;
      inputs.push_back(repetitive(rng, beyond));
      inputs.push_back(randomBytes(rng, beyond, 256));
      // Full-length matches across the end of the ring compare the mirrored bytes. (With the
      // filter this would be one byte and then zeros, whose search paths through the zero-area
      // strings make the plain reference far too slow for a unit test.)
      if ((method & 0x10) == 0)
        inputs.push_back(Bytes(beyond, 0x5A));
      Bytes cycle(beyond);
      for (size_t i = 0; i < cycle.size(); ++i)
        cycle[i] = static_cast<uint8_t>("tolm!!?"[i % 7]);
      inputs.push_back(cycle);
      for (Bytes &in : inputs) {
        Bytes stream = referenceCompress(method, in);
        out.push_back({method, std::move(in), std::move(stream)});
      }
    }
    return out;
  }();
  return all;
}

Bytes compress(int method, const Bytes &in, uint32_t capacity, int32_t *result) {
  Bytes out(capacity, 0);
  *result = kel::lzssCompressMethod(method, in.data(), static_cast<uint32_t>(in.size()), out.data(),
                                    capacity);
  out.resize(*result > 0 ? static_cast<size_t>(*result) : 0);
  return out;
}

// ---- Hand-worked streams ------------------------------------------------------------------

TEST(LzssStream, SingleLiteralThenEightZeroBits) {
  // flag 1, 0x41 LSB first, then 8 zero bits: 1100 0001|0 + 0000000 -> 0x83 0x00.
  int32_t size = 0;
  EXPECT_EQ(compress(2, {0x41}, 16, &size), (Bytes{0x83, 0x00}));
  EXPECT_EQ(size, 2);
}

TEST(LzssStream, MatchIntoTheInitialZeroArea) {
  // Four zero bytes: the string at N-F matches the last zero-area node inserted (N-2F = 3836)
  // in full; cut to 4: flag 0, prefix 01, L-1 = 00, position 3836 in 12 bits.
  int32_t size = 0;
  const Bytes stream = compress(2, Bytes(4, 0), 16, &size);
  EXPECT_EQ(stream, (Bytes{0x82, 0xDF, 0x01}));
  Bytes out(4, 0xFF);
  EXPECT_EQ(kel::lzssExpandMethod(2, stream.data(), 3, out.data(), 4), 4);
  EXPECT_EQ(out, Bytes(4, 0));
}

TEST(LzssStream, ExpandCopiesOverlappingMatchesByteByByte) {
  // Literal 'x' at ring 3966, then a match of 6 from position 3966: it reads what it writes.
  // bits: 1 | 0x78 | 0 | prefix 1 | L-1 = 2 | 3966 in 12 bits; the zero fill is too short
  // for another token.
  std::vector<int> bits = {1};
  for (int i = 0; i < 8; ++i)
    bits.push_back((0x78 >> i) & 1);
  for (int b : {0, 1, 0, 0, 1})
    bits.push_back(b);
  for (int i = 0; i < 12; ++i)
    bits.push_back((3966 >> i) & 1);
  Bytes stream((bits.size() + 7) / 8 + 1, 0);
  for (size_t i = 0; i < bits.size(); ++i)
    stream[i / 8] = static_cast<uint8_t>(stream[i / 8] | bits[i] << (i % 8));
  Bytes out(10, 0);
  EXPECT_EQ(
      kel::lzssExpandMethod(2, stream.data(), static_cast<uint32_t>(stream.size()), out.data(), 10),
      7);
  EXPECT_EQ(std::string(out.begin(), out.begin() + 7), "xxxxxxx");
}

// ---- Bit-exact comparison with the reference ------------------------------------------------

TEST(LzssStream, IdenticalToReferenceForAllWindowsAndDeltaSettings) {
  for (size_t k = 0; k < cases().size(); ++k) {
    const Case &c = cases()[k];
    int32_t size = 0;
    const Bytes actual =
        compress(c.method, c.input, static_cast<uint32_t>(c.stream.size() + 2), &size);
    ASSERT_EQ(size, static_cast<int32_t>(c.stream.size()))
        << "method " << c.method << " case " << k;
    ASSERT_EQ(actual, c.stream) << "method " << c.method << " case " << k;
  }
}

TEST(LzssStream, CallsInSequenceSharingKeptMemoryMatchTheReference) {
  // The compressor keeps its ring and tree between calls and prepares only what an input can
  // reach. Large inputs that fill the whole window, then small ones, small ones of one window
  // after large ones of another, and the same again after the memory was released: any state
  // left over from an earlier call changes a stream.
  std::vector<size_t> order(cases().size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [](size_t a, size_t b) {
    return cases()[a].input.size() > cases()[b].input.size();
  });
  std::vector<size_t> sequence = order;
  sequence.insert(sequence.end(), order.rbegin(), order.rend());
  std::mt19937 rng(5);
  std::shuffle(order.begin(), order.end(), rng);
  sequence.insert(sequence.end(), order.begin(), order.end());
  kel::lzssReleaseWorkspaces();
  for (size_t step = 0; step < sequence.size(); ++step) {
    const Case &c = cases()[sequence[step]];
    if (step == sequence.size() / 2)
      kel::lzssReleaseWorkspaces();
    int32_t size = 0;
    const Bytes actual =
        compress(c.method, c.input, static_cast<uint32_t>(c.stream.size() + 2), &size);
    ASSERT_EQ(actual, c.stream) << "method " << c.method << " size " << c.input.size() << " step "
                                << step;
  }
}

TEST(LzssStream, ReferenceSearchFindsTheLongestMatch) {
  // Guards the reference itself: on inputs where the step limit never cut a search, each
  // token's length must be the brute-force longest match.
  std::mt19937 rng(11);
  int checked = 0;
  for (int alphabet : {3, 8, 40, 256}) {
    ReferenceEncoder enc(2, true);
    enc.encode(randomBytes(rng, 2500, alphabet), false);
    if (!enc.cutHappened())
      checked += enc.bruteForceChecks();
  }
  ReferenceEncoder text(2, true);
  text.encode(repetitive(rng, 3000), false);
  if (!text.cutHappened())
    checked += text.bruteForceChecks();
  EXPECT_GT(checked, 1000);
}

TEST(LzssStream, RoundTripsThroughBothDecoders) {
  for (const Case &c : cases()) {
    const Bytes &in = c.input;
    Bytes out(in.size() + 10, 0xCC);
    const int32_t produced =
        kel::lzssExpandMethod(c.method, c.stream.data(), static_cast<uint32_t>(c.stream.size()),
                              out.data(), static_cast<uint32_t>(out.size()));
    ASSERT_EQ(produced, static_cast<int32_t>(in.size())) << "the trailing bits decode to nothing";
    out.resize(in.size());
    ASSERT_EQ(out, in) << "method " << c.method;
    ASSERT_EQ(referenceExpand(c.method, c.stream, in.size() + 10), in);
  }
}

TEST(LzssExpand, AgreesWithReferenceDecoderOnArbitraryStreams) {
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    const int method = kMethods[rng() % std::size(kMethods)];
    const Bytes stream = randomBytes(rng, 1 + rng() % 200, 256);
    const size_t limit = 1 + rng() % 3000;
    Bytes out(limit, 0);
    const int32_t produced =
        kel::lzssExpandMethod(method, stream.data(), static_cast<uint32_t>(stream.size()),
                              out.data(), static_cast<uint32_t>(limit));
    const Bytes expected = referenceExpand(method, stream, limit);
    ASSERT_EQ(produced, static_cast<int32_t>(expected.size()));
    out.resize(expected.size());
    ASSERT_EQ(out, expected) << "round " << round;
  }
}

// ---- Behaviour at the interface -------------------------------------------------------------

TEST(LzssCompress, IdenticalBytesBecomeALiteralAndLongMatches) {
  const Bytes in(1000, 'z');
  int32_t size = 0;
  const Bytes stream = compress(2, in, 2000, &size);
  ASSERT_GT(size, 0);
  EXPECT_LT(size, 60);
  EXPECT_EQ(stream[0] & 1, 1) << "first token is a literal";
  Bytes out(1000);
  EXPECT_EQ(kel::lzssExpandMethod(2, stream.data(), static_cast<uint32_t>(size), out.data(), 1000),
            1000);
  EXPECT_EQ(out, in);
}

TEST(LzssCompress, StreamNeedingCapacityMinusOneDoesNotFit) {
  std::mt19937 rng(1);
  const Bytes in = randomBytes(rng, 500, 256);
  const Bytes expected = referenceCompress(4, in);
  const auto n = static_cast<uint32_t>(expected.size());
  for (uint32_t capacity : {n + 1, n, n - 1, 10u, 1u, 0u}) {
    Bytes out(capacity + 16, 0x5A);
    EXPECT_EQ(kel::lzssCompressMethod(4, in.data(), 500, out.data(), capacity), 0) << capacity;
    for (size_t i = capacity; i < out.size(); ++i)
      ASSERT_EQ(out[i], 0x5A) << "wrote past the capacity " << capacity;
  }
  Bytes out(n + 2);
  EXPECT_EQ(kel::lzssCompressMethod(4, in.data(), 500, out.data(), n + 2), static_cast<int32_t>(n));
}

TEST(LzssCompress, FlagsPickTheMethodInOrder) {
  EXPECT_EQ(kel::lzssMethodFromFlags(0x100), 2);
  EXPECT_EQ(kel::lzssMethodFromFlags(0x1000), 6);
  EXPECT_EQ(kel::lzssMethodFromFlags(0x1000 | 0x200), 3);
  EXPECT_EQ(kel::lzssMethodFromFlags(0x10), -1);
  std::mt19937 rng(9);
  const Bytes in = repetitive(rng, 9000);
  const Bytes expected = referenceCompress(5, in);
  Bytes out(9000);
  EXPECT_EQ(kel::lzssCompress(0x800, in.data(), out.data(), 9000, 9000),
            static_cast<int32_t>(expected.size()));
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
  Bytes back(9000);
  EXPECT_EQ(
      kel::lzssExpand(0x800, out.data(), back.data(), static_cast<uint32_t>(expected.size()), 9000),
      9000);
  EXPECT_EQ(back, in);
  EXPECT_EQ(kel::lzssCompress(0x20, in.data(), out.data(), 9000, 9000), 0) << "no method flag";
  EXPECT_EQ(kel::lzssExpand(0, out.data(), back.data(), 10, 9000), 0);
}

TEST(LzssCompress, NullOrEmptyArgumentsGiveZero) {
  uint8_t buf[16] = {1};
  EXPECT_EQ(kel::lzssCompressMethod(2, nullptr, 1, buf, 16), 0);
  EXPECT_EQ(kel::lzssCompressMethod(2, buf, 1, nullptr, 16), 0);
  EXPECT_EQ(kel::lzssCompressMethod(2, buf, 0, buf, 16), 0);
  EXPECT_EQ(kel::lzssExpandMethod(2, nullptr, 1, buf, 16), 0);
  EXPECT_EQ(kel::lzssExpandMethod(2, buf, 1, nullptr, 16), 0);
  EXPECT_EQ(kel::lzssExpandMethod(2, buf, 0, buf, 16), 0);
  EXPECT_EQ(kel::lzssExpandMethod(2, buf, 1, buf, 0), 0);
}

TEST(LzssExpand, StopsAfterExactlyTheDestinationLength) {
  std::mt19937 rng(4);
  const Bytes in = repetitive(rng, 3000);
  const Bytes stream = referenceCompress(3, in);
  for (uint32_t d : {1u, 2u, 7u, 100u, 2999u}) {
    Bytes out(d + 8, 0xEE);
    EXPECT_EQ(kel::lzssExpandMethod(3, stream.data(), static_cast<uint32_t>(stream.size()),
                                    out.data(), d),
              static_cast<int32_t>(d));
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + d, in.begin()));
    EXPECT_EQ(out[d], 0xEE) << "nothing written past " << d;
  }
}

TEST(LzssExpand, TruncatedStreamEndsEarlyWithTheCountSoFar) {
  std::mt19937 rng(8);
  const Bytes in = randomBytes(rng, 2000, 256);
  const Bytes stream = referenceCompress(2, in);
  Bytes out(2000);
  const int32_t produced = kel::lzssExpandMethod(2, stream.data(), 100, out.data(), 2000);
  EXPECT_GT(produced, 0);
  EXPECT_LT(produced, 2000);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + produced, in.begin()));
}

TEST(LzssDelta, RampShrinksFarMoreAndNeedsTheSameMethodToExpand) {
  Bytes ramp(20000);
  for (size_t i = 0; i < ramp.size(); ++i)
    ramp[i] = static_cast<uint8_t>(i);
  kel::CpPack plain{20000, 0, nullptr}, delta{20000, 0, nullptr};
  ASSERT_EQ(kel::lzssCompress2(4, ramp.data(), &plain), 0);
  ASSERT_EQ(kel::lzssCompress2(0x14, ramp.data(), &delta), 0);
  // Without the filter the first period of 256 values must go out as literals (over 288
  // bytes); with it the input is a zero and then only ones.
  EXPECT_GT(plain.packedLength, 288u);
  EXPECT_LT(delta.packedLength * 2, plain.packedLength);
  Bytes out(20000);
  EXPECT_EQ(kel::lzssExpand2(0x14, &delta, out.data()), 0);
  EXPECT_EQ(out, ramp);
  kel::lzssExpand2(4, &delta, out.data());
  EXPECT_NE(out, ramp);
  EXPECT_EQ(kel::lzssDeletePack(&plain), 0);
  EXPECT_EQ(kel::lzssDeletePack(&delta), 0);
}

TEST(LzssPack, CompressTwoKeepsTheStreamAndDeleteClearsTheRecord) {
  std::mt19937 rng(12);
  const Bytes in = repetitive(rng, 5000);
  kel::CpPack pack{5000, 77, reinterpret_cast<void *>(1)};
  ASSERT_EQ(kel::lzssCompress2(0x13, in.data(), &pack), 0);
  const Bytes expected = referenceCompress(0x13, in);
  ASSERT_EQ(pack.packedLength, expected.size());
  EXPECT_EQ(std::memcmp(pack.packedData, expected.data(), expected.size()), 0);
  Bytes out(5000);
  EXPECT_EQ(kel::lzssExpand2(0x13, &pack, out.data()), 0);
  EXPECT_EQ(out, in);
  EXPECT_EQ(kel::lzssDeletePack(&pack), 0);
  EXPECT_EQ(pack.plainLength, 0u);
  EXPECT_EQ(pack.packedLength, 0u);
  EXPECT_EQ(pack.packedData, nullptr);
  EXPECT_EQ(kel::lzssDeletePack(nullptr), -1);
}

TEST(LzssPack, DataThatDoesNotShrinkIsRefusedWithAnEmptyRecord) {
  std::mt19937 rng(13);
  const Bytes in = randomBytes(rng, 300, 256);
  kel::CpPack pack{300, 5, reinterpret_cast<void *>(1)};
  EXPECT_EQ(kel::lzssCompress2(2, in.data(), &pack), -1);
  EXPECT_EQ(pack.packedLength, 0u);
  EXPECT_EQ(pack.packedData, nullptr);
  kel::CpPack empty{0, 0, nullptr};
  EXPECT_EQ(kel::lzssCompress2(2, in.data(), &empty), -1);
  EXPECT_EQ(kel::lzssCompress2(2, nullptr, &pack), -1);
  EXPECT_EQ(kel::lzssCompress2(2, in.data(), nullptr), -1);
  EXPECT_EQ(kel::lzssDeletePack(&pack), 0) << "deleting a failed record is harmless";
}

TEST(LzssPack, ExpandTwoReportsAStreamThatEndsEarly) {
  std::mt19937 rng(14);
  const Bytes in = repetitive(rng, 4000);
  kel::CpPack pack{4000, 0, nullptr};
  ASSERT_EQ(kel::lzssCompress2(2, in.data(), &pack), 0);
  Bytes out(4000);
  kel::CpPack cut = pack;
  cut.packedLength = pack.packedLength / 2;
  EXPECT_EQ(kel::lzssExpand2(2, &cut, out.data()), -1);
  kel::CpPack noPlain = pack;
  noPlain.plainLength = 0;
  EXPECT_EQ(kel::lzssExpand2(2, &noPlain, out.data()), -1);
  EXPECT_EQ(kel::lzssExpand2(2, &pack, nullptr), -1);
  EXPECT_EQ(kel::lzssExpand2(2, nullptr, out.data()), -1);
  kel::lzssDeletePack(&pack);
}

// The writer stores whole words until the last byte of the capacity comes near and single
// bytes from there; around the exact fit every capacity must give the same verdict as the
// stream's size alone, and nothing past the capacity.
TEST(LzssCompress, CapacitiesAroundTheExactFitOnEveryWindow) {
  std::mt19937 rng(8);
  const Bytes inputs[] = {randomBytes(rng, 3000, 256), repetitive(rng, 5000),
                          randomBytes(rng, 777, 4)};
  for (const int method : {2, 3, 6, 0x14}) {
    for (const Bytes &in : inputs) {
      const Bytes expected = referenceCompress(method, in);
      const auto n = static_cast<uint32_t>(expected.size());
      for (uint32_t capacity = n - 3; capacity <= n + 9; ++capacity) {
        Bytes out(capacity + 8, 0x5A);
        const int32_t size = kel::lzssCompressMethod(
            method, in.data(), static_cast<uint32_t>(in.size()), out.data(), capacity);
        if (capacity >= n + 2) {
          ASSERT_EQ(size, static_cast<int32_t>(n))
              << "method " << method << " capacity " << capacity;
          ASSERT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()))
              << "method " << method;
        } else {
          ASSERT_EQ(size, 0) << "method " << method << " capacity " << capacity;
        }
        for (size_t i = capacity; i < out.size(); ++i)
          ASSERT_EQ(out[i], 0x5A) << "wrote past the capacity " << capacity << ", method "
                                  << method;
      }
    }
  }
}

// The reader loads eight bytes at a time while eight are left and single bytes after that:
// a valid stream cut at each of its last bytes must give exactly what the reference decodes
// from the same cut stream, read from a buffer of exactly that length.
TEST(LzssExpand, StreamCutAtEachOfItsLastBytesMatchesTheReference) {
  std::mt19937 rng(9);
  const Bytes in = repetitive(rng, 4000);
  for (const int method : {2, 5, 0x12}) {
    const Bytes stream = referenceCompress(method, in);
    for (size_t cut = stream.size() > 24 ? stream.size() - 24 : 1; cut <= stream.size(); ++cut) {
      const std::unique_ptr<uint8_t[]> exact(new uint8_t[cut]);
      std::memcpy(exact.get(), stream.data(), cut);
      Bytes out(in.size());
      const int32_t produced =
          kel::lzssExpandMethod(method, exact.get(), static_cast<uint32_t>(cut), out.data(),
                                static_cast<uint32_t>(out.size()));
      const Bytes expected = referenceExpand(
          method, Bytes(stream.begin(), stream.begin() + static_cast<long>(cut)), in.size());
      ASSERT_EQ(produced, static_cast<int32_t>(expected.size()))
          << "method " << method << " cut " << cut;
      out.resize(expected.size());
      ASSERT_EQ(out, expected) << "method " << method << " cut " << cut;
    }
  }
}

// ---- Crafted token streams ------------------------------------------------------------------
// The encoder only makes the matches its search finds; these streams choose every token, so that
// the decoder's shortcuts meet each case they have to get right: every distance from 1 (a run)
// to past 16 (whole blocks), matches reaching into the ring's initial zeros, every length code,
// and outputs long enough that the filter's sums run behind the window while matches reach back
// the whole window.

class TokenWriter {
public:
  explicit TokenWriter(int method) : m_w(windowOf(method)) {}
  void literal(uint8_t b) {
    put(1, 1);
    put(b, 8);
    ++m_produced;
  }
  // A match of length bytes from d bytes back (1 .. N), given as the ring position it means.
  void match(uint32_t d, uint32_t length) {
    put(0, 1);
    const uint32_t l = length - 3;
    for (const auto &row : kLengthCode) {
      if (static_cast<int>(l) < row.first || static_cast<int>(l) > row.last)
        continue;
      put(row.prefix, row.prefixBits);
      put(row.valueBits < 0 ? l : l - static_cast<uint32_t>(row.subtract),
          row.valueBits < 0 ? m_w.longBits : row.valueBits);
      break;
    }
    const uint32_t n = static_cast<uint32_t>(m_w.n);
    put((n - static_cast<uint32_t>(m_w.f) + m_produced - d) % n, m_w.posBits);
    m_produced += length;
  }
  uint64_t produced() const { return m_produced; }
  const Window &window() const { return m_w; }
  // The stream as the compressor ends it: eight zero bits, then whole bytes.
  Bytes finish() {
    put(0, 8);
    Bytes out((m_bits.size() + 7) / 8, 0);
    for (size_t i = 0; i < m_bits.size(); ++i)
      out[i / 8] = static_cast<uint8_t>(out[i / 8] | (m_bits[i] ? 1 : 0) << (i % 8));
    return out;
  }

private:
  void put(uint32_t v, int count) {
    for (int i = 0; i < count; ++i)
      m_bits.push_back(((v >> i) & 1) != 0);
  }
  Window m_w;
  std::vector<bool> m_bits;
  uint64_t m_produced = 0;
};

// Tokens drawn so that each kind the decoder treats apart is frequent: runs of literals, near
// matches of every distance up to 20, far ones up to the whole window, matches into the zeros
// before the first byte, and lengths from 3 to F.
Bytes craftedStream(int method, std::mt19937 &rng, uint64_t outputBytes) {
  TokenWriter w(method);
  const auto n = static_cast<uint32_t>(w.window().n);
  const auto f = static_cast<uint32_t>(w.window().f);
  while (w.produced() < outputBytes) {
    const uint32_t kind = rng() % 8;
    const uint32_t length = rng() % 4 == 0 ? 3 + rng() % (f - 2) : 3 + rng() % 20;
    if (kind <= 2) {
      for (uint32_t i = 1 + rng() % 5; i > 0; --i)
        w.literal(static_cast<uint8_t>(rng()));
    } else if (kind <= 4) {
      w.match(1 + rng() % 20, length);
    } else if (kind == 5) {
      w.match(n - rng() % 64, length); // the far end of the window, or before the first byte
    } else {
      w.match(1 + rng() % n, length);
    }
  }
  return w.finish();
}

const int kCraftedMethods[] = {2, 6, 3, 0x12, 0x16};

// The library's expansion of a whole stream against the reference decoder's.
::testing::AssertionResult expandsAsReference(int method, const Bytes &stream) {
  const Bytes expected = referenceExpand(method, stream, SIZE_MAX);
  Bytes out(expected.size());
  const int32_t produced =
      kel::lzssExpandMethod(method, stream.data(), static_cast<uint32_t>(stream.size()), out.data(),
                            static_cast<uint32_t>(out.size()));
  if (produced != static_cast<int32_t>(expected.size()))
    return ::testing::AssertionFailure() << produced << " bytes, the reference " << expected.size();
  if (out != expected)
    return ::testing::AssertionFailure() << "the bytes differ from the reference";
  return ::testing::AssertionSuccess();
}

TEST(LzssExpand, CraftedStreamsMatchTheReferenceAtEveryDistanceAndLength) {
  std::mt19937 rng(31);
  for (const int method : kCraftedMethods) {
    // Long enough that the filter's running sums fall behind the window more than once.
    const uint64_t total = 3 * static_cast<uint64_t>(windowOf(method).n) + 40000;
    const Bytes stream = craftedStream(method, rng, total);
    const Bytes expected = referenceExpand(method, stream, SIZE_MAX);
    ASSERT_GE(expected.size(), total);
    Bytes out(expected.size() + 64, 0xC3);
    const int32_t produced =
        kel::lzssExpandMethod(method, stream.data(), static_cast<uint32_t>(stream.size()),
                              out.data(), static_cast<uint32_t>(out.size()));
    ASSERT_EQ(produced, static_cast<int32_t>(expected.size())) << "method " << method;
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), out.begin())) << "method " << method;
    for (size_t i = expected.size(); i < out.size(); ++i)
      ASSERT_EQ(out[i], 0xC3) << "method " << method << ": byte " << i
                              << " past the output was written";
  }
}

TEST(LzssExpand, EachDistanceFromOneToTwentyRepeatsTheBytesJustWritten) {
  // A few literals, then one match per distance and length: the overlapping copy must give the
  // period-d repetition of a byte by byte copy, at the start of the window and deep inside it.
  for (const int method : {2, 0x12}) {
    for (uint32_t d = 1; d <= 20; ++d) {
      for (uint32_t length : {3u, 4u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 33u, 130u}) {
        TokenWriter w(method);
        for (uint32_t i = 0; i < 24; ++i)
          w.literal(static_cast<uint8_t>(0x30 + i * 7));
        w.match(d, length);
        for (int i = 0; i < 100; ++i) // a long tail keeps the match inside the fast loop
          w.match(1 + static_cast<uint32_t>(i % 23), 3 + static_cast<uint32_t>(i % 9));
        ASSERT_TRUE(expandsAsReference(method, w.finish()))
            << "method " << method << " distance " << d << " length " << length;
      }
    }
  }
}

TEST(LzssExpand, MatchesReachingBeforeTheFirstByteReadZeros) {
  // A match from d bytes back when fewer than d bytes exist reads the ring's zeros for the part
  // before the first byte and the output after it; with the filter those are zero differences.
  for (const int method : {2, 6, 0x12}) {
    const auto n = static_cast<uint32_t>(windowOf(method).n);
    for (uint32_t before : {0u, 1u, 5u, 16u, 40u, 300u}) {
      for (uint32_t back : {1u, 3u, 15u, 16u, 17u, 200u}) {
        TokenWriter w(method);
        for (uint32_t i = 0; i < before; ++i)
          w.literal(static_cast<uint8_t>(0xA0 + i));
        const uint32_t d = std::min(n, before + back);
        w.match(d, std::min<uint32_t>(static_cast<uint32_t>(windowOf(method).f), back + 20));
        for (int i = 0; i < 60; ++i)
          w.match(d, 3 + static_cast<uint32_t>(i % 30));
        ASSERT_TRUE(expandsAsReference(method, w.finish()))
            << "method " << method << " after " << before << " bytes, " << back << " before";
      }
    }
  }
}

TEST(LzssExpand, CutStreamsAndShortDestinationsGiveTheReferencePrefixAndNothingMore) {
  // The decoder switches from whole-block copies to exact ones where either buffer nears its
  // end. Every cut of the source near its end (inside tokens too) and every destination length
  // near the output's end and near the start must give the reference's bytes, and leave each
  // byte after the count as it was: also the ones a block copy would have reached.
  std::mt19937 rng(57);
  for (const int method : {2, 6, 0x16}) {
    const Bytes stream = craftedStream(method, rng, 6000);
    const Bytes full = referenceExpand(method, stream, SIZE_MAX);
    auto check = [&](size_t cut, size_t limit) {
      const std::unique_ptr<uint8_t[]> exact(new uint8_t[cut]);
      std::memcpy(exact.get(), stream.data(), cut);
      const Bytes expected = referenceExpand(
          method, Bytes(stream.begin(), stream.begin() + static_cast<long>(cut)), limit);
      Bytes out(limit + 32, 0x5A);
      const int32_t produced =
          kel::lzssExpandMethod(method, exact.get(), static_cast<uint32_t>(cut), out.data(),
                                static_cast<uint32_t>(limit));
      ASSERT_EQ(produced, static_cast<int32_t>(expected.size()))
          << "method " << method << " cut " << cut << " limit " << limit;
      ASSERT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()))
          << "method " << method << " cut " << cut << " limit " << limit;
      for (size_t i = expected.size(); i < out.size(); ++i)
        ASSERT_EQ(out[i], 0x5A) << "method " << method << " cut " << cut << " limit " << limit
                                << ": byte " << i << " past the count was written";
    };
    for (size_t cut = stream.size() > 120 ? stream.size() - 120 : 1; cut <= stream.size(); ++cut)
      check(cut, full.size());
    for (size_t cut = 1; cut <= 100; ++cut)
      check(cut, full.size());
    for (size_t limit = 1; limit <= 600; ++limit)
      check(stream.size(), limit);
    for (size_t limit = full.size() > 600 ? full.size() - 600 : 1; limit <= full.size(); ++limit)
      check(stream.size(), limit);
  }
  // Matches of the longest length, each after three literals (the most the decoder takes in
  // one step before a match): with every limit, one of them starts within a block's reach of
  // the end of the destination.
  for (const int method : {2, 6}) {
    TokenWriter w(method);
    for (uint32_t i = 0; i < 40; ++i)
      w.literal(static_cast<uint8_t>(i * 11));
    const auto f = static_cast<uint32_t>(windowOf(method).f);
    for (uint32_t i = 0; i < 100; ++i) {
      for (uint32_t k = 0; k < 3; ++k)
        w.literal(static_cast<uint8_t>(0xE0 + i + k));
      w.match(17 + i % 12, f - i % 2);
    }
    const Bytes longest = w.finish();
    const Bytes full = referenceExpand(method, longest, SIZE_MAX);
    // Halfway, so that plenty of the source is left: two matches' worth of limits.
    for (size_t limit = full.size() / 2; limit <= full.size() / 2 + 2 * f; ++limit) {
      Bytes out(limit + 32, 0x5A);
      ASSERT_EQ(kel::lzssExpandMethod(method, longest.data(), static_cast<uint32_t>(longest.size()),
                                      out.data(), static_cast<uint32_t>(limit)),
                static_cast<int32_t>(limit));
      ASSERT_TRUE(std::equal(full.begin(), full.begin() + static_cast<long>(limit), out.begin()))
          << limit;
      for (size_t i = limit; i < out.size(); ++i)
        ASSERT_EQ(out[i], 0x5A) << "method " << method << " limit " << limit << ": byte " << i
                                << " was written";
    }
  }
}

} // namespace
