// ColorCountTable: the engine's chained hash table of distinct colours.
#pragma once

#include <cstdint>

namespace vop {

// Two tables of 16,772,191 bucket heads each (a prime); only table 0 is filled. The bucket
// arrays are allocated zeroed on first use and kept until destruction, so an unused table
// costs no memory and a used one cannot fail to come back. One node per
// distinct colour, appended at the end of its chain.
//
// Beside the chains the table holds a presence map, one bit for each of the 2^24 colours
// 0x00BBGGRR (2 MiB, allocated on first use and kept like the buckets). Counting an image only
// needs to know which colours occur: a bit per colour stays in cache where 12-byte nodes
// behind 134 MB of heads do not. A count through the map leaves no nodes, so countOf and
// chainLength describe inserts only.
class ColorCountTable {
public:
  static constexpr uint32_t kBuckets = 16772191;

  ColorCountTable() = default;
  ~ColorCountTable();
  ColorCountTable(const ColorCountTable &) = delete;
  ColorCountTable &operator=(const ColorCountTable &) = delete;

  // ((value * 27011) & 0x7FFFFFFF) mod kBuckets in 32-bit unsigned arithmetic.
  static constexpr uint32_t hash(uint32_t value) {
    return ((value * 27011u) & 0x7FFFFFFFu) % kBuckets;
  }

  // Counts one occurrence of value in table 0. Returns the distinct count, or kNoMemory
  // (the table unchanged) when a node or the bucket array cannot be allocated.
  int32_t insert(uint32_t value);

  // Frees every chain of the table and empties its buckets, keeping the bucket array for the
  // next count; table 0 also resets the distinct count. Other table numbers are ignored.
  void clear(int table);
  // Whether table 0's bucket array is held (from the first insert until destruction).
  bool holdsBuckets() const { return m_heads[0] != nullptr; }

  // Starts a count through the presence map: empties table 0 (distinct count 0) and returns
  // the map, 2^18 words with every bit clear, in which the caller sets bit (c & 63) of word
  // c >> 6 for each colour c <= 0x00FFFFFF. Null, the table emptied, when the map cannot be
  // allocated.
  uint64_t *beginMapCount();
  // Ends the count: the distinct count becomes the number of bits set, and is returned.
  int32_t endMapCount();
  static constexpr uint32_t kMapWords = (1u << 24) / 64;

  uint32_t distinct() const { return m_distinct; }
  // Occurrences of value counted in table 0 (0 when absent).
  uint32_t countOf(uint32_t value) const;
  // Nodes in the chain of a bucket of table 0, for checking the chaining.
  uint32_t chainLength(uint32_t bucket) const;

private:
  struct Node {
    uint32_t color;
    uint32_t count;
    Node *next;
  };

  Node **m_heads[2] = {nullptr, nullptr};
  uint64_t *m_map = nullptr;
  Node *m_last = nullptr; // the node of the latest insert into table 0
  uint32_t m_distinct = 0;
};

} // namespace vop
