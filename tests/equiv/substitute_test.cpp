// Equivalent-literal substitution: every case of the binary pass and of the
// n-ary pass, on hand-made representatives, with the exact list contents,
// clause contents, queues, pending pairs and counters afterwards.
//
// Literal indices: -v is 2v-2, +v is 2v-1. The binary clauses of a file are
// loaded last read first, so an implication list holds its entries in the
// reverse order of the clauses in the file; each test asserts the lists it
// starts from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "equiv/equiv_fixture.h"
#include "equiv/findscc.h"
#include "equiv/substitute.h"
#include "propagate/queues.h"
#include "store/checks.h"
#include "store/clauseops.h"
#include "store/lists.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

namespace {

Counters zero() { return Counters{0, 0, 0, 0, 0, 0, 0, 0}; }

// Store of `text` with the substitution stack; marks cleared as after a
// component search.
void setup(const std::string& text) {
  buildForSearch(text);
  clearNewBclsMarks();
  ASSERT_EQ(Counters::now(), zero());
}

std::string runBinaryPass() {
  CaptureStdout out;
  runbclsEquivLitReduction();
  return out.text();
}

std::string runNaryPass() {
  CaptureStdout out;
  runnaryEquivLitReduction();
  return out.text();
}

// The literals whose hasNewBcls mark is set.
V markedLits() {
  V r;
  for (int32_t i = 0; i < NLITS; i++)
    if (PRELITS[i].hasNewBcls) r.push_back(i);
  return r;
}

}  // namespace

// --- binary pass ------------------------------------------------------------

// x = 1 represented by 2, clause (-1 v 3) with 3 representing itself: the
// first half becomes 3 in the list of +2 (new: counted, +2 marked); the
// second half, -1 in the list of -3, is overwritten in place by -2 and -3 is
// marked; one old binary clause is counted as satisfied.
TEST(BinarySubstitution, RewritesTheOtherHalfInPlace) {
  setup("p cnf 4 4\ne 1 2 3 4 0\n3 4 0\n-1 3 0\n3 -4 0\n2 3 4 0\n");
  ASSERT_EQ(implicationsOf(lit(-3)), lits({-4, -1, 4}));
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runBinaryPass(), "");
  EXPECT_EQ(implicationsOf(lit(2)), lits({3}));
  EXPECT_EQ(implicationsOf(lit(-3)), lits({-4, -2, 4}));
  EXPECT_EQ(implicationsOf(lit(1)), lits({3}));  // x's own list is read, never cleaned
  EXPECT_EQ(markedLits(), lits({2, -3}));
  Counters want = zero();
  want.addBcls = 1;
  want.satCls = want.satBcls = 1;
  EXPECT_EQ(Counters::now(), want);
  EXPECT_EQ(equivLitStack->done, -1);
  EXPECT_EQ(equivLitStack->top, 0);  // the pass never moves top
  EXPECT_EQ(queued(naryUPstack), V{});
  EXPECT_EQ(queued(bclsUPstack), V{});
}

// The same with (-2 v 3) already present: nothing is added, the entry -1 is
// removed from the list of -3 (its last entry moves into its place) and
// counted as one satisfied binary clause; no mark is set.
TEST(BinarySubstitution, DuplicateSecondHalfIsRemovedAndCounted) {
  setup("p cnf 4 4\ne 1 2 3 4 0\n3 4 0\n-2 3 0\n-1 3 0\n3 -4 0\n");
  ASSERT_EQ(implicationsOf(lit(-3)), lits({-4, -1, -2, 4}));
  ASSERT_EQ(implicationsOf(lit(2)), lits({3}));
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runBinaryPass(), "");
  EXPECT_EQ(implicationsOf(lit(2)), lits({3}));
  EXPECT_EQ(implicationsOf(lit(-3)), lits({-4, 4, -2}));
  EXPECT_EQ(markedLits(), V{});
  Counters want = zero();
  want.satCls = want.satBcls = 1;
  EXPECT_EQ(Counters::now(), want);
}

