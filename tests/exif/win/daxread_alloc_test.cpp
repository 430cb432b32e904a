// daxread's exports with allocations failing from each point on: every call ends in its code
// (-104 for running out of memory), the analysed file is closed again, and a failed analysis
// keeps the previous results.
#include <windows.h>

#include "include/daxread.h"
#include "tests/support/alloc_failure.h"
#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kSample =
    testutil::windowsPath(std::string(TOLM_SOURCE_DIR) + "/samples/sample.jpg");

int analyze() {
  char buffer[MAX_PATH] = {};
  lstrcpynA(buffer, kSample.c_str(), MAX_PATH);
  return daxBeginProcessing(0x301, buffer);
}

int total() {
  DAX_ITERATION setup{1024, 65536};
  return daxBeginProcessing(DAX_OP_BEGIN_ITERATION, &setup);
}

// The analysis holds the file denying writers; a writer gets in only once it is closed.
bool closedAgain() {
  HANDLE h = CreateFileA(kSample.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(h);
  return true;
}

TEST(DaxOutOfMemory, AnAnalysisEndsInItsCodeClosesTheFileAndKeepsThePreviousResults) {
  ASSERT_EQ(daxInitialize("dax2enc.dll"), DAX_OK);
  ASSERT_TRUE(closedAgain()) << "the sample must be writable for this check";
  ASSERT_EQ(analyze(), 49);
  int succeeded = 0;
  for (long n = 0; n < 100000; ++n) {
    int result, entries, thumbnail;
    long made;
    {
      allocfail::Scope failing(n);
      result = analyze();
      entries = total();
      DAX_THUMBNAIL t{};
      thumbnail = daxBeginProcessing(DAX_OP_THUMBNAIL | 0x100, &t);
      made = allocfail::count();
    }
    EXPECT_TRUE(result == 49 || result == DAX_ERR_NO_MEMORY)
        << result << " failing from allocation " << n;
    EXPECT_EQ(entries, 49) << "failing from allocation " << n;
    // A failed analysis keeps the previous results, thumbnail included; a successful one may
    // come without a thumbnail whose block could not be had.
    if (result == DAX_ERR_NO_MEMORY) {
      EXPECT_EQ(thumbnail, DAX_OK) << "failing from allocation " << n;
    }
    EXPECT_TRUE(closedAgain()) << "failing from allocation " << n;
    succeeded += result == 49;
    if (made <= n)
      break;
  }
  EXPECT_GE(succeeded, 1);
  // The version block is read into memory of its own.
  char language[MAX_PATH] = {};
  ASSERT_GT(SearchPathA(nullptr, "dax2enc.dll", nullptr, MAX_PATH, language, nullptr), 0u);
  uint32_t a, b, c, d;
  ASSERT_EQ(daxGetFileVersion(language, &a, &b, &c, &d, 0), DAX_OK);
  allocfail::Scope failing(0);
  EXPECT_EQ(daxGetFileVersion(language, &a, &b, &c, &d, 0), -1);
}

} // namespace
