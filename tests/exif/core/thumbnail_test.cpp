// Tests of the thumbnail builder: TIFF thumbnails in strips, compressed streams, bad IFDs.
#include "exif/core/thumbnail.h"

#include <gtest/gtest.h>

#include "exif/core/result.h"
#include "exif/core/walker.h"
#include "tests/exif/core/tiff_maker.h"

using namespace daxtest;

namespace {

constexpr uint32_t kStrips = 4096; // where the tests put image data, after every IFD
constexpr size_t kArea = dax::kThumbnailHeaderArea;

struct Result {
  int code = 0;
  dax::Thumbnail thumb;
  std::vector<int32_t> groups;
};

// A file whose second IFD holds fields, with data appended at kStrips.
Result build(bool big, const std::vector<Field> &second, const Bytes &data, bool plainTiff = true) {
  Bytes tiff = makeTiff(big, {{{ascii(271, "A")}, 1}, {second}});
  EXPECT_LE(tiff.size(), kStrips);
  tiff.resize(kStrips, 0);
  append(tiff, data);
  const Bytes file = plainTiff ? tiff : jpeg({app0(), exifSegment(tiff)});
  dax::MemorySource source(file);
  dax::TableSet tables;
  IdStrings strings;
  Result r;
  r.code = dax::walkFile(source, strings, 0x301, tables);
  r.thumb = tables.thumbnail;
  for (const auto &g : tables.groups)
    r.groups.push_back(g.id);
  return r;
}

Bytes pattern(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i)
    b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

uint32_t read32(const Bytes &b, size_t at, bool big) {
  return big ? dax::get32(&b[at], dax::ByteOrder::kBig)
             : dax::get32(&b[at], dax::ByteOrder::kLittle);
}
uint16_t read16(const Bytes &b, size_t at, bool big) {
  return big ? dax::get16(&b[at], dax::ByteOrder::kBig)
             : dax::get16(&b[at], dax::ByteOrder::kLittle);
}

// The entry with a tag in the thumbnail's IFD, or SIZE_MAX.
size_t entryOf(const Bytes &b, uint16_t tag, bool big) {
  const uint16_t n = read16(b, 8, big);
  for (size_t i = 0; i < n; ++i)
    if (read16(b, 10 + 12 * i, big) == tag)
      return 10 + 12 * i;
  return SIZE_MAX;
}

} // namespace

TEST(ThumbnailStrips, ThreeStripsAreJoinedAndTheirOffsetsRewritten) {
  Bytes data = pattern(100, 1);
  const Bytes s2 = pattern(200, 2), s3 = pattern(50, 3);
  append(data, s2);
  append(data, s3);
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "MM" : "II");
    const Result r = build(big,
                           {shorts(259, {1}), shorts(256, {10}), rationals(282, {{72, 1}}),
                            longs(273, {kStrips, kStrips + 100, kStrips + 300}), shorts(278, {5}),
                            longs(279, {100, 200, 50}), rationals(283, {{72, 1}})},
                           data, !big);
    ASSERT_EQ(r.code, 0);
    const Bytes &b = r.thumb.data;
    ASSERT_EQ(b.size(), kArea + 350);
    EXPECT_EQ(r.thumb.kind, 1);
    const Bytes header =
        big ? Bytes{'M', 'M', 0, 42, 0, 0, 0, 8} : Bytes{'I', 'I', 42, 0, 8, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 8), header);
    EXPECT_EQ(read16(b, 8, big), 5) << "the SHORT and LONG entries only, not the resolutions";
    const size_t offsets = entryOf(b, 273, big);
    ASSERT_NE(offsets, SIZE_MAX);
    EXPECT_EQ(read16(b, offsets + 2, big), 4);
    EXPECT_EQ(read32(b, offsets + 4, big), 3u);
    const size_t values = read32(b, offsets + 8, big);
    EXPECT_EQ(values, 12u * 7 + 14)
        << "the first out-of-line value goes after the room for 7 entries";
    EXPECT_EQ(read32(b, values, big), 65535u);
    EXPECT_EQ(read32(b, values + 4, big), 65635u);
    EXPECT_EQ(read32(b, values + 8, big), 65835u);
    EXPECT_EQ(Bytes(b.begin() + kArea, b.end()), data);
    EXPECT_EQ(read32(b, 10 + 12 * 5, big), 0u) << "no further IFD";
    const size_t width = entryOf(b, 256, big);
    ASSERT_NE(width, SIZE_MAX);
    EXPECT_EQ(read16(b, width + 8, big), 10);
  }
}

TEST(ThumbnailStrips, ShortStripOffsetsAreStoredAsLongSoThatTheyCanPointPast65535) {
  const Bytes data = pattern(30, 9);
  const Result r = build(
      false, {shorts(259, {1}), shorts(273, {kStrips, kStrips + 10}), shorts(279, {10, 20})}, data);
  ASSERT_EQ(r.thumb.data.size(), kArea + 30);
  const Bytes &b = r.thumb.data;
  const size_t offsets = entryOf(b, 273, false);
  EXPECT_EQ(read16(b, offsets + 2, false), 4);
  const size_t values = read32(b, offsets + 8, false);
  EXPECT_EQ(read32(b, values, false), 65535u);
  EXPECT_EQ(read32(b, values + 4, false), 65545u);
  EXPECT_EQ(Bytes(b.begin() + kArea, b.end()), data);
}

