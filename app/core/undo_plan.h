// Undoing an apply from its change log: what each logged item would get back, checked against
// what it holds now, and the apply that writes the chosen items' old values back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/apply.h"
#include "app/core/log_reader.h"

namespace tolm {

// The attribute bits the editor sets and clears; the only bits an undo gives back. The other
// bits of a word (directory, compressed, ...) are the platform's, and stay as they are now.
constexpr uint32_t kEditableAttributes = kAttrReadOnly | kAttrHidden | kAttrArchive | kAttrSystem;

// Where one logged value stands.
enum class UndoValue {
  kUntouched,   // the log wrote nothing new here (new == old): left alone
  kNotUndoable, // marked " ?" (may not have been written), or the old value was never read
  kAtLogged,    // still what the log wrote: ready to be given back
  kAtOld,       // already back at the old value
  kElsewhere,   // changed since the log by someone else
};

enum class UndoState {
  kReady,         // every value to give back still holds what the log wrote (or is back already)
  kChangedSince,  // a value was changed since the log: left alone unless chosen
  kAlreadyUndone, // every value to give back is at its old value already: nothing to do
  kNothingToUndo, // the log changed nothing on this item that can be given back
  kNotUndoable,   // everything the log changed here was " ?" or lacks its old value
  kMissing,       // the item's current times or attribute word cannot be read
  kProtected,     // hidden or system while the settings do not allow changing such items
};

struct UndoItem {
  // The item as its log recorded it: path, and each pair's new side (what the log wrote) and
  // old side (what undo would write back; of the word only kEditableAttributes).
  LoggedItem logged;
  UndoState state = UndoState::kNothingToUndo;
  // Written by ApplyUndoPlan only when set. BuildUndoPlan sets it for kReady items; the dialog
  // may set it for kChangedSince items (the user ticked them); it is ignored for the others.
  bool chosen = false;
  UndoValue creation = UndoValue::kUntouched;
  UndoValue update = UndoValue::kUntouched;
  UndoValue attributes = UndoValue::kUntouched;
  // On disk when the plan was built (zero and kAttrInvalid when kMissing).
  SystemTime currentCreation;
  SystemTime currentUpdate;
  uint32_t currentWord = kAttrInvalid;
};

struct UndoPlan {
  bool readable = false; // false: the log did not read; no items, nothing can be undone
  std::string problem;   // then: the reader's problem text and line
  size_t problemLine = 0;
  LogKind kind = LogKind::kEditor;
  SystemTime logDate;
  int32_t isFolder = 0; // of the log undone, repeated in the undo's own header
  int32_t includeSubfolders = 0;
  std::vector<UndoItem> items; // in the log's order
  size_t ready = 0;            // items in state kReady
  size_t changedSince = 0;     // items in state kChangedSince
};

// The settings the undo runs under, as the program holds them (nonzero means yes), and the
// local time written in its own log's header.
struct UndoRequest {
  int32_t hiddenFile = 0;
  int32_t systemFile = 0;
  int32_t logFile = 1;
  SystemTime logTime;
};

// The plan of undoing a log read by ReadChangeLog: for each logged item its current times and
// word, read through the port, set against both sides of each pair. A result that is not ok
// gives an unreadable plan without items: a log is undone whole or not at all. Writes nothing.
UndoPlan BuildUndoPlan(FileSystemPort &fs, const LogReadResult &log, const UndoRequest &request);

struct UndoOutcome {
  size_t changed = 0;     // items whose values were all written back
  size_t failed = 0;      // chosen items with a failed write, or no longer readable
  size_t skipped = 0;     // the others: not chosen, nothing to do, or changed since the plan
  bool logFailed = false; // the log was asked for but could not be begun
};

// Writes back the old values of the chosen items, in the plan's order. Each item is read again
// first: a kReady item that has been changed since the plan was built is skipped unless it was
// planned (and chosen) as kChangedSince, and values already back are not written again. Only
// the values the log changed are written: for times, the other time of the pair is written
// with its current value; for the word, only kEditableAttributes are taken from the old word.
// An item that is read-only now and gets a word without read-only has its word written first,
// since the platform refuses times while read-only; otherwise times go first, as in the editor,
// so that read-only is set back only after the times. With the Logfile setting on, a log of
// kind kUndo records each written item (old side: what was on disk just before), so that the
// undo itself can be undone.
UndoOutcome ApplyUndoPlan(FileSystemPort &fs, CChangeLog &log, const UndoRequest &request,
                          const UndoPlan &plan);

} // namespace tolm
