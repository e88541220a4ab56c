// Hyper-binary resolution probe.
//
// HypRes(l) assumes l, works out what follows, and turns every consequence u
// that needs an n-ary clause into the binary clause (-l v u), a hyper-binary
// resolvent. It is sound because u follows from l by unit propagation over
// clauses of the formula, so (-l v u) is implied by them.
//
// The probe is a depth-first search over the implication graph. Phase 1
// probes every literal l implies directly before l itself and merges their
// implicant sets into S, the set of what l implies; an entry of l that is
// already in S when its turn comes is implied through an earlier child and
// is removed (transitive reduction), and a complementary pair in S means l
// fails. Phase 2 makes S true in the store, shortens the clauses of the
// negations, and propagates what becomes unit; each derived literal gets a
// resolvent unless l already implies it. Everything phase 2 did is undone
// through the trail; only the resolvents stay. Phase 3 probes the derived
// literals in turn and removes the resolvents to literals implied through
// another derived one.
//
// A failed l (a conflict in phase 2, a complementary pair, a failed child)
// queues -l at top level; the pass propagates it.
//
// Phase 2 is skipped when it provably derives nothing, which near the fixed
// point is most of the time. Three ways show it, cheapest first: the same
// set was idle for l in an earlier pass and its clauses have not changed
// since (knownIdle); most of S is the set of a child whose own phase 2 has
// just been through the same clauses, and the few other members' clauses
// stay open (lookAtExtras); or a count of the negations in each clause
// leaves every clause two counted literals (countsShowIdle). When phase 2
// does derive something and S has such a child's set, it need look only at
// the clauses of the members beyond that set (see emulateSweeps), which on
// a chain of implications saves each probe the sweeps over everything below
// it.
//
// Colours: white (0) not yet probed in this pass, grey (1) on the current
// path or failed, black (2) finished. A black literal contributes its
// implicants by a plain search instead of a new probe.
//
// Entries of the implication lists can name literals that are no longer
// active (assigned, or substituted by their representative, since some
// substitution cases keep both halves of a clause). The probe never enters
// such a literal: its own lists are stale, and walking them would shorten
// clauses for literals they no longer hold.
#include "hyperres/hypres.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "hyperres/idlenotes.h"
#include "hyperres/passstate.h"
#include "hyperres/pools.h"
#include "hyperres/trail.h"
#include "propagate/queues.h"
#include "store/check.h"
#include "store/clauseops.h"
#include "store/lists.h"
#include "store/store.h"

