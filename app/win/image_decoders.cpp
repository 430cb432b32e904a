// The text of the platform's installed image decoders, from GDI+.
#include "app/win/image_decoders.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "app/core/cmdline.h"

#include <vector>

namespace {

std::string narrow(const WCHAR *text) {
  if (text == nullptr)
    return std::string();
  const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1)
    return std::string();
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), length, nullptr, nullptr);
  out.resize(static_cast<size_t>(length - 1));
  return out;
}

} // namespace

bool ImageDecoderText(std::string &text) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
    return false;
  bool ok = false;
  UINT count = 0, size = 0;
  if (Gdiplus::DllExports::GdipGetImageDecodersSize(&count, &size) == Gdiplus::Ok && size > 0) {
    std::vector<BYTE> block(size);
    auto *codecs = reinterpret_cast<Gdiplus::ImageCodecInfo *>(block.data());
    if (Gdiplus::DllExports::GdipGetImageDecoders(count, size, codecs) == Gdiplus::Ok) {
      std::vector<tolm::DecoderInfo> decoders;
      for (UINT i = 0; i < count; ++i)
        decoders.push_back(
            {narrow(codecs[i].FormatDescription), narrow(codecs[i].FilenameExtension)});
      text = tolm::buildDecoderText(decoders);
      ok = true;
    }
  }
  Gdiplus::GdiplusShutdown(token);
  return ok;
}
