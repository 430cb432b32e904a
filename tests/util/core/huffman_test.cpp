// Tests of the Huffman and value-code cores against hand-worked streams and a plain reference
// coder.
#include "util/core/huffman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// ---- Reference model ---------------------------------------------------------------------
// Tree from the merge rule (two smallest selectable weights, lowest index on ties), codes as
// '0'/'1' strings collected by walking down from the root, bits packed from a string.

struct RefNode {
  uint64_t weight;
  bool selectable;
  int zero = -1, one = -1;
};

std::vector<std::string> referenceCodes(const uint32_t counts[256]) {
  std::vector<RefNode> nodes;
  for (int i = 0; i < 256; ++i)
    nodes.push_back({counts[i], counts[i] < 2099999999u});
  for (;;) {
    int a = -1, b = -1;
    for (int i = 0; i < static_cast<int>(nodes.size()); ++i) {
      if (!nodes[i].selectable)
        continue;
      if (a < 0 || nodes[i].weight < nodes[a].weight) {
        b = a;
        a = i;
      } else if (b < 0 || nodes[i].weight < nodes[b].weight) {
        b = i;
      }
    }
    if (b < 0)
      break;
    const uint64_t sum = nodes[a].weight + nodes[b].weight;
    nodes[a].selectable = nodes[b].selectable = false;
    nodes.push_back({sum, sum < 2099999999u, a, b});
  }
  std::vector<std::string> codes(256);
  std::vector<std::pair<int, std::string>> todo{{static_cast<int>(nodes.size()) - 1, ""}};
  while (!todo.empty()) {
    auto [node, code] = todo.back();
    todo.pop_back();
    if (node < 256) {
      codes[node] = code;
    } else {
      todo.push_back({nodes[node].zero, code + "0"});
      todo.push_back({nodes[node].one, code + "1"});
    }
  }
  return codes;
}

Bytes packMsbFirst(const std::string &bits) {
  Bytes out((bits.size() + 7) / 8, 0);
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1')
      out[i / 8] = static_cast<uint8_t>(out[i / 8] | 0x80 >> (i % 8));
  return out;
}

Bytes referenceEncode(const Bytes &in) {
  uint32_t counts[256] = {};
  for (uint8_t b : in)
    ++counts[b];
  const std::vector<std::string> codes = referenceCodes(counts);
  std::string bits;
  for (uint8_t b : in)
    bits += codes[b];
  return packMsbFirst(bits);
}

std::string valueBits(uint32_t v) {
  int k = 0;
  while ((v >> 2) >> k != 0)
    ++k;
  std::string bits(static_cast<size_t>(k), '1');
  bits += '0';
  for (int i = 0; i < k + 2; ++i)
    bits += ((v >> i) & 1) ? '1' : '0';
  return bits;
}

Bytes randomBytes(std::mt19937 &rng, size_t n, int alphabet) {
  Bytes b(n);
  for (auto &x : b)
    x = static_cast<uint8_t>(rng() % alphabet);
  return b;
}

// Skewed data, like text.
Bytes skewed(std::mt19937 &rng, size_t n) {
  Bytes b(n);
  for (auto &x : b) {
    const uint32_t r = rng() % 1000;
    x = static_cast<uint8_t>(r < 500   ? 'e'
                             : r < 750 ? 't'
                             : r < 870 ? 'a'
                             : r < 940 ? ' '
                                       : rng() % 256);
  }
  return b;
}

// Fibonacci-like counts give the deepest possible tree.
Bytes deepTree() {
  Bytes b;
  uint32_t f1 = 1, f2 = 1;
  for (int sym = 0; sym < 26; ++sym) {
    b.insert(b.end(), f1, static_cast<uint8_t>(sym));
    const uint32_t next = f1 + f2;
    f1 = f2;
    f2 = next;
  }
  return b;
}

Bytes encode(const Bytes &in, uint32_t *table, int32_t *size) {
  Bytes out(in.size() + 16, 0);
  *size = kel::huffmanEncode(out.data(), in.data(), table, static_cast<uint32_t>(in.size()),
                             static_cast<uint32_t>(in.size()));
  out.resize(*size > 0 ? static_cast<size_t>(*size) : 0);
  return out;
}

