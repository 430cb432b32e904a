// The life of the codec service (GDI+): started on first need, stopped when the last record
// goes, both under the engine lock.
#pragma once

namespace vopwin {

// Starts the service unless it runs. False when it cannot be started.
bool startCodecs();
bool codecsRunning();
// Stops the service if it runs. The caller holds the engine lock and no record is alive; never
// from DllMain, where the loader lock forbids it.
void stopCodecsLocked();

} // namespace vopwin
