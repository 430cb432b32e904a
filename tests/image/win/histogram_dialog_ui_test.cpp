// The histogram dialog under Xvfb, driven from a second thread: its texts, the channel
// buttons, the picture it paints and its caption; and the repaints of the export frame,
// which need a visible window.
#include <windows.h>

#include "include/vopimg.h"
#include "tests/image/win/test_images.h"
#include "tests/support/dialog_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

namespace {

using voptest::Image;
using voptest::makeImage;
using voptest::rgb;

constexpr int kRed = 8011, kLuminance = 8014, kHue = 8015, kDepth = 8017;

using testutil::canCreateWindows;
using testutil::Watchdog;

struct Found {
  DWORD thread;
  HWND dialog;
};

BOOL CALLBACK findDialog(HWND w, LPARAM data) {
  auto *found = reinterpret_cast<Found *>(data);
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (GetWindowThreadProcessId(w, nullptr) == found->thread && std::strcmp(cls, "#32770") == 0 &&
      IsWindowVisible(w)) {
    found->dialog = w;
    return FALSE;
  }
  return TRUE;
}

HWND waitForDialog(DWORD thread, int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 50) {
    Found found{thread, nullptr};
    EnumWindows(findDialog, reinterpret_cast<LPARAM>(&found));
    if (found.dialog != nullptr)
      return found.dialog;
    Sleep(50);
  }
  return nullptr;
}

std::wstring textOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring wide(const char *utf8) {
  wchar_t w[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w, 512);
  return w;
}

// Text in the ANSI code page, as callers pass it.
std::string ansi(const char *utf8) {
  char out[512] = {};
  WideCharToMultiByte(CP_ACP, 0, wide(utf8).c_str(), -1, out, sizeof out, nullptr, nullptr);
  return out;
}

// The dialog's client area as the dialog draws it (WM_PRINTCLIENT into a 32-bit section).
class ClientPicture {
public:
  explicit ClientPicture(HWND dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    m_width = client.right;
    m_height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&m_bits),
                                nullptr, 0);
    m_old = SelectObject(m_dc, m_bitmap);
    RECT all{0, 0, m_width, m_height};
    FillRect(m_dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    SendMessageW(dialog, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(m_dc), PRF_CLIENT);
    GdiFlush();
  }
  ~ClientPicture() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  ClientPicture(const ClientPicture &) = delete;
  ClientPicture &operator=(const ClientPicture &) = delete;
  // As COLORREF (0x00BBGGRR); white outside the picture.
  COLORREF at(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
      return 0xFFFFFFFF;
    const uint32_t v = m_bits[y * m_width + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }

private:
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
  uint32_t *m_bits = nullptr;
  int m_width = 0, m_height = 0;
};

