// kelsys.dll: the data families' exports, thin calls into the platform-neutral cores with the
// library's process-wide state (CRC registers, generator, bit arrays, queues and stacks).
#include <windows.h>

#include "include/kelsys.h"
#include "util/core/bitarray.h"
#include "util/core/convert.h"
#include "util/core/crc.h"
#include "util/core/huffman.h"
#include "util/core/int64.h"
#include "util/core/lzss.h"
#include "util/core/queue.h"
#include "util/core/random.h"
#include "util/win/lead_byte.h"
#include "util/win/scoped_handle.h"

#include <cstddef>
#include <memory>
#include <new>

namespace {

// The public records and the cores' records are one layout, so a caller's record is used as is.
static_assert(sizeof(KEL_CPPACK) == sizeof(kel::CpPack) &&
                  offsetof(KEL_CPPACK, packedData) == offsetof(kel::CpPack, packedData),
              "CpPack layout");
static_assert(sizeof(KEL_CPPACKH) == sizeof(kel::CpPackH) &&
                  offsetof(KEL_CPPACKH, table) == offsetof(kel::CpPackH, table) &&
                  offsetof(KEL_CPPACKH, packed) == offsetof(kel::CpPackH, packed),
              "CpPackH layout");
static_assert(sizeof(KEL_OBJECT_HANDLE) == sizeof(kel::ObjectHandle) &&
                  offsetof(KEL_OBJECT_HANDLE, object) == offsetof(kel::ObjectHandle, object),
              "handle record layout");
static_assert(sizeof(KEL_BLOCK_ELEMENT) == sizeof(kel::BlockElement) &&
                  offsetof(KEL_BLOCK_ELEMENT, block) == offsetof(kel::BlockElement, block),
              "block element layout");

// The platform's movable global memory behind the cores' block interface.
const kel::GlobalMemory kGlobalMemory = {
    nullptr,
    [](void *, uint32_t size) -> void * {
      return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    },
    [](void *, void *block) -> void * { return GlobalLock(static_cast<HGLOBAL>(block)); },
    [](void *, void *block) { GlobalUnlock(static_cast<HGLOBAL>(block)); },
    [](void *, void *block) { return GlobalFree(static_cast<HGLOBAL>(block)) == nullptr; },
    [](void *, void *block) -> size_t { return GlobalSize(static_cast<HGLOBAL>(block)); },
};

kel::CrcRegisters g_crc;
kel::Random g_random;
kel::BitArrays g_bitArrays;
kel::Containers g_containers(kGlobalMemory);

// No C++ exception may cross the C interface. Running out of memory is the one that can reach
// an export; it becomes the code the export gives for that (or its failure code).
template <typename Result, typename Call>
Result atBoundary(Result onNoMemory, Call &&call) noexcept {
  try {
    return call();
  } catch (...) {
    return onNoMemory;
  }
}

using kel::FileHandle;

// The checksum of a whole file, read while others may read it but not write it; 0 when the
// file cannot be opened or there is no memory to read it with.
template <typename Accumulator> uint32_t checksumOfFile(const char *fileName) {
  if (fileName == nullptr)
    return 0;
  constexpr DWORD kChunk = 64 * 1024;
  const std::unique_ptr<unsigned char[]> chunk(new (std::nothrow) unsigned char[kChunk]);
  if (!chunk)
    return 0;
  const FileHandle file(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE)
    return 0;
  Accumulator sum;
  DWORD read = 0;
  while (ReadFile(file.get(), chunk.get(), kChunk, &read, nullptr) && read > 0)
    sum.feed(chunk.get(), read);
  return sum.value();
}

} // namespace

// ---- LZSS --------------------------------------------------------------------------------------
extern "C" int KEL_API kelCompress(int flags, const void *source, void *destination,
                                   uint32_t sourceLength, uint32_t destinationCapacity) {
  return atBoundary(kel::kLzssNoMemory, [&] {
    return kel::lzssCompress(flags, source, destination, sourceLength, destinationCapacity);
  });
}
extern "C" int KEL_API kelExpand(int flags, const void *source, void *destination,
                                 uint32_t sourceLength, uint32_t destinationLength) {
  return atBoundary(0, [&] {
    return kel::lzssExpand(flags, source, destination, sourceLength, destinationLength);
  });
}
extern "C" int KEL_API kelCompress2(int method, const void *source, KEL_CPPACK *pack) {
  return atBoundary(kel::kLzssNoMemory, [&] {
    return kel::lzssCompress2(method, source, reinterpret_cast<kel::CpPack *>(pack));
  });
}
extern "C" int KEL_API kelExpand2(int method, const KEL_CPPACK *pack, void *destination) {
  return atBoundary(-1, [&] {
    return kel::lzssExpand2(method, reinterpret_cast<const kel::CpPack *>(pack), destination);
  });
}
extern "C" int KEL_API kelDeleteCpPack(KEL_CPPACK *pack) {
  return kel::lzssDeletePack(reinterpret_cast<kel::CpPack *>(pack));
}

