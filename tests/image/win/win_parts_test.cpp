// vopimg's Windows layer below the DLL, in history mode: undo states spilled to a file keep
// every byte, a turned picture carries no alpha mark, and the codec service stops when the
// last image goes.
#include <windows.h>

#include "image/win/codec_service.h"
#include "image/win/dc_cache.h"
#include "image/win/handles.h"
#include "image/win/history.h"
#include "image/win/live_records.h"
#include "image/win/record.h"
#include "include/vopimg.h"
#include "tests/image/win/history_mode.h"
#include "tests/image/win/temp_folder.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using vopwin::ImageRecord;

class WinParts : public voptest::HistoryModeSuite {};

ImageRecord &recordOf(VOP_IMAGE image) { return *vopwin::resolveHandle(image); }

// Every byte of every row, padding included, set from its place and a seed.
void fill(ImageRecord &r, uint8_t seed) {
  const int64_t row = (int64_t{r.bitsPerPixel} * r.width + 31) / 32 * 4;
  for (int32_t y = 0; y < r.height; ++y) {
    uint8_t *p = r.bits + static_cast<ptrdiff_t>(r.pitch) * y;
    for (int64_t i = 0; i < row; ++i)
      p[i] = static_cast<uint8_t>(i * 7 + y * 13 + seed);
  }
}

struct State {
  int32_t width = 0, height = 0, bitsPerPixel = 0;
  bool hasAlpha = false;
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> palette;
  bool operator==(const State &o) const {
    return width == o.width && height == o.height && bitsPerPixel == o.bitsPerPixel &&
           hasAlpha == o.hasAlpha && bytes == o.bytes && palette == o.palette;
  }
};

State stateOf(ImageRecord &r) {
  State s{r.width, r.height, r.bitsPerPixel, r.hasAlpha, {}, {}};
  if (r.bits == nullptr)
    return s;
  const int64_t row = (int64_t{r.bitsPerPixel} * r.width + 31) / 32 * 4;
  for (int32_t y = 0; y < r.height; ++y) {
    const uint8_t *p = r.bits + static_cast<ptrdiff_t>(r.pitch) * y;
    s.bytes.insert(s.bytes.end(), p, p + row);
  }
  if (r.bitsPerPixel <= 8) {
    vop::PaletteEntry table[256] = {};
    const int32_t n = vopwin::readColorTable(r, table, 256);
    for (int32_t i = 0; i < n; ++i)
      s.palette.push_back(static_cast<uint32_t>(table[i].blue | table[i].green << 8 |
                                                table[i].red << 16 | table[i].reserved << 24));
  }
  return s;
}

void setPalette(ImageRecord &r, uint8_t seed) {
  std::vector<vop::PaletteEntry> table(256);
  for (int i = 0; i < 256; ++i)
    table[i] = {static_cast<uint8_t>(i + seed), static_cast<uint8_t>(3 * i),
                static_cast<uint8_t>(255 - i), 0};
  ASSERT_TRUE(vopwin::writeColorTable(r, table.data(), 256));
}

// Above 4,096,000 pixels every state goes to a temporary file.
constexpr int32_t kWide = 2048, kHigh = 2001;

TEST_F(WinParts, SpilledStatesComeBackByteForByteWithTheirAlphaMarkAndPalette) {
  struct Case {
    int32_t bitsPerPixel;
    bool alpha;
  };
  for (const Case c : {Case{32, true}, Case{8, false}, Case{16, false}}) {
    SCOPED_TRACE(c.bitsPerPixel);
    voptest::OwnTempFolder temp;
    VOP_IMAGE image = vopCreateImage(kWide, kHigh, c.bitsPerPixel, c.alpha ? 1 : 0);
    ASSERT_NE(image, nullptr);
    ImageRecord &r = recordOf(image);
    fill(r, 1);
    if (c.bitsPerPixel == 8)
      setPalette(r, 0);
    const State first = stateOf(r);
    ASSERT_EQ(vopwin::pushSnapshot(image, 4), 0);
    EXPECT_EQ(temp.iw4Files().size(), 1u) << "the state went to a file";

    fill(r, 77);
    r.hasAlpha = !c.alpha;
    if (c.bitsPerPixel == 8)
      setPalette(r, 40);
    const State second = stateOf(r);
    ASSERT_EQ(vopwin::pushSnapshot(image, 6), 0);

    EXPECT_EQ(vopReverseAction(VOP_UNDO, image), 4);
    EXPECT_TRUE(stateOf(recordOf(image)) == first);
    EXPECT_EQ(vopReverseAction(VOP_REDO, image), 6);
    EXPECT_TRUE(stateOf(recordOf(image)) == second);
    vopDestroyImage(image);
    EXPECT_TRUE(temp.iw4Files().empty()) << "destroying the handle deletes its files";
  }
}

