// The erase run of the Extended delete dialog.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/win/bindings.h"

// Deletes the files of `folder` that the erase list names, into the recycle bin through the
// shell (which asks first). 0, or the code of the failure (nothing deleted then): -5008 the
// list cannot be read, -5009 it is no valid list, -5010 a search result cannot be read, -5011
// the paths fill the deletion list. deletionList holds `capacity` bytes.
int32_t RunErase(const CKelsysLibrary &kelsys, const std::string &folder, HWND owner,
                 const std::string &listPath, char *deletionList, size_t capacity);
