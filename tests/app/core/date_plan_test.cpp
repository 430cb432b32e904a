// Tests of the date tools' plan and apply: sources, skipped items, the walk's limit, and the log
// they leave.
#include "app/core/date_plan.h"

#include <gtest/gtest.h>

#include <map>

#include "app/core/log_reader.h"
#include "tests/app/core/fake_file_system.h"
#include "tests/app/core/memory_log_sink.h"

namespace tolm {
namespace {

using testing::at;
using testing::FakeFileSystem;
using testing::MemoryLogSink;

class FakeExif : public ExifDateReader {
public:
  bool readDateTexts(const std::string &path, ExifDateTexts &texts) override {
    ++reads;
    auto it = files.find(path);
    if (it == files.end())
      return false;
    texts = it->second;
    return true;
  }
  std::map<std::string, ExifDateTexts> files;
  int reads = 0;
};

ExifDateTexts taken(const char *original, const char *offset = "") {
  ExifDateTexts texts;
  texts.original = original;
  texts.offsetOriginal = offset;
  return texts;
}

class DatePlanTest : public ::testing::Test {
protected:
  FakeFileSystem fs;
  FakeExif exif;
  OffsetTableZone zone{9 * 3600};
  DateToolRequest request;
  MemoryLogSink sink;
  CChangeLog log{sink, fs, "Ver. 1.0.0.0"};

