// vopimg's exports when memory runs out: every allocation from some point on fails, for each
// point in turn. Each call must end in its own code (no exception crosses the C ABI), leave
// no image record and no "IW4" file behind, and the history mode must keep its states whole.
#include <windows.h>

#include "image/win/codec_service.h"
#include "image/win/live_records.h"
#include "include/vopimg.h"
#include "tests/image/win/history_mode.h"
#include "tests/image/win/temp_folder.h"
#include "tests/image/win/test_images.h"
#include "tests/support/alloc_failure.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

using voptest::Image;

class OutOfMemory : public voptest::HistoryModeSuite {};

// Runs call with allocations failing from number n on, for n = 0, 1, ... until a run fails
// none of its allocations; check sees each result with its n.
void sweep(
    const std::function<int()> &call, const std::function<void(int result, long n)> &check,
    const std::function<void()> &prepare = [] {}) {
  for (long n = 0; n < 5000; ++n) {
    int result;
    long made;
    prepare();
    {
      allocfail::Scope failing(n);
      result = call();
      made = allocfail::count();
    }
    check(result, n);
    if (made <= n)
      return;
  }
  ADD_FAILURE() << "the call never ran through";
}

std::string dataFile(const char *name) {
  return testutil::windowsPath(std::string(TEST_DATA_DIR) + "/" + name);
}

TEST_F(OutOfMemory, LoadingAndAttachingGiveNullAndLeaveNoRecordOrFile) {
  voptest::OwnTempFolder temp;
  const std::string png = dataFile("alpha.png");
  int loaded = 0;
  sweep(
      [&] {
        char name[MAX_PATH] = {};
        lstrcpynA(name, png.c_str(), MAX_PATH);
        VOP_IMAGE image = vopLoadImage(0, name);
        loaded += image != nullptr;
        vopDestroyImage(image);
        return 0;
      },
      [&](int, long n) {
        EXPECT_EQ(vopwin::liveRecordCount(), 0) << "failing from allocation " << n;
        EXPECT_FALSE(vopwin::codecsRunning()) << "failing from allocation " << n;
      });
  EXPECT_GE(loaded, 1) << "the load succeeds once memory suffices";

  // An attached picture goes through an IW4 file of its own.
  Image source(voptest::makeFlat(5, 3, voptest::rgb(1, 2, 3)));
  const long records = vopwin::liveRecordCount(); // the source and its first state's copy
  int attached = 0;
  sweep(
      [&] {
        HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + 16 * 3);
        auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
        *header = BITMAPINFOHEADER{40, 5, 3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        GlobalUnlock(dib);
        VOP_IMAGE image = vopAttachImage(dib);
        GlobalFree(dib);
        attached += image != nullptr;
        if (image != nullptr)
          vopDestroyImage(image);
        return 0;
      },
      [&](int, long n) {
        EXPECT_EQ(vopwin::liveRecordCount(), records) << "failing from allocation " << n;
        EXPECT_TRUE(temp.iw4Files().empty()) << "failing from allocation " << n;
      });
  EXPECT_GE(attached, 1);
}

TEST_F(OutOfMemory, AnEditWhoseSpilledStateCannotBeRecordedLeavesNoFile) {
  voptest::OwnTempFolder temp;
  VOP_IMAGE image = nullptr;
  sweep(
      [&] {
        // Above 4,096,000 pixels the state goes to a file.
        image = vopCreateImage(2048, 2001, 24, 0);
        if (image == nullptr)
          return -9999;
        VOP_TONE_CURVE_PARAMS p{};
        for (int i = 0; i < 256; ++i)
          p.table[i] = static_cast<uint8_t>(255 - i);
        p.channels = VOP_CHANNEL_RED;
        p.region = {0, 2048, 0, 2001};
        return vopAdjustGamma2(nullptr, 0, &p, image, nullptr);
      },
      [&](int result, long n) {
        if (image == nullptr)
          return; // creating the handle itself failed: nothing was made
        EXPECT_TRUE(result == 0 || result == -551 || result == -552)
            << result << " from allocation " << n;
        EXPECT_EQ(temp.iw4Files().size(), result == 0 ? 1u : 0u) << "failing from allocation " << n;
        vopDestroyImage(image);
        image = nullptr;
        EXPECT_TRUE(temp.iw4Files().empty());
        EXPECT_EQ(vopwin::liveRecordCount(), 0);
      });
}

TEST_F(OutOfMemory, EditsCopiesAndAnalysesReturnTheirCodesAndKeepNoStrayRecord) {
  // Kept alive so that the codec service is not started anew for every run.
  Image keeper(vopCreateImage(1, 1, 24, 0));
  ASSERT_EQ(vopwin::liveRecordCount(), 1);
  // A fresh image for every run, with a state to undo to; destroyed after the run, it must
  // take every record with it, snapshots' copies included.
  VOP_IMAGE image = nullptr, target = nullptr;
  const auto prepare = [&] {
    image =
        voptest::makeImage(9, 7, 24, [](int x, int y) { return voptest::rgb(20 * x, 30 * y, 7); });
    target = vopCreateImage(9, 7, 24, 0);
    VOP_GAMMA_PARAMS g{2.0, 0, {0, 9, 0, 7}};
    ASSERT_EQ(vopAdjustGamma(nullptr, 0, &g, image, nullptr), 0);
  };
  struct Call {
    const char *name;
    std::function<int()> run;
    std::vector<int> codes; // besides success
  };
  const std::vector<Call> calls = {
      {"rotate",
       [&] {
         VOP_ROTATE_PARAMS p{30};
         return vopRotate(nullptr, 0, &p, image, nullptr);
       },
       {-1, -551, -552}},
      {"filter",
       [&] {
         VOP_FILTER_PARAMS p{};
         p.region = {0, 9, 0, 7};
         return vopThroughFilter(nullptr, 1, &p, image, nullptr);
       },
       {-551, -552}},
      {"copy",
       [&] {
         VOP_COPY_PARAMS p{0, 9, 0, 7, 24, 15, 1.0f, 1.0f, 0, 0, 0, 0};
         return vopCopy(nullptr, 0, &p, image, target, nullptr);
       },
       {-1, -552}},
      {"undo", [&] { return vopReverseAction(VOP_UNDO, image) == 4 ? 0 : -552; }, {-552}},
      // The engine's presence map is allocated by the first count that succeeds and kept.
      {"count colours",
       [&] { return vopCountColor(nullptr, 0, keeper, nullptr) == 1 ? 0 : -551; },
       {-551}},
      {"histogram",
       [&] {
         VOP_HISTOGRAM_RESULT r;
         return vopHistogram(nullptr, image, &r, nullptr);
       },
       {-551}},
      {"file version",
       [&] {
         uint32_t a, b, c, d;
         char self[MAX_PATH] = {};
         GetModuleFileNameA(nullptr, self, MAX_PATH);
         const int r = vopGetFileVersion(self, &a, &b, &c, &d, 0);
         return r == -1 ? 0 : r; // a test program has no version resource
       },
       {}},
  };
  for (const Call &call : calls) {
    sweep(
        call.run,
        [&](int result, long n) {
          const bool known = result >= 0 || std::find(call.codes.begin(), call.codes.end(),
                                                      result) != call.codes.end();
          EXPECT_TRUE(known) << call.name << ": " << result << " failing from allocation " << n;
          vopDestroyImage(image);
          vopDestroyImage(target);
          EXPECT_EQ(vopwin::liveRecordCount(), 1) << call.name << " failing from allocation " << n;
        },
        prepare);
  }
}

} // namespace
