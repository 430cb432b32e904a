/* kelsys.h: the C interface of kelsys.dll, the general utility library.
 *
 * Conventions for every export:
 *  - stdcall (KEL_API), undecorated names, narrow strings in the system's ANSI code page.
 *  - Results are signed 32-bit: 0 (or a count) for success, negative numbers for failure,
 *    a few positive codes for conditions that are no failure. Exports that return a 64-bit
 *    value say so.
 *  - Every buffer and record passed in belongs to the caller and is only borrowed for the
 *    call; no export keeps a caller's pointer. Where a buffer size is not an argument, the
 *    buffer must hold KEL_MAX_PATH (260) bytes.
 *  - The only exceptions to caller ownership are the data buffers inside KEL_CPPACK and
 *    KEL_CPPACKH, which the library allocates and kelDeleteCpPack/kelDeleteCpPackH release.
 *  - The library keeps process-wide state (system context, compressor and coder state,
 *    generator state, bit-array slots, the queue iteration cursor); callers serialise calls.
 *  - Times cross the interface as SYSTEMTIME in local time; the library converts to and
 *    from the file system's UTC.
 *
 * Record layouts are given for the 32-bit build (pointers 4 bytes); in the 64-bit build
 * pointer and handle fields are 8 bytes wide and the offsets after them move accordingly.
 */
#ifndef KELSYS_H
#define KELSYS_H

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#define KEL_API __stdcall

