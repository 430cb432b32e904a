// The undo rule of vopimg.dll's editing exports in history mode: each successful edit records
// its action code, VOP_NO_UNDO and failed edits record nothing, and a snapshot that cannot be
// made is reported while the edit stays. A program of its own: the mode is process-wide.
#include <windows.h>

#include "include/vopimg.h"
#include "tests/image/win/history_mode.h"
#include "tests/image/win/test_images.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using voptest::Image;
using voptest::makeImage;
using voptest::pixelsOf;
using voptest::rgb;
using voptest::sizeOf;

class History : public voptest::HistoryModeSuite {};

VOP_IMAGE makeGradient() {
  return makeImage(8, 6, 24,
                   [](int x, int y) { return rgb(30 + 25 * x, 50 + 30 * y, 120 + 5 * x); });
}

struct Edit {
  const char *name;
  int32_t actionCode;
  std::function<int(VOP_IMAGE image, uint32_t flags)> run;
};

// One call of every in-place editing export, each of which changes the gradient.
std::vector<Edit> edits() {
  return {
      {"gamma", 2,
       [](VOP_IMAGE image, uint32_t flags) {
         VOP_GAMMA_PARAMS p{2.0, 0, {0, 8, 0, 6}};
         return vopAdjustGamma(nullptr, flags, &p, image, nullptr);
       }},
      {"tone curve", 13,
       [](VOP_IMAGE image, uint32_t flags) {
         VOP_TONE_CURVE_PARAMS p{};
         for (int i = 0; i < 256; ++i)
           p.table[i] = static_cast<uint8_t>(255 - i);
         p.channels = VOP_CHANNEL_RED;
         p.region = {0, 8, 0, 6};
         return vopAdjustGamma2(nullptr, flags, &p, image, nullptr);
       }},
      {"contrast", 1,
       [](VOP_IMAGE image, uint32_t flags) {
         VOP_CONTRAST_PARAMS p{20, 0, {0, 8, 0, 6}};
         return vopAdjustContrast(nullptr, flags | VOP_CONTRAST_AMOUNT, &p, image, nullptr);
       }},
      {"quality", 3,
       [](VOP_IMAGE image, uint32_t flags) {
         VOP_QUALITY_PARAMS p{90, 10, 0, {0, 8, 0, 6}};
         return vopAdjustQuality(nullptr, flags, &p, image, nullptr);
       }},
      {"quality 2", 3,
       [](VOP_IMAGE image, uint32_t flags) {
         VOP_QUALITY_PARAMS2 p{90, 10, 0, {0, 8, 0, 6}, 0, 1};
         return vopAdjustQuality2(nullptr, flags, &p, image, nullptr);
       }},
      {"filter", 11,
       [](VOP_IMAGE image, uint32_t flags) {
         VOP_FILTER_PARAMS p{};
         p.region = {0, 8, 0, 6};
         return vopThroughFilter(nullptr, flags | 32, &p, image, nullptr);
       }},
      {"rotation", 9,
       [](VOP_IMAGE image, uint32_t flags) {
         VOP_ROTATE_PARAMS p{180};
         return vopRotate(nullptr, flags, &p, image, nullptr);
       }},
  };
}

TEST_F(History, EachEditRecordsItsActionCode) {
  for (const Edit &edit : edits()) {
    Image image(makeGradient()); // attaching records state 1 with code 4
    ASSERT_NE(image.get(), nullptr);
    const auto attached = pixelsOf(image);
    ASSERT_EQ(edit.run(image, 0), 0) << edit.name;
    const auto edited = pixelsOf(image);
    ASSERT_NE(edited, attached) << edit.name;
    // Undo shows the attached state, whose code is 4; redo shows the edit's.
    EXPECT_EQ(vopReverseAction(VOP_UNDO, image), 4) << edit.name;
    EXPECT_EQ(pixelsOf(image), attached) << edit.name;
    EXPECT_EQ(vopReverseAction(VOP_REDO, image), edit.actionCode) << edit.name;
    EXPECT_EQ(pixelsOf(image), edited) << edit.name;
  }
}

TEST_F(History, TwoEditsOfACreatedImageUndoToTheFirst) {
  // A created image records nothing: the first edit is the first state.
  Image image(vopCreateImage(4, 4, 24, 0));
  VOP_TONE_CURVE_PARAMS p{};
  for (int i = 0; i < 256; ++i)
    p.table[i] = 200;
  p.channels = VOP_CHANNEL_RED;
  p.region = {0, 4, 0, 4};
  ASSERT_EQ(vopAdjustGamma2(nullptr, 0, &p, image, nullptr), 0);
  VOP_QUALITY_PARAMS q{0, 30, 0, {0, 4, 0, 4}};
  ASSERT_EQ(vopAdjustQuality(nullptr, 0, &q, image, nullptr), 0);
  EXPECT_EQ(vopReverseAction(VOP_UNDO, image), 13);
  EXPECT_EQ(vopGetColor(image, 3, 3), rgb(200, 0, 0));
  EXPECT_EQ(vopReverseAction(VOP_UNDO, image), -1) << "nothing before the first edit";
  EXPECT_EQ(vopReverseAction(VOP_REDO, image), 3);
}

