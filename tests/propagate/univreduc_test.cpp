// Universal reduction of one n-ary clause: the clause is first shortened the
// way propagation does it (one existential literal removed), which makes the
// universal literals behind it removable.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "driver/preprocessor.h"
#include "propagate/queues.h"
#include "propagate/univreduc.h"
#include "store/checks.h"
#include "store/lists.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

namespace {

V lits(std::initializer_list<int32_t> dimacs) {
  V v;
  for (int32_t d : dimacs) v.push_back(lit(d));
  return v;
}

bool occursIn(int32_t literal, int32_t clause) {
  for (int32_t c : occurrencesOf(literal))
    if (c == clause) return true;
  return false;
}

struct ReductionCase {
  const char* name;
  const char* formula;           // clause 0 is the one reduced
  int32_t removeFirst;           // literal taken out of clause 0 before the call (0: none)
  std::function<void()> setup;
  const char* printed;
  bool result;
  bool active;
  V clause;                      // clause 0 afterwards, sorted, input literals
  V queuedBoth;                  // on both clause-level queues afterwards
  V stillListed;                 // literals whose LitNcls still hold clause 0
  V notListed;                   // literals whose LitNcls no longer do
};

void PrintTo(const ReductionCase& c, std::ostream* os) { *os << c.name; }

const char* const kEmpty = "\n Empty Clause detected during universalReduction! \nc CONTRADICTION found! 8\n";

const ReductionCase kCases[] = {
    {"NothingDeeperThanTheExistentials", "p cnf 3 1\ne 1 0\na 2 0\ne 3 0\n1 2 3 0\n", 0, [] {}, "", false, true,
     {1, 2, 3}, {}, {1, 2, 3}, {}},
    {"FirstBlockUniversalsAreNeverRemoved", "p cnf 4 1\na 1 2 3 0\ne 4 0\n1 2 3 4 0\n", 4, [] {}, "", false, true,
     {1, 2, 3}, {}, {1, 2, 3}, {}},
    {"OnlyTheDeeperUniversalGoes", "p cnf 4 1\na 2 0\ne 1 0\na 3 0\ne 4 0\n1 2 3 4 0\n", 4, [] {}, "", false, true,
     {1, 2}, {}, {1, 2}, {3}},
    {"UnitIsQueuedAndLeavesEveryList", "p cnf 4 1\ne 1 0\na 2 3 0\ne 4 0\n1 2 3 4 0\n", 4, [] {}, "", false, false,
     {1}, {1}, {4}, {1, 2, 3}},
    {"FreeVariableSurvivesAsAUnit", "p cnf 4 2\ne 1 0\na 2 0\ne 3 0\n4 2 3 0\n1 4 0\n", 3, [] {}, "", false, false, {4},
     {4}, {3}, {2, 4}},
    {"EmptyClause", "p cnf 4 2\ne 1 0\na 2 3 0\ne 4 0\n2 3 4 0\n1 4 0\n", 4, [] {}, kEmpty, true, true, {2, 3}, {},
     {2, 3}, {}},
    {"UniversalSurvivor", "p cnf 3 1\na 1 0\na 2 0\ne 3 0\n1 2 3 0\n", 3, [] {},
     "c CONTRADICTION found! 9\nc CONTRADICTION found! 10\n", true, false, {1, 2}, {}, {1, 2}, {}},
    {"FalseSurvivor", "p cnf 4 1\ne 1 0\na 2 3 0\ne 4 0\n1 2 3 4 0\n", 4, [] { setTrue(lit(-1)); },
     "c CONTRADICTION found! 4\nc CONTRADICTION found! 1\n", true, false, {1, 2, 3}, {}, {1, 2, 3}, {}},
};

class Reduction : public ::testing::TestWithParam<ReductionCase> {};

}  // namespace

TEST_P(Reduction, OneClause) {
  const ReductionCase& k = GetParam();
  buildText(k.formula);
  ASSERT_FALSE(CONTRADICTION);
  if (k.removeFirst != 0) {
    ASSERT_TRUE(clauseRemoveLiteral(0, lit(k.removeFirst)));
  }
  k.setup();
  CaptureStdout out;
  bool result = universalReduction(&PRENCLS[0], 0);
  EXPECT_EQ(out.text(), k.printed);
  EXPECT_EQ(result, k.result);
  EXPECT_EQ(CONTRADICTION, k.result);
  EXPECT_EQ(PRENCLS[0].active, k.active);
  V expectedClause;
  for (int32_t d : k.clause) expectedClause.push_back(lit(d));
  EXPECT_EQ(sortedCopy(clauseLits(0)), sortedCopy(expectedClause));
  V q;
  for (int32_t d : k.queuedBoth) q.push_back(lit(d));
  if (!k.result) {
    EXPECT_EQ(queued(bclsUPstack), q);
    EXPECT_EQ(queued(naryUPstack), q);
  }
  for (int32_t d : k.stillListed) EXPECT_TRUE(occursIn(lit(d), 0)) << d;
  for (int32_t d : k.notListed) EXPECT_FALSE(occursIn(lit(d), 0)) << d;
}

