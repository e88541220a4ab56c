// The trail of a probe and the tentative universal reduction: every
// tentative change is recorded and withdrawn in reverse order, satisfied
// clauses are marked until the undo without touching their records, a truth
// value goes back to what it was, and a universal literal is subtracted from
// a clause's count once per probe.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "driver/reset.h"
#include "hyperres/passstate.h"
#include "hyperres/probe_env.h"
#include "hyperres/trail.h"
#include "store/build.h"
#include "store/checks.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

namespace {

struct Entry {
  int32_t kind, ref, old;
  bool operator==(const Entry& o) const { return kind == o.kind && ref == o.ref && old == o.old; }
};
std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "{" << e.kind << ", " << e.ref << ", " << e.old << "}";
}

std::vector<Entry> trail() {
  std::vector<Entry> v;
  for (int32_t k = 0; k <= pass.topUndoStack; k++) v.push_back({pass.undoStack[k].kind, pass.undoStack[k].ref, pass.undoStack[k].old});
  return v;
}

// The old-value field only matters for kinds 0 and 4.
std::vector<Entry> trailKindsAndRefs() {
  std::vector<Entry> v = trail();
  for (Entry& e : v)
    if (e.kind != 0 && e.kind != 4) e.old = 0;
  return v;
}

TEST(Trail, UndoOfAnEmptyTrailChangesNothing) {
  buildText("p cnf 4 2\n1 2 3 0\n-1 4 0\n");
  ProbeEnv env;
  const TentativeState before = TentativeState::now();
  UndoChanges();
  EXPECT_EQ(pass.topUndoStack, -1);
  EXPECT_TRUE(TentativeState::now() == before);
}

TEST(Trail, StartsAtTwentyEntriesPerLiteralWithinBounds) {
  struct Row {
    int32_t nlits, size;
  } rows[] = {{2, 1024}, {50, 1024}, {52, 1040}, {1000, 20000}, {52428, 1048560}, {52429, 1 << 20}, {400000, 1 << 20}};
  for (const Row& r : rows) {
    resetAllState();
    NLITS = r.nlits;
    createUndoStack();
    EXPECT_EQ(pass.sizeUndoStack, r.size) << "NLITS " << r.nlits;
    EXPECT_EQ(pass.topUndoStack, -1);
    releaseUndoStack();
    EXPECT_EQ(pass.undoStack, nullptr);
  }
  resetAllState();
}

TEST(Trail, ClauseSatisfiedByTwoQueuedLiteralsIsMarkedUntilTheUndo) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  ProbeEnv env;
  ASSERT_TRUE(pushUnitPropStack(lit(1)));
  ASSERT_TRUE(pushUnitPropStack(lit(2)));
  EXPECT_FALSE(probeActive(0));
  EXPECT_TRUE(PRENCLS[0].active);  // the mark, not the record
  EXPECT_EQ(trailKindsAndRefs(), (std::vector<Entry>{{3, lit(1), 0}, {3, lit(2), 0}}));
  EXPECT_EQ(pass.topUnitPropStack, 1);
  EXPECT_EQ(V(pass.unitPropStack, pass.unitPropStack + 2), (V{lit(1), lit(2)}));
  // Queued once: a second push changes nothing.
  ASSERT_TRUE(pushUnitPropStack(lit(1)));
  EXPECT_EQ(pass.topUnitPropStack, 1);
  UndoChanges();
  EXPECT_TRUE(probeActive(0));
  EXPECT_FALSE(PRELITS[lit(1)].onUnitPropStack);
  EXPECT_FALSE(PRELITS[lit(2)].onUnitPropStack);
}

TEST(Trail, MarksLapseWhenTheirNumberWraps) {
  // A mark left from the first phase of the pass must not count again when
  // the phase number comes round to it.
  buildText("p cnf 4 2\n1 2 3 0\n-1 2 4 0\n");
  ProbeEnv env;
  markSatisfied(0);
  UndoChanges();
  pass.sweptOff.skipTo(UINT32_MAX);
  markSatisfied(1);
  EXPECT_FALSE(probeActive(1));
  UndoChanges();
  EXPECT_EQ(pass.sweptOff.last(), 1u);
  EXPECT_TRUE(probeActive(0));
  EXPECT_TRUE(probeActive(1));
}

TEST(Trail, ClauseInactiveBeforeTheProbeStaysInactive) {
  // A clause that left the n-ary store is still listed by some of its
  // literals; queuing them must not bring it back after the undo.
  buildText("p cnf 3 1\n1 2 3 0\n");
  ProbeEnv env;
  PRENCLS[0].active = false;
  ASSERT_TRUE(pushUnitPropStack(lit(1)));
  EXPECT_EQ(trailKindsAndRefs(), (std::vector<Entry>{{3, lit(1), 0}}));
  UndoChanges();
  EXPECT_FALSE(PRENCLS[0].active);
  EXPECT_FALSE(probeActive(0));
}

