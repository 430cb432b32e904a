// A few memory DCs kept between calls, for selecting a record's bitmap.
#pragma once

#include <windows.h>

namespace vopwin {

// A cached memory DC, or a new one when none is free; null when none can be made.
HDC takeDC();
// Gives a DC back to the cache, or deletes it when the cache is full.
void giveDC(HDC dc);
// Deletes the cached DCs: when no record is alive, and at unload.
void releaseCachedDCs();

} // namespace vopwin