// (-1 v 2) with 1 represented by 2 becomes a tautology: the half -1 in the
// list of -2 is removed and counted; nothing is queued or added.
TEST(BinarySubstitution, TautologyRemovesTheOtherHalf) {
  setup("p cnf 3 2\ne 1 2 3 0\n-1 2 0\n2 3 0\n");
  ASSERT_EQ(implicationsOf(lit(-2)), lits({3, -1}));
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runBinaryPass(), "");
  EXPECT_EQ(implicationsOf(lit(-2)), lits({3}));
  EXPECT_EQ(implicationsOf(lit(1)), lits({2}));
  EXPECT_EQ(implicationsOf(lit(2)), V{});
  Counters want = zero();
  want.satCls = want.satBcls = 1;
  EXPECT_EQ(Counters::now(), want);
  EXPECT_EQ(queued(naryUPstack), V{});
  EXPECT_EQ(queued(bclsUPstack), V{});
  EXPECT_EQ(markedLits(), V{});
}

// (-1 v -2) with 1 represented by 2 becomes the unit -2: the half in the list
// of +2 is removed and counted, -2 is queued on the n-ary and the binary
// queue.
TEST(BinarySubstitution, UnitOfTheNegatedRepresentativeIsQueued) {
  setup("p cnf 2 1\ne 1 2 0\n-1 -2 0\n");
  ASSERT_EQ(implicationsOf(lit(2)), lits({-1}));
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runBinaryPass(), "");
  EXPECT_EQ(implicationsOf(lit(2)), V{});
  EXPECT_EQ(queued(naryUPstack), lits({-2}));
  EXPECT_EQ(queued(bclsUPstack), lits({-2}));
  Counters want = zero();
  want.satCls = want.satBcls = 1;
  EXPECT_EQ(Counters::now(), want);
}

// x = 1 (existential, block 3) represented by the universal 2 (block 2);
// (-1 v 3) with 3 in block 1: universal reduction of rx leaves the unit +3,
// queued on both queues. The other half leaves the list of -3 and the clause
// counts as satisfied; the half in the list of the substituted 1 stays.
TEST(BinarySubstitution, UniversalRepresentativeIsReduced) {
  setup("p cnf 3 2\ne 3 0\na 2 0\ne 1 0\n-1 3 0\n1 2 3 0\n");
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runBinaryPass(), "");
  EXPECT_EQ(queued(naryUPstack), lits({3}));
  EXPECT_EQ(queued(bclsUPstack), lits({3}));
  EXPECT_EQ(implicationsOf(lit(1)), lits({3}));
  EXPECT_EQ(implicationsOf(lit(-3)), V{});
  EXPECT_EQ(implicationsOf(lit(2)), V{});
  Counters want = zero();
  want.satCls = want.satBcls = 1;
  EXPECT_EQ(Counters::now(), want);
}

// x = 1 (block 3) represented by 2 (existential, block 1); (-1 v 3) with the
// universal 3 in block 2: the universal is reduced against rx, leaving the
// unit -2, queued on both queues; the other half leaves the list of -3 and
// the clause counts as satisfied.
TEST(BinarySubstitution, UniversalPartnerIsReduced) {
  setup("p cnf 3 2\ne 2 0\na 3 0\ne 1 0\n-1 3 0\n1 2 3 0\n");
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runBinaryPass(), "");
  EXPECT_EQ(queued(naryUPstack), lits({-2}));
  EXPECT_EQ(queued(bclsUPstack), lits({-2}));
  EXPECT_EQ(implicationsOf(lit(1)), lits({3}));
  EXPECT_EQ(implicationsOf(lit(-3)), V{});
  Counters want = zero();
  want.satCls = want.satBcls = 1;
  EXPECT_EQ(Counters::now(), want);
}

