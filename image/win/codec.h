// Image files through the platform's codec service: the loader, loading and saving with their
// flags, and the open and save dialogs.
#pragma once

#include <cstdint>

namespace vopwin {

struct ImageRecord;

// The caller's hook that may change the JPEG quality: a stdcall callback and its context.
struct QualityHook {
  void(__stdcall *callback)(int32_t *quality, void *context);
  void *context;
};

constexpr int32_t kCodecFailed = static_cast<int32_t>(0x80004005);   // E_FAIL
constexpr int32_t kCodecNoMemory = static_cast<int32_t>(0x8007000E); // E_OUTOFMEMORY
constexpr int32_t kWriteFailed = -500;
constexpr int32_t kCancelled = 550;
constexpr int32_t kFileExists = 551;

// Decodes a file into a record that holds no image. 0, kCodecFailed or kCodecNoMemory.
int32_t loadFile(ImageRecord &record, const char *fileName);

// The exports' work.
void *loadImage(uint32_t flags, char *fileName);
int32_t saveImage(uint32_t flags, void *image, char *fileName, const QualityHook *hook);

// Mode 1 asks for a name to save under, every other mode for a file to open; the name goes
// into buffer (MAX_PATH characters). 0, kCancelled, or -1 when the dialog cannot be built.
int32_t chooseImageFile(int32_t mode, char *buffer);

} // namespace vopwin
