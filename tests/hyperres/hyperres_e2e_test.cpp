// Whole runs of the binary on formulas where hyper-binary resolution does
// the work or where its probes meet the situations that an unsound rule
// gets wrong: a true formula must come out UNKNOWN with an output that is
// still true, a false one UNSAT. Also a deep implication chain probed in
// process, on the test's own stack: the probes nest on an explicit stack.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "driver/e2e_check.h"
#include "driver/preprocessor.h"
#include "hyperres/hypres.h"
#include "store/store.h"
#include "support/fixture.h"
#include "support/harness.h"
#include "support/qbf.h"

namespace {

struct E2ECase {
  const char* name;
  const char* formula;
  bool truth;
  const char* line = nullptr;  // a line the run must print (a contradiction), or none
};
void PrintTo(const E2ECase& c, std::ostream* os) { *os << c.name; }

const E2ECase kCases[] = {
    {"WorkedExample", "p cnf 4 4\n-1 3 0\n-1 2 0\n-2 3 0\n-2 -3 4 0\n", true},
    // The unit of a clause is never a universal literal that the probe
    // already subtracted from it.
    {"UnitIsNotASubtractedUniversal", "p cnf 5 4\ne 1 2 0\na 3 0\ne 4 5 0\n3 1 4 0\n-2 -4 0\n-3 5 0\n-5 2 0\n", true},
    // A clause that left the n-ary store is not reactivated by a probe.
    {"InactiveClauseStaysInactive", "p cnf 5 4\ne 1 4 0\na 3 0\ne 2 5 0\n1 4 -3 2 0\n-2 0\n-3 5 0\n-5 -1 0\n", true},
    // A probe gives back the truth value a literal had, not "unassigned".
    {"PreviousTruthValueRestored",
     "p cnf 6 6\ne 2 3 0\na 5 0\ne 1 4 6 0\n-3 6 0\n-4 5 0\n4 -3 0\n3 -4 0\n-6 -2 0\n3 1 2 0\n", true},
    // Inactive children and stale entries are not entered.
    {"InactiveChildrenA",
     "p cnf 7 6\ne 2 1 0\na 4 0\ne 7 0\ne 5 0\na 6 0\ne 3 0\n-7 1 0\n-1 -2 0\n-5 7 0\n2 5 0\n-4 -6 5 1 -3 0\n-4 -5 0\n",
     true},
    {"InactiveChildrenB",
     "p cnf 8 7\na 2 8 1 0\ne 6 7 0\n-4 -3 0\n-1 -7 0\n4 3 0\n5 3 -2 6 0\n4 -8 0\n-6 1 0\n7 6 0\n", true},
    {"InactiveChildrenC",
     "p cnf 9 10\na 4 0\ne 5 0\na 6 0\ne 1 2 3 7 8 9 0\n-1 2 0\n1 -2 0\n-1 3 0\n1 -3 0\n1 2 3 0\n-1 5 6 0\n"
     "-5 7 8 9 0\n-4 -7 0\n-4 -9 0\n-4 5 0\n",
     true},
    // A universal subtracted once per probe: the second shortening leaves e3.
    {"UniversalSubtractedOnce", "p cnf 5 3\ne 1 3 4 0\na 5 0\ne 2 0\n-1 -2 0\n-1 -3 0\n2 3 5 4 0\n", true},
    // A clause emptied while derived literals propagate makes the probe fail.
    {"ClauseEmptiedByADerivedLiteral", "p cnf 5 4\ne 1 2 0\na 3 0\ne 4 5 0\n-1 2 0\n-1 -4 0\n-1 -2 -5 0\n4 5 3 0\n",
     true},
    // A failed root propagated at top level.
    {"FailedRoot", "p cnf 7 5\n-1 2 0\n-2 3 0\n-2 -3 0\n2 4 0\n1 5 6 7 0\n", true},
    // Contradictions found by the pass's own propagation.
    {"ForcedNegationOfAQueuedLiteral",
     "p cnf 10 9\n-1 2 0\n-2 3 0\n-2 4 0\n-2 -3 -4 0\n2 5 0\n2 6 0\n-6 7 0\n-7 -5 0\n8 9 10 0\n", false,
     "c CONTRADICTION found(2)!"},
    // A child's set with a literal and its negation reaches the sweeps of
    // phase 2: the probe fails there instead of leaving both true.
    {"ComplementaryPairInTheSweptSet",
     "p cnf 10 11\n-1 -5 0\n-1 2 0\n-1 -9 0\n1 5 0\n-4 8 0\n-5 7 0\n-4 -8 0\n1 2 4 0\n-2 5 9 0\n"
     "-2 -5 6 -7 0\n1 -2 4 -5 0\n",
     false},
    {"FailedUniversalRoot",
     "p cnf 10 5\na 1 0\ne 2 3 4 5 6 7 8 9 10 0\n-1 2 0\n-1 3 0\n-1 -2 -3 0\n4 5 6 7 0\n8 9 10 0\n", false,
     "c CONTRADICTION found(4)!"},
};

class HypResRun : public ::testing::TestWithParam<E2ECase> {};

bool hasLine(const std::string& out, const std::string& line) {
  std::istringstream in(out);
  std::string l;
  while (std::getline(in, l))
    if (l == line) return true;
  return false;
}

TEST_P(HypResRun, KeepsTheTruthValue) {
  const E2ECase& k = GetParam();
  qbf::Formula in;
  std::string error;
  ASSERT_TRUE(qbf::parse(k.formula, in, &error)) << error;
  ASSERT_EQ(qbf::evaluate(in), k.truth) << "the case's truth value is wrong";

  Scratch s;
  writeFile(s.at("f.qdimacs"), k.formula);
  RunResult r = runQshrink({"f.qdimacs"}, s.dir, 60);
  ASSERT_FALSE(r.timedOut) << "qshrink did not finish";
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
  const std::string last = r.out.substr(r.out.find_last_of('\n', r.out.size() - 2) + 1);
  if (k.truth) {
    EXPECT_NE(last.find(" UNKNOWN "), std::string::npos) << r.out;
    ASSERT_TRUE(fileExists(s.at("f_outOrig.qdimacs"))) << r.out;
    qbf::Formula out;
    ASSERT_TRUE(qbf::parse(readFile(s.at("f_outOrig.qdimacs")), out, &error)) << error;
    EXPECT_TRUE(qbf::evaluate(out)) << "the output is false:\n" << readFile(s.at("f_outOrig.qdimacs"));
  } else {
    EXPECT_NE(last.find(" UNSAT "), std::string::npos) << r.out;
    EXPECT_FALSE(fileExists(s.at("f_outOrig.qdimacs")));
    EXPECT_EQ(readFile(s.at("result1")), "UNSAT");
  }
  if (k.line != nullptr) {
    EXPECT_TRUE(hasLine(r.out, k.line)) << r.out;
  }
}

// The truth values above, confirmed by depqbf.
TEST_P(HypResRun, TruthAgreesWithDepqbf) {
  if (!qbf::depqbfAvailable()) GTEST_SKIP() << qbf::depqbfMissingMessage();
  const E2ECase& k = GetParam();
  Scratch s;
  writeFile(s.at("f.qdimacs"), k.formula);
  std::string detail;
  EXPECT_EQ(qbf::runDepqbf(s.at("f.qdimacs"), 20, &detail), k.truth ? qbf::Verdict::True : qbf::Verdict::False)
      << detail;
}

INSTANTIATE_TEST_SUITE_P(E2E, HypResRun, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- a deep chain -------------------------------------------------------------

// x1 -> x2 -> ... -> xN with (-xi v -x(i+1) v zi) along it: the probe of x1
// nests N probes deep, and every xi gets the resolvent (-xi v zi). Each probe
// makes everything below it true, so the pass is quadratic in N. N = 5000
// keeps the sanitizer build within seconds while the nesting is still far
// deeper than a default thread stack would allow a recursion there; QSHRINK_DEEP_CHAIN sets
// another N (bench/bench_hyperres.sh times 20,000).
int chainLength() {
  const char* v = std::getenv("QSHRINK_DEEP_CHAIN");
  int n = v != nullptr ? std::atoi(v) : 0;
  return n >= 2 ? n : 5000;
}
std::string chainText;
bool chainContradiction = true;

void probeChain() {
  readText(chainText);
  buildAndPropagateUnits();
  if (CONTRADICTION) return;
  runHypRes();
  chainContradiction = CONTRADICTION;
}

TEST(HypResDeep, ChainOfTwentyThousandLiterals) {
  const int n = chainLength();
  std::string text = "p cnf " + std::to_string(2 * n - 1) + " " + std::to_string(2 * (n - 1)) + "\n";
  for (int i = 1; i < n; i++) {
    text += std::to_string(-i) + " " + std::to_string(i + 1) + " 0\n";
    text += std::to_string(-i) + " " + std::to_string(-(i + 1)) + " " + std::to_string(n + i) + " 0\n";
  }
  chainText = text;
  probeChain();
  ASSERT_FALSE(chainContradiction);
  EXPECT_TRUE(foundNewBcls);
  EXPECT_FALSE(foundNewForced);
  EXPECT_EQ(numAddBcls, n - 1);
  int missing = 0;
  for (int i = 1; i < n; i++) {
    std::vector<int32_t> impl = implicationsOf(lit(i));
    std::sort(impl.begin(), impl.end());
    std::vector<int32_t> want = {lit(i + 1), lit(n + i)};
    std::sort(want.begin(), want.end());
    if (impl != want) missing++;
  }
  EXPECT_EQ(missing, 0);
  for (int i = 1; i <= n; i++) ASSERT_EQ(PRELITS[lit(i)].dfsColour, 2) << i;
  chainText.clear();
}

}  // namespace