TEST_F(History, NoUndoFlagAndFailedEditsRecordNothing) {
  for (const Edit &edit : edits()) {
    Image image(makeGradient());
    const auto attached = pixelsOf(image);
    ASSERT_EQ(edit.run(image, VOP_NO_UNDO), 0) << edit.name;
    EXPECT_NE(pixelsOf(image), attached) << edit.name << ": the edit itself happens";
    EXPECT_EQ(vopReverseAction(VOP_UNDO, image), -1) << edit.name;
  }
  Image image(makeGradient());
  VOP_GAMMA_PARAMS bad{2.0, 0, {0, 9, 0, 6}};
  EXPECT_EQ(vopAdjustGamma(nullptr, 0, &bad, image, nullptr), -1);
  VOP_CONTRAST_PARAMS none{0, 0, {0, 8, 0, 6}};
  EXPECT_EQ(vopAdjustContrast(nullptr, VOP_CONTRAST_AMOUNT, &none, image, nullptr), 0);
  VOP_ROTATE_PARAMS still{0};
  EXPECT_EQ(vopRotate(nullptr, 0, &still, image, nullptr), 0);
  EXPECT_EQ(vopReverseAction(VOP_UNDO, image), -1) << "refusals and no-ops are no states";
}

TEST_F(History, UndoingARotationBringsBackTheOldSize) {
  Image image(makeImage(6, 3, 24, [](int x, int y) { return rgb(40 * x, 80 * y, 9); }));
  const auto attached = pixelsOf(image);
  VOP_ROTATE_PARAMS p{90};
  ASSERT_EQ(vopRotate(nullptr, VOP_COPY_NEAREST, &p, image, nullptr), 0);
  EXPECT_EQ(sizeOf(image).width, 3);
  EXPECT_EQ(vopReverseAction(VOP_UNDO, image), 4);
  EXPECT_EQ(sizeOf(image).width, 6);
  EXPECT_EQ(pixelsOf(image), attached);
  EXPECT_EQ(vopReverseAction(VOP_REDO, image), 9);
  EXPECT_EQ(sizeOf(image).width, 3);
  EXPECT_EQ(sizeOf(image).height, 6);
}

TEST_F(History, ColourReductionIsRecordedOnTheDestinationOnly) {
  Image source(makeGradient());
  Image destination(makeImage(8, 6, 1, [](int, int) { return 0u; }, {0, rgb(255, 255, 255)}));
  ASSERT_EQ(sizeOf(destination).bitsPerPixel, 1);
  ASSERT_EQ(vopDecolor(nullptr, VOP_DECOLOR_BLACK_WHITE | 128, source, destination, nullptr), 0);
  EXPECT_EQ(vopReverseAction(VOP_UNDO, destination), 4);
  EXPECT_EQ(vopReverseAction(VOP_REDO, destination), 12);
  EXPECT_EQ(vopReverseAction(VOP_UNDO, source), -1) << "the source was only read";
  ASSERT_EQ(
      vopDecolor(nullptr, VOP_NO_UNDO | VOP_DECOLOR_BLACK_WHITE | 64, source, destination, nullptr),
      0);
  EXPECT_EQ(vopReverseAction(VOP_UNDO, destination), 4)
      << "the unrecorded reduction added no state";
}

TEST_F(History, AnalysesRecordNothing) {
  Image image(makeGradient());
  VOP_HISTOGRAM_RESULT result{};
  ASSERT_EQ(vopHistogram(nullptr, image, &result, nullptr), 0);
  ASSERT_GT(vopCountColor(nullptr, 0, image, nullptr), 1);
  EXPECT_EQ(vopReverseAction(VOP_UNDO, image), -1);
}

// Points the temporary folder elsewhere for the lifetime of the object.
class TempFolder {
public:
  explicit TempFolder(const std::string &folder) {
    for (const char *name : {"TMP", "TEMP"}) {
      char value[MAX_PATH] = {};
      const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
      m_saved.push_back(
          {name, length > 0 && length < MAX_PATH ? std::string(value) : std::string(), length > 0});
      SetEnvironmentVariableA(name, folder.c_str());
    }
  }
  ~TempFolder() {
    for (const Saved &s : m_saved)
      SetEnvironmentVariableA(s.name, s.had ? s.value.c_str() : nullptr);
  }
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;

private:
  struct Saved {
    const char *name;
    std::string value;
    bool had;
  };
  std::vector<Saved> m_saved;
};

TEST_F(History, ASnapshotThatCannotBeMadeIsReportedAndTheEditStays) {
  // Above 4,096,000 pixels a state goes to a temporary file; with the temporary folder gone
  // that file cannot be made.
  Image image(vopCreateImage(2048, 2001, 24, 0));
  ASSERT_NE(image.get(), nullptr);
  TempFolder gone("C:\\tolm_no_such_folder\\");
  char probe[MAX_PATH] = {}, folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  if (GetTempFileNameA(folder, "IW4", 0, probe) != 0) {
    DeleteFileA(probe);
    std::printf("SKIP snapshot failure: a temporary file can still be made in %s\n", folder);
    GTEST_SKIP();
  }
  VOP_TONE_CURVE_PARAMS p{};
  for (int i = 0; i < 256; ++i)
    p.table[i] = 200;
  p.channels = VOP_CHANNEL_RED;
  p.region = {0, 2048, 0, 2001};
  EXPECT_EQ(vopAdjustGamma2(nullptr, 0, &p, image, nullptr), -552);
  EXPECT_EQ(vopGetColor(image, 2047, 2000), rgb(200, 0, 0));
  // Asked not to record, the same edit succeeds.
  p.table[200] = 100;
  EXPECT_EQ(vopAdjustGamma2(nullptr, VOP_NO_UNDO, &p, image, nullptr), 0);
  EXPECT_EQ(vopGetColor(image, 0, 0), rgb(100, 0, 0));
}

} // namespace
