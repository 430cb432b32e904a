// kelsys.dll: a click poll without a message loop, the current time, client and work areas.
#include <windows.h>

#include "include/kelsys.h"

extern "C" int KEL_API kelCaptureButton(HWND window) {
  // Both kinds of message are consumed whatever they are: the caller polls once per work step
  // and must not find the same stale message again on the next one.
  MSG msg;
  int result = 1;
  if (PeekMessageA(&msg, window, WM_MOUSEFIRST, 0x20A, PM_REMOVE) && msg.message == WM_LBUTTONUP)
    result = 0;
  if (PeekMessageA(&msg, window, WM_KEYFIRST, 0x108, PM_REMOVE) && msg.message == WM_KEYUP &&
      msg.wParam == VK_RETURN)
    result = 0;
  return result;
}

extern "C" void KEL_API kelGetTime(SYSTEMTIME *time, int which) {
  if (time == nullptr)
    return;
  if (which == 1)
    GetLocalTime(time);
  else
    GetSystemTime(time);
}

extern "C" int KEL_API kelGetClient(HWND window, RECT *rect) {
  if (rect == nullptr)
    return 0;
  return GetClientRect(window, rect);
}

extern "C" int KEL_API kelGetWorkArea(RECT *rect, int) {
  if (rect == nullptr)
    return 0;
  return SystemParametersInfoA(SPI_GETWORKAREA, 0, rect, 4);
}