// y represented by another literal: (-1 v 3) with 1 -> 2 and 3 -> 4. The
// first half (-2 v 4) goes to +2 (counted), the old half -1 leaves the list
// of -3 (counted as satisfied), and the second half -2 is added to -4 without
// being counted.
TEST(BinarySubstitution, PartnerRepresentedByAnotherLiteral) {
  setup("p cnf 4 2\ne 1 2 3 4 0\n-1 3 0\n1 2 4 0\n");
  represent(lit(1), lit(2));
  represent(lit(3), lit(4));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runBinaryPass(), "");
  EXPECT_EQ(implicationsOf(lit(2)), lits({4}));
  EXPECT_EQ(implicationsOf(lit(-3)), V{});
  EXPECT_EQ(implicationsOf(lit(-4)), lits({-2}));
  EXPECT_EQ(markedLits(), lits({2, -4}));
  Counters want = zero();
  want.addBcls = 1;
  want.satCls = want.satBcls = 1;
  EXPECT_EQ(Counters::now(), want);
}

// The other half missing (the entry -1 is not in the list of -3): the first
// half is still added, the list of -3 is left as it is, nothing is counted
// as satisfied.
TEST(BinarySubstitution, MissingOtherHalfLeavesTheListUnchanged) {
  setup("p cnf 4 4\ne 1 2 3 4 0\n3 4 0\n-1 3 0\n3 -4 0\n2 3 4 0\n");
  ASSERT_TRUE(implRemoveFirst(lit(-3), lit(-1)));
  ASSERT_EQ(implicationsOf(lit(-3)), lits({-4, 4}));
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runBinaryPass(), "");
  EXPECT_EQ(implicationsOf(lit(2)), lits({3}));
  EXPECT_EQ(implicationsOf(lit(-3)), lits({-4, 4}));
  EXPECT_EQ(markedLits(), lits({2}));
  Counters want = zero();
  want.addBcls = 1;
  EXPECT_EQ(Counters::now(), want);
}

// A queued unit that is already false ends the pass at once: the entries
// below stay unprocessed (done points at the next one).
TEST(BinarySubstitution, ContradictionEndsThePass) {
  setup("p cnf 2 1\ne 1 2 0\n-1 -2 0\n");
  represent(lit(1), lit(2));
  setTrue(lit(2));
  listForSubstitution({lit(-1), lit(1)});
  EXPECT_EQ(runBinaryPass(), "c CONTRADICTION found! 1\nc CONTRADICTION found! 4\n");
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_EQ(equivLitStack->done, 0);
}

// After a real search: 1 = 2 (2 outside) and (-1 v 3). Both polarities of 1
// are listed; the pass leaves exactly (-2 v 3) and drops the two clauses of
// the equivalence, and the lists of 1 as they were.
TEST(BinarySubstitution, AfterAFullSearch) {
  setup("p cnf 3 3\ne 2 0\ne 1 3 0\n-1 2 0\n-2 1 0\n-1 3 0\n");
  ASSERT_EQ(implicationsOf(lit(1)), lits({3, 2}));
  EXPECT_EQ(runSearch(findSCC), "");
  ASSERT_EQ(equivStack(), lits({-1, 1}));
  clearNewBclsMarks();
  equivLitStack->done = equivLitStack->top;
  EXPECT_EQ(runBinaryPass(), "");
  EXPECT_EQ(implicationsOf(lit(2)), lits({3}));
  EXPECT_EQ(implicationsOf(lit(-3)), lits({-2}));
  EXPECT_EQ(implicationsOf(lit(-2)), V{});
  EXPECT_EQ(implicationsOf(lit(1)), lits({3, 2}));
  EXPECT_EQ(implicationsOf(lit(-1)), lits({-2}));
  EXPECT_EQ(markedLits(), lits({2, -3}));
  Counters want = zero();
  want.addBcls = 1;
  want.satCls = want.satBcls = 3;
  want.deletes = 1;  // the search's second push doubled equivLitStack (one entry for six literals)
  EXPECT_EQ(Counters::now(), want);
}