// Saves the dialog as it appears on the screen, frame included, as a BMP file.
void saveScreenshot(HWND dialog, const std::string &path) {
  RECT frame{};
  GetWindowRect(dialog, &frame);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, frame.left, frame.top, SRCCOPY);
  GdiFlush();
  const DWORD row = ((w * 24 + 31) / 32) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + row * h;
  if (FILE *out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(bits, row, h, out);
    std::fclose(out);
    std::printf("screenshot: %s\n", path.c_str());
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

std::string shotPath(const char *name) {
  std::string path = std::string("Z:") + SHOT_DIR + "/" + name;
  for (char &c : path)
    if (c == '/')
      c = '\\';
  return path;
}

// Runs the dialog on a thread of its own, gives its window to inspect (null when none
// appeared within the time), then closes it with OK and waits for the export to return.
void withDialog(const char *title, VOP_IMAGE image, const std::function<void(HWND)> &inspect,
                int waitMilliseconds = 20000) {
  Watchdog watchdog(60);
  DWORD threadId = 0;
  std::mutex mutex;
  std::condition_variable started;
  bool haveId = false;
  std::thread shower([&] {
    {
      std::lock_guard<std::mutex> lock(mutex);
      threadId = GetCurrentThreadId();
      haveId = true;
    }
    started.notify_all();
    vopShowHistogramDlg(nullptr, title, image, nullptr);
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    started.wait(lock, [&] { return haveId; });
  }
  HWND dialog = waitForDialog(threadId, waitMilliseconds);
  if (dialog != nullptr)
    Sleep(300); // let it paint once
  inspect(dialog);
  if (dialog != nullptr)
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  shower.join();
}

// Three quarters of the sampled columns black, the rest one colour.
uint32_t dialogSample(int x, int) { return x < 75 ? rgb(0, 0, 0) : rgb(200, 100, 50); }

class HistogramDialog : public ::testing::Test {
protected:
  void SetUp() override {
    if (!canCreateWindows()) {
      std::printf("SKIP histogram dialog: no window can be created here (no display)\n");
      GTEST_SKIP();
    }
  }
};

TEST_F(HistogramDialog, OpensOnLuminanceAndRedrawsEachChosenChannel) {
  ASSERT_EQ(GetACP(), 932u);
  Image image(makeImage(100, 100, 24, dialogSample));
  ASSERT_NE(image.get(), nullptr);
  // The sample grid meets 38 black and 12 coloured columns: black peaks at 255, the colour
  // reaches 12 * 255 / 38 of the height.
  const int colourBar = 12 * 255 / 38;
  bool seen = false;
  const std::string title = ansi("ヒストグラム テスト");
  withDialog(title.c_str(), image, [&](HWND dialog) {
    ASSERT_NE(dialog, nullptr) << "no dialog appeared";
    seen = true;
    EXPECT_EQ(textOf(dialog), wide("ヒストグラム テスト"));
    const char *names[] = {" 赤", " 緑", " 青", " 輝度", " 色相", " 彩度"};
    for (int k = 0; k < 6; ++k)
      EXPECT_EQ(textOf(GetDlgItem(dialog, kRed + k)), wide(names[k])) << k;
    EXPECT_EQ(textOf(GetDlgItem(dialog, kDepth)), wide("24 bit/pixel"));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kLuminance), static_cast<UINT>(BST_CHECKED));
    {
      // Luminance: black bars, a grey strip; level 0 full height, from 262 up to y = 8.
      ClientPicture picture(dialog);
      EXPECT_EQ(picture.at(12, 262), RGB(0, 0, 0));
      EXPECT_EQ(picture.at(12, 8), RGB(0, 0, 0));
      EXPECT_EQ(picture.at(12, 6), RGB(255, 255, 255)) << "above the highest bar";
      EXPECT_EQ(picture.at(12 + 100, 270), RGB(100, 100, 100)) << "the strip";
      EXPECT_EQ(picture.at(10, 100), RGB(0, 0, 0)) << "the frame";
      EXPECT_EQ(picture.at(140, 100), RGB(255, 255, 255)) << "an empty level";
    }

    SendMessageW(GetDlgItem(dialog, kRed), BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRed), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kLuminance), static_cast<UINT>(BST_UNCHECKED));
    {
      ClientPicture picture(dialog);
      EXPECT_EQ(picture.at(12, 100), RGB(255, 0, 0));
      EXPECT_EQ(picture.at(12 + 200, 262), RGB(255, 0, 0));
      EXPECT_EQ(picture.at(12 + 200, 262 - colourBar + 1), RGB(255, 0, 0)) << "top of the bar";
      EXPECT_EQ(picture.at(12 + 200, 262 - colourBar - 1), RGB(255, 255, 255)) << "above it";
      EXPECT_EQ(picture.at(12 + 100, 270), RGB(100, 0, 0)) << "a red strip";
    }
    saveScreenshot(dialog, shotPath("histogram_red.bmp"));

    SendMessageW(GetDlgItem(dialog, kHue), BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kHue), static_cast<UINT>(BST_CHECKED));
    {
      // Black has hue code 0: its bar in the hue colour over a grey strip.
      ClientPicture picture(dialog);
      EXPECT_EQ(picture.at(12, 100), RGB(235, 200, 0));
      EXPECT_EQ(picture.at(12 + 100, 270), RGB(100, 100, 100));
    }
  });
  EXPECT_TRUE(seen);
}

