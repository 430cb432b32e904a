// Fixed-capacity queues and stacks of integers, floating values or global memory blocks.
#include "util/core/queue.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

namespace kel {

size_t elementSize(uint32_t kind) {
  static constexpr size_t kSizes[] = {4, 2, 8, 1, 4, 8, sizeof(BlockElement)};
  return kind < 7 ? kSizes[kind] : 0;
}

BlockElement Containers::Object::blockAt(uint32_t index) const {
  BlockElement e;
  std::memcpy(&e, at(index), sizeof e);
  return e;
}

void Containers::Object::setBlockAt(uint32_t index, const BlockElement &element) {
  std::memcpy(at(index), &element, sizeof element);
}

Containers::Containers(const GlobalMemory &memory) : m_memory(memory) {}

Containers::~Containers() {
  for (auto &object : m_objects)
    freeBlocksOf(*object);
}

Containers::Object *Containers::find(const ObjectHandle *handle, bool isQueue) const {
  if (handle == nullptr || handle->object == nullptr)
    return nullptr;
  for (const auto &object : m_objects)
    if (object.get() == handle->object)
      return object->isQueue == isQueue ? object.get() : nullptr;
  return nullptr;
}

int32_t Containers::create(bool isQueue, ObjectHandle *handle, const void *argument) {
  const int32_t noMemory = isQueue ? -1 : -100;
  if (handle == nullptr)
    return -1;
  ObjectParams params{kKindInt32, 16};
  if (argument != nullptr)
    std::memcpy(&params, argument, sizeof params);
  const size_t size = elementSize(params.kind);
  if (size == 0 || static_cast<int32_t>(params.capacity) < 1)
    return -1;
  const uint64_t slots = uint64_t{params.capacity} + (isQueue ? 1 : 0);
  if (slots * size > kMaxStorageBytes)
    return noMemory;
  try {
    auto object = std::make_unique<Object>();
    object->isQueue = isQueue;
    object->kind = params.kind;
    object->elementSize = size;
    object->capacity = params.capacity;
    object->slots = static_cast<uint32_t>(slots);
    // Zeroed, so that destroy sees no block in a slot never filled.
    object->storage.reset(static_cast<uint8_t *>(std::calloc(static_cast<size_t>(slots), size)));
    if (!object->storage)
      return noMemory;
    m_objects.reserve(m_objects.size() + 1);
    handle->capacity = params.capacity;
    handle->kind = params.kind;
    handle->object = object.get();
    m_objects.push_back(std::move(object));
    return 0;
  } catch (const std::bad_alloc &) {
    return noMemory;
  }
}

void Containers::freeBlocksOf(Object &object) {
  if (object.kind != kKindBlock)
    return;
  std::vector<void *> blocks;
  try {
    blocks.reserve(object.slots);
  } catch (const std::bad_alloc &) {
    // Slower path without the list: one scan of every slot per block.
    for (uint32_t i = 0; i < object.slots; ++i) {
      const BlockElement e = object.blockAt(i);
      if (e.held != 0 && e.block != nullptr) {
        m_memory.release(m_memory.context, e.block);
        forgetBlocks(&e.block, 1);
      }
    }
    return;
  }
  for (uint32_t i = 0; i < object.slots; ++i) {
    const BlockElement e = object.blockAt(i);
    if (e.held != 0 && e.block != nullptr)
      blocks.push_back(e.block);
  }
  // Each distinct block once, however many slots refer to it.
  std::sort(blocks.begin(), blocks.end(), std::less<>());
  blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
  for (void *block : blocks)
    m_memory.release(m_memory.context, block);
  forgetBlocks(blocks.data(), blocks.size());
}

void Containers::forgetBlocks(void *const *sortedBlocks, size_t count) {
  if (count == 0)
    return;
  for (auto &object : m_objects) {
    if (object->kind != kKindBlock)
      continue;
    for (uint32_t i = 0; i < object->slots; ++i) {
      void *block = object->blockAt(i).block;
      if (block != nullptr &&
          std::binary_search(sortedBlocks, sortedBlocks + count, block, std::less<>()))
        object->setBlockAt(i, BlockElement{0, 0, nullptr});
    }
  }
}

int32_t Containers::destroy(ObjectHandle *handle, Object *object) {
  freeBlocksOf(*object);
  if (m_cursorOwner == object)
    m_cursorOwner = nullptr;
  m_objects.erase(std::find_if(m_objects.begin(), m_objects.end(),
                               [object](const auto &o) { return o.get() == object; }));
  handle->object = nullptr;
  return 0;
}

int32_t Containers::store(Object &object, uint32_t index, const void *element) {
  if (object.kind != kKindBlock) {
    std::memcpy(object.at(index), element, object.elementSize);
    return 0;
  }
  BlockElement e;
  std::memcpy(&e, element, sizeof e);
  if (e.held == 0) {
    // A copy of the caller's bytes goes into a block of our own.
    if (e.size != 0 && e.block == nullptr)
      return -1;
    void *block = m_memory.alloc(m_memory.context, e.size);
    if (block == nullptr)
      return -100;
    if (e.size != 0) {
      void *bytes = m_memory.lock(m_memory.context, block);
      if (bytes == nullptr) {
        m_memory.release(m_memory.context, block);
        return -100;
      }
      std::memcpy(bytes, e.block, e.size);
      m_memory.unlock(m_memory.context, block);
    }
    e = BlockElement{e.size, 1, block};
  }
  object.setBlockAt(index, e);
  return 0;
}

int32_t Containers::freeBlock(void *argument) {
  if (argument == nullptr)
    return -1;
  BlockElement e;
  std::memcpy(&e, argument, sizeof e);
  if (e.block == nullptr || !m_memory.release(m_memory.context, e.block))
    return -1;
  forgetBlocks(&e.block, 1);
  const BlockElement cleared{0, 0, nullptr};
  std::memcpy(argument, &cleared, sizeof cleared);
  return 0;
}

int32_t Containers::queue(int32_t operation, ObjectHandle *handle, void *argument) {
  const int32_t op = (operation >> 8) & 0xFF;
  if (op == kObjCreate)
    return create(true, handle, argument);
  if (op == kObjFreeBlock)
    return freeBlock(argument);
  Object *q = find(handle, true);
  if (q == nullptr)
    return -1;
  const uint32_t count = (q->tail + q->slots - q->head) % q->slots;
  switch (op) {
  case kObjDestroy:
    return destroy(handle, q);
  case kObjTake:
  case kObjPeek:
    if (argument == nullptr)
      return -1;
    if (count == 0) {
      std::memset(argument, 0, q->elementSize);
      return -1;
    }
    std::memcpy(argument, q->at(q->head), q->elementSize);
    if (op == kObjTake)
      q->head = (q->head + 1) % q->slots;
    return 0;
  case kObjPut: {
    if (argument == nullptr)
      return -1;
    if ((q->tail + 1) % q->slots == q->head)
      return -2;
    const int32_t result = store(*q, q->tail, argument);
    if (result != 0)
      return result;
    const uint32_t used = q->tail;
    q->tail = (q->tail + 1) % q->slots;
    return static_cast<int32_t>(used);
  }
  case kObjCount:
    return static_cast<int32_t>(count);
  case kObjContains:
    if (argument == nullptr || q->kind == kKindBlock)
      return -1;
    for (uint32_t i = q->head; i != q->tail; i = (i + 1) % q->slots)
      if (std::memcmp(q->at(i), argument, q->elementSize) == 0)
        return 1;
    return 2;
  case kObjRewind:
    if (argument == nullptr)
      return -1;
    m_cursorOwner = q;
    m_cursor = q->head;
    return 0;
  case kObjNext: {
    if (argument == nullptr)
      return -1;
    // The cursor belongs to the queue last rewound and is valid only while it points at an
    // element still held: takes since the rewind end the walk instead of replaying old slots.
    const bool live = m_cursorOwner == q && (m_cursor + q->slots - q->head) % q->slots < count;
    if (!live) {
      std::memset(argument, 0, q->elementSize);
      return -1;
    }
    std::memcpy(argument, q->at(m_cursor), q->elementSize);
    m_cursor = (m_cursor + 1) % q->slots;
    return 0;
  }
  default:
    return -1;
  }
}

int32_t Containers::stack(int32_t operation, ObjectHandle *handle, void *argument) {
  const int32_t op = (operation >> 8) & 0xFF;
  if (op == kObjCreate)
    return create(false, handle, argument);
  if (op == kObjFreeBlock)
    return freeBlock(argument);
  Object *s = find(handle, false);
  if (s == nullptr)
    return -1;
  switch (op) {
  case kObjDestroy:
    return destroy(handle, s);
  case kObjTake:
  case kObjPeek:
    if (argument == nullptr || s->top < 0)
      return -1;
    std::memcpy(argument, s->at(static_cast<uint32_t>(s->top)), s->elementSize);
    if (op == kObjTake)
      --s->top;
    return 0;
  case kObjPut: {
    if (argument == nullptr)
      return -1;
    if (static_cast<uint32_t>(s->top + 1) == s->capacity)
      return -2;
    const int32_t result = store(*s, static_cast<uint32_t>(s->top + 1), argument);
    if (result != 0)
      return result;
    return ++s->top;
  }
  default:
    return -1;
  }
}

} // namespace kel
