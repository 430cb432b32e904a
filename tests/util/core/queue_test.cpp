// Tests of the queue and stack objects, including global-memory block ownership.
#include "util/core/queue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

using kel::BlockElement;
using kel::Containers;
using kel::ObjectHandle;
using kel::ObjectParams;

constexpr int32_t kCreate = 0x000, kDestroy = 0x100, kTake = 0x200, kPut = 0x300, kPeek = 0x400,
                  kFreeBlock = 0x500, kCount = 0x600, kContains = 0x700, kRewind = 0x800,
                  kNext = 0x900;

// Global memory stand-in: tracks live blocks, refuses unknown handles, can be told to fail.
struct FakeHeap {
  std::map<void *, std::unique_ptr<std::vector<uint8_t>>> live;
  int badFrees = 0;
  bool failAlloc = false;

  kel::GlobalMemory memory() {
    kel::GlobalMemory m{};
    m.context = this;
    m.alloc = [](void *c, uint32_t size) -> void * {
      auto *h = static_cast<FakeHeap *>(c);
      if (h->failAlloc)
        return nullptr;
      auto block = std::make_unique<std::vector<uint8_t>>(size == 0 ? 1 : size, 0);
      void *handle = block.get();
      h->live[handle] = std::move(block);
      return handle;
    };
    m.lock = [](void *c, void *handle) -> void * {
      auto *h = static_cast<FakeHeap *>(c);
      auto it = h->live.find(handle);
      return it == h->live.end() ? nullptr : it->second->data();
    };
    m.unlock = [](void *, void *) {};
    m.release = [](void *c, void *handle) {
      auto *h = static_cast<FakeHeap *>(c);
      if (h->live.erase(handle) == 0) {
        ++h->badFrees;
        return false;
      }
      return true;
    };
    m.size = [](void *c, void *handle) -> size_t {
      auto *h = static_cast<FakeHeap *>(c);
      auto it = h->live.find(handle);
      return it == h->live.end() ? 0 : it->second->size();
    };
    return m;
  }
  std::vector<uint8_t> bytes(void *handle) const { return *live.at(handle); }
};

struct QueueTest : ::testing::Test {
  FakeHeap heap;
  Containers objects{heap.memory()};
  ObjectHandle handle{};

  void create(uint32_t kind, uint32_t capacity, bool queue = true) {
    ObjectParams params{kind, capacity};
    ASSERT_EQ(queue ? objects.queue(kCreate, &handle, &params)
                    : objects.stack(kCreate, &handle, &params),
              0);
  }
  int32_t q(int32_t op, void *arg) { return objects.queue(op, &handle, arg); }
  int32_t s(int32_t op, void *arg) { return objects.stack(op, &handle, arg); }
  int32_t putInt(int32_t v) { return q(kPut, &v); }
};

TEST_F(QueueTest, DefaultCreateIsSixteenInt32AndFillsTheRecord) {
  ASSERT_EQ(objects.queue(kCreate, &handle, nullptr), 0);
  EXPECT_EQ(handle.capacity, 16u);
  EXPECT_EQ(handle.kind, 0u);
  EXPECT_NE(handle.object, nullptr);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(putInt(i), i);
  EXPECT_EQ(putInt(16), -2);
}

TEST_F(QueueTest, CapacityThreeHoldsThreeThenRefusesUntilATake) {
  create(kel::kKindInt32, 3);
  EXPECT_EQ(putInt(10), 0);
  EXPECT_EQ(putInt(11), 1);
  EXPECT_EQ(putInt(12), 2);
  EXPECT_EQ(putInt(13), -2);
  int32_t v = 0;
  EXPECT_EQ(q(kTake, &v), 0);
  EXPECT_EQ(v, 10);
  EXPECT_EQ(putInt(13), 3) << "the slot index wraps through the spare slot";
  EXPECT_EQ(q(kCount, nullptr), 3);
  for (int expected : {11, 12, 13}) {
    EXPECT_EQ(q(kTake, &v), 0);
    EXPECT_EQ(v, expected);
  }
  EXPECT_EQ(q(kCount, nullptr), 0);
}

