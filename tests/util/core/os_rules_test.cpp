// Tests of the platform-neutral rules behind the drive, search and folder-dialog exports.
#include "util/core/dirdialog_layout.h"
#include "util/core/drive_rules.h"
#include "util/core/search_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kel {
namespace {

// ---- attribute filter ------------------------------------------------------------------

constexpr uint32_t kReadOnly = 0x01, kHidden = 0x02, kSystem = 0x04, kDirectory = 0x10,
                   kArchive = 0x20, kNormal = 0x80;

TEST(AttributeFilter, ItemsWithoutFilteredAttributesAlwaysPass) {
  for (uint32_t flags : {0x000u, 0x001u, 0x002u, 0x100u, 0xF03u})
    for (uint32_t attrs : {0x00u, kNormal, kDirectory, 0x800u /* compressed */, 0x4000u}) {
      EXPECT_TRUE(passesAttributeFilter(flags, attrs)) << std::hex << flags << " " << attrs;
    }
}

TEST(AttributeFilter, EachCarriedAttributeNeedsItsOwnFlag) {
  struct Case {
    uint32_t attribute, accept;
  };
  const Case cases[] = {{kArchive, 0x100}, {kHidden, 0x200}, {kReadOnly, 0x400}, {kSystem, 0x800}};
  for (const Case &c : cases) {
    EXPECT_TRUE(passesAttributeFilter(c.accept, c.attribute));
    EXPECT_TRUE(passesAttributeFilter(c.accept, c.attribute | kDirectory));
    // Every other accept flag together does not let it through.
    EXPECT_FALSE(passesAttributeFilter(0xF03u & ~c.accept, c.attribute)) << std::hex << c.attribute;
  }
  // Two attributes need both flags.
  EXPECT_FALSE(passesAttributeFilter(0x200, kHidden | kArchive));
  EXPECT_FALSE(passesAttributeFilter(0x100, kHidden | kArchive));
  EXPECT_TRUE(passesAttributeFilter(0x300, kHidden | kArchive));
  // The program's ordinary walk: archive and read-only accepted, hidden and system refused.
  EXPECT_TRUE(passesAttributeFilter(0x503, kReadOnly | kArchive));
  EXPECT_FALSE(passesAttributeFilter(0x503, kSystem | kArchive));
}

TEST(AttributeFilter, AnUnreadableItemPassesOnlyWhenEveryAttributeIsAccepted) {
  EXPECT_TRUE(passesAttributeFilter(0xF03, kUnreadableAttributes));
  EXPECT_FALSE(passesAttributeFilter(0x703, kUnreadableAttributes));
  EXPECT_FALSE(passesAttributeFilter(0xB03, kUnreadableAttributes));
  EXPECT_FALSE(passesAttributeFilter(0x503, kUnreadableAttributes));
  EXPECT_TRUE(passesAttributeFilter(0xF00, 0x27));
}

// ---- path joining ----------------------------------------------------------------------

TEST(JoinPath, JoinsWithOneBackslash) {
  char out[kPathCapacity];
  ASSERT_TRUE(joinPath(out, sizeof out, "C:\\data", "*.*"));
  EXPECT_STREQ(out, "C:\\data\\*.*");
  // A trailing 0x5C may belong to a double-byte character ("\x95\x5C" in code page 932).
  ASSERT_TRUE(joinPath(out, sizeof out, "C:\\\x95\x5C", "a.txt"));
  EXPECT_STREQ(out, "C:\\\x95\x5C\\a.txt");
  ASSERT_TRUE(joinPath(out, sizeof out, "", ""));
  EXPECT_STREQ(out, "\\");
}

TEST(JoinPath, FillsTheBufferExactlyAndRefusesOneByteMore) {
  char out[kPathCapacity + 8];
  std::memset(out, 'Z', sizeof out);
  const std::string folder(200, 'f');
  const std::string fits(kPathCapacity - 1 - folder.size() - 1, 'n'); // 259 characters in all
  ASSERT_TRUE(joinPath(out, kPathCapacity, folder, fits));
  EXPECT_EQ(std::strlen(out), kPathCapacity - 1);
  EXPECT_EQ(out[kPathCapacity], 'Z') << "nothing written past the capacity";

  std::memset(out, 'Z', sizeof out);
  EXPECT_FALSE(joinPath(out, kPathCapacity, folder, fits + "n"));
  EXPECT_STREQ(out, "") << "a refused path leaves an empty string, not a cut one";
  EXPECT_EQ(out[1], 'Z');
}

TEST(JoinPath, HugeOrDegenerateInputsAreRefused) {
  char out[16];
  const std::string big(1000, 'x');
  EXPECT_FALSE(joinPath(out, sizeof out, big, "a"));
  EXPECT_FALSE(joinPath(out, sizeof out, "a", big));
  EXPECT_FALSE(joinPath(out, sizeof out, std::string(15, 'a'), ""));
  EXPECT_FALSE(joinPath(out, 0, "a", "b"));
  EXPECT_FALSE(joinPath(nullptr, 16, "a", "b"));
  EXPECT_FALSE(joinPath(out, 1, "", ""));
  EXPECT_TRUE(joinPath(out, 2, "", ""));
}

TEST(AppendPath, GrowsAndShrinksOneBufferInPlace) {
  char buffer[24];
  std::memset(buffer, 'Z', sizeof buffer);
  std::memcpy(buffer, "C:\\top", 7);
  ASSERT_TRUE(appendPath(buffer, 20, 6, "sub"));
  EXPECT_STREQ(buffer, "C:\\top\\sub");
  ASSERT_TRUE(appendPath(buffer, 20, 10, "leaf1234"));
  EXPECT_STREQ(buffer, "C:\\top\\sub\\leaf1234"); // 19 bytes: the last that fit
  // Back to the first level, as a walk does after a subfolder.
  ASSERT_TRUE(appendPath(buffer, 20, 6, "x"));
  EXPECT_STREQ(buffer, "C:\\top\\x");
  EXPECT_FALSE(appendPath(buffer, 20, 10, "leaf12345"));
  EXPECT_STREQ(buffer, "C:\\top\\x") << "a refused name leaves the folder";
  EXPECT_EQ(buffer[20], 'Z');
  EXPECT_FALSE(appendPath(buffer, 20, 20, ""));
  EXPECT_FALSE(appendPath(buffer, 20, 19, ""));
}

// ---- drive designators -----------------------------------------------------------------

TEST(DriveRoot, TypeQueryTakesTwoCharactersAndABackslash) {
  char root[4];
  driveTypeRoot("C:", root);
  EXPECT_STREQ(root, "C:\\");
  driveTypeRoot("C", root);
  EXPECT_STREQ(root, "C\\");
  driveTypeRoot("", root);
  EXPECT_STREQ(root, "\\");
  const std::string longOne = "C:\\Windows\\" + std::string(400, 'x');
  driveTypeRoot(longOne.c_str(), root);
  EXPECT_STREQ(root, "C:\\") << "a long designator is cut, never copied whole";
}

TEST(DriveRoot, ActiveCheckTakesTwoCharactersAndStopsAtTheEnd) {
  char root[3];
  activeDriveRoot("D:\\anything", root);
  EXPECT_STREQ(root, "D:");
  activeDriveRoot("E", root);
  EXPECT_STREQ(root, "E");
  EXPECT_EQ(root[2], '\0');
  // Only what is there is read: a one-character string in a two-byte array.
  const char exact[2] = {'F', '\0'};
  activeDriveRoot(exact, root);
  EXPECT_STREQ(root, "F");
}

TEST(ClusterSpace, MultipliesInSixtyFourBits) {
  EXPECT_EQ(clusterSpace(10, 512, 8), 40960u);
  // 2 TiB free in 4 KiB clusters: the 32-bit product would wrap to 0.
  EXPECT_EQ(clusterSpace(0x20000000u, 512, 8), uint64_t{1} << 41);
  EXPECT_EQ(clusterSpace(0, 512, 8), 0u);
  EXPECT_EQ(clusterSpace(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu), UINT64_MAX);
}

// ---- folder dialog placement -----------------------------------------------------------

const DirDialogRect kWindow{100, 80, 100 + 320, 80 + 390}; // 320 x 390 at (100, 80)

TEST(DirDialogPlacement, NoAdjustLayoutTouchesNothing) {
  const DirDialogPlacement p =
      planDirDialog({0, 10, 10, 500, 400, kDirDialogNoAdjust}, kWindow, -30);
  EXPECT_FALSE(p.moveWindow || p.resizeWindow || p.removeCaption || p.arrangeChildren);
  EXPECT_FALSE(p.selectInitial);
  EXPECT_FALSE(planDirDialog({1, 10, 10, 0, 0, -1}, kWindow, 0).moveWindow);
}

TEST(DirDialogPlacement, NewStyleIsOnlyMovedAndOnlyWithBothCoordinates) {
  DirDialogPlacement p = planDirDialog({1, 40, 50, 900, 900, 0}, kWindow, -30);
  EXPECT_TRUE(p.moveWindow);
  EXPECT_FALSE(p.resizeWindow || p.arrangeChildren || p.removeCaption);
  EXPECT_EQ(p.x, 40);
  EXPECT_EQ(p.y, 50);
  EXPECT_TRUE(p.selectInitial);
  for (auto xy : {std::pair{-1, 50}, std::pair{40, -1}}) {
    p = planDirDialog({1, xy.first, xy.second, 0, 0, kDirDialogNoCaption}, kWindow, -30);
    EXPECT_FALSE(p.moveWindow);
    EXPECT_FALSE(p.removeCaption) << "the new-style dialog keeps its caption";
    EXPECT_TRUE(p.selectInitial);
  }
  EXPECT_TRUE(planDirDialog({1, 0, 0, 0, 0, 0}, kWindow, 0).moveWindow) << "0 is a place";
}

TEST(DirDialogPlacement, ClassicWithPlaceAndSizeArrangesTheChildren) {
  const DirDialogPlacement p = planDirDialog({0, 50, 60, 500, 400, 0}, kWindow, -30);
  EXPECT_TRUE(p.moveWindow && p.resizeWindow && p.arrangeChildren);
  EXPECT_FALSE(p.removeCaption);
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 60);
  EXPECT_EQ(p.width, 500);
  EXPECT_EQ(p.height, 400);
  EXPECT_EQ(p.treeWidth, 470);
  EXPECT_EQ(p.treeHeight, 280) << "the caption offset counts only without the caption";
  EXPECT_EQ(p.firstButtonX, 300);
  EXPECT_EQ(p.secondButtonX, 395);
  EXPECT_EQ(p.buttonY, 340);
}