// The class {+-2, +-3, +-4} holds a literal and its negation and its
// representative is positive (see FindScc.LiteralAndNegationWithPositive-
// Representative): the pass queues +2, then -2, and the queues report it.
TEST(BinarySubstitution, LiteralAndNegationReachTheQueues) {
  setup("p cnf 4 5\ne 1 2 3 4 0\n1 2 0\n-2 3 0\n-3 -2 0\n2 4 0\n-4 2 0\n");
  EXPECT_EQ(runSearch(findSCC), "");
  ASSERT_EQ(equivStack(), lits({-3, 3, -4, 4}));
  equivLitStack->done = equivLitStack->top;
  EXPECT_EQ(runBinaryPass(), "c CONTRADICTION found! 2\nc CONTRADICTION found! 5\n");
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_EQ(queued(naryUPstack), lits({2}));
  EXPECT_EQ(queued(bclsUPstack), lits({2}));
  EXPECT_EQ(equivLitStack->done, 0);  // -3 was not taken
}

// --- n-ary pass -------------------------------------------------------------

// (1 v 2 v 3) with 1 represented by 2: x is dropped (the last literal moves
// into its place) and the clause, now (3 v 2), becomes a pending binary
// clause; its index leaves the lists of 3 and 2 but stays in that of 1.
TEST(NarySubstitution, DuplicateIsDroppedAndTheClauseBecomesBinary) {
  setup("p cnf 3 1\ne 1 2 3 0\n1 2 3 0\n");
  ASSERT_EQ(clauseLits(0), lits({1, 2, 3}));
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_EQ(clauseLits(0), lits({3, 2}));
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(pendingPairs(), lits({3, 2}));
  EXPECT_EQ(occurrencesOf(lit(1)), V{0});
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  EXPECT_EQ(occurrencesOf(lit(3)), V{});
  Counters want = zero();
  want.reducedNary = 1;
  EXPECT_EQ(Counters::now(), want);
}

// A duplicate dropped from a clause of four literals leaves an n-ary clause
// of three.
TEST(NarySubstitution, DuplicateDroppedFromALongerClause) {
  setup("p cnf 4 1\ne 1 2 3 4 0\n1 2 3 4 0\n");
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_EQ(clauseLits(0), lits({4, 2, 3}));
  EXPECT_TRUE(PRENCLS[0].active);
  EXPECT_EQ(pendingPairs(), V{});
  EXPECT_EQ(occurrencesOf(lit(2)), V{0});
  EXPECT_EQ(Counters::now(), zero());
}

// (1 v -2 v 3) with 1 represented by 2 is a tautology: its index leaves the
// lists of -2 and 3 (not of 1), it is counted as a satisfied n-ary clause and
// deactivated; its literals stay as they were.
TEST(NarySubstitution, TautologyIsDeactivated) {
  setup("p cnf 3 1\ne 1 2 3 0\n1 -2 3 0\n");
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(clauseLits(0), lits({1, -2, 3}));
  EXPECT_EQ(occurrencesOf(lit(1)), V{0});
  EXPECT_EQ(occurrencesOf(lit(-2)), V{});
  EXPECT_EQ(occurrencesOf(lit(3)), V{});
  Counters want = zero();
  want.satCls = want.satNaryCls = 1;
  EXPECT_EQ(Counters::now(), want);
}

// (1 v 3 v 4) with 1 represented by 2: 1 is replaced by 2 in place and the
// clause is registered with 2.
TEST(NarySubstitution, ReplacesAndRegisters) {
  setup("p cnf 4 2\ne 1 2 3 4 0\n1 3 4 0\n1 2 0\n");
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_EQ(clauseLits(0), lits({2, 3, 4}));
  EXPECT_TRUE(PRENCLS[0].active);
  EXPECT_EQ(occurrencesOf(lit(2)), V{0});
  EXPECT_EQ(occurrencesOf(lit(1)), V{0});
  EXPECT_EQ(Counters::now(), zero());
}

// The same with the index already in the list of 2: addNcls reports it and
// stores a second copy.
TEST(NarySubstitution, RegisteringACopyIsReported) {
  setup("p cnf 4 2\ne 1 2 3 4 0\n1 3 4 0\n1 2 0\n");
  {
    CaptureStdout quiet;
    addNcls(lit(2), 0);
  }
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "ERROR: Found clause index 0 already in LitNcls of 2 when adding it.\n");
  EXPECT_EQ(clauseLits(0), lits({2, 3, 4}));
  EXPECT_EQ(occurrencesOf(lit(2)), V({0, 0}));
}

