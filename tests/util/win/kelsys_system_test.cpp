// kelsys.dll's drive, volume and time exports under Wine (run in two time zones).
#include <windows.h>

#include "include/kelsys.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using testutil::ScratchDir;

// A drive letter this machine does not have, or 0.
char missingDrive() {
  const DWORD mask = GetLogicalDrives();
  for (char letter = 'Y'; letter >= 'D'; --letter)
    if ((mask & (1u << (letter - 'A'))) == 0)
      return letter;
  return 0;
}

// ---- drives and volumes --------------------------------------------------------------------

TEST(Drives, TheSystemDriveIsReadyAndFixed) {
  EXPECT_EQ(kelCheckActiveDrive("C:"), 0);
  EXPECT_EQ(kelGetDriveType("C:"), DRIVE_FIXED);
  EXPECT_NE(kelGetLogicalDrives() & (1u << 2), 0u) << "bit 2 is drive C";
  EXPECT_EQ(kelGetLogicalDrives(), GetLogicalDrives());
}

TEST(Drives, NullArgumentsAreRefused) {
  EXPECT_EQ(kelCheckActiveDrive(nullptr), -1);
  EXPECT_EQ(kelGetDriveType(nullptr), -1);
  uint64_t freeBytes = 7, totalBytes = 9;
  EXPECT_EQ(kelGetDiskSize(nullptr, &freeBytes, &totalBytes), -1);
  EXPECT_EQ(kelGetDiskSize("C:\\", nullptr, &totalBytes), -1);
  EXPECT_EQ(kelGetDiskSize("C:\\", &freeBytes, nullptr), -1);
  EXPECT_EQ(freeBytes, 7u) << "a refused call touches nothing";
  EXPECT_EQ(totalBytes, 9u);
  KEL_VOLUME_INFO info{};
  EXPECT_EQ(kelGetVolumeInformation(nullptr, &info), -1);
  EXPECT_EQ(kelGetVolumeInformation("C:\\", nullptr), -1);
}

TEST(Drives, LongDesignatorsAreCutToTheDrive) {
  const std::string longOne = "C:\\Windows\\" + std::string(5000, 'x');
  EXPECT_EQ(kelGetDriveType(longOne.c_str()), DRIVE_FIXED);
  EXPECT_EQ(kelCheckActiveDrive(longOne.c_str()), 0);
  EXPECT_EQ(kelGetDriveType("C:junk"), DRIVE_FIXED);
}

TEST(Drives, AMissingDriveIsNotReady) {
  const char letter = missingDrive();
  if (letter == 0) {
    std::printf("SKIP missing drive: every letter from D to Y is in use\n");
    GTEST_SKIP();
  }
  const char designator[3] = {letter, ':', '\0'};
  EXPECT_EQ(kelCheckActiveDrive(designator), -1);
  EXPECT_EQ(kelGetDriveType(designator), DRIVE_NO_ROOT_DIR);
  const char root[4] = {letter, ':', '\\', '\0'};
  uint64_t freeBytes = 7, totalBytes = 9;
  EXPECT_EQ(kelGetDiskSize(root, &freeBytes, &totalBytes), -1);
  EXPECT_EQ(freeBytes, 0u) << "both values are cleared before the query";
  EXPECT_EQ(totalBytes, 0u);
  KEL_VOLUME_INFO info;
  std::memset(&info, 0x5A, sizeof info);
  EXPECT_EQ(kelGetVolumeInformation(root, &info), -1);
  EXPECT_EQ(static_cast<unsigned char>(info.volumeName[0]), 0x5A)
      << "a failed query leaves the record";
}

// A designator of one letter reaches the space query alone, where it names a folder of the
// current directory rather than a drive.
TEST(Drives, OneLetterIsQueriedAsItIs) {
  ScratchDir dir;
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
  const int without = kelCheckActiveDrive("Q");
  dir.folder("Q");
  const int with = kelCheckActiveDrive("Q");
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(without, -1);
  EXPECT_EQ(with, 0);
}

