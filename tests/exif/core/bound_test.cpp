// Work of one analysis against the size of the file: bytes read, heap held, and the entries kept
// when a file asks for more.
#include "exif/core/engine.h"
#include "exif/core/walker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "tests/exif/core/hostile_files.h"
#include "tests/exif/core/work_meter.h"

using namespace daxtest;

namespace {

const IdStrings kStrings;

struct Cost {
  int result = 0;
  size_t entries = 0;
  uint64_t read = 0; // bytes asked of the file
  size_t peak = 0;   // heap above what was in use before the analysis
  size_t text = 0;   // label and value bytes of the entries kept
  dax::TableSet tables;
};

// One analysis in a fresh engine, thumbnail included, measured from the outside.
Cost analyse(const Bytes &file) {
  Cost c;
  CountingSource source(file);
  const PeakScope scope;
  {
    dax::Engine engine;
    c.result =
        engine.analyze(source, kStrings, dax::kOpAnalyze | dax::kModifier | dax::kWithThumbnail);
    c.peak = scope.peak();
    c.tables = engine.results();
  }
  c.read = source.requested();
  c.entries = c.tables.totalEntries();
  for (const dax::Group &g : c.tables.groups)
    for (const dax::Entry &e : g.entries)
      c.text += e.label.size() + e.value.size();
  return c;
}

uint64_t readBound(const Bytes &file) { return 16 * uint64_t{file.size()} + 65536; }
uint64_t heapBound(const Bytes &file) { return 2 * uint64_t{file.size()} + (1u << 20); }

void expectWithinBounds(const Cost &c, const Bytes &file) {
  EXPECT_GE(c.result, 0) << "a file that asks for too much is cut, not refused";
  EXPECT_GT(c.entries, 0u) << "the entries before the cut are kept";
  EXPECT_LE(c.read, readBound(file)) << "file of " << file.size() << " bytes";
  EXPECT_LE(c.peak, heapBound(file)) << "file of " << file.size() << " bytes";
}

// Whether the entries of a are the first entries of b, group by group in walk order.
bool isPrefixOf(const dax::TableSet &a, const dax::TableSet &b) {
  if (a.groups.size() > b.groups.size())
    return false;
  for (size_t g = 0; g < a.groups.size(); ++g) {
    const auto &x = a.groups[g].entries;
    const auto &y = b.groups[g].entries;
    if (a.groups[g].id != b.groups[g].id || x.size() > y.size())
      return false;
    for (size_t i = 0; i < x.size(); ++i)
      if (x[i].tag != y[i].tag || x[i].value != y[i].value || x[i].label != y[i].label)
        return false;
  }
  return true;
}

} // namespace

TEST(WorkBound, ManyEntriesSharingOneHugeValueAreCutWithinTheBounds) {
  const Bytes file = sharedHugeValue();
  const Cost c = analyse(file);
  expectWithinBounds(c, file);
  EXPECT_EQ(c.tables.groups.at(0).entries.at(0).value, "II*")
      << "the value at offset 0 is the header";
}

TEST(WorkBound, LongRenderedListsAreCutWithinTheBounds) {
  const Bytes file = byteListsAsText();
  const Cost c = analyse(file);
  expectWithinBounds(c, file);
  EXPECT_LE(c.text, heapBound(file));
}

// Rendering the texts is most of an analysis's time: they get a tighter bound of their own.
TEST(WorkBound, TextsStayWithinTwiceTheFilePlus64KiB) {
  for (const auto &[name, file] : hostileFiles()) {
    SCOPED_TRACE(name);
    const Cost c = analyse(file);
    EXPECT_LE(c.text, 2 * file.size() + 65536);
  }
  // The text bound alone cuts a walk, after whole entries.
  const Bytes file = byteListsAsText(20);
  dax::MemorySource source(file);
  dax::TableSet cut;
  dax::WorkLimits limits = dax::WorkLimits::unlimited();
  limits.textBytes = 3 * 65536;
  EXPECT_EQ(dax::walkFile(source, kStrings, 0x301, cut, limits), 0);
  EXPECT_TRUE(cut.cut);
  ASSERT_EQ(cut.groups.size(), 1u);
  EXPECT_EQ(cut.groups[0].entries.size(), 3u)
      << "three lists of 65,000 characters and their labels fit";
}

