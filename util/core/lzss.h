// LZSS compression of memory buffers: sliding window, binary-tree match search, LSB-first bit
// stream.
#pragma once
#include <cstdint>

namespace kel {

// Method code: low 4 bits pick the window (3: 8 KiB, 4: 16 KiB, 5: 32 KiB, 6: 64 KiB, any
// other value 4 KiB with matches of at most 130 bytes instead of 258); bit 4 adds the delta
// filter (each byte replaced by its difference to the previous byte).
inline constexpr int32_t kLzssDelta = 0x10;

inline constexpr int32_t kLzssNoMemory = -301;

// The method code chosen by the flags of lzssCompress/lzssExpand: the first of 0x100 (2),
// 0x200 (3), 0x400 (4), 0x800 (5), 0x1000 (6); -1 when none is set.
int32_t lzssMethodFromFlags(int32_t flags);

// Compresses sourceLength bytes with the method code. Returns the stream size in bytes; 0 when
// an argument is null or 0, or when the stream needs capacity - 1 bytes or more (the
// destination then holds no usable stream); kLzssNoMemory without working memory. Never
// writes outside destination[0 .. capacity).
int32_t lzssCompressMethod(int32_t method, const void *source, uint32_t sourceLength,
                           void *destination, uint32_t capacity);

// The compressor keeps the working memory of finished calls for the next ones (a few
// window-sized tables at most); this frees it now. Safe at any time, also while other threads
// compress.
void lzssReleaseWorkspaces();

// Expands a stream into at most destinationLength bytes and returns the count produced; 0 when
// an argument is null or 0. Needs no heap memory: the destination serves as the window. Reads
// at most sourceLength bytes and writes nothing past the count it returns; a corrupt stream
// gives wrong bytes, never an access outside the buffers.
int32_t lzssExpandMethod(int32_t method, const void *source, uint32_t sourceLength,
                         void *destination, uint32_t destinationLength);

// kelCompress / kelExpand: method chosen by flags (0 when no method flag is set).
int32_t lzssCompress(int32_t flags, const void *source, void *destination, uint32_t sourceLength,
                     uint32_t destinationCapacity);
int32_t lzssExpand(int32_t flags, const void *source, void *destination, uint32_t sourceLength,
                   uint32_t destinationLength);

// Record of the library-allocated variants; same layout as the public record.
struct CpPack {
  uint32_t plainLength;  // set by the caller
  uint32_t packedLength; // set by lzssCompress2
  void *packedData;      // allocated here, released by lzssDeletePack
};

// Compresses pack->plainLength bytes of source into a new buffer in the record. 0 on success;
// -1 for a null argument, a plainLength of 0 or data that does not shrink below
// plainLength - 1 bytes (record outputs then 0); kLzssNoMemory when memory runs out.
int32_t lzssCompress2(int32_t method, const void *source, CpPack *pack);
// Expands the record's stream into destination (plainLength bytes). 0 when exactly
// plainLength bytes came out; -1 for null arguments, zero lengths, no memory, or a stream
// that ends early.
int32_t lzssExpand2(int32_t method, const CpPack *pack, void *destination);
// Frees the record's buffer and zeroes all three fields; 0, or -1 for a null record.
int32_t lzssDeletePack(CpPack *pack);

} // namespace kel
