// The one lock of the live-record count and the codec service's start and stop.
#include "image/win/engine_lock.h"

#include <windows.h>

namespace vopwin {
namespace {

struct EngineLock {
  EngineLock() { InitializeCriticalSection(&section); }
  ~EngineLock() { DeleteCriticalSection(&section); }
  CRITICAL_SECTION section;
};

EngineLock &lock() {
  static EngineLock instance;
  return instance;
}

} // namespace

void enterEngineLock() { EnterCriticalSection(&lock().section); }
void leaveEngineLock() { LeaveCriticalSection(&lock().section); }

} // namespace vopwin
