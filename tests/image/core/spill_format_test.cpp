// The undo spill file's header: what the writer makes the reader accepts, and no header whose
// sizes disagree with the file (or would wrap in 32 bits) gets through.
#include "image/core/spill_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> bytesOf(const vop::SpillHeader &h) {
  std::vector<uint8_t> b(sizeof h);
  std::memcpy(b.data(), &h, sizeof h);
  return b;
}

TEST(SpillFormat, AcceptsWhatTheWriterMakesWithExactFileSize) {
  vop::SpillHeader h{};
  ASSERT_TRUE(vop::makeSpillHeader(7, 3, 4, 16, false, 0x00FF00, h));
  EXPECT_EQ(h.rowBytes, 4);
  const auto b = bytesOf(h);
  vop::SpillLayout layout;
  ASSERT_TRUE(vop::checkSpillFile(b.data(), b.size(), 32 + 64 + 12, layout));
  EXPECT_EQ(layout.tableOffset, 32u);
  EXPECT_EQ(layout.tableBytes, 64u);
  EXPECT_EQ(layout.pixelOffset, 96u);
  EXPECT_EQ(layout.pixelBytes, 12u);
  EXPECT_EQ(layout.header.transparentColor, 0x00FF00);
  // One byte more or less, or too few header bytes to read, is refused.
  EXPECT_FALSE(vop::checkSpillFile(b.data(), b.size(), 32 + 64 + 11, layout));
  EXPECT_FALSE(vop::checkSpillFile(b.data(), b.size(), 32 + 64 + 13, layout));
  EXPECT_FALSE(vop::checkSpillFile(b.data(), b.size() - 1, 32 + 64 + 12, layout));
}

TEST(SpillFormat, WriterRefusesShapesItCannotSpill) {
  vop::SpillHeader h{};
  EXPECT_FALSE(vop::makeSpillHeader(0, 1, 24, 0, false, 0, h));
  EXPECT_FALSE(vop::makeSpillHeader(1, 0, 24, 0, false, 0, h));
  EXPECT_FALSE(vop::makeSpillHeader(1, 1, 12, 0, false, 0, h));
  EXPECT_FALSE(vop::makeSpillHeader(1, 1, 8, 257, false, 0, h));
  EXPECT_FALSE(vop::makeSpillHeader(1, 1, 24, 1, false, 0, h));         // no table above 8 bits
  EXPECT_FALSE(vop::makeSpillHeader(INT32_MAX, 1, 32, 0, false, 0, h)); // row beyond 2 GiB
}

TEST(SpillFormat, RefusesHeadersTheWriterNeverMakes) {
  vop::SpillHeader good{};
  ASSERT_TRUE(vop::makeSpillHeader(2, 2, 24, 0, true, -1, good));
  const uint64_t size = 32 + 16;
  auto refused = [&](auto change) {
    vop::SpillHeader h = good;
    change(h);
    const auto b = bytesOf(h);
    vop::SpillLayout layout;
    return !vop::checkSpillFile(b.data(), b.size(), size, layout);
  };
  EXPECT_FALSE(refused([](vop::SpillHeader &) {}));
  EXPECT_TRUE(refused([](vop::SpillHeader &h) { h.magic[3] = 'X'; }));
  EXPECT_TRUE(refused([](vop::SpillHeader &h) { h.rowBytes = 6; }));
  EXPECT_TRUE(refused([](vop::SpillHeader &h) { h.hasAlpha = 2; }));
  EXPECT_TRUE(refused([](vop::SpillHeader &h) { h.paletteCount = -1; }));
  EXPECT_TRUE(refused([](vop::SpillHeader &h) { h.height = -2; }));
  EXPECT_TRUE(refused([](vop::SpillHeader &h) { h.bitsPerPixel = 0; }));
}

TEST(SpillFormat, HugeClaimsAreComputedWithoutWrapping) {
  // 2^31 - 1 rows of 2^31 - 4 bytes: the true size is near 2^62; its low 32 bits, or the
  // product taken in 32 bits, must not pass for a small file.
  vop::SpillHeader h{};
  ASSERT_TRUE(vop::makeSpillHeader((INT32_MAX - 31) / 8 / 4 * 8, INT32_MAX, 32, 0, false, 0, h));
  const auto b = bytesOf(h);
  const uint64_t truth = 32 + uint64_t(uint32_t(h.rowBytes)) * uint32_t(h.height);
  vop::SpillLayout layout;
  EXPECT_FALSE(vop::checkSpillFile(b.data(), b.size(), uint32_t(truth), layout));
  EXPECT_FALSE(vop::checkSpillFile(
      b.data(), b.size(), 32 + uint32_t(uint32_t(h.rowBytes) * uint32_t(h.height)), layout));
  ASSERT_TRUE(vop::checkSpillFile(b.data(), b.size(), truth, layout));
  EXPECT_EQ(layout.pixelBytes, truth - 32);
}

} // namespace
