// Subsumption and strengthening: forward over the changed clauses, backward
// from given subsumers, and never a universal pivot.
#include <gtest/gtest.h>

#include "strong/qbfbridge.h"
#include "subsume/subsume.h"

namespace {

using bridge::Clauses;
using bridge::clausesOf;
using bridge::load;

subsume::Counts forward(occur::Formula& f, subsume::Mode mode = {}) {
  occur::Budget b = bridge::unlimited(f);
  subsume::Counts c;
  EXPECT_TRUE(subsume::run(f, b, mode, c));
  return c;
}

TEST(Subsume, SupersetsAndDuplicatesGo) {
  occur::Formula f = load("p cnf 4 5\ne 1 2 3 4 0\n1 2 0\n3 1 2 0\n2 1 0\n1 3 4 0\n-1 3 4 0\n");
  subsume::Counts c = forward(f, {true, false});
  EXPECT_EQ(clausesOf(f), (Clauses{{-1, 3, 4}, {1, 2}, {1, 3, 4}}));
  EXPECT_EQ(c.subsumed, 2);
}

TEST(Subsume, StrengthensOnAnExistentialPivot) {
  // (1 v 2) and (-1 v 2 v 3) resolve to (2 v 3), which replaces the second;
  // (1 v 3 v 4) and (-1 v 3 v 4) resolve to (3 v 4), which replaces the
  // second and, as a changed clause, subsumes the first backward.
  occur::Formula f = load("p cnf 4 4\ne 1 2 3 4 0\n1 2 0\n-1 2 3 0\n1 3 4 0\n-1 3 4 0\n");
  subsume::Counts c = forward(f);
  EXPECT_EQ(c.strengthened, 2);
  EXPECT_EQ(c.subsumed, 1);
  EXPECT_EQ(clausesOf(f), (Clauses{{1, 2}, {2, 3}, {3, 4}}));
}

TEST(Subsume, NeverOnAUniversalPivot) {
  // a 1 | e 2 3: (1 v 2) and (-1 v 2 v 3) differ in the universal 1 only.
  occur::Formula f = load("p cnf 3 2\na 1 0\ne 2 3 0\n1 2 0\n-1 2 3 0\n");
  Clauses before = clausesOf(f);
  subsume::Counts c = forward(f);
  EXPECT_EQ(clausesOf(f), before);
  EXPECT_EQ(c.strengthened, 0);
  // The same clauses with 1 existential do strengthen.
  occur::Formula g = load("p cnf 3 2\ne 1 2 3 0\n1 2 0\n-1 2 3 0\n");
  EXPECT_EQ(forward(g).strengthened, 1);
}

TEST(Subsume, StrengtheningReducesAndPropagates) {
  // e 1 | a 2 | e 3: (3 v -1 v 2) loses 3 by (-3 v -1); 2 is then deeper than
  // 1 and goes, and the unit -1 satisfies the rest.
  occur::Formula f = load("p cnf 4 3\ne 1 0\na 2 0\ne 3 4 0\n-3 -1 0\n3 -1 2 0\n1 4 3 0\n");
  forward(f);
  EXPECT_EQ(clausesOf(f), (Clauses{{3, 4}}));
  EXPECT_EQ(f.fixedCount(), 1);
}

TEST(Subsume, ModesAndChangedClausesOnly) {
  const char* text = "p cnf 3 3\ne 1 2 3 0\n1 2 0\n1 2 3 0\n-1 2 3 0\n";
  occur::Formula f = load(text);
  subsume::Counts c = forward(f, {false, true});
  EXPECT_EQ(c.subsumed, 0);  // (1 v 2 v 3) stays as a superset
  EXPECT_EQ(clausesOf(f), (Clauses{{1, 2}, {1, 2, 3}, {2, 3}}));
  occur::Formula g = load(text);
  EXPECT_EQ(forward(g, {true, false}).strengthened, 0);
  EXPECT_EQ(clausesOf(g), (Clauses{{-1, 2, 3}, {1, 2}}));
}

TEST(Subsume, LaterRunsTryWhatChanged) {
  occur::Formula f = load("p cnf 3 2\ne 1 2 3 0\n1 2 3 0\n-1 -2 0\n");
  forward(f);
  int64_t work = f.work;
  forward(f);
  EXPECT_LT(f.work - work, 10);  // no candidate: the clauses are only counted
  f.add({1, 2});
  EXPECT_EQ(forward(f).subsumed, 1);  // the new clause subsumes backward
  EXPECT_EQ(clausesOf(f), (Clauses{{-1, -2}, {1, 2}}));
}

TEST(Subsume, BackwardFromNewClauses) {
  occur::Formula f = load("p cnf 5 3\ne 1 2 3 4 5 0\n1 2 3 0\n-1 2 4 0\n2 4 5 0\n");
  occur::ClauseId added = f.add({2, 4});
  occur::Budget b = bridge::unlimited(f);
  subsume::Counts c;
  subsume::backward(f, b, {added}, {}, c);
  EXPECT_EQ(clausesOf(f), (Clauses{{1, 2, 3}, {2, 4}}));
  EXPECT_EQ(c.subsumed, 2);
  // A strengthened clause subsumes in turn: (-1 v 3) shortens (1 v 3 v 5) to
  // (3 v 5), which removes (3 v 5 v 2).
  occur::Formula g = load("p cnf 5 2\ne 1 2 3 4 5 0\n1 3 5 0\n2 3 5 0\n");
  occur::ClauseId shorter = g.add({-1, 3});
  occur::Budget gb = bridge::unlimited(g);
  subsume::Counts gc;
  subsume::backward(g, gb, {shorter}, {}, gc);
  EXPECT_EQ(clausesOf(g), (Clauses{{-1, 3}, {3, 5}}));
}

}  // namespace