TEST(Trail, QueuingByTruthValue) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  ProbeEnv env;
  setTrue(lit(1));
  setTrue(lit(-2));
  EXPECT_TRUE(pushUnitPropStack(lit(1)));  // true already: nothing to do
  EXPECT_FALSE(pushUnitPropStack(lit(2)));  // false: a conflict
  EXPECT_EQ(pass.topUnitPropStack, -1);
  EXPECT_EQ(pass.topUndoStack, -1);
  EXPECT_TRUE(probeActive(0));
  EXPECT_TRUE(pushUnitPropStack(lit(3)));
  EXPECT_EQ(pass.topUnitPropStack, 0);
  EXPECT_FALSE(probeActive(0));
  // Queued, then made false: queuing again does not see the conflict (the
  // probe finds it when it takes the literal); undo clears the flag.
  setTentative(lit(3), F);
  EXPECT_TRUE(pushUnitPropStack(lit(3)));
  UndoChanges();
  EXPECT_FALSE(PRELITS[lit(3)].onUnitPropStack);
  EXPECT_EQ(PRELITS[lit(3)].tval, U);
  EXPECT_TRUE(probeActive(0));
}

TEST(Trail, IllegalTruthValueIsReportedAndQueuesNothing) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  ProbeEnv env;
  PRELITS[lit(2)].tval = 7;
  CaptureStdout out;
  EXPECT_TRUE(pushUnitPropStack(lit(2)));
  EXPECT_EQ(out.text(), "ERROR: Illegal value for tval for literal 2.\n");
  EXPECT_EQ(pass.topUnitPropStack, -1);
  PRELITS[lit(2)].tval = U;
}

TEST(Trail, UndoRestoresThePreviousTruthValue) {
  // A literal assigned at top level that a probe overwrites gets its
  // permanent value back, not "unassigned".
  buildText("p cnf 2 1\n1 2 0\n");
  ProbeEnv env;
  setTrue(lit(1));
  setTentative(lit(1), F);
  setTentative(lit(-1), T);
  setTentative(lit(2), T);
  EXPECT_EQ(trail(), (std::vector<Entry>{{0, lit(1), T}, {0, lit(-1), F}, {0, lit(2), U}}));
  UndoChanges();
  EXPECT_EQ(PRELITS[lit(1)].tval, T);
  EXPECT_EQ(PRELITS[lit(-1)].tval, F);
  EXPECT_EQ(PRELITS[lit(2)].tval, U);
}

TEST(Trail, GrowthFromNToFourNKeepsEveryEntryAndUndoesInReverse) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  ProbeEnv env;
  const int32_t n = pass.sizeUndoStack;
  ASSERT_EQ(n, 1024);
  std::vector<Entry> expected;
  // The first entry must survive the copy: it is the only one on literal 3.
  setTentative(lit(3), T);
  expected.push_back({0, lit(3), U});
  // Then many changes of literal 1: only undoing them last-first brings
  // it back to unassigned.
  int32_t value = U;
  for (int32_t k = 0; int32_t(expected.size()) < n + 100; k++) {
    if (k % 3 == 2) {
      shortenTentative(0);
      expected.push_back({1, 0, 0});
    } else {
      int32_t next = value == T ? F : T;
      setTentative(lit(1), next);
      expected.push_back({0, lit(1), value});
      value = next;
    }
  }
  EXPECT_EQ(pass.sizeUndoStack, 4 * n);
  EXPECT_EQ(trailKindsAndRefs(), expected);
  UndoChanges();
  EXPECT_EQ(pass.topUndoStack, -1);
  EXPECT_EQ(PRELITS[lit(1)].tval, U);
  EXPECT_EQ(PRELITS[lit(3)].tval, U);
  EXPECT_EQ(PRENCLS[0].curLen, 3);
  EXPECT_EQ(pass.sizeUndoStack, 4 * n);  // the trail does not shrink
}

// --- tentative universal reduction -----------------------------------------

struct ReducCase {
  const char* name;
  const char* formula;
  V clause;        // the clause (DIMACS literals, in the order stored)
  int32_t level;   // prefix level of the probed literal
  V falsified;     // literals made false one after the other
  V counts;        // curLen after each of them
  int32_t unit;    // the unit when the count ends at 1 or 0 (DIMACS literal), 0 for none
  const char* duplicate = nullptr;  // "k:l": overwrite position k with literal l before the pass
};
void PrintTo(const ReducCase& c, std::ostream* os) { *os << c.name; }

