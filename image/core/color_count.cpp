// Chained hash table of distinct colours.
#include "image/core/color_count.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/core/result.h"

namespace vop {

ColorCountTable::~ColorCountTable() {
  clear(0);
  clear(1);
  std::free(m_heads[0]);
  std::free(m_heads[1]);
  delete[] m_map;
}

uint64_t *ColorCountTable::beginMapCount() {
  clear(0);
  if (m_map == nullptr) {
    m_map = new (std::nothrow) uint64_t[kMapWords];
    if (m_map == nullptr)
      return nullptr;
  }
  std::memset(m_map, 0, kMapWords * sizeof(uint64_t));
  return m_map;
}

int32_t ColorCountTable::endMapCount() {
  uint32_t n = 0;
  if (m_map != nullptr) {
    for (uint32_t i = 0; i < kMapWords; ++i)
      n += static_cast<uint32_t>(std::popcount(m_map[i]));
  }
  m_distinct = n;
  return static_cast<int32_t>(n);
}

int32_t ColorCountTable::insert(uint32_t value) {
  if (m_heads[0] == nullptr) {
    // calloc hands out untouched zero pages: only buckets in use get committed.
    m_heads[0] = static_cast<Node **>(std::calloc(kBuckets, sizeof(Node *)));
    if (m_heads[0] == nullptr)
      return kNoMemory;
  }
  // Pictures repeat colours in runs: the node of the previous insert needs no search.
  if (m_last != nullptr && m_last->color == value) {
    ++m_last->count;
    return static_cast<int32_t>(m_distinct);
  }
  Node **slot = &m_heads[0][hash(value)];
  while (*slot != nullptr) {
    if ((*slot)->color == value) {
      ++(*slot)->count;
      m_last = *slot;
      return static_cast<int32_t>(m_distinct);
    }
    slot = &(*slot)->next;
  }
  Node *node = new (std::nothrow) Node{value, 1, nullptr};
  if (node == nullptr)
    return kNoMemory;
  *slot = node;
  m_last = node;
  ++m_distinct;
  return static_cast<int32_t>(m_distinct);
}

void ColorCountTable::clear(int table) {
  if (table != 0 && table != 1)
    return;
  Node **heads = m_heads[table];
  if (heads != nullptr) {
    // The array is kept: allocated again at each count, 67 MB in one piece can be missing
    // from a fragmented 32-bit address space. Only heads in use are written, so pages that
    // never held a colour stay uncommitted.
    for (uint32_t i = 0; i < kBuckets; ++i) {
      Node *node = heads[i];
      if (node == nullptr)
        continue;
      heads[i] = nullptr;
      while (node != nullptr) {
        Node *next = node->next;
        delete node;
        node = next;
      }
    }
  }
  if (table == 0) {
    m_distinct = 0;
    m_last = nullptr;
  }
}

uint32_t ColorCountTable::countOf(uint32_t value) const {
  if (m_heads[0] == nullptr)
    return 0;
  for (const Node *n = m_heads[0][hash(value)]; n != nullptr; n = n->next) {
    if (n->color == value)
      return n->count;
  }
  return 0;
}

uint32_t ColorCountTable::chainLength(uint32_t bucket) const {
  if (m_heads[0] == nullptr || bucket >= kBuckets)
    return 0;
  uint32_t n = 0;
  for (const Node *p = m_heads[0][bucket]; p != nullptr; p = p->next)
    ++n;
  return n;
}

} // namespace vop
