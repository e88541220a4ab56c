// The shared data folder in the tests: a test that needs it skips with a
// message when it is not there, or fails when QSHRINK_REQUIRE_SHARED=1 (CI).
#pragma once

#include <gtest/gtest.h>

#include "support/harness.h"

#define REQUIRE_SHARED_OR_SKIP()                                                                         \
  do {                                                                                                   \
    if (!sharedAvailable()) {                                                                            \
      if (sharedRequired()) FAIL() << "QSHRINK_REQUIRE_SHARED=1 but no shared data at " << sharedDir();  \
      GTEST_SKIP() << "no shared data at " << sharedDir() << " (set QSHRINK_SHARED to its folder)";     \
    }                                                                                                    \
  } while (0)
