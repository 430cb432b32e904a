// Fixed-capacity queues and stacks of integers, floating values or global memory blocks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "util/core/calloc_block.h"
#include "util/core/globalmem.h"

namespace kel {

// Element kinds and their sizes in an object's storage.
enum ElementKind : uint32_t {
  kKindInt32 = 0,
  kKindInt16 = 1,
  kKindInt64 = 2,
  kKindByte = 3,
  kKindFloat = 4,
  kKindDouble = 5,
  kKindBlock = 6,
};

// A data block kept in global memory (kind 6). On a put with held = 0, block is the address
// of size bytes to copy into a new block.
struct BlockElement {
  uint32_t size;
  uint32_t held;
  void *block;
};

// The caller's handle record, filled by create.
struct ObjectHandle {
  uint32_t capacity;
  uint32_t kind;
  void *object;
};

// Argument of create.
struct ObjectParams {
  uint32_t kind;
  uint32_t capacity;
};

// Operation codes, taken from bits 8-15 of the operation argument.
enum ObjectOperation : int32_t {
  kObjCreate = 0,
  kObjDestroy = 1,
  kObjTake = 2,
  kObjPut = 3,
  kObjPeek = 4,
  kObjFreeBlock = 5,
  kObjCount = 6,
  kObjContains = 7,
  kObjRewind = 8,
  kObjNext = 9,
};

// Bytes of one element of a kind; 0 for an unknown kind.
size_t elementSize(uint32_t kind);

// Every queue and stack of the process and the one queue walk cursor behind kelQueue and
// kelStack; the library owns one instance. Objects are only ever reached through records
// this instance handed out: an unknown, destroyed or wrong-type object pointer gives -1.
//
// Blocks (kind 6): a slot keeps referring to its block after take or pop, and destroy frees
// every distinct block the slots refer to. Freeing a block (operation 0x500), or destroying an
// object, also drops every other slot's reference to that block, so no block is freed twice.
class Containers {
public:
  explicit Containers(const GlobalMemory &memory);
  ~Containers(); // frees every object and the blocks they refer to
  Containers(const Containers &) = delete;
  Containers &operator=(const Containers &) = delete;

  // Result codes as for kelQueue and kelStack: 0 or an index/count on success, -1 bad
  // argument, missing object or empty, -2 full, -100 no memory for a block (and for a stack).
  int32_t queue(int32_t operation, ObjectHandle *handle, void *argument);
  int32_t stack(int32_t operation, ObjectHandle *handle, void *argument);

  size_t objectCount() const { return m_objects.size(); }

  // Storage is capped so that sizes stay far from overflow in 32-bit builds.
  static constexpr size_t kMaxStorageBytes = size_t{1} << 30;

private:
  struct Object {
    bool isQueue = false;
    uint32_t kind = 0;
    size_t elementSize = 0;
    uint32_t capacity = 0;
    uint32_t slots = 0; // queue: capacity + 1; stack: capacity
    CallocBlock<uint8_t> storage;
    uint32_t head = 0;
    uint32_t tail = 0;
    int32_t top = -1;
    uint8_t *at(uint32_t index) const {
      return storage.get() + static_cast<size_t>(index) * elementSize;
    }
    BlockElement blockAt(uint32_t index) const;
    void setBlockAt(uint32_t index, const BlockElement &element);
  };

  Object *find(const ObjectHandle *handle, bool isQueue) const;
  int32_t create(bool isQueue, ObjectHandle *handle, const void *argument);
  int32_t destroy(ObjectHandle *handle, Object *object);
  int32_t store(Object &object, uint32_t index, const void *element);
  int32_t freeBlock(void *argument);
  void freeBlocksOf(Object &object);
  // Drops every slot's reference to the given blocks (sorted by address).
  void forgetBlocks(void *const *sortedBlocks, size_t count);

  GlobalMemory m_memory;
  std::vector<std::unique_ptr<Object>> m_objects;
  const Object *m_cursorOwner = nullptr;
  uint32_t m_cursor = 0;
};

} // namespace kel
