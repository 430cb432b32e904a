/* vopimg.h: the C interface of vopimg.dll, the image processing library.
 *
 * Images are device-independent bitmap sections behind opaque handles that only the library
 * creates and destroys (vopDestroyImage). Colours are 0x00BBGGRR. Long operations take a
 * progress hook as their last argument (or null). Every record passed in stays the caller's
 * and is only borrowed for the call. The library keeps one process-wide engine (caches,
 * colour-count table, history mode): callers serialise their calls.
 *
 * Results: 0 for success, negative codes for failures, 550 for a cancelled dialog and 551
 * for an existing file. Layouts are those of the 32-bit build.
 *
 * The records of the operations that are not built yet are declared as incomplete types;
 * they are completed with their operations.
 *
 * Handles: by default a handle is the image itself. After vopInitialize with 16 (call it once,
 * right after loading the library, before creating images) every new handle carries an undo
 * history of up to 8 states; editing calls record their result there unless VOP_NO_UNDO is
 * set, and vopReverseAction steps back and forth. Never change the mode while holding handles.
 */
#ifndef VOPIMG_H
#define VOPIMG_H

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#define VOP_API __stdcall

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VOP_IMAGE_RECORD *VOP_IMAGE; /* opaque image handle; null on failure */

#define VOP_CANCELLED 550
#define VOP_FILE_EXISTS 551

/* The rectangle of the adjustments, in pixels. */
typedef struct VOP_REGION {
  int32_t left, right, top, bottom;
} VOP_REGION;

/* Gamma: 28 bytes (packed to 4, so no tail padding after the double). */
#pragma pack(push, 4)
typedef struct VOP_GAMMA_PARAMS {
  double gamma;
  uint32_t channels;
  VOP_REGION region;
} VOP_GAMMA_PARAMS;
#pragma pack(pop)

/* Tone curve: 276 bytes; entry i of the table is the output level of input level i. */
typedef struct VOP_TONE_CURVE_PARAMS {
  uint8_t table[256];
  uint32_t channels;
  VOP_REGION region;
} VOP_TONE_CURVE_PARAMS;

/* Contrast: 24 bytes. */
typedef struct VOP_CONTRAST_PARAMS {
  int32_t amount;
  int32_t channel; /* 1 red, 2 green, 3 blue, else all three */
  VOP_REGION region;
} VOP_CONTRAST_PARAMS;

/* Progress of a long operation: filled by the library, valid only during the callback. */
typedef struct VOP_PROGRESS_RECORD {
  uint32_t operation; /* 1 contrast, 2 gamma, 3 quality, 5 copy, 8 histogram, 9 filter,
                         10 colour reduction and rotation, 11 colour count, 12 tone curve */
  uint32_t total;     /* units of work */
  uint32_t done;      /* units finished; equals total in the last call */
  uint32_t userValue; /* the hook's userValue */
} VOP_PROGRESS_RECORD;

/* The caller's progress hook: called with done 0, every few units and once at the end. */
typedef struct VOP_PROGRESS_HOOK {
  void(VOP_API *callback)(VOP_PROGRESS_RECORD *record);
  uint32_t userValue;
} VOP_PROGRESS_HOOK;

/* vopCopy: a source rectangle, a turn, scales and a destination box. */
typedef struct VOP_COPY_PARAMS {
  int32_t srcLeft, srcRight, srcTop, srcBottom; /* half-open source rectangle */
  int32_t bitsPerPixel;                         /* informative */
  int32_t angle;                                /* whole degrees */
  float scaleX, scaleY;                         /* each not 0.0 and at most 2.0 */
  int32_t dstLeft;   /* destination origin x */
  int32_t dstRight;  /* box width; the measuring call writes dstLeft + width */
  int32_t dstTop;    /* destination origin y */
  int32_t dstBottom; /* box height; the measuring call writes dstTop + height */
} VOP_COPY_PARAMS;