INSTANTIATE_TEST_SUITE_P(Outcomes, Reduction, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ReductionCase>& i) { return std::string(i.param.name); });

TEST(UniversalReduction, CompactionMovesTheLastLiteralIntoEachFreedPlace) {
  // Clause (a u b v x): a, b in block 0, u, v universal in block 1, x in block 2.
  buildText("p cnf 5 1\ne 1 2 0\na 3 4 0\ne 5 0\n1 3 2 4 5 0\n");
  ASSERT_TRUE(clauseRemoveLiteral(0, lit(5)));
  ASSERT_EQ(clauseLits(0), lits({1, 3, 2, 4}));
  EXPECT_FALSE(universalReduction(&PRENCLS[0], 0));
  // v first takes the place of u and is then replaced by b.
  EXPECT_EQ(clauseLits(0), lits({1, 2}));
  EXPECT_EQ(V(PRENCLS[0].lits, PRENCLS[0].lits + 5), lits({1, 2, 2, 4, 5}));
  EXPECT_TRUE(PRENCLS[0].active);
  // Two literals are left: only the removed ones lose the clause.
  EXPECT_EQ(occurrencesOf(lit(3)), V{});
  EXPECT_EQ(occurrencesOf(lit(4)), V{});
  EXPECT_EQ(occurrencesOf(lit(1)), V{0});
  EXPECT_EQ(occurrencesOf(lit(2)), V{0});
  EXPECT_EQ(bclsUPstack->count + naryUPstack->count, 0);
}

TEST(UniversalReduction, RemovedUniversalKeepsItsOtherClauses) {
  // u (3) occurs in clauses 0 and 1; clause 1 is reduced.
  buildText("p cnf 5 2\ne 1 2 0\na 3 0\ne 4 5 0\n1 2 3 4 0\n1 2 3 5 0\n");
  ASSERT_EQ(occurrencesOf(lit(3)), (V{0, 1}));
  ASSERT_EQ(clauseLits(1), lits({1, 2, 3, 4}));
  ASSERT_TRUE(clauseRemoveLiteral(1, lit(4)));
  EXPECT_FALSE(universalReduction(&PRENCLS[1], 1));
  EXPECT_EQ(occurrencesOf(lit(3)), V{0});
  EXPECT_EQ(clauseLits(0), lits({1, 2, 3, 5}));
}

TEST(UniversalReduction, SurvivorWhoseNegationWaitsOnOneQueue) {
  const char* f = "p cnf 4 1\ne 1 0\na 2 3 0\ne 4 0\n1 2 3 4 0\n";
  buildText(f);
  pushbclsUPstack(lit(-1));
  ASSERT_TRUE(clauseRemoveLiteral(0, lit(4)));
  CaptureStdout out;
  EXPECT_TRUE(universalReduction(&PRENCLS[0], 0));
  EXPECT_EQ(out.text(), "c CONTRADICTION found! 5\n");
  EXPECT_EQ(queued(naryUPstack), V{lit(1)});
  EXPECT_EQ(PRENCLS[0].curLen, 3);

  buildText(f);
  pushnaryUPstack(lit(-1));
  ASSERT_TRUE(clauseRemoveLiteral(0, lit(4)));
  CaptureStdout out2;
  EXPECT_TRUE(universalReduction(&PRENCLS[0], 0));
  EXPECT_EQ(out2.text(), "c CONTRADICTION found! 2\n");
  EXPECT_EQ(queued(bclsUPstack), V{lit(1)});
}

TEST(UniversalReduction, UnitPropagationDropsTheClauseFromTheRemovedUniversal) {
  // The example of a true formula whose reduced clause (1 2 6 -4) keeps at
  // least two literals: the clause must leave the occurrence list of -4.
  // (Variables renumbered densely: 5..7 stand for the input's 6..8.)
  readText("p cnf 7 6\ne 1 2 6 0\na 4 0\ne 3 5 7 0\n1 2 6 -4 3 0\n-3 0\n-4 5 0\n-5 -1 0\n-4 7 0\n-7 -2 0\n");
  CaptureStdout out;
  buildAndPropagateUnits();
  EXPECT_EQ(out.text(), "");
  ASSERT_FALSE(CONTRADICTION);
  EXPECT_EQ(sortedCopy(clauseLits(0)), sortedCopy(lits({1, 2, 6})));
  EXPECT_TRUE(PRENCLS[0].active);
  EXPECT_EQ(occurrencesOf(lit(-4)), V{});
  EXPECT_EQ(occurrencesOf(lit(1)), V{0});
  EXPECT_EQ(PRELITS[lit(-3)].tval, T);
  EXPECT_EQ(bclsUPstack->count + naryUPstack->count, 0);
}
