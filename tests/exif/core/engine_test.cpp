// Tests of the engine: analysis results, iteration in both directions, capacities, thumbnail
// copies.
#include "exif/core/engine.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/exif/core/tiff_maker.h"

using namespace daxtest;

namespace {

const IdStrings kStrings;

// Groups 0 (two entries), 34665 (one entry) and 1 (three entries, a 6-byte JPEG thumbnail).
Bytes threeGroups() {
  Bytes tiff = makeTiff(false, {{{ascii(271, "Make text"), pointer(34665, 1)}, 2},
                                {{rationals(33434, {{1, 60}})}},
                                {{shorts(259, {6}), longs(513, {400}), longs(514, {6})}}});
  tiff.resize(400, 0);
  for (uint8_t b : {0xFF, 0xD8, 1, 2, 0xFF, 0xD9})
    tiff.push_back(b);
  return tiff;
}

int analyze(dax::Engine &engine, const Bytes &file, uint32_t code = 0x301) {
  dax::MemorySource source(file);
  return engine.analyze(source, kStrings, code);
}

struct Buffers {
  char label[1024];
  char value[65536];
  dax::EntryRecord record{};
  Buffers() {
    record.label = label;
    record.value = value;
  }
};

} // namespace

TEST(EngineIteration, ForwardVisitsEveryEntryAndRepeatsTheLast) {
  dax::Engine engine;
  const Bytes file = threeGroups();
  ASSERT_EQ(analyze(engine, file), 6);
  dax::IterationSetup setup{1024, 65536};
  ASSERT_EQ(engine.beginIteration(&setup, 3), 6);
  Buffers b;
  b.record.reserved = 0xBEEF;
  const std::vector<std::pair<int32_t, uint16_t>> order = {{0, 271}, {0, 34665}, {34665, 33434},
                                                           {1, 259}, {1, 513},   {1, 514}};
  for (size_t i = 0; i < order.size(); ++i) {
    const int r = engine.nextEntry(&b.record);
    EXPECT_EQ(r, i + 1 == order.size() ? dax::kLastEntry : dax::kOk) << i;
    EXPECT_EQ(b.record.group, order[i].first) << i;
    EXPECT_EQ(b.record.tag, order[i].second) << i;
  }
  EXPECT_STREQ(b.value, "0x0006");
  EXPECT_EQ(b.record.reserved, 0xBEEF) << "the two bytes after the tag are not written";
  std::strcpy(b.value, "overwritten");
  EXPECT_EQ(engine.nextEntry(&b.record), dax::kLastEntry);
  EXPECT_EQ(b.record.tag, 514);
  EXPECT_STREQ(b.value, "0x0006");
}

TEST(EngineIteration, BackwardStartsAtTheLastEntryOfTheLastGroup) {
  dax::Engine engine;
  const Bytes file = threeGroups();
  ASSERT_EQ(analyze(engine, file), 6);
  dax::IterationSetup setup{1024, 65536};
  ASSERT_EQ(engine.beginIteration(&setup, 0x103), 6);
  Buffers b;
  std::vector<uint16_t> tags;
  int r = dax::kOk;
  while (r == dax::kOk) {
    r = engine.nextEntry(&b.record);
    tags.push_back(b.record.tag);
  }
  EXPECT_EQ(r, dax::kLastEntry);
  EXPECT_EQ(tags, (std::vector<uint16_t>{514, 513, 259, 33434, 34665, 271}));
  EXPECT_STREQ(b.label, "Make");
  EXPECT_STREQ(b.value, "Make text");
}

TEST(EngineIteration, CapacitiesAreClampedWrittenBackAndApplied) {
  dax::Engine engine;
  ASSERT_EQ(analyze(engine, threeGroups()), 6);
  dax::IterationSetup setup{5000, 100000};
  EXPECT_EQ(engine.beginIteration(&setup, 3), 6);
  EXPECT_EQ(setup.labelCapacity, 1024);
  EXPECT_EQ(setup.valueCapacity, 65536);

  setup = {5, 3};
  engine.beginIteration(&setup, 3);
  Buffers b;
  std::memset(b.label, 'z', sizeof b.label);
  ASSERT_EQ(engine.nextEntry(&b.record), dax::kOk);
  EXPECT_STREQ(b.label, "Make"); // four characters and a NUL
  EXPECT_STREQ(b.value, "Ma");
  EXPECT_EQ(b.label[5], 'z') << "nothing written past the capacity";

  setup = {-7, 0};
  engine.beginIteration(&setup, 3);
  EXPECT_EQ(setup.labelCapacity, 0);
  EXPECT_EQ(engine.nextEntry(&b.record), dax::kBadArgument)
      << "a value buffer of no characters cannot be filled";
}

TEST(EngineIteration, NoEntriesLeavesTheCapacitiesAlone) {
  dax::Engine engine;
  ASSERT_EQ(analyze(engine, makeTiff(false, {Ifd{}})), 0);
  dax::IterationSetup setup{10, 20};
  EXPECT_EQ(engine.beginIteration(&setup, 3), 0);
  EXPECT_EQ(setup.labelCapacity, 10);
  EXPECT_EQ(engine.labelCapacity(), 1024);
  Buffers b;
  EXPECT_EQ(engine.nextEntry(&b.record), dax::kBadArgument);
}

