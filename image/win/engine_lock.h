// The one lock of the live-record count and the codec service's start and stop.
#pragma once

namespace vopwin {

void enterEngineLock();
void leaveEngineLock();

// Holds the engine lock for its lifetime.
class EngineLocked {
public:
  EngineLocked() { enterEngineLock(); }
  ~EngineLocked() { leaveEngineLock(); }
  EngineLocked(const EngineLocked &) = delete;
  EngineLocked &operator=(const EngineLocked &) = delete;
};

} // namespace vopwin