TEST_F(QueueTest, TakeAndPeekOnEmptyZeroTheElementSizeOnly) {
  create(kel::kKindInt32, 2);
  uint8_t buf[8];
  std::memset(buf, 0xAB, sizeof buf);
  EXPECT_EQ(q(kTake, buf), -1);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(buf[i], 0);
  EXPECT_EQ(buf[4], 0xAB);
  std::memset(buf, 0xAB, sizeof buf);
  EXPECT_EQ(q(kPeek, buf), -1);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[4], 0xAB);
}

TEST_F(QueueTest, PeekLeavesTheHeadInPlace) {
  create(kel::kKindInt16, 4);
  int16_t a = 7, b = 8, v = 0;
  q(kPut, &a);
  q(kPut, &b);
  EXPECT_EQ(q(kPeek, &v), 0);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(q(kTake, &v), 0);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(q(kPeek, &v), 0);
  EXPECT_EQ(v, 8);
}

TEST_F(QueueTest, WalkReturnsElementsInOrderThenEnds) {
  create(kel::kKindInt32, 4);
  putInt(5);
  putInt(6);
  putInt(7);
  int32_t any = 1, v = 0;
  EXPECT_EQ(q(kRewind, &any), 0);
  for (int expected : {5, 6, 7}) {
    EXPECT_EQ(q(kNext, &v), 0);
    EXPECT_EQ(v, expected);
  }
  v = 99;
  EXPECT_EQ(q(kNext, &v), -1);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(q(kCount, nullptr), 3) << "walking does not remove";
  EXPECT_EQ(q(kRewind, nullptr), -1);
}

TEST_F(QueueTest, WalkAcrossTheWrapOfTheRing) {
  create(kel::kKindByte, 3);
  for (uint8_t b : {1, 2, 3}) {
    q(kPut, &b);
  }
  uint8_t v = 0;
  q(kTake, &v);
  q(kTake, &v);
  for (uint8_t b : {4, 5})
    q(kPut, &b);
  int32_t any = 1;
  q(kRewind, &any);
  for (uint8_t expected : {3, 4, 5}) {
    ASSERT_EQ(q(kNext, &v), 0);
    EXPECT_EQ(v, expected);
  }
  EXPECT_EQ(q(kNext, &v), -1);
}

TEST_F(QueueTest, WalkEndsWhenItsElementWasTakenOrOnAnotherQueue) {
  create(kel::kKindInt32, 4);
  putInt(1);
  putInt(2);
  int32_t any = 1, v = 0;
  q(kRewind, &any);
  q(kTake, &v);
  q(kTake, &v);
  EXPECT_EQ(q(kNext, &v), -1) << "no replay of taken slots";

  ObjectHandle other{};
  ObjectParams params{kel::kKindInt32, 100};
  ASSERT_EQ(objects.queue(kCreate, &other, &params), 0);
  putInt(3);
  q(kRewind, &any);
  EXPECT_EQ(objects.queue(kNext, &other, &v), -1) << "the cursor belongs to the rewound queue";
  EXPECT_EQ(q(kNext, &v), 0);
  EXPECT_EQ(v, 3);
}

TEST_F(QueueTest, ContainsComparesElementBytes) {
  create(kel::kKindInt32, 4);
  putInt(5);
  putInt(6);
  putInt(7);
  int32_t six = 6, eight = 8;
  EXPECT_EQ(q(kContains, &six), 1);
  EXPECT_EQ(q(kContains, &eight), 2);
  EXPECT_EQ(q(kContains, nullptr), -1);
  int32_t v;
  q(kTake, &v);
  int32_t five = 5;
  EXPECT_EQ(q(kContains, &five), 2) << "taken elements are not searched";
}

TEST_F(QueueTest, ContainsIsRefusedForBlocks) {
  create(kel::kKindBlock, 2);
  BlockElement e{0, 0, nullptr};
  EXPECT_EQ(q(kContains, &e), -1);
}

TEST_F(QueueTest, EveryKindKeepsItsValues) {
  const double d = -1.25;
  const float f = 3.5f;
  const int64_t big = 0x123456789ABCDEFll;
  struct Case {
    uint32_t kind;
    const void *value;
    size_t size;
  } cases[] = {{kel::kKindDouble, &d, 8}, {kel::kKindFloat, &f, 4}, {kel::kKindInt64, &big, 8}};
  for (const auto &c : cases) {
    ObjectHandle h{};
    ObjectParams params{c.kind, 2};
    ASSERT_EQ(objects.queue(kCreate, &h, &params), 0);
    EXPECT_EQ(objects.queue(kPut, &h, const_cast<void *>(c.value)), 0);
    uint8_t out[8] = {};
    EXPECT_EQ(objects.queue(kTake, &h, out), 0);
    EXPECT_EQ(std::memcmp(out, c.value, c.size), 0) << c.kind;
    EXPECT_EQ(objects.queue(kDestroy, &h, nullptr), 0);
  }
}

