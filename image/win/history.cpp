// Recording states into the undo history and putting them back.
#include "image/win/history.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "image/core/result.h"
#include "image/win/codec.h"
#include "image/win/engine.h"

namespace vopwin {

void releaseSnapshot(void* snapshot) {
  auto* s = static_cast<UndoSnapshot*>(snapshot);
  if (s == nullptr) return;
  if (s->kind == UndoSnapshot::kFile) {
    char* name = static_cast<char*>(s->payload);
    DeleteFileA(name);
    delete[] name;
  } else {
    delete static_cast<ImageRecord*>(s->payload);
  }
  delete s;
}

int32_t pushSnapshot(void* handle, int32_t actionCode) {
  if (handle == nullptr || !engine().historyOn()) return vop::kSnapshotFailed;
  auto* pair = static_cast<HistoryHandle*>(handle);
  ImageRecord* record = pair->image;
  if (pair->history == nullptr || !holdsImage(record)) return vop::kSnapshotFailed;
  try {
    MEMORYSTATUS memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    const bool spill = int64_t{record->width} * record->height > kSpillPixels ||
                       uint64_t{memory.dwAvailPhys} < kSpillMemory;
    std::unique_ptr<UndoSnapshot> snapshot;
    if (spill) {
      std::unique_ptr<char[]> name(new char[MAX_PATH]());
      std::memcpy(name.get(), "IW4", 3);
      if (makeTempFileName(name.get()) != 0) return vop::kSnapshotFailed;
      if (saveImage(0x60, handle, name.get(), nullptr) != vop::kOk) {
        DeleteFileA(name.get());
        return vop::kSnapshotFailed;
      }
      snapshot.reset(new UndoSnapshot{UndoSnapshot::kFile, actionCode, name.get()});
      name.release();
    } else {
      auto copy = std::make_unique<ImageRecord>();
      if (!createBitmap(*copy, record->width, record->height, record->bitsPerPixel, 0) ||
          copyWhole(*record, *copy) != vop::kOk)
        return vop::kSnapshotFailed;
      snapshot.reset(new UndoSnapshot{UndoSnapshot::kCopy, actionCode, copy.get()});
      copy.release();
    }
    pair->history->record(snapshot.get());
    snapshot.release();
    return vop::kOk;
  } catch (const std::bad_alloc&) {
    return vop::kSnapshotFailed;
  }
}

int32_t reverseAction(int32_t direction, void* handle) {
  if (handle == nullptr || !engine().historyOn()) return vop::kBadArgument;
  auto* pair = static_cast<HistoryHandle*>(handle);
  if (pair->image == nullptr || pair->history == nullptr) return vop::kBadArgument;
  if (direction != 1 && direction != 2) return vop::kBadArgument;
  void* taken = direction == 1 ? pair->history->undo() : pair->history->redo();
  if (taken == nullptr) return vop::kBadArgument;
  const auto* snapshot = static_cast<const UndoSnapshot*>(taken);
  ImageRecord& image = *pair->image;
  destroyBitmap(image);
  if (snapshot->kind == UndoSnapshot::kFile) {
    // A file that has gone leaves the image empty; the state still counts as shown.
    loadFile(image, static_cast<const char*>(snapshot->payload));
  } else {
    ImageRecord& copy = *static_cast<ImageRecord*>(snapshot->payload);
    if (!createBitmap(image, copy.width, copy.height, copy.bitsPerPixel, 0) ||
        copyWhole(copy, image) != vop::kOk)
      return vop::kSnapshotFailed;
  }
  engine().readCache().reset();
  return snapshot->actionCode;
}

}  // namespace vopwin
