// The closure search of the probes: every active, non-grey literal that a
// literal reaches through the implication lists, in depth-first preorder,
// over the compact copies of the lists (SearchLit) that the pass keeps.
#pragma once

#include <cassert>
#include <cstdint>
#include <vector>

#include "hyperres/passstate.h"
#include "hyperres/pools.h"
#include "store/store.h"

// Keeps a set's deepestUniversal up to date for a member just added.
inline void noteMember(UniqueSet* set, const preLit& M) {
  if (!M.existential && M.prefixLevel > set->deepestUniversal) set->deepestUniversal = M.prefixLevel;
}

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
      probeWork += uint64_t(numImpl);
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

inline constexpr auto noSkip = [](int32_t) { return false; };
inline constexpr auto noStop = [](int32_t) { return false; };

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
inline void checkSkippingSearch(int32_t c, const UniqueSet* found, const UniqueSet* S) {
  auto newToS = [S](int32_t x) { return !usContains(S, x); };
  assert(membersWhere(found, newToS) == fullSearchFinds(c, newToS));
}
#endif
