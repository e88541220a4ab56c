// Phase 3 of a probe: pruning the resolvents.
//
// Phase 2 of l's probe gave l a resolvent (-l v w) for each derived literal
// w. Phase 3 probes the derived literals in turn and removes the resolvents
// to literals implied through another derived one: those are implied by l
// through that literal's binary clauses already. A white derived literal is
// probed in full (hypres.cpp runs that probe into the closure set and calls
// nestedProbed); of a finished one only the closure matters, found by a
// search that stops once it has met every other live entry.
//
// What phase 3 may take from the closed members of S. Their closures were
// within S when S was filled, and S held no derived literal then, so a
// search for derived literals need not enter them. That stays true through
// phase 2, although it adds resolvents: their sources are l, which is grey,
// and the negations of derived literals, which no closed member reaches (it
// would have made the derived literal false). Any other edge voids it.
// (ClosedInS, in probe.h.)
//
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
#include <algorithm>
#include <cassert>
#include <cstdio>
#include <vector>

#include "hyperres/probe.h"
#include "store/lists.h"

bool TargetFreeMarks::hold() const {
  // A mark issued before the last wrap of the numbers may be carried by
  // literals marked since.
  return mark != 0 && epoch == pass.implEpoch && pass.targetFree.last() >= mark;
}

uint32_t TargetFreeMarks::issue() {
  if (!hold()) {
    mark = pass.targetFree.next();
    epoch = pass.implEpoch;
  }
  return mark;
}

namespace {

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

// Removes the first entry equal to value from lit's list, which stands at
// `place` if that still holds it and value is listed once there (both
// literals active). Returns the entry that moved into the hole, or -1.
int32_t removeResolventHalf(int32_t lit, int32_t value, int32_t place) {
  probeWork += RESOLVENT_WORK / 2;
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

// Whether derived literal w is a live entry of p's list other than the
// one looked at.
bool isTarget(const Pruning& p, int32_t w) {
  const int32_t j = p.where.find(w);
  const int32_t* list = implicantList(p.d.listSlot);
  return j >= 0 && j != p.i && list[j] != -1 && list[j] != p.l;
}

// Searches the closure of the finished derived literal u into the closure
// set until it holds every other live entry; returns whether the literals
// found become target-free (see above). Out of line for its registers (see
// mergeFinishedChild).
[[gnu::noinline]] bool searchFinished(Pruning& p, int32_t u) {
  int32_t targets = p.live - (u != p.l ? 1 : 0);
  if (targets <= 0) return false;
  UniqueSet* closureSet = p.closureSet;
  const bool skipping = p.closed.holdsNow();
  const uint32_t freeMark = p.free.hold() ? p.free.mark : 0;
  const uint32_t tag = p.closed.tag;
  bool backToU = false;
  usAdd(closureSet, u);
  searchBelow(
      u,
      [&](int32_t x) {
        if (usContains(closureSet, x)) {
          backToU |= x == u;
          return true;
        }
        return (skipping && pass.closedTag[x] == tag) || (freeMark != 0 && pass.targetFree[x] == freeMark);
      },
      [&](int32_t w, const SearchLit&) {
        usAddNew(closureSet, w);
        return isTarget(p, w) && --targets == 0;
      });
#ifndef NDEBUG
  if (skipping || freeMark != 0) checkSkippingTargetSearch(u, closureSet, [&](int32_t w) { return isTarget(p, w); });
#endif
  return targets > 0 && !backToU;
}

// Drops the resolvents to the live entries in the closure set, marks the
// closure's literals target-free if markFound, and empties the set.
void dropImplied(Pruning& p, bool markFound) {
  static std::vector<int32_t> hits;  // no phase 3 drops inside another
  UniqueSet* closureSet = p.closureSet;
  const int32_t l = p.l;
  const int32_t n = p.d.derived;
  int32_t* list = implicantList(p.d.listSlot);
  std::vector<ResolventPlace>& places = pass.resolventPlaces;
  const size_t from = p.d.placesFrom;
  // The entries to drop, in list order: found through the smaller of the
  // closure and the list.
  hits.clear();
  if (closureSet->count < n) {
    for (int32_t k = 0; k < closureSet->count; k++) {
      int32_t j = p.where.find(closureSet->items[k]);
      if (j >= 0 && isTarget(p, closureSet->items[k])) hits.push_back(j);
    }
    std::sort(hits.begin(), hits.end());
  } else {
    for (int32_t j = 0; j < n; j++)
      if (j != p.i && list[j] != -1 && list[j] != l && usContains(closureSet, list[j])) hits.push_back(j);
  }
  for (int32_t j : hits) {
    int32_t w = list[j];
    ResolventPlace& place = places[from + size_t(j)];
    // The entry that fills the hole in l's list may be another resolvent
    // of l: its place moves with it.
    int32_t moved = removeResolventHalf(l, w, place.first);
    int32_t k = moved >= 0 ? p.where.find(moved) : -1;
    if (k >= 0 && places[from + size_t(k)].first == PRELITS[l].numImpl) places[from + size_t(k)].first = place.first;
    removeResolventHalf(w ^ 1, l ^ 1, place.second);
    list[j] = -1;
    p.live--;
    countRemovedBinary();
  }
  if (markFound) {
    const uint32_t mark = p.free.issue();
    for (int32_t k = 1; k < closureSet->count; k++) pass.targetFree[closureSet->items[k]] = mark;
  }
  usEmpty(closureSet);
}

}  // namespace

void beginPruning(Pruning& p, int32_t l, const Derivation& d, const ClosedInS& closed) {
  p.l = l;
  p.d = d;
  p.closed = closed;
  p.closureSet = getUniqueSet();
  p.free = TargetFreeMarks{};
  p.where = OpenTable<int32_t>(size_t(d.derived));
  p.live = 0;
  const int32_t* list = implicantList(d.listSlot);
  for (int32_t k = 0; k < d.derived; k++) {
    p.where.insert(list[k], k);
    p.live += list[k] != l;
  }
  p.i = 0;
}

bool pruneStep(Pruning& p, int32_t& u) {
  for (; p.i < p.d.derived; p.i++) {
    u = implicantList(p.d.listSlot)[p.i];
    if (u == p.l) std::printf("ERROR?:  impl = numL (%d).\n", to_ff(p.l));
    if (u == -1 || PRELITS[u].dfsColour == 1) continue;
    if (PRELITS[u].dfsColour != 2) return true;
    dropImplied(p, searchFinished(p, u));
  }
  giveBackUniqueSet();
  return false;
}

void nestedProbed(Pruning& p) {
  dropImplied(p, false);
  p.i++;
}

void endPruning(const Pruning& p) {
  pass.resolventPlaces.resize(p.d.placesFrom);
  giveBackNewImplicantList();
}
