// The hyper-binary resolution probe on small stores: resolvents added,
// binary clauses removed as implied by other paths, failed literals, and the
// store left exactly as it was apart from the binary clauses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "driver/preprocessor.h"
#include "hyperres/passstate.h"
#include "hyperres/hypres.h"
#include "hyperres/probe_env.h"
#include "store/build.h"
#include "store/checks.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;
using Pairs = std::vector<std::pair<int32_t, int32_t>>;  // binary clauses, DIMACS literals

namespace {

struct ProbeCase {
  const char* name;
  const char* formula;
  int32_t probe;       // DIMACS literal probed
  bool result;         // HypRes's result
  V implicants;        // DIMACS literals in the caller's set afterwards (checked when result is true)
  Pairs added;         // binary clauses the probe leaves added
  Pairs removed;       // binary clauses the probe leaves removed
  V queued;            // UPstack afterwards, oldest first (DIMACS)
  int32_t addBcls;     // change of numAddBcls
  int32_t satBcls;     // change of numSatBcls (and of numSatCls)
  bool newBcls;        // foundNewBcls afterwards
  bool units = false;  // propagate the unit clauses before probing
  std::function<void()> before = [] {};  // preconditions and edits before the probe
  std::function<void()> after = [] {};   // further checks
};
void PrintTo(const ProbeCase& c, std::ostream* os) { *os << c.name; }

std::set<std::pair<int32_t, int32_t>> asClauses(const Pairs& p) {
  std::set<std::pair<int32_t, int32_t>> s;
  for (const auto& c : p) s.insert(bcls(lit(c.first), lit(c.second)));
  return s;
}

std::set<std::pair<int32_t, int32_t>> minus(const std::set<std::pair<int32_t, int32_t>>& a,
                                            const std::set<std::pair<int32_t, int32_t>>& b) {
  std::set<std::pair<int32_t, int32_t>> d;
  for (const auto& x : a)
    if (!b.count(x)) d.insert(x);
  return d;
}

V lits(const V& dimacs) {
  V v;
  for (int32_t l : dimacs) v.push_back(lit(l));
  return v;
}

int32_t colour(int32_t dimacs) { return PRELITS[lit(dimacs)].dfsColour; }

const ProbeCase kCases[] = {
    // a -> b, a -> c, b -> c, (-b v -c v d). b's probe reaches c and derives d
    // (resolvent (-b v d)); a then finds c among b's implicants and drops
    // (-a v c); a's own propagation derives nothing new.
    {"WorkedExample", "p cnf 4 4\n-1 3 0\n-1 2 0\n-2 3 0\n-2 -3 4 0\n", 1, true, {1, 2, 3, 4}, {{-2, 4}}, {{-1, 3}},
     {}, 1, 1, true, false,
     [] { ASSERT_EQ(implicationsOf(lit(1)), lits({2, 3})); },
     [] {
       EXPECT_EQ(implicationsOf(lit(1)), lits({2}));
       EXPECT_EQ(implicationsOf(lit(-3)), lits({-2}));
       EXPECT_EQ(implicationsOf(lit(2)), lits({3, 4}));
       EXPECT_EQ(implicationsOf(lit(-4)), lits({-2}));
       for (int32_t l : {1, 2, 3, 4}) EXPECT_EQ(colour(l), 2) << l;
     }},
    // Nothing to propagate: no implication, so the clause is not looked at.
    {"ImpliesNothing", "p cnf 3 1\n-1 -2 3 0\n", 1, true, {1}, {}, {}, {}, 0, 0, false, false, [] {},
     [] {
       EXPECT_EQ(colour(1), 2);
       EXPECT_EQ(colour(2), 0);
     }},
    // l -> a and l -> -a: a's implicants and -a's meet in l's set.
    {"ImpliesALiteralAndItsNegation", "p cnf 2 2\n-1 2 0\n-1 -2 0\n", 1, false, {}, {}, {}, {-1}, 0, 0, false, false,
     [] {}, [] { EXPECT_EQ(colour(1), 1); }},
    // p -> l, l -> a, l -> -a: l fails, and so does p.
    {"FailingChildFailsItsParent", "p cnf 3 3\n-3 1 0\n-1 2 0\n-1 -2 0\n", 3, false, {}, {}, {}, {-1, -3}, 0, 0, false,
     false, [] {},
     [] {
       EXPECT_EQ(colour(3), 1);
       EXPECT_EQ(colour(1), 1);
     }},
    // l -> a, l -> b, a -> b with a listed first: (-l v b) goes, from both halves.
    {"TransitiveReduction", "p cnf 3 3\n-2 3 0\n-1 3 0\n-1 2 0\n", 1, true, {1, 2, 3}, {}, {{-1, 3}}, {}, 0, 1, false,
     false,
     [] {
       ASSERT_EQ(implicationsOf(lit(1)), lits({2, 3}));
       ASSERT_EQ(implicationsOf(lit(-3)), lits({-1, -2}));
     },
     [] {
       EXPECT_EQ(implicationsOf(lit(1)), lits({2}));
       EXPECT_EQ(implicationsOf(lit(-3)), lits({-2}));
     }},
    // l -> m and (-l v -m v u1) derive u1, and u1 -> u2 derives u2: both
    // resolvents are added, and (-l v u2) is dropped again as implied through u1.
    {"SecondResolventPrunedThroughTheFirst", "p cnf 4 3\n-1 2 0\n-1 -2 3 0\n-3 4 0\n", 1, true, {1, 2, 3, 4},
     {{-1, 3}}, {}, {}, 2, 1, true, false, [] {},
     [] {
       EXPECT_EQ(sortedCopy(implicationsOf(lit(1))), sortedCopy(lits({2, 3})));
       EXPECT_EQ(implicationsOf(lit(-4)), lits({-3}));
       EXPECT_EQ(colour(3), 2);
       EXPECT_EQ(colour(4), 2);
     }},
    // Four derived literals, two pairs u1 -> u2 and u3 -> u4: each closure is
    // smaller than the list; both implied resolvents go.
    {"PruningWithClosuresSmallerThanTheList", "p cnf 6 5\n-1 2 0\n-1 -2 3 0\n-3 4 0\n-1 -2 5 0\n-5 6 0\n", 1, true,
     {1, 2, 3, 4, 5, 6}, {{-1, 3}, {-1, 5}}, {}, {}, 4, 2, true, false, [] {},
     [] {
       EXPECT_EQ(sortedCopy(implicationsOf(lit(1))), sortedCopy(lits({2, 3, 5})));
       EXPECT_EQ(implicationsOf(lit(-4)), lits({-3}));
       EXPECT_EQ(implicationsOf(lit(-6)), lits({-5}));
     }},
    // r -> a -> b -> a: b meets its grey ancestor a and passes it by.
    {"CycleMeetsItsGreyAncestor", "p cnf 3 3\n-1 2 0\n-2 3 0\n-3 2 0\n", 1, true, {1, 2, 3}, {}, {}, {}, 0, 0, false,
     false, [] {},
     [] {
       for (int32_t l : {1, 2, 3}) EXPECT_EQ(colour(l), 2) << l;
     }},
    // r -> x -> l -> x, l -> m, (-l v -m v x): l derives x, which it already
    // implies (x is grey above it); the resolvent is not new and not counted.
    {"ResolventAlreadyPresentIsNotCounted", "p cnf 4 5\n-1 2 0\n-2 3 0\n-3 2 0\n-3 4 0\n-3 -4 2 0\n", 1, true,
     {1, 2, 3, 4}, {}, {}, {}, 0, 0, false},
    // l -> m, (-l v -m v x), (-l v -m v y), x -> -y: y is queued, then made
    // false through x before its turn comes.
    {"QueuedLiteralFoundFalse", "p cnf 4 4\n-1 2 0\n-1 -2 3 0\n-1 -2 4 0\n-4 -3 0\n", 1, false, {},
     {{-1, 3}, {-1, -4}}, {}, {-1}, 2, 0, true, false, [] {}, [] { EXPECT_EQ(colour(1), 1); }},
    // (x v y v w), w universal between l and x, y: l -> -x, and l -> m with
    // (-l v -m v -y) derives -y, which leaves the clause only w, reduced away.
    // A count that falls to 0 while the derived literals are propagated is a
    // conflict.
    {"ClauseEmptiedWhilePropagatingDerivedLiterals",
     "p cnf 5 4\ne 1 2 0\na 3 0\ne 4 5 0\n-1 2 0\n-1 -4 0\n-1 -2 -5 0\n4 5 3 0\n", 1, false, {}, {{-1, -5}}, {},
     {-1}, 1, 0, true},
    // l -> -e1, l -> -e2, (e1 v e2 v u v e3) with u deeper than e2, e3: the
    // first false literal reduces u, the second must not reduce it again, and
    // the unit is e3, not u.
    {"UniversalSubtractedOnceAndNeverTheUnit",
     "p cnf 5 3\ne 1 3 4 0\na 5 0\ne 2 0\n-1 -2 0\n-1 -3 0\n2 3 5 4 0\n", 1, true, {1, -2, -3, 4}, {{-1, 4}}, {}, {},
     1, 0, true, false, [] { ASSERT_EQ(clauseLits(0), lits({2, 3, 5, 4})); }},
    // l -> a, (-l v -a v e v u) with u deeper than e and a deeper than u
    // (so the reader keeps u): with S = {l, a} the clause keeps e alone once
    // u is reduced, so e is derived. Its two false literals out of four do
    // not show that; the reducible universal does.
    {"ReducibleUniversalLeavesAUnitAfterTwoFalses", "p cnf 4 2\ne 1 3 0\na 4 0\ne 2 0\n-1 2 0\n-1 -2 3 4 0\n", 1,
     true, {1, 2, 3}, {{-1, 3}}, {}, {}, 1, 0, true},
    // A clause that left the n-ary store while one of its literals still
    // lists it: making that literal true in the probe must not bring the
    // clause back when the probe is undone.
    {"InactiveClauseOfAnImplicantStaysInactive", "p cnf 4 2\n-1 2 0\n2 3 4 0\n", 1, true, {1, 2}, {}, {}, {}, 0, 0,
     false, false, [] { PRENCLS[0].active = false; }, [] { EXPECT_FALSE(PRENCLS[0].active); }},
    // A child that is assigned (a stale entry) is passed by: not probed, not
    // an implicant, its entry kept.
    {"AssignedChildIsPassedBy", "p cnf 4 3\n-1 2 0\n-1 3 0\n-3 4 0\n", 1, true, {1, 2}, {}, {}, {}, 0, 0, false,
     false, [] { setTrue(lit(3)); },
     [] {
       EXPECT_EQ(colour(3), 0);
       EXPECT_EQ(colour(4), 0);
       EXPECT_EQ(sortedCopy(implicationsOf(lit(1))), sortedCopy(lits({2, 3})));
     }},
    // The same for a child that has another representative.
    {"SubstitutedChildIsPassedBy", "p cnf 4 3\n-1 2 0\n-1 3 0\n-3 4 0\n", 1, true, {1, 2}, {}, {}, {}, 0, 0, false,
     false, [] { represent(lit(3), lit(4)); },
     [] {
       EXPECT_EQ(colour(3), 0);
       EXPECT_EQ(colour(4), 0);
     }},
};

class Probe : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(Probe, Outcome) {
  const ProbeCase& k = GetParam();
  ASSERT_TRUE(readText(k.formula));
  if (k.units) {
    buildAndPropagateUnits();
  } else {
    createStore();
    loadBinaryClauses();
  }
  ASSERT_FALSE(CONTRADICTION);
  k.before();
  if (::testing::Test::HasFatalFailure()) return;
  ProbeEnv env;
  foundNewBcls = false;
  const BinaryClauses bin0 = binaryClauses();
  const Counters c0 = Counters::now();
  const TentativeState s0 = TentativeState::now();