/* vopCopy flags: the low byte combines with the destination. */
#define VOP_COPY_SET 0x00
#define VOP_COPY_AND 0x01
#define VOP_COPY_OR 0x02
#define VOP_COPY_XOR 0x03
#define VOP_COPY_MEASURE 0x04     /* only measure the destination box */
#define VOP_COPY_NEAREST 0x100    /* no interpolation */
#define VOP_COPY_MIRROR 0x200
#define VOP_COPY_INVERT 0x400
#define VOP_COPY_SEPIA 0x800
#define VOP_NO_UNDO 0x80000000u   /* record no undo snapshot (every editing call) */

/* vopLoadImage and vopSaveImage flags. */
#define VOP_LOAD_DIALOG 0x10
#define VOP_SAVE_FORMAT_BMP 0x00  /* format codes: the file name's extension is replaced */
#define VOP_SAVE_FORMAT_JPG 0x01
#define VOP_SAVE_FORMAT_GIF 0x02
#define VOP_SAVE_FORMAT_PNG 0x03
#define VOP_SAVE_FORMAT_TIF 0x04
#define VOP_SAVE_DIALOG 0x10
#define VOP_SAVE_OVERWRITE 0x20
#define VOP_SAVE_AS_BMP 0x40      /* a BMP file under the name as it stands */

/* vopSaveImage's hook: may change the JPEG quality (80; clamped to 0..100 afterwards). */
typedef struct VOP_QUALITY_HOOK {
  void(VOP_API *callback)(int32_t *quality, void *context);
  void *context;
} VOP_QUALITY_HOOK;

/* vopInitialize: history handles, each with an undo history of 8 states. */
#define VOP_HISTORY_MODE 16
#define VOP_UNDO 1
#define VOP_REDO 2

typedef struct VOP_QUALITY_PARAMS VOP_QUALITY_PARAMS;
typedef struct VOP_QUALITY_PARAMS2 VOP_QUALITY_PARAMS2;
typedef struct VOP_ROTATE_PARAMS VOP_ROTATE_PARAMS;
typedef struct VOP_FILTER_PARAMS VOP_FILTER_PARAMS;
typedef struct VOP_HISTOGRAM_RESULT VOP_HISTOGRAM_RESULT;

int VOP_API vopInitialize(const int32_t *settings);
VOP_IMAGE VOP_API vopCreateImage(int32_t width, int32_t height, int32_t bitsPerPixel, uint32_t flags);
VOP_IMAGE VOP_API vopAttachImage(HGLOBAL packedDib);
void VOP_API vopDestroyImage(VOP_IMAGE image);
void VOP_API vopGetImageData(VOP_IMAGE image, int32_t *width, int32_t *height, int32_t *bitsPerPixel);
uint32_t VOP_API vopGetColor(VOP_IMAGE image, int32_t x, int32_t y);
VOP_IMAGE VOP_API vopLoadImage(uint32_t flags, char *fileName);
int VOP_API vopSaveImage(uint32_t flags, VOP_IMAGE image, char *fileName,
                         const VOP_QUALITY_HOOK *qualityHook);
int VOP_API vopDrawImage(HDC dc, int32_t xDest, int32_t yDest, int32_t width, int32_t height,
                         int32_t xSrc, int32_t ySrc, uint32_t rop, VOP_IMAGE image);
int VOP_API vopSetClipboardImage(HWND owner, VOP_IMAGE image);
VOP_IMAGE VOP_API vopGetClipboardImage(HWND owner);
int VOP_API vopCopy(HWND window, uint32_t flags, VOP_COPY_PARAMS *params, VOP_IMAGE source,
                    VOP_IMAGE destination, VOP_PROGRESS_HOOK *progress);
int VOP_API vopReverseAction(int32_t direction, VOP_IMAGE image);
int VOP_API vopGetFileVersion(const char *fileName, uint32_t *major, uint32_t *minor,
                              uint32_t *build, uint32_t *revision, uint32_t reserved);
int VOP_API vopAdjustGamma(HWND window, uint32_t flags, VOP_GAMMA_PARAMS *params, VOP_IMAGE image,
                           VOP_PROGRESS_HOOK *progress);
int VOP_API vopAdjustGamma2(HWND window, uint32_t flags, VOP_TONE_CURVE_PARAMS *params,
                            VOP_IMAGE image, VOP_PROGRESS_HOOK *progress);
