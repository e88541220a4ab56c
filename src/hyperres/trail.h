// The trail of a probe: every tentative change is recorded and withdrawn by
// UndoChanges(), which puts the store back exactly as it was.
#pragma once

#include <cstdint>

#include "store/store.h"

// Grows the trail (x4, as often as needed) until n more entries fit.
void growUndoStackFor(int32_t n);

// The recording operations below run for every literal and clause a probe
// touches, so they are inline; only growing the trail is not.

// Whether n-ary clause c counts as active in the running probe: active in
// the store and not found satisfied by the first sweep of the running phase
// 2. That sweep marks the clauses of S's members in sweptOff instead of
// deactivating them on the trail, and the marks lapse when sweepNow moves
// on at the end of the phase. The mark is looked at first: it is a small
// array, the clause record is not.
inline bool probeActive(int32_t c) { return sweptOff[c] != sweepNow && PRENCLS[c].active; }

// Makes room for n more entries.
inline void reserveUndo(int32_t n) {
  if (int64_t(topUndoStack) + n >= int64_t(sizeUndoStack)) growUndoStackFor(n);
}

// A run of trail records written through local copies of the trail's
// pointer and top, which stores into the literal and clause records cannot
// disturb. Before: room for the run was made (the constructor does it).
// After done(): the trail's top covers every record of the run. Nothing
// else may touch the trail in between.
struct TrailRun {
  UndoEntry* entries;
  int32_t top;
  explicit TrailRun(int32_t n) {
    reserveUndo(n);
    entries = UndoStack;
    top = topUndoStack;
  }
  // Sets lit's tval, recording the previous value.
  void setTval(int32_t lit, int32_t value) {
    preLit& L = PRELITS[lit];
    entries[++top] = {0, lit, L.tval};
    L.tval = value;
  }
  // Deactivates clause c if it is active. Only an active clause is
  // deactivated (and reactivated by undo): undoing a clause that was already
  // inactive would bring a satisfied or converted clause back to life.
  void deactivate(int32_t c) {
    if (!probeActive(c)) return;
    preNcls& C = PRENCLS[c];
    entries[++top] = {2, c, 0};
    C.active = false;
  }
  // Makes room for n more records within the run.
  void reserve(int32_t n) {
    if (int64_t(top) + n < int64_t(sizeUndoStack)) return;
    topUndoStack = top;
    growUndoStackFor(n);
    entries = UndoStack;
  }
  void done() { topUndoStack = top; }
};

// Records one change (kind and reference; old: see UndoEntry).
inline void recordUndo(int32_t kind, int32_t ref, int32_t old = 0) {
  reserveUndo(1);
  UndoStack[++topUndoStack] = {kind, ref, old};
}

// Sets lit's tval tentatively, recording the previous value.
inline void setTentative(int32_t lit, int32_t value) {
  TrailRun run(1);
  run.setTval(lit, value);
  run.done();
}

// Deactivates clause c tentatively if it is active (see TrailRun::deactivate).
inline void deactivateTentative(int32_t c) {
  TrailRun run(1);
  run.deactivate(c);
  run.done();
}

// Shortens the free-literal count of clause c tentatively.
inline void shortenTentative(int32_t c) {
  recordUndo(1, c);
  PRENCLS[c].curLen--;
}

// Withdraws every recorded change, last first; the trail is empty afterwards.
void UndoChanges();

// Queues a literal the probe derived. False if it is already false (a
// conflict); queuing deactivates, tentatively, the active clauses it satisfies.
bool pushUnitPropStack(int32_t lit);

// Tentative universal reduction of clause c inside a probe of a literal at
// prefix level `level`: the free-literal count drops by the unassigned
// universal literals that reduction would remove, each counted once per
// probe.
void UnivReduc_Undo(int32_t c, int32_t level);

// Sets hrLen of clause c to its curLen and notes its deepest universal.
void setProbeLength(int32_t c);

// The unit of clause c when its count has fallen to one: the first of its
// first hrLen literals that is unassigned and not counted as reduced in
// this probe, or -1.
int32_t tentativeUnit(int32_t c);

// Allocates and releases the trail of a pass.
void createUndoStack();
void releaseUndoStack();
