#include "image/win/transfer.h"

#include <cstring>
#include <new>
#include <vector>

#include "image/core/packed_dib.h"
#include "image/core/result.h"
#include "image/win/codec.h"
#include "image/win/engine.h"
#include "image/win/handles.h"
#include "image/win/history.h"
#include "image/win/progress_adapter.h"
#include "image/win/record.h"
#include "image/win/record_surface.h"
#include "image/win/temp_file.h"
#include "util/win/scoped_handle.h"

namespace vopwin {
namespace {

// Files larger than this are no BMP the library wrote or could hold.
constexpr LONGLONG kMaxBmpFile = 0x7FFFFFFF;

bool writeAll(HANDLE file, const void *data, uint64_t size) {
  const auto *p = static_cast<const uint8_t *>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, p, chunk, &written, nullptr) || written != chunk)
      return false;
    p += chunk;
    size -= chunk;
  }
  return true;
}

bool readAll(HANDLE file, void *data, size_t size) {
  auto *p = static_cast<uint8_t *>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!ReadFile(file, p, chunk, &read, nullptr) || read != chunk)
      return false;
    p += chunk;
    size -= chunk;
  }
  return true;
}

// A temporary "IW4" file: the name, deleted when this object goes.
class TempFile {
public:
  TempFile() {
    std::memcpy(m_name, "IW4", 4);
    m_made = makeTempFileName(m_name) == 0;
  }
  ~TempFile() {
    if (m_made)
      DeleteFileA(m_name);
  }
  TempFile(const TempFile &) = delete;
  TempFile &operator=(const TempFile &) = delete;
  bool made() const { return m_made; }
  char *name() { return m_name; }

private:
  char m_name[MAX_PATH] = {};
  bool m_made = false;
};

using kel::FileHandle;

// Writes dib into a new BMP file and decodes it into a new handle (the shared road of
// attaching and the clipboard).
void *decodeDib(HGLOBAL dib, int32_t actionCode) {
  TempFile temp;
  if (!temp.made())
    return nullptr;
  {
    FileHandle file(CreateFileA(temp.name(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok())
      return nullptr;
    if (!dibToBmpFile(dib, file.get()) || !file.close())
      return nullptr;
  }
  void *handle = newHandle();
  if (handle == nullptr)
    return nullptr;
  if (loadFile(*resolveHandle(handle), temp.name()) < 0) {
    destroyHandle(handle);
    handle = nullptr;
  }
  if (handle != nullptr && engine().historyOn())
    pushSnapshot(handle, actionCode);
  return handle;
}

} // namespace

bool dibToBmpFile(HGLOBAL dib, HANDLE file) {
  if (dib == nullptr)
    return false;
  const SIZE_T size = GlobalSize(dib);
  const auto *data = static_cast<const uint8_t *>(GlobalLock(dib));
  if (data == nullptr)
    return false;
  vop::DibLayout layout;
  uint8_t fileHeader[vop::kBmpFileHeaderSize];
  bool ok =
      vop::measurePackedDib(data, size, true, layout) && vop::bmpFileHeader(layout, fileHeader);
  if (ok) {
    // The pixel size goes into the file's copy of the header; the caller's block stays as it is.
    uint8_t header[vop::kInfoHeaderSize];
    std::memcpy(header, data, sizeof header);
    if (layout.compression != vop::kCompressionRle8 &&
        layout.compression != vop::kCompressionRle4) {
      const auto pixels = static_cast<uint32_t>(layout.pixelBytes);
      for (int i = 0; i < 4; ++i)
        header[20 + i] = static_cast<uint8_t>(pixels >> (8 * i));
    }
    ok = writeAll(file, fileHeader, sizeof fileHeader) && writeAll(file, header, sizeof header) &&
         writeAll(file, data + sizeof header, layout.tableBytes + layout.pixelBytes);
  }
  GlobalUnlock(dib);
  return ok;
}

HGLOBAL bmpFileToDib(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < vop::kBmpFileHeaderSize ||
      size.QuadPart > kMaxBmpFile)
    return nullptr;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
  if (!readAll(file, bytes.data(), bytes.size()))
    return nullptr;
  vop::BmpFileParts parts;
  if (!vop::locateBmpDib(bytes.data(), bytes.size(), parts))
    return nullptr;
  const size_t head = parts.layout.headerSize + parts.layout.tableBytes;
  HGLOBAL block =
      GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(parts.layout.totalBytes()));
  if (block == nullptr)
    return nullptr;
  auto *out = static_cast<uint8_t *>(GlobalLock(block));
  if (out == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(out, bytes.data() + vop::kBmpFileHeaderSize, head);
  std::memcpy(out + head, bytes.data() + parts.pixelOffset,
              static_cast<size_t>(parts.layout.pixelBytes));
  GlobalUnlock(block);
  return block;
}

