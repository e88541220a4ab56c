// Pure literals: an existential one satisfies its clauses, a universal one
// leaves them (with universal reduction after), and fixing one can make
// others pure.
#include <gtest/gtest.h>

#include "pure/pure.h"
#include "strong/qbfbridge.h"

namespace {

using bridge::Clauses;
using bridge::clausesOf;
using bridge::load;

int64_t purify(occur::Formula& f) {
  occur::Budget b = bridge::unlimited(f);
  int64_t fixed = 0;
  EXPECT_TRUE(pure::run(f, b, 0, fixed));
  return fixed;
}

TEST(Pure, ExistentialCascade) {
  // 3 and 4 are pure; with their clauses gone -2 is pure, and nothing is left.
  occur::Formula f = load("p cnf 5 4\ne 1 2 3 4 5 0\n3 2 0\n-2 1 5 0\n-2 -1 -5 0\n1 4 -5 0\n");
  int64_t fixed = purify(f);
  EXPECT_EQ(f.liveClauses(), 0);
  EXPECT_EQ(fixed, 3);
}

TEST(Pure, UniversalLeavesItsClauses) {
  // e 1 | a 2 | e 3 4: 2 occurs only positively and is set false; its
  // clauses lose it and stay.
  occur::Formula f = load("p cnf 4 4\ne 1 0\na 2 0\ne 3 4 0\n1 2 3 0\n-1 2 -4 0\n-3 4 0\n3 -4 0\n");
  EXPECT_EQ(purify(f), 1);
  EXPECT_EQ(clausesOf(f), (Clauses{{-3, 4}, {-1, -4}, {1, 3}, {3, -4}}));
}

TEST(Pure, UniversalFalsifiesTheFormula) {
  // a 1 | e 2: forall 1 exists 2 (1 v 2)(1 v -2) is false (1 false).
  occur::Formula f = load("p cnf 2 2\na 1 0\ne 2 0\n1 2 0\n1 -2 0\n");
  purify(f);
  EXPECT_TRUE(f.inconsistent());
}

TEST(Pure, UniversalThenUnitsAndReduction) {
  // e 1 | a 2 3 | e 4: 3 is pure, so (3 v 4) becomes the unit 4, which
  // shortens (-4 v 1 v 2) to (1 v 2); 2 is deeper than 1 and goes, and the
  // unit 1 satisfies the rest.
  occur::Formula f = load("p cnf 4 3\ne 1 0\na 2 3 0\ne 4 0\n3 4 0\n-4 1 2 0\n-1 -2 4 0\n");
  EXPECT_EQ(purify(f), 1);
  EXPECT_EQ(f.liveClauses(), 0);
  EXPECT_EQ(f.fixedCount(), 3);
  EXPECT_FALSE(f.inconsistent());
}

}  // namespace
