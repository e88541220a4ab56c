// The build step: literal records, n-ary clause records with their
// occurrence lists, the queues, and the binary clauses in the implication
// lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/build.h"
#include "store/checks.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

TEST(BuildStep, ClauseRecordsComeFromTheLengthListsInOrderAndShareTheReaderArrays) {
  // List 3 holds (2 3 4) in front of (1 2 3): the last clause read comes first.
  buildText("p cnf 4 3\n1 2 3 0\n1 2 3 4 0\n2 3 4 0\n");
  ASSERT_EQ(NUMNCLS, 3);
  EXPECT_EQ(clauseLits(0), (V{lit(2), lit(3), lit(4)}));
  EXPECT_EQ(clauseLits(1), (V{lit(1), lit(2), lit(3)}));
  EXPECT_EQ(clauseLits(2), (V{lit(1), lit(2), lit(3), lit(4)}));
  EXPECT_EQ(PRENCLS[0].lits, lenNclauses[3]->lits);
  EXPECT_EQ(PRENCLS[1].lits, lenNclauses[3]->next->lits);
  EXPECT_EQ(PRENCLS[2].lits, lenNclauses[4]->lits);
  for (int32_t c = 0; c < 3; c++) EXPECT_TRUE(PRENCLS[c].active);

  // Occurrence lists in clause order, with exactly the counted room.
  EXPECT_EQ(occurrencesOf(lit(2)), (V{0, 1, 2}));
  EXPECT_EQ(PRELITS[lit(2)].nclsCap, 3);
  EXPECT_EQ(occurrencesOf(lit(1)), (V{1, 2}));
  EXPECT_EQ(PRELITS[lit(1)].nclsCap, 2);
  EXPECT_EQ(occurrencesOf(lit(4)), (V{0, 2}));
  EXPECT_EQ(PRELITS[lit(4)].nclsCap, 2);
  // A literal in no clause keeps null lists.
  EXPECT_EQ(PRELITS[lit(-1)].LitNcls, nullptr);
  EXPECT_EQ(PRELITS[lit(-1)].nclsCap, 0);
  EXPECT_EQ(PRELITS[lit(-1)].implications, nullptr);
  EXPECT_EQ(PRELITS[lit(-1)].implCap, 0);
  EXPECT_EQ(NUMBCLS, 0);
}

TEST(BuildStep, LiteralRecordsQueuesAndPendingStackStartEmpty) {
  buildText("p cnf 3 1\na 1 0\ne 2 3 0\n1 2 3 0\n");
  ASSERT_EQ(NLITS, 6);
  for (int32_t i = 0; i < NLITS; i++) {
    const preLit& L = PRELITS[i];
    EXPECT_EQ(L.index, i);
    EXPECT_EQ(L.tval, U);
    EXPECT_EQ(L.equivLit, i);
    EXPECT_EQ(L.sccRep, -1);
    EXPECT_FALSE(L.naryDone || L.bclsDone || L.hasNewBcls);
    EXPECT_EQ(L.existential, i >= 2) << i;
    EXPECT_EQ(L.prefixLevel, i >= 2 ? 1 : 0) << i;
  }
  for (UPstackRec* q : {UPstack, bclsUPstack, naryUPstack}) {
    EXPECT_EQ(q->size, NLITS);
    EXPECT_EQ(q->count, 0);
    EXPECT_TRUE(noneMarked(q));
  }
  EXPECT_EQ(newBclsStack->size, NLITS);
  EXPECT_EQ(newBclsStack->top, -1);
}

TEST(BuildStep, FreeVariablesAreExistentialOutsideEveryBlock) {
  // Variable 3 is in no quantifier line.
  buildText("p cnf 3 1\na 1 0\ne 2 0\n1 2 3 0\n");
  for (int32_t l : {lit(3), lit(-3)}) {
    EXPECT_TRUE(PRELITS[l].existential);
    EXPECT_EQ(PRELITS[l].prefixLevel, -1);
  }
  EXPECT_FALSE(PRELITS[lit(1)].existential);
  EXPECT_EQ(PRELITS[lit(1)].prefixLevel, 0);
  EXPECT_EQ(PRELITS[lit(2)].prefixLevel, 1);

  // Without a prefix every variable is existential in block 0.
  buildText("p cnf 2 1\n1 2 0\n");
  for (int32_t i = 0; i < NLITS; i++) {
    EXPECT_TRUE(PRELITS[i].existential);
    EXPECT_EQ(PRELITS[i].prefixLevel, 0);
  }
}

