// Tests of the structure walker: finding the TIFF header, the IFDs and groups, hostile files.
#include "exif/core/walker.h"

#include <gtest/gtest.h>

#include "exif/core/result.h"
#include "tests/exif/core/tiff_maker.h"

using namespace daxtest;

namespace {

const IdStrings kStrings;

struct Walk {
  int result = 0;
  dax::TableSet tables;
  const dax::Entry *find(int32_t group, uint16_t tag) const {
    for (const dax::Group &g : tables.groups)
      for (const dax::Entry &e : g.entries)
        if (e.group == group && e.tag == tag)
          return &e;
    return nullptr;
  }
  std::string value(int32_t group, uint16_t tag) const {
    const dax::Entry *e = find(group, tag);
    return e ? e->value : "<missing>";
  }
  std::vector<int32_t> groupIds() const {
    std::vector<int32_t> ids;
    for (const dax::Group &g : tables.groups)
      ids.push_back(g.id);
    return ids;
  }
};

Walk walk(const Bytes &file, uint32_t code = 0x301) {
  Walk w;
  dax::MemorySource source(file);
  w.result = dax::walkFile(source, kStrings, code, w.tables);
  return w;
}

// A first IFD with a Make, an Exif IFD with an exposure time and an Interoperability IFD,
// a GPS IFD and a second IFD.
std::vector<Ifd> sample() {
  return {
      {{ascii(271, "Maker"), pointer(34665, 1), pointer(34853, 3)}, 4},
      {{rationals(33434, {{1, 125}}), shorts(37383, {2}), pointer(40965, 2)}},
      {{ascii(1, "R98"), bytes(2, 7, {'0', '1', '0', '0'})}},
      {{ascii(1, "n"), rationals(2, {{35, 1}, {30, 1}, {15, 2}})}},
      {{shorts(259, {6}), rationals(282, {{72, 1}})}},
  };
}

// A source that reports an I/O error for every read at or after a position.
class FailingSource final : public dax::ByteSource {
public:
  FailingSource(const Bytes &bytes, uint64_t failFrom) : m_inner(bytes), m_failFrom(failFrom) {}
  int64_t readAt(uint64_t pos, void *out, size_t size) override {
    return pos + size > m_failFrom ? -1 : m_inner.readAt(pos, out, size);
  }
  uint64_t size() const override { return m_inner.size(); }

private:
  dax::MemorySource m_inner;
  uint64_t m_failFrom;
};

} // namespace

TEST(WalkerHeader, PlainTiffInEitherByteOrderGivesTheSameGroups) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "MM" : "II");
    const Walk w = walk(makeTiff(big, sample()));
    ASSERT_EQ(w.result, 0);
    EXPECT_EQ(w.groupIds(), (std::vector<int32_t>{0, 34665, 40965, 34853, 1}));
    EXPECT_EQ(w.value(0, 271), "Maker");
    EXPECT_EQ(w.value(34665, 33434), "1/125 sec.");
    EXPECT_EQ(w.value(34665, 37383), "#63032");
    EXPECT_EQ(w.value(40965, 1), "R98");
    EXPECT_EQ(w.value(40965, 2), "0100"); // starts with a digit: shown as text
    EXPECT_EQ(w.value(34853, 1), "#63076");
    EXPECT_EQ(w.value(34853, 2), "35.0 30.0 7.5");
    EXPECT_EQ(w.value(1, 259), "#63005");
    EXPECT_EQ(w.tables.totalEntries(), 12u);
  }
}

TEST(WalkerHeader, LabelsComeFromTheStringsExceptInTheInteroperabilityGroup) {
  const Walk w = walk(makeTiff(false, sample()));
  EXPECT_EQ(w.find(0, 271)->label, "Make");
  EXPECT_EQ(w.find(34665, 33434)->label, "Exposure time");
  EXPECT_EQ(w.find(34665, 37383)->label, "0x9207"); // no such string
  EXPECT_EQ(w.find(40965, 1)->label, "0x0001"); // the strings hold tag 1, but not for this group
  EXPECT_EQ(w.find(34853, 1)->label, "Latitude ref");
}

TEST(WalkerHeader, ExifSegmentAfterApp0IsReadRelativeToItsTiffHeader) {
  const Bytes tiff = makeTiff(true, sample());
  const Walk w = walk(jpeg({app0(), exifSegment(tiff)}));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.value(34665, 33434), "1/125 sec.");
  EXPECT_EQ(w.value(34853, 2), "35.0 30.0 7.5");
}

