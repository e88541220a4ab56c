// The hyper-binary resolution pass: which literals it probes, the top-level
// propagation of a failed root before the loop moves on, the end of the pass
// on a contradiction, the flags it reports and the storage it releases.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/preprocessor.h"
#include "equiv/equiv_fixture.h"
#include "equiv/findscc.h"
#include "equiv/substitute.h"
#include "hyperres/passstate.h"
#include "hyperres/idlenotes.h"
#include "hyperres/hypres.h"
#include "hyperres/probe_env.h"
#include "propagate/queues.h"
#include "propagate/unitprop.h"
#include "store/clauseops.h"
#include "store/lists.h"
#include "store/checks.h"
#include "store/store.h"
#include "store/watch.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

namespace {

int32_t colour(int32_t dimacs) { return PRELITS[lit(dimacs)].dfsColour; }

// Reads the formula and propagates its unit clauses, as the main loop does
// before its first pass.
void prepare(const std::string& text) {
  ASSERT_TRUE(readText(text));
  buildAndPropagateUnits();
  ASSERT_FALSE(CONTRADICTION);
}

// The epoch of l's idle note that a set of these members matches, 0 none.
uint32_t idleEpochOf(int32_t l, const V& members) {
  UniqueSet set;
  initUniqueSet(&set);
  for (int32_t x : members) usAdd(&set, x);
  const uint32_t epoch = idleNoteFor(l, &set);
  freeUniqueSetStorage(&set);
  return epoch;
}

void expectPassStorageReleased() {
  EXPECT_EQ(pass.sets.sets, nullptr);
  EXPECT_EQ(pass.sets.out, 0);
  EXPECT_EQ(pass.lists.lists, nullptr);
  EXPECT_EQ(pass.lists.out, 0);
  EXPECT_EQ(pass.undoStack, nullptr);
  EXPECT_EQ(pass.topUndoStack, -1);
  EXPECT_EQ(pass.hrMaxUniversal, nullptr);
  EXPECT_EQ(pass.hrWitness, nullptr);
  EXPECT_TRUE(pass.touched.empty());
  EXPECT_FALSE(pass.baseMark.allocated());
  EXPECT_EQ(pass.closedSets, nullptr);
  EXPECT_EQ(pass.setPosition, nullptr);
  EXPECT_FALSE(pass.countedIn.allocated());
  EXPECT_FALSE(pass.clauseTally.allocated());
  EXPECT_EQ(pass.extrasView.set, nullptr);
  EXPECT_EQ(pass.unitPropStack, nullptr);
  EXPECT_FALSE(pass.closedTag.allocated());
  EXPECT_FALSE(pass.sweptOff.allocated());
  EXPECT_EQ(pass.searchLits, nullptr);
  EXPECT_EQ(pass.listPrint, nullptr);
  EXPECT_EQ(storeListener, nullptr);
}

TEST(HypResPass, WithoutBinaryClausesEveryLiteralIsARootAndNothingChanges) {
  prepare("p cnf 4 2\n1 2 3 0\n-2 -3 4 0\n");
  const BinaryClauses bin0 = binaryClauses();
  const TentativeState s0 = TentativeState::now();
  const Counters c0 = Counters::now();
  foundNewBcls = foundNewForced = true;  // the pass clears both
  CaptureStdout out;
  runHypRes();
  EXPECT_EQ(out.text(), "");
  EXPECT_FALSE(foundNewBcls);
  EXPECT_FALSE(foundNewForced);
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_EQ(Counters::now(), c0);
  EXPECT_EQ(binaryClauses().clauses, bin0.clauses);
  EXPECT_TRUE(TentativeState::now() == s0);
  for (int32_t i = 0; i < NLITS; i++) EXPECT_EQ(PRELITS[i].dfsColour, 2) << "literal index " << i;
  expectPassStorageReleased();
}

TEST(HypResPass, LiteralsThatAllHaveAPredecessorAreNotProbed) {
  // 1 <-> 2 <-> 3: every literal, positive or negative, is implied by another.
  prepare("p cnf 3 5\n-1 2 0\n-2 1 0\n-2 3 0\n-3 2 0\n1 -2 3 0\n");
  const BinaryClauses bin0 = binaryClauses();
  runHypRes();
  for (int32_t i = 0; i < NLITS; i++) EXPECT_EQ(PRELITS[i].dfsColour, 0) << "literal index " << i;
  EXPECT_FALSE(foundNewBcls);
  EXPECT_FALSE(foundNewForced);
  EXPECT_EQ(binaryClauses().clauses, bin0.clauses);
  expectPassStorageReleased();
}

TEST(HypResPass, FailedRootIsPropagatedBeforeTheLoopMovesOn) {
  // r -> a, a -> b, a -> -b: a fails, and with it the root r. Propagating -a
  // at top level forces s through (a v s), so -s, a root with a higher
  // index than r, is false when the loop reaches it and is not probed. The
  // 4-literal clause loses r, and its probe length follows.
  prepare("p cnf 7 5\n-1 2 0\n-2 3 0\n-2 -3 0\n2 4 0\n1 5 6 7 0\n");
  const int32_t c = clauseIndexOf({lit(1), lit(5), lit(6), lit(7)});
  ASSERT_GE(c, 0);
  ASSERT_EQ(PRELITS[lit(-1)].numImpl, 0);
  ASSERT_EQ(PRELITS[lit(4)].numImpl, 0);  // -s starts as a root as well
  CaptureStdout out;
  runHypRes();
  EXPECT_EQ(out.text(), "");
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_TRUE(foundNewForced);
  EXPECT_EQ(PRELITS[lit(1)].tval, F);
  EXPECT_EQ(PRELITS[lit(2)].tval, F);
  EXPECT_EQ(PRELITS[lit(4)].tval, T);
  EXPECT_EQ(PRELITS[lit(3)].tval, U);
  EXPECT_EQ(colour(-4), 0);
  EXPECT_EQ(UPstack->count, 0);
  EXPECT_TRUE(noneMarked(UPstack));
  EXPECT_EQ(numValuedLits, 6);
  EXPECT_EQ(PRENCLS[c].curLen, 3);
  EXPECT_EQ(PRENCLS[c].hrLen, 3);
  // The roots after r were probed.
  for (int32_t l : {5, 6, 7}) EXPECT_EQ(colour(l), 2) << l;
  expectPassStorageReleased();
}

struct EndCase {
  const char* name;
  const char* formula;
  const char* printed;
};
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

// Both end with the roots 8, 9, 10 and their negations unprobed.
const EndCase kEnds[] = {
    // r -> c, c -> a, c -> b and (-c v -a v -b): c fails in its propagation,
    // and so does r. Propagating -c at top level forces s and w; w -> t and
    // t -> -s, so the negation of a queued literal is forced.
    {"ForcedNegationOfAQueuedLiteral",
     "p cnf 10 9\n-1 2 0\n-2 3 0\n-2 4 0\n-2 -3 -4 0\n2 5 0\n2 6 0\n-6 7 0\n-7 -5 0\n8 9 10 0\n",
     "c CONTRADICTION found(2)!\n"},
    // The same with the implications of -c the other way round.
    {"ForcedNegationOfAQueuedLiteralOtherOrder",
     "p cnf 10 9\n-1 2 0\n-2 3 0\n-2 4 0\n-2 -3 -4 0\n2 6 0\n2 5 0\n-6 7 0\n-7 -5 0\n8 9 10 0\n",
     "c CONTRADICTION found(2)!\n"},
    // A universal root that fails: its negation cannot be forced.
    {"FailedUniversalRoot",
     "p cnf 10 5\na 1 0\ne 2 3 4 5 6 7 8 9 10 0\n-1 2 0\n-1 3 0\n-1 -2 -3 0\n4 5 6 7 0\n8 9 10 0\n",
     "c CONTRADICTION found(4)!\n"},
};

class PassEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(PassEnd, ContradictionEndsThePass) {
  const EndCase& k = GetParam();
  prepare(k.formula);
  CaptureStdout out;
  runHypRes();
  EXPECT_EQ(out.text(), k.printed);
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_TRUE(foundNewForced);
  EXPECT_EQ(UPstack->count, 0);
  EXPECT_TRUE(noneMarked(UPstack));
  // The roots after the failed one were never reached.
  for (int32_t l : {8, 9, 10, -8, -9, -10}) EXPECT_EQ(colour(l), 0) << l;
  expectPassStorageReleased();
}

INSTANTIATE_TEST_SUITE_P(HypResPass, PassEnd, ::testing::ValuesIn(kEnds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HypResPass, ResolventsOfTheRootsAreAddedAndFlagged) {
  // The worked example as a whole formula: -a is not implied by anything,
  // so a is a root and everything else is probed below it.
  prepare("p cnf 4 4\n-1 3 0\n-1 2 0\n-2 3 0\n-2 -3 4 0\n");
  runHypRes();
  EXPECT_TRUE(foundNewBcls);
  EXPECT_FALSE(foundNewForced);
  const BinaryClauses bin = binaryClauses();
  EXPECT_TRUE(bin.unmatched.empty());
  EXPECT_TRUE(bin.clauses.count(bcls(lit(-2), lit(4))));
  EXPECT_FALSE(bin.clauses.count(bcls(lit(-1), lit(3))));
  EXPECT_EQ(numAddBcls, 1);
  expectPassStorageReleased();
}


// A set a probe left closed stops being closed when top-level propagation
// shortens its clauses. Root 1 probes 2 (2 -> 3 -> -7; (-2 v 4 v 1 v 7) keeps
// 4 and 1 open) and then fails (1 -> 6 -> -1); propagating -1 leaves
// (-2 v 4 v 7). Root 5 finds 2 finished: the search finds 2's set again, but
// 5's phase 2 must run and derive 4 (the debug build asserts that a skip
// would be right).
TEST(HypResPass, TopLevelPropagationVoidsTheClosedSetsOfEarlierProbes) {
  prepare("p cnf 7 7\n-1 -6 0\n-1 6 0\n-1 2 0\n-2 3 0\n-3 -7 0\n-5 2 0\n-2 4 1 7 0\n");
  ASSERT_EQ(implicationsOf(lit(1)), (V{lit(2), lit(6), lit(-6)}));
  runHypRes();
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_EQ(PRELITS[lit(1)].tval, F);
  EXPECT_EQ(implicationsOf(lit(5)), (V{lit(2), lit(4)}));
  expectPassStorageReleased();
}

// A probe whose phase 2 found nothing on a set finds nothing again on that
// set only while the clauses of its members stay as they were. Pass one
// probes root 1 with the set {1, 2}: (-1 v -2 v 3 v 4) keeps 3 and 4.
// Propagating -4 at top level leaves (-1 v -2 v 3), so pass two, on the same
// set, must derive 3 and add (-1 v 3).
TEST(HypResPass, PhaseTwoRunsAgainWhenTheClausesOfItsSetChange) {
  prepare("p cnf 4 2\n-1 2 0\n-1 -2 3 4 0\n");
  runHypRes();
  EXPECT_FALSE(foundNewBcls);
  EXPECT_EQ(implicationsOf(lit(1)), (V{lit(2)}));
  pushUPstack(lit(-4));
  drainUPstack();
  ASSERT_FALSE(CONTRADICTION);
  runHypRes();
  EXPECT_TRUE(foundNewBcls);
  EXPECT_EQ(implicationsOf(lit(1)), (V{lit(2), lit(3)}));
  // A third pass meets the set {1, 2, 3}, new to it, and adds nothing.
  runHypRes();
  EXPECT_FALSE(foundNewBcls);
  EXPECT_EQ(implicationsOf(lit(1)), (V{lit(2), lit(3)}));
}

// Substituting a member of an idle set by another member leaves the set
// known to be idle. In pass one, root 1's child 2 derives 3 through
// (-2 v -4 v 3); 1's set {1, 2, 4, 3} is then idle, and the resolvent
// (-2 v 3) closes the cycle 2 <-> 3. After the substitution that cycle brings,
// the next pass meets 1's set without the substituted literal: the note
// still holds, since the literal's representative is in the set. A set that
// is not the noted one less substituted literals does not match.
TEST(HypResPass, AnIdleNoteOutlivesTheSubstitutionOfAMember) {
  prepare("p cnf 4 4\n-1 2 0\n-3 2 0\n-2 4 0\n-2 -4 3 0\n");
  runHypRes();
  ASSERT_EQ(implicationsOf(lit(2)), (V{lit(4), lit(3)}));
  createEquivLitStack();
  initSCC();
  findSCC();
  equivLitStack->done = equivLitStack->top;
  runbclsEquivLitReduction();
  equivLitStack->done = equivLitStack->top;
  runnaryEquivLitReduction();
  ASSERT_FALSE(CONTRADICTION);
  const int32_t rep = PRELITS[lit(2)].equivLit;
  const int32_t gone = rep == lit(2) ? lit(3) : lit(2);
  ASSERT_EQ(PRELITS[lit(3)].equivLit, rep);
  ASSERT_NE(PRELITS[gone].equivLit, gone);

  ProbeEnv env;  // the next pass begins
  EXPECT_EQ(idleEpochOf(lit(1), {lit(1), rep, lit(4)}), 1u);
  EXPECT_EQ(idleEpochOf(lit(1), {lit(1), lit(4), rep}), 1u);  // the order does not matter
  EXPECT_EQ(idleEpochOf(lit(1), {lit(1), lit(4)}), 0u);
  EXPECT_EQ(idleEpochOf(lit(1), {lit(1), rep, lit(4), lit(-1)}), 0u);
}

// A top-level propagation within a pass begins a new epoch of idle notes:
// the root 1 fails, and propagating -1 shortens (1 v 5 v 6 v 7). That clause
// counts as changed in the new epoch, with the variables of the three
// literals it keeps, and its probe length follows. The later root 8 finds
// its set {8, 9} idle, and the note it leaves is of the new epoch.
TEST(HypResPass, ATopLevelPropagationBeginsAnEpochOfNotes) {
  prepare("p cnf 9 6\n-1 2 0\n-2 3 0\n-2 -3 0\n1 5 6 7 0\n-8 9 0\n4 5 9 0\n");
  const int32_t c = clauseIndexOf({lit(1), lit(5), lit(6), lit(7)});
  ASSERT_GE(c, 0);
  runHypRes();
  ASSERT_TRUE(foundNewForced);
  ASSERT_EQ(PRELITS[lit(1)].tval, F);
  EXPECT_EQ(noteEpoch, 2u);  // the pass start, then the propagation
  EXPECT_EQ(clausesLastChangedIn, 2u);
  EXPECT_EQ(clauseChangedIn[c], 2u);
  EXPECT_EQ(PRENCLS[c].hrLen, 3);
  for (int32_t v : {5, 6, 7}) EXPECT_EQ(varClausesChangedIn[lit(v) >> 1], 2u) << v;
  EXPECT_EQ(varClausesChangedIn[lit(4) >> 1], 1u);  // its clause was left alone
  EXPECT_EQ(idleEpochOf(lit(8), {lit(8), lit(9)}), 2u);
}

}  // namespace

// The closure search reads a compact copy of each literal's implications
// and of whether it may be entered; every kind of edit a pass makes must
// keep that copy equal to the records.
TEST(HypResPass, SearchCopyFollowsTheRecords) {
  prepare("p cnf 7 5\n-1 2 0\n-1 3 0\n-2 4 0\n-5 6 0\n1 5 7 0\n");
  ProbeEnv env;
  auto expectCopyHolds = [](const char* step) {
    SCOPED_TRACE(step);
    for (int32_t i = 0; i < NLITS; i++) {
      const preLit& L = PRELITS[i];
      const SearchLit& V = pass.searchLits[i];
      ASSERT_EQ(V.count, searchMayEnter(L) ? L.numImpl : ~L.numImpl) << "literal " << to_ff(i);
      ASSERT_EQ(std::vector<int32_t>(V.implications, V.implications + L.numImpl),
                std::vector<int32_t>(L.implications, L.implications + L.numImpl))
          << "literal " << to_ff(i);
    }
  };
  expectCopyHolds("set-up");
  for (int32_t k = 0; k < 12; k++) appendBcls(lit(1), lit(k % 2 == 0 ? 4 : 6));  // grows the list
  expectCopyHolds("appends");
  implSetAt(lit(1), 0, lit(7));
  implSetAt(lit(1), 5, lit(7));
  implSetAt(lit(2), 0, lit(7));  // a list short enough to be copied whole
  expectCopyHolds("entries overwritten");
  implRemoveAt(lit(1), 0);  // the last entry moves to the front
  implRemoveFirst(lit(1), lit(3));
  expectCopyHolds("removals");
  ASSERT_TRUE(HypRes(&PRELITS[lit(2)], &env.S));  // 2 is grey while probed, then finished
  expectCopyHolds("probe");
  pushUPstack(lit(-5));
  drainUPstack();  // 5 and -5 are assigned and leave the search
  ASSERT_FALSE(CONTRADICTION);
  expectCopyHolds("top-level propagation");
  EXPECT_LT(pass.searchLits[lit(5)].count, 0);
  EXPECT_LT(pass.searchLits[lit(-5)].count, 0);
}
