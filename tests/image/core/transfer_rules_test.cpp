// Tests of packed DIBs and BMP files, the file-name rules of loading and saving, and the
// undo history's ring.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "image/core/file_rules.h"
#include "image/core/packed_dib.h"
#include "image/core/undo_history.h"

namespace vop {
namespace {

void put32(std::vector<uint8_t> &b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void put16(std::vector<uint8_t> &b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A packed DIB with a 40-byte header and `extra` bytes beyond what it needs.
std::vector<uint8_t> dib(int32_t width, int32_t height, uint16_t depth, uint32_t compression = 0,
                         uint32_t colorsUsed = 0, uint32_t sizeImage = 0, size_t bodyBytes = 0) {
  std::vector<uint8_t> b(40 + bodyBytes);
  put32(b, 0, 40);
  put32(b, 4, static_cast<uint32_t>(width));
  put32(b, 8, static_cast<uint32_t>(height));
  put16(b, 12, 1);
  put16(b, 14, depth);
  put32(b, 16, compression);
  put32(b, 20, sizeImage);
  put32(b, 32, colorsUsed);
  return b;
}

TEST(PackedDibTest, MeasuresTableAndPaddedRows) {
  DibLayout l;
  // 8 bits, 3 x 2: table of 256 entries, rows of 4 bytes.
  auto d = dib(3, 2, 8, 0, 0, 0, 1024 + 8);
  ASSERT_TRUE(measurePackedDib(d.data(), d.size(), true, l));
  EXPECT_EQ(l.tableBytes, 1024u);
  EXPECT_EQ(l.pixelBytes, 8u);
  EXPECT_EQ(l.totalBytes(), d.size());
  // One byte short of the pixels is refused.
  EXPECT_FALSE(measurePackedDib(d.data(), d.size() - 1, true, l));

  // biClrUsed shortens the table; 24 bits have none; top-down rows count the same.
  d = dib(2, 1, 4, 0, 3, 0, 12 + 4);
  ASSERT_TRUE(measurePackedDib(d.data(), d.size(), true, l));
  EXPECT_EQ(l.tableBytes, 12u);
  d = dib(5, -3, 24, 0, 0, 0, 16 * 3);
  ASSERT_TRUE(measurePackedDib(d.data(), d.size(), true, l));
  EXPECT_EQ(l.tableBytes, 0u);
  EXPECT_EQ(l.pixelBytes, 48u);

  // Bit fields behind a plain header: three masks before the pixels.
  d = dib(1, 1, 32, kCompressionBitfields, 0, 0, 12 + 4);
  ASSERT_TRUE(measurePackedDib(d.data(), d.size(), true, l));
  EXPECT_EQ(l.tableBytes, 12u);

  // Run-length pixels take the stated size.
  d = dib(100, 100, 8, kCompressionRle8, 2, 10, 8 + 10);
  ASSERT_TRUE(measurePackedDib(d.data(), d.size(), true, l));
  EXPECT_EQ(l.pixelBytes, 10u);
}

TEST(PackedDibTest, RefusesLyingHeaders) {
  DibLayout l;
  const size_t big = 1 << 20;
  EXPECT_FALSE(measurePackedDib(nullptr, 100, true, l));
  auto d = dib(4, 4, 24, 0, 0, 0, big);
  put32(d, 0, 12); // core header
  EXPECT_FALSE(measurePackedDib(d.data(), d.size(), false, l));
  put32(d, 0, 124);
  EXPECT_FALSE(measurePackedDib(d.data(), d.size(), true, l)) << "only 40 when asked";
  EXPECT_TRUE(measurePackedDib(d.data(), d.size(), false, l));
  put32(d, 0, 1000);
  EXPECT_FALSE(measurePackedDib(d.data(), d.size(), false, l)) << "header larger than the block";

  EXPECT_FALSE(measurePackedDib(dib(0, 4, 24, 0, 0, 0, big).data(), 40 + big, true, l));
  EXPECT_FALSE(measurePackedDib(dib(4, 0, 24, 0, 0, 0, big).data(), 40 + big, true, l));
  EXPECT_FALSE(measurePackedDib(dib(4, 4, 7, 0, 0, 0, big).data(), 40 + big, true, l));
  EXPECT_FALSE(measurePackedDib(dib(4, 4, 8, 0, 257, 0, big).data(), 40 + big, true, l));
  EXPECT_FALSE(measurePackedDib(dib(4, 4, 24, 4, 0, 0, big).data(), 40 + big, true, l)) << "JPEG";
  EXPECT_FALSE(
      measurePackedDib(dib(4, 4, 24, kCompressionRle8, 0, 10, big).data(), 40 + big, true, l));
  EXPECT_FALSE(
      measurePackedDib(dib(4, -4, 8, kCompressionRle8, 0, 10, big).data(), 40 + big, true, l));
  EXPECT_FALSE(
      measurePackedDib(dib(4, 4, 8, kCompressionRle8, 0, 0, big).data(), 40 + big, true, l));
  // Sizes that overflow 32 bits are measured in 64 and refused.
  EXPECT_FALSE(
      measurePackedDib(dib(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, 0, big).data(), 40 + big, true, l));
  EXPECT_FALSE(measurePackedDib(dib(4, 4, 8, kCompressionRle8, 0, 0xFFFFFFFF, big).data(), 40 + big,
                                true, l));
}

TEST(PackedDibTest, FileHeaderAndLocatingTheDibInAFile) {
  auto d = dib(2, 2, 1, 0, 0, 0, 8 + 8);
  DibLayout l;
  ASSERT_TRUE(measurePackedDib(d.data(), d.size(), true, l));
  uint8_t header[kBmpFileHeaderSize];
  ASSERT_TRUE(bmpFileHeader(l, header));
  EXPECT_EQ(header[0], 'B');
  EXPECT_EQ(header[1], 'M');
  std::vector<uint8_t> file(header, header + sizeof header);
  file.insert(file.end(), d.begin(), d.end());
  uint32_t size, offset;
  std::memcpy(&size, header + 2, 4);
  std::memcpy(&offset, header + 10, 4);
  EXPECT_EQ(size, file.size());
  EXPECT_EQ(offset, 14u + 40 + 8);

  BmpFileParts parts;
  ASSERT_TRUE(locateBmpDib(file.data(), file.size(), parts));
  EXPECT_EQ(parts.pixelOffset, offset);
  EXPECT_EQ(parts.layout.pixelBytes, 8u);

  // A gap before the pixels is sound; an offset into the table or past the end is not.
  std::vector<uint8_t> gap = file;
  gap.insert(gap.begin() + offset, 6, 0xEE);
  put32(gap, 10, offset + 6);
  ASSERT_TRUE(locateBmpDib(gap.data(), gap.size(), parts));
  EXPECT_EQ(parts.pixelOffset, offset + 6);
  put32(gap, 10, offset - 4);
  EXPECT_FALSE(locateBmpDib(gap.data(), gap.size(), parts));
  put32(gap, 10, 0xFFFFFFF0);
  EXPECT_FALSE(locateBmpDib(gap.data(), gap.size(), parts));
  // Truncated pixels, a wrong type, fewer than 14 bytes.
  EXPECT_FALSE(locateBmpDib(file.data(), file.size() - 1, parts));
  file[0] = 'X';
  EXPECT_FALSE(locateBmpDib(file.data(), file.size(), parts));
  EXPECT_FALSE(locateBmpDib(file.data(), 13, parts));
}

bool sjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

TEST(FileRulesTest, ExtensionsByFormatCode) {
  EXPECT_EQ(replaceExtension(1, "photo.bmp", nullptr), "photo.jpg");
  EXPECT_EQ(replaceExtension(1, "photo", nullptr), "photo.jpg");
  EXPECT_EQ(replaceExtension(0, "scan.tiff", nullptr), "scan.tiff.bmp");
  EXPECT_EQ(replaceExtension(1, "photo.JPG", nullptr), "photo.jpg");
  EXPECT_EQ(replaceExtension(4, "a.b", nullptr), "a.tif");
  EXPECT_EQ(replaceExtension(9, "a.png", nullptr), "a.bmp");
  // A dot of a folder is no extension.
  EXPECT_EQ(replaceExtension(3, "C:\\a.b\\c", nullptr), "C:\\a.b\\c.png");
  // "表" is 0x95 0x5C in Shift_JIS: its trail byte is no separator, so ".b表" stays an
  // extension of 3 bytes... and is removed; in single-byte reading it would not be.
  const std::string name = "x.b\x95\x5C";
  EXPECT_EQ(replaceExtension(2, name, sjisLead), "x.gif");
  EXPECT_EQ(replaceExtension(2, name, nullptr), name + ".gif");
}

TEST(FileRulesTest, PlatformExtensionAndEncoderLists) {
  EXPECT_EQ(findExtension("C:\\dir.x\\file.JPG", nullptr), ".JPG");
  EXPECT_EQ(findExtension("C:\\dir.x\\file", nullptr), "");
  EXPECT_EQ(findExtension("name.a b", nullptr), "");
  EXPECT_TRUE(extensionListNames("*.JPG;*.JPEG;*.JPE;*.JFIF", ".jpg"));
  EXPECT_TRUE(extensionListNames("*.JPG;*.JPEG;*.JPE;*.JFIF", ".jfif"));
  EXPECT_FALSE(extensionListNames("*.JPG;*.JPEG;*.JPE;*.JFIF", ".jp"));
  EXPECT_FALSE(extensionListNames("*.BMP;*.DIB;*.RLE", ""));
  EXPECT_FALSE(extensionListNames("", ".bmp"));
}

TEST(FileRulesTest, SaveDialogCompletionAndFilters) {
  EXPECT_EQ(completeSaveName("photo", 3), "photo.gif");
  EXPECT_EQ(completeSaveName("photo.png", 1), "photo.png.bmp");
  EXPECT_EQ(completeSaveName("photo.JPG", 2), "photo.JPG");
  EXPECT_EQ(completeSaveName("a", 9), "a");
  const std::string save = saveFilter();
  static const char kSave[] = "Bitmap image\0*.bmp\0JPEG image\0*.jpg\0GIF image\0*.gif\0"
                              "PNG image\0*.png\0\0";
  EXPECT_EQ(save, std::string(kSave, sizeof kSave - 1));
  const std::string open =
      openFilter({{"BMP", "*.BMP;*.DIB", true}, {"EMF", "*.EMF", false}, {"X", "*.X", true}});
  EXPECT_EQ(open, std::string("BMP (*.BMP;*.DIB)\0*.BMP;*.DIB\0X (*.X)\0*.X\0\0", 43));
  EXPECT_EQ(openFilter({{"EMF", "*.EMF", false}}), "");
}

// Snapshots are plain numbers here; the ring releases them into a log.
std::vector<intptr_t> released;
void releaseInto(void *s) { released.push_back(reinterpret_cast<intptr_t>(s)); }
void *state(intptr_t n) { return reinterpret_cast<void *>(n); }
intptr_t number(void *s) { return reinterpret_cast<intptr_t>(s); }

TEST(UndoHistoryTest, UndoAndRedoAroundALoad) {
  released.clear();
  {
    UndoHistory h(releaseInto);
    h.record(state(1));
    EXPECT_EQ(h.undo(), nullptr);
    EXPECT_EQ(h.redo(), nullptr);
    h.record(state(2));
    EXPECT_EQ(h.position(), 2);
    EXPECT_EQ(number(h.undo()), 1);
    EXPECT_EQ(h.position(), 1);
    EXPECT_EQ(number(h.redo()), 2);
    EXPECT_EQ(h.redo(), nullptr);
    // Undo, then a new edit: the undone state is released and cannot be redone.
    EXPECT_EQ(number(h.undo()), 1);
    h.record(state(3));
    EXPECT_EQ(released, std::vector<intptr_t>{2});
    EXPECT_EQ(h.redo(), nullptr);
    EXPECT_EQ(number(h.undo()), 1);
    EXPECT_EQ(number(h.redo()), 3);
  }
  EXPECT_EQ(released, (std::vector<intptr_t>{2, 1, 3})) << "the ring releases what it holds";
}

TEST(UndoHistoryTest, RingKeepsTheLastEightStates) {
  released.clear();
  UndoHistory h(releaseInto);
  for (intptr_t n = 1; n <= 10; ++n)
    h.record(state(n));
  EXPECT_EQ(released, (std::vector<intptr_t>{1, 2}));
  EXPECT_EQ(h.storedCount(), 8);
  EXPECT_EQ(h.position(), 8);
  for (intptr_t n = 9; n >= 3; --n)
    EXPECT_EQ(number(h.undo()), n);
  EXPECT_EQ(h.undo(), nullptr) << "the eighth undo has nothing left";
  EXPECT_EQ(h.position(), 1);
  for (intptr_t n = 4; n <= 10; ++n)
    EXPECT_EQ(number(h.redo()), n);
  EXPECT_EQ(h.redo(), nullptr);
  // Recording on a full ring still drops the oldest and the position stays at 8.
  h.record(state(11));
  EXPECT_EQ(released.back(), 3);
  EXPECT_EQ(h.position(), 8);
  EXPECT_EQ(number(h.undo()), 10);
}

TEST(UndoHistoryTest, SeveralUndosThenAnEdit) {
  released.clear();
  UndoHistory h(releaseInto);
  for (intptr_t n = 1; n <= 4; ++n)
    h.record(state(n));
  EXPECT_EQ(number(h.undo()), 3);
  EXPECT_EQ(number(h.undo()), 2);
  h.record(state(5));
  EXPECT_EQ(h.storedCount(), 3);
  EXPECT_EQ(h.redo(), nullptr);
  EXPECT_EQ(number(h.undo()), 2);
  EXPECT_EQ(number(h.undo()), 1);
  EXPECT_EQ(number(h.redo()), 2);
  EXPECT_EQ(number(h.redo()), 5);
}

// Recording after undos must release every state from the cursor to the newest one, whether
// or not those states straddle the end of the ring's slot array.
TEST(UndoHistoryTest, AnEditAfterUndosOnAWrappedRingReleasesEveryUndoneState) {
  released.clear();
  {
    UndoHistory h(releaseInto);
    for (intptr_t n = 1; n <= 10; ++n)
      h.record(state(n)); // slots hold 9, 10, 3 .. 8
    released.clear();
    EXPECT_EQ(number(h.undo()), 9);
    EXPECT_EQ(number(h.undo()), 8);
    EXPECT_EQ(number(h.undo()), 7);
    h.record(state(11));
    EXPECT_EQ(released, (std::vector<intptr_t>{8, 9, 10})) << "all three undone states go at once";
    h.record(state(12));
    EXPECT_EQ(released, (std::vector<intptr_t>{8, 9, 10}));
    EXPECT_EQ(h.storedCount(), 7);
    EXPECT_EQ(h.position(), 7);
    EXPECT_EQ(h.redo(), nullptr) << "nothing recorded after state 12";
    for (intptr_t n : {11, 7, 6, 5, 4, 3})
      EXPECT_EQ(number(h.undo()), n);
    EXPECT_EQ(h.undo(), nullptr);
    for (intptr_t n : {4, 5, 6, 7, 11, 12})
      EXPECT_EQ(number(h.redo()), n);
    EXPECT_EQ(h.redo(), nullptr);
    // Filling the ring again drops the oldest states in order.
    released.clear();
    for (intptr_t n = 13; n <= 15; ++n)
      h.record(state(n));
    EXPECT_EQ(released, (std::vector<intptr_t>{3, 4}));
    EXPECT_EQ(h.storedCount(), 8);
    released.clear();
  }
  std::sort(released.begin(), released.end());
  EXPECT_EQ(released, (std::vector<intptr_t>{5, 6, 7, 11, 12, 13, 14, 15}));
}

TEST(UndoHistoryTest, AnEditAfterUndosOnAnUnwrappedRingReleasesEveryUndoneState) {
  released.clear();
  UndoHistory h(releaseInto);
  for (intptr_t n = 1; n <= 6; ++n)
    h.record(state(n));
  for (intptr_t n = 5; n >= 3; --n)
    EXPECT_EQ(number(h.undo()), n);
  h.record(state(7));
  EXPECT_EQ(released, (std::vector<intptr_t>{4, 5, 6}));
  EXPECT_EQ(h.ring().count(), 4);
  EXPECT_EQ(h.redo(), nullptr);
  // Undo to the first state and edit: everything after it goes, the ring holds two states.
  for (intptr_t n : {3, 2, 1})
    EXPECT_EQ(number(h.undo()), n);
  h.record(state(8));
  EXPECT_EQ(released, (std::vector<intptr_t>{4, 5, 6, 2, 3, 7}));
  EXPECT_EQ(h.storedCount(), 2);
  EXPECT_EQ(number(h.undo()), 1);
  EXPECT_EQ(number(h.redo()), 8);
}

} // namespace
} // namespace vop
