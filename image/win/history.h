// Snapshots of the undo history: a temporary "IW4" file holding the record's own bytes for
// large images (or when memory is short), an in-memory copy otherwise.
#pragma once

#include <cstdint>

namespace vopwin {

struct ImageRecord;

struct UndoSnapshot {
  static constexpr int32_t kFile = 1;
  static constexpr int32_t kCopy = 2;
  int32_t kind;
  int32_t actionCode;
  void *payload; // kFile: a MAX_PATH buffer with the spill file's full name; kCopy: an ImageRecord
};

// The ring's release routine: deletes the file or the copy, then the snapshot.
void releaseSnapshot(void *snapshot);

// Records the handle's current image in its undo history. 0, or kSnapshotFailed.
int32_t pushSnapshot(void *handle, int32_t actionCode);

// Undo (direction 1) or redo (2) on a history handle: the action code of the state now shown,
// kBadArgument when there is none, kSnapshotFailed when a copy cannot be put back.
int32_t reverseAction(int32_t direction, void *handle);

// Pixel counts above this, or available physical memory below the next, spill to a file.
constexpr int64_t kSpillPixels = 4096000;
constexpr uint64_t kSpillMemory = 65536000;

} // namespace vopwin
