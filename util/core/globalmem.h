// Interface to the platform's movable global memory blocks, so that cores using them run anywhere.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kel {

// A block is named by an opaque handle (the platform's global memory handle). The library
// plugs in the platform allocator; tests plug in a counting one.
struct GlobalMemory {
  void *context;
  // A new movable, zero-filled block of size bytes; null when memory runs out.
  void *(*alloc)(void *context, uint32_t size);
  // The address of the block's bytes while locked; null for a bad handle.
  void *(*lock)(void *context, void *handle);
  void (*unlock)(void *context, void *handle);
  // Frees the block; false when the handle could not be freed.
  bool (*release)(void *context, void *handle);
  // The usable size of the block in bytes; 0 for a bad handle.
  size_t (*size)(void *context, void *handle);
};

} // namespace kel
