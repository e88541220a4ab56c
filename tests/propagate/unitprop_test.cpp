// Top-level unit propagation: the unit clauses of the input are queued and
// propagated by the preprocessing run before anything else.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "driver/preprocessor.h"
#include "propagate/queues.h"
#include "propagate/unitprop.h"
#include "store/checks.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

namespace {

struct UnitCase {
  const char* name;
  const char* formula;
  const char* printed;
  Counters counters;  // valued, satCls, satNary, satBcls, initUnits, reducedNary, addBcls, deletes
  std::function<void()> check;
};

void PrintTo(const UnitCase& c, std::ostream* os) { *os << c.name; }

const char* const kEmpty = "\n Empty Clause detected during universalReduction! \nc CONTRADICTION found! 8\n";

const UnitCase kCases[] = {
    {"UnitAndItsNegation", "p cnf 1 2\n1 0\n-1 0\n", "c CONTRADICTION found(2)!\n", {0, 1, 0, 0, 1, 0, 0, 0},
     [] { EXPECT_EQ(PRELITS[lit(1)].tval, U); }},
    {"UniversalUnit", "p cnf 2 2\na 1 0\ne 2 0\n1 0\n1 2 0\n", "c CONTRADICTION found(4)!\n",
     {0, 0, 0, 0, 0, 0, 0, 0}, [] { EXPECT_EQ(PRELITS[lit(1)].tval, U); }},
    {"SameUnitTwice", "p cnf 2 3\n1 0\n1 0\n-1 2 0\n", "", {4, 3, 0, 1, 2, 0, 0, 0},
     [] { EXPECT_EQ(PRELITS[lit(2)].tval, T); }},
    {"ClauseOfTheNegationBecomesBinary", "p cnf 3 2\n1 0\n-1 2 3 0\n", "", {2, 1, 0, 0, 1, 1, 1, 0},
     [] {
       EXPECT_FALSE(PRENCLS[0].active);
       EXPECT_EQ(implicationsOf(lit(-2)), V{lit(3)});
       EXPECT_EQ(implicationsOf(lit(-3)), V{lit(2)});
       EXPECT_EQ(occurrencesOf(lit(2)), V{});
       EXPECT_EQ(occurrencesOf(lit(3)), V{});
       EXPECT_EQ(occurrencesOf(lit(-1)), V{0});  // the false literal's list is left alone
       EXPECT_EQ(PRELITS[lit(2)].tval, U);
     }},
    {"ShortenedClauseOnAnExistingBinary", "p cnf 3 3\n1 0\n-1 2 3 0\n2 3 0\n", "", {2, 2, 0, 1, 1, 1, 1, 0},
     [] {
       EXPECT_EQ(implicationsOf(lit(-2)), V{lit(3)});
       EXPECT_EQ(implicationsOf(lit(-3)), V{lit(2)});
     }},
    {"BinaryPartnerIsForcedAndCountedOnce", "p cnf 2 2\n1 0\n-1 2 0\n", "", {4, 2, 0, 1, 1, 0, 0, 0},
     [] { EXPECT_EQ(PRELITS[lit(2)].tval, T); }},
    {"SatisfiedBinaryLeavesThePartner", "p cnf 2 2\n1 0\n1 2 0\n", "", {2, 2, 0, 1, 1, 0, 0, 0},
     [] {
       EXPECT_EQ(implicationsOf(lit(-2)), V{});
       EXPECT_EQ(implicationsOf(lit(-1)), V{lit(2)});
       EXPECT_EQ(PRELITS[lit(2)].tval, U);
     }},
    {"SatisfiedBinaryWithAssignedPartnerIsNotCountedAgain", "p cnf 2 3\n1 2 0\n-2 0\n1 0\n", "",
     {4, 3, 0, 1, 2, 0, 0, 0}, [] { EXPECT_EQ(implicationsOf(lit(-1)), V{lit(2)}); }},
    {"SatisfiedClauseLeavesEveryOtherList", "p cnf 3 2\n1 0\n1 2 3 0\n", "", {2, 2, 1, 0, 1, 0, 0, 0},
     [] {
       EXPECT_FALSE(PRENCLS[0].active);
       EXPECT_EQ(occurrencesOf(lit(2)), V{});
       EXPECT_EQ(occurrencesOf(lit(3)), V{});
       EXPECT_EQ(occurrencesOf(lit(1)), V{0});
     }},
    {"ReducedToTwoLiteralsBecomesBinary", "p cnf 4 2\ne 2 4 0\na 3 0\ne 1 0\n-1 2 4 3 0\n1 0\n", "",
     {2, 1, 0, 0, 1, 1, 1, 0},
     [] {
       EXPECT_EQ(sortedCopy(clauseLits(0)), sortedCopy(V{lit(2), lit(4)}));
       EXPECT_EQ(implicationsOf(lit(-2)), V{lit(4)});
       EXPECT_EQ(implicationsOf(lit(-4)), V{lit(2)});
       EXPECT_EQ(occurrencesOf(lit(3)), V{});
       EXPECT_EQ(bclsUPstack->count + naryUPstack->count, 0);
     }},
    // The clause reduced to a unit counts as satisfied.
    {"ReducedToOneLiteralIsQueuedForLater", "p cnf 4 3\ne 1 0\na 2 3 0\ne 4 0\n1 2 3 4 0\n1 -4 0\n-4 0\n", "",
     {2, 3, 1, 1, 1, 0, 0, 0},
     [] {
       EXPECT_EQ(clauseLits(0), V{lit(1)});
       EXPECT_FALSE(PRENCLS[0].active);
       EXPECT_EQ(queued(bclsUPstack), V{lit(1)});
       EXPECT_EQ(queued(naryUPstack), V{lit(1)});
       EXPECT_EQ(PRELITS[lit(1)].tval, U);
     }},
    {"EmptyClauseStopsThePropagation", "p cnf 4 4\ne 1 0\na 2 3 0\ne 4 0\n2 3 4 0\n1 4 0\n-4 1 0\n-4 0\n", kEmpty,
     {2, 2, 0, 1, 1, 0, 0, 0},
     [] {
       // The satisfied (-4 v 1) was not taken out of the list of -1.
       EXPECT_EQ(implicationsOf(lit(-1)), (V{lit(-4), lit(4)}));
       EXPECT_EQ(PRELITS[lit(1)].tval, U);
       EXPECT_EQ(UPstack->count, 0);
       EXPECT_TRUE(noneMarked(UPstack));
     }},
    {"ContradictionWhileDrainingEmptiesTheQueue", "p cnf 3 4\n-1 -3 0\n2 0\n3 0\n1 0\n",
     "c CONTRADICTION found(2)!\n", {4, 3, 0, 0, 3, 0, 0, 0},
     [] {
       EXPECT_EQ(PRELITS[lit(1)].tval, U);
       EXPECT_EQ(UPstack->count, 0);
       EXPECT_TRUE(noneMarked(UPstack));
     }},
};

class Units : public ::testing::TestWithParam<UnitCase> {};

}  // namespace