// The reader hands over the occurrence counts of the n-ary clauses; without
// them the build counts for itself, and the lists come out the same.
TEST(BuildStep, OccurrenceListsAreTheSameWhenTheBuildCountsThemItself) {
  const std::string text = "p cnf 5 5\n1 2 3 0\n-1 2 -4 5 0\n1 -2 0\n2 3 -5 0\n-1 -3 4 0\n";
  std::vector<V> lists;
  for (bool counted : {true, false}) {
    readText(text);
    ASSERT_NE(naryOccurrences, nullptr);
    if (!counted) {
      qfree(naryOccurrences);
      naryOccurrences = nullptr;
    }
    createStore();
    EXPECT_EQ(naryOccurrences, nullptr);  // used up
    V all;
    for (int32_t i = 0; i < NLITS; i++) {
      all.push_back(PRELITS[i].nclsCap);
      for (int32_t c : occurrencesOf(i)) all.push_back(c);
    }
    lists.push_back(all);
  }
  EXPECT_EQ(lists[0], lists[1]);
  // List 3 holds the last clause read first: (-1 -3 4), (2 3 -5), (1 2 3), then (-1 2 -4 5).
  EXPECT_EQ(occurrencesOf(lit(2)), (V{1, 2, 3}));
  EXPECT_EQ(occurrencesOf(lit(-1)), (V{0, 3}));
}

TEST(BuildStep, BinaryClausesAreStoredInBothImplicationLists) {
  buildText("p cnf 3 2\n1 2 0\n-1 3 0\n");
  EXPECT_EQ(NUMBCLS, 2);
  EXPECT_EQ(implicationsOf(lit(-1)), (V{lit(2)}));
  EXPECT_EQ(implicationsOf(lit(-2)), (V{lit(1)}));
  EXPECT_EQ(implicationsOf(lit(1)), (V{lit(3)}));
  EXPECT_EQ(implicationsOf(lit(-3)), (V{lit(-1)}));
  EXPECT_EQ(PRELITS[lit(-1)].implCap, 4);
  EXPECT_EQ(NUMNCLS, 0);
  EXPECT_EQ(numSatCls, 0);
}

// The same clause given twice, in either order, is stored once; NUMBCLS
// counts every copy and each later copy counts as a satisfied binary clause.
struct DuplicateCase {
  const char* clauses;  // four binary clause lines over variables 1..3
  V implNeg1;           // implications of -1 afterwards
  int32_t capNeg1;      // 4 x the times -1 was counted
  int32_t satisfied;    // copies dropped
};

class BuildDuplicates : public ::testing::TestWithParam<DuplicateCase> {};

TEST_P(BuildDuplicates, StoresEachClauseOnce) {
  const DuplicateCase& d = GetParam();
  buildText(std::string("p cnf 3 4\n") + d.clauses);
  EXPECT_EQ(NUMBCLS, 4);
  EXPECT_EQ(numSatCls, d.satisfied);
  EXPECT_EQ(numSatBcls, d.satisfied);
  EXPECT_EQ(implicationsOf(lit(-1)), d.implNeg1);
  EXPECT_EQ(PRELITS[lit(-1)].implCap, d.capNeg1);
  // The other half of (1 v 2) is there exactly once too.
  EXPECT_EQ(implicationsOf(lit(-2)), (V{lit(1)}));
}

// Nodes are loaded front to back, i.e. from the last clause read.
INSTANTIATE_TEST_SUITE_P(
    EitherOrder, BuildDuplicates,
    ::testing::Values(DuplicateCase{"1 3 0\n1 2 0\n1 2 0\n-2 3 0\n", {lit(2), lit(3)}, 12, 1},
                      DuplicateCase{"1 3 0\n2 1 0\n1 2 0\n-2 3 0\n", {lit(2), lit(3)}, 12, 1},
                      DuplicateCase{"1 2 0\n2 1 0\n1 3 0\n1 2 0\n", {lit(2), lit(3)}, 16, 2},
                      DuplicateCase{"2 1 0\n1 2 0\n2 1 0\n1 3 0\n", {lit(3), lit(2)}, 16, 2}));
