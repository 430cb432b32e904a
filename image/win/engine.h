// The process-wide state of vopimg.dll and what every export shares: image records and the two
// kinds of handle, DIB sections, the DC cache, the codec service's start and stop, temporary
// files and the surface view that hands a record's pixels to the core.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "image/core/color_count.h"
#include "image/core/copy_transform.h"
#include "image/core/progress.h"
#include "image/core/surface.h"
#include "image/core/undo_history.h"

namespace vopwin {

// One image: a DIB section and what the library knows of it. A record without a bitmap is
// valid and treated as holding no image.
struct ImageRecord {
  ImageRecord();
  virtual ~ImageRecord();
  ImageRecord(const ImageRecord&) = delete;
  ImageRecord& operator=(const ImageRecord&) = delete;

  HBITMAP bitmap = nullptr;
  uint8_t* bits = nullptr;  // row 0, the top row
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;        // negative for the bottom-up sections the library makes
  int32_t bitsPerPixel = 0;
  bool isDibSection = false;
  bool hasAlpha = false;
  int32_t transparentColor = -1;
  HDC memoryDC = nullptr;
  int32_t dcRefCount = 0;
  HGDIOBJ previousBitmap = nullptr;
};

// The handle of history mode: the image and its undo history, in this order.
struct HistoryHandle {
  ImageRecord* image;
  vop::UndoHistory* history;
};

constexpr int32_t kHistoryMode = 16;

class ImageEngine {
 public:
  ImageEngine();

  vop::PixelReadCache& readCache() { return readCache_; }
  vop::ColorCountTable& colorCount() { return colorCount_; }
  int32_t historyMode() const { return historyMode_; }
  bool historyOn() const { return historyMode_ == kHistoryMode; }
  int32_t initialize(const int32_t* settings);
  const OSVERSIONINFOA& version() const { return version_; }

 private:
  vop::PixelReadCache readCache_;
  OSVERSIONINFOA version_{};
  vop::ColorCountTable colorCount_;
  int32_t historyMode_ = 0;
  int32_t initBlockSize_ = 4;
};

ImageEngine& engine();

// The library's own module, whose resources its dialogs load; set by DllMain.
HINSTANCE moduleInstance();
void setModuleInstance(HINSTANCE instance);

// Handles under the current mode.
ImageRecord* resolveHandle(void* handle);
vop::UndoHistory* historyOf(void* handle);
// A new empty record (with an empty history and its pair in history mode); null when memory
// runs out.
void* newHandle();
void destroyHandle(void* handle);

// A bottom-up DIB section of exactly this size and depth with zero pixels and an all-black
// colour table; flags bit 0 marks alpha. False (the record unchanged) on failure.
bool createBitmap(ImageRecord& record, int32_t width, int32_t height, int32_t bitsPerPixel,
                  uint32_t flags);
bool destroyBitmap(ImageRecord& record);
inline bool holdsImage(const ImageRecord* record) {
  return record != nullptr && record->bitmap != nullptr;
}

// The record's bitmap selected into a cached memory DC for the lifetime of this object;
// nested uses share the selection.
class SelectedBitmap {
 public:
  explicit SelectedBitmap(ImageRecord& record);
  ~SelectedBitmap();
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  HDC dc() const { return record_.memoryDC; }

 private:
  ImageRecord& record_;
};

// Colour table of a palettised record: entries read (at most 256); -1 without a bitmap.
int32_t readColorTable(ImageRecord& record, vop::PaletteEntry* table, int32_t capacity);
bool writeColorTable(ImageRecord& record, const vop::PaletteEntry* table, int32_t count);

// A record's pixels as a core surface. Palettised records carry a copy of their colour table,
// which commitPalette writes back when an operation changed it.
class RecordSurface {
 public:
  explicit RecordSurface(ImageRecord& record);
  RecordSurface(const RecordSurface&) = delete;
  RecordSurface& operator=(const RecordSurface&) = delete;

  bool valid() const { return vop::isValid(surface_); }
  vop::Surface& surface() { return surface_; }
  bool commitPalette();

 private:
  ImageRecord& record_;
  vop::Surface surface_;
  std::array<vop::PaletteEntry, 256> palette_{};
};

// The codec service: started on first need under the engine's lock, stopped when the last
// record goes. False when it cannot be started.
bool startCodecs();
// Stops the codec service and gives the cached DCs back when no record is alive: the end of
// every call that may have started the service without making a record (a cancelled open
// dialog, a failed load). Never from DllMain, where the loader lock forbids it.
void stopCodecsWhenIdle();
bool codecsRunning();
// Live image records, snapshots' copies included.
long liveRecordCount();

// A new empty temporary file named from the 3-character prefix at the start of buffer (which
// holds MAX_PATH characters and receives the full name). 0, or -1 when a call fails.
int32_t makeTempFileName(char* buffer);

// The caller's progress hook of the adjustment exports: a stdcall callback and a user value.
struct ExportProgressHook {
  void(__stdcall* callback)(vop::ProgressRecord* record);
  uint32_t userValue;
};

// Adapts a caller's hook to the core's progress hook (null when none was given).
class ProgressAdapter {
 public:
  explicit ProgressAdapter(const ExportProgressHook* hook);
  const vop::ProgressHook* hook() const { return active_ ? &hook_ : nullptr; }

 private:
  static void forward(vop::ProgressRecord* record, void* context);
  vop::ProgressHook hook_{};
  bool active_ = false;
};

// The lock of the live-record count and the codec service, and the cached DCs' release at
// unload.
void enterEngineLock();
void leaveEngineLock();
void releaseCachedDCs();

// Records the handle's current image in its undo history. 0, or kSnapshotFailed.
int32_t pushSnapshot(void* handle, int32_t actionCode);

// Copies the whole of source into destination, which has the same size and depth: pixels,
// colour table and the alpha mark (the undo history's copy). kOk, or kBadArgument.
int32_t copyWhole(ImageRecord& source, ImageRecord& destination);

}  // namespace vopwin