#ifdef __cplusplus
extern "C" {
#endif

#define KEL_MAX_PATH 260

/* ---- result codes ------------------------------------------------------------------- */
#define KEL_OK 0
#define KEL_FAILED (-1)
#define KEL_ERR_LIST_FILE (-200)      /* kelSearchDirectory: the list file cannot be created */
#define KEL_STOPPED (-201)            /* kelSearchDirectory: the callback stopped the search */
#define KEL_ERR_NO_MEMORY (-301)      /* kelCompress/kelCompress2: no working memory */
#define KEL_ERR_HUFFMAN_MEMORY (-400) /* kelEncodeH2: memory ran out */
#define KEL_ERR_FULL (-2)             /* kelQueue/kelStack put or push: the object is full */
#define KEL_ERR_BLOCK_MEMORY (-100)   /* kelQueue/kelStack: a block cannot be allocated */

/* ---- file times and attributes ------------------------------------------------------ */
/* kelOperateFileTime code: which times (bits 0-2) and the direction (bits 8-15). */
#define KEL_TIME_CREATION 0x0001
#define KEL_TIME_ACCESS 0x0002
#define KEL_TIME_WRITE 0x0004
#define KEL_TIME_GET 0x0000
#define KEL_TIME_SET 0x0100

/* Reads (code bits 8-15 = 0) or writes (= 1) the selected times of a file or folder.
 * Records whose bit is clear or whose pointer is null are skipped; on a set they are not
 * changed. Times are local, in the system's time zone both ways (a TZ variable in the
 * environment does not count). A set keeps UTC 1970-01-01 00:00:00 to 3000-12-31 23:59:59;
 * a year before 1900 stands for the first of these seconds. Reading asks only for
 * attribute-read access and writing only for attribute-write access, both sharing read,
 * write and delete with other programs. Returns 0, or -1 for an empty path, three null
 * records, an unknown direction, an item that cannot be found or opened, a time outside the
 * calendar, or a failed platform call. */
int KEL_API kelOperateFileTime(int code, const char *path, SYSTEMTIME *creation,
                               SYSTEMTIME *lastAccess, SYSTEMTIME *lastWrite);
/* Stores the attribute word (0xFFFFFFFF when the item does not exist); 0, or -1 when the
 * word is 0xFFFFFFFF or an argument is null (then nothing is written). */
int KEL_API kelGetFileAttributes(const char *path, uint32_t *attributes);
/* Sets the attribute word as given; 0 or -1. */
int KEL_API kelSetFileAttributes(const char *path, uint32_t attributes);
/* The size of a file in bytes (also when another program holds it open), or -1. */
int64_t KEL_API kelGetFileSize(const char *path);

/* ---- drives and volumes ------------------------------------------------------------- */
/* 524 bytes, filled by kelGetVolumeInformation. */
typedef struct KEL_VOLUME_INFO {
  char volumeName[256];
  uint32_t serialNumber;
  uint32_t maxComponentLength;
  uint32_t fileSystemFlags;
  char fileSystemName[256];
} KEL_VOLUME_INFO;

/* 0 when the free space of the drive named by the first two characters ("C:") can be read,
 * else -1 (also for a null argument). */
int KEL_API kelCheckActiveDrive(const char *drive);
/* Free bytes available to the caller and total bytes of the volume holding root; both are set
 * to 0 first. Where only the older cluster query exists the total stays 0. 0, or -1 (with a
 * null argument nothing is written). */
int KEL_API kelGetDiskSize(const char *root, uint64_t *freeBytes, uint64_t *totalBytes);
/* The platform's drive type (0-6) of the first two characters followed by a backslash; a
 * longer designator is cut ("C:\Windows" asks about "C:\"). -1 for a null argument. */
int KEL_API kelGetDriveType(const char *drive);
uint32_t KEL_API kelGetLogicalDrives(void);
/* 0, or -1 for a null argument or a failed query; a failed query leaves the record as it was. */
int KEL_API kelGetVolumeInformation(const char *root, KEL_VOLUME_INFO *info);

/* ---- file names, versions, system paths, temporary files ---------------------------- */
/* The four parts of the file version resource, each zero-extended; 0, or -1 (the four
 * numbers unchanged) when the file has no version resource. */
int KEL_API kelGetFileVersion(const char *path, uint32_t *major, uint32_t *minor, uint32_t *build,
                              uint32_t *revision);
/* The capacity given to the platform is the length of the string the buffer holds on
 * entry: fill it (for example with 259 blanks) before the call. Returns the platform's
 * result: the length copied, the size needed when the buffer is too small, or 0; with a
 * null path, the length of the buffer's string; with a null buffer, 0. */
int KEL_API kelGetLongFileName(const char *shortPath, char *buffer);
int KEL_API kelGetShortFileName(const char *longPath, char *buffer);
/* The buffer's first three characters are the prefix; an empty file is created in the
 * temporary folder and its full name written into the buffer. 0 or -1. The caller removes
 * the file. */
int KEL_API kelGetTempFileName(char *buffer);
/* type 1: Windows folder, 2: system folder; 0 or -1. Other types: 0, buffer unchanged. */
int KEL_API kelGetWindowsPath(int type, char *buffer);
/* A shell folder by CSIDL; 1 on success, 0 on failure. */
int KEL_API kelGetSpecialFolderPath(char *buffer, int csidl);

/* ---- directory search and folder selection ------------------------------------------ */
#define KEL_SEARCH_RECURSIVE 0x001
#define KEL_SEARCH_FOLDERS 0x002
#define KEL_SEARCH_ARCHIVE 0x100
#define KEL_SEARCH_HIDDEN 0x200
#define KEL_SEARCH_READONLY 0x400
#define KEL_SEARCH_SYSTEM 0x800

/* Called for every item found; data is the address of the record's data member. Return 0
 * to stop the search, anything else to go on. */
typedef int(KEL_API *KEL_SEARCH_CALLBACK)(void *data, const char *path, uint32_t attributes,
                                          uintptr_t userValue);
typedef struct KEL_SEARCH_RECORD {
  KEL_SEARCH_CALLBACK callback; /* null: no callback */
  uintptr_t userValue;          /* passed back unchanged */
  uint8_t data[1];              /* the caller's own data begins here */
} KEL_SEARCH_RECORD;

/* Walks folder (with KEL_SEARCH_RECURSIVE its tree, depth first in the platform's order) and
 * reports every item matching pattern whose attributes pass the filter: to the callback, as a
 * line "path\r\n" in the list file (created anew; deleted again when nothing was found), and
 * with KEL_SEARCH_FOLDERS the start folder first. Paths are never longer than 259 bytes: an item
 * whose full path would not fit is passed over, and so is everything below it. An item whose
 * attributes cannot be read (gone, or a name the code page cannot carry) comes with the word
 * 0xFFFFFFFF, which carries all four filtered attributes: only a search accepting all four
 * reports it.
 * 0 when the walk ran to the end, -201 when the callback stopped it (the list keeps what was
 * written), -200 when the list file cannot be created (nothing searched), -1 for a null folder
 * or pattern, or when folder, backslash and pattern do not fit in 259 bytes. */
int KEL_API kelSearchDirectory(int flags, const char *folder, const char *pattern,
                               const char *listFile, KEL_SEARCH_RECORD *record);

#define KEL_DIRLIST_NEW_STYLE 1
#define KEL_DIRLIST_NO_ADJUST (-1)
#define KEL_DIRLIST_NO_CAPTION ((int32_t)0xF0000001)
/* 36 bytes in the 32-bit build. */
typedef struct KEL_DIRLIST_OPTIONS {
  HWND owner;
  int32_t mode;  /* 1 new-style dialog, else classic */
  int32_t x, y;  /* negative: the system's place */
  int32_t width; /* classic only; 0 or less: the system's size */
  int32_t height;
  const char *title;
  const char *initialFolder; /* or null */
  int32_t layout;            /* -1, KEL_DIRLIST_NO_CAPTION, or anything else: adjust */
} KEL_DIRLIST_OPTIONS;

/* Shows the shell's folder dialog (Box1: classic, at the system's place and size) and copies
 * the chosen file-system folder into buffer (KEL_MAX_PATH bytes). 1 when a folder was copied;
 * 0 when the dialog was cancelled or the choice is no file-system folder (buffer unchanged),
 * and 0 without showing anything for a null buffer or options record. The owner is kept in the
 * library's system context until the next call. */
int KEL_API kelShowDirListBox1(HWND owner, const char *title, char *buffer);
int KEL_API kelShowDirListBox2(const KEL_DIRLIST_OPTIONS *options, char *buffer);

/* ---- registry and system information ------------------------------------------------ */
#define KEL_REG_WRITE 1
#define KEL_REG_READ 2
#define KEL_REG_MEASURE 3
#define KEL_ROOT_CLASSES_ROOT 1
#define KEL_ROOT_CURRENT_CONFIG 2
#define KEL_ROOT_CURRENT_USER 3
#define KEL_ROOT_LOCAL_MACHINE 4
#define KEL_ROOT_USERS 5

/* Writes, reads or measures one value. A read clears *size bytes of data first, never
 * writes more than *size bytes (a larger value gives -1), and leaves the value's stored
 * size in *size. 0 or -1. */
int KEL_API kelOperateRegData(int operation, int root, const char *subkey, const char *valueName,
                              uint32_t type, void *data, uint32_t *size);
int KEL_API kelGetComputerName(char *buffer256);
int KEL_API kelGetLoginName(char *buffer256); /* always 0 */
void KEL_API kelGetWinVersion(OSVERSIONINFOA *info);
void KEL_API kelGetMemoryStatus(MEMORYSTATUS *status);

/* ---- LZSS compression --------------------------------------------------------------- */
typedef struct KEL_CPPACK {
  uint32_t plainLength;  /* set by the caller */
  uint32_t packedLength; /* set by kelCompress2 */
  void *packedData;      /* allocated by the library, released by kelDeleteCpPack */
} KEL_CPPACK;

int KEL_API kelCompress(int flags, const void *source, void *destination, uint32_t sourceLength,
                        uint32_t destinationCapacity);
int KEL_API kelExpand(int flags, const void *source, void *destination, uint32_t sourceLength,
                      uint32_t destinationLength);
int KEL_API kelCompress2(int method, const void *source, KEL_CPPACK *pack);
int KEL_API kelExpand2(int method, const KEL_CPPACK *pack, void *destination);
int KEL_API kelDeleteCpPack(KEL_CPPACK *pack);

/* ---- Huffman coding ----------------------------------------------------------------- */
typedef struct KEL_CPPACKH {
  uint32_t plainLength; /* set by the caller */
  uint32_t packedLength;
  uint32_t tableLength;
  void *table;  /* value-coded frequency table, allocated by the library */
  void *packed; /* code stream, allocated by the library */
} KEL_CPPACKH;

int KEL_API kelEncodeH(void *output, const void *input, int ignored, uint32_t *table512,
                       uint32_t inputLength, uint32_t outputCapacity);
int KEL_API kelDecodeH(int ignored, const void *packed, void *output, uint32_t *table512,
                       uint32_t plainLength);
int KEL_API kelEncodeW(const uint32_t *values, void *output, uint32_t valueCount,
                       uint32_t outputCapacity);
int KEL_API kelDecodeW(const void *packed, uint32_t *values, uint32_t valueCount);
int KEL_API kelEncodeH2(int ignored, const void *input, KEL_CPPACKH *pack);
int KEL_API kelDecodeH2(int ignored, const KEL_CPPACKH *pack, void *output);
void KEL_API kelDeleteCpPackH(KEL_CPPACKH *pack);

/* ---- 64-bit integers, conversions, string case -------------------------------------- */
int64_t KEL_API kelAddInt64(const int64_t *a, const int64_t *b);
int KEL_API kelCompareInt64(const int64_t *a, const int64_t *b);
int64_t KEL_API kelDivideInt64(const int64_t *a, const int64_t *b);
int64_t KEL_API kelMultiplyInt64(const int64_t *a, const int64_t *b);
int64_t KEL_API kelSetInt64(const char *text);
int64_t KEL_API kelSubtractInt64(const int64_t *a, const int64_t *b);
void KEL_API kelCInt16ToString(int32_t value, int32_t radix, char *output);
void KEL_API kelCInt32ToString(int32_t value, int32_t radix, char *output);
char *KEL_API kelCInt64ToString(const int64_t *value, int32_t radix, char *output);
int KEL_API kelCStringToByte(const char *text, void *output);
int KEL_API kelCByteToString(const char *text, void *output);
void KEL_API kelCInt16ToByte(int32_t value, void *output);
int32_t KEL_API kelCByteToInt16(const void *bytes);
void KEL_API kelCInt32ToByte(int32_t value, void *output);
int32_t KEL_API kelCByteToInt32(const void *bytes);
void KEL_API kelCInt64ToByte(const int64_t *value, void *output);
int64_t KEL_API kelCByteToInt64(const void *bytes);
void KEL_API kelStringLower(char *text);
void KEL_API kelStringUpper(char *text);

/* ---- CRC ---------------------------------------------------------------------------- */
uint32_t KEL_API kelGetCRC32ofFile(const char *fileName);
uint32_t KEL_API kelGetCRC32(int reset, uint32_t length, const void *data);
uint32_t KEL_API kelGetCRC16ofFile(const char *fileName);
uint32_t KEL_API kelGetCRC16(int reset, uint32_t length, const void *data);

/* ---- bit arrays and shifts ---------------------------------------------------------- */
#define KEL_BITS_CREATE 1
#define KEL_BITS_SET 2
#define KEL_BITS_CLEAR 3
#define KEL_BITS_TEST 4
#define KEL_BITS_DELETE 5
int KEL_API kelBitArray(int operation, int32_t x, int32_t y, int32_t *slot);
uint32_t KEL_API kelShiftByteL(uint32_t value, int32_t count);
uint32_t KEL_API kelShiftByteR(uint32_t value, int32_t count);
uint32_t KEL_API kelShiftInt16L(uint32_t value, int32_t count);
uint32_t KEL_API kelShiftInt16R(uint32_t value, int32_t count);
uint32_t KEL_API kelShiftInt32L(uint32_t value, int32_t count);
uint32_t KEL_API kelShiftInt32R(uint32_t value, int32_t count);
uint64_t KEL_API kelShiftInt64L(const uint64_t *value, int32_t count);
uint64_t KEL_API kelShiftInt64R(const uint64_t *value, int32_t count);

/* ---- random numbers and memory blocks ----------------------------------------------- */
uint32_t KEL_API kelSetSeed(uint32_t seed);
uint32_t KEL_API kelRand0i(void);
double KEL_API kelRand0d(void);
uint32_t KEL_API kelCopyMemory(void *destination, const void *source, uint32_t length);
void KEL_API kelFillMemory(void *destination, int32_t value, uint32_t length);
void KEL_API kelGlobalCopy(void *destination, HGLOBAL block, uint32_t length);

/* ---- queues and stacks -------------------------------------------------------------- */
#define KEL_KIND_INT32 0
#define KEL_KIND_INT16 1
#define KEL_KIND_INT64 2
#define KEL_KIND_BYTE 3
#define KEL_KIND_FLOAT 4
#define KEL_KIND_DOUBLE 5
#define KEL_KIND_BLOCK 6

typedef struct KEL_BLOCK_ELEMENT {
  uint32_t size; /* bytes of the block */
  uint32_t held; /* 1 while the element holds a block */
  HGLOBAL block; /* global memory handle, or on a put of a new block the source address */
} KEL_BLOCK_ELEMENT;

typedef struct KEL_OBJECT_HANDLE {
  uint32_t capacity;
  uint32_t kind;
  void *object; /* the library's queue or stack; null when none */
} KEL_OBJECT_HANDLE;

typedef struct KEL_OBJECT_PARAMS {
  uint32_t kind;
  uint32_t capacity;
} KEL_OBJECT_PARAMS;

#define KEL_OBJ_CREATE 0x000
#define KEL_OBJ_DESTROY 0x100
#define KEL_OBJ_TAKE 0x200 /* queue take, stack pop */
#define KEL_OBJ_PUT 0x300  /* queue put, stack push */
#define KEL_OBJ_PEEK 0x400
#define KEL_OBJ_FREE_BLOCK 0x500
#define KEL_OBJ_COUNT 0x600    /* queue only */
#define KEL_OBJ_CONTAINS 0x700 /* queue only */
#define KEL_OBJ_REWIND 0x800   /* queue only */
#define KEL_OBJ_NEXT 0x900     /* queue only */
int KEL_API kelQueue(int operation, KEL_OBJECT_HANDLE *handle, void *argument);
int KEL_API kelStack(int operation, KEL_OBJECT_HANDLE *handle, void *argument);

/* ---- window and time utilities ------------------------------------------------------ */
/* Removes the window's first waiting mouse message and first waiting key message; 0 when one
 * was a left-button release or a release of Enter, else 1. Call from the window's thread. */
int KEL_API kelCaptureButton(HWND window);
/* which 1: local time, anything else: UTC. A null record is ignored. */
void KEL_API kelGetTime(SYSTEMTIME *time, int which);
/* Non-zero on success; 0 for a null record or a failed call. */
int KEL_API kelGetClient(HWND window, RECT *rect);
int KEL_API kelGetWorkArea(RECT *rect, int ignored);

#ifdef __cplusplus
}
#endif

