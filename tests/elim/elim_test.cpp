// Bounded variable elimination: only the innermost level, within the bound
// on resolvents, with a cascade outward as levels empty, and with backward
// subsumption by the resolvents.
#include <gtest/gtest.h>

#include "elim/elim.h"
#include "strong/qbfbridge.h"

namespace {

using bridge::load;

elim::Counts eliminate(occur::Formula& f, int64_t growth = 0) {
  occur::Budget b = bridge::unlimited(f);
  elim::Settings s;
  s.growth = growth;
  elim::History h;
  elim::Counts c;
  EXPECT_TRUE(elim::run(f, b, s, h, c));
  return c;
}

// e 1..6 | a 7 | e 8: 8 has three clauses of each sign, nine resolvents.
// The variables 1..6 occur once each, but they are not innermost.
const char* const kStar = "p cnf 8 6\ne 1 2 3 4 5 6 0\na 7 0\ne 8 0\n"
                          "8 1 7 0\n8 2 7 0\n8 3 7 0\n-8 4 7 0\n-8 5 7 0\n-8 6 7 0\n";

TEST(Elim, NeverOutsideTheInnermostLevel) {
  occur::Formula f = load(kStar);
  elim::Counts c = eliminate(f);
  EXPECT_EQ(c.eliminated, 0);
  EXPECT_EQ(f.liveClauses(), 6);
  for (int32_t v = 1; v <= 6; v++) EXPECT_TRUE(f.occurs(v)) << v;
}

TEST(Elim, GrowthAllowsMoreAndTheNextLevelFollows) {
  occur::Formula f = load(kStar);
  elim::Counts c = eliminate(f, 3);
  // 8 goes with nine binary resolvents (7 reduced away); then level 0 is
  // innermost and each of its variables is pure there.
  EXPECT_EQ(f.state(8), occur::VarState::Eliminated);
  EXPECT_EQ(c.resolvents, 9);
  EXPECT_EQ(f.liveClauses(), 0);
}

TEST(Elim, CascadesOutward) {
  // e 1 2 | a 3 | e 4: eliminating 4 leaves (1 v 2) (3 reduced away); then
  // 1 is innermost and goes with the tautology (2 v -2).
  occur::Formula f = load("p cnf 4 3\ne 1 2 0\na 3 0\ne 4 0\n4 3 1 0\n-4 3 2 0\n-1 -2 0\n");
  elim::Counts c = eliminate(f);
  EXPECT_EQ(c.eliminated, 2);
  EXPECT_EQ(f.liveClauses(), 0);
}

TEST(Elim, ResolventsSubsumeBackward) {
  // e 1 2 5 | a 3 | e 4: the resolvent (1 v 2) on 4 removes (1 v 2 v 5).
  occur::Formula f = load("p cnf 5 3\ne 1 2 5 0\na 3 0\ne 4 0\n4 1 3 0\n-4 2 0\n1 2 5 0\n");
  elim::Counts c = eliminate(f);
  EXPECT_EQ(c.resolvents, 1);
  EXPECT_EQ(c.subsume.subsumed, 1);
}

}  // namespace
