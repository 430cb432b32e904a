// The engine, records, handles, DIB sections and the DC cache.
#include "image/win/engine.h"

#include <cstring>
#include <memory>
#include <new>

#include "image/core/result.h"
#include "image/win/history.h"

namespace vopwin {
namespace {

// The live-record count and the codec service's start and stop share one lock.
struct EngineLock {
  EngineLock() { InitializeCriticalSection(&section); }
  ~EngineLock() { DeleteCriticalSection(&section); }
  CRITICAL_SECTION section;
};
EngineLock& lock() {
  static EngineLock instance;
  return instance;
}

class Locked {
 public:
  Locked() { EnterCriticalSection(&lock().section); }
  ~Locked() { LeaveCriticalSection(&lock().section); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

long liveRecords = 0;

// Four cached memory DCs, handed out and back by atomic exchange.
HDC volatile dcSlots[4] = {};

HDC takeDC() {
  for (HDC volatile& slot : dcSlots) {
    HDC dc = static_cast<HDC>(InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&slot), nullptr));
    if (dc != nullptr) return dc;
  }
  return CreateCompatibleDC(nullptr);
}

void giveDC(HDC dc) {
  for (HDC volatile& slot : dcSlots) {
    dc = static_cast<HDC>(InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&slot), dc));
    if (dc == nullptr) return;
  }
  DeleteDC(dc);
}

// Pixel arrays larger than this are refused: row offsets and the core's sizes stay in 32 bits.
constexpr int64_t kMaxPixelBytes = INT32_MAX;

}  // namespace

// Codec service state lives in codec.cpp; these two hooks let records stop it.
void codecsRecordCountZero();

ImageRecord::ImageRecord() {
  Locked guard;
  ++liveRecords;
}

// With no record alive nothing needs the codec service or a cached DC: both go here, outside
// the loader lock, so that unloading the library has nothing left to stop.
void releaseIdleServicesLocked() {
  codecsRecordCountZero();
  releaseCachedDCs();
}

ImageRecord::~ImageRecord() {
  destroyBitmap(*this);
  Locked guard;
  if (--liveRecords == 0) releaseIdleServicesLocked();
}

void stopCodecsWhenIdle() {
  Locked guard;
  if (liveRecords == 0) releaseIdleServicesLocked();
}

long liveRecordCount() {
  Locked guard;
  return liveRecords;
}

ImageEngine::ImageEngine() {
  version_.dwOSVersionInfoSize = sizeof version_;
  if (!GetVersionExA(&version_)) std::memset(&version_, 0, sizeof version_);
}

int32_t ImageEngine::initialize(const int32_t* settings) {
  if (settings == nullptr || 4 > initBlockSize_) return vop::kBadArgument;
  std::memcpy(&historyMode_, settings, 4);
  return historyMode_ == 0 || historyMode_ == kHistoryMode ? vop::kOk : vop::kBadArgument;
}

ImageEngine& engine() {
  static ImageEngine instance;
  return instance;
}

namespace {
HINSTANCE libraryModule = nullptr;
}  // namespace

HINSTANCE moduleInstance() { return libraryModule; }
void setModuleInstance(HINSTANCE instance) { libraryModule = instance; }

void enterEngineLock() { EnterCriticalSection(&lock().section); }
void leaveEngineLock() { LeaveCriticalSection(&lock().section); }

void releaseCachedDCs() {
  for (HDC volatile& slot : dcSlots) {
    HDC dc = static_cast<HDC>(InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&slot), nullptr));
    if (dc != nullptr) DeleteDC(dc);
  }
}

ImageRecord* resolveHandle(void* handle) {
  if (handle == nullptr) return nullptr;
  if (engine().historyOn()) return static_cast<HistoryHandle*>(handle)->image;
  return static_cast<ImageRecord*>(handle);
}

vop::UndoHistory* historyOf(void* handle) {
  if (handle == nullptr || !engine().historyOn()) return nullptr;
  return static_cast<HistoryHandle*>(handle)->history;
}

