// A fixture for test programs that run vopimg.dll in its history mode, switched on once before
// the suite's first test.
#pragma once
#include <cstdint>

#include <gtest/gtest.h>

#include "include/vopimg.h"

namespace voptest {

class HistoryModeSuite : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    const int32_t mode = VOP_HISTORY_MODE;
    ASSERT_EQ(vopInitialize(&mode), 0);
  }
};

} // namespace voptest
