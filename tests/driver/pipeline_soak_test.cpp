// Soak: `qshrink --output=- f.qdimacs.gz | depqbf` gives depqbf's answer
// for the original formula, on every shared formula that depqbf decides,
// the classic way and in the strong mode. A depqbf timeout proves nothing
// and is only counted.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "support/harness.h"
#include "support/qbf.h"
#include "support/shared.h"
#include "support/verdict.h"

namespace {

constexpr int DEPQBF_SECONDS = 5;
constexpr int DEPQBF_TIMEOUT_STATUS = 124;  // what timeout(1) returns

class Soak : public ::testing::TestWithParam<const char*> {};

TEST_P(Soak, CompressedInputThroughAPipeIntoDepqbf) {
  const std::string options = GetParam();
  REQUIRE_SHARED_OR_SKIP();
  if (!qbf::depqbfAvailable()) GTEST_SKIP() << qbf::depqbfMissingMessage();
  const std::vector<SharedCase> cases = decidedSharedCases();
  ASSERT_GT(cases.size(), 100u);
  const std::string scratch = makeTempDir(), binary = optimisedBinary();
  std::atomic<size_t> next{0};
  std::mutex mu;
  int agreed = 0, timeouts = 0;
  auto worker = [&](int id) {
    const std::string dir = scratch + "/w" + std::to_string(id);
    mkdir(dir.c_str(), 0700);
    for (size_t i; (i = next++) < cases.size();) {
      const SharedCase& c = cases[i];
      const std::string command = "gzip -c '" + sharedDir() + "/" + c.dir + "/" + c.file + "' > f.qdimacs.gz && '" +
                                  binary + "' --output=- --no-result-files " + options + " f.qdimacs.gz | timeout " +
                                  std::to_string(DEPQBF_SECONDS) + " depqbf";
      RunResult r = runProgram({"sh", "-c", command}, dir, 300);
      std::lock_guard<std::mutex> lock(mu);
      if (r.status == DEPQBF_TIMEOUT_STATUS) {
        timeouts++;
      } else if (r.status == 10 || r.status == 20) {
        const bool ok = (r.status == 10) == c.expected;
        EXPECT_TRUE(ok) << c.file << ": depqbf says " << (r.status == 10 ? "true" : "false");
        agreed += ok;
      } else if (c.dir != "malformed") {  // a malformed file may be refused
        ADD_FAILURE() << c.file << ": status " << r.status << "\n" << r.err;
      }
    }
    unlink((dir + "/f.qdimacs.gz").c_str());
    rmdir(dir.c_str());
  };
  std::thread a(worker, 0), b(worker, 1);
  a.join();
  b.join();
  rmdir(scratch.c_str());
  std::printf("through the pipe%s: %d agreed, %d depqbf timeouts (of %zu)\n", options.c_str(), agreed, timeouts,
              cases.size());
}

INSTANTIATE_TEST_SUITE_P(Pipe, Soak, ::testing::Values("", "--strong"), [](const auto& info) {
  return std::string(*info.param ? "Strong" : "Classic");
});

}  // namespace