TEST_F(QueueTest, BadCreateArgumentsAreRefused) {
  for (ObjectParams bad : {ObjectParams{7, 4}, ObjectParams{0, 0}, ObjectParams{0, 0x80000000u}}) {
    ObjectHandle h{};
    EXPECT_EQ(objects.queue(kCreate, &h, &bad), -1);
    EXPECT_EQ(h.object, nullptr);
  }
  EXPECT_EQ(objects.queue(kCreate, nullptr, nullptr), -1);
  ObjectParams huge{kel::kKindInt64, 0x7FFFFFFF};
  EXPECT_EQ(objects.queue(kCreate, &handle, &huge), -1) << "more than the storage cap";
  EXPECT_EQ(objects.stack(kCreate, &handle, &huge), -100);
  EXPECT_EQ(objects.objectCount(), 0u);
}

TEST_F(QueueTest, UnknownObjectsAndOperationsAreRefused) {
  int32_t v = 0;
  EXPECT_EQ(q(kTake, &v), -1) << "no object yet";
  EXPECT_EQ(q(kDestroy, nullptr), -1);
  EXPECT_EQ(q(kCount, nullptr), -1);
  int32_t fake = 0;
  ObjectHandle forged{4, 0, &fake};
  EXPECT_EQ(objects.queue(kPut, &forged, &v), -1);
  EXPECT_EQ(objects.queue(kTake, nullptr, &v), -1);

  create(kel::kKindInt32, 4);
  EXPECT_EQ(q(0xA00, &v), -1);
  EXPECT_EQ(q(kPut, nullptr), -1);
  EXPECT_EQ(q(kTake, nullptr), -1);
  EXPECT_EQ(s(kTake, &v), -1) << "a queue is not a stack";
  EXPECT_EQ(q(kPut | 0x12340000 | 0x3F, &v), 0) << "only bits 8-15 select the operation";
}

TEST_F(QueueTest, DestroyedObjectCannotBeUsedThroughAnOldCopyOfTheRecord) {
  create(kel::kKindInt32, 4);
  ObjectHandle copy = handle;
  EXPECT_EQ(q(kDestroy, nullptr), 0);
  EXPECT_EQ(handle.object, nullptr);
  int32_t v = 1;
  EXPECT_EQ(objects.queue(kPut, &copy, &v), -1);
  EXPECT_EQ(objects.queue(kDestroy, &copy, nullptr), -1);
  EXPECT_EQ(objects.objectCount(), 0u);
}

TEST_F(QueueTest, StackIsLastInFirstOut) {
  create(kel::kKindInt32, 2, false);
  int32_t one = 1, two = 2, three = 3, v = 0;
  EXPECT_EQ(s(kPut, &one), 0);
  EXPECT_EQ(s(kPut, &two), 1);
  EXPECT_EQ(s(kPut, &three), -2);
  EXPECT_EQ(s(kPeek, &v), 0);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(s(kTake, &v), 0);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(s(kTake, &v), 0);
  EXPECT_EQ(v, 1);
  v = 55;
  EXPECT_EQ(s(kTake, &v), -1);
  EXPECT_EQ(v, 55) << "an empty pop leaves the buffer";
  EXPECT_EQ(s(kPeek, &v), -1);
  EXPECT_EQ(s(kCount, nullptr), -1) << "count is a queue operation";
  EXPECT_EQ(s(kDestroy, nullptr), 0);
}

TEST_F(QueueTest, BlockPutCopiesTheCallerBytes) {
  create(kel::kKindBlock, 2);
  char text[10] = "abcdefghi";
  BlockElement e{10, 0, text};
  EXPECT_EQ(q(kPut, &e), 0);
  std::memcpy(text, "XXXXXXXXX", 10);
  BlockElement out{};
  EXPECT_EQ(q(kTake, &out), 0);
  EXPECT_EQ(out.size, 10u);
  EXPECT_EQ(out.held, 1u);
  ASSERT_EQ(heap.live.count(out.block), 1u);
  const std::vector<uint8_t> bytes = heap.bytes(out.block);
  EXPECT_EQ(std::memcmp(bytes.data(), "abcdefghi", 10), 0);
  EXPECT_EQ(q(kDestroy, nullptr), 0);
  EXPECT_TRUE(heap.live.empty()) << "destroy frees the block the slot still refers to";
  EXPECT_EQ(heap.badFrees, 0);
}