// Skewed bytes from a seed, packed, with the table they were packed with.
struct Packed {
  Bytes in;
  uint32_t table[512];
  int32_t size = 0;
  Bytes packed;
};
Packed packSkewed(uint32_t seed, size_t n) {
  std::mt19937 rng(seed);
  Packed p;
  p.in = skewed(rng, n);
  p.packed = encode(p.in, p.table, &p.size);
  return p;
}

// Decodes a stream from a heap block of exactly its size (a read past it is caught by the
// sanitizers), once given its length and once not; `k` names the input in failures.
void expectDecodesWithAndWithoutLength(const Bytes &packed, const uint32_t *table, const Bytes &in,
                                       size_t k) {
  const std::unique_ptr<uint8_t[]> exact(new uint8_t[packed.size()]);
  std::memcpy(exact.get(), packed.data(), packed.size());
  const auto n = static_cast<uint32_t>(in.size());
  for (const size_t length : {packed.size(), kel::kLengthUnknown}) {
    Bytes out(in.size());
    EXPECT_EQ(kel::huffmanDecode(exact.get(), out.data(), table, n, length),
              static_cast<int32_t>(n))
        << "input " << k;
    EXPECT_EQ(out, in) << "input " << k
                       << (length == kel::kLengthUnknown ? " without a length" : "");
  }
}

// ---- Huffman streams ------------------------------------------------------------------------

TEST(HuffmanStream, HundredBytesOfOneValue) {
  // The 255 zero counts pair up first; the last merge joins their subtree (0-child) and 97
  // (1-child), so 97 is coded "1": 100 one-bits, 12 bytes 0xFF and 0xF0.
  const Bytes in(100, 97);
  uint32_t table[512];
  std::memset(table, 0xFF, sizeof table);
  int32_t size = 0;
  const Bytes packed = encode(in, table, &size);
  Bytes expected(12, 0xFF);
  expected.push_back(0xF0);
  EXPECT_EQ(packed, expected);
  for (int i = 0; i < 512; ++i)
    EXPECT_EQ(table[i], i == 97 ? 100u : 0u) << i;
  Bytes out(100);
  EXPECT_EQ(kel::huffmanDecode(packed.data(), out.data(), table, 100, packed.size()), 100);
  EXPECT_EQ(out, in);
}

TEST(HuffmanStream, EveryByteValueHasACodeEvenWithZeroCount) {
  uint32_t counts[256] = {};
  counts[97] = 100;
  for (const std::string &code : referenceCodes(counts))
    EXPECT_FALSE(code.empty());
}

TEST(HuffmanStream, IdenticalToReferenceOnManyInputs) {
  std::mt19937 rng(99);
  std::vector<Bytes> inputs = {Bytes(2, 0), Bytes{1, 2, 1, 1, 1, 1, 1, 1}, deepTree()};
  for (int alphabet : {2, 3, 17, 100, 256})
    inputs.push_back(randomBytes(rng, 5000, alphabet));
  for (int i = 0; i < 30; ++i)
    inputs.push_back(skewed(rng, 2 + rng() % 3000));
  int compared = 0;
  for (size_t k = 0; k < inputs.size(); ++k) {
    const Bytes &in = inputs[k];
    const Bytes expected = referenceEncode(in);
    uint32_t table[512];
    int32_t size = 0;
    const Bytes packed = encode(in, table, &size);
    if (expected.size() >= in.size()) {
      EXPECT_EQ(size, 0) << "input " << k << " does not shrink";
      continue;
    }
    ASSERT_EQ(packed, expected) << "input " << k;
    Bytes out(in.size());
    ASSERT_EQ(kel::huffmanDecode(packed.data(), out.data(), table, static_cast<uint32_t>(in.size()),
                                 packed.size()),
              static_cast<int32_t>(in.size()));
    ASSERT_EQ(out, in) << "input " << k;
    ++compared;
  }
  EXPECT_GT(compared, 30);
}

TEST(HuffmanEncode, SingleByteCannotShrink) {
  const uint8_t one = 5;
  uint8_t out[4];
  uint32_t table[512];
  EXPECT_EQ(kel::huffmanEncode(out, &one, table, 1, 4), 0);
  kel::CpPackH pack{1, 0, 0, nullptr, nullptr};
  EXPECT_EQ(kel::huffmanEncode2(&one, &pack), -1);
  EXPECT_EQ(pack.packed, nullptr);
  EXPECT_EQ(pack.table, nullptr);
  kel::huffmanDeletePack(&pack);
}

