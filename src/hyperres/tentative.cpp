// Phase 2 of a probe: the tentative propagation.
//
// Phase 2 makes S, the set of what l implies through the binary clauses,
// true in the store, shortens the clauses of the negations, and propagates
// what becomes unit; each derived literal u gets the hyper-binary resolvent
// (-l v u) unless l already implies it. It is sound because u follows from
// l by unit propagation over clauses of the formula, so (-l v u) is implied
// by them. Everything phase 2 did is undone, partly through the trail and
// partly by walking S again; only the resolvents stay. A conflict means l
// fails.
#include <algorithm>
#include <cassert>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "hyperres/hypres.h"
#include "hyperres/probe.h"
#include "hyperres/trail.h"
#include "store/check.h"
#include "store/clauseops.h"
#include "store/lists.h"

namespace {

// The two sweeps of phase 2 set the members of S true and their negations
// false without a trail record each: those literals were unassigned (the
// search enters only unassigned literals, a literal and its negation are
// assigned together, and S holds no complementary pair), so the undo makes
// them unassigned again by walking S. The marks say how far the sweeps got;
// a literal found assigned all the same is kept, with its value, in
// pass.sweepOdd and gets that value back last. The clauses of S's members are
// marked satisfied (see markSatisfied) rather than deactivated.
struct SweepMarks {
  int32_t members = 0;    // S's first `members` literals were made true
  int32_t negations = 0;  // the negations of S's first `negations` were made false
};

// Shortens clause c for a literal that became false in the probe of a
// literal at `level`; returns false on a conflict (no literal can satisfy
// the clause any more, or its unit is already false).
bool shortenForProbe(int32_t c, int32_t level) {
  shortenTentative(c);
  UnivReduc_Undo(c, level);
  int32_t len = PRENCLS[c].curLen;
  if (len == 1) {
    int32_t unit = tentativeUnit(c);
    if (unit >= 0 && !pushUnitPropStack(unit)) return false;
  } else if (len <= 0) {
    return false;
  }
  return true;
}

void assertAssigned(int32_t lit, const char* text) { QSHRINK_CHECK(PRELITS[lit].tval != U, "HypRes", text); }

// Adds u to the implications of the probed literal l unless it is there.
// Every entry of l's list was probed in phase 1, and so is in S, unless it
// is grey or substituted; a derived literal is not in S. So a derived
// literal that is neither grey nor substituted cannot be in the list, and
// is appended without searching the list for it.
bool addResolventHalf(int32_t l, int32_t u) {
  const preLit& Ul = PRELITS[u];
  if (Ul.dfsColour == 1 || Ul.equivLit != u) return addBcls(l, u);
  assert(implFind(l, u) < 0);
  appendBcls(l, u);
  return true;
}

// Adds the other half of a resolvent (-l v u) whose first half was new: -l
// to the implications of -u; returns its position, or -1 if it was there.
// Between two active literals the halves of a binary clause come in pairs,
// each listed once (the passes keep it so; the store check asserts it), so
// for a u that is its own representative the second half is new as well and
// is appended without searching the list.
int32_t addOtherHalf(int32_t l, int32_t u) {
  if (PRELITS[u].equivLit != u) return addBcls(u ^ 1, l ^ 1) ? PRELITS[u ^ 1].numImpl - 1 : -1;
  assert(implFind(u ^ 1, l ^ 1) < 0);
  appendBcls(u ^ 1, l ^ 1);
  return PRELITS[u ^ 1].numImpl - 1;
}

void sweepSet(preLit& L, int32_t value) {
  if (L.tval != U) pass.sweepOdd.push_back({L.index, L.tval});
  L.tval = value;
}

// Before: phase 2 of a probe with set S ran, with sweeps marking how far
// its sweeps got. After: the store is as before phase 2 (apart from the
// resolvents) and the trail is empty. The trail goes first: a later
// change of a swept literal is recorded there, and its value from before
// the probe is the one the sweep saw.
void undoPhase2(const UniqueSet* S, const SweepMarks& sweeps) {
  UndoChanges();
  preLit* const P = PRELITS;
  const int32_t* items = S->items;
  for (int32_t k = 0; k < sweeps.negations; k++) {
    P[items[k]].tval = U;
    P[items[k] ^ 1].tval = U;
  }
  for (int32_t k = sweeps.negations; k < sweeps.members; k++) P[items[k]].tval = U;
  for (size_t k = pass.sweepOdd.size(); k-- > 0;) P[pass.sweepOdd[k].first].tval = pass.sweepOdd[k].second;
}

// The sweeps of phase 2: every member of S true (marking the clauses they
// satisfy), then every negation false, shortening its clauses; units are
// queued as clauses fall to one literal. Returns false on a conflict,
// a complementary pair in S among them; sweeps says how far they got.
bool sweepAll(const UniqueSet* S, int32_t level, SweepMarks& sweeps) {
  pass.topUnitPropStack = -1;
  for (int32_t k = 0; k < S->count; k++) {
    preLit& E = PRELITS[S->items[k]];
    // A member whose negation the sweep made true already: l implies both,
    // so l fails. Sweeping on would leave both true after the undo.
    if (PRELITS[S->items[k] ^ 1].tval == T) {
      sweeps.members = k;
      return false;
    }
    sweepSet(E, T);
    probeWork += uint64_t(E.numNcls);
    for (int32_t m = 0; m < E.numNcls; m++) markSatisfied(E.LitNcls[m]);
  }
  sweeps.members = S->count;
  for (int32_t k = 0; k < S->count; k++) {
    int32_t n = S->items[k] ^ 1;
    preLit& N = PRELITS[n];
    sweepSet(N, F);
    sweeps.negations = k + 1;
    probeWork += uint64_t(N.numNcls);
    for (int32_t m = 0; m < N.numNcls; m++) {
      int32_t c = N.LitNcls[m];
      if (!probeActive(c)) continue;
      if (!shortenForProbe(c, level)) return false;
      assertAssigned(n, "getVal(neg)!=U");
    }
  }
  return true;
}

// Phase 2 over the extras only.
//
// When phase 2 would derive something, the closed base still means that it
// matters at once only for the clauses of the extras' negations: every
// other clause that S does not satisfy keeps two counted literals after the
// sweeps. So S is not swept. Its values stay implicit (extrasView: members
// true, negations false), the literals the sweeps would queue are queued in
// the order they would queue them, and every other clause is brought to the
// state the sweeps leave it in when the propagation first touches it.
//
// The sweeps queue a clause's unit when they make false the last of its
// literals that S makes false, its trigger: so in the order of the
// trigger's position in S, then of the clause's place in the trigger
// negation's occurrence list, and only if no unit queued before satisfies
// the clause. A clause left with no counted literal, or a unit that is
// false, is a conflict, which the sweeps may meet earlier and in another
// way; those cases, and a look that runs out of budget, go to the sweeps.

// Counts clause c as the sweeps leave it, once per phase. Before: c is
// active and not marked satisfied. After: c is marked satisfied if a member
// of S is in it; else its count is down by its literals that S makes false,
// followed by universal reduction, and `trigger` is the position in S of the
// last member whose negation it holds (-1 none). Returns whether c stays
// active.
bool countAsSwept(int32_t c, int32_t level, int32_t& trigger) {
  pass.countedIn[c] = pass.countedIn.last();
  const preNcls& C = PRENCLS[c];
  int32_t falses = 0;
  trigger = -1;
  for (int32_t k = 0; k < C.hrLen; k++) {
    int32_t x = C.lits[k];
    if (isSweptMember(x)) {
      markSatisfied(c);
      return false;
    }
    if (isSweptMember(x ^ 1)) {
      falses++;
      if (pass.setPosition[x ^ 1] > trigger) trigger = pass.setPosition[x ^ 1];
    }
  }
  if (falses == 0) return true;  // the sweeps never touch it
  reserveUndo(falses);
  for (int32_t k = 0; k < falses; k++) shortenTentative(c);
  // The sweeps reduce with the values they leave; what the propagation has
  // set since is not among them.
  const bool asSwept = pass.extrasView.asSwept;
  pass.extrasView.asSwept = true;
  UnivReduc_Undo(c, level);
  pass.extrasView.asSwept = asSwept;
  return true;
}

// A clause that would turn unit in the sweeps: its trigger's position in S
// and its place in the trigger negation's occurrence list.
struct SweptUnit {
  int32_t clause, trigger, place;
};

// Emulates the sweeps of phase 2 over S by looking at the extras alone (see
// above). Before: extrasSuffice holds. After, if it returns true: the units
// the sweeps would queue are queued as they would be, and extrasView makes S
// true; else the store is as before.
bool emulateSweeps(const UniqueSet* S, const Base& base, int32_t level) {
  static std::vector<SweptUnit> units;  // no phase 2 runs inside another
  units.clear();
  for (int32_t k = 0; k < S->count; k++) {
    if (usContains(S, S->items[k] ^ 1)) return false;  // l fails: the sweeps say so
    pass.setPosition[S->items[k]] = k;
  }
  pass.extrasView = {S, S->count, true};
  pass.countedIn.next();
  pass.topUnitPropStack = -1;
  int64_t budget = extrasBudget(S);
  bool ok = forEachExtra(S, base, [&](int32_t k) {
    const preLit& N = PRELITS[S->items[k] ^ 1];
    for (int32_t j = 0; j < N.numNcls; j++) {
      int32_t c = N.LitNcls[j], trigger;
      if (!probeActive(c) || pass.countedIn[c] == pass.countedIn.last()) continue;
      budget -= PRENCLS[c].hrLen + 1;
      if (budget < 0) return false;
      if (!countAsSwept(c, level, trigger)) continue;
      int32_t len = PRENCLS[c].curLen;
      if (len <= 0) return false;
      if (len == 1) units.push_back({c, trigger, trigger == k ? j : -1});
    }
    return true;
  });
  if (ok) {
    std::stable_sort(units.begin(), units.end(),
                     [](const SweptUnit& a, const SweptUnit& b) { return a.trigger < b.trigger; });
    // Clauses with one trigger come in the order of its occurrence list.
    for (size_t i = 0, j; i < units.size(); i = j) {
      for (j = i + 1; j < units.size() && units[j].trigger == units[i].trigger;) j++;
      if (j - i < 2) continue;
      const preLit& N = PRELITS[S->items[units[i].trigger] ^ 1];
      std::unordered_map<int32_t, size_t> inRun;
      for (size_t u = i; u < j; u++) inRun[units[u].clause] = u;
      for (int32_t m = 0; m < N.numNcls; m++) {
        auto found = inRun.find(N.LitNcls[m]);
        if (found != inRun.end()) units[found->second].place = m;
      }
      std::sort(units.begin() + long(i), units.begin() + long(j),
                [](const SweptUnit& a, const SweptUnit& b) { return a.place < b.place; });
    }
    for (const SweptUnit& u : units) {
      if (!probeActive(u.clause)) continue;
      int32_t unit = tentativeUnit(u.clause);
      if (unit < 0 || !pushUnitPropStack(unit)) {
        ok = false;
        break;
      }
    }
  }
  if (!ok) {
    UndoChanges();
    pass.topUnitPropStack = -1;
    pass.extrasView.set = nullptr;
    return false;
  }
  pass.extrasView.asSwept = false;
  return true;
}

// Clause c as the propagation of phase 2 over the extras first touches it:
// counted as the sweeps leave it. Returns whether c stays active.
bool countOnFirstTouch(int32_t c, int32_t level) {
  if (pass.countedIn[c] == pass.countedIn.last()) return true;
  int32_t trigger;
  if (!countAsSwept(c, level, trigger)) return false;
  // Not a clause of an extra's negation: the base keeps two of its literals.
  assert(PRENCLS[c].curLen >= 2);
  return true;
}

// Scans that queue nothing.
//
// A phase 2 often derives many literals that imply one another, with long
// lists alike but for the literal itself: u's list holds the others and the
// common part, but not u (equivalent literals that the binary clauses do not
// yet tie together, each of which took a resolvent to the others from
// earlier probes). Once u's list has been scanned, each entry is queued or
// true, and stays so until the phase ends, and u is true. So a later derived
// literal w whose list with w added holds the same literals as u's with u
// added has nothing left to queue, and its scan is passed over. Lists are
// told apart by their print and length (listPrint), kept for the long ones
// scanned in the running phase 2. Two different lists with one print (a
// 64-bit collision of chance) could only make phase 2 queue less than it
// should: fewer resolvents, and no false one.
constexpr int32_t SCAN_NOTE_FROM = 64;  // lists at least this long are noted

// The (print, length) pairs of the lists with their literal added that the
// running phase 2 has scanned, forgotten at a cost proportional to their
// number.
class ScannedLists {
 public:
  // Whether (print, length) is noted; notes it if not.
  bool noted(uint64_t print, int32_t length) {
    if (table_.contains(print, length)) return true;
    table_.insert(print, length);
    pairs_.push_back({print, length});
    return false;
  }
  void clear() {
    for (const auto& p : pairs_) table_.erase(p.first, p.second);
    pairs_.clear();
  }

