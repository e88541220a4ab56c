// The parts of the hyper-binary resolution probe (see hypres.cpp), shared
// by its files: closure.cpp (phase 1), tentative.cpp (phase 2),
// skipping.cpp (the ways phase 2 is skipped) and prune.cpp (phase 3).
// hypres.cpp drives them over an explicit stack of probes.
#pragma once

#include <cstdint>
#include <vector>

#include "hyperres/passstate.h"
#include "hyperres/pools.h"
#include "hyperres/search.h"
#include "store/hashtable.h"
#include "store/store.h"

inline bool isActive(int32_t lit) {
  const preLit& L = PRELITS[lit];
  return L.equivLit == lit && L.tval == U;
}

inline void countRemovedBinary() {
  numSatCls++;
  numSatBcls++;
}

// Whether X's tag of closed members holds (see closure.cpp).
inline bool tagValid(const UniqueSet* X) { return X->closedEpoch == pass.implEpoch; }

// The members of S that came from the base set X, the largest closed child
// set among them (see skipping.cpp): the block of items [start, end) that
// its merge added, and the earlier members that carry its mark in baseMark.
struct Base {
  int32_t size = -1;  // members of X, -1 when the probe has no base
  int32_t start = 0, end = 0;
  uint32_t mark = 0;
};

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

// --- Phase 1: the binary closure (closure.cpp) ------------------------------

// Members that S took over from a closed first child whose tags are not
// written yet: positions [from, to) of S, to carry `tag`.
struct Untagged {
  int32_t from = 0, to = 0;
  uint32_t tag = 0;
};

// Phase 1 of one probe in progress.
struct Closure {
  UniqueSet* childSet = nullptr;  // the set a child's probe or search fills
  Base base;                      // the largest closed child set among S's members
  Untagged untagged;
  int32_t next = 0;               // the position in the probed literal's list of the next child
  uint64_t epochBefore = 0;       // implEpoch when the running child's probe began
};

enum class ClosureStep {
  PROBE_CHILD,  // the caller probes the child into childSet, then calls childProbed
  DONE,         // S holds the closure (the child set is given back)
  FAILED,       // the probe failed: -l is queued (the child set is given back)
};

// Before: the probe of L has made L grey and added it to S.
// After: phase 1 is ready to run, with a child set from the pool.
void beginClosure(Closure& cl);
// Runs phase 1 of L's probe until a white child needs a probe of its own
// (its literal in `child`), or to its end.
ClosureStep closureStep(preLit* L, UniqueSet* S, Closure& cl, int32_t& child);
// Before: the child's probe asked for by closureStep ended with `ok`.
// After: its set is merged into S; false when L's probe failed (as FAILED).
bool childProbed(preLit* L, UniqueSet* S, Closure& cl, bool ok);
// Writes the tags of the untagged members, if `valid`, and forgets them.
void writeTags(UniqueSet* S, Untagged& untagged, bool valid);
// Before: the probe of L left S closed (phase 2 ran or was skipped, no
// conflict). After: S and L's note say so.
void noteClosed(const preLit* L, UniqueSet* S);

// --- The ways phase 2 is skipped (skipping.cpp) -----------------------------

// Whether phase 2 of l's probe at `level` over S provably derives nothing
// and finds no conflict; extrasMay tells whether, if it does not, phase 2
// may look at the extras alone (see emulateSweeps).
bool phase2Idle(int32_t l, const UniqueSet* S, const Base& base, int32_t level, bool& extrasMay);
// The visits to literals that a look at the extras may make before it gives
// up: then the sweeps cost no more than it did.
int64_t extrasBudget(const UniqueSet* S);
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

// --- Phase 2: the tentative propagation (tentative.cpp) ---------------------

// What phase 2 derived: the new-implicant list in listSlot holds the
// `derived` literals, and resolventPlaces from placesFrom their resolvents.
struct Derivation {
  int32_t listSlot = -1;
  int32_t derived = 0;
  size_t placesFrom = 0;
};
// Runs phase 2 of L's probe over S and adds a resolvent for each derived
// literal that L does not imply yet; the derived literals join S.
// extrasMay as phase2Idle left it.
// After: the store is as before (apart from the resolvents); false on a
// conflict, with the list given back and no resolvent place left.
bool tentativePropagation(const preLit* L, UniqueSet* S, const Base& base, bool extrasMay, Derivation& d);
#ifndef NDEBUG
// What the full phase 2 over S finds: a conflict, and the derived literals in
// order. Adds no resolvent and leaves the store as it was.
struct Phase2Outcome {
  bool conflict = false;
  std::vector<int32_t> derived;
};
Phase2Outcome fullPhase2(const UniqueSet* S, int32_t level);
#endif

// --- Phase 3: pruning the resolvents (prune.cpp) ----------------------------

// Target-free marks of one phase 3 (see prune.cpp).
struct TargetFreeMarks {
  uint32_t mark = 0;   // the mark of this phase 3, 0 none yet
  uint64_t epoch = 0;  // implEpoch when it was issued
  bool hold() const;
  uint32_t issue();
};

// Phase 3 of one probe in progress.
struct Pruning {
  int32_t l = -1;          // the probed literal
  Derivation d;            // what its phase 2 derived
  ClosedInS closed{};      // what it may take from S's closed members
  UniqueSet* closureSet = nullptr;  // the closure of the derived literal looked at
  TargetFreeMarks free;
  OpenTable<int32_t> where;  // derived literal -> its position in the list
  int32_t live = 0;          // entries neither pruned nor equal to l
  int32_t i = 0;             // the position of the derived literal looked at
};

// Before: phase 2 of l's probe derived d. After: phase 3 is ready to run,
// with a closure set from the pool.
void beginPruning(Pruning& p, int32_t l, const Derivation& d, const ClosedInS& closed);
// Runs phase 3 until a white derived literal needs a probe of its own (its
// literal in `u`, to be probed into p.closureSet): true; or to its end: false,
// with the closure set given back.
bool pruneStep(Pruning& p, int32_t& u);
// Before: the probe asked for by pruneStep ended. After: its finds are pruned.
void nestedProbed(Pruning& p);
// Gives back the list and the resolvent places of a finished phase 3.
void endPruning(const Pruning& p);