TEST(HuffmanEncode, BytesBeyondCapacityAreCountedNotStored) {
  std::mt19937 rng(3);
  const Bytes in = skewed(rng, 2000);
  const Bytes expected = referenceEncode(in);
  Bytes out(50 + 8, 0xAB);
  uint32_t table[512];
  EXPECT_EQ(kel::huffmanEncode(out.data(), in.data(), table, 2000, 50),
            static_cast<int32_t>(expected.size()));
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 50, expected.begin()));
  for (size_t i = 50; i < out.size(); ++i)
    EXPECT_EQ(out[i], 0xAB);
}

TEST(HuffmanEncode, NullOrEmptyArgumentsGiveZero) {
  uint8_t buf[8] = {1, 1, 1, 1};
  uint32_t table[512];
  EXPECT_EQ(kel::huffmanEncode(nullptr, buf, table, 4, 8), 0);
  EXPECT_EQ(kel::huffmanEncode(buf, nullptr, table, 4, 8), 0);
  EXPECT_EQ(kel::huffmanEncode(buf, buf, nullptr, 4, 8), 0);
  EXPECT_EQ(kel::huffmanEncode(buf, buf, table, 0, 8), 0);
  EXPECT_EQ(kel::huffmanDecode(nullptr, buf, table, 4), 0);
  EXPECT_EQ(kel::huffmanDecode(buf, nullptr, table, 4), 0);
  EXPECT_EQ(kel::huffmanDecode(buf, buf, nullptr, 4), 0);
  EXPECT_EQ(kel::huffmanDecode(buf, buf, table, 0), 0);
}

TEST(HuffmanDecode, TableIsLeftUnchangedSoASecondDecodeGivesTheSameBytes) {
  Packed p = packSkewed(21, 800);
  ASSERT_GT(p.size, 0);
  uint32_t copy[512];
  std::memcpy(copy, p.table, sizeof p.table);
  for (int round = 0; round < 2; ++round) {
    Bytes out(800);
    EXPECT_EQ(kel::huffmanDecode(p.packed.data(), out.data(), p.table, 800, p.packed.size()), 800);
    EXPECT_EQ(out, p.in) << "round " << round;
  }
  EXPECT_EQ(std::memcmp(copy, p.table, sizeof p.table), 0);
}

TEST(HuffmanDecode, StreamEndingEarlyIsReported) {
  Packed p = packSkewed(22, 800);
  Bytes out(800);
  EXPECT_EQ(kel::huffmanDecode(p.packed.data(), out.data(), p.table, 800, p.packed.size() / 2), 0);
}

TEST(HuffmanDecode, HostileTablesDecodeWithinBounds) {
  // Weights at or above the selectable bound leave nodes out of the tree; a table of only
  // such weights has a leaf as root and reads no bits at all.
  uint32_t table[512];
  for (auto &w : table)
    w = 0xFFFFFFFFu;
  const uint8_t packed[1] = {0};
  Bytes out(10, 0);
  EXPECT_EQ(kel::huffmanDecode(packed, out.data(), table, 10, 1), 10);
  EXPECT_EQ(out, Bytes(10, 255));
  table[0] = table[1] = 2000000000u; // sum leaves the selectable range
  EXPECT_EQ(kel::huffmanDecode(packed, out.data(), table, 10, 1), 0) << "needs more than 8 bits";
  EXPECT_EQ(kel::huffmanDecode(packed, out.data(), table, 8, 1), 8);
  EXPECT_EQ(out[0], 0);
}

// ---- Value code ----------------------------------------------------------------------------

TEST(ValueCode, HandWorkedBitStrings) {
  // 0 00 | 0 11 | 10 001 | 10 111 | 110 0001, packed from the most significant bit:
  // 00001110 00110111 1100001(0)
  const uint32_t values[] = {0, 3, 4, 7, 8};
  uint8_t out[8] = {};
  EXPECT_EQ(kel::valuesEncode(values, out, 5, 8), 3);
  EXPECT_EQ(out[0], 0x0E);
  EXPECT_EQ(out[1], 0x37);
  EXPECT_EQ(out[2], 0xC2);
  uint32_t back[5] = {};
  EXPECT_EQ(kel::valuesDecode(out, back, 5, 3), 5);
  EXPECT_EQ(std::memcmp(back, values, sizeof values), 0);
}

