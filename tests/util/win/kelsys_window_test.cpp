// kelsys.dll's window utilities on real windows of the test thread (under Xvfb).
#include <windows.h>

#include "include/kelsys.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// ---- window utilities -----------------------------------------------------------------------

LRESULT CALLBACK plainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(w, m, wp, lp);
}

// A hidden top-level window of the test thread, with a client area of the given size.
class TestWindow {
public:
  TestWindow(int clientWidth = 240, int clientHeight = 130) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = plainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KelsysTestWindow";
    RegisterClassA(&wc); // a second registration fails harmlessly
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    hwnd = CreateWindowExA(0, "KelsysTestWindow", "kelsys test", WS_OVERLAPPEDWINDOW, 10, 10,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance,
                           nullptr);
  }
  ~TestWindow() {
    if (hwnd)
      DestroyWindow(hwnd);
  }
  TestWindow(const TestWindow &) = delete;
  TestWindow &operator=(const TestWindow &) = delete;
  HWND hwnd = nullptr;
};

#define REQUIRE_WINDOW(w)                                                                          \
  if ((w).hwnd == nullptr) {                                                                       \
    std::printf("SKIP windows: this platform cannot create one here (no display)\n");              \
    GTEST_SKIP();                                                                                  \
  }

// Drops whatever the system itself queued for the new window, so that only posted input counts.
void drain(HWND w) {
  MSG msg;
  while (PeekMessageA(&msg, w, WM_MOUSEFIRST, 0x20A, PM_REMOVE) ||
         PeekMessageA(&msg, w, WM_KEYFIRST, 0x108, PM_REMOVE)) {
  }
}

bool waiting(HWND w, UINT first, UINT last) {
  MSG msg;
  return PeekMessageA(&msg, w, first, last, PM_NOREMOVE) != 0;
}

TEST(CaptureButton, NothingWaitingMeansGoOn) {
  TestWindow w;
  REQUIRE_WINDOW(w);
  drain(w.hwnd);
  EXPECT_EQ(kelCaptureButton(w.hwnd), 1);
}

TEST(CaptureButton, APressAloneIsConsumedAndTheReleaseStops) {
  TestWindow w;
  REQUIRE_WINDOW(w);
  drain(w.hwnd);
  PostMessageA(w.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(kelCaptureButton(w.hwnd), 1);
  EXPECT_FALSE(waiting(w.hwnd, WM_MOUSEFIRST, 0x20A)) << "the press was removed";
  PostMessageA(w.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(kelCaptureButton(w.hwnd), 0);
  EXPECT_EQ(kelCaptureButton(w.hwnd), 1) << "a release counts once";
}

TEST(CaptureButton, EnterReleasedStopsWhateverTheMouseDid) {
  TestWindow w;
  REQUIRE_WINDOW(w);
  drain(w.hwnd);
  PostMessageA(w.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  PostMessageA(w.hwnd, WM_KEYUP, VK_RETURN, 0xC01C0001);
  EXPECT_EQ(kelCaptureButton(w.hwnd), 0);
  EXPECT_FALSE(waiting(w.hwnd, WM_MOUSEFIRST, 0x20A));
  EXPECT_FALSE(waiting(w.hwnd, WM_KEYFIRST, 0x108));

  PostMessageA(w.hwnd, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  EXPECT_EQ(kelCaptureButton(w.hwnd), 1) << "only Enter counts";
  PostMessageA(w.hwnd, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  EXPECT_EQ(kelCaptureButton(w.hwnd), 1) << "Enter pressed is not Enter released";
  EXPECT_FALSE(waiting(w.hwnd, WM_KEYFIRST, 0x108)) << "the key message was consumed all the same";
}

TEST(CaptureButton, OneMessageOfEachKindPerPoll) {
  TestWindow w;
  REQUIRE_WINDOW(w);
  drain(w.hwnd);
  PostMessageA(w.hwnd, WM_LBUTTONUP, 0, 0);
  PostMessageA(w.hwnd, WM_KEYDOWN, 'A', 0);
  PostMessageA(w.hwnd, WM_MOUSEMOVE, 0, 0);
  PostMessageA(w.hwnd, WM_USER + 1, 0, 0);
  EXPECT_EQ(kelCaptureButton(w.hwnd), 0);
  EXPECT_TRUE(waiting(w.hwnd, WM_MOUSEMOVE, WM_MOUSEMOVE)) << "the second mouse message waits";
  EXPECT_FALSE(waiting(w.hwnd, WM_KEYFIRST, 0x108));
  EXPECT_EQ(kelCaptureButton(w.hwnd), 1);
  EXPECT_TRUE(waiting(w.hwnd, WM_USER + 1, WM_USER + 1)) << "other messages are not touched";
}

TEST(CaptureButton, AnotherWindowsMessagesAreLeftAlone) {
  TestWindow w, other;
  REQUIRE_WINDOW(w);
  REQUIRE_WINDOW(other);
  drain(w.hwnd);
  drain(other.hwnd);
  PostMessageA(other.hwnd, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(kelCaptureButton(w.hwnd), 1);
  EXPECT_TRUE(waiting(other.hwnd, WM_LBUTTONUP, WM_LBUTTONUP));
  EXPECT_EQ(kelCaptureButton(other.hwnd), 0);
}

TEST(WindowAreas, ClientRectangleOfAWindow) {
  TestWindow w(240, 130);
  REQUIRE_WINDOW(w);
  RECT r{-1, -1, -1, -1};
  EXPECT_NE(kelGetClient(w.hwnd, &r), 0);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 130);
  EXPECT_EQ(kelGetClient(w.hwnd, nullptr), 0);
  const HWND gone = w.hwnd;
  DestroyWindow(w.hwnd);
  w.hwnd = nullptr;
  EXPECT_EQ(kelGetClient(gone, &r), 0);
}

TEST(WindowAreas, WorkAreaLiesOnTheScreen) {
  RECT r{};
  if (kelGetWorkArea(&r, 12345) == 0) {
    std::printf("SKIP work area: this platform reports none here (no display)\n");
    GTEST_SKIP();
  }
  EXPECT_LT(r.left, r.right);
  EXPECT_LT(r.top, r.bottom);
  EXPECT_LE(r.right - r.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  RECT direct{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &direct, 0);
  EXPECT_TRUE(EqualRect(&r, &direct));
  EXPECT_EQ(kelGetWorkArea(nullptr, 0), 0);
}

} // namespace
