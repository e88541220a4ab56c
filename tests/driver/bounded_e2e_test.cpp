// End-to-end tests of bounded runs (--effort, --time-limit): where they stop,
// what they say, and that a budget gives the same output on every run.
// Their soundness is checked with the generated families (TruthBounded).
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "driver/bounds.h"
#include "driver/e2e_check.h"

namespace {

// A true formula with enough probing work that small budgets stop it at
// many different points: implication chains between existential variables
// and ternary clauses over them, each clause with a positive existential
// literal (all true satisfies it), a few with a universal literal.
std::string workFormula(uint64_t seed) {
  constexpr int kUniversals = 4, kExistentials = 200, kTernaries = 300;
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  auto next = [&state](int below) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return int((state >> 33) % uint64_t(below));
  };
  std::string clauses;
  int count = 0;
  auto existential = [&](int k) { return std::to_string(kUniversals + 1 + k); };
  for (int k = 0; k + 1 < kExistentials; k++)
    if (next(8) != 0) clauses += "-" + existential(k) + " " + existential(k + 1) + " 0\n", count++;
  for (int k = 0; k < kTernaries; k++) {
    std::string second = next(4) == 0 ? std::to_string(1 + next(kUniversals)) : "-" + existential(next(kExistentials));
    clauses += "-" + existential(next(kExistentials)) + " " + second + " " + existential(next(kExistentials)) + " 0\n";
    count++;
  }
  std::string text = "p cnf " + std::to_string(kUniversals + kExistentials) + " " + std::to_string(count) + "\na";
  for (int v = 1; v <= kUniversals; v++) text += " " + std::to_string(v);
  text += " 0\ne";
  for (int k = 0; k < kExistentials; k++) text += " " + existential(k);
  return text + " 0\n" + clauses;
}

TEST(Bounded, TheSameEffortGivesTheSameOutputAndStopsWhereItSays) {
  Scratch s;
  std::set<std::string> stops;
  for (uint64_t seed = 1; seed <= 3; seed++) {
    writeFile(s.dir + "/f.qdimacs", workFormula(seed));
    for (const char* effort : {"--effort=0.00002", "--effort=0.0002", "--effort=0.002"}) {
      for (const char* mode : {"", "--strong"}) {
        std::vector<std::string> args = {effort, "--no-result-files", "--output=a.q", "f.qdimacs"};
        if (*mode != '\0') args.insert(args.begin(), mode);
        const RunResult first = runQshrink(args, s.dir);
        args[args.size() - 2] = "--output=b.q";
        const RunResult second = runQshrink(args, s.dir);
        const std::string what = std::string("seed ") + std::to_string(seed) + " " + effort + " " + mode;
        ASSERT_EQ(first.status, 0) << what << "\n" << first.out << first.err;
        EXPECT_EQ(readFile(s.dir + "/a.q"), readFile(s.dir + "/b.q")) << what;
        EXPECT_EQ(first.err, second.err) << what;
        if (!first.err.empty()) {
          EXPECT_EQ(first.err.rfind("qshrink: stopped early: effort of ", 0), 0u) << first.err;
          stops.insert(first.err.substr(first.err.find(" reached ")));
        }
      }
    }
  }
  // The budgets met more than one kind of stopping point.
  EXPECT_GE(stops.size(), 3u);
}

TEST(Bounded, NoTimeStopsBeforeTheFirstPassAndStillWritesTheFormula) {
  Scratch s;
  writeFile(s.dir + "/f.qdimacs", workFormula(7));
  const RunResult r = runQshrink({"--time-limit=0", "f.qdimacs"}, s.dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "qshrink: stopped early: time limit of 0 s reached before hyper-binary resolution pass 1\n");
  EXPECT_NE(r.out.find(" UNKNOWN \n"), std::string::npos) << r.out;
  EXPECT_NE(readFile(s.dir + "/f_outOrig.qdimacs").find("p cnf "), std::string::npos);
  EXPECT_EQ(readFile(s.dir + "/result1"), "UNKNOWN");
}

TEST(Bounded, AContradictionFoundBeforeTheStopIsStillReported) {
  Scratch s;
  const RunResult r = runQshrink({"--effort=0", "--exit-codes", examplesDir() + "/false.qdimacs"}, s.dir);
  EXPECT_EQ(r.status, 20) << r.out << r.err;
  EXPECT_NE(r.out.find(" UNSAT \n"), std::string::npos) << r.out;
}

TEST(Bounded, BadBoundsAreRefused) {
  Scratch s;
  for (const char* bad : {"--time-limit=-1", "--time-limit=soon", "--effort=", "--effort=1e", "--effort=-3"}) {
    const RunResult r = runQshrink({bad, examplesDir() + "/small.qdimacs"}, s.dir);
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_EQ(r.err.rfind("qshrink: --", 0), 0u) << bad << ": " << r.err;
  }
}

// The strong mode's allowance stops probes as a bound does, but silently:
// the run is not stopped early, and the next run starts without it.
TEST(Bounded, TheAllowanceIsNoBoundAndEndsWithTheRun) {
  startBounds(-1, -1);
  startAllowance(0);
  EXPECT_TRUE(allowanceReached());
  EXPECT_FALSE(boundReached());
  EXPECT_FALSE(stoppedEarly());
  startBounds(-1, -1);
  EXPECT_FALSE(allowanceActive());
  EXPECT_FALSE(allowanceReached());
}

}  // namespace
