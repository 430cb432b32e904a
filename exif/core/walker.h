// TIFF and EXIF structure walker: finds the TIFF header and fills group tables from its IFDs.
#pragma once
#include <cstdint>

#include "exif/core/source.h"
#include "exif/core/tables.h"

namespace dax {

// Walks the file: the TIFF header inside the first APP1 "Exif" segment among the first four
// segments of a JPEG file, or at the start of the file; then the first IFD and the Exif, GPS
// and Interoperability IFDs its pointer tags lead to, and with kWithThumbnail in code the
// second IFD and its thumbnail. Appends groups to out (at most kMaxGroups) and sets its
// thumbnail.
//
// Returns kOk, kTooManyGroups (the groups before the eighth are in out and valid), or a
// failure: kReadFailed (I/O error), kBadTiffHeader, kNoExif, kNoMemory (allocation failed or
// the file asked for more work than kWorkBudget). After a failure out holds whatever groups
// were made; callers discard them.
//
// Never reads outside what the source reports, whatever offsets and counts the file holds;
// IFD cycles end at the group limit.
int walkFile(ByteSource &file, const StringSource &strings, uint32_t code, TableSet &out);

} // namespace dax
