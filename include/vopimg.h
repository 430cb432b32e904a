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
 * Handles: by default a handle is the image itself. After vopInitialize with 16 (call it once,
 * right after loading the library, before creating images) every new handle carries an undo
 * history of up to 8 states; editing calls record their result there unless VOP_NO_UNDO is
 * set, and vopReverseAction steps back and forth. Never change the mode while holding handles.
 * States of more than 4,096,000 pixels (or any state when physical memory is short) are kept
 * in temporary "IW4" files as the image's exact bytes, alpha included.
 *
 * Unloading: destroy every image before FreeLibrary. The codec service (GDI+) and the cached
 * memory DCs stop when the last image is destroyed, or at the end of a call that started them
 * while no image was alive (a cancelled open dialog, a failed load); the library's entry point
 * releases nothing, as nothing may be stopped under the loader lock. A library unloaded with
 * images alive leaves the codec service running until the process ends.
 *
 * No C++ exception leaves an export: running out of memory gives the call's own failure code.
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
  int32_t dstLeft;                              /* destination origin x */
  int32_t dstRight;  /* box width; the measuring call writes dstLeft + width */
  int32_t dstTop;    /* destination origin y */
  int32_t dstBottom; /* box height; the measuring call writes dstTop + height */
} VOP_COPY_PARAMS;

/* vopCopy flags: the low byte combines with the destination. */
#define VOP_COPY_SET 0x00
#define VOP_COPY_AND 0x01
#define VOP_COPY_OR 0x02
#define VOP_COPY_XOR 0x03
#define VOP_COPY_MEASURE 0x04  /* only measure the destination box */
#define VOP_COPY_NEAREST 0x100 /* no interpolation */
#define VOP_COPY_MIRROR 0x200
#define VOP_COPY_INVERT 0x400
#define VOP_COPY_SEPIA 0x800
#define VOP_NO_UNDO 0x80000000u /* record no undo snapshot (every editing call) */

/* vopLoadImage and vopSaveImage flags. */
#define VOP_LOAD_DIALOG 0x10
#define VOP_SAVE_FORMAT_BMP 0x00 /* format codes: the file name's extension is replaced */
#define VOP_SAVE_FORMAT_JPG 0x01
#define VOP_SAVE_FORMAT_GIF 0x02
#define VOP_SAVE_FORMAT_PNG 0x03
#define VOP_SAVE_FORMAT_TIF 0x04
#define VOP_SAVE_DIALOG 0x10
#define VOP_SAVE_OVERWRITE 0x20
#define VOP_SAVE_AS_BMP 0x40 /* a BMP file under the name as it stands */

/* vopSaveImage's hook: may change the JPEG quality (80; clamped to 0..100 afterwards). */
typedef struct VOP_QUALITY_HOOK {
  void(VOP_API *callback)(int32_t *quality, void *context);
  void *context;
} VOP_QUALITY_HOOK;

/* vopInitialize: history handles, each with an undo history of 8 states. */
#define VOP_HISTORY_MODE 16
#define VOP_UNDO 1
#define VOP_REDO 2

/* Channel word of the gamma and tone-curve records: the low 4 bits select the channel
 * (1 red, 2 green, 3 blue, anything else the luminance); VOP_KEEP_LUMINANCE with a single
 * channel moves the other two so that the luminance stays. */
#define VOP_CHANNEL_LUMINANCE 0
#define VOP_CHANNEL_RED 1
#define VOP_CHANNEL_GREEN 2
#define VOP_CHANNEL_BLUE 3
#define VOP_KEEP_LUMINANCE 0x100

/* vopAdjustContrast modes (the low byte of its flags). */
#define VOP_CONTRAST_AUTO 0        /* range from the luminance histogram, rare levels dropped */
#define VOP_CONTRAST_AMOUNT 1      /* measured range narrowed by amount (-101..101, 0: nothing) */
#define VOP_CONTRAST_WHOLE_IMAGE 2 /* measured in the region, applied to every pixel */

/* vopAdjustQuality: 28 bytes. The region is checked on a copy: the record is only read. */
typedef struct VOP_QUALITY_PARAMS {
  int32_t hue;        /* degrees, -181..181 */
  int32_t brightness; /* added to the luminance, -101..101 */
  int32_t saturation; /* percent change of the chroma, -101..101 */
  VOP_REGION region;
} VOP_QUALITY_PARAMS;

/* vopAdjustQuality2: 36 bytes; colours nearer than keepDistance (a squared RGB distance,
 * 0..65536; 65536 spares nothing) to keepColor stay as they are. */
typedef struct VOP_QUALITY_PARAMS2 {
  int32_t hue;
  int32_t brightness;
  int32_t saturation;
  VOP_REGION region;
  uint32_t keepColor; /* 0x00BBGGRR */
  int32_t keepDistance;
} VOP_QUALITY_PARAMS2;
#define VOP_QUALITY_SPARE 0x01 /* flags mode of vopAdjustQuality2 (always set by it) */

/* vopRotate: the angle in whole degrees, positive clockwise as displayed. */
typedef struct VOP_ROTATE_PARAMS {
  int32_t angle;
} VOP_ROTATE_PARAMS;