  CaptureStdout out;
  const bool r = HypRes(&PRELITS[lit(k.probe)], &env.S);
  EXPECT_EQ(out.text(), "");

  EXPECT_EQ(r, k.result);
  EXPECT_EQ(pass.topUndoStack, -1);
  EXPECT_EQ(pass.sets.out, 0);
  EXPECT_EQ(pass.lists.out, 0);
  EXPECT_TRUE(TentativeState::now() == s0) << "the probe left a tentative change behind";
  const BinaryClauses bin1 = binaryClauses();
  EXPECT_TRUE(bin1.unmatched.empty()) << "a binary clause is left in one half only";
  EXPECT_EQ(minus(bin1.clauses, bin0.clauses), asClauses(k.added));
  EXPECT_EQ(minus(bin0.clauses, bin1.clauses), asClauses(k.removed));
  EXPECT_EQ(numAddBcls - c0.addBcls, k.addBcls);
  EXPECT_EQ(numSatBcls - c0.satBcls, k.satBcls);
  EXPECT_EQ(numSatCls - c0.satCls, k.satBcls);
  EXPECT_EQ(numValuedLits, c0.valuedLits);
  EXPECT_EQ(foundNewBcls, k.newBcls);
  EXPECT_EQ(queued(UPstack), lits(k.queued));
  EXPECT_FALSE(CONTRADICTION);
  if (k.result) {
    EXPECT_EQ(env.members(), sortedCopy(lits(k.implicants)));
    EXPECT_EQ(colour(k.probe), 2);
  } else {
    EXPECT_EQ(colour(k.probe), 1);
  }
  k.after();
}

INSTANTIATE_TEST_SUITE_P(HypRes, Probe, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- entry of a probe --------------------------------------------------------

TEST(HypResEntry, BlackLiteralContributesItsReachableLiterals) {
  buildText("p cnf 4 3\n-1 2 0\n-2 3 0\n-3 4 0\n");
  ProbeEnv env;
  ASSERT_TRUE(HypRes(&PRELITS[lit(2)], &env.S));
  EXPECT_EQ(env.members(), sortedCopy(lits({2, 3, 4})));
  usEmpty(&env.S);
  const int32_t added = numAddBcls;
  CaptureStdout out;
  // Probed again: a plain search, no second probe.
  EXPECT_TRUE(HypRes(&PRELITS[lit(2)], &env.S));
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(env.members(), sortedCopy(lits({2, 3, 4})));
  EXPECT_EQ(numAddBcls, added);
}

TEST(HypResEntry, GreyLiteralIsReportedAndLeftAlone) {
  buildText("p cnf 2 1\n-1 2 0\n");
  ProbeEnv env;
  PRELITS[lit(1)].dfsColour = 1;
  CaptureStdout out;
  EXPECT_TRUE(HypRes(&PRELITS[lit(1)], &env.S));
  EXPECT_EQ(out.text(), "ERROR: HypRes got called on 1, a grey literal!\n");
  EXPECT_EQ(env.S.count, 0);
  EXPECT_EQ(colour(2), 0);
}

// The plain search adds what it reaches, entering no member, no grey
// literal and no literal that is assigned or substituted.
TEST(HypResDFS, EntersOnlyActiveNonGreyLiterals) {
  // 1 -> 2, 3, 4, 5; 2 -> 6; 3 -> 7; 4 -> 8; 5 -> 9.
  buildText("p cnf 9 8\n-1 2 0\n-1 3 0\n-1 4 0\n-1 5 0\n-2 6 0\n-3 7 0\n-4 8 0\n-5 9 0\n");
  ProbeEnv env;
  setTrue(lit(3));                 // assigned
  represent(lit(4), lit(9));       // substituted
  PRELITS[lit(5)].dfsColour = 1;   // grey
  usAdd(&env.S, lit(6));           // already a member: its own list is not walked again
  buildSearchLits();               // the search reads its copy of the records
  HypResDFS(lit(1), &env.S);
  EXPECT_EQ(env.members(), sortedCopy(lits({1, 2, 6})));
  // The grey test covers the start literal's successors only; the start
  // itself is added whatever its colour.
  usEmpty(&env.S);
  HypResDFS(lit(5), &env.S);
  EXPECT_EQ(env.members(), sortedCopy(lits({5, 9})));
}

// A deep chain of black literals: the plain search walks it without recursion.
TEST(HypResDFS, WalksALongChain) {
  const int n = 50000;
  std::string text = "p cnf " + std::to_string(n) + " " + std::to_string(n - 1) + "\n";
  for (int i = 1; i < n; i++) text += std::to_string(-i) + " " + std::to_string(i + 1) + " 0\n";
  buildText(text);
  ProbeEnv env;
  HypResDFS(lit(1), &env.S);
  EXPECT_EQ(env.S.count, n);
  EXPECT_TRUE(usContains(&env.S, lit(n)));
}

}  // namespace

namespace {

// Two finished children whose closures overlap: the second one's search
// meets members of S that the first one's search put there, and S ends up
// with what a full search of each child would give, in the same order
// (each child's literals taken last found first).
TEST(HypRes, FinishedChildrenWithOverlappingClosures) {
  // 1 -> 3, 1 -> 2; 3 -> 6 -> 5, 3 -> 4 -> 5; 2 -> 4.
  buildText("p cnf 6 7\n-1 2 0\n-1 3 0\n-2 4 0\n-4 5 0\n-3 4 0\n-3 6 0\n-6 5 0\n");
  ProbeEnv env;
  ASSERT_EQ(implicationsOf(lit(1)), lits({3, 2}));
  ASSERT_EQ(implicationsOf(lit(3)), lits({6, 4}));
  for (int32_t l : {2, 3, 4, 5, 6}) PRELITS[lit(l)].dfsColour = 2;
  ASSERT_TRUE(HypRes(&PRELITS[lit(1)], &env.S));
  // 3's search finds 3, 6, 5, 4; 2's finds 2 and then 4 and 5, which S has.
  EXPECT_EQ(V(env.S.items, env.S.items + env.S.count), lits({1, 4, 5, 6, 3, 2}));
  // A second probe in the same set finds everything there already.
  PRELITS[lit(1)].dfsColour = 2;
  HypRes(&PRELITS[lit(1)], &env.S);
  EXPECT_EQ(env.S.count, 6);
}

// A finished child merged into a set that holds more than the probed
// literal: its new literals come last added first, whether or not the search
// passes through members of S that are not closed in it.
TEST(HypRes, FinishedChildAfterAnOpenChildSet) {
  // 1 -> 2, 1 -> 3; 2 -> 4, and (-2 -4 5) derives 5 in 2's probe; 3 -> 4, 3 -> 6.
  buildText("p cnf 6 6\n-1 3 0\n-1 2 0\n-2 4 0\n-2 -4 5 0\n-3 6 0\n-3 4 0\n");
  ProbeEnv env;
  ASSERT_EQ(implicationsOf(lit(1)), lits({2, 3}));
  ASSERT_EQ(implicationsOf(lit(3)), lits({4, 6}));
  for (int32_t l : {3, 4, 6}) PRELITS[lit(l)].dfsColour = 2;
  ASSERT_TRUE(HypRes(&PRELITS[lit(1)], &env.S));
  // 2's probe adds the resolvent (-2 v 5), so S's members are not closed and
  // 3's search enters 4 again: S has it, and only 6 and 3 are new.
  EXPECT_EQ(V(env.S.items, env.S.items + env.S.count), lits({1, 5, 4, 2, 6, 3}));
}

// A finished child whose closure holds the negation of a member: the probe
// fails, and its set holds what the merge added before the clash.
TEST(HypRes, FinishedChildClashesWithTheSet) {
  // 1 -> 2, 1 -> 3, 1 -> -3; 2 -> 5, 2 -> 4; 3 -> -1, 3 -> 6.
  buildText("p cnf 6 6\n-3 6 0\n-3 -1 0\n-1 3 0\n-1 2 0\n-2 4 0\n-2 5 0\n");
  ProbeEnv env;
  ASSERT_EQ(implicationsOf(lit(1)), lits({2, 3, -3}));
  ASSERT_EQ(implicationsOf(lit(2)), lits({5, 4}));
  ASSERT_EQ(implicationsOf(lit(3)), lits({-1, 6}));
  for (int32_t l : {3, -1, 6}) PRELITS[lit(l)].dfsColour = 2;
  EXPECT_FALSE(HypRes(&PRELITS[lit(1)], &env.S));
  EXPECT_EQ(queued(UPstack), lits({-1}));
  // The merge runs through 3's findings 3, -1, 6 last first: 6 goes in, -1 clashes.
  EXPECT_EQ(V(env.S.items, env.S.items + env.S.count), lits({1, 4, 5, 2, 6}));
}

}  // namespace

TEST(HypRes, UndoGivesAssignedLiteralsTheirValuesBack) {
  // The probe's sweeps expect unassigned literals; one that is assigned all
  // the same (here the probed literal itself, assigned behind the probe's
  // back) must get its value back, whether the probe ends normally or on a
  // conflict part way through its second sweep.
  struct Case {
    const char* formula;
    bool result;
  } cases[] = {
      // 1 -> 2, (-1 v -2 v 3): 3 follows.
      {"p cnf 3 2\n-1 2 0\n-1 -2 3 0\n", true},
      // 1 -> 2, 1 -> 3, 1 -> 5: (-1 v -2 v -3) empties before -5 is made false.
      {"p cnf 5 5\n-1 2 0\n-1 3 0\n-1 5 0\n-1 -2 -3 0\n-3 4 -2 0\n", false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.formula);
    buildText(k.formula);
    ProbeEnv env;
    PRELITS[lit(1)].tval = T;
    PRELITS[lit(-1)].tval = F;
    const TentativeState before = TentativeState::now();
    EXPECT_EQ(HypRes(&PRELITS[lit(1)], &env.S), k.result);
    EXPECT_TRUE(TentativeState::now() == before);
    EXPECT_EQ(PRELITS[lit(1)].tval, T);
    EXPECT_EQ(PRELITS[lit(-1)].tval, F);
    EXPECT_EQ(pass.topUndoStack, -1);
  }
}

TEST(HypRes, PruningThroughAFinishedDerivedLiteral) {
  // 1 -> 2 -> 3, (-1 v -2 v 4), 4 -> 3, 4 -> 5. Probing 1 (2 to 5 finished
  // before): S is 1, 3, 2; phase 2 derives 4 and, through 4 -> 5, 5. The
  // search from 4 in phase 3 meets 3, whose closure S holds, and still
  // finds 5: the resolvent (-1 v 5) is dropped, (-1 v 4) stays.
  buildText("p cnf 5 5\n-1 2 0\n-2 3 0\n-1 -2 4 0\n-4 3 0\n-4 5 0\n");
  ProbeEnv env;
  for (int32_t l : {2, 3, 4, 5}) PRELITS[lit(l)].dfsColour = 2;
  const Counters c0 = Counters::now();
  ASSERT_TRUE(HypRes(&PRELITS[lit(1)], &env.S));
  EXPECT_EQ(V(env.S.items, env.S.items + env.S.count), lits({1, 3, 2, 4, 5}));
  EXPECT_EQ(implicationsOf(lit(1)), lits({2, 4}));
  EXPECT_EQ(implicationsOf(lit(-5)), lits({-4}));
  EXPECT_EQ(numAddBcls - c0.addBcls, 2);
  EXPECT_EQ(numSatBcls - c0.satBcls, 1);
}

// Phase 3 searches from finished derived literals; a search that ran to its
// end leaves what it found free of targets for the searches after it, unless
// it met an edge back to its start. Probing 1 (1 -> 2, with 3 to 6 finished
// before) derives 3, 5 and 4 (and 6 in the first case) through
// (-1 v -2 v 3) and (-1 v -2 v 4); the search from 3 finds 5.
TEST(HypRes, PhaseThreeSearchesAfterAnExhaustiveOne) {
  struct Case {
    const char* name;
    const char* formula;
    V derived;    // what phase 2 derives, in order
    V remaining;  // 1's implications afterwards, sorted
    int32_t removed;
  } cases[] = {
      // 3 -> 5, 4 -> 5, 4 -> 6: the search from 4 may pass 5 by and still
      // finds 6, whose resolvent goes.
      {"FreeOfTargets", "p cnf 6 6\n-1 2 0\n-1 -2 3 0\n-1 -2 4 0\n-3 5 0\n-4 5 0\n-4 6 0\n", {3, 5, 4, 6},
       {2, 3, 4}, 2},
      // 3 -> 5 -> 3, 4 -> 5: 5 leads back to 3, which stays a target for the
      // search from 4; passing 5 by would keep (-1 v 3).
      {"EdgeBackToTheStart", "p cnf 5 6\n-1 2 0\n-1 -2 3 0\n-1 -2 4 0\n-3 5 0\n-5 3 0\n-4 5 0\n", {3, 5, 4}, {2, 4},
       2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    buildText(k.formula);
    ProbeEnv env;
    for (int32_t l = 3; l <= int32_t(k.derived.size()) + 2; l++) PRELITS[lit(l)].dfsColour = 2;
    const Counters c0 = Counters::now();
    ASSERT_TRUE(HypRes(&PRELITS[lit(1)], &env.S));
    V expectSet = lits({1, 2});
    for (int32_t d : lits(k.derived)) expectSet.push_back(d);
    EXPECT_EQ(V(env.S.items, env.S.items + env.S.count), expectSet);
    EXPECT_EQ(sortedCopy(implicationsOf(lit(1))), sortedCopy(lits(k.remaining)));
    EXPECT_EQ(numAddBcls - c0.addBcls, int32_t(k.derived.size()));
    EXPECT_EQ(numSatBcls - c0.satBcls, k.removed);
  }
}

// A child whose phase 2 left its set closed lets its parent skip phase 2 when
// the parent's own clauses keep two counted literals. Each case below has a
// parent whose phase 2 must run, because it derives a literal that a check
// too eager to skip would miss (the debug build runs phase 2 all the same and
// asserts that a skip it would have made derives nothing); and one where it
// may skip. The probed literal 1 has children 2 (whose chain makes up most of
// 1's set, so that the check is tried) and, in one case, 6.
TEST(HypRes, PhaseTwoOverAClosedChildSet) {
  struct Case {
    const char* name;
    const char* formula;
    V implications;  // of 1 afterwards
  } cases[] = {
      // (-1 v 4 v 5 v 7) with 7 false through 2: 5, universal and deeper than
      // 4, is reduced once 7 is false, so 4 follows from 1.
      {"UniversalReducedInAClauseOfTheProbe",
       "p cnf 7 4\ne 1 2 3 4 0\na 5 0\ne 7 0\n-1 2 0\n-2 3 0\n-2 -7 0\n-1 4 5 7 0\n", {2, 4}},
      // The same with 5 outside the probe's reach (quantified before 1): it
      // stays counted, and nothing follows.
      {"UniversalOuterThanTheProbeStaysCounted",
       "p cnf 7 4\ne 4 0\na 5 0\ne 1 2 3 7 0\n-1 2 0\n-2 3 0\n-2 -7 0\n-1 4 5 7 0\n", {2}},
      // 2 is deeper than 1: its probe did not reduce 5 in (-2 v 4 v 5), 1's
      // does, so 2's set is no base for 1 and 4 follows.
      {"ChildDeeperThanTheProbe", "p cnf 6 4\ne 1 4 0\na 5 0\ne 2 3 6 0\n-1 2 0\n-2 3 0\n-3 6 0\n-2 4 5 0\n",
       {2, 4}},
      // 1 -> 6 -> -5, 6 -> -8 with 5 universal at 1's level or deeper: in
      // (4 v 7 v 5 v 8), 8 false first lets 5 be reduced, and 5 made false
      // afterwards counts again, so 4 follows; a count that sees 4 and 7 open
      // would have skipped.
      {"UniversalMemberCountedTwice",
       "p cnf 18 16\ne 1 2 3 4 7 9 10 11 12 13 14 15 16 17 18 0\na 5 0\ne 6 8 0\n-1 2 0\n-2 3 0\n-3 9 0\n-9 10 0\n"
       "-10 11 0\n-11 12 0\n-12 13 0\n-13 14 0\n-14 15 0\n-15 16 0\n-16 17 0\n-17 18 0\n-1 6 0\n-6 -8 0\n-6 -5 0\n"
       "4 7 5 8 0\n",
       {6, 2, 4}},
      // 1's n-ary clause is left with 4 alone: 4 follows.
      {"ClauseOfTheProbeLeftWithOneLiteral", "p cnf 5 4\n-1 2 0\n-2 3 0\n-3 5 0\n-1 -3 4 0\n", {2, 4}},
      // 1's only n-ary clause keeps 4 and 5 open: nothing follows.
      {"ClauseOfTheProbeKeepsTwoLiterals", "p cnf 6 4\n-1 2 0\n-2 3 0\n-3 6 0\n-1 -3 4 5 0\n", {2}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    buildText(k.formula);
    ProbeEnv env;
    ASSERT_TRUE(HypRes(&PRELITS[lit(1)], &env.S));
    EXPECT_EQ(implicationsOf(lit(1)), lits(k.implications));
    EXPECT_EQ(pass.topUndoStack, -1);
  }
}

// When the parent's own clauses do derive something, phase 2 looks at the
// clauses of the extras' negations alone (here 1, the probed literal), leaves
// the base's values implicit, and must still queue what it derives in the
// order the full sweeps would, and count the base's literals in a clause the
// propagation reaches later. (The debug build checks each such phase 2
// against the full one.) 1 -> 19, 1 -> 2 and a chain from 2 through 3, 7,
// ..., 18 make up 1's set, with 1 and 19 as the extras; (4 v 5 v 6) only
// brings those variables in.
TEST(HypRes, PhaseTwoOverTheExtrasOnly) {
  const std::string chain =
      "-1 2 0\n-1 19 0\n-2 3 0\n-3 7 0\n-7 8 0\n-8 9 0\n-9 10 0\n-10 11 0\n-11 12 0\n-12 13 0\n-13 14 0\n"
      "-14 15 0\n-15 16 0\n-16 17 0\n-17 18 0\n4 5 6 0\n";
  struct Case {
    const char* name;
    std::string clauses;
    bool fails;
    V implications;  // of 1 afterwards
  } cases[] = {
      // The units of two clauses, queued as the sweeps reach the last false
      // literal of each (3 comes before 17 in 1's set), are derived last
      // queued first; the order of the clauses in the file does not matter.
      {"UnitsInTheOrderOfTheirLastFalseLiteral", "-1 -3 4 0\n-1 -17 5 0\n", false, {19, 2, 5, 4}},
      {"UnitsInTheOrderOfTheirLastFalseLiteralSwapped", "-1 -17 5 0\n-1 -3 4 0\n", false, {19, 2, 5, 4}},
      // Two clauses whose last false literal is the same: in the order of
      // the occurrence list of its negation.
      {"UnitsOfOneLastFalseLiteral", "-1 -3 4 0\n-1 -3 5 0\n", false, {19, 2, 4, 5}},
      {"UnitsOfOneLastFalseLiteralSwapped", "-1 -3 5 0\n-1 -3 4 0\n", false, {19, 2, 5, 4}},
      // The same with the clauses found through different extras.
      {"UnitsOfOneLastFalseLiteralFoundThroughTwoExtras", "-19 -3 4 0\n-1 -3 5 0\n", false, {19, 2, 4, 5}},
      {"UnitsOfOneLastFalseLiteralFoundThroughTwoExtrasSwapped", "-1 -3 5 0\n-19 -3 4 0\n", false, {19, 2, 5, 4}},
      // 4 follows; (-4 v -12 v 6), which the sweeps shortened for 12, is
      // left with 6 once 4 is made true.
      {"LaterClauseCountsTheBase", "-1 -3 4 0\n-4 -12 6 0\n", false, {19, 2, 4, 6}},
      // 5 follows (queued last), then -4 from (-4 v -12 v -5), which the
      // sweeps shortened for 12; that leaves nothing of (-1 v -3 v 4): 1
      // fails, and the resolvents made before stay.
      {"ConflictInThePropagation", "-1 -3 4 0\n-4 -12 -5 0\n-1 -17 5 0\n", true, {19, 2, 5, -4}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const std::string clauses = chain + k.clauses;
    const int32_t count = int32_t(std::count(clauses.begin(), clauses.end(), '\n'));
    buildText("p cnf 19 " + std::to_string(count) + "\n" + clauses);
    ProbeEnv env;
    EXPECT_EQ(HypRes(&PRELITS[lit(1)], &env.S), !k.fails);
    EXPECT_EQ(implicationsOf(lit(1)), lits(k.implications));
    EXPECT_EQ(pass.topUndoStack, -1);
    EXPECT_EQ(PRELITS[lit(4)].tval, U);
  }
}

// Phase 3 removes pruned resolvents where the probe appended them, and each
// removal moves the last entry of the list into the hole: the lists must
// come out as removing the first occurrence of each would leave them. 1 -> 2
// and (-1 v -2 v k) for k = 3..10 derive 3 to 10; 5, 7 and 8 imply five of
// the others, so five of the eight resolvents go, two of them after the
// entry that filled their hole moved. (The debug build also checks each
// removal against a search of the list.)
TEST(HypRes, PruningRemovesResolventsWhereTheyStand) {
  buildText(
      "p cnf 10 14\n-1 2 0\n-1 -2 3 0\n-1 -2 4 0\n-1 -2 5 0\n-1 -2 6 0\n-1 -2 7 0\n-1 -2 8 0\n-1 -2 9 0\n"
      "-1 -2 10 0\n-5 3 0\n-5 10 0\n-7 4 0\n-7 9 0\n-8 6 0\n");
  ProbeEnv env;
  const Counters c0 = Counters::now();
  ASSERT_TRUE(HypRes(&PRELITS[lit(1)], &env.S));
  EXPECT_EQ(implicationsOf(lit(1)), lits({2, 7, 8, 5}));
  for (int32_t w : {5, 7, 8}) EXPECT_EQ(implicationsOf(lit(-w)), lits({-1})) << w;
  for (int32_t w : {3, 4, 6, 9, 10}) {
    const V list = implicationsOf(lit(-w));
    EXPECT_EQ(std::count(list.begin(), list.end(), lit(-1)), 0) << w;
  }
  EXPECT_EQ(numAddBcls - c0.addBcls, 8);
  EXPECT_EQ(numSatBcls - c0.satBcls, 5);
  EXPECT_TRUE(binaryClauses().unmatched.empty());
}

// Phase 2 passes over the scan of a derived literal whose list, with the
// literal added, holds what an earlier scanned list with its own literal
// held: everything in it is queued or true already. 1 -> 2 and
// (-1 v -2 v 3) derive 3; 3, 4 and 5 imply one another and each of the
// common literals 6..75; 5 implies 76 in place of 6, so its list is as long
// as the others but not alike, and its scan must queue 76. (The debug build
// checks every list passed over against the queue.)
TEST(HypRes, PhaseTwoPassesOverAListAlikeOneScanned) {
  std::string text;
  int32_t clauses = 2;
  text += "-1 2 0\n-1 -2 3 0\n";
  for (int32_t x : {3, 4, 5}) {
    for (int32_t y : {3, 4, 5})
      if (y != x) text += "-" + std::to_string(x) + " " + std::to_string(y) + " 0\n", clauses++;
    for (int32_t c = 6; c <= 75; c++) {
      const int32_t to = x == 5 && c == 6 ? 76 : c;
      text += "-" + std::to_string(x) + " " + std::to_string(to) + " 0\n", clauses++;
    }
  }
  buildText("p cnf 76 " + std::to_string(clauses) + "\n" + text);
  ProbeEnv env;
  const Counters c0 = Counters::now();
  ASSERT_TRUE(HypRes(&PRELITS[lit(1)], &env.S));
  // Derived: 3, 4, 5, 6..76, each with a resolvent; phase 3 drops all but
  // (-1 v 3), since 3 reaches the rest.
  for (int32_t d = 3; d <= 76; d++) EXPECT_TRUE(usContains(&env.S, lit(d))) << d;
  EXPECT_EQ(implicationsOf(lit(1)), lits({2, 3}));
  EXPECT_EQ(numAddBcls - c0.addBcls, 74);
  EXPECT_TRUE(binaryClauses().unmatched.empty());
  EXPECT_EQ(pass.topUndoStack, -1);
}
