// The life of the codec service (GDI+).
#include "image/win/codec_service.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "image/win/engine_lock.h"

namespace vopwin {
namespace {

bool codecsStarted = false;
ULONG_PTR codecToken = 0;

} // namespace

bool startCodecs() {
  EngineLocked guard;
  if (!codecsStarted) {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&codecToken, &input, nullptr) == Gdiplus::Ok)
      codecsStarted = true;
  }
  return codecsStarted;
}

void stopCodecsLocked() {
  if (codecsStarted) {
    Gdiplus::GdiplusShutdown(codecToken);
    codecsStarted = false;
  }
}

bool codecsRunning() {
  EngineLocked guard;
  return codecsStarted;
}

} // namespace vopwin
