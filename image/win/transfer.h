// Images in and out of the library other than by file: attaching a packed DIB, drawing, the
// clipboard, the conversions between packed DIBs and BMP files, and the copy export.
#pragma once

#include <windows.h>

#include <cstdint>

#include "image/core/copy_transform.h"
#include "image/win/progress_adapter.h"

namespace vopwin {

// A packed DIB (40-byte header only) as a BMP file; false when the DIB does not measure or a
// write fails. The DIB itself is not changed.
bool dibToBmpFile(HGLOBAL dib, HANDLE file);
// The BMP file's DIB in a new movable, zero-filled global block; null for a file that is not a
// whole, sound BMP file.
HGLOBAL bmpFileToDib(HANDLE file);

void *attachImage(HGLOBAL dib);
int32_t drawImage(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, int32_t xSource,
                  int32_t ySource, uint32_t rop, void *image);
int32_t setClipboardImage(HWND owner, void *image);
void *getClipboardImage(HWND owner);
int32_t copyImage(HWND window, uint32_t flags, vop::CopyParams *params, void *source,
                  void *destination, const ExportProgressHook *progress);

} // namespace vopwin
