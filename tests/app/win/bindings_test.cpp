// The library bindings of TOLM.exe: loading by plain name, resolving by name, missing pieces.
#include "app/win/bindings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

TEST(Bindings, AMissingLibraryLeavesEveryPointerNullAndKeepsTheReason) {
  CLibraryBinding missing("tolm-no-such-library.dll");
  EXPECT_EQ(missing.module(), nullptr);
  EXPECT_EQ(missing.loadError(), DWORD(ERROR_MOD_NOT_FOUND));
}

TEST(Bindings, TheUtilityLibraryResolvesWhatItExports) {
  CKelsysLibrary kelsys;
  ASSERT_NE(kelsys.module(), nullptr) << "kelsys.dll is not on the search path";
  EXPECT_EQ(kelsys.loadError(), DWORD(ERROR_SUCCESS));
  // The library exports everything the program binds: no pointer may stay null.
#define CHECK_EXPORT(name) EXPECT_NE(reinterpret_cast<void *>(kelsys.name), nullptr) << #name;
  TOLM_KELSYS_EXPORTS(CHECK_EXPORT)
#undef CHECK_EXPORT
  OSVERSIONINFOA version{};
  kelsys.kelGetWinVersion(&version);
  EXPECT_EQ(version.dwOSVersionInfoSize, 148u);
}

TEST(Bindings, AFileThatIsNoLibraryIsTreatedAsMissing) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string fake = std::string(temp) + "tolm-not-a-dll.dll";
  { std::ofstream(fake) << "this is text, not a program"; }
  {
    CLibraryBinding binding(fake.c_str());
    EXPECT_EQ(binding.module(), nullptr);
    EXPECT_NE(binding.loadError(), DWORD(ERROR_SUCCESS));
  }
  std::remove(fake.c_str());
}

} // namespace
