// The harness itself: a run of the binary is observed completely.
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/harness.h"

TEST(Harness, RunsTheBinaryWithoutArguments) {
  std::string dir = makeTempDir();
  RunResult r = runQshrink({}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Usage: qshrink"), std::string::npos);
  EXPECT_TRUE(listDir(dir).empty());
  rmdir(dir.c_str());
}