TEST(WalkerHeader, XmpSegmentBeforeTheExifSegmentIsSkipped) {
  const Bytes xmp = segment(0xE1, Bytes{'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0});
  const Walk w = walk(jpeg({app0(), xmp, exifSegment(makeTiff(false, sample()))}));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.value(0, 271), "Maker");
}

TEST(WalkerHeader, ExifSegmentAfterFourOtherSegmentsIsNotFound) {
  const Bytes exif = exifSegment(makeTiff(false, sample()));
  EXPECT_EQ(walk(jpeg({app0(), app0(), app0(), exif})).result, 0);
  EXPECT_EQ(walk(jpeg({app0(), app0(), app0(), app0(), exif})).result, dax::kNoExif);
}

TEST(WalkerHeader, BadHeadersGiveTheirCodes) {
  Bytes bigWrongMagic = makeTiff(true, sample());
  bigWrongMagic[3] = 43;
  Bytes littleWrongMagic = makeTiff(false, sample());
  littleWrongMagic[2] = 43;
  Bytes noOrder = makeTiff(false, sample());
  noOrder[0] = 'X';
  EXPECT_EQ(walk(bigWrongMagic).result, dax::kNoExif) << "plain file, big-endian magic is checked";
  EXPECT_EQ(walk(jpeg({exifSegment(bigWrongMagic)})).result, dax::kBadTiffHeader)
      << "inside an Exif segment";
  EXPECT_EQ(walk(littleWrongMagic).result, 0) << "little-endian magic is not checked";
  EXPECT_EQ(walk(noOrder).result, dax::kNoExif);
  EXPECT_EQ(walk(jpeg({exifSegment(Bytes{'I', 'I', 42, 0})})).result, dax::kBadTiffHeader)
      << "short header";
  EXPECT_EQ(walk(Bytes{}).result, dax::kNoExif) << "empty file";
  EXPECT_EQ(walk(Bytes{'I', 'I', 42}).result, dax::kNoExif) << "three bytes";
  EXPECT_EQ(walk(jpeg({app0()})).result, dax::kNoExif) << "JPEG without Exif";
}

TEST(WalkerHeader, ReadErrorsGiveReadFailed) {
  const Bytes file = jpeg({app0(), exifSegment(makeTiff(false, sample()))});
  for (uint64_t failFrom : {0, 3, 30, 60, 120}) {
    FailingSource source(file, failFrom);
    dax::TableSet tables;
    EXPECT_EQ(dax::walkFile(source, kStrings, 0x301, tables), dax::kReadFailed) << failFrom;
  }
}

TEST(WalkerIfd, FirstIfdWithoutEntriesGivesNoGroup) {
  const Walk w = walk(makeTiff(false, {Ifd{}}));
  EXPECT_EQ(w.result, 0);
  EXPECT_TRUE(w.tables.groups.empty());
}

TEST(WalkerIfd, SecondIfdIsWalkedOnlyWithTheThumbnailBit) {
  EXPECT_EQ(walk(makeTiff(false, sample()), 0x101).groupIds(),
            (std::vector<int32_t>{0, 34665, 40965, 34853}));
  EXPECT_EQ(walk(makeTiff(false, sample()), 0x301).groupIds().back(), 1);
}

TEST(WalkerIfd, PointerTagsInTheSecondIfdAreNotFollowed) {
  const Walk w =
      walk(makeTiff(false, {{{ascii(271, "A")}, 1}, {{pointer(34665, 2)}}, {{ascii(271, "B")}}}));
  EXPECT_EQ(w.groupIds(), (std::vector<int32_t>{0, 1}));
}

TEST(WalkerIfd, CycleThroughTheExifPointerEndsAtSevenGroups) {
  const Walk w = walk(makeTiff(false, {{{ascii(271, "A"), pointer(34665, 0)}, 0}}));
  EXPECT_EQ(w.result, dax::kTooManyGroups);
  EXPECT_EQ(w.groupIds(), (std::vector<int32_t>{0, 34665, 34665, 34665, 34665, 34665, 34665}));
  EXPECT_EQ(w.tables.totalEntries(), 14u);
}

TEST(WalkerIfd, EntriesOfOtherTypesAreListedWithAnEmptyValue) {
  const Walk w =
      walk(makeTiff(false, {{{Field{999, 6, 1, {1}}, Field{998, 8, 1, {1}}, Field{997, 11, 1, {1}},
                              Field{996, 12, 1, {1, 2}}, ascii(271, "after")}}}));
  ASSERT_EQ(w.tables.totalEntries(), 5u);
  for (uint16_t tag : {999, 998, 997, 996})
    EXPECT_EQ(w.value(0, tag), "") << tag;
  EXPECT_EQ(w.value(0, 271), "after");
}

TEST(WalkerIfd, APointerOfZeroNamesNoIfd) {
  const Walk w = walk(makeTiff(false, {{{raw(34665, 4, 1, 0), ascii(271, "A")}}}));
  EXPECT_EQ(w.groupIds(), (std::vector<int32_t>{0}));
  EXPECT_EQ(w.tables.totalEntries(), 2u);
}

TEST(WalkerHostile, AnIfdCutOffByTheEndOfTheFileKeepsItsWholeEntries) {
  Bytes file = makeTiff(false, {{{ascii(271, "A"), shorts(274, {1}), shorts(274, {2})}}});
  file.resize(8 + 2 + 12 * 2 + 5); // the third entry is cut
  const Walk w = walk(file);
  EXPECT_EQ(w.result, 0);
  EXPECT_EQ(w.tables.totalEntries(), 2u);
  EXPECT_TRUE(walk(makeTiff(false, {{{ascii(271, "A")}, -1, true}})).tables.groups.empty())
      << "count only";
}

TEST(WalkerHostile, OffsetsAndCountsBeyondTheFileGiveEmptyValues) {
  const Walk w = walk(makeTiff(true, {{{raw(33434, 5, 1, 0xFFFFFFF0u), raw(271, 2, 0xFFFFFFFFu, 0),
                                        raw(999, 1, 0xFFFFFFFFu, 0x7FFFFFFF),
                                        raw(34665, 4, 1, 0xFFFFFFFFu), raw(34853, 4, 1, 1000)}}}));
  EXPECT_EQ(w.result, 0);
  EXPECT_EQ(w.value(0, 33434), "");
  EXPECT_EQ(w.value(0, 271), "MM"); // a count far beyond the file reads what is there
  EXPECT_EQ(w.value(0, 999), "");
  EXPECT_EQ(w.groupIds(), (std::vector<int32_t>{0}));
}

TEST(WalkerHostile, LabelsAreCutToTheLabelField) {
  IdStrings strings;
  strings.m_labels[271] = std::string(5000, 'L');
  const Bytes file = makeTiff(false, {{{ascii(271, "A")}}});
  dax::MemorySource source(file);
  dax::TableSet tables;
  ASSERT_EQ(dax::walkFile(source, strings, 0x301, tables), 0);
  EXPECT_EQ(tables.groups.at(0).entries.at(0).label, std::string(dax::kLabelField - 1, 'L'));
}

TEST(WalkerHostile, RepeatedHugeValuesAreCutAtTheWorkLimitsInsteadOfRefused) {
  // 4000 entries that each point at the same 128 KiB of text, in a cycle of seven IFDs:
  // about 3.5 GB to read if nothing stopped it.
  std::vector<Field> fields(4000, raw(271, 2, 0xFFFFFFFFu, 0));
  fields.push_back(pointer(34665, 0));
  Bytes file = makeTiff(false, {{fields}});
  file.resize(file.size() + 200000, 'x');
  const Walk w = walk(file);
  EXPECT_EQ(w.result, dax::kOk);
  EXPECT_TRUE(w.tables.cut);
  EXPECT_EQ(w.groupIds(), (std::vector<int32_t>{0}));
  EXPECT_GT(w.tables.totalEntries(), 0u);
  EXPECT_LT(w.tables.totalEntries(), 4000u);
}

TEST(WalkerHostile, TightLimitsKeepTheEntriesBeforeTheCutAndNoThumbnail) {
  const Bytes file = makeTiff(false, sample());
  dax::MemorySource source(file);
  dax::TableSet whole, cut;
  ASSERT_EQ(dax::walkFile(source, kStrings, 0x301, whole, dax::WorkLimits::unlimited()), 0);
  ASSERT_FALSE(whole.cut);
  ASSERT_TRUE(whole.thumbnail.present() || whole.groups.size() == 5u);
  // Room for the first IFD's records and its first two entries' reads, not for the third.
  dax::WorkLimits limits = dax::WorkLimits::unlimited();
  limits.readBytes = 2 + 12 + 6 + 12 + 2 + 12;
  ASSERT_EQ(dax::walkFile(source, kStrings, 0x301, cut, limits), 0);
  EXPECT_TRUE(cut.cut);
  ASSERT_EQ(cut.groups.size(), 1u) << "the Exif IFD's count could be read, its first entry not";
  EXPECT_EQ(cut.groups[0].entries.size(), 2u);
  EXPECT_EQ(cut.groups[0].entries[1].tag, whole.groups[0].entries[1].tag);
  EXPECT_FALSE(cut.thumbnail.present());

  dax::TableSet noRecords;
  limits = dax::WorkLimits::unlimited();
  limits.tableBytes = sizeof(dax::Entry) - 1;
  EXPECT_EQ(dax::walkFile(source, kStrings, 0x301, noRecords, limits), 0);
  EXPECT_TRUE(noRecords.cut);
  EXPECT_TRUE(noRecords.groups.empty());
}
