// The hyper-binary resolution pass.
//
// A probe starts from every active literal that no other literal implies (a
// root of the implication graph), in ascending index order; the probes
// recurse into everything the roots imply. When a root fails, its negation
// is propagated at top level before the loop moves on, so literals assigned
// by that propagation are not probed.
//
// hrLen holds each clause's length for the probes. Top-level propagation
// between probes shortens clauses and moves removed literals beyond curLen,
// so after each such propagation hrLen is brought back to curLen for the
// clauses it touched; a stale hrLen would count those literals again.
#include <cassert>
#include <vector>

#include "hyperres/hypres.h"
#include "hyperres/idlenotes.h"
#include "hyperres/pools.h"
#include "hyperres/trail.h"
#include "propagate/unitprop.h"
#include "store/check.h"
#include "store/store.h"

void releasePassTables() {
#ifndef NDEBUG
  // The list edits of the pass kept every print of a list up to date.
  if (listPrint != nullptr)
    for (int32_t i = 0; i < NLITS; i++) assert(listPrint[i] == printOfList(i));
#endif
  clearProbeScratch();
  cleanupUniqueSetArray();
  cleanupNewImplicantListArray();
  releaseUndoStack();
  qrelease(hrMaxUniversal);
  qrelease(hrWitness);
  qrelease(closedTag);
  qrelease(targetFree);
  qrelease(sweptOff);
  qrelease(baseMark);
  qrelease(closedSets);
  qrelease(setPosition);
  qrelease(countedIn);
  qrelease(clauseTally);
  qrelease(queuedLit);
  qrelease(searchLits);
  qrelease(searchArena);
  qrelease(listPrint);
  extrasView.set = nullptr;
}

void releasePassStorage(UniqueSet* implicants) {
  releasePassTables();
  freeUniqueSetStorage(implicants);
}

void preparePass() {
  for (int32_t i = 0; i < NLITS; i++) {
    PRELITS[i].dfsColour = 0;
    PRELITS[i].onUnitPropStack = false;
  }
  initUniqueSetArray();
  initNewImplicantListArray();
  createUndoStack();
  hrMaxUniversal = qnew<int32_t>(size_t(NUMNCLS), "Memory Allocation Failure #22P\n");
  hrWitness = qnew<int32_t>(size_t(NUMNCLS), "Memory Allocation Failure #22P\n");
  closedTag = qnew<uint32_t>(size_t(NLITS), "Memory Allocation Failure #22P\n");
  closedTagLast = 0;
  targetFree = qnew<uint32_t>(size_t(NLITS), "Memory Allocation Failure #22P\n");
  targetFreeLast = 0;
  sweptOff = qnew<uint32_t>(size_t(NUMNCLS), "Memory Allocation Failure #22P\n");
  sweepNow = 1;
  baseMark = qnew<uint32_t>(size_t(NLITS), "Memory Allocation Failure #22P\n");
  baseMarkLast = 0;
  closedSets = qnew<ClosedSetNote>(size_t(NLITS), "Memory Allocation Failure #22P\n");
  drainCount = 0;
  setPosition = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #22P\n");
  countedIn = qnew<uint32_t>(size_t(NUMNCLS), "Memory Allocation Failure #22P\n");
  countedNow = 0;
  clauseTally = qnew<ClauseTally>(size_t(NUMNCLS), "Memory Allocation Failure #22P\n");
  queuedLit = qnew<uint64_t>(size_t(NLITS) / 64 + 1, "Memory Allocation Failure #22P\n");  // no literal queued
  tallyNow = 0;
  searchLits = qnew<SearchLit>(size_t(NLITS), "Memory Allocation Failure #22P\n");
  buildSearchLits();
  listPrint = qnew<uint64_t>(size_t(NLITS), "Memory Allocation Failure #22P\n");
  for (int32_t i = 0; i < NLITS; i++) listPrint[i] = printOfList(i);
  for (int32_t c = 0; c < NUMNCLS; c++) setProbeLength(c);
  noteClauseChanges();
}

namespace {

// Releases the pass's storage however the pass ends, a fatal error that
// throws included; releasing twice is harmless.
struct PassStorage {
  UniqueSet implicants;
  PassStorage() { initUniqueSet(&implicants); }
  ~PassStorage() { releasePassStorage(&implicants); }
};

}  // namespace

void runHypRes() {
  foundNewBcls = false;
  foundNewForced = false;
  PassStorage storage;
  UniqueSet& UPImplicants = storage.implicants;
  preparePass();

  std::vector<int32_t> touched;
  for (int32_t i = 0; i < NLITS; i++) {
    preLit& L = PRELITS[i];
    if (L.equivLit != i || L.tval != U || L.dfsColour != 0 || PRELITS[i ^ 1].numImpl != 0) continue;
    if (!HypRes(&L, &UPImplicants)) {
      foundNewForced = true;
      QSHRINK_CHECK(topUndoStack == -1, "runHypRes", "topUndoStack == -1");
      touched.clear();
      touchedClauses = &touched;
      drainUPstack();
      drainCount++;
      touchedClauses = nullptr;
      if (CONTRADICTION) {
        releasePassStorage(&UPImplicants);
        return;
      }
      noteDrainChanges(touched);
    }
    usEmpty(&UPImplicants);
  }
  releasePassStorage(&UPImplicants);
}