TEST_F(HistogramDialog, ThePhotoSampleReachesTheTopInEveryChannel) {
  std::string path = std::string("Z:") + TOLM_SOURCE_DIR + "/samples/sample.jpg";
  for (char &c : path)
    if (c == '/')
      c = '\\';
  Image image(vopLoadImage(0, &path[0]));
  ASSERT_NE(image.get(), nullptr) << path;
  const std::string title = ansi("sample.jpg のヒストグラム");
  withDialog(title.c_str(), image, [&](HWND dialog) {
    ASSERT_NE(dialog, nullptr) << "no dialog appeared";
    EXPECT_EQ(textOf(GetDlgItem(dialog, kDepth)), wide("24 bit/pixel"));
    for (int k = 0; k < 6; ++k) {
      SendMessageW(GetDlgItem(dialog, kRed + k), BM_CLICK, 0, 0);
      // Each channel is scaled to its own peak: some level's bar reaches y = 8, none beyond.
      ClientPicture picture(dialog);
      int highest = 0;
      for (int x = 12; x < 12 + 256; ++x) {
        EXPECT_EQ(picture.at(x, 6), RGB(255, 255, 255)) << "channel " << k << " level " << x - 12;
        highest += picture.at(x, 8) != RGB(255, 255, 255);
      }
      EXPECT_GE(highest, 1) << "channel " << k;
    }
    SendMessageW(GetDlgItem(dialog, kLuminance), BM_CLICK, 0, 0);
    Sleep(200);
    saveScreenshot(dialog, shotPath("histogram.bmp"));
  });
}

TEST_F(HistogramDialog, LongTitlesAreCutWithoutSplittingACharacter) {
  Image image(makeImage(4, 4, 8, [](int, int) { return 0u; }, {rgb(1, 2, 3)}));
  // 100 double-byte characters: 200 bytes, of which 126 fit (63 characters).
  std::string title;
  for (int i = 0; i < 100; ++i)
    title += "\x82\xA0"; // あ in code page 932
  withDialog(title.c_str(), image, [&](HWND dialog) {
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog), std::wstring(63, L'\x3042'));
    EXPECT_EQ(textOf(GetDlgItem(dialog, kDepth)), wide("8 bit/pixel"));
  });
  const std::string ascii(200, 'a');
  withDialog(ascii.c_str(), image, [&](HWND dialog) {
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog), std::wstring(127, L'a'));
  });
}

TEST_F(HistogramDialog, WithoutATitleTheCaptionIsEmpty) {
  Image image(makeImage(4, 4, 24, [](int, int) { return rgb(9, 9, 9); }));
  withDialog(nullptr, image, [&](HWND dialog) {
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog), L"");
  });
}

TEST_F(HistogramDialog, ANullImageShowsNoDialog) {
  withDialog(
      "none", nullptr, [&](HWND dialog) { EXPECT_EQ(dialog, nullptr); }, 2000);
}

// ---- the export frame's repaints --------------------------------------------------------

LRESULT CALLBACK canvasProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

// A visible window whose update region tells whether UpdateWindow ran since it was last
// invalidated: DefWindowProc validates it while painting.
class Canvas {
public:
  Canvas() {
    WNDCLASSW cls{};
    cls.lpfnWndProc = canvasProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"VopRepaintCanvas";
    RegisterClassW(&cls);
    m_window =
        CreateWindowExW(0, L"VopRepaintCanvas", L"canvas", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                        200, 150, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    // Let the first exposure arrive and be painted before the checks start.
    for (int i = 0; i < 10; ++i) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
      Sleep(30);
    }
  }
  ~Canvas() { DestroyWindow(m_window); }
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;
  HWND get() const { return m_window; }
  bool pending() const { return GetUpdateRect(m_window, nullptr, FALSE) != FALSE; }

private:
  HWND m_window = nullptr;
};

// Every progress call invalidates the canvas: a repaint after the last call leaves nothing
// pending.
HWND g_canvas = nullptr;
void VOP_API invalidateCanvas(VOP_PROGRESS_RECORD *) { InvalidateRect(g_canvas, nullptr, FALSE); }

class FrameRepaint : public ::testing::Test {
protected:
  void SetUp() override {
    if (!canCreateWindows()) {
      std::printf("SKIP frame repaints: no window can be created here (no display)\n");
      GTEST_SKIP();
    }
  }
};

