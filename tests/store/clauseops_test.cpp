// Clause store operations: adding to the lists, the two conversions of a
// two-literal clause, the pending-pair stack and its commit.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "propagate/queues.h"
#include "store/checks.h"
#include "propagate/clauseprop.h"
#include "store/clauseops.h"
#include "store/lists.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

// --- addBcls ---------------------------------------------------------------

TEST(AddBcls, FirstAdditionCreatesTenEntriesAndTheEleventhGrowsToForty) {
  buildText("p cnf 12 1\n1 2 3 4 5 6 7 8 9 10 11 12 0\n");
  const preLit& L = PRELITS[lit(-1)];
  EXPECT_TRUE(addBcls(lit(-1), lit(2)));
  EXPECT_EQ(L.implCap, 10);
  EXPECT_EQ(L.numImpl, 1);
  EXPECT_TRUE(L.hasNewBcls);
  for (int32_t v = 3; v <= 11; v++) EXPECT_TRUE(addBcls(lit(-1), lit(v)));
  EXPECT_EQ(L.implCap, 10);
  EXPECT_EQ(deleteCount, 0);
  EXPECT_TRUE(addBcls(lit(-1), lit(12)));
  EXPECT_EQ(L.implCap, 40);
  EXPECT_EQ(deleteCount, 1);
  V expected;
  for (int32_t v = 2; v <= 12; v++) expected.push_back(lit(v));
  EXPECT_EQ(implicationsOf(lit(-1)), expected);
}

TEST(AddBcls, DuplicateReturnsFalseAndLeavesListAndFlagAlone) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  ASSERT_TRUE(addBcls(lit(-1), lit(2)));
  ASSERT_TRUE(addBcls(lit(-1), lit(3)));
  PRELITS[lit(-1)].hasNewBcls = false;
  EXPECT_FALSE(addBcls(lit(-1), lit(3)));
  EXPECT_FALSE(PRELITS[lit(-1)].hasNewBcls);
  EXPECT_EQ(implicationsOf(lit(-1)), (V{lit(2), lit(3)}));
}

TEST(AddBcls, ListFromTheBuildGrowsToFourTimesItsCount) {
  // -1 has one binary clause: capacity 4 from the build.
  buildText("p cnf 6 1\n1 2 0\n");
  ASSERT_EQ(PRELITS[lit(-1)].implCap, 4);
  for (int32_t v = 3; v <= 5; v++) ASSERT_TRUE(addBcls(lit(-1), lit(v)));
  EXPECT_EQ(PRELITS[lit(-1)].implCap, 4);
  EXPECT_TRUE(addBcls(lit(-1), lit(6)));
  EXPECT_EQ(PRELITS[lit(-1)].implCap, 16);
  EXPECT_EQ(deleteCount, 1);
  EXPECT_EQ(implicationsOf(lit(-1)), (V{lit(2), lit(3), lit(4), lit(5), lit(6)}));
}

// --- addNcls ---------------------------------------------------------------

TEST(AddNcls, FirstAdditionCreatesAHundredEntriesAndTheHundredAndFirstGrowsToFourHundred) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  const preLit& L = PRELITS[lit(-1)];
  CaptureStdout out;
  for (int32_t c = 0; c < 100; c++) addNcls(lit(-1), c);
  int32_t capFull = L.nclsCap, deletesFull = deleteCount;
  addNcls(lit(-1), 100);
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(capFull, 100);
  EXPECT_EQ(deletesFull, 0);
  EXPECT_EQ(L.nclsCap, 400);
  EXPECT_EQ(L.numNcls, 101);
  EXPECT_EQ(deleteCount, 1);
  for (int32_t c = 0; c <= 100; c++) EXPECT_EQ(L.LitNcls[c], c);
}