TEST(Drives, DiskSizeAgreesWithThePlatform) {
  uint64_t freeBytes = 0, totalBytes = 0;
  ASSERT_EQ(kelGetDiskSize("C:\\", &freeBytes, &totalBytes), 0);
  ULARGE_INTEGER available, total, totalFree;
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &totalFree));
  EXPECT_EQ(totalBytes, total.QuadPart);
  EXPECT_GT(totalBytes, 0u);
  EXPECT_LE(freeBytes, totalBytes);
  // Other programs write meanwhile: allow 64 MiB of drift in the free space.
  const uint64_t drift = freeBytes > available.QuadPart ? freeBytes - available.QuadPart
                                                        : available.QuadPart - freeBytes;
  EXPECT_LT(drift, uint64_t{64} << 20);
}

TEST(Drives, VolumeInformationOfTheSystemDrive) {
  KEL_VOLUME_INFO info;
  std::memset(&info, 0x5A, sizeof info);
  ASSERT_EQ(kelGetVolumeInformation("C:\\", &info), 0);
  char name[256], fileSystem[256];
  DWORD serial = 0, maxComponent = 0, flags = 0;
  ASSERT_TRUE(
      GetVolumeInformationA("C:\\", name, 256, &serial, &maxComponent, &flags, fileSystem, 256));
  EXPECT_STREQ(info.volumeName, name);
  EXPECT_STREQ(info.fileSystemName, fileSystem);
  EXPECT_GT(std::strlen(info.fileSystemName), 0u);
  EXPECT_EQ(info.serialNumber, serial);
  EXPECT_EQ(info.maxComponentLength, maxComponent);
  EXPECT_EQ(info.fileSystemFlags, flags);
  EXPECT_LT(std::strlen(info.volumeName), sizeof info.volumeName) << "the name is terminated";
}

// ---- time ---------------------------------------------------------------------------------

int64_t secondsOf(const SYSTEMTIME &t) {
  FILETIME ft;
  EXPECT_TRUE(SystemTimeToFileTime(&t, &ft));
  ULARGE_INTEGER u;
  u.LowPart = ft.dwLowDateTime;
  u.HighPart = ft.dwHighDateTime;
  return static_cast<int64_t>(u.QuadPart / 10000000);
}

TEST(Time, LocalAndUtcDifferByTheZonesOffset) {
  const char *zoneVar = std::getenv("TOLM_TEST_ZONE");
  const std::string zone = zoneVar ? zoneVar : "";
  SYSTEMTIME utcBefore{}, local{}, utcAfter{}, other{};
  kelGetTime(&utcBefore, 0);
  kelGetTime(&local, 1);
  kelGetTime(&utcAfter, 0);
  kelGetTime(&other, 2);
  ASSERT_GE(utcBefore.wYear, 2020) << "the record was filled";
  const int64_t offset = secondsOf(local) - secondsOf(utcBefore);
  EXPECT_LE(secondsOf(utcBefore), secondsOf(utcAfter));
  EXPECT_LE(secondsOf(other) - secondsOf(utcAfter), 2) << "any value but 1 means UTC";
  EXPECT_GE(secondsOf(other) - secondsOf(utcAfter), 0);
  if (zone == "Asia/Tokyo") {
    EXPECT_NEAR(offset, 9 * 3600, 2);
  } else if (zone == "Europe/Berlin") {
    const int month = utcBefore.wMonth;
    if (month >= 4 && month <= 9)
      EXPECT_NEAR(offset, 2 * 3600, 2);
    else if (month <= 2 || month >= 11)
      EXPECT_NEAR(offset, 3600, 2);
    else
      EXPECT_TRUE(std::llabs(offset - 3600) <= 2 || std::llabs(offset - 7200) <= 2) << offset;
  } else {
    std::printf("SKIP zone offset: TOLM_TEST_ZONE is not set\n");
  }
  kelGetTime(nullptr, 1); // refused quietly
}

} // namespace