TEST(EngineIteration, MissingArgumentsAndBuffersAreRefusedWithoutMovingTheCursor) {
  dax::Engine engine;
  ASSERT_EQ(analyze(engine, threeGroups()), 6);
  EXPECT_EQ(engine.beginIteration(nullptr, 3), dax::kBadArgument);
  dax::IterationSetup setup{1024, 65536};
  engine.beginIteration(&setup, 3);
  EXPECT_EQ(engine.nextEntry(nullptr), dax::kBadArgument);
  Buffers b;
  b.record.label = nullptr;
  b.record.value = nullptr;
  EXPECT_EQ(engine.nextEntry(&b.record), dax::kBadArgument);
  b.record.label = b.label; // the label alone is enough
  EXPECT_EQ(engine.nextEntry(&b.record), dax::kOk);
  EXPECT_EQ(b.record.tag, 271) << "the refused call did not move the cursor";
  b.record.label = nullptr;
  b.record.value = b.value;
  EXPECT_EQ(engine.nextEntry(&b.record), dax::kOk);
  EXPECT_EQ(b.record.tag, 34665);
}

TEST(EngineAnalysis, AFailedAnalysisKeepsThePreviousResults) {
  dax::Engine engine;
  ASSERT_EQ(analyze(engine, threeGroups()), 6);
  EXPECT_EQ(analyze(engine, Bytes{1, 2, 3}), dax::kNoExif);
  EXPECT_EQ(engine.results().totalEntries(), 6u);
  EXPECT_EQ(analyze(engine, makeTiff(true, {{{ascii(271, "Second")}}})), 1);
  dax::IterationSetup setup{1024, 65536};
  EXPECT_EQ(engine.beginIteration(&setup, 3), 1);
  Buffers b;
  EXPECT_EQ(engine.nextEntry(&b.record), dax::kLastEntry);
  EXPECT_STREQ(b.value, "Second");
}

TEST(EngineAnalysis, AnEighthGroupIsNoFailure) {
  dax::Engine engine;
  EXPECT_EQ(analyze(engine, makeTiff(false, {{{ascii(271, "A"), pointer(34665, 0)}}})), 14);
}

TEST(EngineThumbnail, RecordAndRawBufferCopies) {
  dax::Engine engine;
  ASSERT_EQ(analyze(engine, threeGroups()), 6);
  const int32_t size = 65535 + 6;
  std::vector<uint8_t> buffer(size + 16, 0xAA);

  dax::ThumbnailRecord rec{-1, 100, buffer.data()};
  EXPECT_EQ(engine.thumbnail(5, &rec), dax::kOk) << "sizes differ: kind and size only";
  EXPECT_EQ(rec.kind, 6);
  EXPECT_EQ(rec.size, size);
  EXPECT_EQ(buffer[0], 0xAA);

  rec = {0, 0, nullptr};
  EXPECT_EQ(engine.thumbnail(0x105, &rec), dax::kOk);
  EXPECT_EQ(rec.size, size);

  rec = {0, size, nullptr};
  EXPECT_EQ(engine.thumbnail(5, &rec), dax::kBadArgument);
  EXPECT_EQ(rec.kind, 6) << "kind and size are filled in even then";

  rec = {0, size, buffer.data()};
  EXPECT_EQ(engine.thumbnail(5, &rec), dax::kOk);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 6), (Bytes{0xFF, 0xD8, 1, 2, 0xFF, 0xD9}));
  EXPECT_EQ(buffer[size], 0xAA) << "nothing past the block";

  std::vector<uint8_t> raw(size, 0x55);
  EXPECT_EQ(engine.thumbnail(0x205, raw.data()), dax::kOk);
  EXPECT_EQ(raw[1], 0xD8);
  EXPECT_EQ(engine.thumbnail(5, nullptr), dax::kBadArgument);
}

TEST(EngineThumbnail, ReleaseAndAnalysisWithoutTheBitLeaveNoThumbnail) {
  dax::Engine engine;
  dax::ThumbnailRecord rec{0, 0, nullptr};
  EXPECT_EQ(engine.thumbnail(5, &rec), dax::kNoThumbnail);
  ASSERT_EQ(analyze(engine, threeGroups(), 0x101), 3);
  EXPECT_EQ(engine.thumbnail(5, &rec), dax::kNoThumbnail);
  ASSERT_EQ(analyze(engine, threeGroups()), 6);
  EXPECT_EQ(engine.release(0x100), dax::kOk);
  EXPECT_EQ(engine.thumbnail(5, &rec), dax::kNoThumbnail);
  EXPECT_EQ(engine.results().totalEntries(), 6u) << "the entries stay";
  EXPECT_EQ(engine.release(0), dax::kOk);
  dax::IterationSetup setup{1024, 65536};
  EXPECT_EQ(engine.beginIteration(&setup, 3), 0);
}