/* vopThroughFilter: 128 bytes for VOP_FILTER_CUSTOM; the built-in filters read only the
 * region (16 bytes). Group i of the coefficients applies to column x + i - 2, entry j of a
 * group to row y + j - 2; the sum is divided by divisor (not 0), then bias is added. */
typedef struct VOP_FILTER_PARAMS {
  VOP_REGION region;
  int32_t coefficients[25];
  int32_t divisor;
  int32_t bias;
  int32_t mirror; /* 1: the kernel with each group reversed is applied as well */
} VOP_FILTER_PARAMS;

/* vopThroughFilter flags: a code in the low 12 bits, modifiers of the gradient codes above.
 * Gradient codes 0, 16, 32, 48, 64, 80 (0 and 48 answer horizontal edges, 16 and 64
 * vertical ones, 32 and 80 both); smoothing codes 1 (3 x 3 median), 17, 33, 49, 65; any other
 * code with low 4 bits 0 sharpens (112 to 208 less and less). */
#define VOP_FILTER_MEDIAN 1
#define VOP_FILTER_CUSTOM 0xFF0 /* the record's own kernel */
#define VOP_FILTER_INVERT 0x1000
#define VOP_FILTER_LUMINANCE 0x2000
#define VOP_FILTER_THRESHOLD_32                                                                    \
  0x4000 /* 0x8000 64, 0x10000 128, 0x20000 160, 0x40000 192,                                      \
            0x80000 224: black and white at that luminance */

/* vopDecolor flags: a method, its channel option and flags, a threshold. */
#define VOP_DECOLOR_EXPAND 0x100      /* palette into true colour */
#define VOP_DECOLOR_GRID 0x200        /* fixed level grid into 4 or 8 bits */
#define VOP_DECOLOR_MEDIAN_CUT 0x300  /* median cut into 4 or 8 bits */
#define VOP_DECOLOR_BLACK_WHITE 0x400 /* into 1 bit; low byte: threshold 1..255, 0 automatic */
#define VOP_DECOLOR_PATTERN 0x100000  /* black and white: scattered dots */
#define VOP_DECOLOR_GREY 0x400000     /* level grid: grey levels only */

/* vopHistogram: 6,196 bytes, channels in the order of VOP_HISTOGRAM_*. */
#define VOP_HISTOGRAM_RED 0
#define VOP_HISTOGRAM_GREEN 1
#define VOP_HISTOGRAM_BLUE 2
#define VOP_HISTOGRAM_LUMINANCE 3
#define VOP_HISTOGRAM_HUE 4
#define VOP_HISTOGRAM_SATURATION 5
typedef struct VOP_HISTOGRAM_RESULT {
  uint32_t counts[6][256];
  int32_t peakLevel[6]; /* the lowest level with the largest count */
  uint32_t peakCount[6];
  int32_t bitsPerPixel;
} VOP_HISTOGRAM_RESULT;

int VOP_API vopInitialize(const int32_t *settings);
VOP_IMAGE VOP_API vopCreateImage(int32_t width, int32_t height, int32_t bitsPerPixel,
                                 uint32_t flags);
VOP_IMAGE VOP_API vopAttachImage(HGLOBAL packedDib);
void VOP_API vopDestroyImage(VOP_IMAGE image);
void VOP_API vopGetImageData(VOP_IMAGE image, int32_t *width, int32_t *height,
                             int32_t *bitsPerPixel);
uint32_t VOP_API vopGetColor(VOP_IMAGE image, int32_t x, int32_t y);
VOP_IMAGE VOP_API vopLoadImage(uint32_t flags, char *fileName);
int VOP_API vopSaveImage(uint32_t flags, VOP_IMAGE image, char *fileName,
                         const VOP_QUALITY_HOOK *qualityHook);
int VOP_API vopDrawImage(HDC dc, int32_t xDest, int32_t yDest, int32_t width, int32_t height,
                         int32_t xSrc, int32_t ySrc, uint32_t rop, VOP_IMAGE image);
int VOP_API vopSetClipboardImage(HWND owner, VOP_IMAGE image);
VOP_IMAGE VOP_API vopGetClipboardImage(HWND owner);
/* Copies, scales and turns source's rectangle into destination (same depth), or with
 * VOP_COPY_MEASURE only measures the box. 0, -1 for a bad argument, an empty box or memory
 * that cannot be had, -552 when the destination's undo state cannot be recorded. */
int VOP_API vopCopy(HWND window, uint32_t flags, VOP_COPY_PARAMS *params, VOP_IMAGE source,
                    VOP_IMAGE destination, VOP_PROGRESS_HOOK *progress);
int VOP_API vopReverseAction(int32_t direction, VOP_IMAGE image);
int VOP_API vopGetFileVersion(const char *fileName, uint32_t *major, uint32_t *minor,
                              uint32_t *build, uint32_t *revision, uint32_t reserved);
