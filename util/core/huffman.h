// Static Huffman coding of byte buffers and the variable-length code of 32-bit value arrays.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kel {

// A frequency table has 512 entries: counts of the byte values in 0-255, zeros after them.
inline constexpr uint32_t kHuffmanTableEntries = 512;
// Inputs must stay below this many bytes so that every weight of the tree stays selectable.
inline constexpr uint32_t kHuffmanMaxInput = 2099999999u;
inline constexpr int32_t kHuffmanNoMemory = -400;
// Length to pass when the caller gave none: the stream is then trusted to be long enough.
inline constexpr size_t kLengthUnknown = SIZE_MAX;

// Counts the bytes of input into table (all 512 entries written, 256-511 zero), builds the tree
// and writes the codes, most significant bit first. Bytes beyond outputCapacity are counted but
// not stored. Returns the packed size, or 0 when an argument is null, inputLength is 0 or not
// below kHuffmanMaxInput, or the packed size is not smaller than inputLength. Needs no heap
// memory.
int32_t huffmanEncode(void *output, const void *input, uint32_t *table, uint32_t inputLength,
                      uint32_t outputCapacity);

// Decodes plainLength bytes with the tree built from table entries 0-255 (the table is only
// read). Reads at most packedLength bytes. Returns plainLength; 0 when an argument is null,
// plainLength is 0 or above INT32_MAX, the stream ends before plainLength bytes, or memory for
// the decoding table runs out.
int32_t huffmanDecode(const void *packed, void *output, const uint32_t *table, uint32_t plainLength,
                      size_t packedLength = kLengthUnknown);

// Value code: v < 4 gives k = 0, else k = bit length of v >> 2; k one-bits, a zero-bit, then the
// k + 2 low bits of v least significant first; packed most significant bit first.
// Returns the packed size (bytes stored while below outputCapacity), or 0 when an argument is
// null, valueCount is 0 or the packed size exceeds outputCapacity.
int32_t valuesEncode(const uint32_t *values, void *output, uint32_t valueCount,
                     uint32_t outputCapacity);
// Returns valueCount; 0 when an argument is null, valueCount is 0 or above INT32_MAX, a code
// is longer than any 32-bit value needs, or the stream ends early (reads at most packedLength).
int32_t valuesDecode(const void *packed, uint32_t *values, uint32_t valueCount,
                     size_t packedLength = kLengthUnknown);

// Record of the library-allocated variants; same layout as the public record.
struct CpPackH {
  uint32_t plainLength; // set by the caller
  uint32_t packedLength;
  uint32_t tableLength;
  void *table;  // value-coded frequency table
  void *packed; // code stream
};

// 0 on success; -1 for null arguments, plainLength 0 or data that does not shrink;
// kHuffmanNoMemory when memory runs out. On failure the record's outputs are all 0.
int32_t huffmanEncode2(const void *input, CpPackH *pack);
// 0 when plainLength bytes came out; -1 for null arguments, zero lengths, a table that does not
// decode, a stream that ends early, or no memory.
int32_t huffmanDecode2(const CpPackH *pack, void *output);
// Frees both buffers (allocated with new[]) and zeroes the record; nothing for null.
void huffmanDeletePack(CpPackH *pack);

} // namespace kel
