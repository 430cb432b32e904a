// The count of live image records, and what goes with the last one: the codec service and the
// cached DCs, so that unloading the library has nothing left to stop.
#pragma once

namespace vopwin {

// Kept by ImageRecord's constructor and destructor.
void recordCreated();
void recordDestroyed();
// Live image records, snapshots' copies included.
long liveRecordCount();
// Stops the codec service and gives the cached DCs back when no record is alive: the end of
// every call that may have started the service without making a record (a cancelled open
// dialog, a failed load). Never from DllMain, where the loader lock forbids it.
void stopCodecsWhenIdle();

} // namespace vopwin
