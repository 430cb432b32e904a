// Static Huffman coding of byte buffers and the variable-length code of 32-bit value arrays.
#include "util/core/huffman.h"

#include <algorithm>
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
  // two smallest selectable weights, the lower node number first on equal weights. A min-heap
  // of (weight, node) keys gives exactly that order without scanning all nodes every step.
  void build(uint32_t *weights) {
    for (int i = 0; i < kNodes; ++i)
      parent[i] = -1;
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
      child[0][n] = static_cast<int16_t>(first);
      child[1][n] = static_cast<int16_t>(second);
      weights[n] = weights[first] + weights[second];
      parent[first] = parent[second] = static_cast<int16_t>(n);
      side[first] = 0;
      side[second] = 1;
      weights[first] = weights[second] = kMerged;
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
class MsbWriter {
public:
  MsbWriter(uint8_t *dst, uint64_t capacity) : m_dst(dst), m_capacity(capacity) {}
  void put(uint32_t bit) {
    m_acc = static_cast<uint8_t>(m_acc << 1 | bit);
    if (++m_bits == 8) {
      if (m_count < m_capacity)
        m_dst[m_count] = m_acc;
      ++m_count;
      m_bits = 0;
      m_acc = 0;
    }
  }
  void finish() {
    if (m_bits != 0) {
      const int pad = 8 - m_bits;
      for (int i = 0; i < pad; ++i)
        put(0);
    }
  }
  uint64_t count() const { return m_count; }

private:
  uint8_t *m_dst;
  uint64_t m_capacity;
  uint64_t m_count = 0;
  uint8_t m_acc = 0;
  int m_bits = 0;
};

class MsbReader {
public:
  MsbReader(const uint8_t *src, size_t length) : m_src(src), m_length(length) {}
  bool get(uint32_t &bit) {
    if (m_bits == 0) {
      if (m_pos >= m_length)
        return false;
      m_acc = m_src[m_pos++];
      m_bits = 8;
    }
    --m_bits;
    bit = (m_acc >> m_bits) & 1u;
    return true;
  }

private:
  const uint8_t *m_src;
  size_t m_length;
  size_t m_pos = 0;
  uint32_t m_acc = 0;
  int m_bits = 0;
};

void writeValue(MsbWriter &w, uint32_t v) {
  int k = 0;
  for (uint32_t rest = v >> 2; rest != 0; rest >>= 1)
    ++k;
  for (int i = 0; i < k; ++i)
    w.put(1);
  w.put(0);
  for (int i = 0; i < k + 2; ++i)
    w.put((v >> i) & 1u);
}

} // namespace

int32_t huffmanEncode(void *output, const void *input, uint32_t *table, uint32_t inputLength,
                      uint32_t outputCapacity) {
  if (output == nullptr || input == nullptr || table == nullptr || inputLength == 0)
    return 0;
  const auto *in = static_cast<const uint8_t *>(input);
  uint32_t weights[kNodes] = {};
  for (uint32_t i = 0; i < inputLength; ++i)
    ++weights[in[i]];
  std::memcpy(table, weights, sizeof weights);
  if (inputLength >= kHuffmanMaxInput)
    return 0;

  Tree tree;
  tree.build(weights);
  // Codes from the root down, at most 255 sides each.
  uint8_t codes[256][256];
  int lengths[256];
  for (int leaf = 0; leaf < 256; ++leaf) {
    uint8_t up[256];
    int n = 0;
    for (int node = leaf; node != tree.root && tree.parent[node] >= 0 && n < 256; node = tree.parent[node])
      up[n++] = tree.side[node];
    lengths[leaf] = n;
    for (int i = 0; i < n; ++i)
      codes[leaf][i] = up[n - 1 - i];
  }

  MsbWriter out(static_cast<uint8_t *>(output), outputCapacity);
  for (uint32_t i = 0; i < inputLength; ++i) {
    const uint8_t b = in[i];
    for (int j = 0; j < lengths[b]; ++j)
      out.put(codes[b][j]);
    if (out.count() >= inputLength)
      return 0; // cannot shrink any more
  }
  out.finish();
  return out.count() < inputLength ? static_cast<int32_t>(out.count()) : 0;
}

int32_t huffmanDecode(const void *packed, void *output, const uint32_t *table, uint32_t plainLength,
                      size_t packedLength) {
  if (packed == nullptr || output == nullptr || table == nullptr || plainLength == 0 ||
      plainLength > static_cast<uint32_t>(INT32_MAX))
    return 0;
  // The tree is built in a private copy: the caller's table stays as given, so it can be used again.
  uint32_t weights[kNodes] = {};
  std::memcpy(weights, table, 256 * sizeof(uint32_t));
  Tree tree;
  tree.build(weights);
  MsbReader in(static_cast<const uint8_t *>(packed), packedLength);
  auto *out = static_cast<uint8_t *>(output);
  for (uint32_t i = 0; i < plainLength; ++i) {
    int node = tree.root;
    while (node >= 256) {
      uint32_t bit = 0;
      if (!in.get(bit))
        return 0;
      node = tree.child[bit][node];
    }
    out[i] = static_cast<uint8_t>(node);
  }
  return static_cast<int32_t>(plainLength);
}

int32_t valuesEncode(const uint32_t *values, void *output, uint32_t valueCount, uint32_t outputCapacity) {
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

int32_t valuesDecode(const void *packed, uint32_t *values, uint32_t valueCount, size_t packedLength) {
  if (packed == nullptr || values == nullptr || valueCount == 0 || valueCount > static_cast<uint32_t>(INT32_MAX))
    return 0;
  MsbReader in(static_cast<const uint8_t *>(packed), packedLength);
  for (uint32_t i = 0; i < valueCount; ++i) {
    int k = 0;
    uint32_t bit = 0;
    for (;;) {
      if (!in.get(bit))
        return 0;
      if (bit == 0)
        break;
      if (++k > 30)
        return 0; // no 32-bit value has a longer code
    }
    uint32_t v = 0;
    for (int j = 0; j < k + 2; ++j) {
      if (!in.get(bit))
        return 0;
      v |= bit << j;
    }
    values[i] = v;
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
  const int32_t size = huffmanEncode(work.get(), input, table, pack->plainLength, pack->plainLength);
  if (size <= 0)
    return -1;
  // A 32-bit input total keeps the coded table well inside 2,048 bytes.
  uint8_t coded[2048];
  const int32_t codedSize = valuesEncode(table, coded, kHuffmanTableEntries, sizeof coded);
  if (codedSize <= 0)
    return -1;
  void *packed = std::malloc(static_cast<size_t>(size));
  void *codedTable = std::malloc(static_cast<size_t>(codedSize));
  if (packed == nullptr || codedTable == nullptr) {
    std::free(packed);
    std::free(codedTable);
    return kHuffmanNoMemory;
  }
  std::memcpy(packed, work.get(), static_cast<size_t>(size));
  std::memcpy(codedTable, coded, static_cast<size_t>(codedSize));
  pack->packedLength = static_cast<uint32_t>(size);
  pack->packed = packed;
  pack->tableLength = static_cast<uint32_t>(codedSize);
  pack->table = codedTable;
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
  const int32_t produced = huffmanDecode(pack->packed, output, table, pack->plainLength, pack->packedLength);
  return produced > 0 && static_cast<uint32_t>(produced) == pack->plainLength ? 0 : -1;
}

void huffmanDeletePack(CpPackH *pack) {
  if (pack == nullptr)
    return;
  std::free(pack->packed);
  std::free(pack->table);
  *pack = CpPackH{0, 0, 0, nullptr, nullptr};
}

} // namespace kel
