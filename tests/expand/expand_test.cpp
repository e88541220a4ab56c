// Universal expansion: the two halves of the innermost universal variable,
// copies only for the existential variables that depend on it, the bound.
#include <gtest/gtest.h>

#include "expand/expand.h"
#include "strong/qbfbridge.h"

namespace {

using bridge::Clauses;
using bridge::clausesOf;
using bridge::load;

bool expandOne(occur::Formula& f, expand::History& h, expand::Counts& c) {
  occur::Budget b = bridge::unlimited(f);
  return expand::one(f, b, h, c);
}

// One expansion of the formula of a text.
struct Expanded {
  occur::Formula f;
  expand::History h;
  expand::Counts c;
  bool done;
  explicit Expanded(const char* text) : f(load(text)), done(expandOne(f, h, c)) {}
};

TEST(Expand, TwoHalvesWithACopy) {
  // forall 1 exists 2: (1 v 2)(-1 v -2) becomes (2)(-3), with 3 the copy of 2.
  Expanded e("p cnf 2 2\na 1 0\ne 2 0\n1 2 0\n-1 -2 0\n");
  const occur::Formula& f = e.f;
  ASSERT_TRUE(e.done);
  EXPECT_EQ(e.c.expanded, 1);
  EXPECT_EQ(e.c.copies, 1);
  EXPECT_EQ(f.numVars(), 3);
  EXPECT_EQ(f.state(1), occur::VarState::Eliminated);
  EXPECT_EQ(f.liveClauses(), 0);
  EXPECT_EQ(f.fixedCount(), 2);
  EXPECT_FALSE(f.inconsistent());
}

TEST(Expand, CopiesOnlyWhatDependsOnTheUniversal) {
  // e 1 | a 2 | e 3 4 5: 3 and 4 meet 2's clauses, 5 does not.
  Expanded e("p cnf 5 5\ne 1 0\na 2 0\ne 3 4 5 0\n2 3 4 0\n-2 -3 4 0\n-4 3 0\n5 1 0\n-5 -1 0\n");
  const occur::Formula& f = e.f;
  ASSERT_TRUE(e.done);
  EXPECT_EQ(e.c.copies, 2);
  EXPECT_EQ(f.numVars(), 7);  // 6 and 7 copy 3 and 4
  EXPECT_EQ(f.level(6), f.level(3));
  EXPECT_EQ(clausesOf(f), (Clauses{{-6, 7}, {-1, -5}, {1, 5}, {3, -4}, {3, 4}, {6, -7}}));
  EXPECT_EQ(e.h.added, 1);
}

TEST(Expand, StaysWithinItsAllowance) {
  occur::Formula f = load("p cnf 3 3\na 1 0\ne 2 3 0\n1 2 3 0\n-1 -2 3 0\n2 -3 0\n");
  expand::History h;
  h.allowance = 0;
  expand::Counts c;
  EXPECT_FALSE(expandOne(f, h, c));
  EXPECT_EQ(f.numVars(), 3);
  // Nothing to expand without a universal level before the innermost one.
  occur::Formula g = load("p cnf 2 1\ne 1 2 0\n1 2 0\n");
  expand::History gh;
  EXPECT_FALSE(expandOne(g, gh, c));
}

}  // namespace
