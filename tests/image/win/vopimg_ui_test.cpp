// vopimg.dll's clipboard and file dialogs under Xvfb: the dialogs are answered from a second
// thread of this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

#include "include/vopimg.h"
#include "tests/image/win/vop_test_image.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/win_test_util.h"

namespace {

using testutil::ScratchDir;
using testutil::SeenDialog;

using voptest::Image;

// A 24-bit image whose pixels differ; written through the clipboard-independent copy road.
VOP_IMAGE patterned(int w, int h) {
  VOP_IMAGE image = vopCreateImage(w, h, 24, 0);
  // The record's bits pointer (third word) addresses row 0; the pitch (sixth int) is negative.
  auto *const *words = reinterpret_cast<uint8_t *const *>(image);
  uint8_t *bits = words[2];
  const int32_t pitch = reinterpret_cast<const int32_t *>(image)[(3 * sizeof(void *)) / 4 + 2];
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t *p = bits + static_cast<ptrdiff_t>(pitch) * y + 3 * x;
      p[0] = static_cast<uint8_t>(x * 50), p[1] = static_cast<uint8_t>(y * 70), p[2] = 99;
    }
  return image;
}

std::vector<uint32_t> pixels(VOP_IMAGE image) {
  int32_t w = 0, h = 0;
  vopGetImageData(image, &w, &h, nullptr);
  std::vector<uint32_t> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.push_back(vopGetColor(image, x, y));
  return out;
}

std::string narrow(const std::wstring &w) {
  std::string out;
  for (wchar_t c : w)
    out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

class VopWindows : public ::testing::Test {
protected:
  void SetUp() override {
    if (!testutil::canCreateWindows()) {
      std::printf("SKIP clipboard and dialogs: no window can be created here (no display)\n");
      GTEST_SKIP();
    }
  }
};

TEST_F(VopWindows, ClipboardRoundTrip) {
  Image source(patterned(5, 4));
  ASSERT_NE(source.handle, nullptr);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(vopGetClipboardImage(nullptr), nullptr) << "no bitmap on the clipboard";
  EXPECT_EQ(vopSetClipboardImage(nullptr, nullptr), -1);

  ASSERT_EQ(vopSetClipboardImage(nullptr, source), 0);
  ASSERT_TRUE(IsClipboardFormatAvailable(CF_DIB));
  Image back(vopGetClipboardImage(nullptr));
  ASSERT_NE(back.handle, nullptr);
  int32_t depth = 0;
  vopGetImageData(back, nullptr, nullptr, &depth);
  EXPECT_EQ(depth, 24);
  EXPECT_EQ(pixels(back), pixels(source));

  // A DIB another program put there.
  const int row = 4;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 40 + row * 2);
  auto *dib = static_cast<uint8_t *>(GlobalLock(block));
  BITMAPINFOHEADER header{40, 1, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::memcpy(dib, &header, 40);
  const uint8_t bottom[4] = {1, 2, 3, 0}, top[4] = {4, 5, 6, 0};
  std::memcpy(dib + 40, bottom, 4);
  std::memcpy(dib + 44, top, 4);
  GlobalUnlock(block);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  ASSERT_NE(SetClipboardData(CF_DIB, block), nullptr);
  CloseClipboard();
  Image pasted(vopGetClipboardImage(nullptr));
  ASSERT_NE(pasted.handle, nullptr);
  EXPECT_EQ(vopGetColor(pasted, 0, 0), 0x040506u);
  EXPECT_EQ(vopGetColor(pasted, 0, 1), 0x010203u);
}

TEST_F(VopWindows, OpenDialogListsDecodersAndLoadsTheChoice) {
  char name[MAX_PATH] = "untouched";
  SeenDialog seen;
  std::thread cancel([&] { testutil::answerFileDialog("", seen); });
  {
    testutil::Watchdog watchdog(60);
    EXPECT_EQ(vopLoadImage(VOP_LOAD_DIALOG, name), nullptr);
  }
  cancel.join();
  ASSERT_TRUE(seen.found) << "no dialog appeared";
  EXPECT_STREQ(name, "untouched");
  // Every decoder but the metafile and icon ones, as "description (patterns)".
  const auto listed = [&](const wchar_t *part) {
    return std::any_of(seen.types.begin(), seen.types.end(),
                       [&](const std::wstring &t) { return t.find(part) != std::wstring::npos; });
  };
  std::wstring all;
  for (const auto &t : seen.types)
    all += t + L" | ";
  EXPECT_TRUE(listed(L"*.PNG")) << "PNG";
  EXPECT_TRUE(listed(L"*.JPG")) << "JPEG";
  EXPECT_FALSE(listed(L"*.EMF"));
  EXPECT_FALSE(listed(L"*.WMF"));
  // The icon decoder is left out by its format identifier; Wine files its icon decoder under
  // the bitmap identifier, so there it stays in the list.
  EXPECT_TRUE(listed(L"*.BMP")) << narrow(all);

  ScratchDir dir;
  Image source(patterned(3, 2));
  char saved[MAX_PATH];
  std::strcpy(saved, dir.join("chosen.png").c_str());
  ASSERT_EQ(vopSaveImage(VOP_SAVE_FORMAT_PNG, source, saved, nullptr), 0);
  SeenDialog second;
  std::thread choose([&] { testutil::answerFileDialog(saved, second); });
  VOP_IMAGE loaded;
  {
    testutil::Watchdog watchdog(60);
    loaded = vopLoadImage(VOP_LOAD_DIALOG, name);
  }
  choose.join();
  Image image(loaded);
  ASSERT_NE(image.handle, nullptr);
  EXPECT_STRCASEEQ(name, saved) << "the chosen name is written back";
  EXPECT_EQ(pixels(image), pixels(source));
}

TEST_F(VopWindows, SaveDialogCompletesTheExtensionOfTheChosenType) {
  ScratchDir dir;
  Image source(patterned(3, 2));
  struct Case {
    const char *typed;
    int type; // 0-based: bitmap, JPEG, GIF, PNG
    const char *expected;
  };
  for (const Case &c : {Case{"photo", 3, "photo.png"}, Case{"other.png", 0, "other.png.bmp"},
                        Case{"shot.JPG", 1, "shot.JPG"}}) {
    char name[MAX_PATH] = "";
    SeenDialog seen;
    const std::string typed = dir.join(c.typed);
    std::thread answer([&] { testutil::answerFileDialog(typed, seen, c.type); });
    int result;
    {
      testutil::Watchdog watchdog(60);
      result = vopSaveImage(VOP_SAVE_DIALOG, source, name, nullptr);
    }
    answer.join();
    ASSERT_TRUE(seen.found);
    ASSERT_EQ(seen.types.size(), 4u);
    EXPECT_EQ(seen.types[0], L"Bitmap image");
    EXPECT_EQ(result, 0) << c.typed;
    EXPECT_STRCASEEQ(name, dir.join(c.expected).c_str());
    EXPECT_NE(GetFileAttributesA(dir.join(c.expected).c_str()), INVALID_FILE_ATTRIBUTES);
  }
  char name[MAX_PATH] = "keep";
  SeenDialog seen;
  std::thread cancel([&] { testutil::answerFileDialog("", seen); });
  int result;
  {
    testutil::Watchdog watchdog(60);
    result = vopSaveImage(VOP_SAVE_DIALOG, source, name, nullptr);
  }
  cancel.join();
  EXPECT_EQ(result, 550);
  EXPECT_STREQ(name, "keep");
}

} // namespace