// ---- Huffman -----------------------------------------------------------------------------------
extern "C" int KEL_API kelEncodeH(void *output, const void *input, int, uint32_t *table512,
                                  uint32_t inputLength, uint32_t outputCapacity) {
  return atBoundary(
      0, [&] { return kel::huffmanEncode(output, input, table512, inputLength, outputCapacity); });
}
extern "C" int KEL_API kelDecodeH(int, const void *packed, void *output, uint32_t *table512,
                                  uint32_t plainLength) {
  return atBoundary(0, [&] { return kel::huffmanDecode(packed, output, table512, plainLength); });
}
extern "C" int KEL_API kelEncodeW(const uint32_t *values, void *output, uint32_t valueCount,
                                  uint32_t outputCapacity) {
  return kel::valuesEncode(values, output, valueCount, outputCapacity);
}
extern "C" int KEL_API kelDecodeW(const void *packed, uint32_t *values, uint32_t valueCount) {
  return kel::valuesDecode(packed, values, valueCount);
}
extern "C" int KEL_API kelEncodeH2(int, const void *input, KEL_CPPACKH *pack) {
  return atBoundary(kel::kHuffmanNoMemory, [&] {
    return kel::huffmanEncode2(input, reinterpret_cast<kel::CpPackH *>(pack));
  });
}
extern "C" int KEL_API kelDecodeH2(int, const KEL_CPPACKH *pack, void *output) {
  return atBoundary(-1, [&] {
    return kel::huffmanDecode2(reinterpret_cast<const kel::CpPackH *>(pack), output);
  });
}
extern "C" void KEL_API kelDeleteCpPackH(KEL_CPPACKH *pack) {
  kel::huffmanDeletePack(reinterpret_cast<kel::CpPackH *>(pack));
}

// ---- 64-bit integers, conversions, string case
// ---------------------------------------------------
extern "C" int64_t KEL_API kelAddInt64(const int64_t *a, const int64_t *b) {
  return kel::int64Add(kel::loadInt64(a), kel::loadInt64(b));
}
extern "C" int KEL_API kelCompareInt64(const int64_t *a, const int64_t *b) {
  return kel::int64Compare(kel::loadInt64(a), kel::loadInt64(b));
}
extern "C" int64_t KEL_API kelDivideInt64(const int64_t *a, const int64_t *b) {
  return kel::int64Divide(kel::loadInt64(a), kel::loadInt64(b));
}
extern "C" int64_t KEL_API kelMultiplyInt64(const int64_t *a, const int64_t *b) {
  return kel::int64Multiply(kel::loadInt64(a), kel::loadInt64(b));
}
extern "C" int64_t KEL_API kelSetInt64(const char *text) { return kel::parseInt64(text); }
extern "C" int64_t KEL_API kelSubtractInt64(const int64_t *a, const int64_t *b) {
  return kel::int64Subtract(kel::loadInt64(a), kel::loadInt64(b));
}
extern "C" void KEL_API kelCInt16ToString(int32_t value, int32_t radix, char *output) {
  kel::int16ToString(value, radix, output);
}
extern "C" void KEL_API kelCInt32ToString(int32_t value, int32_t radix, char *output) {
  kel::int32ToString(value, radix, output);
}
extern "C" char *KEL_API kelCInt64ToString(const int64_t *value, int32_t radix, char *output) {
  return kel::int64ToString(kel::loadInt64(value), radix, output);
}
extern "C" int KEL_API kelCStringToByte(const char *text, void *output) {
  return kel::stringToBytes(text, output);
}
extern "C" int KEL_API kelCByteToString(const char *text, void *output) {
  return kel::stringToBytes(text, output);
}
extern "C" void KEL_API kelCInt16ToByte(int32_t value, void *output) {
  kel::int16ToBytes(value, output);
}
extern "C" int32_t KEL_API kelCByteToInt16(const void *bytes) { return kel::bytesToInt16(bytes); }
extern "C" void KEL_API kelCInt32ToByte(int32_t value, void *output) {
  kel::int32ToBytes(value, output);
}
extern "C" int32_t KEL_API kelCByteToInt32(const void *bytes) { return kel::bytesToInt32(bytes); }
extern "C" void KEL_API kelCInt64ToByte(const int64_t *value, void *output) {
  if (value != nullptr)
    kel::int64ToBytes(kel::loadInt64(value), output);
}
extern "C" int64_t KEL_API kelCByteToInt64(const void *bytes) { return kel::bytesToInt64(bytes); }
// Japanese text keeps its two-byte characters: a second byte may look like a Latin letter.
extern "C" void KEL_API kelStringLower(char *text) { kel::stringLower(text, kel::isAnsiLeadByte); }
extern "C" void KEL_API kelStringUpper(char *text) { kel::stringUpper(text, kel::isAnsiLeadByte); }