namespace {

bool isActive(int32_t lit) {
  const preLit& L = PRELITS[lit];
  return L.equivLit == lit && L.tval == U;
}

// Keeps a set's deepestUniversal up to date for a member just added.
void noteMember(UniqueSet* set, const preLit& M) {
  if (!M.existential && M.prefixLevel > set->deepestUniversal) set->deepestUniversal = M.prefixLevel;
}

void countRemovedBinary() {
  numSatCls++;
  numSatBcls++;
}

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

// Where the two halves of a resolvent (-l v u) of a running probe stand:
// u in l's list, -l in -u's list; -1 when the probe did not append it. The
// pruning of phase 3 removes a resolvent at these places when they still
// hold it, instead of searching the lists.
struct ResolventPlace {
  int32_t first = -1, second = -1;
};
// The places of the resolvents of the probes in phases 2 and 3, in the order
// derived: a frame per probe, in nesting order (nested probes run in phase 3
// of their caller, after its frame is complete).
std::vector<ResolventPlace> resolventPlaces;

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

// Removes the first entry equal to value from lit's list, which stands at
// `place` if that still holds it and value is listed once there (both
// literals active). Returns the entry that moved into the hole, or -1.
int32_t removeResolventHalf(int32_t lit, int32_t value, int32_t place) {
  const preLit& L = PRELITS[lit];
  if (place >= 0 && place < L.numImpl && L.implications[place] == value && L.equivLit == lit &&
      PRELITS[value].equivLit == value) {
    assert(implFind(lit, value) == place);
    int32_t moved = L.implications[L.numImpl - 1];
    implRemoveAt(lit, place);
    return place < L.numImpl ? moved : -1;
  }
  implRemoveFirst(lit, value);
  return -1;
}

// The two sweeps of phase 2 set the members of S true and their negations
// false without a trail record each: those literals were unassigned (the
// search enters only unassigned literals, a literal and its negation are
// assigned together, and S holds no complementary pair), so the undo makes
// them unassigned again by walking S. The marks say how far the sweeps got;
// a literal found assigned all the same is kept, with its value, in
// sweepOdd and gets that value back last. The clauses of S's members are
// marked satisfied (see markSatisfied) rather than deactivated.
struct SweepMarks {
  int32_t members = 0;    // S's first `members` literals were made true
  int32_t negations = 0;  // the negations of S's first `negations` were made false
};
std::vector<std::pair<int32_t, int32_t>> sweepOdd;  // (literal, value before) of the running phase 2

void sweepSet(preLit& L, int32_t value) {
  if (L.tval != U) sweepOdd.push_back({L.index, L.tval});
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
  for (size_t k = sweepOdd.size(); k-- > 0;) P[sweepOdd[k].first].tval = sweepOdd[k].second;
}

// Position of every derived literal in the new-implicant list (each literal
// is derived at most once per probe), for pruning without a quadratic scan.
struct ImplicantPositions {
  std::vector<int32_t> slots;  // open addressing: literal, position pairs
  uint32_t mask = 0;
  explicit ImplicantPositions(int32_t n) {
    uint32_t cap = 16;
    while (cap < uint32_t(n) * 2) cap *= 2;
    slots.assign(size_t(cap) * 2, -1);
    mask = cap - 1;
  }
  void put(int32_t lit, int32_t pos) {
    for (uint32_t i = (uint32_t(lit) * 0x9E3779B1u) & mask;; i = (i + 1) & mask)
      if (slots[2 * i] == -1) {
        slots[2 * i] = lit;
        slots[2 * i + 1] = pos;
        return;
      }
  }
  int32_t get(int32_t lit) const {
    for (uint32_t i = (uint32_t(lit) * 0x9E3779B1u) & mask;; i = (i + 1) & mask) {
      if (slots[2 * i] == lit) return slots[2 * i + 1];
      if (slots[2 * i] == -1) return -1;
    }
  }
};

// Enters every active, non-grey literal reachable from lit, which the
// caller has entered, in depth-first preorder: calls enter(c) for each,
// passing by literals c for which seen(c) holds, and stops early once
// enter(c) returns true. seen(c) must hold for every literal entered.
//
// The search is bound by memory latency: it reads the compact SearchLit of
// each literal rather than its record, and the copies of the lists, laid out
// in search order. The stack lives in locals (the compiler keeps it in
// registers), a literal's list is requested as soon as the literal is
// entered, and when a list is first scanned the SearchLits of its first four
// implications are requested together, whether or not the search will enter
// them: testing that first would wait for memory itself.
template <class Seen, class Enter>
void searchBelow(int32_t lit, Seen seen, Enter enter) {
  static std::vector<int32_t> lits, nexts;  // the search never runs inside itself
  if (lits.empty()) {
    lits.resize(1024);
    nexts.resize(1024);
  }
  int32_t* stLit = lits.data();
  int32_t* stNext = nexts.data();
  size_t cap = lits.size();
  const SearchLit* const V = pass.searchLits;
  stLit[0] = lit;
  stNext[0] = 0;
  size_t top = 1;
  while (top > 0) {
    const SearchLit& L = V[stLit[top - 1]];
    const int32_t numImpl = L.count >= 0 ? L.count : ~L.count;
    const int32_t* const impl = L.implications;
    int32_t next = stNext[top - 1];
    if (next == 0) {
      int32_t ahead = numImpl < 4 ? numImpl : 4;
      for (int32_t k = 0; k < ahead; k++) __builtin_prefetch(&V[impl[k]]);
    }
    // Most entries are passed by as seen: skip them in a tight loop rather
    // than one per round of the outer loop.
    while (next < numImpl && seen(impl[next])) next++;
    if (next >= numImpl) {
      top--;
      continue;
    }
    const int32_t c = impl[next];
    if (V[c].count < 0) {
      assert(V[c].count == ~PRELITS[c].numImpl && !searchMayEnter(PRELITS[c]));
      stNext[top - 1] = next + 1;
      continue;
    }
    stNext[top - 1] = next + 1;
    const SearchLit& C = V[c];
    assert(std::equal(C.implications, C.implications + C.count, PRELITS[c].implications));
    if (C.count > 0) __builtin_prefetch(C.implications);
    if (enter(c, C)) return;
    if (top == cap) {
      lits.resize(2 * cap);
      nexts.resize(2 * cap);
      stLit = lits.data();
      stNext = nexts.data();
      cap = lits.size();
    }
    stLit[top] = c;
    stNext[top] = 0;
    top++;
  }
}

// Adds lit and every active, non-grey literal reachable from it to set, in
// depth-first preorder, entering no member of set and no literal c for
// which skip(c) holds; stops early once stop(c) returns true for a literal c
// just added.
template <class Skip, class Stop>
void closureSearch(int32_t lit, UniqueSet* set, Skip skip, Stop stop) {
  usAdd(set, lit);
  noteMember(set, PRELITS[lit]);
  searchBelow(
      lit, [&](int32_t c) { return usContains(set, c) || skip(c); },
      [&](int32_t c, const SearchLit& C) {
        usAddNew(set, c);
        if (C.universalLevel > set->deepestUniversal) set->deepestUniversal = C.universalLevel;
        return stop(c);
      });
}

const auto noSkip = [](int32_t) { return false; };
const auto noStop = [](int32_t) { return false; };

// Closed members. A member x of a set X is closed in X when every literal
// the closure search could reach from x now (passing no grey literal) is in
// X already. A search whose findings go into X need not enter a closed
// member: nothing it would find through x is new to X, and the literals it
// finds that are new to X come in the same order (any path to one of them
// through x would put it in X).
//
// Members are marked closed in the S of a probe, between its children. The
// literals grey then (the probe, its ancestors, failed literals) stay grey
// while S is filled, and the literals that turn black meanwhile were white
// before. Closed members carry the set's tag in closedTag[]. The claim
// holds only while no implication list gains an entry (removals only shrink
// closures; literals become inactive only between top-level probes, when
// every set is empty), so a tag is valid only in the implEpoch in which it
// was issued; emptying the set voids it too.
bool tagValid(const UniqueSet* X) { return X->closedEpoch == pass.implEpoch; }

// Before: the members about to be marked have their closure in X.
// After: X has a valid tag; members marked earlier stay marked if the tag
// was still valid.
void openTag(UniqueSet* X) {
  if (tagValid(X)) return;
  X->closedTag = pass.closedTag.next();
  X->closedEpoch = pass.implEpoch;
}

#ifndef NDEBUG
// The members of X for which keep holds, in the order they were added.
template <class Keep>
std::vector<int32_t> membersWhere(const UniqueSet* X, Keep keep) {
  std::vector<int32_t> v;
  for (int32_t k = 0; k < X->count; k++)
    if (keep(X->items[k])) v.push_back(X->items[k]);
  return v;
}

// What a full search from lit finds for which keep holds, in the order found.
// The scratch set is freed however the search ends (an allocation can fail).
template <class Keep>
std::vector<int32_t> fullSearchFinds(int32_t lit, Keep keep) {
  struct Scratch {
    UniqueSet set;
    Scratch() { initUniqueSet(&set); }
    ~Scratch() { freeUniqueSetStorage(&set); }
  } full;
  closureSearch(lit, &full.set, noSkip, noStop);
  return membersWhere(&full.set, keep);
}

// Debug check of a search that skipped closed members of S: a full search
// from the same literal finds the same literals new to S, in the same order.
void checkSkippingSearch(int32_t c, const UniqueSet* found, const UniqueSet* S) {
  auto newToS = [S](int32_t x) { return !usContains(S, x); };
  assert(membersWhere(found, newToS) == fullSearchFinds(c, newToS));
}
#endif

// What phase 3 may take from the closed members of S. Their closures were
// within S when S was filled, and S held no derived literal then, so a
// search for derived literals need not enter them. That stays true through
// phase 2, although it adds resolvents: their sources are l, which is grey,
// and the negations of derived literals, which no closed member reaches (it
// would have made the derived literal false). Any other edge voids it.
struct ClosedInS {
  bool live;        // S's tag was valid when phase 2 began
  uint32_t tag;     // S's tag then
  uint64_t epoch;   // implEpoch when phase 2 ended
  bool holdsNow() const { return live && pass.implEpoch == epoch; }
};

#ifndef NDEBUG
// Debug check of a phase-3 search that skipped closed members of S: a full
// search from the same literal reaches the same targets.
template <class IsTarget>
void checkSkippingTargetSearch(int32_t u, const UniqueSet* found, IsTarget isTarget) {
  std::vector<int32_t> viaSkipping = membersWhere(found, isTarget), viaFull = fullSearchFinds(u, isTarget);
  std::sort(viaSkipping.begin(), viaSkipping.end());
  std::sort(viaFull.begin(), viaFull.end());
  assert(viaSkipping == viaFull);
}
#endif

// Target-free literals. A search of phase 3 from a derived literal u that
// runs to its end, and meets no edge back to u, leaves every literal x it
// entered beside u with its whole closure among the found literals (the
// literals it could not enter have no target in their closures, or are
// grey); the hits then drop every live entry found but u, and u is not in
// x's closure. So x's closure holds no live entry, and a later search of
// the same phase 3 need not enter x: it would find no target there, and its
// hits stay the same. Entries only leave the list, and a closure only grows
// when an implication list gains an entry, so the marks hold until then
// (implEpoch; a nested probe may add resolvents). A nested phase 3 issues
// marks of its own over some of them, which only loses a few.
struct TargetFreeMarks {
  uint32_t mark = 0;   // the mark of this phase 3, 0 none yet
  uint64_t epoch = 0;  // implEpoch when it was issued
  // A mark issued before the last wrap of the numbers may be carried by
  // literals marked since.
  bool hold() const { return mark != 0 && epoch == pass.implEpoch && pass.targetFree.last() >= mark; }
  uint32_t issue() {
    if (!hold()) {
      mark = pass.targetFree.next();
      epoch = pass.implEpoch;
    }
    return mark;
  }
};

// Phase 3: probe each derived literal and drop the resolvents (-l v w) to
// derived literals w implied through another derived literal.
void pruneResolvents(int32_t l, int32_t listSlot, int32_t n, size_t placesFrom, const ClosedInS& closed) {
  UniqueSet* closureSet = getUniqueSet();
  TargetFreeMarks free;
  ImplicantPositions where(n);
  int32_t live = 0;  // entries neither pruned nor equal to l
  for (int32_t k = 0; k < n; k++) {
    where.put(pass.lists.lists[listSlot][k], k);
    live += pass.lists.lists[listSlot][k] != l;
  }
  std::vector<int32_t> hits;
  for (int32_t i = 0; i < n; i++) {
    int32_t u = pass.lists.lists[listSlot][i];
    if (u == l) std::printf("ERROR?:  impl = numL (%d).\n", to_ff(l));
    if (u == -1 || PRELITS[u].dfsColour == 1) continue;
    const int32_t* list = pass.lists.lists[listSlot];
    // A finished literal only contributes its closure, and of that only the
    // other live entries of the list matter: the search stops once it has
    // found them all (or at once when there are none).
    auto isTarget = [&](int32_t w) {
      int32_t j = where.get(w);
      return j >= 0 && j != i && list[j] != -1 && list[j] != l;
    };
    bool markFound = false;  // whether the search's finds become target-free
    if (PRELITS[u].dfsColour == 2) {
      int32_t targets = live - (u != l ? 1 : 0);
      if (targets > 0) {
        const bool skipping = closed.holdsNow();
        const uint32_t freeMark = free.hold() ? free.mark : 0;
        bool backToU = false;
        usAdd(closureSet, u);
        searchBelow(
            u,
            [&](int32_t x) {
              if (usContains(closureSet, x)) {
                backToU |= x == u;
                return true;
              }
              return (skipping && pass.closedTag[x] == closed.tag) || (freeMark != 0 && pass.targetFree[x] == freeMark);
            },
            [&](int32_t w, const SearchLit&) {
              usAddNew(closureSet, w);
              return isTarget(w) && --targets == 0;
            });
        markFound = targets > 0 && !backToU;
#ifndef NDEBUG
        if (skipping || freeMark != 0) checkSkippingTargetSearch(u, closureSet, isTarget);
#endif
      }
    } else {
      HypRes(&PRELITS[u], closureSet);
    }
    list = pass.lists.lists[listSlot];
    // The entries to drop, in list order: found through the smaller of the
    // closure and the list.
    hits.clear();
    if (closureSet->count < n) {
      for (int32_t k = 0; k < closureSet->count; k++) {
        int32_t j = where.get(closureSet->items[k]);
        if (j >= 0 && isTarget(closureSet->items[k])) hits.push_back(j);
      }
      std::sort(hits.begin(), hits.end());
    } else {
      for (int32_t j = 0; j < n; j++)
        if (j != i && list[j] != -1 && list[j] != l && usContains(closureSet, list[j])) hits.push_back(j);
    }
    for (int32_t j : hits) {
      int32_t w = pass.lists.lists[listSlot][j];
      ResolventPlace& place = resolventPlaces[placesFrom + size_t(j)];
      // The entry that fills the hole in l's list may be another resolvent
      // of l: its place moves with it.
      int32_t moved = removeResolventHalf(l, w, place.first);
      int32_t k = moved >= 0 ? where.get(moved) : -1;
      if (k >= 0 && resolventPlaces[placesFrom + size_t(k)].first == PRELITS[l].numImpl)
        resolventPlaces[placesFrom + size_t(k)].first = place.first;
      removeResolventHalf(w ^ 1, l ^ 1, place.second);
      pass.lists.lists[listSlot][j] = -1;
      live--;
      countRemovedBinary();
    }
    if (markFound) {
      const uint32_t mark = free.issue();
      for (int32_t k = 1; k < closureSet->count; k++) pass.targetFree[closureSet->items[k]] = mark;
    }
    usEmpty(closureSet);
  }
  giveBackUniqueSet();
}

// Skipping phase 2.
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

// The members of S that came from the base set X: the block of items
// [start, end) that its merge added, and the earlier members that carry its
// mark in baseMark.
struct Base {
  int32_t size = -1;  // members of X, -1 when the probe has no base
  int32_t start = 0, end = 0;
  uint32_t mark = 0;
};

// The level at which a finished child c's probe left its set closed, if a
// search from c now finds a set of that size and print (no top-level
// propagation since): that very set is closed still. NOT_CLOSED otherwise.
int32_t closedLevelOf(int32_t c, int32_t size, uint64_t print) {
  const ClosedSetNote& note = pass.closedSets[c];
  return note.drain == pass.drainCount + 1 && note.size == size && note.print == print ? note.level : NOT_CLOSED;
}

// Merges the closure of a finished child c into S by a search that adds
// what it finds to S directly, without a child set: it enters no literal
// carrying S's tag (closed members, and what it entered itself) and gives
// every literal it enters that tag, since everything c reaches is then in S.
// The literals new to S are added in the order the merge of a child set
// would add them: the reverse of the search's.
// Before: c is not in S; the untagged members of S have their tags written.
// After, if it returns true: S holds c's closure and has a valid tag that
// its closed members carry; base is updated as for a child set. If it
// returns false (the closure holds the negation of a member of S, so the
// probe fails), S holds the members it held before.
bool mergeFinishedChild(int32_t c, UniqueSet* S, int32_t level, Base& base) {
  static std::vector<int32_t> already;  // entered literals that S held already
  already.clear();
#ifndef NDEBUG
  const std::vector<int32_t> expected = fullSearchFinds(c, [S](int32_t x) { return !usContains(S, x); });
#endif
  openTag(S);
  const uint32_t tag = S->closedTag;
  const int32_t blockStart = S->count;
  int32_t entered = 0, deepest = NO_UNIVERSAL;
  uint64_t print = 0;
  bool clash = false;
  auto take = [&](int32_t x, int32_t universalLevel) {
    pass.closedTag[x] = tag;
    entered++;
    print ^= memberKey(x);
    if (universalLevel > deepest) deepest = universalLevel;
    if (usContains(S, x)) {
      already.push_back(x);
    } else {
      clash = usContains(S, x ^ 1);
      usAddNew(S, x);
    }
    return clash;
  };
  take(c, pass.searchLits[c].universalLevel);
  if (!clash)
    searchBelow(
        c, [&](int32_t x) { return pass.closedTag[x] == tag; },
        [&](int32_t x, const SearchLit& X) { return take(x, X.universalLevel); });
  if (clash) {
    while (S->count > blockStart) usPopLast(S);
    return false;
  }
#ifndef NDEBUG
  assert(std::vector<int32_t>(S->items + blockStart, S->items + S->count) == expected);
#endif
  std::reverse(S->items + blockStart, S->items + S->count);
  if (deepest > S->deepestUniversal) S->deepestUniversal = deepest;
  if (closedLevelOf(c, entered, print) <= level && entered > base.size) {
    base.size = entered;
    base.start = blockStart;
    base.mark = pass.baseMark.next();
    for (int32_t x : already) pass.baseMark[x] = base.mark;
    base.end = S->count;
  }
  return true;
}

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

// Before: the probe of L left S closed (phase 2 ran or was skipped, no
// conflict). After: S and L's note say so.
void noteClosed(const preLit* L, UniqueSet* S) {
  S->closedLevel = L->prefixLevel;
  pass.closedSets[L->index] = {S->print, S->count, L->prefixLevel, pass.drainCount + 1};
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

// Calls visit(k) for the position k in S of every extra, in order, until
// one call returns false; returns whether none did.
template <class Visit>
bool forEachExtra(const UniqueSet* S, const Base& base, Visit visit) {
  for (int32_t k = 0; k < base.start; k++)
    if (pass.baseMark[S->items[k]] != base.mark && !visit(k)) return false;
  for (int32_t k = base.end; k < S->count; k++)
    if (!visit(k)) return false;
  return true;
}

// The visits to literals that a look at the extras may make before it gives
// up: then the sweeps cost no more than it did.
int64_t extrasBudget(const UniqueSet* S) { return 16 * int64_t(S->count) + 256; }

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

// The sweeps of phase 2: every member of S true (marking the clauses they
// satisfy), then every negation false, shortening its clauses; units are
// queued as clauses fall to one literal. Returns false on a conflict;
// sweeps says how far they got.
bool sweepAll(const UniqueSet* S, int32_t level, SweepMarks& sweeps) {
  pass.topUnitPropStack = -1;
  for (int32_t k = 0; k < S->count; k++) {
    preLit& E = PRELITS[S->items[k]];
    sweepSet(E, T);
    for (int32_t m = 0; m < E.numNcls; m++) markSatisfied(E.LitNcls[m]);
  }
  sweeps.members = S->count;
  for (int32_t k = 0; k < S->count; k++) {
    int32_t n = S->items[k] ^ 1;
    preLit& N = PRELITS[n];
    sweepSet(N, F);
    sweeps.negations = k + 1;
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
  for (int32_t k = 0; k < S->count; k++) pass.setPosition[S->items[k]] = k;
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
// running phase 2 has scanned: an open-addressing table, emptied through the
// list of its used slots.
struct ScannedLists {
  std::vector<std::pair<uint64_t, int32_t>> slots;  // length -1 when free
  std::vector<size_t> used;

  // Whether (print, length) is noted; notes it if not.
  bool noted(uint64_t print, int32_t length) {
    if (2 * (used.size() + 1) > slots.size()) {
      std::vector<std::pair<uint64_t, int32_t>> old(std::max<size_t>(64, 2 * slots.size()), {0, -1});
      old.swap(slots);
      used.clear();
      for (const auto& e : old)
        if (e.second >= 0) noted(e.first, e.second);
    }
    const size_t mask = slots.size() - 1;
    for (size_t i = size_t(print) & mask;; i = (i + 1) & mask) {
      if (slots[i].second < 0) {
        slots[i] = {print, length};
        used.push_back(i);
        return false;
      }
      if (slots[i] == std::make_pair(print, length)) return true;
    }
  }
  void clear() {
    for (size_t i : used) slots[i].second = -1;
    used.clear();
  }
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

#ifndef NDEBUG
// What the full phase 2 over S finds: a conflict, and the derived literals in
// order. Adds no resolvent and leaves the store as it was.
struct Phase2Outcome {
  bool conflict = false;
  std::vector<int32_t> derived;
};
Phase2Outcome fullPhase2(const UniqueSet* S, int32_t level) {
  Phase2Outcome out;
  SweepMarks sweeps;
  sweepOdd.clear();
  out.conflict = !sweepAll(S, level, sweeps) || !propagateQueued(level, [&](int32_t u) { out.derived.push_back(u); });
  endPhase2(S, sweeps);
  return out;
}
#endif

}  // namespace

void HypResDFS(int32_t lit, UniqueSet* set) { closureSearch(lit, set, noSkip, noStop); }

void clearProbeScratch() {
  resolventPlaces.clear();
  resolventPlaces.shrink_to_fit();
}

bool HypRes(preLit* L, UniqueSet* S) {
  const int32_t l = L->index;
  const int32_t level = L->prefixLevel;
  if (L->dfsColour == 2) {
    HypResDFS(l, S);
    return true;
  }
  if (L->dfsColour != 0) {
    std::printf("ERROR: HypRes got called on %d, a grey literal!\n", to_ff(l));
    return true;
  }
  L->dfsColour = 1;
  refreshSearchEntry(l);
  usAdd(S, l);
  noteMember(S, *L);
  if (L->numImpl < 1) {
    L->dfsColour = 2;
    refreshSearchEntry(l);
    return true;
  }

  // Phase 1: the binary closure, children first. The largest closed set a
  // child probe leaves at a level no deeper than l's is the base for
  // skipping phase 2.
  UniqueSet* childSet = getUniqueSet();
  Base base;
  // The members that S took over from a closed first child are closed in S,
  // but their tags are written only when a search may skip them: a later
  // finished child's, or phase 3's (a probe with one child has neither).
  // Tags are valid only in the epoch of S's tag (see ClosedInS for phase 3).
  struct {
    int32_t from = 0, to = 0;  // positions in S
    uint32_t tag = 0;
  } untagged;
  auto writeTags = [&](bool valid) {
    if (valid && untagged.tag == S->closedTag)
      for (int32_t k = untagged.from; k < untagged.to; k++) pass.closedTag[S->items[k]] = untagged.tag;
    untagged.from = untagged.to = 0;
  };
  for (int32_t j = 0; j < L->numImpl;) {
    int32_t c = L->implications[j];
    if (usContains(S, c)) {
      implRemoveAt(l, j);
      implRemoveFirst(c ^ 1, l ^ 1);
      countRemovedBinary();
      continue;
    }
    if (PRELITS[c].dfsColour == 1 || !isActive(c)) {
      j++;
      continue;
    }
    // A finished child contributes its closure by a search that does not
    // enter the closed members of S (the same as HypRes on it, faster).
    const bool finished = PRELITS[c].dfsColour == 2;
    const uint64_t epochBefore = pass.implEpoch;
    if (finished) {
      writeTags(tagValid(S));
      // Straight into S. A merge that finds a complementary pair leaves S
      // as it was, and the child set's search and merge below find the pair
      // again, leaving S as a probe that fails there must.
      if (mergeFinishedChild(c, S, level, base)) {
        j++;
        continue;
      }
      const bool skipping = tagValid(S);
      const uint32_t tag = S->closedTag;
      closureSearch(c, childSet, [&](int32_t x) { return skipping && pass.closedTag[x] == tag; }, noStop);
#ifndef NDEBUG
      if (skipping) checkSkippingSearch(c, childSet, S);
#endif
      childSet->closedLevel = closedLevelOf(c, childSet->count, childSet->print);
    } else if (!HypRes(&PRELITS[c], childSet)) {
      pushUPstack(l ^ 1);
      giveBackUniqueSet();
      return false;
    }
    // The child's set is closed apart from grey literals (still grey while
    // l is probed) when no implication list gained an entry meanwhile: the
    // search entered everything else it reached, and a probe that adds no
    // resolvent derives nothing new, after making true every literal that
    // its derived literals imply.
    const bool childClosed = pass.implEpoch == epochBefore;
    // Move the child's implicants into S, the last added first; the child's
    // set is emptied in one sweep afterwards (or when given back). While S
    // holds l alone, and the child neither l nor -l, S takes over the
    // child's storage instead (the same members in the same order).
    const bool asBase = childSet->closedLevel <= level && childSet->count > base.size;
    if (asBase) {
      base.size = childSet->count;
      base.start = S->count;
      base.mark = pass.baseMark.next();
    }
    if (childSet->deepestUniversal > S->deepestUniversal) S->deepestUniversal = childSet->deepestUniversal;
    const int32_t blockStart = S->count;
    const bool takeOver = S->count == 1 && !usContains(childSet, l) && !usContains(childSet, l ^ 1);
    if (takeOver) {
      usTakeReversed(S, childSet);
    } else {
      for (int32_t k = childSet->count - 1; k >= 0; k--) {
        int32_t e = childSet->items[k];
        if (usContains(S, e ^ 1)) {
          pushUPstack(l ^ 1);
          giveBackUniqueSet();
          return false;
        }
        if (!usContains(S, e)) {
          usAddNew(S, e);
        } else if (asBase) {
          pass.baseMark[e] = base.mark;
        }
      }
    }
    if (asBase) base.end = S->count;
    if (childClosed) {
      openTag(S);
      if (takeOver) {
        untagged = {blockStart, S->count, S->closedTag};
      } else {
        for (int32_t k = 0; k < childSet->count; k++) pass.closedTag[childSet->items[k]] = S->closedTag;
      }
    }
    usEmpty(childSet);
    j++;
  }
  giveBackUniqueSet();

  // Phase 2: make S true, shorten the clauses of the negations, propagate;
  // skipped when idle (known from an earlier pass, or found through the base
  // or by the count), and run over the extras alone when they suffice. A
  // look at the extras that runs out of budget leaves the question to the
  // count, and the sweeps to the full ones: emulating them would run out
  // the same way.
  bool extrasMay = extrasSuffice(S, base, level);
  bool idle = knownIdle(l, S, level);
  if (!idle && extrasMay) {
    const ExtrasLook look = lookAtExtras(S, base, level);
    idle = look == ExtrasLook::IDLE;
    extrasMay = look == ExtrasLook::BUSY;
  }
  if (!idle && !extrasMay) idle = countsShowIdle(S, level);
  ClosedInS closed{tagValid(S), S->closedTag, 0};
#ifndef NDEBUG
  // The debug build works out what the full phase 2 finds, and checks the
  // skipped or emulated one against it.
  Phase2Outcome full;
  if (extrasMay || idle) full = fullPhase2(S, level);
  assert(!idle || (!full.conflict && full.derived.empty()));
#endif
  if (idle) {
    noteIdle(l, S);
    noteClosed(L, S);
    L->dfsColour = 2;
    refreshSearchEntry(l);
    return true;
  }
  SweepMarks sweeps;
  sweepOdd.clear();  // here rather than after the undo: a fatal error can end a phase 2 midway
  const bool extrasOnly = extrasMay && emulateSweeps(S, base, level);
  if (!extrasOnly && !sweepAll(S, level, sweeps)) {
    endPhase2(S, sweeps);
    pushUPstack(l ^ 1);
    return false;
  }
  int32_t listSlot = getNewImplicantList();
  int32_t derived = 0;
  const size_t placesFrom = resolventPlaces.size();
  const bool conflict = !propagateQueued(level, [&](int32_t u) {
    if (usContains(S, u)) std::printf("ERROR: Literal %d was already a member of UPImplicants!\n", to_ff(u));
    usAdd(S, u);
    noteMember(S, PRELITS[u]);
    implicantListPut(listSlot, derived++, u);
    ResolventPlace place;
    if (addResolventHalf(l, u)) {
      place = {L->numImpl - 1, addOtherHalf(l, u)};
      numAddBcls++;
      foundNewBcls = true;
    }
    resolventPlaces.push_back(place);
  });
#ifndef NDEBUG
  if (extrasOnly) {
    assert(conflict == full.conflict);
    assert(std::vector<int32_t>(pass.lists.lists[listSlot], pass.lists.lists[listSlot] + derived) ==
           full.derived);
  }
#endif
  endPhase2(S, sweeps);
  if (conflict) {
    resolventPlaces.resize(placesFrom);
    pushUPstack(l ^ 1);
    giveBackNewImplicantList();
    return false;
  }

  if (derived == 0) noteIdle(l, S);

  // Phase 3.
  closed.epoch = pass.implEpoch;
  if (derived > 1) writeTags(closed.live);
  pruneResolvents(l, listSlot, derived, placesFrom, closed);
  resolventPlaces.resize(placesFrom);
  giveBackNewImplicantList();
  noteClosed(L, S);
  L->dfsColour = 2;
  refreshSearchEntry(l);
  return true;
}
