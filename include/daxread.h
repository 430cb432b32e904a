/* daxread.h: the C interface of daxread.dll, the EXIF reader.
 *
 * The reader walks the Exif segment of a JPEG file (or a TIFF file), renders every tag as a
 * label and a value text, and hands the entries out one by one; labels and value names come
 * from a language resource library (dax2jpn.dll, or dax2enc.dll) that daxInitialize loads.
 * The reader keeps one process-wide engine (result tables, iteration cursor, capacities):
 * callers serialise their calls. It owns its result tables until the next analysis or
 * release; every record and buffer passed in stays the caller's.
 *
 * Results: 0 or a count for success, 100 for the last entry of an iteration, negative codes
 * for failures (below). Layouts are those of the 32-bit build; pointers are 8 bytes in the
 * 64-bit build.
 */
#ifndef DAXREAD_H
#define DAXREAD_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#define DAX_API __stdcall
#else
#define DAX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define DAX_LABEL_CAPACITY 1024
#define DAX_VALUE_CAPACITY 65536

/* ---- result codes ---- */
#define DAX_OK 0
#define DAX_LAST_ENTRY 100
#define DAX_ERR_ARGUMENT (-1)
#define DAX_ERR_CANCELLED (-100)
#define DAX_ERR_READ (-101)
#define DAX_ERR_TIFF_HEADER (-102)
#define DAX_ERR_NO_EXIF (-103)
#define DAX_ERR_NO_MEMORY (-104)
#define DAX_ERR_NO_RESOURCES (-107)
#define DAX_ERR_NO_THUMBNAIL (-108)

/* ---- group ids ---- */
#define DAX_GROUP_IFD0 0
#define DAX_GROUP_IFD1 1
#define DAX_GROUP_EXIF 34665
#define DAX_GROUP_GPS 34853
#define DAX_GROUP_INTEROP 40965

/* ---- daxBeginProcessing codes: operation in the low byte, modifiers 0x100 and 0x200 ---- */
#define DAX_OP_RELEASE 0
#define DAX_OP_ANALYZE 1
#define DAX_OP_BEGIN_ITERATION 3
#define DAX_OP_NEXT_ENTRY 4
#define DAX_OP_THUMBNAIL 5
#define DAX_MOD_100 0x100 /* analyze: path given; iteration: backward; release: thumbnail only */
#define DAX_MOD_200 0x200 /* analyze: second IFD and thumbnail; thumbnail: raw buffer */

/* Operation 3: capacities in characters, in and out (clamped to 1024 and 65536). */
typedef struct DAX_ITERATION {
  int32_t labelCapacity;
  int32_t valueCapacity;
} DAX_ITERATION;

/* Operation 4: one entry. */
typedef struct DAX_ENTRY {
  int32_t group; /* out */
  uint16_t tag;  /* out */
  uint16_t unused;
  char *label; /* the caller's label buffer */
  char *value; /* the caller's value buffer */
} DAX_ENTRY;

/* Operation 5: the thumbnail. */
typedef struct DAX_THUMBNAIL {
  int32_t kind; /* out: 1 uncompressed (a TIFF file), else the compressed stream */
  int32_t size; /* in: the buffer's size; out: the thumbnail's size */
  void *buffer; /* the caller's buffer */
} DAX_THUMBNAIL;

/* Loads the language resource library by name (read up to its NUL, at most 260 bytes), falling
 * back to dax2jpn.dll and then dax2enc.dll; it is loaded as data, so no code of it runs. 0, or
 * -107 when none could be loaded. */
int DAX_API daxInitialize(const char *name);
/* Runs one operation (see the codes above); argument depends on the operation:
 *  - 1 analyse: a 260-byte path buffer (with DAX_MOD_100 it holds the path; without it a file
 *    dialog fills it). Returns the number of entries, or an error code; a failure keeps the
 *    previous results.
 *  - 3 begin iteration: DAX_ITERATION; 4 next entry: DAX_ENTRY (0, 100 at the last entry, -1);
 *    both buffers of DAX_ENTRY must take their full capacity.
 *  - 5 thumbnail: DAX_THUMBNAIL (a buffer of at least `size` bytes; kind and size are always
 *    set), or with DAX_MOD_200 a raw buffer that must take the whole thumbnail, whose size
 *    the record form tells first; a buffer that cannot take it gives -1 and nothing is
 *    copied. -108 when the file has no thumbnail.
 *  - 0 release. */
int DAX_API daxBeginProcessing(int code, void *argument);
/* The four parts of a file's version; 0 or -1. The sixth argument is not used. */
int DAX_API daxGetFileVersion(const char *path, uint32_t *major, uint32_t *minor, uint32_t *build,
                              uint32_t *revision, uint32_t reserved);

#ifdef __cplusplus
}
#endif

#if defined(_WIN32) && !defined(_WIN64)
#ifdef __cplusplus
#define DAX_STATIC_ASSERT static_assert
#else
#define DAX_STATIC_ASSERT _Static_assert
#endif
DAX_STATIC_ASSERT(sizeof(DAX_ITERATION) == 8, "DAX_ITERATION");
DAX_STATIC_ASSERT(offsetof(DAX_ITERATION, valueCapacity) == 4, "valueCapacity");
DAX_STATIC_ASSERT(sizeof(DAX_ENTRY) == 16, "DAX_ENTRY");
DAX_STATIC_ASSERT(offsetof(DAX_ENTRY, tag) == 4, "tag");
DAX_STATIC_ASSERT(offsetof(DAX_ENTRY, label) == 8, "label");
DAX_STATIC_ASSERT(offsetof(DAX_ENTRY, value) == 12, "value");
DAX_STATIC_ASSERT(sizeof(DAX_THUMBNAIL) == 12, "DAX_THUMBNAIL");
DAX_STATIC_ASSERT(offsetof(DAX_THUMBNAIL, size) == 4, "size");
DAX_STATIC_ASSERT(offsetof(DAX_THUMBNAIL, buffer) == 8, "buffer");
#endif

#endif /* DAXREAD_H */