TEST_P(Units, PreprocessingRun) {
  const UnitCase& k = GetParam();
  ASSERT_TRUE(readText(k.formula));
  CaptureStdout out;
  buildAndPropagateUnits();
  EXPECT_EQ(out.text(), k.printed);
  EXPECT_EQ(CONTRADICTION, std::string(k.printed) != "");
  EXPECT_EQ(Counters::now(), k.counters);
  k.check();
}

INSTANTIATE_TEST_SUITE_P(Cases, Units, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<UnitCase>& i) { return std::string(i.param.name); });

TEST(UnitPropLit, FalseLiteralAndLaterPushOfTheNegation) {
  buildText("p cnf 2 1\n1 2 0\n");
  UnitPropLit(lit(1));
  CaptureStdout out;
  UnitPropLit(lit(1));  // already true: nothing
  std::string again = out.text();
  EXPECT_EQ(again, "");
  EXPECT_EQ(numValuedLits, 2);

  CaptureStdout out2;
  pushUPstack(lit(-1));
  EXPECT_EQ(out2.text(), "c CONTRADICTION found(1)!\n");
  EXPECT_EQ(UPstack->count, 0);

  CONTRADICTION = false;
  CaptureStdout out3;
  UnitPropLit(lit(-1));
  EXPECT_EQ(out3.text(), "c CONTRADICTION found(3)!\n");
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_EQ(numValuedLits, 2);
}

TEST(UnitPropLit, ForcedFalseLiteralStopsBeforeTheNegationIsSet) {
  // (-1 v 2) and (-1 v 3): with 2 false, propagating 1 fails at its first partner.
  buildText("p cnf 3 2\n-1 3 0\n-1 2 0\n");
  ASSERT_EQ(implicationsOf(lit(1)), (V{lit(2), lit(3)}));
  UnitPropLit(lit(-2));
  CaptureStdout out;
  UnitPropLit(lit(1));
  EXPECT_EQ(out.text(), "c CONTRADICTION found(1)!\n");
  EXPECT_EQ(PRELITS[lit(1)].tval, T);
  EXPECT_EQ(PRELITS[lit(-1)].tval, U);
  EXPECT_FALSE(UPstack->inStack[lit(3)]);
}

TEST(DrainUPstack, TakesTheLastQueuedFirstThroughItsRepresentative) {
  buildText("p cnf 2 1\n1 2 0\n");
  represent(lit(2), lit(-1));
  pushUPstack(lit(1));
  pushUPstack(lit(2));
  CaptureStdout out;
  drainUPstack();
  // 2 is taken first and propagated as -1; then 1 is found false.
  EXPECT_EQ(out.text(), "c CONTRADICTION found(3)!\n");
  EXPECT_EQ(PRELITS[lit(-1)].tval, T);
  EXPECT_EQ(PRELITS[lit(2)].tval, U);
}