TEST(ThumbnailStrips, OneInlineStripOffsetIsRewrittenInItsOwnField) {
  const Bytes data = pattern(64, 4);
  const Result r = build(true, {shorts(259, {1}), longs(273, {kStrips}), longs(279, {64})}, data);
  const Bytes &b = r.thumb.data;
  ASSERT_EQ(b.size(), kArea + 64);
  EXPECT_EQ(read32(b, entryOf(b, 273, true) + 8, true), 65535u);
}

TEST(ThumbnailStream, JpegThumbnailComesFirstInTheBlock) {
  const Bytes stream = pattern(4000, 5);
  for (bool big : {false, true}) {
    const Result r =
        build(big, {shorts(259, {6}), longs(513, {kStrips}), longs(514, {4000})}, stream, big);
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.thumb.kind, 6);
    ASSERT_EQ(r.thumb.data.size(), 69535u);
    EXPECT_EQ(Bytes(r.thumb.data.begin(), r.thumb.data.begin() + 4000), stream);
    EXPECT_EQ(r.thumb.data.back(), 0);
  }
}

TEST(ThumbnailStream, NoCompressionTagIsKindZeroAndAStream) {
  const Bytes stream = pattern(10, 6);
  const Result r = build(false, {longs(513, {kStrips}), longs(514, {10})}, stream);
  EXPECT_EQ(r.thumb.kind, 0);
  ASSERT_EQ(r.thumb.data.size(), kArea + 10);
  EXPECT_EQ(Bytes(r.thumb.data.begin(), r.thumb.data.begin() + 10), stream);
}

TEST(ThumbnailRefused, IncompleteOrImpossibleDescriptionsMakeNoThumbnail) {
  const Bytes stream = pattern(70000, 7);
  struct Case {
    const char *why;
    std::vector<Field> fields;
  };
  const std::vector<Case> cases = {
      {"offsets only", {shorts(259, {6}), longs(513, {kStrips})}},
      {"byte counts only", {shorts(259, {6}), longs(514, {100})}},
      {"zero bytes", {shorts(259, {6}), longs(513, {kStrips}), longs(514, {0})}},
      {"more bytes than the file holds",
       {shorts(259, {6}), longs(513, {kStrips}), longs(514, {0x7FFFFFF0u})}},
      {"stream cut short by the end of the file",
       {shorts(259, {6}), longs(513, {kStrips + 69950}), longs(514, {100})}},
      {"offset values that do not fit the header area",
       {shorts(259, {1}), raw(273, 4, 17000, kStrips), longs(279, {100})}},
      {"offset values missing from the file",
       {shorts(259, {1}), raw(273, 4, 1000, 0xFFFFFF00u), longs(279, {100})}},
  };
  for (const Case &c : cases) {
    const Result r = build(false, c.fields, stream);
    EXPECT_EQ(r.code, 0) << c.why;
    EXPECT_FALSE(r.thumb.present()) << c.why;
    EXPECT_EQ(r.groups, (std::vector<int32_t>{0, 1})) << c.why << ": the tags are still listed";
  }
}

TEST(ThumbnailRefused, AnyStripCutShortOrWithoutOffsetMakesNoThumbnail) {
  const Bytes data = pattern(300, 8);
  // Three strips of 100 bytes; an offset of 250 leaves only 50 bytes before the end of the file.
  struct Case {
    const char *why;
    std::vector<uint32_t> offsets;
    std::vector<uint32_t> counts;
    bool made;
  };
  const std::vector<Case> cases = {
      {"every strip whole", {kStrips, kStrips + 100, kStrips + 200}, {100, 100, 100}, true},
      {"first strip cut", {kStrips + 250, kStrips, kStrips + 100}, {100, 100, 100}, false},
      {"middle strip cut", {kStrips, kStrips + 250, kStrips + 100}, {100, 100, 100}, false},
      {"last strip cut", {kStrips, kStrips + 100, kStrips + 250}, {100, 100, 100}, false},
      {"last strip past the end", {kStrips, kStrips + 100, kStrips + 1000}, {100, 100, 10}, false},
      {"byte count without offset", {kStrips, kStrips + 100}, {100, 100, 50}, false},
  };
  for (const Case &c : cases) {
    const Result r =
        build(false, {shorts(259, {1}), longs(273, c.offsets), longs(279, c.counts)}, data);
    EXPECT_EQ(r.code, 0) << c.why;
    EXPECT_EQ(r.thumb.present(), c.made) << c.why;
    EXPECT_EQ(r.groups, (std::vector<int32_t>{0, 1})) << c.why << ": the tags are still listed";
  }
}