const ReducCase kReduc[] = {
    // Only universal literals left (maxE = -1): all of them at or below the level go.
    {"OnlyUniversalsLeftAllReduced", "p cnf 3 1\na 1 2 0\ne 3 0\n1 2 3 0\n", {1, 2, 3}, 0, {3}, {0}, 0},
    {"OnlyUniversalsLeftAboveTheLevelStay", "p cnf 3 1\na 1 2 0\ne 3 0\n1 2 3 0\n", {1, 2, 3}, 1, {3}, {2}, 0},
    {"OnlyUniversalsLeftMixedLevels", "p cnf 4 1\na 1 0\ne 4 0\na 2 0\ne 3 0\n1 2 3 4 0\n", {1, 2, 3, 4}, 0, {3, 4},
     {2, 0}, 0},
    // u1 is outside the probe's level: it stays and is the clause's unit.
    {"OuterUniversalIsKept", "p cnf 4 1\na 1 0\ne 4 0\na 2 0\ne 3 0\n1 2 3 4 0\n", {1, 2, 3, 4}, 1, {3, 4}, {2, 1},
     1},
    // (e1 v e2 v e3 v u), u deeper than e2 and e3: e1 false brings 4 to 3, reducing u to 2.
    {"DeepUniversalGoesWithTheDeepestExistential", "p cnf 4 1\ne 2 3 0\na 4 0\ne 1 0\n1 2 3 4 0\n", {1, 2, 3, 4}, 0,
     {1}, {2}, 0},
    {"DeepUniversalAtTheLevel", "p cnf 4 1\ne 2 3 0\na 4 0\ne 1 0\n1 2 3 4 0\n", {1, 2, 3, 4}, 1, {1}, {2}, 0},
    {"DeepUniversalAboveTheLevel", "p cnf 4 1\ne 2 3 0\na 4 0\ne 1 0\n1 2 3 4 0\n", {1, 2, 3, 4}, 2, {1}, {3}, 0},
    // Reduced once: the second shortening does not subtract u again, and the
    // unit is e3, not the universal listed before it.
    {"ReducedUniversalIsNotSubtractedAgainNorTheUnit", "p cnf 4 1\ne 2 3 0\na 4 0\ne 1 0\n1 2 4 3 0\n", {1, 2, 4, 3},
     0, {1, 2}, {2, 1}, 3},
    // An unassigned existential as deep as the universal keeps it.
    {"DeepExistentialBlocksTheReduction", "p cnf 4 1\ne 2 0\na 4 0\ne 1 3 0\n1 2 4 3 0\n", {1, 2, 4, 3}, 0, {1, 2},
     {3, 2}, 0},
    // u listed twice among the clause's entries is subtracted once.
    {"RepeatedUniversalIsSubtractedOnce", "p cnf 4 1\ne 2 3 0\na 4 0\ne 1 0\n1 2 4 3 0\n", {1, 2, 4, 4}, 0, {1, 2},
     {2, 1}, 0, "3:4"},
};

class Reduc : public ::testing::TestWithParam<ReducCase> {};

TEST_P(Reduc, CountsAndUnit) {
  const ReducCase& k = GetParam();
  buildText(k.formula);
  ASSERT_EQ(NUMNCLS, 1);
  if (k.duplicate != nullptr) {
    std::string d = k.duplicate;
    PRENCLS[0].lits[std::atoi(d.substr(0, d.find(':')).c_str())] = lit(std::atoi(d.substr(d.find(':') + 1).c_str()));
  }
  V want;
  for (int32_t l : k.clause) want.push_back(lit(l));
  ASSERT_EQ(clauseLits(0), want) << "the clause is not stored as the case assumes";
  ProbeEnv env;
  const TentativeState before = TentativeState::now();
  // Twice: the undo must also forget which literals were subtracted.
  for (int round = 0; round < 2; round++) {
    SCOPED_TRACE(round);
    V counts;
    for (int32_t l : k.falsified) {
      setTentative(lit(l), F);
      setTentative(lit(-l), T);
      shortenTentative(0);
      UnivReduc_Undo(0, k.level);
      counts.push_back(PRENCLS[0].curLen);
    }
    EXPECT_EQ(counts, k.counts);
    if (k.counts.back() <= 1) {
      EXPECT_EQ(tentativeUnit(0), k.unit == 0 ? -1 : lit(k.unit));
    }
    UndoChanges();
    EXPECT_TRUE(TentativeState::now() == before);
  }
}

