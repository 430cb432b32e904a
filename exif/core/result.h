// Result codes, operation bits and fixed limits of the EXIF reader core.
#pragma once
#include <cstddef>
#include <cstdint>

namespace dax {

// Sign rule: 0 or a count is success, negatives are failures, 100 is a normal end.
inline constexpr int kOk = 0;
inline constexpr int kLastEntry = 100;      // the iteration delivered its last entry
inline constexpr int kBadArgument = -1;     // missing argument or an unfillable caller buffer
inline constexpr int kCancelled = -100;     // file-selection dialog cancelled (Windows layer)
inline constexpr int kReadFailed = -101;    // open or read error
inline constexpr int kBadTiffHeader = -102; // Exif segment found, TIFF header short or invalid
inline constexpr int kNoExif = -103;        // no Exif segment and no valid TIFF header at the start
inline constexpr int kNoMemory = -104;      // an allocation failed
inline constexpr int kNoLanguageLibrary = -107; // (Windows layer) no language library loaded
inline constexpr int kNoThumbnail = -108;
inline constexpr int kTooManyGroups = -65537; // an eighth group; the seven before it are kept

// True for the results that end an analysis as a failure; kTooManyGroups is not one.
constexpr bool isAnalysisFailure(int result) { return result <= -1 && result >= -65535; }

// Operation code bits that reach the core (the low byte selects the operation).
inline constexpr uint32_t kOpRelease = 0;
inline constexpr uint32_t kOpAnalyze = 1;
inline constexpr uint32_t kOpBeginIteration = 3;
inline constexpr uint32_t kOpNextEntry = 4;
inline constexpr uint32_t kOpThumbnail = 5;
inline constexpr uint32_t kModifier =
    0x100; // release: thumbnail only; iteration: backward; thumbnail: kind and size only
inline constexpr uint32_t kWithThumbnail =
    0x200; // analyze: walk the second IFD; thumbnail: raw buffer

// Group ids: the pointer tag that led to an IFD, or 0 and 1 for the first and second IFD.
inline constexpr int32_t kGroupFirst = 0;
inline constexpr int32_t kGroupSecond = 1;
inline constexpr int32_t kGroupExif = 34665;
inline constexpr int32_t kGroupGps = 34853;
inline constexpr int32_t kGroupInterop = 40965;
inline constexpr size_t kMaxGroups = 7;

// Text fields of an entry, NUL included; the stored texts are one byte shorter.
inline constexpr size_t kLabelField = 1024;
inline constexpr size_t kValueField = 65536;
inline constexpr int32_t kDefaultLabelCapacity = 1024;
inline constexpr int32_t kDefaultValueCapacity = 65536;

// Size of the thumbnail's header area, which precedes the image data in the block.
inline constexpr size_t kThumbnailHeaderArea = 65535;

} // namespace dax
