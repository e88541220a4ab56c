// The ways phase 2 of a probe is skipped.
//
// Phase 2 is skipped when it provably derives nothing, which near the fixed
// point is most of the time. Three ways show it, cheapest first: the same
// set was idle for l in an earlier pass and its clauses have not changed
// since (knownIdle, see idlenotes.cpp); most of S is the set of a child
// whose own phase 2 has just been through the same clauses, and the few
// other members' clauses stay open (lookAtExtras); or a count of the
// negations in each clause leaves every clause two counted literals
// (countsShowIdle). When phase 2 does derive something and S has such a
// child's set, it need look only at the clauses of the members beyond that
// set (emulateSweeps in tentative.cpp).
//
// A probe whose phase 2 ran to the end without a conflict leaves its set X
// closed at its level: every n-ary clause that X does not satisfy keeps two
// or more literals that are neither false nor removed by universal reduction
// (a clause left with one had its unit added to X, which satisfies it). The
// n-ary clauses, their lengths and the top-level values stay as they are
// until the pass next propagates at top level, and so does that fact. X is
// the set of a child probe, or the set that a search from a finished child
// finds when it has the size and print noted when that child's probe ended
// (closedSets; a print is a 64-bit hash of the members, so two different
// sets pass for one only by a collision of chance).
//
// Phase 2 of l over an S that holds such an X, at a level no outer than X's,
// sets the same values as X's phase 2 on every clause apart from those of the
// negations of S's other members (the extras), and reduces no more
// universals in them (a deeper probe reduces fewer). So when every clause of
// an extra's negation is satisfied by S or keeps two counted literals, phase 2
// derives nothing, finds no conflict, and undoes all it did: it is skipped.
//
// The counts are exact only while no literal is counted twice, reduced while
// unassigned and made false later, which depends on the order of the sweeps.
// That needs a universal member of S at the probe's level or deeper, so a set
// with one is not skipped. The check is tried only when the extras are few,
// and gives up after a number of literal visits proportional to S: the
// sweeps are then no dearer.
#include <cstdint>

#include "hyperres/idlenotes.h"
#include "hyperres/probe.h"

