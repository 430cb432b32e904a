// Static Huffman coding of byte buffers and the variable-length code of 32-bit value arrays.
#include "util/core/huffman.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

namespace kel {
namespace {

// Weight below which a node can still be merged; merged nodes get kMerged.
constexpr uint32_t kSelectable = 2099999999u;
constexpr uint32_t kMerged = 2100000000u;
constexpr int kNodes = 512;

struct Tree {
  int16_t child[2][kNodes];
  int16_t parent[kNodes];
  uint8_t side[kNodes];
  int root;

  // weights: 256 leaf weights in, inner node weights written after them. Each step merges the
  // two smallest selectable weights, the lower node number first on equal weights.
  void build(uint32_t *weights) {
    for (int i = 0; i < kNodes; ++i)
      parent[i] = -1;
    uint64_t total = 0;
    for (int i = 0; i < 256; ++i)
      total += weights[i];
    if (total < kSelectable)
      buildFromQueues(weights);
    else
      buildWithHeap(weights);
  }

  // When the weights sum below the merge bound (every counted input), every leaf is selectable
  // and so is every merged node, and merged weights come out in rising order: the smallest
  // pair is always at the heads of two queues, the leaves sorted by (weight, node) and the
  // merged nodes in the order they were made. Same pairs as the heap, in linear time after a
  // sort of the non-zero weights.
  void buildFromQueues(uint32_t *weights) {
    int16_t leaves[256];
    int count = 0;
    uint64_t keys[256];
    int keyCount = 0;
    for (int i = 0; i < 256; ++i) {
      if (weights[i] == 0)
        leaves[count++] = static_cast<int16_t>(i);
      else
        keys[keyCount++] = static_cast<uint64_t>(weights[i]) << 16 | static_cast<uint64_t>(i);
    }
    std::sort(keys, keys + keyCount);
    for (int k = 0; k < keyCount; ++k)
      leaves[count++] = static_cast<int16_t>(keys[k] & 0xFFFF);
    int leaf = 0;    // head of the leaf queue
    int inner = 256; // head of the merged-node queue; n is its end
    int n = 256;
    auto pop = [&] {
      // On equal weights the leaf wins: its number is the lower one.
      if (leaf < 256 && (inner == n || weights[leaves[leaf]] <= weights[inner]))
        return static_cast<int>(leaves[leaf++]);
      return inner++;
    };
    while (n < 256 + 255) {
      const int first = pop();
      const int second = pop();
      link(weights, n, first, second);
      ++n;
    }
    root = n - 1;
  }

  void link(uint32_t *weights, int n, int first, int second) {
    child[0][n] = static_cast<int16_t>(first);
    child[1][n] = static_cast<int16_t>(second);
    weights[n] = weights[first] + weights[second];
    parent[first] = parent[second] = static_cast<int16_t>(n);
    side[first] = 0;
    side[second] = 1;
    weights[first] = weights[second] = kMerged;
  }

