// Recording states into the undo history and putting them back.
#include "image/win/history.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "image/core/result.h"
#include "image/core/spill_format.h"
#include "image/win/engine.h"
#include "image/win/handles.h"
#include "image/win/record.h"
#include "image/win/temp_file.h"
#include "util/win/scoped_handle.h"

namespace vopwin {
namespace {

bool writeAll(const kel::FileHandle &file, const void *data, DWORD size) {
  DWORD done = 0;
  return WriteFile(file.get(), data, size, &done, nullptr) && done == size;
}

bool readAll(const kel::FileHandle &file, void *data, DWORD size) {
  DWORD done = 0;
  return ReadFile(file.get(), data, size, &done, nullptr) && done == size;
}

bool writeSpill(ImageRecord &record, const char *name) {
  if (record.bits == nullptr)
    return false;
  std::array<vop::PaletteEntry, 256> table{};
  int32_t entries = 0;
  if (record.bitsPerPixel <= 8) {
    entries = readColorTable(record, table.data(), 1 << record.bitsPerPixel);
    if (entries < 0)
      entries = 0;
  }
  vop::SpillHeader header{};
  if (!vop::makeSpillHeader(record.width, record.height, record.bitsPerPixel, entries,
                            record.hasAlpha, record.transparentColor, header))
    return false;
  const auto row = static_cast<DWORD>(header.rowBytes);
  kel::FileHandle file(
      CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok() || !writeAll(file, &header, sizeof header) ||
      !writeAll(file, table.data(), static_cast<DWORD>(entries * sizeof(vop::PaletteEntry))))
    return false;
  for (int32_t y = 0; y < record.height; ++y)
    if (!writeAll(file, record.bits + static_cast<ptrdiff_t>(record.pitch) * y, row))
      return false;
  return file.close();
}

// Puts a spilled state into a record that holds no image. The file is the library's own, but
// it lives in a shared folder: every size is checked against the file before it is used, and
// a file that does not match leaves the record empty.
bool readSpill(ImageRecord &image, const char *name) {
  kel::FileHandle file(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  uint8_t head[sizeof(vop::SpillHeader)];
  vop::SpillLayout layout;
  if (!file.ok() || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      !readAll(file, head, sizeof head) ||
      !vop::checkSpillFile(head, sizeof head, static_cast<uint64_t>(size.QuadPart), layout))
    return false;
  const vop::SpillHeader &header = layout.header;
  std::array<vop::PaletteEntry, 256> table{};
  if (!readAll(file, table.data(), static_cast<DWORD>(layout.tableBytes)) ||
      !createBitmap(image, header.width, header.height, header.bitsPerPixel,
                    header.hasAlpha != 0 ? 1u : 0u))
    return false;
  bool ok = image.bits != nullptr && image.width == header.width && image.height == header.height;
  for (int32_t y = 0; ok && y < header.height; ++y)
    ok = readAll(file, image.bits + static_cast<ptrdiff_t>(image.pitch) * y,
                 static_cast<DWORD>(header.rowBytes));
  if (ok && header.paletteCount > 0)
    ok = writeColorTable(image, table.data(), header.paletteCount);
  if (!ok) {
    destroyBitmap(image);
    return false;
  }
  image.transparentColor = header.transparentColor;
  return true;
}

// The name of a spill file being made: the file is deleted unless a snapshot took the name.
class PendingSpill {
public:
  PendingSpill() : m_name(new char[MAX_PATH]()) { std::memcpy(m_name.get(), "IW4", 3); }
  ~PendingSpill() {
    if (m_made)
      DeleteFileA(m_name.get());
  }
  PendingSpill(const PendingSpill &) = delete;
  PendingSpill &operator=(const PendingSpill &) = delete;
  bool make() { return m_made = makeTempFileName(m_name.get()) == 0; }
  char *name() const { return m_name.get(); }
  char *release() {
    m_made = false;
    return m_name.release();
  }

private:
  std::unique_ptr<char[]> m_name;
  bool m_made = false;
};

} // namespace

void releaseSnapshot(void *snapshot) {
  auto *s = static_cast<UndoSnapshot *>(snapshot);
  if (s == nullptr)
    return;
  if (s->kind == UndoSnapshot::kFile) {
    char *name = static_cast<char *>(s->payload);
    DeleteFileA(name);
    delete[] name;
  } else {
    delete static_cast<ImageRecord *>(s->payload);
  }
  delete s;
}

int32_t pushSnapshot(void *handle, int32_t actionCode) {
  if (handle == nullptr || !engine().historyOn())
    return vop::kSnapshotFailed;
  auto *pair = static_cast<HistoryHandle *>(handle);
  ImageRecord *record = pair->image;
  if (pair->history == nullptr || !holdsImage(record))
    return vop::kSnapshotFailed;
  try {
    MEMORYSTATUS memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    const bool spill = int64_t{record->width} * record->height > kSpillPixels ||
                       uint64_t{memory.dwAvailPhys} < kSpillMemory;
    std::unique_ptr<UndoSnapshot> snapshot;
    if (spill) {
      PendingSpill file;
      if (!file.make() || !writeSpill(*record, file.name()))
        return vop::kSnapshotFailed;
      snapshot.reset(new UndoSnapshot{UndoSnapshot::kFile, actionCode, file.name()});
      file.release();
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
  } catch (const std::bad_alloc &) {
    return vop::kSnapshotFailed;
  }
}

int32_t reverseAction(int32_t direction, void *handle) {
  if (handle == nullptr || !engine().historyOn())
    return vop::kBadArgument;
  auto *pair = static_cast<HistoryHandle *>(handle);
  if (pair->image == nullptr || pair->history == nullptr)
    return vop::kBadArgument;
  if (direction != 1 && direction != 2)
    return vop::kBadArgument;
  void *taken = direction == 1 ? pair->history->undo() : pair->history->redo();
  if (taken == nullptr)
    return vop::kBadArgument;
  const auto *snapshot = static_cast<const UndoSnapshot *>(taken);
  ImageRecord &image = *pair->image;
  destroyBitmap(image);
  if (snapshot->kind == UndoSnapshot::kFile) {
    // A file that has gone leaves the image empty; the state still counts as shown.
    readSpill(image, static_cast<const char *>(snapshot->payload));
  } else {
    ImageRecord &copy = *static_cast<ImageRecord *>(snapshot->payload);
    if (!createBitmap(image, copy.width, copy.height, copy.bitsPerPixel, 0) ||
        copyWhole(copy, image) != vop::kOk)
      return vop::kSnapshotFailed;
  }
  engine().readCache().reset();
  return snapshot->actionCode;
}

} // namespace vopwin