TEST_F(WinParts, ASpillFileThatNoLongerMatchesLeavesTheImageEmptyNotCorrupt) {
  voptest::OwnTempFolder temp;
  VOP_IMAGE image = vopCreateImage(kWide, kHigh, 24, 0);
  ASSERT_NE(image, nullptr);
  fill(recordOf(image), 5);
  ASSERT_EQ(vopwin::pushSnapshot(image, 4), 0);
  ASSERT_EQ(vopwin::pushSnapshot(image, 6), 0);
  const auto files = temp.iw4Files();
  ASSERT_EQ(files.size(), 2u);
  // Each file cut short by one byte: its header still claims the whole picture.
  for (const std::string &name : files) {
    HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{};
    GetFileSizeEx(f, &size);
    size.QuadPart -= 1;
    SetFilePointerEx(f, size, nullptr, FILE_BEGIN);
    SetEndOfFile(f);
    CloseHandle(f);
  }
  EXPECT_EQ(vopReverseAction(VOP_UNDO, image), 4) << "the state still counts as shown";
  int32_t width = -1;
  vopGetImageData(image, &width, nullptr, nullptr);
  EXPECT_EQ(width, 0) << "no picture made of a short file";
  vopDestroyImage(image);
}

TEST_F(WinParts, ATurnedPictureCarriesNoAlphaMarkForTheZeroAlphaItWasGiven) {
  VOP_IMAGE image = vopCreateImage(6, 4, 32, 1);
  ASSERT_NE(image, nullptr);
  ImageRecord &r = recordOf(image);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      uint8_t *p = r.bits + static_cast<ptrdiff_t>(r.pitch) * y + 4 * x;
      p[0] = static_cast<uint8_t>(x * 40), p[1] = static_cast<uint8_t>(y * 60), p[2] = 9,
      p[3] = 0x80;
    }
  for (const int32_t angle : {90, 45}) {
    SCOPED_TRACE(angle);
    r.hasAlpha = true;
    VOP_ROTATE_PARAMS turn{angle};
    ASSERT_EQ(vopRotate(nullptr, VOP_NO_UNDO, &turn, image, nullptr), 0);
    bool anyAlpha = false;
    for (int32_t y = 0; y < r.height; ++y)
      for (int32_t x = 0; x < r.width; ++x)
        anyAlpha |= r.bits[static_cast<ptrdiff_t>(r.pitch) * y + 4 * x + 3] != 0;
    EXPECT_FALSE(anyAlpha) << "the turn moves colours only";
    EXPECT_FALSE(r.hasAlpha);
  }
  vopDestroyImage(image);
}

TEST_F(WinParts, TheCodecServiceRunsWhileImagesLiveAndStopsWithTheLast) {
  ASSERT_EQ(vopwin::liveRecordCount(), 0);
  char missing[MAX_PATH] = "C:\\tolm_no_such_folder\\none.png";
  EXPECT_EQ(vopLoadImage(0, missing), nullptr);
  EXPECT_FALSE(vopwin::codecsRunning()) << "a failed load with no image alive";

  char name[MAX_PATH] = {};
  lstrcpynA(name, testutil::windowsPath(std::string(TEST_DATA_DIR) + "/photo.jpg").c_str(),
            MAX_PATH);
  VOP_IMAGE first = vopLoadImage(0, name);
  ASSERT_NE(first, nullptr);
  VOP_IMAGE second = vopLoadImage(0, name);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(vopwin::codecsRunning());
  vopDestroyImage(first);
  EXPECT_TRUE(vopwin::codecsRunning()) << "one image is still alive";
  vopDestroyImage(second);
  EXPECT_FALSE(vopwin::codecsRunning());
  EXPECT_EQ(vopwin::liveRecordCount(), 0);
}

TEST_F(WinParts, ADCGivenBackIsTheNextTakenUntilTheCacheIsReleased) {
  vopwin::releaseCachedDCs();
  HDC first = vopwin::takeDC();
  ASSERT_NE(first, nullptr);
  vopwin::giveDC(first);
  EXPECT_EQ(vopwin::takeDC(), first) << "the cached DC was not handed out again";
  vopwin::giveDC(first);
  vopwin::releaseCachedDCs();
  EXPECT_EQ(GetObjectType(first), 0u) << "a released DC is still alive";
  HDC fresh = vopwin::takeDC();
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(GetObjectType(fresh), 0u);
  vopwin::giveDC(fresh);
}

} // namespace