TEST_F(QueueTest, HeldBlockIsTakenOverAndFreedOnDestroy) {
  create(kel::kKindBlock, 2, false);
  void *block = heap.memory().alloc(&heap, 4);
  BlockElement e{4, 1, block};
  EXPECT_EQ(s(kPut, &e), 0);
  EXPECT_EQ(s(kDestroy, nullptr), 0);
  EXPECT_TRUE(heap.live.empty());
}

TEST_F(QueueTest, BlockAllocationFailureAndMissingSourceAreReported) {
  create(kel::kKindBlock, 2);
  char text[4] = "abc";
  BlockElement e{4, 0, text};
  heap.failAlloc = true;
  EXPECT_EQ(q(kPut, &e), -100);
  heap.failAlloc = false;
  BlockElement noSource{4, 0, nullptr};
  EXPECT_EQ(q(kPut, &noSource), -1);
  EXPECT_EQ(q(kCount, nullptr), 0);
}

TEST_F(QueueTest, EmptyBlockTakeZeroesAWholeBlockElement) {
  create(kel::kKindBlock, 2);
  BlockElement out{5, 1, &out};
  EXPECT_EQ(q(kTake, &out), -1);
  EXPECT_EQ(out.size, 0u);
  EXPECT_EQ(out.held, 0u);
  EXPECT_EQ(out.block, nullptr);
}

TEST_F(QueueTest, FreeingATakenBlockEarlyDoesNotFreeItAgainOnDestroy) {
  create(kel::kKindBlock, 3);
  char text[3] = "hi";
  BlockElement e{3, 0, text};
  q(kPut, &e);
  q(kPut, &e);
  BlockElement out{};
  ASSERT_EQ(q(kTake, &out), 0);
  EXPECT_EQ(q(kFreeBlock, &out), 0);
  EXPECT_EQ(out.block, nullptr);
  EXPECT_EQ(out.size, 0u);
  EXPECT_EQ(heap.live.size(), 1u);
  EXPECT_EQ(q(kFreeBlock, &out), -1) << "block 0";
  EXPECT_EQ(q(kDestroy, nullptr), 0);
  EXPECT_EQ(heap.badFrees, 0);
  EXPECT_TRUE(heap.live.empty());
}

TEST_F(QueueTest, BlockSharedByTwoObjectsIsFreedOnce) {
  create(kel::kKindBlock, 2);
  char text[2] = "x";
  BlockElement e{2, 0, text};
  q(kPut, &e);
  BlockElement out{};
  q(kPeek, &out);
  ObjectHandle st{};
  ObjectParams params{kel::kKindBlock, 2};
  ASSERT_EQ(objects.stack(kCreate, &st, &params), 0);
  EXPECT_EQ(objects.stack(kPut, &st, &out), 0) << "held: the stack refers to the same block";
  q(kPut, &out); // and a second slot of the queue
  EXPECT_EQ(q(kDestroy, nullptr), 0);
  EXPECT_TRUE(heap.live.empty());
  BlockElement left{};
  EXPECT_EQ(objects.stack(kPeek, &st, &left), 0);
  EXPECT_EQ(left.block, nullptr) << "the stack no longer refers to the freed block";
  EXPECT_EQ(objects.stack(kDestroy, &st, nullptr), 0);
  EXPECT_EQ(heap.badFrees, 0);
}

TEST(Containers, DestructionFreesEveryRemainingBlock) {
  FakeHeap heap;
  {
    Containers objects(heap.memory());
    ObjectHandle h{};
    ObjectParams params{kel::kKindBlock, 4};
    ASSERT_EQ(objects.stack(kCreate, &h, &params), 0);
    char text[2] = "y";
    BlockElement e{2, 0, text};
    objects.stack(kPut, &h, &e);
    objects.stack(kPut, &h, &e);
    EXPECT_EQ(heap.live.size(), 2u);
  }
  EXPECT_TRUE(heap.live.empty());
  EXPECT_EQ(heap.badFrees, 0);
}

} // namespace
