// kelsys.dll's folder dialog, opened under Xvfb and inspected from a second thread.
#include <windows.h>
#include <commctrl.h>

#include "include/kelsys.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

using testutil::ScratchDir;

using testutil::Watchdog;

// What the second thread saw of the open dialog.
struct Seen {
  bool found = false;
  RECT window{};
  LONG style = 0;
  HWND owner = nullptr;
  bool hasTree = false;
  RECT tree{}; // client coordinates of the dialog
  int buttons = 0;
  RECT button[2]{};     // client coordinates of the first two buttons
  std::string selected; // text of the tree's selected item
  bool okEnabled = false;
};

RECT childRect(HWND dialog, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
  return r;
}

struct FindDialog {
  HWND dialog = nullptr;
};
BOOL CALLBACK findDialog(HWND w, LPARAM data) {
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
    reinterpret_cast<FindDialog *>(data)->dialog = w;
    return FALSE;
  }
  return TRUE;
}

std::string selectedText(HWND tree) {
  char text[MAX_PATH] = {};
  TVITEMA item{};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  item.pszText = text;
  item.cchTextMax = sizeof text;
  if (item.hItem == nullptr ||
      !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
    return std::string();
  return text;
}

// Waits for the dialog of the given thread, measures it and presses Cancel (or OK).
class Inspector {
public:
  Inspector(DWORD uiThread, bool pressOk) {
    m_thread = std::thread([this, uiThread, pressOk] { run(uiThread, pressOk); });
  }
  ~Inspector() { finish(); }
  void finish() {
    m_stop = true;
    if (m_thread.joinable())
      m_thread.join();
  }
  Seen seen;

private:
  void run(DWORD uiThread, bool pressOk) {
    FindDialog f;
    for (int i = 0; i < 300 && !m_stop && f.dialog == nullptr; ++i) {
      Sleep(50);
      EnumThreadWindows(uiThread, findDialog, reinterpret_cast<LPARAM>(&f));
    }
    if (f.dialog == nullptr)
      return;
    const HWND d = f.dialog;
    // The dialog fills its tree and selects the initial folder after it appears, later on a
    // busy machine: wait (at most 10 s) until the tree reports a selection and keeps it.
    const HWND tree = FindWindowExA(d, nullptr, "SysTreeView32", nullptr);
    std::string previous;
    for (int i = 0; i < 200 && !m_stop; ++i) {
      Sleep(50);
      const std::string now = tree ? selectedText(tree) : std::string();
      if (!now.empty() && now == previous && i >= 4)
        break;
      previous = now;
    }
    seen.found = true;
    GetWindowRect(d, &seen.window);
    seen.style = GetWindowLongA(d, GWL_STYLE);
    seen.owner = GetWindow(d, GW_OWNER);
    if (tree != nullptr) {
      seen.hasTree = true;
      seen.tree = childRect(d, tree);
      seen.selected = selectedText(tree);
    }
    HWND button = nullptr;
    while (seen.buttons < 2 && (button = FindWindowExA(d, button, "Button", nullptr)) != nullptr)
      seen.button[seen.buttons++] = childRect(d, button);
    const HWND ok = GetDlgItem(d, IDOK);
    seen.okEnabled = ok != nullptr && IsWindowEnabled(ok);
    PostMessageA(d, WM_COMMAND, pressOk ? IDOK : IDCANCEL, 0);
  }
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

LRESULT CALLBACK plainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(w, m, wp, lp);
}

HWND makeOwner() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = plainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KelsysDialogOwner";
  RegisterClassA(&wc);
  return CreateWindowExA(0, wc.lpszClassName, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                         nullptr, wc.hInstance, nullptr);
}

class DirDialog : public ::testing::Test {
protected:
  void SetUp() override {
    owner = makeOwner();
    if (owner == nullptr) {
      std::printf("SKIP folder dialog: no window can be created here (no display)\n");
      GTEST_SKIP();
    }
    pick = dir.folder("pick_me");
    std::memset(buffer, 0, sizeof buffer);
    std::strcpy(buffer, "unchanged");
  }
  void TearDown() override {
    if (owner)
      DestroyWindow(owner);
  }
  KEL_DIRLIST_OPTIONS options(int32_t mode, int32_t x, int32_t y, int32_t w, int32_t h,
                              int32_t layout) {
    KEL_DIRLIST_OPTIONS o{};
    o.owner = owner;
    o.mode = mode;
    o.x = x;
    o.y = y;
    o.width = w;
    o.height = h;
    o.title = "kelsys test: choose a folder";
    o.initialFolder = pick.c_str();
    o.layout = layout;
    return o;
  }
  // Shows the dialog with kelShowDirListBox2 (or Box1 when o is null), lets the inspector
  // measure and close it, and returns the export's result.
  int show(const KEL_DIRLIST_OPTIONS *o, Seen &seen, bool pressOk = false) {
    Watchdog watchdog(60);
    Inspector inspector(GetCurrentThreadId(), pressOk);
    const int result =
        o ? kelShowDirListBox2(o, buffer) : kelShowDirListBox1(owner, "kelsys test: Box1", buffer);
    inspector.finish();
    seen = inspector.seen;
    return result;
  }
  ScratchDir dir;
  HWND owner = nullptr;
  std::string pick;
  char buffer[MAX_PATH + 16];
};

