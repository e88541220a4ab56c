// Helpers of the hyper-binary resolution tests: the per-pass storage that
// runHypRes sets up around its probes, so that a test can call one probe (or
// one trail operation) on a store built from text, and small views of the
// store that the probes change.
#pragma once

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "hyperres/hypres.h"
#include "hyperres/passstate.h"
#include "hyperres/pools.h"
#include "hyperres/trail.h"
#include "store/store.h"

// Everything a probe needs, allocated as a pass allocates it, released at
// the end of the scope. Colours and queued flags start cleared, hrLen and
// the per-clause universal bounds are taken from the clauses as they stand.
struct ProbeEnv {
  UniqueSet S;  // the caller's implicant set, like the pass's UPImplicants

  ProbeEnv() {
    initUniqueSet(&S);
    preparePass();
    pass.topUnitPropStack = -1;
  }
  ~ProbeEnv() { releasePassStorage(&S); }
  ProbeEnv(const ProbeEnv&) = delete;
  ProbeEnv& operator=(const ProbeEnv&) = delete;

  // The members of S, sorted.
  std::vector<int32_t> members() const {
    std::vector<int32_t> v(S.items, S.items + S.count);
    std::sort(v.begin(), v.end());
    return v;
  }
};

// Index of the n-ary clause whose current literals are exactly `lits`
// (in any order), or -1.
inline int32_t clauseIndexOf(std::vector<int32_t> lits) {
  std::sort(lits.begin(), lits.end());
  for (int32_t c = 0; c < NUMNCLS; c++) {
    const preNcls& C = PRENCLS[c];
    std::vector<int32_t> have(C.lits, C.lits + C.curLen);
    std::sort(have.begin(), have.end());
    if (have == lits) return c;
  }
  return -1;
}

// The binary clauses of the store as (smaller, larger) literal pairs of the
// clause, taken from both halves: a clause listed in only one half shows up
// as a pair in `unmatched`.
struct BinaryClauses {
  std::set<std::pair<int32_t, int32_t>> clauses;
  std::set<std::pair<int32_t, int32_t>> unmatched;
};

inline BinaryClauses binaryClauses() {
  std::multiset<std::pair<int32_t, int32_t>> halves;  // (a, b) for b in implications of a^1
  for (int32_t a = 0; a < NLITS; a++) {
    const preLit& L = PRELITS[a ^ 1];
    for (int32_t k = 0; k < L.numImpl; k++) halves.insert({a, L.implications[k]});
  }
  BinaryClauses out;
  for (const auto& h : halves) {
    std::pair<int32_t, int32_t> clause{std::min(h.first, h.second), std::max(h.first, h.second)};
    out.clauses.insert(clause);
    if (halves.count({h.second, h.first}) == 0) out.unmatched.insert(clause);
  }
  return out;
}

// A binary clause (a v b) as binaryClauses() lists it.
inline std::pair<int32_t, int32_t> bcls(int32_t a, int32_t b) { return {std::min(a, b), std::max(a, b)}; }

// The state a probe must leave as it found it: truth values, queued flags,
// clause counts and activity.
struct TentativeState {
  std::vector<int32_t> tval;
  std::vector<bool> queued;
  std::vector<int32_t> curLen;
  std::vector<bool> active;

  static TentativeState now() {
    TentativeState s;
    for (int32_t i = 0; i < NLITS; i++) {
      s.tval.push_back(PRELITS[i].tval);
      s.queued.push_back(PRELITS[i].onUnitPropStack);
    }
    for (int32_t c = 0; c < NUMNCLS; c++) {
      s.curLen.push_back(PRENCLS[c].curLen);
      s.active.push_back(PRENCLS[c].active);
    }
    return s;
  }
  bool operator==(const TentativeState& o) const {
    return tval == o.tval && queued == o.queued && curLen == o.curLen && active == o.active;
  }
};