TEST(AddNcls, ReportsEveryCopyAlreadyPresentAndStoresOneMore) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  // Clause 0 is in the LitNcls of 1 from the build.
  CaptureStdout out;
  addNcls(lit(1), 0);
  std::string once = out.text();
  CaptureStdout out2;
  addNcls(lit(1), 0);
  std::string twice = out2.text();
  const std::string line = "ERROR: Found clause index 0 already in LitNcls of 1 when adding it.\n";
  EXPECT_EQ(once, line);
  EXPECT_EQ(twice, line + line);
  EXPECT_EQ(occurrencesOf(lit(1)), (V{0, 0, 0}));
  // The build gave room for the one occurrence: the second entry grew the
  // list to 4 x 1, and the fifth grows it to 4 x 4.
  EXPECT_EQ(PRELITS[lit(1)].nclsCap, 4);
  EXPECT_EQ(deleteCount, 1);
  CaptureStdout quiet;
  addNcls(lit(1), 7);
  addNcls(lit(1), 8);
  quiet.text();
  EXPECT_EQ(PRELITS[lit(1)].nclsCap, 16);
  EXPECT_EQ(deleteCount, 2);
  EXPECT_EQ(occurrencesOf(lit(1)), (V{0, 0, 0, 7, 8}));
}

// --- the two conversions ---------------------------------------------------

TEST(ConvertNaryToBcls, RecordsThePairAndLeavesTheImplicationListsAlone) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  ASSERT_TRUE(clauseRemoveLiteral(0, lit(3)));
  convertNaryToBcls(&PRENCLS[0], 0);
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(PRENCLS[0].curLen, 2);
  EXPECT_EQ(pendingPairs(), (V{lit(1), lit(2)}));
  EXPECT_EQ(occurrencesOf(lit(1)), V{});
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  EXPECT_EQ(occurrencesOf(lit(3)), V{0});
  EXPECT_EQ(PRELITS[lit(-1)].implications, nullptr);
  EXPECT_EQ(PRELITS[lit(-2)].implications, nullptr);
  EXPECT_EQ(Counters::now(), (Counters{0, 0, 0, 0, 0, 1, 0, 0}));
}

TEST(ChangeNaryToBcls, AddsBothHalvesAtOnce) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  ASSERT_TRUE(clauseRemoveLiteral(0, lit(3)));
  changeNaryToBcls(&PRENCLS[0], 0);
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(implicationsOf(lit(-1)), V{lit(2)});
  EXPECT_EQ(implicationsOf(lit(-2)), V{lit(1)});
  EXPECT_TRUE(PRELITS[lit(-1)].hasNewBcls && PRELITS[lit(-2)].hasNewBcls);
  EXPECT_EQ(occurrencesOf(lit(1)), V{});
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  EXPECT_EQ(newBclsStack->top, -1);
  EXPECT_EQ(Counters::now(), (Counters{0, 0, 0, 0, 0, 1, 1, 0}));
}

TEST(ChangeNaryToBcls, ClauseAlreadyPresentCountsAsSatisfied) {
  buildText("p cnf 3 2\n1 2 3 0\n2 1 0\n");
  ASSERT_TRUE(clauseRemoveLiteral(0, lit(3)));
  changeNaryToBcls(&PRENCLS[0], 0);
  EXPECT_EQ(implicationsOf(lit(-1)), V{lit(2)});
  EXPECT_EQ(implicationsOf(lit(-2)), V{lit(1)});
  EXPECT_EQ(occurrencesOf(lit(1)), V{});
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  EXPECT_EQ(Counters::now(), (Counters{0, 1, 0, 1, 0, 1, 1, 0}));
}

// --- the pending-pair stack ------------------------------------------------

TEST(PushnewBclsStack, DoublesWhenFullAndKeepsThePairs) {
  buildText("p cnf 3 1\n1 2 3 0\n");  // NLITS = 6: room for three pairs
  for (int32_t k = 0; k < 3; k++) pushnewBclsStack(k, 5 - k);
  EXPECT_EQ(newBclsStack->size, 6);
  EXPECT_EQ(newBclsStack->top, 5);
  EXPECT_EQ(deleteCount, 0);
  pushnewBclsStack(1, 3);
  EXPECT_EQ(newBclsStack->size, 12);
  EXPECT_EQ(newBclsStack->top, 7);
  EXPECT_EQ(deleteCount, 1);
  EXPECT_EQ(pendingPairs(), (V{0, 5, 1, 4, 2, 3, 1, 3}));
}

// --- addnewBclsStacktoLit --------------------------------------------------
//
// Prefix of the commit cases: 1-4 existential in block 0, 5 and 8 universal
// in block 1, 6 existential in block 2, 7 universal in block 3, 9 existential
// in block 4.
const char* const kCommitFormula =
    "p cnf 9 1\ne 1 2 3 4 0\na 5 8 0\ne 6 0\na 7 0\ne 9 0\n1 2 3 4 5 6 7 8 9 0\n";

