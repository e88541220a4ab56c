// The component search of the implication graph: representatives chosen by
// the prefix, the contradictions it finds, the contents and order of
// equivLitStack after a full and an incremental search, and the rule that
// only entries taking part in the search are followed.
//
// Literal indices: -v is 2v-2, +v is 2v-1. Each test states the literal
// indices it relies on; lit(d) converts an input literal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "equiv/equiv_fixture.h"
#include "equiv/findscc.h"
#include "store/checks.h"
#include "store/clauseops.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

namespace {

const char* const kTwoUniversals = "c CONTRADICTION found! two universals are equivalent\n";
const char* const kOuterExistential =
    "c CONTRADICTION found! an existential at a lower prefix level is equivalent to a universal\n";
const char* const kFullNegation = "c CONTRADICTION found! A lit and its neg are in an scc\n";
const char* const kIncrNegation = "c CONTRADICTION found! a lit and its neg are in an scc\n";

// Expectations common to every search that ends without a contradiction.
void expectCleanEnd(const std::string& printed) {
  EXPECT_EQ(printed, "");
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_FALSE(searchStackHeld()) << "LitStack is released at the end of the search";
}

}  // namespace

// --- representatives ---------------------------------------------------------

// a (variable 1, block 2) and b (variable 2, block 1) imply each other: b,
// quantified outside a, represents the class; the dual class gets -b.
TEST(FindScc, SmallerPrefixLevelWins) {
  buildForSearch("p cnf 2 2\ne 2 0\ne 1 0\n-1 2 0\n-2 1 0\n");
  std::string printed = runSearch(findSCC);
  expectCleanEnd(printed);
  // Search from -1 (index 0): root -1 at level 1, -2 popped at level 0.
  EXPECT_EQ(PRELITS[lit(-1)].sccRep, lit(-2));
  EXPECT_EQ(PRELITS[lit(1)].sccRep, lit(2));
  EXPECT_EQ(representatives(), lits({-2, 2, -2, 2}));
  EXPECT_EQ(equivStack(), lits({-1, 1}));  // a and -a, in index order
  EXPECT_EQ(newEquivLitsOfLastSearch(), 2);
  EXPECT_EQ(numEquivLits, 2);
  EXPECT_EQ(visitedLits(), V({0, 1, 2, 3}));
}

// A universal u in block 1 and an existential e in block 2 that imply each
// other: u represents both, whether it is the root of the search or popped.
TEST(FindScc, UniversalRepresentsItsClass) {
  {
    SCOPED_TRACE("the universal is popped (the search enters at the existential -1)");
    buildForSearch("p cnf 2 2\na 2 0\ne 1 0\n-1 2 0\n-2 1 0\n");
    expectCleanEnd(runSearch(findSCC));
    EXPECT_EQ(PRELITS[lit(-1)].sccRep, lit(-2));
    EXPECT_EQ(PRELITS[lit(1)].sccRep, lit(2));
    EXPECT_EQ(representatives(), lits({-2, 2, -2, 2}));
    EXPECT_EQ(equivStack(), lits({-1, 1}));
  }
  {
    SCOPED_TRACE("the universal is the root");
    buildForSearch("p cnf 2 2\na 1 0\ne 2 0\n-1 2 0\n-2 1 0\n");
    expectCleanEnd(runSearch(findSCC));
    EXPECT_EQ(PRELITS[lit(-1)].sccRep, lit(-1));
    EXPECT_EQ(PRELITS[lit(1)].sccRep, lit(1));
    EXPECT_EQ(representatives(), lits({-1, 1, -1, 1}));
    EXPECT_EQ(equivStack(), lits({-2, 2}));
    EXPECT_EQ(numEquivLits, 2);
  }
}

// u1 -> e1 -> u2 -> e2 -> u1 with the universals outside the existentials
// (so that no clause is reduced while reading): two universals in a class.
// The search ends at once: the positive side is never entered.
TEST(FindScc, TwoUniversalsAreAContradiction) {
  buildForSearch("p cnf 4 4\na 1 2 0\ne 3 4 0\n-1 3 0\n-3 2 0\n-2 4 0\n-4 1 0\n");
  std::string printed = runSearch(findSCC);
  EXPECT_EQ(printed, kTwoUniversals);
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_EQ(equivLitStack->top, -1);
  EXPECT_EQ(newEquivLitsOfLastSearch(), 0);
  EXPECT_EQ(numEquivLits, 0);
  EXPECT_FALSE(PRELITS[lit(1)].visited);
  EXPECT_FALSE(PRELITS[lit(2)].visited);
}