int VOP_API vopAdjustContrast(HWND window, uint32_t flags, VOP_CONTRAST_PARAMS *params,
                              VOP_IMAGE image, VOP_PROGRESS_HOOK *progress);
int VOP_API vopAdjustQuality(HWND window, uint32_t flags, VOP_QUALITY_PARAMS *params,
                             VOP_IMAGE image, VOP_PROGRESS_HOOK *progress);
int VOP_API vopAdjustQuality2(HWND window, uint32_t flags, VOP_QUALITY_PARAMS2 *params,
                              VOP_IMAGE image, VOP_PROGRESS_HOOK *progress);
int VOP_API vopThroughFilter(HWND window, uint32_t flags, VOP_FILTER_PARAMS *params,
                             VOP_IMAGE image, VOP_PROGRESS_HOOK *progress);
/* Converts source into destination (same size, another depth); the source is only read. */
int VOP_API vopDecolor(HWND window, uint32_t flags, VOP_IMAGE source, VOP_IMAGE destination,
                       VOP_PROGRESS_HOOK *progress);
int VOP_API vopRotate(HWND window, uint32_t flags, VOP_ROTATE_PARAMS *params, VOP_IMAGE image,
                      VOP_PROGRESS_HOOK *progress);
int VOP_API vopCountColor(HWND window, uint32_t reserved, VOP_IMAGE image, VOP_PROGRESS_HOOK *progress);
int VOP_API vopHistogram(HWND window, VOP_IMAGE image, VOP_HISTOGRAM_RESULT *result,
                         VOP_PROGRESS_HOOK *progress);
void VOP_API vopShowHistogramDlg(HWND window, const char *title, VOP_IMAGE image,
                                 VOP_PROGRESS_HOOK *progress);

#ifdef __cplusplus
}
#endif

#if defined(_WIN32) && !defined(_WIN64)
#ifdef __cplusplus
#define VOP_STATIC_ASSERT static_assert
#else
#define VOP_STATIC_ASSERT _Static_assert
#endif
VOP_STATIC_ASSERT(sizeof(VOP_REGION) == 16, "VOP_REGION");
VOP_STATIC_ASSERT(sizeof(VOP_GAMMA_PARAMS) == 28, "VOP_GAMMA_PARAMS");
VOP_STATIC_ASSERT(offsetof(VOP_GAMMA_PARAMS, channels) == 8, "channels");
VOP_STATIC_ASSERT(offsetof(VOP_GAMMA_PARAMS, region) == 12, "region");
VOP_STATIC_ASSERT(sizeof(VOP_TONE_CURVE_PARAMS) == 276, "VOP_TONE_CURVE_PARAMS");
VOP_STATIC_ASSERT(offsetof(VOP_TONE_CURVE_PARAMS, channels) == 256, "channels");
VOP_STATIC_ASSERT(offsetof(VOP_TONE_CURVE_PARAMS, region) == 260, "region");
VOP_STATIC_ASSERT(sizeof(VOP_CONTRAST_PARAMS) == 24, "VOP_CONTRAST_PARAMS");
VOP_STATIC_ASSERT(offsetof(VOP_CONTRAST_PARAMS, channel) == 4, "channel");
VOP_STATIC_ASSERT(offsetof(VOP_CONTRAST_PARAMS, region) == 8, "region");
VOP_STATIC_ASSERT(sizeof(VOP_PROGRESS_RECORD) == 16, "VOP_PROGRESS_RECORD");
VOP_STATIC_ASSERT(sizeof(VOP_PROGRESS_HOOK) == 8, "VOP_PROGRESS_HOOK");
VOP_STATIC_ASSERT(sizeof(VOP_COPY_PARAMS) == 48, "VOP_COPY_PARAMS");
VOP_STATIC_ASSERT(offsetof(VOP_COPY_PARAMS, scaleX) == 24, "scaleX");
VOP_STATIC_ASSERT(offsetof(VOP_COPY_PARAMS, dstBottom) == 44, "dstBottom");
VOP_STATIC_ASSERT(sizeof(VOP_QUALITY_HOOK) == 8, "VOP_QUALITY_HOOK");
#endif

#endif /* VOPIMG_H */