TEST(DirDialogPlacement, ClassicTakesTheSystemsValuesWhenAskedTo) {
  // A negative coordinate: place and size both come from the window.
  DirDialogPlacement p = planDirDialog({0, -1, 60, 500, 400, 0}, kWindow, 0);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 80);
  EXPECT_EQ(p.width, 320);
  EXPECT_EQ(p.height, 390);
  EXPECT_EQ(p.treeHeight, 270);
  // A place but no size: the place is the caller's, the size the window's.
  for (auto wh : {std::pair{0, 400}, std::pair{500, -5}}) {
    p = planDirDialog({0, 5, 6, wh.first, wh.second, 0}, kWindow, 0);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 6);
    EXPECT_EQ(p.width, 320);
    EXPECT_EQ(p.height, 390);
  }
}

TEST(DirDialogPlacement, WithoutCaptionTheFreedHeightGoesToTheTreeAndButtons) {
  const DirDialogPlacement p =
      planDirDialog({0, 50, 60, 500, 400, kDirDialogNoCaption}, kWindow, -26);
  EXPECT_TRUE(p.removeCaption);
  EXPECT_EQ(p.height, 400);
  EXPECT_EQ(p.treeHeight, 306);
  EXPECT_EQ(p.buttonY, 366);
  EXPECT_EQ(p.treeWidth, 470);
}

TEST(DirDialogPlacement, HostileSizesNeitherWrapNorGoNegative) {
  DirDialogPlacement p = planDirDialog({0, 0, 0, 10, 10, kDirDialogNoCaption}, kWindow, -26);
  EXPECT_EQ(p.treeWidth, 0);
  EXPECT_EQ(p.treeHeight, 0);
  EXPECT_EQ(p.firstButtonX, -190) << "a place left of the client area is still a place";
  p = planDirDialog({0, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, kDirDialogNoCaption}, kWindow,
                    INT32_MIN);
  EXPECT_EQ(p.width, INT32_MAX);
  EXPECT_EQ(p.treeHeight, INT32_MAX);
  EXPECT_EQ(p.buttonY, INT32_MAX);
  const DirDialogRect inverted{500, 500, INT32_MIN, INT32_MIN};
  p = planDirDialog({0, -1, -1, 0, 0, 0}, inverted, 0);
  EXPECT_EQ(p.width, 0);
  EXPECT_EQ(p.height, 0);
  EXPECT_EQ(p.treeWidth, 0);
}

} // namespace
} // namespace kel