// e (block 1) -> x (block 3) -> u (block 2) -> y (block 3) -> e: a universal
// equivalent to an existential quantified outside it.
TEST(FindScc, ExistentialOutsideAUniversalIsAContradiction) {
  buildForSearch("p cnf 4 4\ne 1 0\na 2 0\ne 3 4 0\n-1 3 0\n-3 2 0\n-2 4 0\n-4 1 0\n");
  std::string printed = runSearch(findSCC);
  EXPECT_EQ(printed, kOuterExistential);
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_EQ(equivLitStack->top, -1);
  EXPECT_EQ(numEquivLits, 0);
  EXPECT_FALSE(PRELITS[lit(1)].visited);
}

// All of one level: the root of the search wins even over a member with a
// smaller index. -1 -> -3 <-> -2 (the class {-2, -3} is entered at -3) and
// +2 <-> +3 -> +1 (entered at +2). The two choices, -3 and +2, disagree;
// step 4.1 settles on the smaller pair, variable 2.
TEST(FindScc, EqualLevelsTheRootWins) {
  buildForSearch("p cnf 3 3\ne 1 2 3 0\n1 -3 0\n-2 3 0\n-3 2 0\n");
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(PRELITS[lit(-3)].sccRep, lit(-3));
  EXPECT_EQ(PRELITS[lit(2)].sccRep, lit(2));
  EXPECT_EQ(PRELITS[lit(-1)].sccRep, lit(-1));  // components of one literal represent themselves
  EXPECT_EQ(PRELITS[lit(1)].sccRep, lit(1));
  EXPECT_EQ(representatives(), lits({-1, 1, -2, 2, -2, 2}));
  EXPECT_EQ(equivStack(), lits({-3, 3}));
  EXPECT_EQ(newEquivLitsOfLastSearch(), 2);
}

// The root is in block 2, two members in block 1: the member popped first
// (finished last, so nearest the root on the search path) wins over the
// other of the same level. Negative side: -1 -> -3 -> -2 -> -1, popped -3
// then -2: -3 is chosen. Positive side: +1 -> +2 -> +3 -> +1, popped +2
// then +3: +2 is chosen. Step 4.1 settles on variable 2 for both.
TEST(FindScc, EqualLevelsTheFirstPoppedWins) {
  buildForSearch("p cnf 3 3\ne 2 3 0\ne 1 0\n-1 2 0\n-2 3 0\n-3 1 0\n");
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(PRELITS[lit(-1)].sccRep, lit(-3));
  EXPECT_EQ(PRELITS[lit(1)].sccRep, lit(2));
  EXPECT_EQ(representatives(), lits({-2, 2, -2, 2, -2, 2}));
  EXPECT_EQ(equivStack(), lits({-1, 1, -3, 3}));
  EXPECT_EQ(newEquivLitsOfLastSearch(), 4);
  EXPECT_EQ(numEquivLits, 4);
}

// Free variables (in no quantifier line) are existential at level -1, so
// outside every block: a free variable represents its class.
TEST(FindScc, FreeVariableRepresentsItsClass) {
  buildForSearch("p cnf 2 2\ne 1 0\n-1 2 0\n-2 1 0\n");
  ASSERT_EQ(PRELITS[lit(2)].prefixLevel, -1);
  ASSERT_TRUE(PRELITS[lit(2)].existential);
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(PRELITS[lit(-1)].sccRep, lit(-2));
  EXPECT_EQ(representatives(), lits({-2, 2, -2, 2}));
  EXPECT_EQ(equivStack(), lits({-1, 1}));
}

// A free variable equivalent to a universal of block 1 (through two
// existentials of block 2) lies outside it: a contradiction.
TEST(FindScc, FreeVariableEquivalentToAUniversal) {
  buildForSearch("p cnf 4 4\na 1 0\ne 2 3 0\n-4 2 0\n-2 1 0\n-1 3 0\n-3 4 0\n");
  ASSERT_EQ(PRELITS[lit(4)].prefixLevel, -1);
  EXPECT_EQ(runSearch(findSCC), kOuterExistential);
  EXPECT_TRUE(CONTRADICTION);
}

