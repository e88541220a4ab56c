// Clause-level propagation: the binary half, the n-ary half, and one step
// of emptying their queues.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/preprocessor.h"
#include "propagate/clauseprop.h"
#include "propagate/queues.h"
#include "store/checks.h"
#include "store/clauseops.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

namespace {

const char* const kEmpty = "\n Empty Clause detected during universalReduction! \nc CONTRADICTION found! 8\n";

// --- the entry test shared by both halves ----------------------------------

struct EntryCase {
  const char* name;
  bool universal;  // propagate the universal literal 1 instead of the existential 2
  bool done;       // the half's done flag is set beforehand
  int32_t tval;    // value of the literal beforehand
  const char* bclsPrinted;
  const char* naryPrinted;
  bool propagates;
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

const EntryCase kEntries[] = {
    {"Universal", true, false, U, "c CONTRADICTION found! 9\n", "c CONTRADICTION found! 10\n", false},
    {"UniversalDoneAndTrue", true, true, T, "c CONTRADICTION found! 9\n", "c CONTRADICTION found! 10\n", false},
    {"DoneAndTrue", false, true, T, "", "", false},
    {"DoneAndFalse", false, true, F, "c CONTRADICTION found! 6\n", "c CONTRADICTION found! 3\n", false},
    {"FalseWithoutDone", false, false, F, "c CONTRADICTION found! 6\n", "c CONTRADICTION found! 3\n", false},
    {"TrueWithoutDone", false, false, T, "", "", true},
    {"DoneButUnassigned", false, true, U, "", "", true},
    {"Fresh", false, false, U, "", "", true},
};

class Entry : public ::testing::TestWithParam<EntryCase> {};

}  // namespace

TEST_P(Entry, BothHalves) {
  const EntryCase& k = GetParam();
  for (bool binaryHalf : {true, false}) {
    SCOPED_TRACE(binaryHalf ? "bclsUnitProp" : "naryUnitProp");
    buildText("p cnf 3 1\na 1 0\ne 2 3 0\n1 2 3 0\n");
    int32_t x = lit(k.universal ? 1 : 2);
    (binaryHalf ? PRELITS[x].bclsDone : PRELITS[x].naryDone) = k.done;
    if (k.tval == T) setTrue(x);
    if (k.tval == F) setTrue(x ^ 1);
    CaptureStdout out;
    if (binaryHalf) bclsUnitProp(x);
    else naryUnitProp(x);
    EXPECT_EQ(out.text(), binaryHalf ? k.bclsPrinted : k.naryPrinted);
    EXPECT_EQ(CONTRADICTION, std::string(k.bclsPrinted) != "");
    // A literal true before either half ran was valued, and counted, at
    // top level: the binary half does not count it again.
    EXPECT_EQ(numValuedLits, binaryHalf && k.propagates && k.tval != T ? 2 : 0);
    if (k.propagates) {
      EXPECT_EQ(PRELITS[x].tval, T);
      EXPECT_EQ(PRELITS[x ^ 1].tval, F);
      EXPECT_TRUE(binaryHalf ? PRELITS[x ^ 1].bclsDone : PRELITS[x ^ 1].naryDone);
    } else {
      EXPECT_EQ(PRELITS[x ^ 1].tval, k.tval == U ? U : k.tval == T ? F : T);
      EXPECT_FALSE(binaryHalf ? PRELITS[x ^ 1].bclsDone : PRELITS[x ^ 1].naryDone);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(States, Entry, ::testing::ValuesIn(kEntries),
                         [](const ::testing::TestParamInfo<EntryCase>& i) { return std::string(i.param.name); });

// --- bclsUnitProp ----------------------------------------------------------

TEST(BclsUnitProp, LiteralWithoutImplicationsOnlyGetsItsValue) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  bclsUnitProp(lit(1));
  EXPECT_EQ(PRELITS[lit(1)].tval, T);
  EXPECT_EQ(PRELITS[lit(-1)].tval, F);
  EXPECT_TRUE(PRELITS[lit(1)].bclsDone && PRELITS[lit(-1)].bclsDone);
  EXPECT_FALSE(PRELITS[lit(1)].naryDone || PRELITS[lit(-1)].naryDone);
  EXPECT_TRUE(PRENCLS[0].active);
  EXPECT_EQ(bclsUPstack->count + naryUPstack->count, 0);
  EXPECT_EQ(Counters::now(), (Counters{2, 0, 0, 0, 0, 0, 0, 0}));
}

// (-1 v 2), (-1 v 3) force 2 and 3; (1 v 4) is satisfied.
const char* const kBinaries = "p cnf 4 3\n-1 3 0\n-1 2 0\n1 4 0\n";

TEST(BclsUnitProp, QueuesThePartnersAndDropsTheOtherHalvesOfSatisfiedClauses) {
  buildText(kBinaries);
  ASSERT_EQ(implicationsOf(lit(1)), (V{lit(2), lit(3)}));
  bclsUnitProp(lit(1));
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_EQ(queued(bclsUPstack), (V{lit(2), lit(3)}));
  EXPECT_EQ(queued(naryUPstack), (V{lit(2), lit(3)}));
  EXPECT_EQ(implicationsOf(lit(-4)), V{});
  // The literal's own lists and those of the forcing clauses stay.
  EXPECT_EQ(implicationsOf(lit(1)), (V{lit(2), lit(3)}));
  EXPECT_EQ(implicationsOf(lit(-1)), V{lit(4)});
  EXPECT_EQ(implicationsOf(lit(-2)), V{lit(-1)});
  EXPECT_EQ(Counters::now(), (Counters{2, 3, 0, 3, 0, 0, 0, 0}));
}

TEST(BclsUnitProp, PartnersAlreadyPropagatedAreNotCountedAgain) {
  buildText(kBinaries);
  naryUnitProp(lit(1));  // 1 is true before its binary half runs
  bclsUnitProp(lit(2));  // counts (-1 v 2), which stays in the list of 1
  ASSERT_EQ(numSatBcls, 1);
  ASSERT_EQ(implicationsOf(lit(1)), (V{lit(2), lit(3)}));
  bclsUnitProp(lit(1));
  EXPECT_EQ(queued(bclsUPstack), V{lit(3)});
  EXPECT_EQ(queued(naryUPstack), V{lit(3)});
  EXPECT_EQ(Counters::now(), (Counters{4, 3, 0, 3, 0, 0, 0, 0}));
}

TEST(BclsUnitProp, ImpliedFalseLiteralIsReportedByBothQueues) {
  buildText("p cnf 3 2\n-1 3 0\n-1 2 0\n");
  naryUnitProp(lit(-2));
  CaptureStdout out;
  bclsUnitProp(lit(1));
  EXPECT_EQ(out.text(), "c CONTRADICTION found! 4\nc CONTRADICTION found! 1\n");
  EXPECT_TRUE(CONTRADICTION);
  // Stopped at the first partner: 3 is not queued, the negation is not set.
  EXPECT_EQ(bclsUPstack->count + naryUPstack->count, 0);
  EXPECT_EQ(PRELITS[lit(-1)].tval, U);
  EXPECT_FALSE(PRELITS[lit(-1)].bclsDone);
  EXPECT_EQ(Counters::now(), (Counters{2, 0, 0, 0, 0, 0, 0, 0}));
}

// --- naryUnitProp ----------------------------------------------------------

TEST(NaryUnitProp, SatisfiedClauseLeavesTheOtherLists) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  naryUnitProp(lit(1));
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  EXPECT_EQ(occurrencesOf(lit(3)), V{});
  EXPECT_EQ(occurrencesOf(lit(1)), V{0});
  EXPECT_EQ(PRELITS[lit(-1)].tval, F);
  EXPECT_TRUE(PRELITS[lit(-1)].naryDone);
  EXPECT_FALSE(PRELITS[lit(1)].bclsDone);
  EXPECT_EQ(Counters::now(), (Counters{0, 1, 1, 0, 0, 0, 0, 0}));
}

TEST(NaryUnitProp, ClausesOfTheNegationBecomePendingPairsInListOrder) {
  // Clause 0 is (-1 4 5), clause 1 is (-1 2 3).
  buildText("p cnf 5 2\n-1 2 3 0\n-1 4 5 0\n");
  naryUnitProp(lit(1));
  // -1 is replaced by the last literal of each clause.
  EXPECT_EQ(pendingPairs(), (V{lit(5), lit(4), lit(3), lit(2)}));
  EXPECT_FALSE(PRENCLS[0].active || PRENCLS[1].active);
  for (int32_t d : {2, 3, 4, 5}) EXPECT_EQ(occurrencesOf(lit(d)), V{}) << d;
  EXPECT_EQ(occurrencesOf(lit(-1)), (V{0, 1}));
  EXPECT_EQ(PRELITS[lit(-2)].implications, nullptr);
  EXPECT_EQ(Counters::now(), (Counters{0, 0, 0, 0, 0, 2, 0, 0}));
}

TEST(NaryUnitProp, UniversalBehindTheLastExistentialLeavesAQueuedUnit) {
  // (-1 2 3) with 2 existential in block 0, 3 universal in block 1, 1 in block 2.
  buildText("p cnf 3 1\ne 2 0\na 3 0\ne 1 0\n-1 2 3 0\n");
  naryUnitProp(lit(1));
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_EQ(clauseLits(0), V{lit(2)});
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(queued(bclsUPstack), V{lit(2)});
  EXPECT_EQ(queued(naryUPstack), V{lit(2)});
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  EXPECT_EQ(occurrencesOf(lit(3)), V{});
  EXPECT_EQ(occurrencesOf(lit(-1)), V{0});
  EXPECT_EQ(newBclsStack->top, -1);
  EXPECT_EQ(numReducedNary, 0);
}

TEST(NaryUnitProp, EmptyClauseStopsTheLoop) {
  // Clause 0 is (2 3 -4), clause 1 is (1 2 -4).
  buildText("p cnf 4 2\ne 1 0\na 2 3 0\ne 4 0\n1 2 -4 0\n2 3 -4 0\n");
  CaptureStdout out;
  naryUnitProp(lit(4));
  EXPECT_EQ(out.text(), kEmpty);
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_EQ(PRENCLS[1].curLen, 3);
  EXPECT_EQ(newBclsStack->top, -1);
}

// --- one propagation step --------------------------------------------------

TEST(RunPropagationStep, BinaryQueueIsWorkedLastInFirstOut) {
  buildText("p cnf 2 1\n-1 2 0\n");
  pushbclsUPstack(lit(1));
  pushbclsUPstack(lit(2));
  runPropagationStep();
  // 2 went first: with 1 still unassigned, (-1 v 2) left the list of 1.
  EXPECT_EQ(implicationsOf(lit(1)), V{});
  EXPECT_EQ(PRELITS[lit(1)].tval, T);
  EXPECT_EQ(numSatBcls, 1);
  EXPECT_EQ(bclsUPstack->count + naryUPstack->count, 0);
}

TEST(RunPropagationStep, BinaryQueueIsEmptiedBeforeTheNaryQueue) {
  buildText("p cnf 2 1\n-1 -2 0\n");
  pushnaryUPstack(lit(1));
  pushbclsUPstack(lit(2));
  CaptureStdout out;
  runPropagationStep();
  // 2 forces -1 while 1 still waits on the n-ary queue.
  EXPECT_EQ(out.text(), "c CONTRADICTION found! 2\n");
  EXPECT_EQ(bclsUPstack->count + naryUPstack->count, 0);
  EXPECT_TRUE(noneMarked(bclsUPstack));
  EXPECT_TRUE(noneMarked(naryUPstack));
}

TEST(RunPropagationStep, UnitsQueuedByTheNaryHalfWaitOnTheBinaryQueue) {
  buildText("p cnf 3 1\ne 2 0\na 3 0\ne 1 0\n-1 2 3 0\n");
  pushnaryUPstack(lit(1));
  runPropagationStep();
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_EQ(queued(bclsUPstack), V{lit(2)});
  EXPECT_EQ(naryUPstack->count, 0);
  EXPECT_TRUE(PRELITS[lit(2)].naryDone);
  EXPECT_FALSE(PRELITS[lit(2)].bclsDone);
}

TEST(RunPropagationStep, PropagatesTheRepresentative) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  represent(lit(1), lit(2));
  pushbclsUPstack(lit(1));
  pushnaryUPstack(lit(1));
  runPropagationStep();
  EXPECT_EQ(PRELITS[lit(2)].tval, T);
  EXPECT_TRUE(PRELITS[lit(2)].bclsDone && PRELITS[lit(2)].naryDone);
  EXPECT_EQ(PRELITS[lit(1)].tval, U);
  EXPECT_FALSE(PRENCLS[0].active);
}

TEST(RunPropagationStep, UniversalRepresentativeIsAContradiction) {
  for (bool binaryQueue : {true, false}) {
    buildText("p cnf 2 1\na 1 0\ne 2 0\n1 2 0\n");
    represent(lit(2), lit(1));
    (binaryQueue ? pushbclsUPstack : pushnaryUPstack)(lit(2));
    CaptureStdout out;
    runPropagationStep();
    EXPECT_EQ(out.text(), binaryQueue ? "c CONTRADICTION found! 9\n" : "c CONTRADICTION found! 10\n");
    EXPECT_EQ(PRELITS[lit(1)].tval, U);
    EXPECT_EQ(bclsUPstack->count + naryUPstack->count, 0);
  }
}

TEST(RunPropagationStep, LiteralMadeFalseAtTopLevelAfterItWasQueued) {
  // ∃1 ∀2 ∃3: (1 v 2 v 3), (-3), (-1) is false. Propagating -3 reduces the
  // clause to the unit 1, queued before -1 is propagated.
  const char* f = "p cnf 3 3\ne 1 0\na 2 0\ne 3 0\n1 2 3 0\n-3 0\n-1 0\n";
  readText(f);
  buildAndPropagateUnits();
  ASSERT_FALSE(CONTRADICTION);
  ASSERT_EQ(queued(bclsUPstack), V{lit(1)});
  ASSERT_EQ(PRELITS[lit(1)].tval, F);
  CaptureStdout out;
  runPropagationStep();
  EXPECT_EQ(out.text(), "c CONTRADICTION found! 6\n");
  EXPECT_EQ(bclsUPstack->count + naryUPstack->count, 0);
  EXPECT_TRUE(noneMarked(naryUPstack));
  EXPECT_EQ(numValuedLits, 4);

  readText(f);
  buildAndPropagateUnits();
  CaptureStdout out2;
  naryUnitProp(PRELITS[naryUPstack->items[0]].equivLit);
  EXPECT_EQ(out2.text(), "c CONTRADICTION found! 3\n");
}

TEST(RunPropagationStep, LiteralMadeTrueAtTopLevelAfterItWasQueuedIsNotCountedAgain) {
  // ∃1 ∀2 ∃3..6: propagating -3 reduces (1 2 3) to the unit 1, queued on
  // the clause-level queues; the unit clause 1 then makes 1 true at top
  // level, which forces 4, satisfies (1 5 6) and turns (-1 5 6) into the
  // binary clause (5 6). All of that is counted once, at top level.
  readText("p cnf 6 6\ne 1 0\na 2 0\ne 3 4 5 6 0\n1 2 3 0\n-3 0\n1 0\n-1 4 0\n-1 5 6 0\n1 5 6 0\n");
  buildAndPropagateUnits();
  ASSERT_FALSE(CONTRADICTION);
  ASSERT_EQ(queued(bclsUPstack), V{lit(1)});
  ASSERT_EQ(queued(naryUPstack), V{lit(1)});
  ASSERT_EQ(PRELITS[lit(1)].tval, T);
  ASSERT_EQ(Counters::now(), (Counters{6, 5, 2, 1, 2, 1, 1, 0}));
  runPropagationStep();
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_TRUE(PRELITS[lit(1)].bclsDone && PRELITS[lit(1)].naryDone);
  // The n-ary half finds (-1 5 6) again, already binary: its pair is pushed
  // once more, but the clause is not counted as turned binary again ...
  EXPECT_EQ(Counters::now(), (Counters{6, 5, 2, 1, 2, 1, 1, 0}));
  ASSERT_EQ(newBclsStack->top, 1);
  // ... and the commit finds it a duplicate: added and satisfied once each.
  addnewBclsStacktoLit();
  EXPECT_EQ(Counters::now(), (Counters{6, 6, 2, 2, 2, 1, 2, 0}));
  EXPECT_EQ(sortedCopy(implicationsOf(lit(-5))), V{lit(6)});
}