  // Any weights, hostile tables included: sums may wrap around 32 bits and weights at or above
  // the bound leave nodes out. A min-heap of (weight, node) keys gives the merge order.
  void buildWithHeap(uint32_t *weights) {
    uint64_t heap[kNodes];
    int size = 0;
    auto key = [](uint32_t weight, int node) {
      return static_cast<uint64_t>(weight) << 16 | static_cast<uint64_t>(node);
    };
    for (int i = 0; i < 256; ++i)
      if (weights[i] < kSelectable)
        heap[size++] = key(weights[i], i);
    std::make_heap(heap, heap + size, std::greater<>());
    auto pop = [&] {
      std::pop_heap(heap, heap + size, std::greater<>());
      return static_cast<int>(heap[--size] & 0xFFFF);
    };
    int n = 256;
    while (size >= 2) {
      const int first = pop();
      const int second = pop();
      link(weights, n, first, second);
      if (weights[n] < kSelectable) {
        heap[size++] = key(weights[n], n);
        std::push_heap(heap, heap + size, std::greater<>());
      }
      ++n;
    }
    root = n - 1;
  }
};

// Most-significant-bit-first writer that counts bytes beyond the capacity without storing them.
// Bit writer of the value code: bits leave most significant first, each byte as soon as it is
// whole; bytes past the capacity are counted, not stored.
class MsbWriter {
public:
  MsbWriter(uint8_t *dst, uint64_t capacity) : m_dst(dst), m_capacity(capacity) {}
  // The low count bits of bits, highest first; count at most 32.
  void put(uint32_t bits, int count) {
    m_acc = m_acc << count | bits;
    m_bits += count;
    while (m_bits >= 8) {
      m_bits -= 8;
      if (m_count < m_capacity)
        m_dst[m_count] = static_cast<uint8_t>(m_acc >> m_bits);
      ++m_count;
    }
    m_acc &= (uint64_t{1} << m_bits) - 1;
  }
  void finish() {
    if (m_bits != 0)
      put(0, 8 - m_bits);
  }
  uint64_t count() const { return m_count; }

private:
  uint8_t *m_dst;
  uint64_t m_capacity;
  uint64_t m_count = 0;
  uint64_t m_acc = 0; // the m_bits bits not yet stored, at the bottom
  int m_bits = 0;
};

// Bit reader of the value code: the next bit is the accumulator's highest; the bits below the
// m_bits read so far are zero, so a run of ones never extends past the input.
class MsbReader {
public:
  MsbReader(const uint8_t *src, size_t length) : m_src(src), m_length(length) {}
  // At least 57 bits at hand while the input lasts.
  void refill() {
    while (m_bits <= 56 && m_pos < m_length) {
      m_acc |= static_cast<uint64_t>(m_src[m_pos++]) << (56 - m_bits);
      m_bits += 8;
    }
  }
  uint64_t peek() const { return m_acc; }
  int bits() const { return m_bits; }
  void skip(int count) {
    m_acc <<= count;
    m_bits -= count;
  }

private:
  const uint8_t *m_src;
  size_t m_length;
  size_t m_pos = 0;
  uint64_t m_acc = 0;
  int m_bits = 0;
};

uint32_t reverseBits(uint32_t v) {
  v = (v >> 1 & 0x55555555u) | (v & 0x55555555u) << 1;
  v = (v >> 2 & 0x33333333u) | (v & 0x33333333u) << 2;
  v = (v >> 4 & 0x0F0F0F0Fu) | (v & 0x0F0F0F0Fu) << 4;
  return __builtin_bswap32(v);
}

// k one-bits, a zero, then the k + 2 low bits of v lowest first, k the bits of v >> 2.
void writeValue(MsbWriter &w, uint32_t v) {
  const int k = 32 - std::countl_zero(v >> 2);
  w.put(((uint32_t{1} << k) - 1) << 1, k + 1);
  w.put(reverseBits(v) >> (30 - k), k + 2);
}

// Codes of all 256 byte values: the bits on the way from the top of its tree down to the
// leaf, first bit highest, and their count (0 for a leaf outside every tree or at the root).
// Worked out from the top down in one pass over the nodes, as children always have lower
// numbers than their parent. Codes longer than 64 bits keep only their last 64 here; they
// occur only with weights that sum past 32 bits, which no counted input reaches, and are
// written from the tree (writeLongCode).
struct CodeBook {
  uint64_t bits[256];
  int length[256];