/* The adjustments share one frame: (window, flags, params, image, progress). window (may be
 * null) is repainted with UpdateWindow before the pixels change and again afterwards; flags
 * bit 31 (VOP_NO_UNDO) records no undo state. The region is put in order (written back into
 * the caller's record, except for the quality records) and must lie inside the image and not
 * be empty. Palette images change through their colour table, so the whole image changes
 * whatever the region. Results: 0 (also when there is nothing to do; nothing is then
 * repainted or recorded), -1 for a null or bad argument (nothing changed), -553 where the
 * depth does not fit, -551 when a work buffer cannot be had, and -552 when the undo state
 * cannot be recorded (the edited image stays). Progress operation codes: gamma 2, tone curve
 * 12, contrast 1, quality 3, filter 9, colour reduction and rotation 10. */
/* Gamma 0.01..5.01; one within 0.999 < g < 1.009 does nothing. */
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
/* Converts source into destination (same size, another depth); the source is only read and
 * the destination's pixels and colour table are written. The method's depth rule: expand
 * from at most 24 bits into more; grid and median cut from at most 24 bits into 4 to 8, fewer
 * than the source; black and white from at most 24 bits into 1. 0, -1 for a null handle, an
 * image without pixels, another size or depth rule (before any repaint), -551, or -552 when
 * the destination's undo state cannot be recorded. */
int VOP_API vopDecolor(HWND window, uint32_t flags, VOP_IMAGE source, VOP_IMAGE destination,
                       VOP_PROGRESS_HOOK *progress);
/* Turns the image in place into a new bitmap of the turned size, given to the same handle;
 * flags as vopCopy's (combination mode and effects) plus VOP_NO_UNDO. Uncovered corners are
 * black (index 0). Angle 0 does nothing. -1 (the image as it was) when the turned bitmap
 * cannot be made or rendered; the window is repainted only before the rendering. */
int VOP_API vopRotate(HWND window, uint32_t flags, VOP_ROTATE_PARAMS *params, VOP_IMAGE image,
                      VOP_PROGRESS_HOOK *progress);
/* The number of distinct colours of every pixel (the fourth byte of 32-bit pixels is not
 * part of a colour); -1 for a null handle or an image without pixels. reserved is not read.
 * Progress operation 11. The colour table (16,772,191 bucket heads, 67 MB in the 32-bit
 * build) is allocated at the first count and kept until the library unloads, so later counts
 * need no large block. When even that first allocation fails, or a colour's node cannot be
 * had, the result is -551, nothing of the count is kept, and the next call tries again. */
int VOP_API vopCountColor(HWND window, uint32_t reserved, VOP_IMAGE image,
                          VOP_PROGRESS_HOOK *progress);
/* Counts six channels on a sample grid (every 2nd, 4th or 8th column and row by image size)
 * into result, which is cleared first. 0, or -1 for a null handle or result or an image
 * without pixels (result untouched). Progress operation 8. */
int VOP_API vopHistogram(HWND window, VOP_IMAGE image, VOP_HISTOGRAM_RESULT *result,
                         VOP_PROGRESS_HOOK *progress);
/* Shows the image's histogram in the library's modal dialog, the caption being title (at
 * most 127 bytes are shown; null: no caption). A null image shows nothing. */
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
VOP_STATIC_ASSERT(sizeof(VOP_QUALITY_PARAMS) == 28, "VOP_QUALITY_PARAMS");
VOP_STATIC_ASSERT(offsetof(VOP_QUALITY_PARAMS, region) == 12, "region");
VOP_STATIC_ASSERT(sizeof(VOP_QUALITY_PARAMS2) == 36, "VOP_QUALITY_PARAMS2");
VOP_STATIC_ASSERT(offsetof(VOP_QUALITY_PARAMS2, keepColor) == 28, "keepColor");
VOP_STATIC_ASSERT(offsetof(VOP_QUALITY_PARAMS2, keepDistance) == 32, "keepDistance");
VOP_STATIC_ASSERT(sizeof(VOP_ROTATE_PARAMS) == 4, "VOP_ROTATE_PARAMS");
VOP_STATIC_ASSERT(sizeof(VOP_FILTER_PARAMS) == 128, "VOP_FILTER_PARAMS");
VOP_STATIC_ASSERT(offsetof(VOP_FILTER_PARAMS, coefficients) == 16, "coefficients");
VOP_STATIC_ASSERT(offsetof(VOP_FILTER_PARAMS, divisor) == 116, "divisor");
VOP_STATIC_ASSERT(offsetof(VOP_FILTER_PARAMS, bias) == 120, "bias");
VOP_STATIC_ASSERT(offsetof(VOP_FILTER_PARAMS, mirror) == 124, "mirror");
VOP_STATIC_ASSERT(sizeof(VOP_HISTOGRAM_RESULT) == 6196, "VOP_HISTOGRAM_RESULT");
VOP_STATIC_ASSERT(offsetof(VOP_HISTOGRAM_RESULT, peakLevel) == 6144, "peakLevel");
VOP_STATIC_ASSERT(offsetof(VOP_HISTOGRAM_RESULT, peakCount) == 6168, "peakCount");
VOP_STATIC_ASSERT(offsetof(VOP_HISTOGRAM_RESULT, bitsPerPixel) == 6192, "bitsPerPixel");
#endif

#endif /* VOPIMG_H */
