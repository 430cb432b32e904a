// A few memory DCs kept between calls, handed out and back by atomic exchange.
#include "image/win/dc_cache.h"

namespace vopwin {
namespace {

HDC volatile dcSlots[4] = {};

HDC exchange(HDC volatile &slot, HDC dc) {
  return static_cast<HDC>(
      InterlockedExchangePointer(reinterpret_cast<void *volatile *>(&slot), dc));
}

} // namespace

HDC takeDC() {
  for (HDC volatile &slot : dcSlots) {
    HDC dc = exchange(slot, nullptr);
    if (dc != nullptr)
      return dc;
  }
  return CreateCompatibleDC(nullptr);
}

void giveDC(HDC dc) {
  for (HDC volatile &slot : dcSlots) {
    dc = exchange(slot, dc);
    if (dc == nullptr)
      return;
  }
  DeleteDC(dc);
}

void releaseCachedDCs() {
  for (HDC volatile &slot : dcSlots) {
    HDC dc = exchange(slot, nullptr);
    if (dc != nullptr)
      DeleteDC(dc);
  }
}

} // namespace vopwin
