// Tests of undoing from the change log: logs of the real writers undone on the fake file system,
// items changed since, read-only items, values that cannot be given back, and the history list.
#include "app/core/undo_plan.h"

#include <gtest/gtest.h>

#include <map>

#include "app/core/date_plan.h"
#include "app/core/log_history.h"
#include "tests/app/core/fake_file_system.h"
#include "tests/app/core/memory_log_sink.h"

namespace tolm {
namespace {

using testing::at;
using testing::FakeFileSystem;
using testing::MemoryLogSink;

// Refuses times while an item is read-only, as the platform does.
class ReadOnlyRefusingFs : public FakeFileSystem {
public:
  int operateFileTime(int code, const std::string &path, SystemTime *creation,
                      SystemTime *lastAccess, SystemTime *lastWrite) override {
    auto it = items.find(path);
    if (code == kTimeSetCreationAndUpdate && it != items.end() &&
        (it->second.attributes & kAttrReadOnly) != 0) {
      calls.push_back("refusedTime " + path);
      lastError = "Access is denied.\r\n";
      return 5;
    }
    return FakeFileSystem::operateFileTime(code, path, creation, lastAccess, lastWrite);
  }
};

class NoExif : public ExifDateReader {
public:
  bool readDateTexts(const std::string &, ExifDateTexts &) override { return false; }
};

struct Values {
  SystemTime creation;
  SystemTime update;
  uint32_t word = 0;
  bool operator==(const Values &o) const {
    return sameSecond(creation, o.creation) && sameSecond(update, o.update) && word == o.word;
  }
};

const std::string kFolder = "C:\\trip";
const std::string kA = "C:\\trip\\a.jpg";
const std::string kB = "C:\\trip\\b.jpg";
const std::string kC = "C:\\trip\\c.txt"; // read-only from the start

class UndoPlanTest : public ::testing::Test {
protected:
  ReadOnlyRefusingFs fs;
  UndoRequest undo;

  void SetUp() override {
    fs.addFolder(kFolder);
    fs.addFile(kA);
    fs.addFile(kB);
    fs.addFile(kC, kAttrArchive | kAttrReadOnly);
    uint16_t day = 1;
    for (const std::string &path : {kFolder, kA, kB, kC}) {
      fs.at(path).creation = at(2020, 3, day, 10, 0, 0);
      fs.at(path).update = at(2021, 4, day, 11, 30, 15);
      ++day;
    }
    undo.logTime = at(2026, 12, 8, 9, 0, 0);
  }

  std::map<std::string, Values> disk() {
    std::map<std::string, Values> values;
    for (const auto &[path, item] : fs.items)
      values[path] = {item.creation, item.update, item.attributes};
    return values;
  }

  // The editor's walk over the folder: new times and the flags for every item.
  std::string editor(AttributeFlags flags, SystemTime logTime = at(2026, 12, 7, 10, 0, 0)) {
    ApplyRequest request;
    request.target = kFolder;
    request.isFolder = 1;
    request.includeFiles = 1;
    request.newCreation = at(2025, 6, 1, 8, 30, 0);
    request.newUpdate = at(2025, 6, 2, 9, 45, 30);
    request.flags = flags;
    request.logTime = logTime;
    MemoryLogSink sink;
    CChangeLog log(sink, fs, "Ver. 1.0.0.0");
    ApplyChanges(fs, log, request);
    return sink.text;
  }

  UndoPlan plan(const std::string &text) { return BuildUndoPlan(fs, ReadChangeLog(text), undo); }

  std::string apply(const UndoPlan &p, UndoOutcome *outcome = nullptr) {
    MemoryLogSink sink;
    CChangeLog log(sink, fs, "Ver. 1.0.0.0");
    const UndoOutcome o = ApplyUndoPlan(fs, log, undo, p);
    if (outcome != nullptr)
      *outcome = o;
    return sink.text;
  }

  const UndoItem &item(const UndoPlan &p, const std::string &path) {
    for (const UndoItem &i : p.items)
      if (i.logged.path == path)
        return i;
    throw std::runtime_error("no item " + path);
  }
  UndoItem &item(UndoPlan &p, const std::string &path) {
    return const_cast<UndoItem &>(item(static_cast<const UndoPlan &>(p), path));
  }

