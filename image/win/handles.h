// The two kinds of handle the exports hand out: a record alone, or in history mode a record
// paired with its undo history.
#pragma once

#include "image/core/undo_history.h"
#include "image/win/record.h"

namespace vopwin {

// The handle of history mode: the image and its undo history, in this order.
struct HistoryHandle {
  ImageRecord *image;
  vop::UndoHistory *history;
};

// Handles under the current mode.
ImageRecord *resolveHandle(void *handle);
vop::UndoHistory *historyOf(void *handle);
// A new empty record (with an empty history and its pair in history mode); null when memory
// runs out.
void *newHandle();
void destroyHandle(void *handle);

} // namespace vopwin
