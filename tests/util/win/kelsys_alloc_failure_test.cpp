// kelsys's exports when memory runs out, at each allocation they make in turn. The exports are
// linked in statically (kelsys_static) so that they allocate through this program's failing
// operator new; kelsys.dll would use its own.
#include <windows.h>

#include "include/kelsys.h"
#include "util/core/lzss.h"
#include "tests/support/alloc_failure.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using testutil::ScratchDir;

// Runs call() with allocation n failing, for n = 0, 1, 2, ... until a run needs no more than
// n allocations, and hands every failed run's result to failed(). Returns the result of the
// run that went through; *points tells how many allocations that run made.
template <typename Call, typename Failed>
auto atEachAllocation(Call call, Failed failed, long *points) {
  for (long n = 0;; ++n) {
    allocfail::failFrom(n);
    const auto result = call();
    const long made = allocfail::count();
    allocfail::stop();
    if (made <= n) {
      *points = made;
      return result;
    }
    SCOPED_TRACE("allocation " + std::to_string(n) + " failed");
    failed(result);
    if (::testing::Test::HasFatalFailure() || n > 100)
      return result;
  }
}

// Text with an uneven byte distribution, long enough for the table-driven decoder.
std::vector<unsigned char> sample() {
  std::vector<unsigned char> data(12000);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<unsigned char>("aaaabbbcc d\n"[(i * 7 + i / 13) % 12]);
  return data;
}

TEST(OutOfMemory, HuffmanBuffersGiveTheirFailureCodes) {
  const std::vector<unsigned char> plain = sample();
  const uint32_t length = static_cast<uint32_t>(plain.size());
  std::vector<unsigned char> packed(length);
  std::vector<uint32_t> table(512);
  long points = 0;

  const int size = atEachAllocation(
      [&] { return kelEncodeH(packed.data(), plain.data(), 0, table.data(), length, length); },
      [](int r) { EXPECT_EQ(r, 0); }, &points);
  ASSERT_GT(size, 0);
  EXPECT_EQ(points, 0); // the code book lives on the stack: nothing to run out of

  std::vector<unsigned char> out(length);
  const int produced = atEachAllocation(
      [&] { return kelDecodeH(0, packed.data(), out.data(), table.data(), length); },
      [](int r) { EXPECT_EQ(r, 0); }, &points);
  EXPECT_EQ(produced, static_cast<int>(length));
  EXPECT_GE(points, 1);
  EXPECT_EQ(out, plain);
}

TEST(OutOfMemory, HuffmanPacksAreLeftEmptyAndDecodeFails) {
  const std::vector<unsigned char> plain = sample();
  KEL_CPPACKH pack{};
  pack.plainLength = static_cast<uint32_t>(plain.size());
  long points = 0;
  const int rc = atEachAllocation([&] { return kelEncodeH2(0, plain.data(), &pack); },
                                  [&](int r) {
                                    EXPECT_EQ(r, KEL_ERR_HUFFMAN_MEMORY);
                                    EXPECT_EQ(pack.packed, nullptr);
                                    EXPECT_EQ(pack.table, nullptr);
                                    EXPECT_EQ(pack.packedLength + pack.tableLength, 0u);
                                  },
                                  &points);
  ASSERT_EQ(rc, 0);
  EXPECT_GE(points, 3); // work buffer, stream and table

  std::vector<unsigned char> out(plain.size());
  EXPECT_EQ(atEachAllocation([&] { return kelDecodeH2(0, &pack, out.data()); },
                             [](int r) { EXPECT_EQ(r, -1); }, &points),
            0);
  EXPECT_GE(points, 1);
  EXPECT_EQ(out, plain);
  kelDeleteCpPackH(&pack);
}