TEST_F(FrameRepaint, NoOpsAndRefusalsBeforeTheWorkRepaintNothing) {
  Canvas canvas;
  ASSERT_NE(canvas.get(), nullptr);
  Image image(voptest::makeFlat(6, 5, rgb(90, 120, 150)));
  const std::function<int()> calls[] = {
      [&] {
        VOP_GAMMA_PARAMS p{1.0, 0, {0, 6, 0, 5}};
        return vopAdjustGamma(canvas.get(), 0, &p, image, nullptr);
      },
      [&] {
        VOP_CONTRAST_PARAMS p{0, 0, {0, 6, 0, 5}};
        return vopAdjustContrast(canvas.get(), VOP_CONTRAST_AMOUNT, &p, image, nullptr);
      },
      [&] {
        VOP_QUALITY_PARAMS p{200, 0, 0, {0, 6, 0, 5}};
        return vopAdjustQuality(canvas.get(), 0, &p, image, nullptr);
      },
      [&] {
        VOP_ROTATE_PARAMS p{0};
        return vopRotate(canvas.get(), 0, &p, image, nullptr);
      },
      [&] { return vopDecolor(canvas.get(), VOP_DECOLOR_MEDIAN_CUT, image, image, nullptr); },
  };
  int index = 0;
  for (const auto &call : calls) {
    InvalidateRect(canvas.get(), nullptr, FALSE);
    ASSERT_TRUE(canvas.pending());
    EXPECT_LE(call(), 0) << index;
    EXPECT_TRUE(canvas.pending()) << "call " << index << " repainted";
    ++index;
  }
}

TEST_F(FrameRepaint, EditsRepaintAfterTheWorkAndRotationOnlyBefore) {
  Canvas canvas;
  g_canvas = canvas.get();
  VOP_PROGRESS_HOOK hook{invalidateCanvas, 0};
  struct Case {
    const char *name;
    bool repaintsAfter;
    std::function<int(VOP_IMAGE)> run;
  };
  const Case cases[] = {
      {"gamma", true,
       [&](VOP_IMAGE image) {
         VOP_GAMMA_PARAMS p{2.0, 0, {0, 6, 0, 5}};
         return vopAdjustGamma(canvas.get(), 0, &p, image, &hook);
       }},
      {"contrast", true,
       [&](VOP_IMAGE image) {
         VOP_CONTRAST_PARAMS p{10, 0, {0, 6, 0, 5}};
         return vopAdjustContrast(canvas.get(), VOP_CONTRAST_AMOUNT, &p, image, &hook);
       }},
      {"quality", true,
       [&](VOP_IMAGE image) {
         VOP_QUALITY_PARAMS p{30, 0, 0, {0, 6, 0, 5}};
         return vopAdjustQuality(canvas.get(), 0, &p, image, &hook);
       }},
      {"filter", true,
       [&](VOP_IMAGE image) {
         VOP_FILTER_PARAMS p{};
         p.region = {0, 6, 0, 5};
         return vopThroughFilter(canvas.get(), 0, &p, image, &hook);
       }},
      {"histogram", true,
       [&](VOP_IMAGE image) {
         VOP_HISTOGRAM_RESULT r{};
         return vopHistogram(canvas.get(), image, &r, &hook);
       }},
      {"colour count", true,
       [&](VOP_IMAGE image) { return vopCountColor(canvas.get(), 0, image, &hook) > 0 ? 0 : -1; }},
      {"rotation", false,
       [&](VOP_IMAGE image) {
         VOP_ROTATE_PARAMS p{90};
         return vopRotate(canvas.get(), 0, &p, image, &hook);
       }},
  };
  for (const Case &c : cases) {
    Image image(makeImage(6, 5, 24, [](int x, int y) { return rgb(30 * x, 40 * y, 90); }));
    ValidateRect(canvas.get(), nullptr);
    ASSERT_EQ(c.run(image), 0) << c.name;
    EXPECT_EQ(canvas.pending(), !c.repaintsAfter) << c.name;
  }
  Image source(makeImage(6, 5, 24, [](int x, int y) { return rgb(30 * x, 40 * y, 90); }));
  Image bw(vopCreateImage(6, 5, 1, 0));
  ValidateRect(canvas.get(), nullptr);
  ASSERT_EQ(vopDecolor(canvas.get(), VOP_DECOLOR_BLACK_WHITE | 100, source, bw, &hook), 0);
  EXPECT_FALSE(canvas.pending()) << "colour reduction";
  g_canvas = nullptr;
}

} // namespace
