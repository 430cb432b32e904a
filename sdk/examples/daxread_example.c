/* daxread_example.c: lists the EXIF entries of an image file through daxread.dll.
 *
 * usage: daxread_example <file.jpg> [language library]
 * The labels come from the language library (default dax2enc.dll, English; dax2jpn.dll gives
 * Japanese labels in the ANSI code page). Prints one line per entry, "group tag label: value",
 * then the number of entries, the thumbnail's kind and size and its first bytes.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "daxread.h"

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: daxread_example <file.jpg> [language library]\n");
    return 2;
  }
  /* daxInitialize reads up to 260 bytes of the name: give it a full buffer. */
  char language[260] = "dax2enc.dll";
  if (argc > 2)
    snprintf(language, sizeof language, "%s", argv[2]);
  int rc = daxInitialize(language);
  if (rc != DAX_OK) {
    printf("daxInitialize: %d (no language library)\n", rc);
    return 1;
  }

  /* Analyse with the path given (0x100), the second IFD and the thumbnail (0x200). */
  char path[260];
  snprintf(path, sizeof path, "%s", argv[1]);
  const int analysed = daxBeginProcessing(DAX_OP_ANALYZE | DAX_MOD_100 | DAX_MOD_200, path);
  if (analysed < 0) {
    printf("analyse: %d\n", analysed);
    return 1;
  }

  DAX_ITERATION iteration = {DAX_LABEL_CAPACITY, DAX_VALUE_CAPACITY};
  const int total = daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &iteration);
  static char label[DAX_LABEL_CAPACITY], value[DAX_VALUE_CAPACITY];
  DAX_ENTRY entry;
  memset(&entry, 0, sizeof entry);
  entry.label = label;
  entry.value = value;
  int listed = 0;
  while (listed < total) {
    rc = daxBeginProcessing(DAX_OP_NEXT_ENTRY, &entry);
    if (rc < 0)
      break;
    ++listed;
    printf("%d 0x%04X %s: %s\n", (int)entry.group, (unsigned)entry.tag, label, value);
    if (rc == DAX_LAST_ENTRY)
      break;
  }
  printf("entries %d of %d\n", listed, total);

  /* With 0x100 the record receives only the kind and the size; a second call with a buffer
   * of exactly that size receives the bytes. A compressed thumbnail (kind 6: JPEG) comes as a
   * block of 65535 + its length bytes with the stream at the start. */
  DAX_THUMBNAIL thumbnail;
  memset(&thumbnail, 0, sizeof thumbnail);
  rc = daxBeginProcessing(DAX_OP_THUMBNAIL | DAX_MOD_100, &thumbnail);
  if (rc == DAX_OK && thumbnail.size > 0) {
    printf("thumbnail kind %d, %d bytes\n", (int)thumbnail.kind, (int)thumbnail.size);
    unsigned char *bytes = malloc((size_t)thumbnail.size);
    thumbnail.buffer = bytes;
    if (bytes != NULL && daxBeginProcessing(DAX_OP_THUMBNAIL, &thumbnail) == DAX_OK) {
      printf("thumbnail starts");
      for (int i = 0; i < 8 && i < thumbnail.size; ++i)
        printf(" %02X", bytes[i]);
      printf("\n");
    }
    free(bytes);
  } else {
    printf("thumbnail: %d\n", rc);
  }

  daxBeginProcessing(DAX_OP_RELEASE, NULL);
  return listed == total ? 0 : 1;
}
