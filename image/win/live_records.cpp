// The count of live image records, and the release of the idle services with the last one.
#include "image/win/live_records.h"

#include "image/win/codec_service.h"
#include "image/win/dc_cache.h"
#include "image/win/engine_lock.h"

namespace vopwin {
namespace {

long liveRecords = 0;

// With no record alive nothing needs the codec service or a cached DC: both go here, outside
// the loader lock.
void releaseIdleServicesLocked() {
  stopCodecsLocked();
  releaseCachedDCs();
}

} // namespace

void recordCreated() {
  EngineLocked guard;
  ++liveRecords;
}

void recordDestroyed() {
  EngineLocked guard;
  if (--liveRecords == 0)
    releaseIdleServicesLocked();
}

long liveRecordCount() {
  EngineLocked guard;
  return liveRecords;
}

void stopCodecsWhenIdle() {
  EngineLocked guard;
  if (liveRecords == 0)
    releaseIdleServicesLocked();
}

} // namespace vopwin