TEST(WorkBound, AWideIfdWalkedOverAndOverIsCutWithinTheBounds) {
  const Bytes file = wideIfdRevisited();
  const Cost c = analyse(file);
  expectWithinBounds(c, file);
  // An entry record takes six times the 12 bytes it has in the file: a quarter of the IFD fits.
  EXPECT_GE(c.tables.groups.at(0).entries.size(), 16000u);
}

TEST(WorkBound, AThumbnailOfTheWholeFileStaysWithinTheBounds) {
  const Bytes file = thumbnailOfWholeFile();
  const Cost c = analyse(file);
  expectWithinBounds(c, file);
  EXPECT_FALSE(c.tables.cut);
  EXPECT_EQ(c.tables.thumbnail.data.size(), dax::kThumbnailHeaderArea + file.size());
}

// 100 entries sharing a text of 20,000 letters: small enough to walk whole for comparison.
Bytes sharedLongText() {
  std::vector<Field> fields(100, raw(271, 2, 20000, 8 + 2 + 12 * 100 + 4));
  Bytes file = makeTiff(false, {{fields}});
  file.resize(file.size() + 20000, 'x');
  return file;
}

TEST(WorkBound, TheEntriesKeptAreTheFirstOnesOfTheWholeWalk) {
  for (const Bytes &file : {sharedLongText(), byteListsAsText(20)}) {
    const Cost c = analyse(file);
    dax::TableSet whole;
    dax::MemorySource source(file);
    ASSERT_FALSE(dax::isAnalysisFailure(
        dax::walkFile(source, kStrings, 0x301, whole, dax::WorkLimits::unlimited())));
    EXPECT_LT(c.entries, whole.totalEntries()) << "the file asks for more than the bound";
    EXPECT_TRUE(isPrefixOf(c.tables, whole));
  }
}

TEST(WorkBound, SmallFilesKeepEverything) {
  // A file whose cost is a small multiple of its size is not cut at all.
  std::vector<Field> fields(50, raw(271, 2, 600, 8));
  Bytes file = makeTiff(false, {{fields}});
  file.resize(file.size() + 600, 'z');
  const Cost c = analyse(file);
  EXPECT_EQ(c.entries, 50u);
  EXPECT_FALSE(c.tables.cut);
  EXPECT_TRUE(sharedHugeValue().size() > 0 && analyse(sharedHugeValue()).tables.cut);
}

// Every camera file gives the same entries and thumbnail under the bound as without it, well within
// it.
TEST(WorkBound, CameraFilesAreNeverCut) {
  const std::filesystem::path dir = std::string(TOLM_CORPUS_DIR) + "/exif";
  if (!std::filesystem::is_directory(dir)) {
    std::printf("SKIP: no camera corpus at %s\n", dir.string().c_str());
    GTEST_SKIP();
  }
  size_t files = 0;
  for (const auto &item : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string ext = item.path().extension().string();
    if (!item.is_regular_file() ||
        (ext != ".jpg" && ext != ".JPG" && ext != ".tif" && ext != ".tiff"))
      continue;
    Bytes file;
    ASSERT_TRUE(readFile(item.path().string(), file));
    ++files;
    const Cost c = analyse(file);
    dax::TableSet whole;
    dax::MemorySource source(file);
    const int r = dax::walkFile(source, kStrings, 0x301, whole, dax::WorkLimits::unlimited());
    SCOPED_TRACE(item.path().string());
    EXPECT_FALSE(c.tables.cut);
    if (dax::isAnalysisFailure(r))
      continue;
    EXPECT_EQ(c.entries, whole.totalEntries());
    EXPECT_TRUE(isPrefixOf(c.tables, whole));
    EXPECT_EQ(c.tables.thumbnail.data, whole.thumbnail.data);
    EXPECT_LE(c.read, readBound(file));
    EXPECT_LE(c.peak, heapBound(file));
  }
  EXPECT_GT(files, 50u);
}
