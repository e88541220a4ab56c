// The strong mode's entry point: its answers, what a stop keeps, the
// switches, and the report.
#include <gtest/gtest.h>

#include "strong/qbfbridge.h"
#include "strong/strong.h"

namespace {

strong::Result run(strong::Problem& p, const strong::Switches& s = {}, const strong::Limits& l = {}) {
  strong::Report r;
  return strong::simplify(p, s, l, r);
}

// forall 1 exists 2 3: true, but nothing simple shows it at once.
const char* const kTrue = "p cnf 3 4\na 1 0\ne 2 3 0\n1 2 3 0\n-1 -2 3 0\n1 -3 2 0\n-1 -3 -2 0\n";

TEST(Strong, Answers) {
  strong::Problem f = bridge::parseProblem("p cnf 2 2\na 1 0\ne 2 0\n1 2 0\n1 -2 0\n");
  EXPECT_EQ(run(f), strong::Result::False);
  EXPECT_EQ(f.clauses, (std::vector<std::vector<int32_t>>{{}}));
  strong::Problem t = bridge::parseProblem(kTrue);
  EXPECT_EQ(run(t), strong::Result::True);
  EXPECT_TRUE(t.clauses.empty());
  strong::Problem empty;
  EXPECT_EQ(run(empty), strong::Result::True);
}

TEST(Strong, AStopOrNoEffortKeepsTheFormula) {
  strong::Limits stopNow;
  stopNow.stop = [] { return true; };
  strong::Limits noEffort;
  noEffort.effort = 0;
  for (const strong::Limits& l : {stopNow, noEffort}) {
    strong::Problem p = bridge::parseProblem(kTrue);
    strong::Report r;
    EXPECT_EQ(strong::simplify(p, {}, l, r), strong::Result::Unknown);
    EXPECT_EQ(p.clauses.size(), 4u);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.rounds, 0);
  }
}

TEST(Strong, SwitchesOffLeaveOnlyTheCleanUp) {
  strong::Switches none{false, false, false, false, false, false};
  // The unit 4 and the reduction of 1 still happen.
  strong::Problem p = bridge::parseProblem("p cnf 4 4\na 1 0\ne 2 3 4 0\n4 0\n-4 2 3 0\n2 3 1 0\n-2 -3 0\n");
  EXPECT_EQ(run(p, none), strong::Result::Unknown);
  EXPECT_EQ(p.clauses.size(), 3u);
  strong::Problem q = bridge::parseProblem(kTrue);
  strong::Switches onlyExpand = none;
  onlyExpand.expand = true;
  EXPECT_EQ(run(q, onlyExpand), strong::Result::Unknown);
  EXPECT_GT(q.numVars, 3);  // copies of 2 and 3
  EXPECT_TRUE(bridge::evaluate(q));
}

TEST(Strong, ReportCounts) {
  strong::Problem p = bridge::parseProblem(kTrue);
  strong::Report r;
  EXPECT_EQ(strong::simplify(p, {}, {}, r), strong::Result::True);
  EXPECT_GE(r.rounds, 1);
  EXPECT_GT(r.work, 0);
  EXPECT_GT(r.subsumed + r.strengthened + r.pureLiterals + r.blocked + r.eliminated + r.expanded, 0);
  EXPECT_FALSE(r.stopped);
}

}  // namespace