struct CommitCase {
  const char* name;
  int32_t a, b;                 // the pair, as input literals
  std::function<void()> setup;  // values and representatives before the commit
  const char* printed;
  bool contradiction;
  V queuedLits;                 // on both clause-level queues afterwards (input literals)
  std::vector<std::pair<int32_t, V>> impl;  // expected implication lists (input literals)
  int32_t satisfied;            // numSatCls and numSatBcls added (a pair reduced to a unit counts as satisfied)
};

void PrintTo(const CommitCase& c, std::ostream* os) { *os << c.name; }

class Commit : public ::testing::TestWithParam<CommitCase> {};

TEST_P(Commit, OnePair) {
  const CommitCase& k = GetParam();
  buildText(kCommitFormula);
  k.setup();
  pushnewBclsStack(lit(k.a), lit(k.b));
  CaptureStdout out;
  addnewBclsStacktoLit();
  EXPECT_EQ(out.text(), k.printed);
  EXPECT_EQ(CONTRADICTION, k.contradiction);
  EXPECT_EQ(newBclsStack->top, -1);
  V q;
  for (int32_t d : k.queuedLits) q.push_back(lit(d));
  EXPECT_EQ(queued(naryUPstack), q);
  EXPECT_EQ(queued(bclsUPstack), q);
  for (const auto& [from, tos] : k.impl) {
    V expected;
    for (int32_t d : tos) expected.push_back(lit(d));
    EXPECT_EQ(sortedCopy(implicationsOf(lit(from))), sortedCopy(expected)) << "implications of " << from;
  }
  EXPECT_EQ(numAddBcls, 1);
  EXPECT_EQ(numSatCls, k.satisfied);
  EXPECT_EQ(numSatBcls, k.satisfied);
}

const std::vector<CommitCase> kCommitCases = {
    {"FirstSatisfied", 1, 2, [] { setTrue(lit(1)); }, "", false, {}, {{-1, {}}, {-2, {}}}, 1},
    {"SecondSatisfied", 1, 2, [] { setTrue(lit(2)); }, "", false, {}, {{-1, {}}, {-2, {}}}, 1},
    {"SatisfiedThroughRepresentative", 3, 2, [] { represent(lit(3), lit(1)); setTrue(lit(1)); }, "", false, {},
     {{-1, {}}, {-2, {}}, {-3, {}}}, 1},
    {"FirstFalseQueuesTheSecondItself", 1, 2, [] { setTrue(lit(-1)); represent(lit(2), lit(4)); }, "", false, {2},
     {{-2, {}}, {-4, {}}}, 1},
    {"SecondFalseQueuesTheFirstItself", 1, 2, [] { setTrue(lit(-2)); represent(lit(1), lit(3)); }, "", false, {1},
     {{-1, {}}, {-3, {}}}, 1},
    {"FalseThroughRepresentative", 3, 2, [] { represent(lit(3), lit(1)); setTrue(lit(-1)); }, "", false, {2}, {}, 1},
    {"BothFalse", 1, 2, [] { setTrue(lit(-1)); setTrue(lit(-2)); }, "c CONTRADICTION found! 7\n", true, {}, {}, 1},
    {"FalsePartnerOfAUniversal", 1, 5, [] { setTrue(lit(-1)); },
     "c CONTRADICTION found! 10\nc CONTRADICTION found! 9\n", true, {}, {}, 1},
    {"SameRepresentativeIsAUnit", 1, 2, [] { represent(lit(2), lit(1)); }, "", false, {1}, {{-1, {}}, {-2, {}}}, 1},
    {"ComplementaryRepresentativesAreATautology", 1, 2, [] { represent(lit(2), lit(-1)); }, "", false, {},
     {{-1, {}}, {-2, {}}, {1, {}}}, 1},
    {"UniversalFirstDeeper", 7, 6, [] {}, "", false, {6}, {{-7, {}}, {-6, {}}}, 1},
    {"UniversalSecondDeeper", 6, 7, [] {}, "", false, {6}, {{-7, {}}, {-6, {}}}, 1},
    {"UniversalRepresentativeDeeper", 3, 6, [] { represent(lit(3), lit(7)); }, "", false, {6}, {{-3, {}}, {-6, {}}},
     1},
    {"UniversalDeeperThanUniversalFirst", 7, 5, [] {}, "c CONTRADICTION found! 10\nc CONTRADICTION found! 9\n", true,
     {}, {}, 0},
    {"UniversalDeeperThanUniversalSecond", 5, 7, [] {}, "c CONTRADICTION found! 10\nc CONTRADICTION found! 9\n", true,
     {}, {}, 0},
    {"UniversalInsideTheOtherIsKept", 5, 6, [] {}, "", false, {}, {{-5, {6}}, {-6, {5}}}, 0},
    {"UniversalsOfOneBlockAreKept", 5, 8, [] {}, "", false, {}, {{-5, {8}}, {-8, {5}}}, 0},
    {"UniversalInsideTheOtherSecondIsKept", 9, 7, [] {}, "", false, {}, {{-9, {7}}, {-7, {9}}}, 0},
    {"UniversalDeeperThanExistential", 1, 5, [] {}, "", false, {1}, {{-1, {}}, {-5, {}}}, 1},
    {"AddedOnTheRepresentatives", 3, 4, [] { represent(lit(3), lit(1)); represent(lit(4), lit(2)); }, "", false, {},
     {{-1, {2}}, {-2, {1}}, {-3, {}}, {-4, {}}}, 0},
    {"DuplicateCountsAsSatisfied", 1, 2, [] { addBcls(lit(-1), lit(2)); addBcls(lit(-2), lit(1)); }, "", false, {},
     {{-1, {2}}, {-2, {1}}}, 1},
};

