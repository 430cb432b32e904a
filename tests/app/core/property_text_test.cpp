// Tests of the General and Version tabs' texts and the protected-item rule.
#include "app/core/property_text.h"

#include <gtest/gtest.h>

namespace tolm {
namespace {

TEST(SizeText, GroupsDigitsAndTruncatesHundredths) {
  EXPECT_EQ(sizeText(0), "0");
  EXPECT_EQ(sizeText(512), "512");
  EXPECT_EQ(sizeText(999), "999");
  EXPECT_EQ(sizeText(1023), "1,023");
  EXPECT_EQ(sizeText(1024), "1K (1,024)");
  EXPECT_EQ(sizeText(5000), "4K (5,000)");
  EXPECT_EQ(sizeText(1048575), "1023K (1,048,575)");
  EXPECT_EQ(sizeText(1048576), "1.00M (1,048,576)");
  EXPECT_EQ(sizeText(1234567), "1.17M (1,234,567)");
  // 1,572,863 / 2^20 = 1.49999...: truncated, not rounded to 1.50.
  EXPECT_EQ(sizeText(1572863), "1.49M (1,572,863)");
  EXPECT_EQ(sizeText(3000000000LL), "2.79G (3,000,000,000)");
  EXPECT_EQ(sizeText(0x40000000LL), "1.00G (1,073,741,824)");
}

TEST(SizeText, UnreadableAndLargeSizes) {
  EXPECT_EQ(sizeText(-1), "???");
  // The whole size, not its low 32 bits: 4 GiB + 1 byte is no one-byte file.
  EXPECT_EQ(sizeText(4294967297LL), "4.00G (4,294,967,297)");
  EXPECT_EQ(sizeText(0xFFFFFFFFLL), "3.99G (4,294,967,295)");
  EXPECT_EQ(sizeText(5368709120LL), "5.00G (5,368,709,120)");
}

TEST(TimeText, FormatsEveryFieldWithLeadingZeros) {
  SystemTime t{2024, 5, 6, 18, 9, 2, 7, 999};
  EXPECT_EQ(timeText(t), "2024/05/18 09:02:07");
  EXPECT_EQ(timeText(SystemTime{}), "0/00/00 00:00:00");
}

TEST(AttributeLetters, InTheOrderACEHRS) {
  EXPECT_EQ(attributeLetters(0), "______");
  EXPECT_EQ(attributeLetters(0x20), "A_____");
  EXPECT_EQ(attributeLetters(0x20 | 0x01), "A___R_");
  EXPECT_EQ(attributeLetters(0x800 | 0x4000 | 0x02 | 0x04), "_CEH_S");
  EXPECT_EQ(attributeLetters(0xFFFFFFFF), "ACEHRS");
  EXPECT_EQ(attributeLetters(0x10 | 0x80), "______") << "folder and normal have no letter";
}

TEST(ProtectedItem, FollowsTheSettings) {
  EXPECT_FALSE(isProtectedItem(true, 0x20, 0, 0));
  EXPECT_TRUE(isProtectedItem(true, 0x02, 0, 0)) << "hidden, hidden items not editable";
  EXPECT_FALSE(isProtectedItem(true, 0x02, 1, 0));
  EXPECT_TRUE(isProtectedItem(true, 0x04, 1, 0)) << "system, system items not editable";
  EXPECT_FALSE(isProtectedItem(true, 0x04, 0, 1)) << "a system file with Systemfile on";
  EXPECT_TRUE(isProtectedItem(true, 0x06, 0, 1));
  EXPECT_FALSE(isProtectedItem(true, 0x06, 1, 1)) << "both allowed: editable";
  EXPECT_TRUE(isProtectedItem(false, 0, 1, 1)) << "unreadable attributes";
}

TEST(VersionTextTest, LinesAndBlock) {
  const uint32_t parts[4] = {1, 0, 0, 17};
  EXPECT_EQ(versionLine("TOLM.exe", parts), "TOLM.exe Ver. 1.0.0.17");
  EXPECT_EQ(versionLine(std::string(80, 'n'), parts).size(), 63u);
  const std::string lines[9] = {"p", "a", "b", "c", "d", "w", "x", "y", "z"};
  EXPECT_EQ(versionBlock(lines, "notice"), "p\r\ra\rb\rc\rd\r\rw\rx\ry\rz\r\r\r\r\r\rnotice");
}

} // namespace
} // namespace tolm
