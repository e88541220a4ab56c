// Blocked clause elimination for QBF: the tautology must come from a
// variable at the pivot's level or further out, the pivot must be
// existential, and removals make further clauses blocked.
#include <gtest/gtest.h>

#include "blocked/blocked.h"
#include "strong/qbfbridge.h"

namespace {

using bridge::Clauses;
using bridge::clausesOf;
using bridge::load;

int64_t eliminate(occur::Formula& f) {
  occur::Budget b = bridge::unlimited(f);
  int64_t removed = 0;
  blocked::History h;
  EXPECT_TRUE(blocked::run(f, b, h, removed));
  return removed;
}

// Clauses over 2 and 3 (both signs each) that no clause is blocked with:
// each of them, and each clause with 2 or 3, meets a partner without a clash.
const std::string kAnchors = "2 3 0\n-2 -3 0\n2 -3 0\n-2 3 0\n";

TEST(Blocked, NotThroughAVariableFurtherIn) {
  // e 1 | a 4 | e 2 3: (1 v 2 v 4) on pivot 1 meets (-1 v -2 v 4) only, and
  // their resolvent is a tautology on 2, which is deeper than 1: not blocked.
  occur::Formula f = load("p cnf 4 6\ne 1 0\na 4 0\ne 2 3 0\n1 2 4 0\n-1 -2 4 0\n" + kAnchors);
  EXPECT_EQ(eliminate(f), 0);
  EXPECT_EQ(f.liveClauses(), 6);
}

TEST(Blocked, ThroughAnOuterVariableAndOnward) {
  // The same clauses with 2 outermost and 1 innermost: (1 v 2 v 4) is blocked
  // on 1; then (-1 v -2 v 4) has no partner left and goes too.
  occur::Formula f = load("p cnf 4 6\ne 2 0\na 4 0\ne 1 3 0\n1 2 4 0\n-1 -2 4 0\n" + kAnchors);
  EXPECT_EQ(eliminate(f), 2);
  EXPECT_EQ(clausesOf(f), clausesOf(load("p cnf 3 4\ne 2 0\na 4 0\ne 1 3 0\n" + kAnchors)));
}

TEST(Blocked, NeverOnAUniversalLiteral) {
  // e 1 | a 4 | e 2 3: on the universal 4, (1 v 4 v 2) would be blocked by
  // (-4 v -1 v 2) through the outer 1; on 1 the clash is through 4, which is
  // deeper.
  occur::Formula f = load("p cnf 4 6\ne 1 0\na 4 0\ne 2 3 0\n1 4 2 0\n-4 -1 2 0\n" + kAnchors);
  EXPECT_EQ(eliminate(f), 0);
}

}  // namespace