// ---- CRC
// -------------------------------------------------------------------------------------------
extern "C" uint32_t KEL_API kelGetCRC32ofFile(const char *fileName) {
  return atBoundary(0u, [&] { return checksumOfFile<kel::Crc32Accumulator>(fileName); });
}
extern "C" uint32_t KEL_API kelGetCRC32(int reset, uint32_t length, const void *data) {
  return g_crc.getCrc32(reset, length, data);
}
extern "C" uint32_t KEL_API kelGetCRC16ofFile(const char *fileName) {
  return atBoundary(0u, [&] { return checksumOfFile<kel::Crc16Accumulator>(fileName); });
}
extern "C" uint32_t KEL_API kelGetCRC16(int reset, uint32_t length, const void *data) {
  return g_crc.getCrc16(reset, length, data);
}

// ---- bit arrays and shifts
// -----------------------------------------------------------------------
extern "C" int KEL_API kelBitArray(int operation, int32_t x, int32_t y, int32_t *slot) {
  return atBoundary(-1, [&] { return g_bitArrays.operate(operation, x, y, slot); });
}
extern "C" uint32_t KEL_API kelShiftByteL(uint32_t v, int32_t n) { return kel::shiftByteL(v, n); }
extern "C" uint32_t KEL_API kelShiftByteR(uint32_t v, int32_t n) { return kel::shiftByteR(v, n); }
extern "C" uint32_t KEL_API kelShiftInt16L(uint32_t v, int32_t n) { return kel::shiftInt16L(v, n); }
extern "C" uint32_t KEL_API kelShiftInt16R(uint32_t v, int32_t n) { return kel::shiftInt16R(v, n); }
extern "C" uint32_t KEL_API kelShiftInt32L(uint32_t v, int32_t n) { return kel::shiftInt32L(v, n); }
extern "C" uint32_t KEL_API kelShiftInt32R(uint32_t v, int32_t n) { return kel::shiftInt32R(v, n); }
extern "C" uint64_t KEL_API kelShiftInt64L(const uint64_t *v, int32_t n) {
  return kel::shiftInt64L(static_cast<uint64_t>(kel::loadInt64(v)), n);
}
extern "C" uint64_t KEL_API kelShiftInt64R(const uint64_t *v, int32_t n) {
  return kel::shiftInt64R(static_cast<uint64_t>(kel::loadInt64(v)), n);
}

// ---- random numbers and memory blocks
// --------------------------------------------------------------
extern "C" uint32_t KEL_API kelSetSeed(uint32_t seed) { return g_random.setSeed(seed); }
extern "C" uint32_t KEL_API kelRand0i(void) { return g_random.nextInt(); }
extern "C" double KEL_API kelRand0d(void) { return g_random.nextDouble(); }
extern "C" uint32_t KEL_API kelCopyMemory(void *destination, const void *source, uint32_t length) {
  return kel::copyMemory(destination, source, length);
}
extern "C" void KEL_API kelFillMemory(void *destination, int32_t value, uint32_t length) {
  kel::fillMemory(destination, value, length);
}
extern "C" void KEL_API kelGlobalCopy(void *destination, HGLOBAL block, uint32_t length) {
  kel::globalCopy(destination, block, length, kGlobalMemory);
}

// ---- queues and stacks
// --------------------------------------------------------------------------------
extern "C" int KEL_API kelQueue(int operation, KEL_OBJECT_HANDLE *handle, void *argument) {
  return atBoundary(-1, [&] {
    return g_containers.queue(operation, reinterpret_cast<kel::ObjectHandle *>(handle), argument);
  });
}
extern "C" int KEL_API kelStack(int operation, KEL_OBJECT_HANDLE *handle, void *argument) {
  return atBoundary(-100, [&] {
    return g_containers.stack(operation, reinterpret_cast<kel::ObjectHandle *>(handle), argument);
  });
}