/* The 32-bit layouts are part of the contract: pin them. */
#if defined(_WIN32) && !defined(_WIN64)
#ifdef __cplusplus
#define KEL_STATIC_ASSERT static_assert
#else
#define KEL_STATIC_ASSERT _Static_assert
#endif
KEL_STATIC_ASSERT(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME");
KEL_STATIC_ASSERT(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA");
KEL_STATIC_ASSERT(sizeof(KEL_VOLUME_INFO) == 524, "KEL_VOLUME_INFO");
KEL_STATIC_ASSERT(offsetof(KEL_VOLUME_INFO, serialNumber) == 256, "serialNumber");
KEL_STATIC_ASSERT(offsetof(KEL_VOLUME_INFO, maxComponentLength) == 260, "maxComponentLength");
KEL_STATIC_ASSERT(offsetof(KEL_VOLUME_INFO, fileSystemFlags) == 264, "fileSystemFlags");
KEL_STATIC_ASSERT(offsetof(KEL_VOLUME_INFO, fileSystemName) == 268, "fileSystemName");
KEL_STATIC_ASSERT(offsetof(KEL_SEARCH_RECORD, userValue) == 4, "userValue");
KEL_STATIC_ASSERT(offsetof(KEL_SEARCH_RECORD, data) == 8, "data");
KEL_STATIC_ASSERT(sizeof(KEL_DIRLIST_OPTIONS) == 36, "KEL_DIRLIST_OPTIONS");
KEL_STATIC_ASSERT(offsetof(KEL_DIRLIST_OPTIONS, mode) == 4, "mode");
KEL_STATIC_ASSERT(offsetof(KEL_DIRLIST_OPTIONS, x) == 8, "x");
KEL_STATIC_ASSERT(offsetof(KEL_DIRLIST_OPTIONS, y) == 12, "y");
KEL_STATIC_ASSERT(offsetof(KEL_DIRLIST_OPTIONS, width) == 16, "width");
KEL_STATIC_ASSERT(offsetof(KEL_DIRLIST_OPTIONS, height) == 20, "height");
KEL_STATIC_ASSERT(offsetof(KEL_DIRLIST_OPTIONS, title) == 24, "title");
KEL_STATIC_ASSERT(offsetof(KEL_DIRLIST_OPTIONS, initialFolder) == 28, "initialFolder");
KEL_STATIC_ASSERT(offsetof(KEL_DIRLIST_OPTIONS, layout) == 32, "layout");
KEL_STATIC_ASSERT(sizeof(KEL_CPPACK) == 12, "KEL_CPPACK");
KEL_STATIC_ASSERT(offsetof(KEL_CPPACK, packedLength) == 4, "packedLength");
KEL_STATIC_ASSERT(offsetof(KEL_CPPACK, packedData) == 8, "packedData");
KEL_STATIC_ASSERT(sizeof(KEL_CPPACKH) == 20, "KEL_CPPACKH");
KEL_STATIC_ASSERT(offsetof(KEL_CPPACKH, tableLength) == 8, "tableLength");
KEL_STATIC_ASSERT(offsetof(KEL_CPPACKH, table) == 12, "table");
KEL_STATIC_ASSERT(offsetof(KEL_CPPACKH, packed) == 16, "packed");
KEL_STATIC_ASSERT(sizeof(KEL_BLOCK_ELEMENT) == 12, "KEL_BLOCK_ELEMENT");
KEL_STATIC_ASSERT(offsetof(KEL_BLOCK_ELEMENT, held) == 4, "held");
KEL_STATIC_ASSERT(offsetof(KEL_BLOCK_ELEMENT, block) == 8, "block");
KEL_STATIC_ASSERT(sizeof(KEL_OBJECT_HANDLE) == 12, "KEL_OBJECT_HANDLE");
KEL_STATIC_ASSERT(offsetof(KEL_OBJECT_HANDLE, kind) == 4, "kind");
KEL_STATIC_ASSERT(offsetof(KEL_OBJECT_HANDLE, object) == 8, "object");
KEL_STATIC_ASSERT(sizeof(KEL_OBJECT_PARAMS) == 8, "KEL_OBJECT_PARAMS");
#endif

#endif /* KELSYS_H */