TEST_F(DirDialog, ClassicDialogIsPlacedSizedAndLaidOutAsAsked) {
  const KEL_DIRLIST_OPTIONS o = options(0, 50, 60, 500, 400, 0);
  Seen seen;
  EXPECT_EQ(show(&o, seen), 0) << "cancelled";
  EXPECT_STREQ(buffer, "unchanged");
  ASSERT_TRUE(seen.found) << "no dialog appeared";
  EXPECT_EQ(seen.window.left, 50);
  EXPECT_EQ(seen.window.top, 60);
  EXPECT_EQ(seen.window.right - seen.window.left, 500);
  EXPECT_EQ(seen.window.bottom - seen.window.top, 400);
  EXPECT_EQ(seen.style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(seen.owner, owner);
  ASSERT_TRUE(seen.hasTree);
  EXPECT_EQ(seen.tree.right - seen.tree.left, 470);
  EXPECT_EQ(seen.tree.bottom - seen.tree.top, 280);
  ASSERT_EQ(seen.buttons, 2);
  EXPECT_EQ(seen.button[0].left, 300);
  EXPECT_EQ(seen.button[0].top, 340);
  EXPECT_EQ(seen.button[1].left, 395);
  EXPECT_EQ(seen.button[1].top, 340);
  EXPECT_EQ(seen.selected, "pick_me") << "the initial folder is selected";
}

TEST_F(DirDialog, WithoutCaptionTheTreeAndButtonsTakeTheFreedHeight) {
  const KEL_DIRLIST_OPTIONS o = options(0, 40, 30, 520, 420, KEL_DIRLIST_NO_CAPTION);
  Seen seen;
  EXPECT_EQ(show(&o, seen), 0);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.style & WS_CAPTION, 0);
  EXPECT_EQ(seen.window.left, 40);
  EXPECT_EQ(seen.window.top, 30);
  EXPECT_EQ(seen.window.right - seen.window.left, 520);
  EXPECT_EQ(seen.window.bottom - seen.window.top, 420);
  ASSERT_TRUE(seen.hasTree);
  const int treeHeight = seen.tree.bottom - seen.tree.top;
  EXPECT_GT(treeHeight, 420 - 120) << "the caption's height goes to the tree";
  ASSERT_EQ(seen.buttons, 2);
  EXPECT_EQ(seen.button[0].top, treeHeight + 60);
  EXPECT_EQ(seen.button[1].left, 520 - 105);
}

TEST_F(DirDialog, NoAdjustLayoutShowsThePlainDialogWithNothingSelected) {
  const KEL_DIRLIST_OPTIONS o = options(0, 50, 60, 500, 400, KEL_DIRLIST_NO_ADJUST);
  Seen seen;
  EXPECT_EQ(show(&o, seen), 0);
  ASSERT_TRUE(seen.found);
  const bool asAsked = seen.window.left == 50 && seen.window.top == 60 &&
                       seen.window.right - seen.window.left == 500 &&
                       seen.window.bottom - seen.window.top == 400;
  EXPECT_FALSE(asAsked) << "the system's place and size stay";
  EXPECT_NE(seen.selected, "pick_me") << "no initial selection";
  EXPECT_EQ(seen.owner, owner);
}

TEST_F(DirDialog, ASystemPlacedClassicDialogStillHasItsChildrenArranged) {
  Seen seen;
  EXPECT_EQ(show(nullptr, seen), 0);
  ASSERT_TRUE(seen.found);
  const int w = seen.window.right - seen.window.left;
  const int h = seen.window.bottom - seen.window.top;
  ASSERT_TRUE(seen.hasTree);
  EXPECT_EQ(seen.tree.right - seen.tree.left, w - 30);
  EXPECT_EQ(seen.tree.bottom - seen.tree.top, h - 120);
  ASSERT_EQ(seen.buttons, 2);
  EXPECT_EQ(seen.button[0].left, w - 200);
  EXPECT_EQ(seen.button[0].top, h - 60);
  EXPECT_EQ(seen.owner, owner);
  EXPECT_STREQ(buffer, "unchanged");
}

TEST_F(DirDialog, NewStyleDialogIsMovedButKeepsItsSize) {
  const KEL_DIRLIST_OPTIONS o = options(1, 70, 80, 300, 200, 0);
  Seen seen;
  EXPECT_EQ(show(&o, seen), 0);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.window.left, 70);
  EXPECT_EQ(seen.window.top, 80);
  const bool sized =
      seen.window.right - seen.window.left == 300 && seen.window.bottom - seen.window.top == 200;
  EXPECT_FALSE(sized) << "width and height are for the classic dialog only";
  EXPECT_EQ(seen.selected, "pick_me");
}

TEST_F(DirDialog, ChoosingTheSelectedFolderReturnsItsPath) {
  const KEL_DIRLIST_OPTIONS o = options(0, 50, 60, 500, 400, 0);
  Seen seen;
  const int result = show(&o, seen, true);
  ASSERT_TRUE(seen.found);
  ASSERT_EQ(seen.selected, "pick_me");
  if (!seen.okEnabled && result == 0) {
    std::printf("SKIP choosing a folder: this platform's dialog keeps OK disabled for folders\n");
    GTEST_SKIP();
  }
  EXPECT_EQ(result, 1);
  EXPECT_STREQ(buffer, pick.c_str());
}

TEST(DirDialogArguments, NullRecordOrBufferShowsNothing) {
  char buffer[MAX_PATH] = "unchanged";
  KEL_DIRLIST_OPTIONS o{};
  o.layout = KEL_DIRLIST_NO_ADJUST;
  Watchdog watchdog(20); // a dialog shown here would never be closed
  EXPECT_EQ(kelShowDirListBox2(nullptr, buffer), 0);
  EXPECT_EQ(kelShowDirListBox2(&o, nullptr), 0);
  EXPECT_EQ(kelShowDirListBox1(nullptr, "t", nullptr), 0);
  EXPECT_STREQ(buffer, "unchanged");
}

} // namespace
