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
  std::free(heads_[0]);
  std::free(heads_[1]);
  delete[] map_;
}

uint64_t* ColorCountTable::beginMapCount() {
  clear(0);
  if (map_ == nullptr) {
    map_ = new (std::nothrow) uint64_t[kMapWords];
    if (map_ == nullptr) return nullptr;
  }
  std::memset(map_, 0, kMapWords * sizeof(uint64_t));
  return map_;
}

int32_t ColorCountTable::endMapCount() {
  uint32_t n = 0;
  if (map_ != nullptr) {
    for (uint32_t i = 0; i < kMapWords; ++i) n += static_cast<uint32_t>(std::popcount(map_[i]));
  }
  distinct_ = n;
  return static_cast<int32_t>(n);
}

int32_t ColorCountTable::insert(uint32_t value) {
  if (heads_[0] == nullptr) {
    // calloc hands out untouched zero pages: only buckets in use get committed.
    heads_[0] = static_cast<Node**>(std::calloc(kBuckets, sizeof(Node*)));
    if (heads_[0] == nullptr) return kNoMemory;
  }
  // Pictures repeat colours in runs: the node of the previous insert needs no search.
  if (last_ != nullptr && last_->color == value) {
    ++last_->count;
    return static_cast<int32_t>(distinct_);
  }
  Node** slot = &heads_[0][hash(value)];
  while (*slot != nullptr) {
    if ((*slot)->color == value) {
      ++(*slot)->count;
      last_ = *slot;
      return static_cast<int32_t>(distinct_);
    }
    slot = &(*slot)->next;
  }
  Node* node = new (std::nothrow) Node{value, 1, nullptr};
  if (node == nullptr) return kNoMemory;
  *slot = node;
  last_ = node;
  ++distinct_;
  return static_cast<int32_t>(distinct_);
}

void ColorCountTable::clear(int table) {
  if (table != 0 && table != 1) return;
  Node** heads = heads_[table];
  if (heads != nullptr) {
    // The array is kept: allocated again at each count, 67 MB in one piece can be missing
    // from a fragmented 32-bit address space. Only heads in use are written, so pages that
    // never held a colour stay uncommitted.
    for (uint32_t i = 0; i < kBuckets; ++i) {
      Node* node = heads[i];
      if (node == nullptr) continue;
      heads[i] = nullptr;
      while (node != nullptr) {
        Node* next = node->next;
        delete node;
        node = next;
      }
    }
  }
  if (table == 0) {
    distinct_ = 0;
    last_ = nullptr;
  }
}

uint32_t ColorCountTable::countOf(uint32_t value) const {
  if (heads_[0] == nullptr) return 0;
  for (const Node* n = heads_[0][hash(value)]; n != nullptr; n = n->next) {
    if (n->color == value) return n->count;
  }
  return 0;
}

uint32_t ColorCountTable::chainLength(uint32_t bucket) const {
  if (heads_[0] == nullptr || bucket >= kBuckets) return 0;
  uint32_t n = 0;
  for (const Node* p = heads_[0][bucket]; p != nullptr; p = p->next) ++n;
  return n;
}

}  // namespace vop