 private:
  OpenTable<uint64_t> table_;
  std::vector<std::pair<uint64_t, int32_t>> pairs_;
};
ScannedLists scannedLists;

// Whether the scan of derived literal u's list would queue nothing, because
// a list alike was scanned earlier in the running phase 2 (see above); notes
// u's list if not.
bool scanQueuesNothing(int32_t u) {
  const preLit& Ul = PRELITS[u];
  if (Ul.numImpl < SCAN_NOTE_FROM) return false;
  assert(pass.listPrint[u] == printOfList(u));
  if (!scannedLists.noted(pass.listPrint[u] + memberKey(u), Ul.numImpl + 1)) return false;
#ifndef NDEBUG
  for (int32_t k = 0; k < Ul.numImpl; k++)
    assert(PRELITS[Ul.implications[k]].onUnitPropStack || probeValue(Ul.implications[k]) == T);
#endif
  return true;
}

// The propagation of phase 2: makes each queued literal true, unless it has
// a value, and its negation false, hands it to derive(u), queues what it
// implies and shortens the clauses of its negation. Returns false on a
// conflict.
template <class Derive>
bool propagateQueued(int32_t level, Derive derive) {
  const bool extrasOnly = pass.extrasView.set != nullptr;
  scannedLists.clear();
  while (pass.topUnitPropStack >= 0) {
    int32_t u = pass.unitPropStack[pass.topUnitPropStack--];
    int32_t v = probeValue(u);
    if (v == T) continue;
    if (v == F) return false;
    if (v != U) {
      std::printf("ERROR: Illegal value for tval of literal %d in pass.unitPropStack.\n", to_ff(u));
      continue;
    }
    setTentative(u, T);
    setTentative(u ^ 1, F);
    derive(u);
    // Long lists are common here (a derived literal carries the resolvents
    // of earlier probes), and nearly all their entries are queued already:
    // those are passed over by the bits of queuedLit, not the records, in a
    // tight loop that reads the bits through a local pointer, and a list
    // alike one scanned before is passed over whole.
    const preLit& Ul = PRELITS[u];
    const int32_t* impl = Ul.implications;
    const int32_t numImpl = scanQueuesNothing(u) ? 0 : Ul.numImpl;  // queuing leaves the lists alone
    const uint64_t* const queued = pass.queuedLit;
    for (int32_t k = 0; k < numImpl; k++) {
      while (k < numImpl && bitAt(queued, impl[k])) {
        assert(PRELITS[impl[k]].onUnitPropStack);
        k++;
      }
      if (k == numImpl) break;
      assert(!PRELITS[impl[k]].onUnitPropStack);
      if (!pushUnitPropStack(impl[k])) return false;
    }
    const preLit& N = PRELITS[u ^ 1];
    probeWork += uint64_t(numImpl) + uint64_t(N.numNcls);
    for (int32_t m = 0; m < N.numNcls; m++) {
      int32_t c = N.LitNcls[m];
      if (!probeActive(c) || (extrasOnly && !countOnFirstTouch(c, level))) continue;
      if (!shortenForProbe(c, level)) return false;
      assertAssigned(u ^ 1, "getVal(negLit)!=U");
    }
  }
  return true;
}

// Before: phase 2 ran over S, swept as sweeps says or over the extras only.
// After: the store is as before it (apart from the resolvents).
void endPhase2(const UniqueSet* S, const SweepMarks& sweeps) {
  undoPhase2(S, sweeps);
  pass.extrasView.set = nullptr;
}

}  // namespace