// equivLitStack doubles when a push finds it full, keeping its entries and
// counting each released array.
TEST(FindScc, EquivLitStackGrowsByDoubling) {
  buildForSearch("p cnf 2 1\ne 1 2 0\n1 2 0\n");
  ASSERT_EQ(equivLitStack->size, 1);
  for (int32_t x : {3, 1, 2, 0, 3}) pushequivLitStack(x);
  EXPECT_EQ(equivStack(), V({3, 1, 2, 0, 3}));
  EXPECT_EQ(equivLitStack->size, 8);
  EXPECT_EQ(deleteCount, 3);
}

// A literal with no implications is a component of its own and is not listed.
TEST(FindScc, LiteralWithoutImplicationsRepresentsItself) {
  buildForSearch("p cnf 3 1\ne 1 2 3 0\n1 2 3 0\n");
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(representatives(), V({0, 1, 2, 3, 4, 5}));
  for (int32_t i = 0; i < NLITS; i++) EXPECT_EQ(PRELITS[i].sccRep, i);
  EXPECT_EQ(equivStack(), V{});
  EXPECT_EQ(visitedLits(), V({0, 1, 2, 3, 4, 5}));
}

// --- full and incremental search on one formula --------------------------------

// +1 -> +3 -> +2 -> +1 (and the dual), variable 2 in block 1, 1 and 3 in
// block 2. The full search lists every member but the representatives.
TEST(FindScc, FullSearchListsEveryRepresentedLiteral) {
  buildForSearch("p cnf 3 3\ne 2 0\ne 1 3 0\n-1 3 0\n-3 2 0\n-2 1 0\n");
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(PRELITS[lit(-1)].sccRep, lit(-2));
  EXPECT_EQ(PRELITS[lit(1)].sccRep, lit(2));
  EXPECT_EQ(representatives(), lits({-2, 2, -2, 2, -2, 2}));
  EXPECT_EQ(equivStack(), lits({-1, 1, -3, 3}));
  EXPECT_EQ(newEquivLitsOfLastSearch(), 4);
}

// The same formula, searched incrementally from +1 only: the dual class is
// not reached. Step 4.1 then leaves +1 (index 1, smaller than the
// representative +2, index 3) as its own representative, since -1 represents
// itself; only +3 and its unreached negation -3 are listed.
TEST(FindScc, IncrementalSearchListsNegationsAndKeepsSmallerMembers) {
  buildForSearch("p cnf 3 3\ne 2 0\ne 1 3 0\n-1 3 0\n-3 2 0\n-2 1 0\n");
  clearNewBclsMarks();
  PRELITS[lit(1)].hasNewBcls = true;
  expectCleanEnd(runSearch(incrFindSCC));
  EXPECT_EQ(visitedLits(), lits({1, 2, 3}));
  EXPECT_EQ(PRELITS[lit(1)].sccRep, lit(2));
  EXPECT_EQ(representatives(), lits({-1, 1, -2, 2, -2, 2}));
  EXPECT_EQ(equivStack(), lits({-3, 3}));
  EXPECT_EQ(newEquivLitsOfLastSearch(), 2);
  EXPECT_EQ(numEquivLits, 2);
}

// Incremental search from +2 only, the representative +1 having the smaller
// index: -2 is listed although the search never reached it.
TEST(FindScc, IncrementalSearchListsUnreachedNegation) {
  buildForSearch("p cnf 2 2\ne 1 0\ne 2 0\n-1 2 0\n-2 1 0\n");
  clearNewBclsMarks();
  PRELITS[lit(2)].hasNewBcls = true;
  expectCleanEnd(runSearch(incrFindSCC));
  EXPECT_EQ(visitedLits(), lits({1, 2}));
  EXPECT_EQ(representatives(), lits({-1, 1, -1, 1}));
  EXPECT_EQ(equivStack(), lits({-2, 2}));
}

// The incremental search starts only from marked literals but enters every
// unvisited literal it reaches: +1 -> +2 <-> +3, only +1 marked.
TEST(FindScc, IncrementalSearchFollowsUnmarkedLiterals) {
  buildForSearch("p cnf 3 3\ne 1 2 3 0\n-1 2 0\n-2 3 0\n-3 2 0\n");
  clearNewBclsMarks();
  PRELITS[lit(1)].hasNewBcls = true;
  expectCleanEnd(runSearch(incrFindSCC));
  EXPECT_EQ(visitedLits(), lits({1, 2, 3}));
  // {+2, +3} is entered at +2 (the root); the dual is not reached.
  EXPECT_EQ(representatives(), lits({-1, 1, -2, 2, -2, 2}));
  EXPECT_EQ(equivStack(), lits({-3, 3}));
}