  void SetUp() override {
    request.walk.target = "C:\\dcim";
    request.walk.isFolder = 1;
    request.walk.includeFiles = 1;
    request.walk.logTime = at(2026, 1, 2, 3, 4, 5);
    fs.addFolder("C:\\dcim");
    times("C:\\dcim", at(2026, 1, 1, 0, 0, 0), at(2026, 1, 1, 0, 0, 0));
  }
  void file(const std::string &path, SystemTime creation, SystemTime update,
            uint32_t word = kAttrArchive) {
    fs.addFile(path, word);
    times(path, creation, update);
  }
  void times(const std::string &path, SystemTime creation, SystemTime update) {
    fs.at(path).creation = creation;
    fs.at(path).update = update;
  }
  DatePlan plan() { return BuildDatePlan(fs, exif, zone, request); }
};

TEST_F(DatePlanTest, DateTakenPlansEachItemAndCountsChangedUnchangedAndSkipped) {
  const SystemTime copied = at(2026, 1, 1, 12, 0, 0);
  file("C:\\dcim\\a.jpg", copied, copied);
  file("C:\\dcim\\b.jpg", copied, copied);
  file("C:\\dcim\\notes.txt", copied, copied);
  file("C:\\dcim\\same.jpg", at(2024, 8, 1, 9, 0, 0), at(2024, 8, 1, 9, 0, 0));
  exif.files["C:\\dcim\\a.jpg"] = taken("2024:08:01 09:00:00");
  exif.files["C:\\dcim\\b.jpg"] = taken("2024:08:01 09:00:00", "+02:00"); // 07:00 UTC, 16:00 here
  exif.files["C:\\dcim\\same.jpg"] = taken("2024:08:01 09:00:00");
  const size_t writesBefore = fs.timesWritten().size();

  const DatePlan p = plan();

  ASSERT_EQ(p.items.size(), 5u);
  EXPECT_EQ(p.items[0].path, "C:\\dcim");
  EXPECT_EQ(p.items[0].note, PlanNote::kNoDateTaken) << "a folder has no date taken";
  EXPECT_EQ(p.items[1].note, PlanNote::kChanged);
  EXPECT_TRUE(sameSecond(p.items[1].newCreation, at(2024, 8, 1, 9, 0, 0)));
  EXPECT_TRUE(sameSecond(p.items[1].oldUpdate, copied));
  EXPECT_FALSE(p.items[1].offsetApplied);
  EXPECT_TRUE(p.items[2].offsetApplied);
  EXPECT_TRUE(sameSecond(p.items[2].newUpdate, at(2024, 8, 1, 16, 0, 0)));
  EXPECT_EQ(p.items[3].note, PlanNote::kNoDateTaken);
  EXPECT_TRUE(sameSecond(p.items[3].newCreation, copied)) << "a skipped item keeps its times";
  EXPECT_EQ(p.items[4].note, PlanNote::kUnchanged);
  EXPECT_EQ(p.changed, 2u);
  EXPECT_EQ(p.unchanged, 1u);
  EXPECT_EQ(p.skipped, 2u);
  EXPECT_EQ(fs.timesWritten().size(), writesBefore) << "planning writes nothing";
  EXPECT_TRUE(fs.attributesWritten().empty());
}

TEST_F(DatePlanTest, OnlyTheChosenTimeChanges) {
  file("C:\\dcim\\a.jpg", at(2026, 1, 1, 12, 0, 0), at(2026, 1, 5, 12, 0, 0));
  exif.files["C:\\dcim\\a.jpg"] = taken("2024:08:01 09:00:00");
  request.setCreation = false;
  const PlanItem item = plan().items[1];
  EXPECT_TRUE(sameSecond(item.newCreation, at(2026, 1, 1, 12, 0, 0)));
  EXPECT_TRUE(sameSecond(item.newUpdate, at(2024, 8, 1, 9, 0, 0)));
  // An item whose chosen time already holds the date taken is unchanged, whatever the other one
  // holds.
  times("C:\\dcim\\a.jpg", at(2026, 1, 1, 12, 0, 0), at(2024, 8, 1, 9, 0, 0));
  EXPECT_EQ(plan().items[1].note, PlanNote::kUnchanged);
}

TEST_F(DatePlanTest, ProtectedAndUnreadableItemsAreSkipped) {
  request.walk.hiddenFile = 1;
  file("C:\\dcim\\hidden.jpg", at(2026, 1, 1, 0, 0, 0), at(2026, 1, 1, 0, 0, 0), kAttrHidden);
  file("C:\\dcim\\noword.jpg", at(2026, 1, 1, 0, 0, 0), at(2026, 1, 1, 0, 0, 0));
  file("C:\\dcim\\notime.jpg", at(2026, 1, 1, 0, 0, 0), at(2026, 1, 1, 0, 0, 0));
  file("C:\\dcim\\ro.jpg", at(2026, 1, 1, 0, 0, 0), at(2026, 1, 1, 0, 0, 0), kAttrReadOnly);
  for (const char *name : {"hidden", "noword", "notime", "ro"})
    exif.files[std::string("C:\\dcim\\") + name + ".jpg"] = taken("2024:08:01 09:00:00");
  fs.fail(FakeFileSystem::kGetAttributes, "C:\\dcim\\noword.jpg", {});
  fs.fail(FakeFileSystem::kGetTime, "C:\\dcim\\notime.jpg", {});
  const DatePlan p = plan();
  ASSERT_EQ(p.items.size(), 5u);
  EXPECT_EQ(p.items[1].note, PlanNote::kChanged) << "hidden items are allowed here";
  EXPECT_EQ(p.items[2].note, PlanNote::kProtected);
  EXPECT_EQ(p.items[3].note, PlanNote::kUnreadable);
  EXPECT_EQ(p.items[4].note, PlanNote::kChanged);
  EXPECT_TRUE(p.items[4].readOnly);

  // A hidden single target while hidden items may not be changed is protected.
  request.walk = ApplyRequest{};
  request.walk.target = "C:\\dcim\\hidden.jpg";
  const DatePlan single = plan();
  EXPECT_FALSE(single.walked);
  ASSERT_EQ(single.items.size(), 1u);
  EXPECT_EQ(single.items[0].note, PlanNote::kProtected);
  EXPECT_EQ(single.skipped, 1u);
}

TEST_F(DatePlanTest, TheWalkKeepsTheEditorsLimitAndOptions) {
  for (int i = 0; i < 3005; ++i)
    file("C:\\dcim\\" + std::to_string(i) + ".jpg", at(2026, 1, 1, 0, 0, 0),
         at(2026, 1, 1, 0, 0, 0));
  request.source = NewTimeSource::kShift;
  request.shiftSeconds = 60;
  const DatePlan p = plan();
  EXPECT_TRUE(p.tooManyItems);
  EXPECT_EQ(p.items.size(), NameTable::kCapacity);
  EXPECT_EQ(p.changed, NameTable::kCapacity);
  EXPECT_EQ(fs.searchFlags, 0x502) << "same search as the editor's apply";
  EXPECT_EQ(fs.searchPattern, "*.*");
}

TEST_F(DatePlanTest, AFailedSearchGivesAnEmptyPlanThatAppliesNothing) {
  file("C:\\dcim\\a.jpg", at(2026, 1, 1, 0, 0, 0), at(2026, 1, 1, 0, 0, 0));
  fs.forcedSearchResult = -3;
  request.source = NewTimeSource::kShift;
  const DatePlan p = plan();
  EXPECT_TRUE(p.walkFailed);
  EXPECT_TRUE(p.items.empty());
  const DateApplyOutcome outcome = ApplyDatePlan(fs, log, request, p);
  EXPECT_EQ(outcome.changed, 0u);
  EXPECT_TRUE(fs.timesWritten().empty());
  EXPECT_EQ(sink.opens, 0);
}

TEST_F(DatePlanTest, ShiftOutOfTheCalendarIsSkipped) {
  file("C:\\dcim\\old.jpg", at(1601, 1, 1, 5, 0, 0), at(2020, 1, 1, 0, 0, 0));
  request.source = NewTimeSource::kShift;
  request.shiftSeconds = -9 * 3600;
  const DatePlan p = plan();
  EXPECT_EQ(p.items[1].note, PlanNote::kOutOfRange);
  request.setCreation = false; // the impossible time is not asked for
  EXPECT_EQ(plan().items[1].note, PlanNote::kChanged);
}

TEST_F(DatePlanTest, ApplyWritesOnlyChangedItemsAndItsLogReadsBackTheSameValues) {
  request.source = NewTimeSource::kShift;
  request.shiftSeconds = *shiftSeconds(0, -9, 0, 0);
  request.walk.logFile = 1;
  SystemTime withMs = at(2024, 3, 1, 5, 0, 0);
  withMs.milliseconds = 250;
  file("C:\\dcim\\a.jpg", withMs, at(2024, 3, 1, 8, 30, 0));
  file("C:\\dcim\\b.jpg", at(2023, 1, 1, 0, 0, 0), at(2023, 1, 1, 0, 0, 0), kAttrReadOnly);
  fs.fail(FakeFileSystem::kSetTime, "C:\\dcim\\b.jpg", {5, "Access is denied.\r\n"});
  fs.fail(FakeFileSystem::kGetTime, "C:\\dcim", {}); // skipped as unreadable
  const DatePlan p = plan();
  ASSERT_EQ(p.changed, 2u);

  const DateApplyOutcome outcome = ApplyDatePlan(fs, log, request, p);

  EXPECT_EQ(outcome.changed, 1u);
  EXPECT_EQ(outcome.failed, 1u);
  EXPECT_EQ(outcome.skipped, 1u);
  EXPECT_TRUE(sameSecond(fs.at("C:\\dcim\\a.jpg").creation, at(2024, 2, 29, 20, 0, 0)));
  EXPECT_EQ(fs.at("C:\\dcim\\a.jpg").creation.milliseconds, 250);
  EXPECT_TRUE(fs.attributesWritten().empty()) << "the date tools never touch attributes";
  EXPECT_FALSE(log.IsOpen());

  const LogReadResult read = ReadChangeLog(sink.text);
  ASSERT_TRUE(read.ok) << read.problem << " at line " << read.line << "\n" << sink.text;
  const ChangeLogRecord &r = read.record;
  EXPECT_EQ(r.kind, LogKind::kShift);
  EXPECT_EQ(r.itemCount, 2);
  EXPECT_EQ(r.isFolder, 1);
  EXPECT_TRUE(sameSecond(r.date, request.walk.logTime));
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.target(), "C:\\dcim\\a.jpg") << "the folder itself was not written";
  for (size_t i = 0; i < 2; ++i) {
    const PlanItem &planned = p.items[i + 1];
    const LoggedItem &logged = r.items[i];
    EXPECT_EQ(logged.path, planned.path);
    EXPECT_TRUE(sameSecond(logged.creation.now, planned.newCreation));
    EXPECT_TRUE(sameSecond(logged.creation.before, planned.oldCreation));
    EXPECT_TRUE(sameSecond(logged.update.now, planned.newUpdate));
    EXPECT_TRUE(sameSecond(logged.update.before, planned.oldUpdate));
    EXPECT_FALSE(logged.hasAttributes);
  }
  EXPECT_FALSE(r.items[0].creation.failed);
  EXPECT_TRUE(r.items[1].update.failed) << "the refused write is marked";
}

TEST_F(DatePlanTest, ATimeNotChosenKeepsWhatItHoldsAtTheMomentOfTheWrite) {
  file("C:\\dcim\\a.jpg", at(2026, 1, 1, 0, 0, 0), at(2026, 1, 1, 0, 0, 0));
  exif.files["C:\\dcim\\a.jpg"] = taken("2024:08:01 09:00:00");
  request.setUpdate = false;
  request.walk.logFile = 0;
  const DatePlan p = plan();
  times("C:\\dcim\\a.jpg", at(2026, 1, 1, 0, 0, 0),
        at(2026, 2, 2, 2, 2, 2)); // touched after the preview
  ApplyDatePlan(fs, log, request, p);
  EXPECT_TRUE(sameSecond(fs.at("C:\\dcim\\a.jpg").creation, at(2024, 8, 1, 9, 0, 0)));
  EXPECT_TRUE(sameSecond(fs.at("C:\\dcim\\a.jpg").update, at(2026, 2, 2, 2, 2, 2)));
  EXPECT_EQ(sink.opens, 0);
}

} // namespace
} // namespace tolm