#ifndef NDEBUG
Phase2Outcome fullPhase2(const UniqueSet* S, int32_t level) {
  Phase2Outcome out;
  SweepMarks sweeps;
  pass.sweepOdd.clear();
  out.conflict = !sweepAll(S, level, sweeps) || !propagateQueued(level, [&](int32_t u) { out.derived.push_back(u); });
  endPhase2(S, sweeps);
  return out;
}
#endif

bool tentativePropagation(const preLit* L, UniqueSet* S, const Base& base, bool extrasMay, Derivation& d) {
  const int32_t l = L->index;
  const int32_t level = L->prefixLevel;
#ifndef NDEBUG
  // The debug build works out what the full phase 2 finds, and checks the
  // emulated one against it.
  Phase2Outcome full;
  if (extrasMay) full = fullPhase2(S, level);
#endif
  SweepMarks sweeps;
  pass.sweepOdd.clear();  // here rather than after the undo: a fatal error can end a phase 2 midway
  const bool extrasOnly = extrasMay && emulateSweeps(S, base, level);
  if (!extrasOnly && !sweepAll(S, level, sweeps)) {
    endPhase2(S, sweeps);
    return false;
  }
  d.listSlot = getNewImplicantList();
  d.derived = 0;
  d.placesFrom = pass.resolventPlaces.size();
  const bool conflict = !propagateQueued(level, [&](int32_t u) {
    if (usContains(S, u)) std::printf("ERROR: Literal %d was already a member of UPImplicants!\n", to_ff(u));
    usAdd(S, u);
    noteMember(S, PRELITS[u]);
    implicantListPut(d.listSlot, d.derived++, u);
    probeWork += RESOLVENT_WORK;
    ResolventPlace place;
    if (addResolventHalf(l, u)) {
      place = {L->numImpl - 1, addOtherHalf(l, u)};
      numAddBcls++;
      foundNewBcls = true;
    }
    pass.resolventPlaces.push_back(place);
  });
#ifndef NDEBUG
  if (extrasOnly) {
    assert(conflict == full.conflict);
    assert(std::vector<int32_t>(implicantList(d.listSlot), implicantList(d.listSlot) + d.derived) == full.derived);
  }
#endif
  endPhase2(S, sweeps);
  if (conflict) {
    pass.resolventPlaces.resize(d.placesFrom);
    giveBackNewImplicantList();
    return false;
  }
  return true;
}
