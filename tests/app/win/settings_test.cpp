// The settings of TOLM against the real registry, through the real kelsys.dll.
#include "app/win/settings.h"

#include <gtest/gtest.h>

namespace {

class Settings : public ::testing::Test {
protected:
  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }
  static DWORD stored(const char *name, DWORD *type = nullptr) {
    DWORD value = 0xDEAD, size = sizeof value, t = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, &t, &value, &size) !=
        ERROR_SUCCESS)
      return 0xFFFFFFFF;
    if (type)
      *type = t;
    return value;
  }
  CKelsysLibrary kelsys;
};

TEST_F(Settings, KeyNameHasThreeComponents) {
  // A "\n" in the C text would be a newline; the key is Software, n.orbit, TOLM.
  EXPECT_STREQ(kSettingsKey, "Software\\n.orbit\\TOLM");
}

TEST_F(Settings, WithoutAKeyTheDefaultsApply) {
  ASSERT_NE(kelsys.module(), nullptr);
  CSettings s;
  s.hiddenFile = 7;
  s.logFile = 7;
  s.systemFile = 7;
  s.Load(kelsys);
  EXPECT_TRUE(s.loaded);
  EXPECT_EQ(s.hiddenFile, 0);
  EXPECT_EQ(s.logFile, 1);
  EXPECT_EQ(s.systemFile, 0);
}

TEST_F(Settings, SaveWritesThreeDwordsThatLoadReadsBack) {
  CSettings s;
  s.hiddenFile = 1;
  s.logFile = 0;
  s.systemFile = 5;
  s.Save(kelsys);
  DWORD type = 0;
  EXPECT_EQ(stored("Hiddenfile", &type), 1u);
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(stored("Logfile"), 0u);
  EXPECT_EQ(stored("Systemfile"), 5u);
  CSettings t;
  t.Load(kelsys);
  EXPECT_EQ(t.hiddenFile, 1);
  EXPECT_EQ(t.logFile, 0);
  EXPECT_EQ(t.systemFile, 5);
}

TEST_F(Settings, OneMissingValueKeepsOnlyItsDefault) {
  CSettings s;
  s.hiddenFile = 1;
  s.logFile = 0;
  s.systemFile = 1;
  s.Save(kelsys);
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegDeleteValueA(key, "Logfile");
  RegCloseKey(key);
  CSettings t;
  t.Load(kelsys);
  EXPECT_EQ(t.hiddenFile, 1);
  EXPECT_EQ(t.logFile, 1);
  EXPECT_EQ(t.systemFile, 1);
}

} // namespace