TEST(OutOfMemory, LzssGivesItsMemoryCodeAndLeavesPacksEmpty) {
  const std::vector<unsigned char> plain = sample();
  const uint32_t length = static_cast<uint32_t>(plain.size());
  std::vector<unsigned char> packed(length);
  long points = 0;
  // The compressor keeps its working memory between calls: start without any.
  kel::lzssReleaseWorkspaces();
  const int size = atEachAllocation(
      [&] { return kelCompress(0x1000, plain.data(), packed.data(), length, length); },
      [](int r) { EXPECT_EQ(r, KEL_ERR_NO_MEMORY); }, &points);
  EXPECT_GT(size, 0);
  EXPECT_GE(points, 1);
  // Failed attempts left the kept memory usable, and the next calls need no allocation at all,
  // a smaller window included.
  const std::vector<unsigned char> first(packed.begin(), packed.begin() + size);
  allocfail::failFrom(0);
  const int again = kelCompress(0x1000, plain.data(), packed.data(), length, length);
  const int smaller = kelCompress(0x100, plain.data(), packed.data(), length, length);
  const int third = kelCompress(0x1000, plain.data(), packed.data(), length, length);
  const long made = allocfail::count();
  allocfail::stop();
  EXPECT_EQ(again, size);
  EXPECT_GT(smaller, 0);
  EXPECT_EQ(third, size);
  EXPECT_EQ(made, 0);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), packed.begin()));

  // Kept memory for a small window beside that for a large one: each window finds its own.
  kel::lzssReleaseWorkspaces();
  ASSERT_GT(kelCompress(0x100, plain.data(), packed.data(), length, length), 0);
  ASSERT_EQ(kelCompress(0x1000, plain.data(), packed.data(), length, length), size);
  allocfail::failFrom(0);
  const int large = kelCompress(0x1000, plain.data(), packed.data(), length, length);
  const int small = kelCompress(0x100, plain.data(), packed.data(), length, length);
  const long madeHere = allocfail::count();
  allocfail::stop();
  EXPECT_EQ(large, size);
  EXPECT_GT(small, 0);
  EXPECT_EQ(madeHere, 0);

  // More windows in turn than memory is kept for: the largest stays and serves them all.
  kel::lzssReleaseWorkspaces();
  for (const int flag : {0x100, 0x200, 0x400, 0x800, 0x1000})
    ASSERT_GT(kelCompress(flag, plain.data(), packed.data(), length, length), 0) << flag;
  allocfail::failFrom(0);
  int failures = 0;
  for (const int flag : {0x1000, 0x100, 0x800, 0x1000})
    failures += kelCompress(flag, plain.data(), packed.data(), length, length) > 0 ? 0 : 1;
  const long madeInTurn = allocfail::count();
  allocfail::stop();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(madeInTurn, 0);

  // Method 0x14 filters deltas.
  KEL_CPPACK pack{};
  pack.plainLength = length;
  kel::lzssReleaseWorkspaces();
  ASSERT_EQ(atEachAllocation([&] { return kelCompress2(0x14, plain.data(), &pack); },
                             [&](int r) {
                               EXPECT_EQ(r, KEL_ERR_NO_MEMORY);
                               EXPECT_EQ(pack.packedData, nullptr);
                               EXPECT_EQ(pack.packedLength, 0u);
                             },
                             &points),
            0);
  // The run that went through allocated the work buffer and the stream; the compressor's memory
  // was kept from the attempt before it, which failed only at the stream.
  EXPECT_EQ(points, 2);
  std::vector<unsigned char> out(length);
  EXPECT_EQ(atEachAllocation([&] { return kelExpand2(0x14, &pack, out.data()); },
                             [](int r) { EXPECT_EQ(r, -1); }, &points),
            0);
  EXPECT_EQ(points, 0); // the destination is the window, also for the filter's differences
  EXPECT_EQ(out, plain);
  kelDeleteCpPack(&pack);
}

// Nobody, this process included, may still hold the file: it opens for exclusive use.
bool heldByNobody(const std::string &path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(h);
  return true;
}

TEST(OutOfMemory, FileChecksumsGiveZeroAndLetTheFileGo) {
  ScratchDir dir;
  const std::string f = dir.file("check.txt", "123456789");
  const char *name = f.c_str();
  long points = 0;
  const auto released = [&](uint32_t r) {
    EXPECT_EQ(r, 0u);
    EXPECT_TRUE(heldByNobody(f)) << "the file handle leaked";
  };
  EXPECT_EQ(atEachAllocation([&] { return kelGetCRC32ofFile(name); }, released, &points),
            0xFC891918u);
  EXPECT_GE(points, 1);
  EXPECT_EQ(atEachAllocation([&] { return kelGetCRC16ofFile(name); }, released, &points), 0xD64Eu);
  EXPECT_GE(points, 1);
  EXPECT_TRUE(heldByNobody(f));
}

TEST(OutOfMemory, QueuesStacksAndVersionsGiveTheirCodes) {
  KEL_OBJECT_HANDLE queue{}, stack{};
  long points = 0;
  ASSERT_EQ(atEachAllocation([&] { return kelQueue(KEL_OBJ_CREATE, &queue, nullptr); },
                             [](int r) { EXPECT_EQ(r, -1); }, &points),
            0);
  EXPECT_GE(points, 1);
  ASSERT_EQ(atEachAllocation([&] { return kelStack(KEL_OBJ_CREATE, &stack, nullptr); },
                             [](int r) { EXPECT_EQ(r, KEL_ERR_BLOCK_MEMORY); }, &points),
            0);
  EXPECT_GE(points, 1);
  EXPECT_EQ(kelQueue(KEL_OBJ_DESTROY, &queue, nullptr), 0);
  EXPECT_EQ(kelStack(KEL_OBJ_DESTROY, &stack, nullptr), 0);

  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string kernel = std::string(system) + "\\kernel32.dll";
  uint32_t v[4] = {};
  EXPECT_EQ(atEachAllocation(
                [&] { return kelGetFileVersion(kernel.c_str(), &v[0], &v[1], &v[2], &v[3]); },
                [](int r) { EXPECT_EQ(r, -1); }, &points),
            0);
  EXPECT_GE(points, 1);
}

} // namespace
