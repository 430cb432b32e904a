// Tests of where the General tab draws its preview picture.
#include "app/core/preview_layout.h"

#include <gtest/gtest.h>

namespace tolm {
namespace {

TEST(PreviewLayoutTest, ShrinksNeverEnlargesAndCentres) {
  const PreviewArea area = previewArea(400, 380); // 360 x 180 at (20, 185)
  EXPECT_EQ(area.right, 380);
  EXPECT_EQ(area.bottom, 365);
  PreviewPlacement p = placePreview(100, 50, area);
  EXPECT_EQ(p.scale, 1.0f);
  EXPECT_EQ(p.width, 100);
  EXPECT_EQ(p.x, (360 - 100) / 2 + 20);
  EXPECT_EQ(p.y, (180 - 50) / 2 + 185);
  p = placePreview(720, 180, area); // twice as wide, exactly as high
  EXPECT_EQ(p.scale, 0.5f);
  EXPECT_EQ(p.width, 360);
  EXPECT_EQ(p.height, 90);
  EXPECT_EQ(p.x, 20);
  EXPECT_EQ(p.y, 185 + 45);
  p = placePreview(1000, 3000, area);
  EXPECT_EQ(p.height, 180);
  EXPECT_EQ(p.width, 60) << "a third of the height's scale, cut to whole pixels";
  EXPECT_EQ(p.x, 170);
  p = placePreview(100, 100, previewArea(30, 30));
  EXPECT_EQ(p.width, 0) << "no room";
}

} // namespace
} // namespace tolm
