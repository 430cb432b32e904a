// vopimg.dll's engine round trips under Wine: attaching a packed DIB, saving and loading a
// 6000 x 4000 24-bit picture through the platform's codecs, and copies through the export.
// The codecs are the platform's, so these figures are measured and reported, not goals.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "include/vopimg.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr double kMegapixels = kWidth * double(kHeight) / 1e6;

double now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) / double(frequency.QuadPart);
}

template <typename Work> double best(int reps, Work work) {
  double fastest = 1e30;
  for (int i = 0; i < reps; ++i) {
    const double start = now();
    if (!work())
      return -1;
    const double seconds = now() - start;
    if (seconds < fastest)
      fastest = seconds;
  }
  return fastest;
}

void report(const char *name, double seconds) {
  if (seconds < 0)
    std::printf("  %-34s failed\n", name);
  else
    std::printf("  %-34s %9.1f MP/s  (%.3f s)\n", name, kMegapixels / seconds, seconds);
}

} // namespace

int main(int argc, char **argv) {
  const int reps = argc > 1 ? std::atoi(argv[1]) : 3;
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string base = std::string(folder) + "vop_engine_bench";

  // A packed 24-bit DIB with a smooth, many-coloured picture.
  const int rowBytes = ((24 * kWidth + 31) / 32) * 4;
  const size_t dibSize = 40 + size_t(rowBytes) * kHeight;
  HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, dibSize);
  auto *p = static_cast<uint8_t *>(GlobalLock(dib));
  BITMAPINFOHEADER header{40, kWidth, kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::memcpy(p, &header, 40);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      uint8_t *px = p + 40 + size_t(y) * rowBytes + 3 * size_t(x);
      px[0] = uint8_t(x * 255 / kWidth), px[1] = uint8_t(y * 255 / kHeight),
      px[2] = uint8_t((x ^ y) >> 4);
    }
  GlobalUnlock(dib);

  std::printf("vopimg engine under Wine (%d x %d, 24 bits, best of %d)\n", kWidth, kHeight, reps);
  VOP_IMAGE image = nullptr;
  report("attach packed DIB", best(reps, [&] {
           vopDestroyImage(image);
           image = vopAttachImage(dib);
           return image != nullptr;
         }));
  for (const auto &[code, ext] : {std::pair{0u, ".bmp"}, {3u, ".png"}, {1u, ".jpg"}}) {
    char name[MAX_PATH];
    const std::string file = base + ext;
    report((std::string("save ") + ext).c_str(), best(reps, [&] {
             std::strcpy(name, file.c_str());
             return vopSaveImage(code | VOP_SAVE_OVERWRITE, image, name, nullptr) == 0;
           }));
    VOP_IMAGE loaded = nullptr;
    report((std::string("load ") + ext).c_str(), best(reps, [&] {
             vopDestroyImage(loaded);
             std::strcpy(name, file.c_str());
             loaded = vopLoadImage(0, name);
             return loaded != nullptr;
           }));
    vopDestroyImage(loaded);
    DeleteFileA(file.c_str());
  }
  VOP_IMAGE target = vopCreateImage(kWidth, kHeight, 24, 0);
  VOP_COPY_PARAMS params{0, kWidth, 0, kHeight, 24, 0, 1.0f, 1.0f, 0, kWidth, 0, kHeight};
  report("copy through the export (identity)",
         best(reps, [&] { return vopCopy(nullptr, 0, &params, image, target, nullptr) == 0; }));
  vopDestroyImage(target);
  vopDestroyImage(image);
  GlobalFree(dib);
  return 0;
}