namespace {

// (-1 v 3 v 4) is clause 0 and (1 v 3 v 4) clause 1 (last read first).
const char* const kValued = "p cnf 4 3\ne 1 2 3 4 0\n1 3 4 0\n-1 3 4 0\n1 2 0\n";

}  // namespace

// The representative is true: naryUnitProp(x) satisfies the clause of +1
// and shortens the clause of -1 to the pending binary clause (4 v 3).
TEST(NarySubstitution, TrueRepresentativeIsPropagatedOnX) {
  setup(kValued);
  ASSERT_EQ(clauseLits(0), lits({-1, 3, 4}));
  represent(lit(1), lit(2));
  setTrue(lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_EQ(PRELITS[lit(1)].tval, T);
  EXPECT_EQ(PRELITS[lit(-1)].tval, F);
  EXPECT_TRUE(PRELITS[lit(1)].naryDone);
  EXPECT_FALSE(PRENCLS[1].active);
  EXPECT_EQ(clauseLits(1), lits({1, 3, 4}));  // satisfied, not rewritten
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(clauseLits(0), lits({4, 3}));
  EXPECT_EQ(pendingPairs(), lits({4, 3}));
  EXPECT_EQ(occurrencesOf(lit(3)), V{});
  EXPECT_EQ(occurrencesOf(lit(4)), V{});
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  Counters want = zero();
  want.satCls = want.satNaryCls = 1;
  want.reducedNary = 1;
  EXPECT_EQ(Counters::now(), want);
}

// The representative is false: naryUnitProp(-x), the mirror image.
TEST(NarySubstitution, FalseRepresentativeIsPropagatedOnTheNegation) {
  setup(kValued);
  represent(lit(1), lit(2));
  setTrue(lit(-2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_EQ(PRELITS[lit(-1)].tval, T);
  EXPECT_EQ(PRELITS[lit(1)].tval, F);
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(clauseLits(0), lits({-1, 3, 4}));
  EXPECT_FALSE(PRENCLS[1].active);
  EXPECT_EQ(clauseLits(1), lits({4, 3}));
  EXPECT_EQ(pendingPairs(), lits({4, 3}));
}

// x itself true (its representative unassigned) also propagates x.
TEST(NarySubstitution, TrueLiteralIsPropagated) {
  setup(kValued);
  represent(lit(1), lit(2));
  setTrue(lit(1));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_FALSE(PRENCLS[1].active);
  EXPECT_EQ(clauseLits(0), lits({4, 3}));
  EXPECT_EQ(pendingPairs(), lits({4, 3}));
}

// With naryDone of x set nothing is propagated and nothing is rewritten.
TEST(NarySubstitution, ValuedAndAlreadyDoneIsSkipped) {
  setup(kValued);
  represent(lit(1), lit(2));
  setTrue(lit(2));
  PRELITS[lit(1)].naryDone = true;
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_TRUE(PRENCLS[0].active);
  EXPECT_TRUE(PRENCLS[1].active);
  EXPECT_EQ(clauseLits(0), lits({-1, 3, 4}));
  EXPECT_EQ(clauseLits(1), lits({1, 3, 4}));
  EXPECT_EQ(PRELITS[lit(1)].tval, U);
  EXPECT_EQ(pendingPairs(), V{});
  EXPECT_EQ(Counters::now(), zero());
}

// Repair 2: universal reduction removes the representative. x = 1 (block 3)
// represented by the universal 2 (block 2) in (1 v 3 v 4) with 3, 4 in
// block 1: after the replacement 2 is reduced; the clause (4 v 3) does not
// hold 2, so it is not registered with 2, and with two literals it becomes a
// pending binary clause.
TEST(NarySubstitution, ReducedRepresentativeIsNotRegistered) {
  setup("p cnf 4 2\ne 3 4 0\na 2 0\ne 1 0\n1 3 4 0\n1 2 0\n");
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_EQ(clauseLits(0), lits({4, 3}));
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  EXPECT_EQ(pendingPairs(), lits({4, 3}));
  EXPECT_EQ(occurrencesOf(lit(3)), V{});
  EXPECT_EQ(occurrencesOf(lit(4)), V{});
  Counters want = zero();
  want.reducedNary = 1;
  EXPECT_EQ(Counters::now(), want);
}

// The same with three literals left: the clause stays n-ary and active and
// is not registered with 2.
TEST(NarySubstitution, ReducedRepresentativeInALongerClause) {
  setup("p cnf 5 2\ne 3 4 5 0\na 2 0\ne 1 0\n1 3 4 5 0\n1 2 0\n");
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_EQ(clauseLits(0), lits({5, 3, 4}));
  EXPECT_TRUE(PRENCLS[0].active);
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  EXPECT_EQ(occurrencesOf(lit(5)), V{0});
  EXPECT_EQ(pendingPairs(), V{});
}

// Repair 2, the unit case: x = 1 (block 3) represented by 2 (block 1) in
// (1 v 3 v 4) with the universals 3, 4 in block 2. After the replacement
// both universals are reduced: the unit +2 is queued, the clause is
// deactivated and registered nowhere.
TEST(NarySubstitution, ClauseReducedToAUnitIsNotRegistered) {
  setup("p cnf 4 2\ne 2 0\na 3 4 0\ne 1 0\n1 3 4 0\n1 2 0\n");
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_EQ(clauseLits(0), lits({2}));
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
  EXPECT_EQ(occurrencesOf(lit(3)), V{});
  EXPECT_EQ(occurrencesOf(lit(4)), V{});
  EXPECT_EQ(queued(bclsUPstack), lits({2}));
  EXPECT_EQ(queued(naryUPstack), lits({2}));
  EXPECT_EQ(pendingPairs(), V{});
  Counters want = zero();  // the clause leaves the store as its unit: satisfied
  want.satCls = want.satNaryCls = 1;
  EXPECT_EQ(Counters::now(), want);
}

// x absent from a clause in its list: the clause is left unchanged.
TEST(NarySubstitution, ClauseWithoutXIsLeftUnchanged) {
  for (bool rxInClause : {false, true}) {
    SCOPED_TRACE(rxInClause ? "rx in the clause" : "rx not in the clause");
    setup(rxInClause ? "p cnf 5 2\ne 1 2 3 4 5 0\n2 3 4 0\n1 5 0\n" : "p cnf 5 2\ne 1 2 3 4 5 0\n3 4 5 0\n1 2 0\n");
    {
      CaptureStdout quiet;
      addNcls(lit(1), 0);
    }
    const V before = clauseLits(0);
    const V occurrencesOfRx = occurrencesOf(lit(2));
    represent(lit(1), lit(2));
    listForSubstitution({lit(1)});
    EXPECT_EQ(runNaryPass(), "");
    EXPECT_EQ(clauseLits(0), before);
    EXPECT_TRUE(PRENCLS[0].active);
    EXPECT_EQ(occurrencesOf(lit(2)), occurrencesOfRx);
    EXPECT_EQ(pendingPairs(), V{});
    EXPECT_EQ(Counters::now(), zero());
    EXPECT_EQ(equivLitStack->done, -1);
  }
}

// An inactive clause in the list of x is skipped.
TEST(NarySubstitution, InactiveClauseIsSkipped) {
  setup("p cnf 4 2\ne 1 2 3 4 0\n1 3 4 0\n1 2 0\n");
  PRENCLS[0].active = false;
  represent(lit(1), lit(2));
  listForSubstitution({lit(1)});
  EXPECT_EQ(runNaryPass(), "");
  EXPECT_EQ(clauseLits(0), lits({1, 3, 4}));
  EXPECT_EQ(occurrencesOf(lit(2)), V{});
}