// Without any mark the incremental search does nothing.
TEST(FindScc, IncrementalSearchWithoutMarksFindsNothing) {
  buildForSearch("p cnf 2 2\ne 1 2 0\n-1 2 0\n-2 1 0\n");
  clearNewBclsMarks();
  expectCleanEnd(runSearch(incrFindSCC));
  EXPECT_EQ(visitedLits(), V{});
  EXPECT_EQ(representatives(), V({0, 1, 2, 3}));
  EXPECT_EQ(equivStack(), V{});
  EXPECT_EQ(newEquivLitsOfLastSearch(), 0);
}

// numEquivLits adds up over searches, numNewEquivLits counts one search. A
// full search finds 1 = 2; then (-4 v 3) closes 3 = 4 and the incremental
// search, from the literals that gained a clause (-3 and +4), finds it.
TEST(FindScc, CountersOverAFullAndAnIncrementalSearch) {
  buildForSearch("p cnf 4 3\ne 1 2 3 4 0\n-1 2 0\n-2 1 0\n-3 4 0\n");
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(representatives(), lits({-1, 1, -1, 1, -3, 3, -4, 4}));
  EXPECT_EQ(equivStack(), lits({-2, 2}));
  EXPECT_EQ(newEquivLitsOfLastSearch(), 2);
  EXPECT_EQ(numEquivLits, 2);

  clearNewBclsMarks();
  equivLitStack->top = -1;
  ASSERT_TRUE(addBcls(lit(4), lit(3)));
  ASSERT_TRUE(addBcls(lit(-3), lit(-4)));
  expectCleanEnd(runSearch(incrFindSCC));
  EXPECT_EQ(visitedLits(), lits({-3, 3, -4, 4}));
  // -3 (root of {-3, -4}) and +4 (root of {+3, +4}) were chosen; 4.1 settles
  // on variable 3.
  EXPECT_EQ(representatives(), lits({-1, 1, -1, 1, -3, 3, -3, 3}));
  EXPECT_EQ(equivStack(), lits({-4, 4}));
  EXPECT_EQ(newEquivLitsOfLastSearch(), 2);
  EXPECT_EQ(numEquivLits, 4);
}

// --- a literal and its negation in one class ------------------------------------

// l -> a -> -l -> b -> l: all six literals of variables 1 (l), 2 (a) and
// 3 (b) are one class. The search enters it at -1 (index 0), which becomes
// the representative: a negative literal, so step 4.3 reports it at once.
TEST(FindScc, LiteralAndNegationWithNegativeRepresentative) {
  const std::string text = "p cnf 3 4\ne 1 2 3 0\n-1 2 0\n-2 -1 0\n1 3 0\n-3 1 0\n";
  {
    SCOPED_TRACE("full search");
    buildForSearch(text);
    std::string printed = runSearch(findSCC);
    EXPECT_EQ(printed, kFullNegation);
    EXPECT_TRUE(CONTRADICTION);
    EXPECT_EQ(PRELITS[lit(-1)].sccRep, lit(-1));
    EXPECT_EQ(equivLitStack->top, -1);  // index 0 is the first checked; nothing listed
    EXPECT_EQ(numEquivLits, 0);         // step 5 does not run
  }
  {
    SCOPED_TRACE("incremental search from -1");
    buildForSearch(text);
    clearNewBclsMarks();
    PRELITS[lit(-1)].hasNewBcls = true;
    std::string printed = runSearch(incrFindSCC);
    EXPECT_EQ(printed, kIncrNegation);
    EXPECT_TRUE(CONTRADICTION);
    EXPECT_EQ(equivLitStack->top, -1);
    EXPECT_EQ(numEquivLits, 0);
  }
}

