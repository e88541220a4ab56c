// Hyper-binary resolution probe.
//
// HypRes(l) assumes l, works out what follows, and turns every consequence u
// that needs an n-ary clause into the binary clause (-l v u), a hyper-binary
// resolvent. It is sound because u follows from l by unit propagation over
// clauses of the formula, so (-l v u) is implied by them.
//
// The probe is a depth-first search over the implication graph (phase 1,
// closure.cpp). Phase 1
// probes every literal l implies directly before l itself and merges their
// implicant sets into S, the set of what l implies; an entry of l that is
// already in S when its turn comes is implied through an earlier child and
// is removed (transitive reduction), and a complementary pair in S means l
// fails. Phase 2 (tentative.cpp) makes S true in the store, shortens the
// clauses of the negations, and propagates what becomes unit; each derived
// literal gets a resolvent unless l already implies it. Everything phase 2
// did is undone; only the resolvents stay. Phase 3 (prune.cpp) probes the
// derived literals in turn and removes the resolvents to literals implied
// through another derived one.
//
// A failed l (a conflict in phase 2, a complementary pair, a failed child)
// queues -l at top level; the pass propagates it.
//
// Phase 2 is skipped when it provably derives nothing, which near the fixed
// point is most of the time (skipping.cpp).
//
// The probes nest as deep as the implication chains are long, which can be
// the length of the formula: a probe runs its children's probes (phase 1)
// and the probes of its white derived literals (phase 3) from an explicit
// stack of frames, not by calling itself. A frame is in phase 1 or in
// phase 3; phase 2 runs within one step of the loop, between the two.
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

#include <cassert>
#include <cstdio>
#include <vector>

#include "hyperres/idlenotes.h"
#include "hyperres/probe.h"
#include "propagate/queues.h"

namespace {

// A probe in progress.
struct ProbeFrame {
  preLit* L;       // the probed literal
  UniqueSet* S;    // the set it fills
  bool pruning;    // in phase 3 (its state on top of `prunings`), else in phase 1
  Closure closure;
};

// The probes in progress, innermost last, and the phase-3 states of those in
// phase 3, in the same order.
std::vector<ProbeFrame> frames;
std::vector<Pruning> prunings;

// Starts the probe of L into S. Returns false when it needs no frame: L is
// finished (its closure goes into S), grey, or implies nothing; `result`
// is then the probe's result.
bool beginProbe(preLit* L, UniqueSet* S, bool& result) {
  const int32_t l = L->index;
  result = true;
  if (L->dfsColour == 2) {
    HypResDFS(l, S);
    return false;
  }
  if (L->dfsColour != 0) {
    std::printf("ERROR: HypRes got called on %d, a grey literal!\n", to_ff(l));
    return false;
  }
  L->dfsColour = 1;
  refreshSearchEntry(l);
  usAdd(S, l);
  noteMember(S, *L);
  if (L->numImpl < 1) {
    L->dfsColour = 2;
    refreshSearchEntry(l);
    return false;
  }
  frames.push_back({L, S, false, Closure{}});
  beginClosure(frames.back().closure);
  return true;
}

// The end of a probe that did not fail: L is finished.
void finishProbe(preLit* L, UniqueSet* S) {
  noteClosed(L, S);
  L->dfsColour = 2;
  refreshSearchEntry(L->index);
}

// Phase 2 of the probe on top, whose phase 1 is done. Returns true when
// the probe goes on to phase 3; else it has ended with `result`.
bool runPhase2(bool& result) {
  ProbeFrame& f = frames.back();
  preLit* L = f.L;
  UniqueSet* S = f.S;
  const int32_t l = L->index;
  bool extrasMay;
  const bool idle = phase2Idle(l, S, f.closure.base, L->prefixLevel, extrasMay);
  ClosedInS closed{tagValid(S), S->closedTag, 0};
  if (idle) {
#ifndef NDEBUG
    const Phase2Outcome full = fullPhase2(S, L->prefixLevel);
    assert(!full.conflict && full.derived.empty());
#endif
    noteIdle(l, S);
    finishProbe(L, S);
    result = true;
    return false;
  }
  Derivation d;
  if (!tentativePropagation(L, S, f.closure.base, extrasMay, d)) {
    pushUPstack(l ^ 1);
    result = false;
    return false;
  }
  if (d.derived == 0) noteIdle(l, S);
  closed.epoch = pass.implEpoch;
  if (d.derived > 1) writeTags(S, f.closure.untagged, closed.live);
  prunings.emplace_back();
  beginPruning(prunings.back(), l, d, closed);
  f.pruning = true;
  return true;
}

// One step of the probe on top: it either starts a nested probe (which may
// end at once), or ends. Before: `returned` says whether a nested probe of
// it has just ended, with `result`. After: the same for the next step.
void step(bool& returned, bool& result) {
  ProbeFrame& f = frames.back();
  int32_t next;
  if (f.pruning) {
    if (returned) nestedProbed(prunings.back());
    if (pruneStep(prunings.back(), next)) {
      UniqueSet* into = prunings.back().closureSet;
      returned = !beginProbe(&PRELITS[next], into, result);
      return;
    }
    endPruning(prunings.back());
    prunings.pop_back();
    finishProbe(f.L, f.S);
    result = true;
  } else {
    if (returned && !childProbed(f.L, f.S, f.closure, result)) {
      frames.pop_back();
      result = false;
      return;
    }
    const ClosureStep s = closureStep(f.L, f.S, f.closure, next);
    if (s == ClosureStep::PROBE_CHILD) {
      UniqueSet* into = f.closure.childSet;
      returned = !beginProbe(&PRELITS[next], into, result);
      return;
    }
    if (s == ClosureStep::FAILED) {
      result = false;
    } else if (runPhase2(result)) {
      returned = false;
      return;
    }
  }
  frames.pop_back();
  returned = true;
}

}  // namespace

void HypResDFS(int32_t lit, UniqueSet* set) { closureSearch(lit, set, noSkip, noStop); }

void clearProbeScratch() {
  frames.clear();
  frames.shrink_to_fit();
  prunings.clear();
  prunings.shrink_to_fit();
  pass.resolventPlaces.clear();
  pass.resolventPlaces.shrink_to_fit();
}

bool HypRes(preLit* L, UniqueSet* S) {
  bool result;
  const size_t bottom = frames.size();
  if (!beginProbe(L, S, result)) return result;
  bool returned = false;
  while (frames.size() > bottom) step(returned, result);
  return result;
}