  explicit CodeBook(const Tree &tree) {
    uint64_t code[kNodes];
    int16_t depth[kNodes];
    for (int node = tree.root; node >= 256; --node) {
      if (tree.parent[node] < 0 || node == tree.root) {
        code[node] = 0;
        depth[node] = 0;
      }
      for (int side = 0; side < 2; ++side) {
        const int c = tree.child[side][node];
        code[c] = code[node] << 1 | static_cast<uint64_t>(side);
        depth[c] = static_cast<int16_t>(depth[node] + 1);
      }
    }
    for (int leaf = 0; leaf < 256; ++leaf) {
      const bool inTree = leaf != tree.root && tree.parent[leaf] >= 0;
      bits[leaf] = inTree ? code[leaf] : 0;
      length[leaf] = inTree ? depth[leaf] : 0;
    }
  }
};

// Codes up to this long go into the accumulator whole.
constexpr int kWordCode = 56;

// Writer of whole codes, most significant bit first, into a 64-bit accumulator; bytes beyond
// the capacity are counted, not stored, as by MsbWriter.
class CodeWriter {
public:
  CodeWriter(uint8_t *dst, uint64_t capacity) : m_dst(dst), m_capacity(capacity) {}
  // 0 < count <= kWordCode.
  void put(uint64_t code, int count) {
    if (m_bits + count > 64)
      drain();
    m_acc |= code << (64 - m_bits - count);
    m_bits += count;
  }
  // Stores the whole bytes of the accumulator: eight at once while they fit.
  void drain() {
    const int whole = m_bits >> 3;
    if (m_count + 8 <= m_capacity) {
      uint8_t bytes[8];
      for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<uint8_t>(m_acc >> (56 - 8 * i));
      std::memcpy(m_dst + m_count, bytes, 8);
    } else {
      for (int i = 0; i < whole; ++i)
        if (m_count + static_cast<uint64_t>(i) < m_capacity)
          m_dst[m_count + static_cast<uint64_t>(i)] = static_cast<uint8_t>(m_acc >> (56 - 8 * i));
    }
    m_count += static_cast<uint64_t>(whole);
    m_acc = whole == 8 ? 0 : m_acc << (8 * whole);
    m_bits -= 8 * whole;
  }
  // Bytes completed so far, counting the ones still in the accumulator.
  uint64_t count() const { return m_count + static_cast<uint64_t>(m_bits >> 3); }
  // Stores everything, the last byte filled up with zero bits; returns the byte count.
  uint64_t finish() {
    drain();
    if (m_bits != 0) {
      if (m_count < m_capacity)
        m_dst[m_count] = static_cast<uint8_t>(m_acc >> 56);
      ++m_count;
      m_acc = 0;
      m_bits = 0;
    }
    return m_count;
  }

private:
  uint8_t *m_dst;
  uint64_t m_capacity;
  uint64_t m_count = 0;
  uint64_t m_acc = 0; // pending bits at the top
  int m_bits = 0;
};

// A code too long for one word, bit by bit from the tree.
void writeLongCode(CodeWriter &out, const Tree &tree, int leaf) {
  uint8_t up[256];
  int n = 0;
  for (int node = leaf; node != tree.root && tree.parent[node] >= 0 && n < 256;
       node = tree.parent[node])
    up[n++] = tree.side[node];
  while (n > 0)
    out.put(up[--n], 1);
}

// Multi-symbol decoding table: for every value of the next kPeekBits bits, the byte values
// whose codes lie wholly inside them (at most kMaxRun), the bits those take, and, when no code
// ends inside, the inner node those bits lead to. A decode step then costs one lookup for
// short codes and continues bit by bit only below that node. An entry is one word: the byte
// values in bits 0-23, the bits they take in 24-27, their count in 28-29.
constexpr int kPeekBits = 11;
constexpr int kMaxRun = 3;

struct PeekTable {
  uint32_t entry[1u << kPeekBits];
  int16_t node[1u << kPeekBits]; // where entry holds no byte value
};

// Walks the tree once to the table's depth instead of once per entry: a prefix after which
// the entry can no longer change (kMaxRun byte values found, or kPeekBits bits read) fills its
// whole range of entries at once. Building stays a small part of a 4 KiB decode.
void fillPeekTable(const Tree &tree, PeekTable &table, uint32_t prefix, int depth, int node,
                   uint32_t symbols, uint32_t count, uint32_t used) {
  if (depth == kPeekBits || count == kMaxRun) {
    const uint32_t entry = symbols | (count == 0 ? kPeekBits : used) << 24 | count << 28;
    const auto inner = static_cast<int16_t>(count == 0 ? node : 0);
    const int rest = kPeekBits - depth;
    for (uint32_t index = prefix << rest; index < (prefix + 1) << rest; ++index) {
      table.entry[index] = entry;
      table.node[index] = inner;
    }
    return;
  }
  for (uint32_t bit = 0; bit < 2; ++bit) {
    const int next = tree.child[bit][node];
    if (next < 256)
      fillPeekTable(tree, table, prefix << 1 | bit, depth + 1, tree.root,
                    symbols | static_cast<uint32_t>(next) << (8 * count), count + 1,
                    static_cast<uint32_t>(depth + 1));
    else
      fillPeekTable(tree, table, prefix << 1 | bit, depth + 1, next, symbols, count, used);
  }
}

void buildPeekTable(const Tree &tree, PeekTable &table) {
  fillPeekTable(tree, table, 0, 0, tree.root, 0, 0, 0);
}

// Below this many symbols building the table costs more than it saves.
constexpr uint32_t kPeekMinimum = 4096;

// Depth of the shallowest leaf below the root (the shortest code), at least 1.
int shortestCode(const Tree &tree) {
  int16_t level[kNodes];
  int size = 0;
  int depth = 1;
  level[size++] = static_cast<int16_t>(tree.root);
  for (;; ++depth) {
    int16_t next[kNodes];
    int nextSize = 0;
    for (int i = 0; i < size; ++i)
      for (int side = 0; side < 2; ++side) {
        const int child = tree.child[side][level[i]];
        if (child < 256)
          return depth;
        if (nextSize < kNodes)
          next[nextSize++] = static_cast<int16_t>(child);
      }
    if (nextSize == 0)
      return depth;
    std::memcpy(level, next, static_cast<size_t>(nextSize) * sizeof(int16_t));
    size = nextSize;
  }
}

// Walks from `node` down to a leaf a bit at a time, a byte loaded only once its first bit is
// due, as the plain reader does; the leaf's byte value, or -1 when the stream ends first.
inline int walkToLeaf(const Tree &tree, int node, const uint8_t *src, size_t length, size_t &pos,
                      uint64_t &acc, int &bits) {
  while (node >= 256) {
    if (bits == 0) {
      if (pos >= length)
        return -1;
      acc = static_cast<uint64_t>(src[pos++]) << 56;
      bits = 8;
    }
    node = tree.child[acc >> 63][node];
    acc <<= 1;
    --bits;
  }
  return node;
}

// Table-driven decoding; false when the stream ends before plainLength symbols. The stream's
// length may be unknown (the caller's buffer then holds exactly what the codes need), so bytes
// are loaded ahead only while the symbols still to come are sure to need them; the last ones
// are decoded bit by bit, a byte loaded only when its first bit is due, as the plain reader does.
bool decodeWithTable(const Tree &tree, PeekTable *table, const uint8_t *src, size_t length,
                     uint8_t *out, uint32_t plainLength) {
  static_assert(kPeekBits <= 56, "a peek must fit the refilled accumulator");
  buildPeekTable(tree, *table);
  const uint32_t shortest = static_cast<uint32_t>(shortestCode(tree));
  uint64_t acc = 0; // unread bits at the top
  int bits = 0;
  size_t pos = 0;
  uint32_t produced = 0;
  auto refill = [&] {
    if (length - pos >= 8) {
      // Eight bytes at once; those beyond the count are the stream's next bytes, so loading
      // them again later changes nothing.
      uint64_t word = 0;
      for (int i = 0; i < 8; ++i)
        word = word << 8 | src[pos + static_cast<size_t>(i)];
      acc |= word >> bits;
      pos += static_cast<size_t>(63 - bits) >> 3;
      bits |= 56;
      return;
    }
    while (bits <= 56 && pos < length) {
      acc |= static_cast<uint64_t>(src[pos++]) << (56 - bits);
      bits += 8;
    }
  };
  // The fast loop keeps room for a whole entry in the output, and the symbols after the next
  // one still need at least 128 bits: more than a refill loads ahead of where it starts.
  const uint32_t room = std::max<uint32_t>(kMaxRun + 2, 1 + (128 + shortest - 1) / shortest);
  const uint32_t fastEnd = plainLength >= room ? plainLength - room + 1 : 0;
  while (produced < fastEnd) {
    if (bits < kPeekBits) {
      refill();
      if (bits < kPeekBits)
        break;
    }
    const uint32_t index = static_cast<uint32_t>(acc >> (64 - kPeekBits));
    const uint32_t e = table->entry[index];
    const uint32_t count = e >> 28;
    if (count != 0) {
      // All three slots are written; the ones beyond count are overwritten next.
      out[produced] = static_cast<uint8_t>(e);
      out[produced + 1] = static_cast<uint8_t>(e >> 8);
      out[produced + 2] = static_cast<uint8_t>(e >> 16);
      produced += count;
      const int used = static_cast<int>((e >> 24) & 0xF);
      acc <<= used;
      bits -= used;
      continue;
    }
    acc <<= kPeekBits;
    bits -= kPeekBits;
    int node = table->node[index];
    while (node >= 256) {
      if (bits == 0) {
        refill();
        if (bits == 0)
          return false;
      }
      node = tree.child[acc >> 63][node];
      acc <<= 1;
      --bits;
    }
    out[produced++] = static_cast<uint8_t>(node);
  }
  while (produced < plainLength) {
    const int leaf = walkToLeaf(tree, tree.root, src, length, pos, acc, bits);
    if (leaf < 0)
      return false;
    out[produced++] = static_cast<uint8_t>(leaf);
  }
  return true;
}

// Decoding for inputs too short to pay for the multi-symbol table: one lookup of the next
// kSmallBits bits gives the symbol and its code length, or the node those bits lead to; the
// table costs one pass over the top of the tree. The stream is read as the plain reader would:
// a byte is loaded only once its first bit is sure to be needed, which holds while the bits at
// hand are fewer than the symbols still to come times the shortest code (a lower bound of it).
constexpr int kSmallBits = 8;

bool decodeSmall(const Tree &tree, const uint8_t *src, size_t length, uint8_t *out,
                 uint32_t plainLength) {
  // Entry: node number (a byte value below 256) in bits 0-8, bits it takes in 9-12.
  uint16_t table[1u << kSmallBits];
  int shortest = kSmallBits;
  {
    struct Item {
      int16_t node;
      int16_t depth;
      uint16_t prefix;
    };
    Item stack[2 * kSmallBits + 2];
    int top = 0;
    stack[top++] = {static_cast<int16_t>(tree.root), 0, 0};
    while (top > 0) {
      const Item item = stack[--top];
      if (item.node < 256 || item.depth == kSmallBits) {
        const int free = kSmallBits - item.depth;
        const auto entry = static_cast<uint16_t>(item.node | item.depth << 9);
        const uint32_t first = static_cast<uint32_t>(item.prefix) << free;
        for (uint32_t i = 0; i < (1u << free); ++i)
          table[first + i] = entry;
        if (item.node < 256)
          shortest = std::min<int>(shortest, item.depth);
        continue;
      }
      for (int side = 1; side >= 0; --side)
        stack[top++] = {tree.child[side][item.node], static_cast<int16_t>(item.depth + 1),
                        static_cast<uint16_t>(item.prefix << 1 | side)};
    }
  }
  uint64_t acc = 0; // unread bits at the top
  int bits = 0;
  size_t pos = 0;
  for (uint32_t i = 0; i < plainLength; ++i) {
    if (bits < kSmallBits) {
      const uint64_t due = static_cast<uint64_t>(plainLength - i) * static_cast<uint64_t>(shortest);
      if (due >= 64 && length - pos >= 8) {
        // Eight bytes at once, all of them due; those beyond the count are the stream's next
        // bytes, so loading them again later changes nothing.
        uint64_t word = 0;
        for (int k = 0; k < 8; ++k)
          word = word << 8 | src[pos + static_cast<size_t>(k)];
        acc |= word >> bits;
        pos += static_cast<size_t>(63 - bits) >> 3;
        bits |= 56;
      } else {
        while (bits <= 56 && pos < length && static_cast<uint64_t>(bits) < due) {
          acc |= static_cast<uint64_t>(src[pos++]) << (56 - bits);
          bits += 8;
        }
      }
    }
    int node = tree.root;
    if (bits >= kSmallBits) {
      const uint16_t e = table[acc >> (64 - kSmallBits)];
      const int used = e >> 9;
      node = e & 0x1FF;
      acc <<= used;
      bits -= used;
    }
    node = walkToLeaf(tree, node, src, length, pos, acc, bits);
    if (node < 0)
      return false;
    out[i] = static_cast<uint8_t>(node);
  }
  return true;
}

} // namespace

namespace {

// huffmanEncode without the argument checks: the packed size, or 0 for data that does not
// shrink.
int32_t encode(void *output, const void *input, uint32_t *table, uint32_t inputLength,
               uint32_t outputCapacity) {
  const auto *in = static_cast<const uint8_t *>(input);
  uint32_t weights[kNodes] = {};
  // Four partial counts, so that runs of one byte value do not wait on one counter.
  {
    uint32_t part[4][256] = {};
    uint32_t i = 0;
    for (; i + 4 <= inputLength; i += 4) {
      ++part[0][in[i]];
      ++part[1][in[i + 1]];
      ++part[2][in[i + 2]];
      ++part[3][in[i + 3]];
    }
    for (; i < inputLength; ++i)
      ++part[0][in[i]];
    for (int v = 0; v < 256; ++v)
      weights[v] = part[0][v] + part[1][v] + part[2][v] + part[3][v];
  }
  std::memcpy(table, weights, sizeof weights);
  if (inputLength >= kHuffmanMaxInput)
    return 0;

  Tree tree;
  tree.build(weights);
  const CodeBook book(tree);

  CodeWriter out(static_cast<uint8_t *>(output), outputCapacity);
  for (uint32_t i = 0; i < inputLength; ++i) {
    const uint8_t b = in[i];
    const int n = book.length[b];
    if (n == 0) {
      // The tree of counted bytes always has inner nodes, so every code has a bit.
    } else if (n <= kWordCode) {
      out.put(book.bits[b], n);
    } else {
      writeLongCode(out, tree, b);
    }
    // The stream cannot shrink any more. Checked on every byte like this, the count of
    // pending whole bytes makes the check as early as byte-by-byte writing would.
    if (out.count() >= inputLength)
      return 0;
  }
  const uint64_t count = out.finish();
  return count < inputLength ? static_cast<int32_t>(count) : 0;
}

} // namespace

int32_t huffmanEncode(void *output, const void *input, uint32_t *table, uint32_t inputLength,
                      uint32_t outputCapacity) {
  if (output == nullptr || input == nullptr || table == nullptr || inputLength == 0)
    return 0;
  return encode(output, input, table, inputLength, outputCapacity);
}

int32_t huffmanDecode(const void *packed, void *output, const uint32_t *table, uint32_t plainLength,
                      size_t packedLength) {
  if (packed == nullptr || output == nullptr || table == nullptr || plainLength == 0 ||
      plainLength > static_cast<uint32_t>(INT32_MAX))
    return 0;
  // The tree is built in a private copy: the caller's table stays as given, so it can be used
  // again.
  uint32_t weights[kNodes] = {};
  std::memcpy(weights, table, 256 * sizeof(uint32_t));
  Tree tree;
  tree.build(weights);
  const auto *src = static_cast<const uint8_t *>(packed);
  auto *out = static_cast<uint8_t *>(output);
  if (tree.root < 256) {
    // At most one selectable weight: no inner node, every symbol is the root and reads no bits.
    std::memset(out, tree.root, plainLength);
    return static_cast<int32_t>(plainLength);
  }
  if (plainLength >= kPeekMinimum) {
    const std::unique_ptr<PeekTable> peek(new (std::nothrow) PeekTable);
    if (!peek)
      return 0;
    const bool complete = decodeWithTable(tree, peek.get(), src, packedLength, out, plainLength);
    return complete ? static_cast<int32_t>(plainLength) : 0;
  }
  return decodeSmall(tree, src, packedLength, out, plainLength) ? static_cast<int32_t>(plainLength)
                                                                : 0;
}

int32_t valuesEncode(const uint32_t *values, void *output, uint32_t valueCount,
                     uint32_t outputCapacity) {
  if (values == nullptr || output == nullptr || valueCount == 0)
    return 0;
  MsbWriter out(static_cast<uint8_t *>(output), outputCapacity);
  for (uint32_t i = 0; i < valueCount; ++i) {
    writeValue(out, values[i]);
    if (out.count() > outputCapacity)
      return 0;
  }
  out.finish();
  if (out.count() > outputCapacity || out.count() > static_cast<uint64_t>(INT32_MAX))
    return 0;
  return static_cast<int32_t>(out.count());
}

int32_t valuesDecode(const void *packed, uint32_t *values, uint32_t valueCount,
                     size_t packedLength) {
  if (packed == nullptr || values == nullptr || valueCount == 0 ||
      valueCount > static_cast<uint32_t>(INT32_MAX))
    return 0;
  MsbReader in(static_cast<const uint8_t *>(packed), packedLength);
  for (uint32_t i = 0; i < valueCount; ++i) {
    in.refill();
    const int k = std::countl_one(in.peek());
    if (k > 30)
      return 0; // no 32-bit value has a longer code
    if (k >= in.bits())
      return 0; // the input ends before the zero that closes the ones
    in.skip(k + 1);
    in.refill();
    const int width = k + 2;
    if (in.bits() < width)
      return 0;
    values[i] = reverseBits(static_cast<uint32_t>(in.peek() >> (64 - width))) >> (32 - width);
    in.skip(width);
  }
  return static_cast<int32_t>(valueCount);
}

int32_t huffmanEncode2(const void *input, CpPackH *pack) {
  if (pack == nullptr)
    return -1;
  pack->packedLength = 0;
  pack->tableLength = 0;
  pack->table = nullptr;
  pack->packed = nullptr;
  if (input == nullptr || pack->plainLength == 0)
    return -1;
  std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[pack->plainLength]);
  if (!work)
    return kHuffmanNoMemory;
  uint32_t table[kHuffmanTableEntries];
  const int32_t size = encode(work.get(), input, table, pack->plainLength, pack->plainLength);
  if (size <= 0)
    return -1;
  // A 32-bit input total keeps the coded table well inside 2,048 bytes.
  uint8_t coded[2048];
  const int32_t codedSize = valuesEncode(table, coded, kHuffmanTableEntries, sizeof coded);
  if (codedSize <= 0)
    return -1;
  std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
  std::unique_ptr<uint8_t[]> codedTable(new (std::nothrow) uint8_t[static_cast<size_t>(codedSize)]);
  if (!packed || !codedTable)
    return kHuffmanNoMemory;
  std::memcpy(packed.get(), work.get(), static_cast<size_t>(size));
  std::memcpy(codedTable.get(), coded, static_cast<size_t>(codedSize));
  pack->packedLength = static_cast<uint32_t>(size);
  pack->packed = packed.release();
  pack->tableLength = static_cast<uint32_t>(codedSize);
  pack->table = codedTable.release();
  return 0;
}

int32_t huffmanDecode2(const CpPackH *pack, void *output) {
  if (pack == nullptr || output == nullptr || pack->packed == nullptr || pack->table == nullptr ||
      pack->plainLength == 0 || pack->packedLength == 0 || pack->tableLength == 0)
    return -1;
  uint32_t table[kHuffmanTableEntries];
  if (valuesDecode(pack->table, table, kHuffmanTableEntries, pack->tableLength) !=
      static_cast<int32_t>(kHuffmanTableEntries))
    return -1;
  const int32_t produced =
      huffmanDecode(pack->packed, output, table, pack->plainLength, pack->packedLength);
  return produced > 0 && static_cast<uint32_t>(produced) == pack->plainLength ? 0 : -1;
}

void huffmanDeletePack(CpPackH *pack) {
  if (pack == nullptr)
    return;
  delete[] static_cast<uint8_t *>(pack->packed);
  delete[] static_cast<uint8_t *>(pack->table);
  *pack = CpPackH{0, 0, 0, nullptr, nullptr};
}

} // namespace kel
