// The trail of a probe.
//
// A probe propagates in place: it sets truth values, marks clauses
// satisfied and lowers their free-literal counts (curLen). Each change but
// the marks is recorded with what undoes it; the marks carry the number of
// the probe's phase and lapse together when the undo moves that number on.
// A truth value is restored to its previous value, not to "unassigned": a
// probe can reach a literal assigned at top level through a stale
// implication entry, and erasing a permanent assignment would let the main
// loop undo and redo work for ever. (The bulk of a probe's truth values,
// those of its set, are not on the trail at all: the probe restores them
// itself.)
//
// Tentative universal reduction only lowers the count of a clause; the
// literals stay in place. A literal counted as reduced is remembered per
// clause for the rest of the probe, so that it is counted once however often
// the clause is looked at, and so that it is never taken as the clause's
// unit: a universal literal that reduction removed cannot be what is left
// to satisfy the clause.
#include "hyperres/trail.h"

#include <cstdio>
#include <cstring>

#include "hyperres/passstate.h"
#include "store/panic.h"
#include "store/store.h"

namespace {

uint64_t pairKey(int32_t c, int32_t lit) { return (uint64_t(uint32_t(c)) << 32) | uint32_t(lit); }

bool isReduced(int32_t c, int32_t lit) { return !pass.reducedPairs.empty() && pass.reducedPairs.count(pairKey(c, lit)) > 0; }

}  // namespace

void createUndoStack() {
  // The trail starts at a modest size and grows by four; a probe seldom
  // needs more than a few entries per literal.
  int64_t want = int64_t(NLITS) * 20;
  pass.sizeUndoStack = int32_t(want < 1024 ? 1024 : (want > (1 << 20) ? (1 << 20) : want));
  pass.undoStack = qnew<UndoEntry>(size_t(pass.sizeUndoStack), "Memory Allocation Failure #22P\n");
  pass.topUndoStack = -1;
}

void releaseUndoStack() {
  qrelease(pass.undoStack);
  pass.sizeUndoStack = 0;
  pass.topUndoStack = -1;
  pass.reducedPairs.clear();
}

void growUndoStackFor(int32_t n) {
  int64_t newSize = pass.sizeUndoStack;
  while (int64_t(pass.topUndoStack) + n >= newSize) {
    if (newSize >= INT32_MAX) panic("Memory Allocation Failure #27P\n");
    newSize = newSize * 4 > INT32_MAX ? INT32_MAX : newSize * 4;
  }
  if (newSize == pass.sizeUndoStack) return;
  auto* bigger = qnew<UndoEntry>(size_t(newSize), "Memory Allocation Failure #27P\n");
  std::memcpy(bigger, pass.undoStack, sizeof(UndoEntry) * size_t(pass.topUndoStack + 1));
  qfree(pass.undoStack);
  pass.undoStack = bigger;
  pass.sizeUndoStack = int32_t(newSize);
}

void UndoChanges() {
  // Local copies: the restoring stores cannot then force the trail's
  // pointer and top to be read again.
  const UndoEntry* entries = pass.undoStack;
  for (int32_t top = pass.topUndoStack; top >= 0; top--) {
    const UndoEntry e = entries[top];
    if (e.kind == UNDO_VALUE) {
      PRELITS[e.ref].tval = e.old;
      continue;
    }
    switch (e.kind) {
      case UNDO_LENGTH: PRENCLS[e.ref].curLen++; break;
      case UNDO_QUEUED:
        PRELITS[e.ref].onUnitPropStack = false;
        setQueuedLit(e.ref, false);
        break;
      case UNDO_REDUCED: pass.reducedPairs.erase(pairKey(e.ref, e.old)); break;
      default: break;
    }
  }
  pass.topUndoStack = -1;
  pass.sweptOff.next();
}

bool pushUnitPropStack(int32_t lit) {
  preLit& L = PRELITS[lit];
  if (L.onUnitPropStack) return true;
  switch (probeValue(lit)) {
    case U:
      pass.unitPropStack[++pass.topUnitPropStack] = lit;
      recordUndo(UNDO_QUEUED, lit);
      L.onUnitPropStack = true;
      setQueuedLit(lit, true);
      for (int32_t k = 0; k < L.numNcls; k++) markSatisfied(L.LitNcls[k]);
      return true;
    case T:
      return true;
    case F:
      return false;
    default:
      std::printf("ERROR: Illegal value for tval for literal %d.\n", to_ff(lit));
      return true;
  }
}

void setProbeLength(int32_t c) {
  preNcls& C = PRENCLS[c];
  C.hrLen = C.curLen;
  int32_t deepest = -1;
  for (int32_t k = 0; k < C.hrLen; k++) {
    const preLit& L = PRELITS[C.lits[k]];
    if (!L.existential && L.prefixLevel > deepest) deepest = L.prefixLevel;
  }
  pass.hrMaxUniversal[c] = deepest;
  pass.clauseTally[c].riskAt = !C.active ? INT32_MAX : C.hrLen > 2 ? C.hrLen - 1 : 1;
  pass.clauseTally[c].maxUniversal = deepest;
  pass.hrWitness[c] = -1;
  for (int32_t k = 0; k < C.hrLen && pass.hrWitness[c] < 0; k++) {
    const preLit& L = PRELITS[C.lits[k]];
    if (L.existential && L.prefixLevel >= deepest) pass.hrWitness[c] = C.lits[k];
  }
}

void UnivReduc_Undo(int32_t c, int32_t level) {
  // Nothing is reducible without an unassigned universal at `level` or
  // deeper; the deepest universal of the clause bounds them all, and
  // skipping the scan keeps long clauses cheap.
  if (pass.hrMaxUniversal[c] < 0 || pass.hrMaxUniversal[c] < level) return;
  // Nor while an existential at least as deep as every universal is unassigned.
  if (pass.hrWitness[c] >= 0 && probeValue(pass.hrWitness[c]) == U) return;
  const preNcls& C = PRENCLS[c];
  int32_t maxE = -1, maxU = -1;
  for (int32_t k = 0; k < C.hrLen; k++) {
    const preLit& L = PRELITS[C.lits[k]];
    if (probeValue(C.lits[k]) != U) continue;
    if (L.existential) {
      if (L.prefixLevel > maxE) maxE = L.prefixLevel;
    } else if (L.prefixLevel > maxU) {
      maxU = L.prefixLevel;
    }
  }
  if (maxU <= maxE || maxU < level) return;
  for (int32_t k = 0; k < C.hrLen; k++) {
    int32_t lit = C.lits[k];
    const preLit& L = PRELITS[lit];
    if (L.existential || L.prefixLevel <= maxE || L.prefixLevel < level || probeValue(lit) != U) continue;
    if (!pass.reducedPairs.insert(pairKey(c, lit)).second) continue;  // counted already (or listed twice)
    recordUndo(UNDO_REDUCED, c, lit);
    shortenTentative(c);
  }
}

int32_t tentativeUnit(int32_t c) {
  const preNcls& C = PRENCLS[c];
  for (int32_t k = 0; k < C.hrLen; k++) {
    int32_t lit = C.lits[k];
    if (probeValue(lit) == U && !isReduced(c, lit)) return lit;
  }
  return -1;
}