void *attachImage(HGLOBAL dib) {
  if (dib == nullptr)
    return nullptr;
  void *handle = decodeDib(dib, 4);
  engine().readCache().reset();
  return handle;
}

int32_t drawImage(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t xSource,
                  int32_t ySource, uint32_t rop, void *image) {
  ImageRecord *record = resolveHandle(image);
  if (!holdsImage(record))
    return 0;
  SelectedBitmap selected(*record);
  return BitBlt(dc, x, y, width, height, selected.dc(), xSource, ySource, rop);
}

int32_t setClipboardImage(HWND owner, void *image) {
  if (!holdsImage(resolveHandle(image)))
    return vop::kBadArgument;
  HGLOBAL block = nullptr;
  {
    TempFile temp;
    if (!temp.made() || saveImage(0x60, image, temp.name(), nullptr) != vop::kOk)
      return vop::kBadArgument;
    FileHandle file(CreateFileA(temp.name(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok())
      return vop::kBadArgument;
    block = bmpFileToDib(file.get());
  }
  if (block == nullptr)
    return vop::kBadArgument;
  if (!OpenClipboard(owner)) {
    GlobalFree(block);
    return vop::kBadArgument;
  }
  EmptyClipboard();
  const bool set = SetClipboardData(CF_DIB, block) != nullptr;
  CloseClipboard();
  if (!set) {
    GlobalFree(block);
    return vop::kBadArgument;
  }
  return vop::kOk;
}

void *getClipboardImage(HWND owner) {
  if (!OpenClipboard(owner))
    return nullptr;
  HGLOBAL copy = nullptr;
  if (HANDLE data = GetClipboardData(CF_DIB)) {
    const SIZE_T size = GlobalSize(data);
    const void *from = GlobalLock(data);
    if (from != nullptr && size > 0) {
      copy = GlobalAlloc(GMEM_MOVEABLE, size);
      if (void *to = copy != nullptr ? GlobalLock(copy) : nullptr) {
        std::memcpy(to, from, size);
        GlobalUnlock(copy);
      } else if (copy != nullptr) {
        GlobalFree(copy);
        copy = nullptr;
      }
    }
    if (from != nullptr)
      GlobalUnlock(data);
  }
  CloseClipboard();
  void *handle = nullptr;
  if (copy != nullptr) {
    // The copy is given back however decoding ends.
    struct OwnedBlock {
      HGLOBAL block;
      ~OwnedBlock() { GlobalFree(block); }
    } owned{copy};
    handle = decodeDib(copy, 10);
  }
  engine().readCache().reset();
  return handle;
}

int32_t copyImage(HWND window, uint32_t flags, vop::CopyParams *params, void *source,
                  void *destination, const ExportProgressHook *progress) {
  if (params == nullptr || source == nullptr || vop::checkCopyScales(*params) != vop::kOk)
    return vop::kBadArgument;
  const bool measureOnly = (flags & 0xFF & vop::kCopyMeasureOnly) != 0;
  ImageRecord *from = resolveHandle(source);
  ImageRecord *to = measureOnly ? nullptr : resolveHandle(destination);
  if (!holdsImage(from))
    return vop::kBadArgument;
  if (!measureOnly && (!holdsImage(to) || from->bitsPerPixel != to->bitsPerPixel))
    return vop::kBadArgument;
  if (vop::normalizeSourceRect(*params, from->width, from->height) != vop::kOk)
    return vop::kBadArgument;
  if (measureOnly)
    return vop::measureDestination(*params);

  ProgressAdapter adapter(progress);
  vop::ProgressMeter meter(adapter.hook(), vop::kProgressCopy);
  meter.prepare(static_cast<uint32_t>(params->srcRight) * static_cast<uint32_t>(params->srcBottom));
  UpdateWindow(window);
  int32_t result;
  {
    RecordSurface fromView(*from);
    RecordSurface toView(*to);
    // The same record on both sides shares one view, so a changed colour table is not lost.
    vop::Surface &target = from == to ? fromView.surface() : toView.surface();
    result = vop::copyTransform(static_cast<int32_t>(flags & vop::kCopyModeMask),
                                flags & ~vop::kCopyModeMask, *params, fromView.surface(), target,
                                meter.active() ? &meter : nullptr);
    if (result == vop::kOk && to->bitsPerPixel <= 8)
      (from == to ? fromView : toView).commitPalette();
  }
  if (result == vop::kOk && engine().historyOn() && (flags & vop::kCopyNoSnapshot) == 0) {
    const int32_t recorded = pushSnapshot(destination, 6);
    if (recorded != vop::kOk)
      result = recorded;
  }
  UpdateWindow(window);
  return result;
}

} // namespace vopwin