  // Writes (tried or refused) to the path among the calls from index on.
  int writesTo(const std::string &path, size_t from) {
    int n = 0;
    for (size_t i = from; i < fs.calls.size(); ++i)
      for (const char *op : {"setTime ", "refusedTime ", "setAttr "})
        n += fs.calls[i] == op + path ? 1 : 0;
    return n;
  }
};

TEST_F(UndoPlanTest, AnEditorWalkIsUndoneAndTheUndoIsUndoneAgain) {
  const auto before = disk();
  AttributeFlags flags;
  flags.readOnly = true; // the editor makes everything read-only and clears archive
  const std::string editorLog = editor(flags);
  const auto after = disk();
  ASSERT_NE(before, after);

  UndoPlan p = plan(editorLog);
  ASSERT_TRUE(p.readable) << p.problem;
  EXPECT_EQ(p.ready, 4u);
  // c.txt refused its times while read-only: only its word can be given back.
  EXPECT_EQ(item(p, kC).creation, UndoValue::kNotUndoable);
  EXPECT_EQ(item(p, kC).attributes, UndoValue::kAtLogged);
  EXPECT_TRUE(sameSecond(item(p, kA).logged.creation.before, before.at(kA).creation));
  EXPECT_TRUE(sameSecond(item(p, kA).currentCreation, after.at(kA).creation));

  UndoOutcome outcome;
  const std::string undoLog = apply(p, &outcome);
  EXPECT_EQ(outcome.changed, 4u);
  EXPECT_EQ(outcome.failed, 0u); // read-only lifted before the times, or they would be refused
  EXPECT_EQ(disk(), before);

  const LogReadResult read = ReadChangeLog(undoLog);
  ASSERT_TRUE(read.ok) << read.problem << " at line " << read.line;
  EXPECT_EQ(read.record.kind, LogKind::kUndo);
  ASSERT_EQ(read.record.items.size(), 4u);
  EXPECT_FALSE(read.record.items[3].hasTimes); // c.txt: its word alone
  EXPECT_TRUE(read.record.items[3].hasAttributes);

  UndoPlan again = plan(undoLog);
  ASSERT_TRUE(again.readable);
  EXPECT_EQ(again.ready, 4u);
  apply(again, &outcome);
  EXPECT_EQ(outcome.changed, 4u);
  EXPECT_EQ(disk(), after);
}

TEST_F(UndoPlanTest, AShiftGivesBackOnlyTheTimeItChanged) {
  fs.at(kC).attributes = kAttrArchive;
  NoExif exif;
  OffsetTableZone zone{9 * 3600};
  DateToolRequest request;
  request.walk.target = kFolder;
  request.walk.isFolder = 1;
  request.walk.includeFiles = 1;
  request.source = NewTimeSource::kShift;
  request.setCreation = false;
  request.shiftSeconds = -9 * 3600;
  const auto before = disk();
  MemoryLogSink sink;
  CChangeLog log(sink, fs, "Ver. 1.0.0.0");
  ApplyDatePlan(fs, log, request, BuildDatePlan(fs, exif, zone, request));
  // Someone sets a.jpg's creation afterwards: the shift did not touch it, the undo must not either.
  fs.at(kA).creation = at(2024, 1, 1, 0, 0, 0);

  UndoPlan p = plan(sink.text);
  ASSERT_TRUE(p.readable) << p.problem;
  EXPECT_EQ(p.kind, LogKind::kShift);
  EXPECT_EQ(item(p, kA).creation, UndoValue::kUntouched);
  EXPECT_EQ(item(p, kA).state, UndoState::kReady);
  UndoOutcome outcome;
  const std::string undoLog = apply(p, &outcome);
  EXPECT_EQ(outcome.changed, 4u);
  for (const std::string &path : {kFolder, kA, kB, kC})
    EXPECT_TRUE(sameSecond(fs.at(path).update, before.at(path).update)) << path;
  EXPECT_TRUE(sameSecond(fs.at(kA).creation, at(2024, 1, 1, 0, 0, 0)));
  const LogReadResult read = ReadChangeLog(undoLog);
  ASSERT_TRUE(read.ok) << read.problem;
  EXPECT_FALSE(read.record.items[0].hasAttributes);
}

TEST_F(UndoPlanTest, AnItemChangedSinceIsLeftAloneUntilChosen) {
  AttributeFlags flags;
  flags.archive = true; // times only: the words stay as they are
  fs.at(kC).attributes = kAttrArchive;
  const auto before = disk();
  const std::string editorLog = editor(flags);
  fs.at(kB).update = at(2025, 7, 7, 7, 7, 7); // touched after the log

  UndoPlan p = plan(editorLog);
  EXPECT_EQ(item(p, kB).state, UndoState::kChangedSince);
  EXPECT_EQ(item(p, kB).update, UndoValue::kElsewhere);
  EXPECT_FALSE(item(p, kB).chosen);
  EXPECT_TRUE(item(p, kA).chosen);
  EXPECT_EQ(p.changedSince, 1u);
  // a.jpg changes between the preview and the press: what the user saw no longer holds.
  fs.at(kA).update = at(2025, 8, 8, 8, 8, 8);

  UndoOutcome outcome;
  apply(p, &outcome);
  EXPECT_EQ(outcome.changed, 2u); // the folder and c.txt
  EXPECT_EQ(outcome.skipped, 2u);
  EXPECT_TRUE(sameSecond(fs.at(kB).update, at(2025, 7, 7, 7, 7, 7)));
  EXPECT_TRUE(sameSecond(fs.at(kA).update, at(2025, 8, 8, 8, 8, 8)));

  item(p, kB).chosen = true; // the user ticks it
  apply(p, &outcome);
  EXPECT_EQ(outcome.changed, 1u);
  EXPECT_EQ(outcome.skipped, 3u); // two already back, a.jpg still changed since the plan
  EXPECT_TRUE(sameSecond(fs.at(kB).update, before.at(kB).update));
  EXPECT_TRUE(sameSecond(fs.at(kB).creation, before.at(kB).creation));
}

TEST_F(UndoPlanTest, FailedPairsZeroOldTimesAndProtectedItemsAreNeverWritten) {
  AttributeFlags flags;
  flags.archive = true;
  flags.readOnly =
      true; // c.txt keeps its word and refuses its times: all its pairs " ?" or unchanged
  fs.fail(FakeFileSystem::kGetTime, kA,
          {kKelFailed, "Access is denied.\r\n"}); // a.jpg's old times: zeros
  fs.fail(FakeFileSystem::kGetAttributes, kFolder,
          {kKelFailed, "Access is denied.\r\n"}); // its word: " ?"
  const std::string editorLog = editor(flags);
  fs.failures.clear();
  fs.at(kB).attributes |= kAttrHidden; // hidden since, and hidden items are not allowed now

  UndoPlan p = plan(editorLog);
  ASSERT_TRUE(p.readable);
  EXPECT_EQ(item(p, kA).creation, UndoValue::kNotUndoable);
  EXPECT_EQ(item(p, kA).update, UndoValue::kNotUndoable);
  EXPECT_EQ(item(p, kC).state, UndoState::kNotUndoable);
  EXPECT_EQ(item(p, kB).state, UndoState::kProtected);
  EXPECT_EQ(item(p, kFolder).attributes, UndoValue::kNotUndoable);
  EXPECT_EQ(item(p, kFolder).state, UndoState::kReady); // its times
  for (UndoItem &i : p.items)
    i.chosen = true;
  const size_t from = fs.calls.size();
  UndoOutcome outcome;
  apply(p, &outcome);
  EXPECT_EQ(writesTo(kC, from), 0);
  EXPECT_EQ(writesTo(kB, from), 0);
  EXPECT_EQ(fs.at(kFolder).attributes, kAttrDirectory);
  // a.jpg gets its word back, never a zero time.
  EXPECT_EQ(fs.at(kA).attributes, kAttrArchive);
  EXPECT_EQ(writesTo(kA, from), 1);
  EXPECT_NE(fs.at(kA).creation.year, 0);
  EXPECT_EQ(outcome.changed, 2u);
  EXPECT_EQ(outcome.skipped, 2u);
}

TEST_F(UndoPlanTest, AnUnreadableLogGivesNoPlanAndWritesNothing) {
  AttributeFlags flags;
  const std::string editorLog = editor(flags);
  const std::string cut = editorLog.substr(0, editorLog.size() - 4);
  UndoPlan p = plan(cut);
  EXPECT_FALSE(p.readable);
  EXPECT_EQ(p.problem, "the last line is cut");
  EXPECT_TRUE(p.items.empty());
  const size_t from = fs.calls.size();
  UndoOutcome outcome;
  EXPECT_TRUE(apply(p, &outcome).empty());
  EXPECT_EQ(fs.calls.size(), from);
  EXPECT_EQ(outcome.changed + outcome.failed + outcome.skipped, 0u);

  // An undo's item may carry each of its two groups once, never twice.
  flags.readOnly = true;
  std::string undoLog = apply(plan(editor(flags)));
  const size_t word = undoLog.find("Attributes : ");
  ASSERT_NE(word, std::string::npos);
  const std::string line = undoLog.substr(word, undoLog.find("\r\n", word) + 2 - word);
  undoLog.insert(word, line);
  const LogReadResult read = ReadChangeLog(undoLog);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.problem, "a value line out of place");
}

TEST_F(UndoPlanTest, TheHistoryListsThisProgramsLogsNewestFirst) {
  AttributeFlags flags;
  auto file = [](const std::string &name, SystemTime written, const std::string &text) {
    LogFile f;
    f.name = name;
    f.lastWrite = written;
    f.bytes = text.size();
    f.head = text;
    return f;
  };
  const std::string dec5 = editor(flags, at(2026, 12, 5, 9, 0, 0));
  std::vector<LogFile> files = {
      file("TOZ1.tmp", at(2026, 12, 9, 0, 0, 0), editor(flags, at(2026, 12, 1, 9, 0, 0))),
      file("TOZ2.tmp", at(2026, 12, 5, 9, 0, 1), dec5),
      file("TOZ3.tmp", at(2026, 12, 3, 9, 0, 0), editor(flags, at(2026, 12, 3, 9, 0, 0))),
      file("TOZ4.tmp", at(2026, 12, 6, 0, 0, 0), dec5), // same date, later file time
      file("TOZ5.tmp", at(2026, 12, 30, 0, 0, 0), "C:\\trip\\a.jpg\r\nC:\\trip\\b.jpg\r\n"),
      file("TOZ6.tmp", at(2026, 12, 2, 0, 0, 0), editor(flags, at(2026, 12, 2, 9, 0, 0))),
  };
  files[2].head.resize(files[2].head.size() - 3); // cut: unreadable, still listed
  files[2].bytes = files[2].head.size();
  files[5].head.resize(400); // a large log listed from its head
  const std::vector<HistoryEntry> entries = ListChangeLogs(files);
  std::vector<std::string> names;
  for (const HistoryEntry &e : entries)
    names.push_back(e.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"TOZ4.tmp", "TOZ2.tmp", "TOZ3.tmp", "TOZ6.tmp", "TOZ1.tmp"}));

  const HistoryEntry &cut = entries[2];
  EXPECT_FALSE(cut.readable);
  EXPECT_TRUE(cut.checked);
  EXPECT_EQ(cut.problem, "the last line is cut");
  EXPECT_TRUE(cut.hasHeader);
  EXPECT_EQ(cut.itemCount, 4);
  EXPECT_EQ(cut.target, kFolder);
  const HistoryEntry &head = entries[3];
  EXPECT_TRUE(head.readable);
  EXPECT_FALSE(head.checked);
  EXPECT_EQ(head.target, kFolder);
  EXPECT_EQ(entries[0].kind, LogKind::kEditor);
  EXPECT_TRUE(entries[0].checked && entries[0].readable);
}

} // namespace
} // namespace tolm