TEST(ValueCode, MatchesReferenceAndRoundTripsLargeValues) {
  std::mt19937 rng(31);
  std::vector<uint32_t> values(512);
  for (auto &v : values)
    v = rng() >> (rng() % 32);
  values[0] = 0xFFFFFFFFu;
  values[1] = 0;
  std::string bits;
  for (uint32_t v : values)
    bits += valueBits(v);
  const Bytes expected = packMsbFirst(bits);
  ASSERT_GT(expected.size(), 512u);
  Bytes out(expected.size());
  EXPECT_EQ(kel::valuesEncode(values.data(), out.data(), 512, static_cast<uint32_t>(out.size())),
            static_cast<int32_t>(expected.size()));
  EXPECT_EQ(out, expected);
  std::vector<uint32_t> back(512);
  EXPECT_EQ(kel::valuesDecode(out.data(), back.data(), 512, out.size()), 512);
  EXPECT_EQ(back, values);
}

TEST(ValueCode, OverCapacityGivesZeroWithoutWritingPastIt) {
  const uint32_t values[] = {0xFFFFFFFFu, 0xFFFFFFFFu}; // 2 x 63 bits = 16 bytes
  uint8_t out[20];
  std::memset(out, 0xAB, sizeof out);
  EXPECT_EQ(kel::valuesEncode(values, out, 2, 15), 0);
  for (size_t i = 15; i < sizeof out; ++i)
    EXPECT_EQ(out[i], 0xAB);
  EXPECT_EQ(kel::valuesEncode(values, out, 2, 16), 16);
  EXPECT_EQ(kel::valuesEncode(nullptr, out, 2, 16), 0);
  EXPECT_EQ(kel::valuesEncode(values, nullptr, 2, 16), 0);
  EXPECT_EQ(kel::valuesEncode(values, out, 0, 16), 0);
}

