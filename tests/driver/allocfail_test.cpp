// Allocation failures. Every allocation of a run can fail: the run must then
// end through the fatal-error stop with the site's "Memory Allocation
// Failure" message, and leave neither the output file nor a temporary file
// behind. In-process, the allocation hook fails the n-th allocation for every
// n a complete run reaches; out of process, the optimised binary runs a large
// formula under address-space limits.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "driver/reset.h"
#include "store/panic.h"
#include "driver/run.h"
#include "store/store.h"
#include "support/fixture.h"
#include "support/generator.h"
#include "support/harness.h"

namespace {

struct HookedRun {
  bool stopped = false;  // ended through panic()
  int64_t allocations = 0;  // allocations the run asked for
  int status = -1;       // exit status when it did not
  std::string out;       // standard output
};

// Runs qshrink in-process on <dir>/f.qdimacs with allocation `failAt` failing (-1: none).
HookedRun runWithFailure(const std::string& dir, int64_t failAt) {
  HookedRun run;
  std::remove((dir + "/f_outOrig.qdimacs").c_str());
  std::remove((dir + "/result1").c_str());
  InDirectory here(dir);
  if (!here.entered()) {
    ADD_FAILURE() << "cannot enter " << dir;
    return run;
  }
  resetAllState();
  setPanicThrows(true);
  allocCount = 0;
  allocFailAt = failAt;
  {
    CaptureStdout capture;
    char prog[] = "qshrink", file[] = "f.qdimacs";
    char* argv[] = {prog, file, nullptr};
    try {
      run.status = qshrinkMain(2, argv);
    } catch (const PanicStop&) {
      run.stopped = true;
    }
    run.out = capture.text();
  }
  run.allocations = allocCount;
  allocFailAt = -1;
  setPanicThrows(false);
  resetAllState();
  return run;
}

// The "FATAL ERROR: ..." line of a run's output, "" if none.
std::string fatalLine(const std::string& out) {
  size_t at = out.find("FATAL ERROR: ");
  if (at == std::string::npos) return "";
  size_t end = out.find('\n', at);
  return out.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// A formula whose run reaches the growth paths: a literal in sixty binary
// clauses (list growth and the large-list index), an implication cycle (equivalence
// reduction), chains closed by ternary clauses (hyper-binary resolution) and units.
std::string growthFormula() {
  std::ostringstream f;
  const int hub = 70, n = 90;
  f << "p cnf " << n << " " << (60 + 8 + 20 + 3) << "\n";
  f << "a 61 62 0\ne";
  for (int v = 1; v <= n; v++)
    if (v != 61 && v != 62) f << " " << v;
  f << " 0\n";
  for (int v = 1; v <= 60; v++) f << "-" << hub << " " << (v == 61 || v == 62 ? 63 : v) << " 0\n";
  // cycle 71 -> 72 -> ... -> 78 -> 71
  for (int v = 71; v <= 78; v++) f << "-" << v << " " << (v == 78 ? 71 : v + 1) << " 0\n";
  // two chains 79..83 and 84..88, tied by ternary clauses
  for (int v = 79; v < 88; v++) f << "-" << v << " " << v + 1 << " 0\n";
  for (int k = 0; k < 11; k++) f << "-" << 79 + (k % 5) << " -" << 84 + (k % 5) << " " << (k % 2 ? 61 : 89) << " 0\n";
  f << "71 0\n-89 90 62 0\n90 -61 1 0\n";
  return f.str();
}

}  // namespace

class AllocationFailure : public ::testing::TestWithParam<int> {};

TEST_P(AllocationFailure, EveryAllocationEndsInTheFatalErrorStop) {
  std::string text;
  switch (GetParam()) {
    case 0: text = readFile(examplesDir() + "/reduces.qdimacs"); break;
    case 1: text = growthFormula(); break;
    default: text = gen::generate(gen::Family::Mixed, uint64_t(GetParam())); break;
  }
  const std::string dir = makeTempDir();
  writeFile(dir + "/f.qdimacs", text);
  const HookedRun clean = runWithFailure(dir, -1);
  ASSERT_FALSE(clean.stopped) << clean.out;
  ASSERT_EQ(clean.status, 0) << clean.out;
  const int64_t sites = clean.allocations;
  ASSERT_GT(sites, 10);
  std::map<std::string, int> messages;
  for (int64_t n = 0; n < sites; n++) {
    const HookedRun run = runWithFailure(dir, n);
    const std::string fatal = fatalLine(run.out);
    ASSERT_TRUE(run.stopped) << "allocation " << n << " failed but the run went on:\n" << run.out;
    ASSERT_EQ(fatal.rfind("FATAL ERROR: Memory Allocation Failure #", 0), 0u)
        << "allocation " << n << ":\n" << run.out;
    EXPECT_FALSE(fileExists(dir + "/f_outOrig.qdimacs")) << "allocation " << n;
    EXPECT_FALSE(fileExists(dir + "/result1")) << "allocation " << n;
    for (const std::string& name : listDir(dir))
      EXPECT_TRUE(name == "f.qdimacs" || name == "preprocessor_b.dat") << name << " left after allocation " << n;
    messages[fatal]++;
  }
  std::ostringstream seen;
  for (const auto& [message, count] : messages) seen << "  " << count << "x " << message << "\n";
  RecordProperty("sites", int(sites));
  std::printf("%lld failing allocations, %zu distinct messages:\n%s", static_cast<long long>(sites), messages.size(),
              seen.str().c_str());
}

INSTANTIATE_TEST_SUITE_P(Formulas, AllocationFailure, ::testing::Values(0, 1, 2, 3, 4));

// The optimised binary on a large formula under address-space limits: each
// run either finishes normally or stops with the fatal-error message and
// status 1, never with a crash or a partial output file.
TEST(AllocationFailure, AddressSpaceLimitsEndInTheFatalErrorStop) {
  const std::string binary = QSHRINK_RELEASE_BIN;
  if (binary.empty() || !fileExists(binary)) GTEST_SKIP() << "no optimised binary (QSHRINK_RELEASE_BIN)";
  const std::string dir = makeTempDir();
  {
    // 200,000 variables in two blocks, 600,000 clauses of lengths 2 to 4.
    std::ostringstream f;
    const int n = 200000, m = 600000;
    f << "p cnf " << n << " " << m << "\na";
    for (int v = 1; v <= n / 4; v++) f << " " << v;
    f << " 0\ne";
    for (int v = n / 4 + 1; v <= n; v++) f << " " << v;
    f << " 0\n";
    uint64_t x = 88172645463325252ull;
    auto next = [&] { return x ^= x << 13, x ^= x >> 7, x ^= x << 17; };
    for (int c = 0; c < m; c++) {
      const int len = 2 + int(next() % 3);
      for (int i = 0; i < len; i++) {
        // the first literal existential, so that no clause is universal only
        const int v = i == 0 ? n / 4 + 1 + int(next() % (n - n / 4)) : 1 + int(next() % n);
        f << (next() & 1 ? "-" : "") << v << " ";
      }
      f << "0\n";
    }
    writeFile(dir + "/big.qdimacs", f.str());
  }
  int stopped = 0, finished = 0;
  for (int limitMb : {24, 40, 64, 96, 128, 192, 256, 512, 4096}) {
    std::remove((dir + "/big_outOrig.qdimacs").c_str());
    const RunResult r = runProgram(
        {"sh", "-c", "ulimit -v " + std::to_string(limitMb * 1024) + " && exec " + binary + " big.qdimacs"}, dir, 300);
    ASSERT_FALSE(r.timedOut) << limitMb << " MB";
    if (r.status == 0) {
      finished++;
      EXPECT_TRUE(fileExists(dir + "/big_outOrig.qdimacs") || r.out.find("CONTRADICTION") != std::string::npos)
          << limitMb << " MB:\n" << r.out;
    } else {
      stopped++;
      EXPECT_EQ(r.status, 1) << limitMb << " MB:\n" << r.out << r.err;
      EXPECT_NE(r.out.find("FATAL ERROR: Memory Allocation Failure #"), std::string::npos)
          << limitMb << " MB:\n" << r.out << r.err;
      EXPECT_FALSE(fileExists(dir + "/big_outOrig.qdimacs")) << limitMb << " MB";
    }
    for (const std::string& name : listDir(dir)) EXPECT_NE(name.rfind(".qshrink-", 0), 0u) << name << " left";
  }
  EXPECT_GT(stopped, 0);
  EXPECT_GT(finished, 0);
}