INSTANTIATE_TEST_SUITE_P(UnivReducUndo, Reduc, ::testing::ValuesIn(kReduc),
                         [](const auto& info) { return std::string(info.param.name); });

// The early exits (no universal deep enough, an unassigned witness) give
// the results of the full scan: random clauses under random tentative
// assignments against a plain reimplementation of the rule.
TEST(UnivReducUndo, MatchesThePlainRuleOnRandomClauses) {
  uint64_t state = 0x2545F4914F6CDD1Dull;
  auto rnd = [&state](int n) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return int(state % uint64_t(n));
  };
  int reductions = 0, units = 0, checks = 0;
  for (int formula = 0; formula < 300; formula++) {
    // Up to five blocks over eight variables, sometimes a free variable.
    const int nvars = 8;
    std::vector<int> block(nvars + 1, -1);
    const int blocks = 1 + rnd(5);
    bool universal = rnd(2) == 0;
    std::vector<bool> blockUniversal;
    for (int b = 0; b < blocks; b++) {
      blockUniversal.push_back(universal);
      universal = !universal;
    }
    for (int v = 1; v <= nvars; v++) block[size_t(v)] = (v == nvars && rnd(3) == 0) ? -1 : rnd(blocks);
    std::string text = "p cnf " + std::to_string(nvars) + " 12\n";
    for (int b = 0; b < blocks; b++) {
      text += blockUniversal[size_t(b)] ? "a" : "e";
      for (int v = 1; v <= nvars; v++)
        if (block[size_t(v)] == b) text += " " + std::to_string(v);
      text += " 0\n";
    }
    // Every variable once in a first clause keeps the numbering dense.
    for (int v = 1; v <= nvars; v++) text += std::to_string(v) + " ";
    text += "0\n";
    for (int c = 1; c < 12; c++) {
      std::set<int> used;
      int len = 3 + rnd(4);
      for (int k = 0; k < len; k++) {
        int v = 1 + rnd(nvars);
        if (used.insert(v).second) text += std::to_string(rnd(2) ? v : -v) + " ";
      }
      text += "0\n";
    }
    // A clause of universals only empties at read time: such a formula is skipped.
    if (!readText(text) || CONTRADICTION) continue;
    createStore();
    loadBinaryClauses();
    if (NVARS != nvars) continue;  // a variable the read-time reduction removed everywhere
    ProbeEnv env;
    const TentativeState before = TentativeState::now();
    std::set<std::pair<int32_t, int32_t>> reduced;  // the rule's own record
    const int32_t level = rnd(blocks + 1);
    for (int step = 0; step < 6; step++) {
      int32_t x = int32_t(rnd(NLITS));
      if (PRELITS[x].tval != U) continue;
      setTentative(x, F);
      setTentative(x ^ 1, T);
      const preLit& X = PRELITS[x];
      for (int32_t m = 0; m < X.numNcls; m++) {
        const int32_t c = X.LitNcls[m];
        const preNcls& C = PRENCLS[c];
        shortenTentative(c);
        int32_t maxE = -1, maxU = -1;
        for (int32_t k = 0; k < C.hrLen; k++) {
          const preLit& L = PRELITS[C.lits[k]];
          if (L.tval != U) continue;
          if (L.existential) maxE = std::max(maxE, L.prefixLevel);
          else maxU = std::max(maxU, L.prefixLevel);
        }
        int32_t expected = C.curLen;
        if (maxU > maxE && maxU >= level)
          for (int32_t k = 0; k < C.hrLen; k++) {
            const preLit& L = PRELITS[C.lits[k]];
            if (L.tval == U && !L.existential && L.prefixLevel > maxE && L.prefixLevel >= level &&
                reduced.insert({c, C.lits[k]}).second)
              expected--;
          }
        reductions += C.curLen - expected;
        UnivReduc_Undo(c, level);
        ASSERT_EQ(C.curLen, expected) << "clause " << c << " level " << level << "\n" << text;
        int32_t unit = -1;
        for (int32_t k = 0; k < C.hrLen && unit < 0; k++)
          if (PRELITS[C.lits[k]].tval == U && reduced.count({c, C.lits[k]}) == 0) unit = C.lits[k];
        ASSERT_EQ(tentativeUnit(c), unit) << text;
        units += unit >= 0;
        checks++;
      }
    }
    UndoChanges();
    ASSERT_TRUE(TentativeState::now() == before) << text;
  }
  EXPECT_GT(checks, 1000);
  EXPECT_GT(reductions, 100);
  EXPECT_GT(units, 100);
}

}  // namespace