namespace {

// Whether clause c keeps two counted literals, or is satisfied, when phase 2
// of a probe at `level` has made S true and its negations false; `budget`
// pays for the literals looked at.
bool clauseStaysOpen(int32_t c, const UniqueSet* S, int32_t level, int64_t& budget) {
  const preNcls& C = PRENCLS[c];
  if (!C.active) return true;
  budget -= C.hrLen + 1;
  const preLit* const P = PRELITS;
  int32_t maxE = -1, existentials = 0;
  bool universals = false;
  for (int32_t k = 0; k < C.hrLen; k++) {
    int32_t x = C.lits[k];
    if (usContains(S, x)) return true;
    const preLit& X = P[x];
    if (X.tval != U || usContains(S, x ^ 1)) continue;
    if (!X.existential) {
      universals = true;
    } else {
      // Two free existentials keep the clause open whatever else it holds.
      if (++existentials == 2) return true;
      maxE = X.prefixLevel;
    }
  }
  if (!universals) return false;
  // A free universal is reduced when it lies at the probe's level or deeper
  // and deeper than every free existential.
  int32_t counted = existentials;
  for (int32_t k = 0; k < C.hrLen && counted < 2; k++) {
    const preLit& X = P[C.lits[k]];
    if (X.existential || X.tval != U || usContains(S, C.lits[k] ^ 1)) continue;
    if (X.prefixLevel < level || X.prefixLevel <= maxE) counted++;
  }
  return counted >= 2;
}

// Whether S's base lets phase 2 look at the extras alone (see above): there
// is a base, its mark is sound, no universal member is reducible in the
// probe, and the extras are at most a quarter of S (with more, looking at
// them costs about what the sweeps cost, and pays off less often).
bool extrasSuffice(const UniqueSet* S, const Base& base, int32_t level) {
  // A base mark issued before the last wrap of the numbers may be carried by
  // literals of other sets.
  if (base.size < 0 || pass.baseMark.last() < base.mark || S->deepestUniversal >= level) return false;
  // l itself is among the earlier members, unmarked unless X holds it.
  const int32_t* items = S->items;
  int64_t extras = S->count - base.end;
  for (int32_t k = 0; k < base.start; k++) extras += pass.baseMark[items[k]] != base.mark;
  return extras * 4 <= S->count;
}

// What a look at the extras found.
enum class ExtrasLook {
  IDLE,    // phase 2 derives nothing and finds no conflict
  BUSY,    // a clause of an extra's negation falls below two counted literals
  TOO_DEAR // the look ran out of budget: so would an emulation of the sweeps
};

// Whether phase 2 of a probe at `level` over S would derive nothing and find
// no conflict (see above). Before: phase 1 has filled S; base describes the
// closed set among its members, and extrasSuffice holds.
ExtrasLook lookAtExtras(const UniqueSet* S, const Base& base, int32_t level) {
  int64_t budget = extrasBudget(S);
  // A look pays at least four for each clause it meets (three literals and
  // the clause), so one whose extras' negations occur in more clauses than
  // its budget pays for at that rate is given up before it starts.
  int64_t least = 0;
  forEachExtra(S, base, [&](int32_t k) {
    least += 4 * int64_t(PRELITS[S->items[k] ^ 1].numNcls);
    return least <= budget;
  });
  if (least > budget) return ExtrasLook::TOO_DEAR;
  ExtrasLook found = ExtrasLook::IDLE;
  forEachExtra(S, base, [&](int32_t k) {
    const preLit& N = PRELITS[S->items[k] ^ 1];
    for (int32_t j = 0; j < N.numNcls; j++) {
      if (!clauseStaysOpen(N.LitNcls[j], S, level, budget)) found = ExtrasLook::BUSY;
      if (budget < 0) found = ExtrasLook::TOO_DEAR;
      if (found != ExtrasLook::IDLE) return false;
    }
    return true;
  });
  return found;
}

// Whether phase 2 of l's probe at `level` over S is known to be idle from an
// earlier probe of l on the same set: the clauses of the members' negations
// that changed since then are looked at again (a clause that joined an
// occurrence list took a new literal, and so changed itself).
bool knownIdle(int32_t l, const UniqueSet* S, int32_t level) {
  const uint32_t epoch = idleNoteFor(l, S);
  if (epoch == 0 || S->deepestUniversal >= level) return false;
  if (clausesLastChangedIn <= epoch) return true;  // no clause has changed since
  int64_t budget = extrasBudget(S);
  for (int32_t k = 0; k < S->count; k++) {
    const int32_t x = S->items[k];
    if (varClausesChangedIn[x >> 1] <= epoch) continue;
    const preLit& N = PRELITS[x ^ 1];
    for (int32_t j = 0; j < N.numNcls; j++) {
      const int32_t c = N.LitNcls[j];
      if (clauseChangedIn[c] > epoch && (!clauseStaysOpen(c, S, level, budget) || budget < 0)) return false;
    }
  }
  return true;
}

// Whether phase 2 of a probe at `level` over S would derive nothing and find
// no conflict (see above), found by counting in every clause the negations
// of members it holds, as the sweeps would. Only a clause whose count
// reaches its risk, or that holds a universal reducible at this level, can
// be left with fewer than two counted literals; only those are looked at.
// The count is a fraction of the sweeps' cost: it reads one small record per
// clause and changes nothing in the store.
bool countsShowIdle(const UniqueSet* S, int32_t level) {
  if (S->deepestUniversal >= level) return false;
  const uint32_t now = pass.clauseTally.next();
  int64_t budget = INT64_MAX;  // the looks cost no more than the sweeps would
  // Every step waits on memory: the negations' records are requested four
  // members ahead, their occurrence lists two ahead, the tallies four
  // clauses ahead.
  const int32_t* items = S->items;
  const preLit* const P = PRELITS;
  for (int32_t k = 0; k < S->count; k++) {
    if (k + 4 < S->count) __builtin_prefetch(&P[items[k + 4] ^ 1]);
    if (k + 2 < S->count) __builtin_prefetch(P[items[k + 2] ^ 1].LitNcls);
    const preLit& N = P[items[k] ^ 1];
    for (int32_t j = 0; j < N.numNcls; j++) {
      if (j + 4 < N.numNcls) __builtin_prefetch(&pass.clauseTally[N.LitNcls[j + 4]]);
      const int32_t c = N.LitNcls[j];
      ClauseTally& t = pass.clauseTally[c];
      if (t.stamp != now) {
        t.stamp = now;
        t.falses = 0;
      }
      const int32_t falses = ++t.falses;
      if ((falses == t.riskAt || (falses == 1 && t.maxUniversal >= level)) && !clauseStaysOpen(c, S, level, budget))
        return false;
    }
  }
  return true;
}

}  // namespace

int64_t extrasBudget(const UniqueSet* S) { return 16 * int64_t(S->count) + 256; }

bool phase2Idle(int32_t l, const UniqueSet* S, const Base& base, int32_t level, bool& extrasMay) {
  // A look at the extras that runs out of budget leaves the question to the
  // count, and the sweeps to the full ones: emulating them would run out the
  // same way.
  extrasMay = extrasSuffice(S, base, level);
  bool idle = knownIdle(l, S, level);
  if (!idle && extrasMay) {
    const ExtrasLook look = lookAtExtras(S, base, level);
    idle = look == ExtrasLook::IDLE;
    extrasMay = look == ExtrasLook::BUSY;
  }
  if (!idle && !extrasMay) idle = countsShowIdle(S, level);
  return idle;
}
