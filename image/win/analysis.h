// The reading exports' work: the histogram, its dialog and the colour count.
#pragma once

#include <windows.h>

#include <cstdint>

#include "image/win/progress_adapter.h"
#include "include/vopimg.h"

namespace vopwin {

int32_t histogramOf(HWND window, void *image, VOP_HISTOGRAM_RESULT *result,
                    const ExportProgressHook *progress);
int32_t countColors(HWND window, void *image, const ExportProgressHook *progress);
void showHistogramDialog(HWND window, const char *title, void *image,
                         const ExportProgressHook *progress);

} // namespace vopwin
