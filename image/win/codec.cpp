// Loading and saving through GDI+'s flat interface.
#include "image/win/codec.h"

#include <windows.h>
#include <commdlg.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "image/core/file_rules.h"
#include "image/core/result.h"
#include "image/win/codec_service.h"
#include "image/win/engine.h"
#include "image/win/handles.h"
#include "image/win/history.h"
#include "image/win/record.h"

namespace vopwin {
namespace {

namespace gp = Gdiplus;
namespace flat = Gdiplus::DllExports;

// Format identifiers of the decoders the open dialog leaves out, and the quality parameter.
constexpr GUID kFormatEmf = {
    0xb96b3cac, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID kFormatWmf = {
    0xb96b3cad, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID kFormatIcon = {
    0xb96b3cb5, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID kEncoderQuality = {
    0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

bool sameGuid(const GUID &a, const GUID &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The code page of file names and codec texts: the thread's ANSI code page on NT 5.0 and
// later, else the default ANSI code page of the thread's locale.
UINT conversionCodePage() {
  const OSVERSIONINFOA &v = engine().version();
  if (v.dwPlatformId == VER_PLATFORM_WIN32_NT && v.dwMajorVersion >= 5)
    return CP_THREAD_ACP;
  char digits[8] = {};
  if (GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits) > 0) {
    const UINT page = static_cast<UINT>(std::strtoul(digits, nullptr, 10));
    if (page != 0)
      return page;
  }
  return GetACP();
}

bool isLeadByte(uint8_t byte) { return IsDBCSLeadByteEx(conversionCodePage(), byte) != 0; }

std::wstring toWide(const char *text) {
  const UINT page = conversionCodePage();
  const int length = MultiByteToWideChar(page, 0, text, -1, nullptr, 0);
  if (length <= 0)
    return std::wstring();
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(page, 0, text, -1, out.data(), length);
  out.resize(static_cast<size_t>(length - 1));
  return out;
}

std::string toNarrow(const WCHAR *text) {
  if (text == nullptr)
    return std::string();
  const UINT page = conversionCodePage();
  const int length = WideCharToMultiByte(page, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1)
    return std::string();
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(page, 0, text, -1, out.data(), length, nullptr, nullptr);
  out.resize(static_cast<size_t>(length - 1));
  return out;
}

// Encoders or decoders as GDI+ lists them; empty on any failure.
std::vector<BYTE> codecList(bool encoders, UINT &count) {
  UINT size = 0;
  count = 0;
  const gp::Status sized = encoders ? flat::GdipGetImageEncodersSize(&count, &size)
                                    : flat::GdipGetImageDecodersSize(&count, &size);
  if (sized != gp::Ok || count == 0 || size < count * sizeof(gp::ImageCodecInfo)) {
    count = 0;
    return {};
  }
  std::vector<BYTE> block(size);
  auto *info = reinterpret_cast<gp::ImageCodecInfo *>(block.data());
  const gp::Status listed = encoders ? flat::GdipGetImageEncoders(count, size, info)
                                     : flat::GdipGetImageDecoders(count, size, info);
  if (listed != gp::Ok) {
    count = 0;
    return {};
  }
  return block;
}

// The class identifier of the first encoder that lists the extension; false for none.
bool findEncoder(const std::string &extension, CLSID &id) {
  UINT count = 0;
  const std::vector<BYTE> block = codecList(true, count);
  const auto *info = reinterpret_cast<const gp::ImageCodecInfo *>(block.data());
  for (UINT i = 0; i < count; ++i) {
    if (vop::extensionListNames(toNarrow(info[i].FilenameExtension), extension)) {
      id = info[i].Clsid;
      return true;
    }
  }
  return false;
}

struct Depth {
  int32_t bitsPerPixel;
  bool alpha;
  gp::PixelFormat copyFormat;
};

Depth depthOf(gp::PixelFormat format) {
  if ((format & PixelFormatAlpha) != 0)
    return {32, true, PixelFormat32bppARGB};
  if ((format & PixelFormatGDI) != 0) {
    const int32_t bits = static_cast<int32_t>((format >> 8) & 0xFF);
    // The record's 16-bit sections are 5-5-5; other 16-bit layouts are converted into it.
    if (bits == 16)
      return {16, false, PixelFormat16bppRGB555};
    return {bits, false, format};
  }
  return {32, false, PixelFormat32bppRGB};
}

// Copies the decoded bitmap's rows, converted to copyFormat by GDI+ where it differs.
bool copyPixels(gp::GpBitmap *decoded, ImageRecord &record, gp::PixelFormat copyFormat) {
  gp::Rect whole(0, 0, record.width, record.height);
  gp::BitmapData data{};
  if (flat::GdipBitmapLockBits(decoded, &whole, gp::ImageLockModeRead, copyFormat, &data) ==
      gp::Ok) {
    const size_t row = (static_cast<size_t>(record.width) * record.bitsPerPixel + 7) / 8;
    const auto *from = static_cast<const uint8_t *>(data.Scan0);
    for (int32_t y = 0; y < record.height; ++y)
      std::memcpy(record.bits + static_cast<ptrdiff_t>(record.pitch) * y,
                  from + static_cast<ptrdiff_t>(data.Stride) * y, row);
    flat::GdipBitmapUnlockBits(decoded, &data);
    return true;
  }
  // No direct conversion: let GDI+ draw the picture onto the record's pixels.
  gp::GpBitmap *wrapper = nullptr;
  if (flat::GdipCreateBitmapFromScan0(record.width, record.height, record.pitch, copyFormat,
                                      record.bits, &wrapper) != gp::Ok)
    return false;
  bool drawn = false;
  gp::GpGraphics *graphics = nullptr;
  if (flat::GdipGetImageGraphicsContext(wrapper, &graphics) == gp::Ok) {
    drawn = flat::GdipDrawImageI(graphics, decoded, 0, 0) == gp::Ok;
    flat::GdipDeleteGraphics(graphics);
  }
  flat::GdipDisposeImage(wrapper);
  return drawn;
}

int32_t decodeInto(ImageRecord &record, gp::GpBitmap *decoded) {
  gp::PixelFormat format = 0;
  UINT width = 0, height = 0;
  if (flat::GdipGetImagePixelFormat(decoded, &format) != gp::Ok ||
      flat::GdipGetImageWidth(decoded, &width) != gp::Ok ||
      flat::GdipGetImageHeight(decoded, &height) != gp::Ok || width == 0 || height == 0 ||
      width > INT32_MAX || height > INT32_MAX)
    return kCodecFailed;
  const Depth depth = depthOf(format);
  if (!createBitmap(record, static_cast<int32_t>(width), static_cast<int32_t>(height),
                    depth.bitsPerPixel, depth.alpha ? 1 : 0))
    return kCodecFailed;

  if ((format & PixelFormatIndexed) != 0 && record.bitsPerPixel <= 8) {
    INT size = 0;
    if (flat::GdipGetImagePaletteSize(decoded, &size) == gp::Ok &&
        size >= static_cast<INT>(sizeof(gp::ColorPalette))) {
      std::vector<BYTE> buffer;
      try {
        buffer.resize(static_cast<size_t>(size));
      } catch (const std::bad_alloc &) {
        destroyBitmap(record);
        return kCodecNoMemory;
      }
      auto *palette = reinterpret_cast<gp::ColorPalette *>(buffer.data());
      if (flat::GdipGetImagePalette(decoded, palette, size) == gp::Ok) {
        const UINT fits =
            static_cast<UINT>((size - offsetof(gp::ColorPalette, Entries)) / sizeof(gp::ARGB));
        const UINT count = std::min({palette->Count, fits, 1u << record.bitsPerPixel});
        std::vector<vop::PaletteEntry> table(count);
        for (UINT i = 0; i < count; ++i) {
          const gp::ARGB c = palette->Entries[i];
          table[i] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                      static_cast<uint8_t>(c >> 16), 0};
        }
        if (count > 0)
          writeColorTable(record, table.data(), static_cast<int32_t>(count));
      }
    }
  }
  if (!copyPixels(decoded, record, depth.copyFormat)) {
    destroyBitmap(record);
    return kCodecFailed;
  }
  return vop::kOk;
}

std::string openFilterText() {
  UINT count = 0;
  const std::vector<BYTE> block = codecList(false, count);
  const auto *info = reinterpret_cast<const gp::ImageCodecInfo *>(block.data());
  std::vector<vop::DecoderEntry> decoders;
  for (UINT i = 0; i < count; ++i) {
    const GUID &format = info[i].FormatID;
    decoders.push_back({toNarrow(info[i].FormatDescription), toNarrow(info[i].FilenameExtension),
                        !sameGuid(format, kFormatEmf) && !sameGuid(format, kFormatWmf) &&
                            !sameGuid(format, kFormatIcon)});
  }
  return vop::openFilter(decoders);
}

// Copies text into the caller's MAX_PATH buffer; false (buffer unchanged) when it does not fit.
bool storeName(char *buffer, const std::string &text) {
  if (text.size() >= MAX_PATH)
    return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

// The length of the caller's name when it ends within MAX_PATH bytes; -1 otherwise.
int boundedLength(const char *name) {
  for (int i = 0; i < MAX_PATH; ++i)
    if (name[i] == '\0')
      return i;
  return -1;
}

} // namespace

int32_t loadFile(ImageRecord &record, const char *fileName) {
  if (!startCodecs())
    return kCodecFailed;
  gp::GpBitmap *decoded = nullptr;
  int32_t result = kCodecFailed;
  // Its callers hold a new handle they must destroy on failure: nothing may throw past here.
  try {
    const std::wstring wide = toWide(fileName);
    if (wide.empty())
      return kCodecFailed;
    if (flat::GdipCreateBitmapFromFile(wide.c_str(), &decoded) == gp::Ok)
      result = decodeInto(record, decoded);
  } catch (const std::bad_alloc &) {
    destroyBitmap(record);
    result = kCodecNoMemory;
  }
  if (decoded != nullptr)
    flat::GdipDisposeImage(decoded);
  return result;
}

void *loadImage(uint32_t flags, char *fileName) {
  if (fileName == nullptr)
    return nullptr;
  if ((flags & 0x10) != 0 && chooseImageFile(0, fileName) != 0)
    return nullptr;
  if (boundedLength(fileName) < 0)
    return nullptr;
  void *handle = newHandle();
  if (handle == nullptr)
    return nullptr;
  if (loadFile(*resolveHandle(handle), fileName) < 0) {
    destroyHandle(handle);
    return nullptr;
  }
  if (engine().historyOn())
    pushSnapshot(handle, 10);
  return handle;
}

int32_t saveImage(uint32_t flags, void *image, char *fileName, const QualityHook *hook) {
  ImageRecord *record = resolveHandle(image);
  if (!holdsImage(record) || fileName == nullptr || boundedLength(fileName) < 0)
    return vop::kBadArgument;

  std::string extension;
  if ((flags & 0x10) != 0) {
    const int32_t chosen = chooseImageFile(1, fileName);
    if (chosen != 0)
      return chosen;
    extension = vop::findExtension(fileName, isLeadByte);
  } else if ((flags & 0x40) != 0) {
    extension = ".bmp";
  } else {
    const uint32_t code = flags & 0x0F;
    if (!storeName(fileName, vop::replaceExtension(code, fileName, isLeadByte)))
      return vop::kBadArgument;
    extension = vop::formatExtension(code);
  }

  if ((flags & 0x20) == 0 && GetFileAttributesA(fileName) != INVALID_FILE_ATTRIBUTES)
    return kFileExists;

  int32_t quality = 80;
  if (extension == ".jpg" && hook != nullptr && hook->callback != nullptr) {
    hook->callback(&quality, hook->context);
    quality = std::clamp(quality, 0, 100);
  }

  if (!startCodecs())
    return vop::kBadArgument;
  CLSID encoder{};
  if (!findEncoder(extension, encoder))
    return vop::kBadArgument;
  const std::wstring wide = toWide(fileName);
  if (wide.empty())
    return vop::kBadArgument;

  gp::GpBitmap *bitmap = nullptr;
  if (flat::GdipCreateBitmapFromHBITMAP(record->bitmap, nullptr, &bitmap) != gp::Ok) {
    if (bitmap != nullptr)
      flat::GdipDisposeImage(bitmap);
    return kWriteFailed;
  }
  gp::EncoderParameters parameters{};
  ULONG qualityValue = static_cast<ULONG>(quality);
  const bool jpeg = CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, extension.c_str(), -1, ".jpg",
                                   -1) == CSTR_EQUAL;
  if (jpeg) {
    parameters.Count = 1;
    parameters.Parameter[0].Guid = kEncoderQuality;
    parameters.Parameter[0].Type = gp::EncoderParameterValueTypeLong;
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Value = &qualityValue;
  }
  const gp::Status saved =
      flat::GdipSaveImageToFile(bitmap, wide.c_str(), &encoder, jpeg ? &parameters : nullptr);
  flat::GdipDisposeImage(bitmap);
  return saved == gp::Ok ? vop::kOk : kWriteFailed;
}

int32_t chooseImageFile(int32_t mode, char *buffer) {
  char name[MAX_PATH] = {};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFile = name;
  dialog.nMaxFile = MAX_PATH;
  std::string filter;
  if (mode == 1) {
    filter = vop::saveFilter();
    dialog.lpstrFilter = filter.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameA(&dialog))
      return kCancelled;
    return storeName(buffer, vop::completeSaveName(name, dialog.nFilterIndex)) ? vop::kOk
                                                                               : vop::kBadArgument;
  }
  if (!startCodecs())
    return vop::kBadArgument;
  filter = openFilterText();
  if (filter.empty())
    return vop::kBadArgument;
  dialog.lpstrFilter = filter.c_str();
  dialog.Flags = OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameA(&dialog))
    return kCancelled;
  return storeName(buffer, name) ? vop::kOk : vop::kBadArgument;
}

} // namespace vopwin