INSTANTIATE_TEST_SUITE_P(EveryCase, Commit, ::testing::ValuesIn(kCommitCases),
                         [](const ::testing::TestParamInfo<CommitCase>& i) { return std::string(i.param.name); });

TEST(CommitOrder, LastPushedPairIsCommittedFirst) {
  buildText(kCommitFormula);
  setTrue(lit(-9));
  pushnewBclsStack(lit(9), lit(1));
  pushnewBclsStack(lit(9), lit(2));
  addnewBclsStacktoLit();
  EXPECT_EQ(queued(naryUPstack), (V{lit(2), lit(1)}));
  EXPECT_EQ(queued(bclsUPstack), (V{lit(2), lit(1)}));
  EXPECT_EQ(numAddBcls, 2);
}

TEST(CommitOrder, ContradictionLeavesTheOlderPairsOnTheStack) {
  buildText(kCommitFormula);
  setTrue(lit(-1));
  setTrue(lit(-2));
  pushnewBclsStack(lit(3), lit(4));
  pushnewBclsStack(lit(1), lit(2));
  CaptureStdout out;
  addnewBclsStacktoLit();
  EXPECT_EQ(out.text(), "c CONTRADICTION found! 7\n");
  EXPECT_EQ(pendingPairs(), (V{lit(3), lit(4)}));
  EXPECT_EQ(PRELITS[lit(-3)].implications, nullptr);
  EXPECT_EQ(numAddBcls, 1);
}

TEST(CommitOrder, UnitWhoseNegationWaitsStopsTheCommit) {
  buildText(kCommitFormula);
  pushnaryUPstack(lit(-6));
  pushnewBclsStack(lit(3), lit(4));
  pushnewBclsStack(lit(7), lit(6));  // reduces to the unit 6
  CaptureStdout out;
  addnewBclsStacktoLit();
  EXPECT_EQ(out.text(), "c CONTRADICTION found! 2\n");
  EXPECT_EQ(pendingPairs(), (V{lit(3), lit(4)}));
  // The n-ary queue refused 6; the binary queue, tried second, took it.
  EXPECT_EQ(queued(naryUPstack), V{lit(-6)});
  EXPECT_EQ(queued(bclsUPstack), V{lit(6)});
}

TEST(CommitOrder, UniversalOfTheFirstBlockIsReducedAgainstAFreeVariable) {
  // Variable 3 is free: existential outside block 0, which holds universal 1.
  buildText("p cnf 3 1\na 1 0\ne 2 0\n1 2 3 0\n");
  pushnewBclsStack(lit(1), lit(3));
  addnewBclsStacktoLit();
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_EQ(queued(naryUPstack), V{lit(3)});
  EXPECT_EQ(queued(bclsUPstack), V{lit(3)});
  EXPECT_EQ(PRELITS[lit(-1)].implications, nullptr);
}