void* newHandle() {
  try {
    auto record = std::make_unique<ImageRecord>();
    if (!engine().historyOn()) return record.release();
    auto history = std::make_unique<vop::UndoHistory>(releaseSnapshot);
    auto* pair = new HistoryHandle{record.get(), history.get()};
    record.release();
    history.release();
    return pair;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void destroyHandle(void* handle) {
  if (handle == nullptr) return;
  if (engine().historyOn()) {
    auto* pair = static_cast<HistoryHandle*>(handle);
    delete pair->history;  // deletes the snapshots' files and copies
    delete pair->image;
    delete pair;
  } else {
    delete static_cast<ImageRecord*>(handle);
  }
}

bool createBitmap(ImageRecord& record, int32_t width, int32_t height, int32_t bitsPerPixel,
                  uint32_t flags) {
  if (width <= 0 || height <= 0 || !vop::isSupportedDepth(bitsPerPixel)) return false;
  const int64_t row = vop::rowBytes(bitsPerPixel, width);
  if (row <= 0 || row * height > kMaxPixelBytes) return false;

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = height;  // positive: bottom-up
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.header.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  if (bitmap == nullptr) return false;

  if (record.bitmap != nullptr) destroyBitmap(record);
  record.bitmap = bitmap;
  DIBSECTION section{};
  if (GetObjectA(bitmap, sizeof section, &section) == static_cast<int>(sizeof section)) {
    record.width = section.dsBm.bmWidth;
    record.height = section.dsBmih.biHeight < 0 ? -section.dsBmih.biHeight : section.dsBmih.biHeight;
    record.bitsPerPixel = section.dsBmih.biBitCount;
    record.bits = static_cast<uint8_t*>(section.dsBm.bmBits);
    record.isDibSection = true;
  } else {
    BITMAP plain{};
    GetObjectA(bitmap, sizeof plain, &plain);
    record.width = plain.bmWidth;
    record.height = plain.bmHeight;
    record.bitsPerPixel = plain.bmBitsPixel;
    record.bits = static_cast<uint8_t*>(plain.bmBits);
    record.isDibSection = false;
  }
  const int32_t size = static_cast<int32_t>(vop::rowBytes(record.bitsPerPixel, record.width));
  record.pitch = size;
  record.transparentColor = -1;
  if (record.bits != nullptr && record.height > 0) {
    // Bottom-up: row 0 is the last row in memory.
    record.bits += static_cast<ptrdiff_t>(size) * (record.height - 1);
    record.pitch = -size;
  }
  record.hasAlpha = (flags & 1) != 0;
  return true;
}

bool destroyBitmap(ImageRecord& record) {
  if (record.bitmap == nullptr) return false;
  HBITMAP bitmap = record.bitmap;
  if (record.memoryDC != nullptr) {
    // Still selected (a call that failed half-way): take it out before it is deleted.
    SelectObject(record.memoryDC, record.previousBitmap);
    giveDC(record.memoryDC);
    record.memoryDC = nullptr;
    record.previousBitmap = nullptr;
    record.dcRefCount = 0;
  }
  record.bitmap = nullptr;
  record.bits = nullptr;
  record.width = record.height = record.pitch = record.bitsPerPixel = 0;
  record.isDibSection = false;
  record.hasAlpha = false;
  record.transparentColor = -1;
  return DeleteObject(bitmap) != 0;
}

SelectedBitmap::SelectedBitmap(ImageRecord& record) : record_(record) {
  if (record_.dcRefCount++ == 0) {
    record_.memoryDC = takeDC();
    record_.previousBitmap =
        record_.memoryDC != nullptr ? SelectObject(record_.memoryDC, record_.bitmap) : nullptr;
  }
}

SelectedBitmap::~SelectedBitmap() {
  if (record_.dcRefCount > 0 && --record_.dcRefCount == 0 && record_.memoryDC != nullptr) {
    SelectObject(record_.memoryDC, record_.previousBitmap);
    giveDC(record_.memoryDC);
    record_.memoryDC = nullptr;
    record_.previousBitmap = nullptr;
  }
}

int32_t readColorTable(ImageRecord& record, vop::PaletteEntry* table, int32_t capacity) {
  if (record.bitmap == nullptr || capacity <= 0) return -1;
  SelectedBitmap selected(record);
  const UINT count = capacity > 256 ? 256u : static_cast<UINT>(capacity);
  return static_cast<int32_t>(
      GetDIBColorTable(selected.dc(), 0, count, reinterpret_cast<RGBQUAD*>(table)));
}

bool writeColorTable(ImageRecord& record, const vop::PaletteEntry* table, int32_t count) {
  if (record.bitmap == nullptr || count <= 0) return false;
  SelectedBitmap selected(record);
  return SetDIBColorTable(selected.dc(), 0, static_cast<UINT>(count),
                          reinterpret_cast<const RGBQUAD*>(table)) != 0;
}

RecordSurface::RecordSurface(ImageRecord& record) : record_(record) {
  if (record.bitmap == nullptr || record.bits == nullptr) return;
  surface_.bits = record.bits;
  surface_.pitch = record.pitch;
  surface_.width = record.width;
  surface_.height = record.height;
  surface_.bitsPerPixel = record.bitsPerPixel;
  if (record.bitsPerPixel <= 8) {
    const int32_t count = readColorTable(record, palette_.data(), 1 << record.bitsPerPixel);
    surface_.palette = palette_.data();
    surface_.paletteCount = count > 0 ? count : 0;
  }
}

bool RecordSurface::commitPalette() {
  if (surface_.palette == nullptr || surface_.paletteCount <= 0) return false;
  return writeColorTable(record_, surface_.palette, surface_.paletteCount);
}

int32_t makeTempFileName(char* buffer) {
  char prefix[4] = {buffer[0], buffer[1], buffer[2], '\0'};
  char folder[MAX_PATH + 1];
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length > MAX_PATH) return -1;
  if (GetTempFileNameA(folder, prefix, 0, buffer) == 0) return -1;
  return 0;
}

ProgressAdapter::ProgressAdapter(const ExportProgressHook* hook) {
  if (hook != nullptr && hook->callback != nullptr) {
    hook_.callback = &ProgressAdapter::forward;
    hook_.context = const_cast<ExportProgressHook*>(hook);
    hook_.userValue = hook->userValue;
    active_ = true;
  }
}

void ProgressAdapter::forward(vop::ProgressRecord* record, void* context) {
  static_cast<ExportProgressHook*>(context)->callback(record);
}

int32_t copyWhole(ImageRecord& source, ImageRecord& destination) {
  // Row by row rather than through the copy routine: the routine moves B, G, R only, so alpha
  // bytes and 16-bit pixels would not survive an undo exactly.
  if (!holdsImage(&source) || !holdsImage(&destination) || source.bits == nullptr ||
      destination.bits == nullptr || source.width != destination.width ||
      source.height != destination.height || source.bitsPerPixel != destination.bitsPerPixel)
    return vop::kBadArgument;
  const size_t row = static_cast<size_t>(vop::rowBytes(source.bitsPerPixel, source.width));
  for (int32_t y = 0; y < source.height; ++y)
    std::memcpy(destination.bits + static_cast<ptrdiff_t>(destination.pitch) * y,
                source.bits + static_cast<ptrdiff_t>(source.pitch) * y, row);
  if (source.bitsPerPixel <= 8) {
    std::array<vop::PaletteEntry, 256> table{};
    const int32_t count = readColorTable(source, table.data(), 1 << source.bitsPerPixel);
    if (count > 0 && !writeColorTable(destination, table.data(), count)) return vop::kBadArgument;
  }
  destination.hasAlpha = source.hasAlpha;
  return vop::kOk;
}

}  // namespace vopwin