TEST(ValueCode, OverlongOrTruncatedCodesAreRefused) {
  const uint8_t ones[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  uint32_t v = 0;
  EXPECT_EQ(kel::valuesDecode(ones, &v, 1, sizeof ones), 0)
      << "31 one-bits need more than 32 value bits";
  const uint8_t cut[1] = {0xC0}; // 110 then the stream ends inside the value bits
  EXPECT_EQ(kel::valuesDecode(cut, &v, 1, 0), 0);
  EXPECT_EQ(kel::valuesDecode(cut, &v, 2, 1), 0);
  EXPECT_EQ(kel::valuesDecode(nullptr, &v, 1), 0);
  EXPECT_EQ(kel::valuesDecode(cut, nullptr, 1), 0);
}

// Bit-at-a-time reading of the value code: the reference for hostile streams, down to which
// values are written before a failure.
int32_t referenceDecode(const Bytes &packed, std::vector<uint32_t> &values) {
  size_t pos = 0;
  auto bit = [&](uint32_t &b) {
    if (pos >= 8 * packed.size())
      return false;
    b = packed[pos / 8] >> (7 - pos % 8) & 1u;
    ++pos;
    return true;
  };
  for (uint32_t &v : values) {
    int k = 0;
    uint32_t b = 0;
    for (;;) {
      if (!bit(b))
        return 0;
      if (b == 0)
        break;
      if (++k > 30)
        return 0;
    }
    uint32_t x = 0;
    for (int j = 0; j < k + 2; ++j) {
      if (!bit(b))
        return 0;
      x |= b << j;
    }
    v = x;
  }
  return static_cast<int32_t>(values.size());
}

TEST(ValueCode, HostileStreamsDecodeAsBitByBitReading) {
  std::mt19937 rng(5);
  for (int round = 0; round < 3000; ++round) {
    Bytes packed(rng() % 40);
    for (auto &b : packed)
      b = rng() % 3 == 0 ? 0xFF : static_cast<uint8_t>(rng()); // long runs of ones too
    const uint32_t count = 1 + rng() % 12;
    std::vector<uint32_t> want(count, 0xDEADBEEFu), got(count, 0xDEADBEEFu);
    const int32_t expected = referenceDecode(packed, want);
    ASSERT_EQ(kel::valuesDecode(packed.data(), got.data(), count, packed.size()), expected)
        << "round " << round;
    ASSERT_EQ(got, want) << "round " << round;
  }
}

// ---- Library-allocated record --------------------------------------------------------------

TEST(HuffmanPack, EncodeTwoStoresStreamAndCodedTable) {
  std::mt19937 rng(41);
  const Bytes in = skewed(rng, 6000);
  kel::CpPackH pack{6000, 0, 0, nullptr, nullptr};
  ASSERT_EQ(kel::huffmanEncode2(in.data(), &pack), 0);
  const Bytes expected = referenceEncode(in);
  ASSERT_EQ(pack.packedLength, expected.size());
  EXPECT_EQ(std::memcmp(pack.packed, expected.data(), expected.size()), 0);

  uint32_t counts[512] = {};
  for (uint8_t b : in)
    ++counts[b];
  std::string bits;
  for (uint32_t c : counts)
    bits += valueBits(c);
  const Bytes table = packMsbFirst(bits);
  ASSERT_EQ(pack.tableLength, table.size());
  EXPECT_EQ(std::memcmp(pack.table, table.data(), table.size()), 0);

  Bytes out(6000);
  EXPECT_EQ(kel::huffmanDecode2(&pack, out.data()), 0);
  EXPECT_EQ(out, in);
  kel::huffmanDeletePack(&pack);
  EXPECT_EQ(pack.packed, nullptr);
  EXPECT_EQ(pack.table, nullptr);
  EXPECT_EQ(pack.plainLength, 0u);
  EXPECT_EQ(pack.packedLength, 0u);
  EXPECT_EQ(pack.tableLength, 0u);
  kel::huffmanDeletePack(nullptr);
}

TEST(HuffmanPack, DecodeTwoRefusesBrokenRecords) {
  std::mt19937 rng(42);
  const Bytes in = skewed(rng, 3000);
  kel::CpPackH pack{3000, 0, 0, nullptr, nullptr};
  ASSERT_EQ(kel::huffmanEncode2(in.data(), &pack), 0);
  Bytes out(3000);
  kel::CpPackH bad = pack;
  bad.tableLength = 10;
  EXPECT_EQ(kel::huffmanDecode2(&bad, out.data()), -1) << "table cut short";
  bad = pack;
  bad.packedLength = pack.packedLength / 3;
  EXPECT_EQ(kel::huffmanDecode2(&bad, out.data()), -1) << "stream cut short";
  bad = pack;
  bad.plainLength = 0;
  EXPECT_EQ(kel::huffmanDecode2(&bad, out.data()), -1);
  EXPECT_EQ(kel::huffmanDecode2(&pack, nullptr), -1);
  EXPECT_EQ(kel::huffmanDecode2(nullptr, out.data()), -1);
  EXPECT_EQ(kel::huffmanEncode2(nullptr, &pack), -1);
  EXPECT_EQ(pack.packed, nullptr) << "a failed encode clears the record";
  kel::huffmanDeletePack(&bad); // bad still owns the buffers
}

// ---- Short inputs: one lookup per symbol --------------------------------------------------
// Below a few thousand symbols decoding looks up eight bits at a time, loading bytes ahead only
// while the symbols still to come are sure to need them.

TEST(HuffmanDecodeShort, ExactBuffersWithAndWithoutALengthAndCutStreams) {
  std::mt19937 rng(41);
  std::vector<Bytes> inputs;
  for (const size_t n : {2u, 3u, 9u, 64u, 257u, 1024u, 4095u}) {
    for (const int alphabet : {2, 5, 40, 256})
      inputs.push_back(randomBytes(rng, n, alphabet));
    inputs.push_back(skewed(rng, n));
  }
  // Codes far longer than the eight bits looked up, and a run of one value (one-bit codes).
  Bytes deep;
  for (int sym = 0; sym < 14; ++sym)
    deep.insert(deep.end(), size_t{1} << (sym / 2), static_cast<uint8_t>(sym));
  inputs.push_back(deep);
  inputs.push_back(Bytes(300, 'x'));
  int decoded = 0;
  for (size_t k = 0; k < inputs.size(); ++k) {
    const Bytes &in = inputs[k];
    uint32_t table[512];
    int32_t size = 0;
    const Bytes packed = encode(in, table, &size);
    if (size == 0)
      continue; // did not shrink
    ASSERT_EQ(packed, referenceEncode(in)) << "input " << k;
    const auto n = static_cast<uint32_t>(in.size());
    expectDecodesWithAndWithoutLength(packed, table, in, k);
    // The last byte holds a bit of the last code at least.
    const std::unique_ptr<uint8_t[]> cut(new uint8_t[packed.size() - 1]);
    std::memcpy(cut.get(), packed.data(), packed.size() - 1);
    Bytes out(in.size());
    EXPECT_EQ(kel::huffmanDecode(cut.get(), out.data(), table, n, packed.size() - 1), 0)
        << "input " << k;
    ++decoded;
  }
  EXPECT_GT(decoded, 25);
}

// ---- Long inputs: the table-driven decoder ------------------------------------------------
// From a few thousand symbols on, decoding looks up several bits at once and only the last
// symbols go bit by bit, the stream read no further than they need.

TEST(HuffmanDecodeLong, DecodesTheSameWithAndWithoutAStreamLength) {
  std::mt19937 rng(31);
  const Bytes inputs[] = {skewed(rng, 20000), randomBytes(rng, 12000, 150),
                          randomBytes(rng, 9000, 2), deepTree()};
  for (size_t k = 0; k < std::size(inputs); ++k) {
    const Bytes &in = inputs[k];
    uint32_t table[512];
    int32_t size = 0;
    const Bytes packed = encode(in, table, &size);
    ASSERT_GT(size, 0) << "input " << k;
    ASSERT_EQ(packed, referenceEncode(in)) << "input " << k;
    expectDecodesWithAndWithoutLength(packed, table, in, k);
  }
}

TEST(HuffmanDecodeLong, StreamCutAtAnyOfItsLastBytesIsRefused) {
  Packed p = packSkewed(32, 10000);
  ASSERT_GT(p.size, 40);
  for (size_t cut = p.packed.size() - 40; cut < p.packed.size(); ++cut) {
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[cut]);
    std::memcpy(exact.get(), p.packed.data(), cut);
    Bytes out(p.in.size());
    EXPECT_EQ(kel::huffmanDecode(exact.get(), out.data(), p.table, 10000, cut), 0)
        << "cut at " << cut;
  }
}

