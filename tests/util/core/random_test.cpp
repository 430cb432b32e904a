// Tests of the pseudo-random generator and the memory routines.
#include "util/core/random.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(Random, FirstDrawsFromZeroState) {
  kel::Random rng;
  EXPECT_EQ(rng.nextInt(), 1u);
  EXPECT_EQ(rng.nextInt(), 1566083942u); // 1 * 1566083941 + 1
}

TEST(Random, WrapsModulo2To32) {
  kel::Random rng;
  rng.setSeed(0xFFFFFFFFu);
  // (2^32 - 1) * 0x5D588B65 + 1 = -0x5D588B65 + 1 mod 2^32
  EXPECT_EQ(rng.nextInt(), 0u - 0x5D588B65u + 1u);
}

TEST(Random, FractionsAreStateOver2To32) {
  kel::Random rng;
  EXPECT_EQ(rng.setSeed(0), 0u);
  EXPECT_EQ(rng.nextDouble(), 1.0 / 4294967296.0);
  rng.setSeed(
      0x2B12A326u); // next state 0xFFFFFFFF (inverse of the multiplier): the largest fraction
  const double top = rng.nextDouble();
  EXPECT_EQ(rng.state(), 0xFFFFFFFFu);
  EXPECT_LT(top, 1.0);
  EXPECT_EQ(top, 4294967295.0 / 4294967296.0);
}

TEST(Random, SeedRepeatsTheSequenceAndBothDrawsShareIt) {
  kel::Random a;
  a.setSeed(12345);
  std::vector<uint32_t> first;
  for (int i = 0; i < 5; ++i)
    first.push_back(a.nextInt());
  EXPECT_EQ(a.setSeed(12345), 12345u);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(a.nextInt(), first[i]);

  a.setSeed(12345);
  a.nextInt();
  EXPECT_EQ(a.nextDouble(), first[1] / 4294967296.0);
  EXPECT_EQ(a.nextInt(), first[2]);
}

TEST(Memory, OverlappingCopyShiftsWithoutCorruption) {
  uint8_t buf[11];
  for (int i = 0; i < 11; ++i)
    buf[i] = static_cast<uint8_t>(i + 1);
  EXPECT_EQ(kel::copyMemory(buf + 1, buf, 10), 10u);
  const uint8_t expected[11] = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_EQ(std::memcmp(buf, expected, 11), 0);
  EXPECT_EQ(kel::copyMemory(buf, buf + 1, 10), 10u);
  const uint8_t back[11] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10};
  EXPECT_EQ(std::memcmp(buf, back, 11), 0);
}

TEST(Memory, NullAddressesCopyNothing) {
  uint8_t buf[4] = {};
  EXPECT_EQ(kel::copyMemory(nullptr, buf, 4), 0u);
  EXPECT_EQ(kel::copyMemory(buf, nullptr, 4), 0u);
  EXPECT_EQ(kel::copyMemory(nullptr, nullptr, 0), 0u);
}

TEST(Memory, FillUsesTheLowByteOfTheValue) {
  uint8_t buf[6] = {9, 9, 9, 9, 9, 9};
  kel::fillMemory(buf, 0x1234, 5);
  const uint8_t expected[6] = {0x34, 0x34, 0x34, 0x34, 0x34, 9};
  EXPECT_EQ(std::memcmp(buf, expected, 6), 0);
  kel::fillMemory(nullptr, 1, 5);
}

// One fake global block, locked and unlocked in pairs.
struct FakeBlock {
  std::vector<uint8_t> bytes;
  int locks = 0;
  bool lockFails = false;
};

kel::GlobalMemory fakeMemory(FakeBlock &block) {
  kel::GlobalMemory m{};
  m.context = &block;
  m.lock = [](void *c, void *) -> void * {
    auto *b = static_cast<FakeBlock *>(c);
    if (b->lockFails)
      return nullptr;
    ++b->locks;
    return b->bytes.data();
  };
  m.unlock = [](void *c, void *) { --static_cast<FakeBlock *>(c)->locks; };
  m.size = [](void *c, void *) -> size_t { return static_cast<FakeBlock *>(c)->bytes.size(); };
  return m;
}

TEST(GlobalCopy, CopiesFromTheLockedBlockAndUnlocks) {
  FakeBlock block{{1, 2, 3, 4, 5}};
  uint8_t out[5] = {};
  kel::globalCopy(out, &block, 3, fakeMemory(block));
  const uint8_t expected[5] = {1, 2, 3, 0, 0};
  EXPECT_EQ(std::memcmp(out, expected, 5), 0);
  EXPECT_EQ(block.locks, 0);
}

TEST(GlobalCopy, NeverReadsPastTheBlock) {
  FakeBlock block{{7, 8}};
  uint8_t out[6] = {0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
  kel::globalCopy(out, &block, 6, fakeMemory(block));
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[1], 8);
  EXPECT_EQ(out[2], 0xEE);
}

TEST(GlobalCopy, NullArgumentsOrFailedLockCopyNothing) {
  FakeBlock block{{1, 2}};
  uint8_t out[2] = {0, 0};
  const kel::GlobalMemory m = fakeMemory(block);
  kel::globalCopy(nullptr, &block, 2, m);
  kel::globalCopy(out, nullptr, 2, m);
  kel::globalCopy(out, &block, 0, m);
  block.lockFails = true;
  kel::globalCopy(out, &block, 2, m);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(block.locks, 0);
}

} // namespace
