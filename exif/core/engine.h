// The EXIF reader's engine: result tables, iteration cursor and the platform-free operations.
#pragma once
#include <cstdint>

#include "exif/core/result.h"
#include "exif/core/source.h"
#include "exif/core/tables.h"

namespace dax {

// Records of the operations, field for field as callers pass them (pointers native width).
struct IterationSetup {
  int32_t labelCapacity; // in and out: characters copied into a label buffer, NUL included
  int32_t valueCapacity; // in and out: the same for value buffers
};

struct EntryRecord {
  int32_t group;     // out
  uint16_t tag;      // out
  uint16_t reserved; // never written
  char *label;       // caller's buffer of labelCapacity bytes, or null
  char *value;       // caller's buffer of valueCapacity bytes, or null
};

struct ThumbnailRecord {
  int32_t kind; // out: Compression of the second IFD (1: an assembled TIFF file)
  int32_t size; // in: size of buffer; out: size of the thumbnail block
  void *buffer; // caller's buffer, or null
};

// One per process in the DLL; callers serialise their calls. The Windows layer opens the
// file and the language library and passes them in; nothing here keeps a caller's pointer.
class Engine {
public:
  // Operation 1 (after the file is open): walks it and, on success, replaces the result
  // tables and puts the cursor at the start. Returns the total number of entries, or a
  // failure (kReadFailed, kBadTiffHeader, kNoExif, kNoMemory) that leaves the result tables
  // as they were. An eighth group is no failure: the seven before it are the result; nor is
  // a file that asks for more work than its size warrants (WorkLimits::forFile): the entries
  // before the cut are the result and results().cut is set.
  // kWithThumbnail in code also walks the second IFD and makes the thumbnail.
  int analyze(ByteSource &file, const StringSource &strings, uint32_t code);

  // Operation 0: frees the result tables and resets the cursor; with kModifier frees only
  // the thumbnail. Returns kOk.
  int release(uint32_t code);

  // Operation 3: returns the total number of entries and, when there is at least one,
  // places the cursor on the first entry (moving forward) or with kModifier on the last
  // (moving backward), clamps the capacities to 0..1024 and 0..65536, writes them back and
  // keeps them. With no entries the capacities stay as they were. A null setup gives
  // kBadArgument.
  int beginIteration(IterationSetup *setup, uint32_t code);

  // Operation 4: stores the group and tag of the entry at the cursor and copies its texts
  // into the non-null buffers, each cut to its capacity - 1 bytes and NUL-terminated. Then
  // moves the cursor. Returns kOk, kLastEntry (the last entry in the direction of travel;
  // the cursor stays, so a further call repeats it), or kBadArgument for a null record, no
  // entries, a value buffer with a capacity below 1, or neither buffer filled (the cursor
  // then stays).
  int nextEntry(EntryRecord *record);

  // Operation 5. kNoThumbnail when there is none; kBadArgument for a null argument.
  // kModifier: argument is a ThumbnailRecord that receives kind and size only.
  // kWithThumbnail: argument is a raw buffer that receives the whole block; the caller
  //   must have learnt the size first, since nothing here can check the buffer.
  // Otherwise: argument is a ThumbnailRecord that always receives kind and size; when its
  //   size equals the block's, the block is copied to its buffer (kBadArgument when the
  //   buffer is null); when the sizes differ the result is kOk with nothing copied.
  int thumbnail(uint32_t code, void *argument);

  const TableSet &results() const { return m_results; }
  int32_t labelCapacity() const { return m_labelCapacity; }
  int32_t valueCapacity() const { return m_valueCapacity; }

private:
  bool cursorValid() const;
  void resetCursor();

  TableSet m_results;
  size_t m_group = 0;
  size_t m_entry = 0;
  bool m_backward = false;
  int32_t m_labelCapacity = kDefaultLabelCapacity;
  int32_t m_valueCapacity = kDefaultValueCapacity;
};

} // namespace dax
