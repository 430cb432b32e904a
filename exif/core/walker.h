// TIFF and EXIF structure walker: finds the TIFF header and fills group tables from its IFDs.
#pragma once
#include <cstdint>

#include "exif/core/source.h"
#include "exif/core/tables.h"

namespace dax {

// What one walk may cost. A hostile file can make every entry of seven IFDs point at the same
// large value; these limits keep the cost of an analysis a small multiple of the file's size.
struct WorkLimits {
  uint64_t readBytes = 0;  // bytes the walker may read: IFDs and the values of entries
  uint64_t tableBytes = 0; // heap the group tables may take: entry records and their texts
  uint64_t textBytes = 0;  // heap the labels and value texts may take, part of tableBytes

  // The limits for a file of size bytes. The walker reads at most 15 times the file plus
  // 64 KiB, and the thumbnail's strips at most the file once more; the tables take at most the
  // file plus 384 KiB, so that with the thumbnail block (the file plus 64 KiB) and the walk's
  // working buffers one analysis stays under twice the file plus 1 MiB. Of that, the texts
  // take at most twice the file plus room for the longest single text the file can make (64 KiB,
  // less for a file under 12 KiB): rendering them is most of an analysis's time, and records of
  // a wide IFD may still use the rest. Camera files need a fraction of each (the most
  // text-heavy of the sample cameras renders 1.8 times its size).
  static WorkLimits forFile(uint64_t size);
  // No limit: for tools and tests that compare a cut walk with the whole one.
  static WorkLimits unlimited();
};

// Walks the file: the TIFF header inside the first APP1 "Exif" segment among the first four
// segments of a JPEG file, or at the start of the file; then the first IFD and the Exif, GPS
// and Interoperability IFDs its pointer tags lead to, and with kWithThumbnail in code the
// second IFD and its thumbnail. Appends groups to out (at most kMaxGroups) and sets its
// thumbnail.
//
// When the next entry would take the walk past limits (WorkLimits::forFile of the file's size
// unless given), the walk ends there: the entries before it are kept, nothing after it is
// read, no thumbnail is made from a second IFD that was cut, and out.cut is set. That is no
// failure.
//
// Returns kOk, kTooManyGroups (the groups before the eighth are in out and valid), or a
// failure: kReadFailed (I/O error), kBadTiffHeader, kNoExif, kNoMemory (an allocation
// failed). After a failure out holds whatever groups were made; callers discard them.
//
// Never reads outside what the source reports, whatever offsets and counts the file holds;
// IFD cycles end at the group limit.
int walkFile(ByteSource &file, const StringSource &strings, uint32_t code, TableSet &out);
int walkFile(ByteSource &file, const StringSource &strings, uint32_t code, TableSet &out,
             const WorkLimits &limits);

} // namespace dax
