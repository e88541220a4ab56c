// The trail of a probe: every tentative change is recorded and withdrawn by
// UndoChanges(), which puts the store back exactly as it was.
#pragma once

#include <cstdint>

#include "hyperres/passstate.h"
#include "store/store.h"

// Grows the trail (x4, as often as needed) until n more entries fit.
void growUndoStackFor(int32_t n);

// The recording operations below run for every literal and clause a probe
// touches, so they are inline; only growing the trail is not.

// Clauses satisfied by what the running phase 2 of a probe made true or
// queued are not deactivated on the trail: they are marked in sweptOff with
// the phase's number, sweptOff.last(), and the marks lapse all at once when
// the undo issues the next number. The clause record is left alone, so a clause that
// was inactive before stays so, and nothing needs restoring.
inline void markSatisfied(int32_t c) { pass.sweptOff[c] = pass.sweptOff.last(); }

// Whether n-ary clause c counts as active in the running probe: active in
// the store and not marked satisfied. The mark is looked at first: it is a
// small array, the clause record is not.
inline bool probeActive(int32_t c) { return pass.sweptOff[c] != pass.sweptOff.last() && PRENCLS[c].active; }

// Whether lit was a member of the set when the running phase 2 over the
// extras began. Before: that phase is running (extrasView.set is set).
inline bool isSweptMember(int32_t lit) {
  const int32_t p = pass.setPosition[lit];
  return uint32_t(p) < uint32_t(pass.extrasView.members) && pass.extrasView.set->items[p] == lit;
}

// lit's truth value for the running probe: its tval, except while a phase 2
// over the extras runs (see ExtrasView).
inline int32_t probeValue(int32_t lit) {
  const int32_t v = PRELITS[lit].tval;
  if (pass.extrasView.set == nullptr) return v;
  if (isSweptMember(lit)) return T;
  if (isSweptMember(lit ^ 1)) return F;
  // Only literals that were queued get a value in the phase.
  if (v != U && pass.extrasView.asSwept && (PRELITS[lit].onUnitPropStack || PRELITS[lit ^ 1].onUnitPropStack)) return U;
  return v;
}

// Makes room for n more entries.
inline void reserveUndo(int32_t n) {
  if (int64_t(pass.topUndoStack) + n >= int64_t(pass.sizeUndoStack)) growUndoStackFor(n);
}

// Records one change (kind and reference; old: see UndoEntry).
inline void recordUndo(UndoKind kind, int32_t ref, int32_t old = 0) {
  reserveUndo(1);
  pass.undoStack[++pass.topUndoStack] = {kind, ref, old};
}

// Sets lit's tval tentatively, recording the previous value.
inline void setTentative(int32_t lit, int32_t value) {
  preLit& L = PRELITS[lit];
  recordUndo(UNDO_VALUE, lit, L.tval);
  L.tval = value;
}

// Shortens the free-literal count of clause c tentatively.
inline void shortenTentative(int32_t c) {
  recordUndo(UNDO_LENGTH, c);
  PRENCLS[c].curLen--;
}

// Withdraws every recorded change, last first, and lets the satisfied marks
// lapse; the trail is empty afterwards.
void UndoChanges();

// Queues a literal the probe derived. False if it is already false (a
// conflict); queuing marks the clauses it satisfies (see markSatisfied).
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
