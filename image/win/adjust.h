// The editing exports' work: gamma, tone curve, contrast, quality, neighbourhood filter,
// colour reduction and rotation, each a frame around its core operation.
#pragma once

#include <windows.h>

#include <cstdint>

#include "image/win/progress_adapter.h"
#include "include/vopimg.h"

namespace vopwin {

int32_t adjustGamma(HWND window, uint32_t flags, VOP_GAMMA_PARAMS *params, void *image,
                    const ExportProgressHook *progress);
int32_t adjustToneCurve(HWND window, uint32_t flags, VOP_TONE_CURVE_PARAMS *params, void *image,
                        const ExportProgressHook *progress);
int32_t adjustContrast(HWND window, uint32_t flags, VOP_CONTRAST_PARAMS *params, void *image,
                       const ExportProgressHook *progress);

// The operation record both quality exports copy the caller's into: the first has no
// (keepColor, keepDistance) pair and therefore refuses the sparing mode.
struct QualityCall {
  int32_t hue;
  int32_t brightness;
  int32_t saturation;
  VOP_REGION region;
  bool hasKeep;
  uint32_t keepColor;
  int32_t keepDistance;
};
int32_t adjustQuality(HWND window, uint32_t flags, QualityCall call, void *image,
                      const ExportProgressHook *progress);

int32_t throughFilter(HWND window, uint32_t flags, VOP_FILTER_PARAMS *params, void *image,
                      const ExportProgressHook *progress);

int32_t decolorImage(HWND window, uint32_t flags, void *source, void *destination,
                     const ExportProgressHook *progress);
int32_t rotateImage(HWND window, uint32_t flags, const VOP_ROTATE_PARAMS *params, void *image,
                    const ExportProgressHook *progress);

} // namespace vopwin