TEST(HuffmanDecodeLong, HostileTablesAgreeWithBitByBitDecoding) {
  // Short runs decode bit by bit; a long run must begin with the same bytes and may refuse
  // only what the short run refuses too. Tables include weights whose sums wrap around 32
  // bits (trees of any depth) and weights that keep leaves out of the tree.
  std::mt19937 rng(33);
  const Bytes stream = randomBytes(rng, 40000, 256);
  for (int round = 0; round < 40; ++round) {
    uint32_t table[512] = {};
    for (int i = 0; i < 256; ++i) {
      switch (round % 4) {
      case 0:
        table[i] = rng();
        break;
      case 1:
        table[i] = rng() % 50;
        break;
      case 2:
        table[i] = (rng() % 4) << 30;
        break;
      default:
        table[i] = rng() % 3 == 0 ? 0xFFFFFFFFu : 1u << (rng() % 31);
        break;
      }
    }
    const uint32_t shortRun = 4000;
    const uint32_t longRun = 4096 + rng() % 20000;
    Bytes shortOut(shortRun), longOut(longRun);
    const int32_t shortResult =
        kel::huffmanDecode(stream.data(), shortOut.data(), table, shortRun, stream.size());
    const int32_t longResult =
        kel::huffmanDecode(stream.data(), longOut.data(), table, longRun, stream.size());
    if (shortResult == 0) {
      EXPECT_EQ(longResult, 0) << "round " << round;
      continue;
    }
    ASSERT_EQ(shortResult, static_cast<int32_t>(shortRun));
    if (longResult == 0)
      continue; // the stream ran out somewhere after the short run
    ASSERT_EQ(longResult, static_cast<int32_t>(longRun));
    ASSERT_TRUE(std::equal(shortOut.begin(), shortOut.end(), longOut.begin())) << "round " << round;
  }
}

} // namespace