// The same class (variables 2, 3, 4) entered from -1 through (1 v 2) at +2,
// which becomes the representative: a positive literal. Step 4.3 does not
// fire; step 4.1 maps every negative member to -2 and every positive member
// to +2, so both polarities of 3 and 4 are listed. The binary substitution
// pass then meets clauses that become the units +2 and -2 and the queues
// report the contradiction.
TEST(FindScc, LiteralAndNegationWithPositiveRepresentative) {
  buildForSearch("p cnf 4 5\ne 1 2 3 4 0\n1 2 0\n-2 3 0\n-3 -2 0\n2 4 0\n-4 2 0\n");
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(PRELITS[lit(2)].sccRep, lit(2));
  EXPECT_EQ(representatives(), lits({-1, 1, -2, 2, -2, 2, -2, 2}));
  EXPECT_EQ(equivStack(), lits({-3, 3, -4, 4}));
  EXPECT_EQ(newEquivLitsOfLastSearch(), 4);
}

// --- values and stale entries -------------------------------------------------

// An assigned literal is never a starting point and never entered: the
// cycle 1 <-> 2 is not found while 1 is true.
TEST(FindScc, AssignedLiteralIsNeverAStartingPoint) {
  buildForSearch("p cnf 2 2\ne 1 2 0\n-1 2 0\n-2 1 0\n");
  setTrue(lit(1));
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(visitedLits(), lits({-2, 2}));
  EXPECT_EQ(representatives(), V({0, 1, 2, 3}));
  EXPECT_EQ(equivStack(), V{});
}

// An assigned literal represented by an earlier search gets its new
// representative through steps 2 to 4 only, and is not listed: 1 (true) was
// represented by 2; the search finds 2 = 3 with 3 outside, so 1 follows to 3.
TEST(FindScc, AssignedLiteralFollowsItsRepresentative) {
  buildForSearch("p cnf 3 3\ne 3 0\ne 1 2 0\n-2 3 0\n-3 2 0\n1 2 3 0\n");
  setTrue(lit(1));
  represent(lit(1), lit(2));
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(visitedLits(), lits({-2, 2, -3, 3}));
  EXPECT_EQ(representatives(), lits({-3, 3, -3, 3, -3, 3}));
  EXPECT_EQ(equivStack(), lits({-2, 2}));
}

// Repair 1: an implication entry is followed only if it takes part in the
// search (unassigned, and visited in it or its own representative). Here
// +1 -> +2 -> +1, but +2 was substituted by +3 earlier (its list, never
// cleaned, still names +1) and carries a stale, small discovery number.
// Following it would make 1 and 2 one class and take 2 away from 3.
TEST(FindScc, StaleEntryOfASubstitutedLiteralIsSkipped) {
  buildForSearch("p cnf 3 4\ne 1 2 3 0\n-1 2 0\n-2 1 0\n1 2 3 0\n");
  represent(lit(2), lit(3));
  for (int32_t l : lits({2, -2})) {
    PRELITS[l].dfsNum = 0;
    PRELITS[l].inComponent = false;
  }
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(visitedLits(), lits({-1, 1, -3, 3}));
  EXPECT_EQ(representatives(), lits({-1, 1, -3, 3, -3, 3}));
  for (int32_t l : lits({-1, 1, -3, 3})) EXPECT_EQ(PRELITS[l].sccRep, l);
  EXPECT_EQ(equivStack(), V{});
  EXPECT_EQ(newEquivLitsOfLastSearch(), 0);
}

// The same with the entry naming an assigned literal that represents itself.
TEST(FindScc, EntryNamingAnAssignedLiteralIsSkipped) {
  buildForSearch("p cnf 3 4\ne 1 2 3 0\n-1 2 0\n-2 1 0\n1 2 3 0\n");
  setTrue(lit(2));
  expectCleanEnd(runSearch(findSCC));
  EXPECT_EQ(visitedLits(), lits({-1, 1, -3, 3}));
  EXPECT_EQ(representatives(), V({0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(equivStack(), V{});
}

// A substituted, unassigned literal reached only through a stale entry is
// not entered: -1 and -3 name -2 (substituted by -3), whose own list names
// -1. Entering it would close the cycle -1 -> -2 -> -1.
TEST(FindScc, StaleEntryIsNotUsedAsALowLink) {
  buildForSearch("p cnf 3 3\ne 1 2 3 0\n-1 2 0\n-2 1 0\n-2 3 0\n");
  represent(lit(2), lit(3));
  expectCleanEnd(runSearch(findSCC));
  EXPECT_FALSE(PRELITS[lit(-2)].visited);
  EXPECT_FALSE(PRELITS[lit(2)].visited);
  EXPECT_EQ(representatives(), lits({-1, 1, -3, 3, -3, 3}));
  EXPECT_EQ(equivStack(), V{});
}
