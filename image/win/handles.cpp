// The two kinds of handle the exports hand out.
#include "image/win/handles.h"

#include <memory>
#include <new>

#include "image/win/engine.h"
#include "image/win/history.h"

namespace vopwin {

ImageRecord *resolveHandle(void *handle) {
  if (handle == nullptr)
    return nullptr;
  if (engine().historyOn())
    return static_cast<HistoryHandle *>(handle)->image;
  return static_cast<ImageRecord *>(handle);
}

vop::UndoHistory *historyOf(void *handle) {
  if (handle == nullptr || !engine().historyOn())
    return nullptr;
  return static_cast<HistoryHandle *>(handle)->history;
}

void *newHandle() {
  try {
    auto record = std::make_unique<ImageRecord>();
    if (!engine().historyOn())
      return record.release();
    auto history = std::make_unique<vop::UndoHistory>(releaseSnapshot);
    auto *pair = new HistoryHandle{record.get(), history.get()};
    record.release();
    history.release();
    return pair;
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
}

void destroyHandle(void *handle) {
  if (handle == nullptr)
    return;
  if (engine().historyOn()) {
    auto *pair = static_cast<HistoryHandle *>(handle);
    delete pair->history; // deletes the snapshots' files and copies
    delete pair->image;
    delete pair;
  } else {
    delete static_cast<ImageRecord *>(handle);
  }
}

} // namespace vopwin
