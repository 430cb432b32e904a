/* kelsys_example.c: checksums, an LZSS round trip and 64-bit arithmetic through kelsys.dll.
 *
 * usage: kelsys_example [text]      (the text defaults to "123456789")
 * Prints the CRC-32 and CRC-16 of the text, compresses a block built from it and expands it
 * again, and multiplies two 64-bit numbers.
 */
#include <stdio.h>
#include <string.h>

#include "kelsys.h"

int main(int argc, char **argv) {
  const char *text = argc > 1 ? argv[1] : "123456789";
  const uint32_t length = (uint32_t)strlen(text);

  /* The incremental checksums keep one running register per process: reset, then feed. */
  kelGetCRC32(1, 0, NULL);
  const uint32_t crc32 = kelGetCRC32(0, length, text);
  kelGetCRC16(1, 0, NULL);
  const uint32_t crc16 = kelGetCRC16(0, length, text);
  printf("crc32 %08X\n", (unsigned)crc32);
  printf("crc16 %04X\n", (unsigned)crc16);

  /* A block of 64 copies of the text (compressible), packed with the 32 KB window (method 5).
   * The pack record is ours; its packedData belongs to the library until kelDeleteCpPack. */
  static char plain[64 * 256], unpacked[sizeof plain];
  const uint32_t part = length < 256 ? length : 256;
  uint32_t plainLength = 0;
  for (int i = 0; i < 64; ++i) {
    memcpy(plain + plainLength, text, part);
    plainLength += part;
  }
  KEL_CPPACK pack;
  memset(&pack, 0, sizeof pack);
  pack.plainLength = plainLength;
  int rc = kelCompress2(5, plain, &pack);
  if (rc != KEL_OK) {
    printf("lzss: kelCompress2 failed with %d\n", rc);
    return 1;
  }
  rc = kelExpand2(5, &pack, unpacked);
  const int same = rc == KEL_OK && memcmp(plain, unpacked, plainLength) == 0;
  printf("lzss %u -> %u bytes, round trip %s\n", (unsigned)plainLength, (unsigned)pack.packedLength,
         same ? "ok" : "FAILED");
  kelDeleteCpPack(&pack);

  /* 64-bit numbers travel by address; results come back as 64-bit values. */
  const int64_t a = 5000000000LL, b = -3;
  const int64_t product = kelMultiplyInt64(&a, &b);
  char digits[80];
  kelCInt64ToString(&product, 10, digits);
  printf("int64 %s\n", digits);
  return same ? 0 : 1;
}
