// The rectangle rule and the channel word shared by the adjustments.
#pragma once

#include <cstdint>

namespace vop {

// Half-open rectangle left <= x < right, top <= y < bottom; same layout as AdjustRegion.
struct AdjustRegion {
  int32_t left;
  int32_t right;
  int32_t top;
  int32_t bottom;
};

// Puts each pair in order (written back) and checks it against the image: no negative
// value, x at most width, y at most height, neither pair empty. kOk or kBadArgument.
int32_t normalizeRegion(AdjustRegion& region, int32_t width, int32_t height);

// Low 4 bits select the channel (1 red, 2 green, 3 blue, else luminance); bit 0x100 keeps
// the luminance when a single channel changes.
struct ChannelWord {
  int selector;  // 1, 2 or 3, or 0 for luminance
  bool keepLuminance;
};

ChannelWord decodeChannelWord(uint32_t word);

}  // namespace vop

namespace vop {

// The first decision of an adjustment, taken before anything is repainted.
enum class Precheck {
  kReject,      // bad argument: the export returns kBadArgument
  kNothingToDo, // the export returns kOk at once, touching nothing
  kApply,
};

// A repaint the Windows layer asks for between an adjustment's measuring and changing passes.
struct RepaintHook {
  void (*callback)(void* context);
  void* context;
};

inline void repaint(const RepaintHook* hook) {
  if (hook != nullptr && hook->callback != nullptr) hook->callback(hook->context);
}

// One remembered colour conversion: runs of equal colours are converted once.
template <typename Convert>
class ColorCache {
 public:
  explicit ColorCache(Convert convert) : convert_(convert) {}
  uint32_t operator()(uint32_t colour) {
    if (!valid_ || colour != source_) {
      source_ = colour;
      result_ = convert_(colour);
      valid_ = true;
    }
    return result_;
  }

 private:
  Convert convert_;
  bool valid_ = false;
  uint32_t source_ = 0;
  uint32_t result_ = 0;
};

}  // namespace vop
