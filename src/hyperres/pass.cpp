// The hyper-binary resolution pass.
//
// A probe starts from every active literal that no other literal implies (a
// root of the implication graph), in ascending index order; the probes
// nest into everything the roots imply. When a root fails, its negation
// is propagated at top level before the loop moves on, so literals assigned
// by that propagation are not probed.
//
// hrLen holds each clause's length for the probes. Top-level propagation
// between probes shortens clauses and moves removed literals beyond curLen,
// so after each such propagation hrLen is brought back to curLen for the
// clauses it touched; a stale hrLen would count those literals again.
#include <cassert>
#include <cstring>
#include <vector>

#include "hyperres/hypres.h"
#include "hyperres/idlenotes.h"
#include "hyperres/passstate.h"
#include "hyperres/pools.h"
#include "hyperres/trail.h"
#include "propagate/unitprop.h"
#include "store/check.h"
#include "store/store.h"

HyperPass pass;
bool foundNewBcls = false;
bool foundNewForced = false;

void HyperPass::implicationEdited(int32_t lit, int32_t left, int32_t entered) {
  if (entered >= 0) pass.implEpoch++;
  if (pass.listPrint != nullptr) {
    if (left >= 0) pass.listPrint[lit] -= memberKey(left);
    if (entered >= 0) pass.listPrint[lit] += memberKey(entered);
  }
  refreshSearchList(lit);
}

void HyperPass::assignedAtTop(int32_t lit) {
  refreshSearchEntry(lit);
  refreshSearchEntry(lit ^ 1);
}

namespace {

// Every literal, in the order a depth-first search from the roots (the
// pass's order) first meets them, followed by those it does not meet.
std::vector<int32_t> searchOrder() {
  std::vector<int32_t> order;
  order.reserve(size_t(NLITS));
  std::vector<char> met(size_t(NLITS), 0);
  std::vector<std::pair<int32_t, int32_t>> stack;
  for (int32_t r = 0; r < NLITS; r++) {
    if (met[size_t(r)] || !searchMayEnter(PRELITS[r]) || PRELITS[r ^ 1].numImpl != 0) continue;
    met[size_t(r)] = 1;
    order.push_back(r);
    stack.push_back({r, 0});
    while (!stack.empty()) {
      auto& [lit, next] = stack.back();
      const preLit& L = PRELITS[lit];
      if (next >= L.numImpl) {
        stack.pop_back();
        continue;
      }
      int32_t c = L.implications[next++];
      if (met[size_t(c)] || !searchMayEnter(PRELITS[c])) continue;
      met[size_t(c)] = 1;
      order.push_back(c);
      stack.push_back({c, 0});
    }
  }
  for (int32_t i = 0; i < NLITS; i++)
    if (!met[size_t(i)]) order.push_back(i);
  return order;
}

}  // namespace

// The SearchLits point at copies of the lists, laid out in search order: the
// searches of the probes then read the lists of literals met one after the
// other from neighbouring memory. An edit points the literal back at its own
// list.
void buildSearchLits() {
  size_t total = 0;
  for (int32_t i = 0; i < NLITS; i++) {
    const preLit& L = PRELITS[i];
    pass.searchLits[i].universalLevel = L.existential ? INT32_MIN : L.prefixLevel;
    pass.searchLits[i].count = 0;
    refreshSearchList(i);
    refreshSearchEntry(i);
    total += size_t(L.numImpl);
  }
  qrelease(pass.searchArena);  // the copies of an earlier build
  pass.searchArena = qnew<int32_t>(total, "Memory Allocation Failure #22P\n");
  size_t used = 0;
  for (int32_t lit : searchOrder()) {
    const preLit& L = PRELITS[lit];
    if (L.numImpl == 0) continue;
    std::memcpy(pass.searchArena + used, L.implications, sizeof(int32_t) * size_t(L.numImpl));
    pass.searchLits[lit].implications = pass.searchArena + used;
    used += size_t(L.numImpl);
  }
}

uint64_t printOfList(int32_t lit) {
  const preLit& L = PRELITS[lit];
  uint64_t print = 0;
  for (int32_t k = 0; k < L.numImpl; k++) print += memberKey(L.implications[k]);
  return print;
}

void releasePassTables() {
#ifndef NDEBUG
  // The list edits of the pass kept every print of a list up to date.
  if (pass.listPrint != nullptr)
    for (int32_t i = 0; i < NLITS; i++) assert(pass.listPrint[i] == printOfList(i));
#endif
  if (storeListener == &pass) storeListener = nullptr;
  clearProbeScratch();
  cleanupUniqueSetArray();
  cleanupNewImplicantListArray();
  releaseUndoStack();
  qrelease(pass.unitPropStack);
  pass.topUnitPropStack = -1;
  qrelease(pass.hrMaxUniversal);
  qrelease(pass.hrWitness);
  pass.closedTag.release();
  pass.targetFree.release();
  pass.sweptOff.release();
  pass.baseMark.release();
  qrelease(pass.closedSets);
  qrelease(pass.setPosition);
  pass.countedIn.release();
  pass.clauseTally.release();
  qrelease(pass.queuedLit);
  qrelease(pass.searchLits);
  qrelease(pass.searchArena);
  qrelease(pass.listPrint);
  pass.extrasView = {nullptr, 0, false};
  pass.drainCount = 0;
  pass.implEpoch = 0;
  pass.touched.clear();
  pass.touched.shrink_to_fit();
  pass.sweepOdd.clear();
  pass.sweepOdd.shrink_to_fit();
}

void releasePassStorage(UniqueSet* implicants) {
  releasePassTables();
  freeUniqueSetStorage(implicants);
}

void resetHyperres() {
  releasePassTables();
  resetIdleNotes();
  foundNewBcls = foundNewForced = false;
}

void preparePass() {
  for (int32_t i = 0; i < NLITS; i++) {
    PRELITS[i].dfsColour = 0;
    PRELITS[i].onUnitPropStack = false;
  }
  constexpr const char* failMsg = "Memory Allocation Failure #22P\n";
  initUniqueSetArray();
  initNewImplicantListArray();
  createUndoStack();
  pass.hrMaxUniversal = qnew<int32_t>(size_t(NUMNCLS), failMsg);
  pass.hrWitness = qnew<int32_t>(size_t(NUMNCLS), failMsg);
  pass.closedTag.allocate(size_t(NLITS), failMsg);
  pass.targetFree.allocate(size_t(NLITS), failMsg);
  pass.sweptOff.allocate(size_t(NUMNCLS), failMsg);
  pass.sweptOff.next();  // no clause carries the first number
  pass.baseMark.allocate(size_t(NLITS), failMsg);
  pass.closedSets = qnew<ClosedSetNote>(size_t(NLITS), failMsg);
  pass.drainCount = 0;
  pass.setPosition = qnew<int32_t>(size_t(NLITS), failMsg);
  pass.countedIn.allocate(size_t(NUMNCLS), failMsg);
  pass.clauseTally.allocate(size_t(NUMNCLS), failMsg);
  pass.queuedLit = qnew<uint64_t>(size_t(NLITS) / 64 + 1, failMsg);  // no literal queued
  pass.searchLits = qnew<SearchLit>(size_t(NLITS), failMsg);
  buildSearchLits();
  pass.listPrint = qnew<uint64_t>(size_t(NLITS), failMsg);
  for (int32_t i = 0; i < NLITS; i++) pass.listPrint[i] = printOfList(i);
  pass.unitPropStack = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #13P\n");
  pass.topUnitPropStack = -1;
  pass.implEpoch = 0;
  for (int32_t c = 0; c < NUMNCLS; c++) setProbeLength(c);
  noteClauseChanges();
  storeListener = &pass;
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

int32_t runHypRes(bool (*stopHere)()) {
  foundNewBcls = false;
  foundNewForced = false;
  PassStorage storage;
  UniqueSet& UPImplicants = storage.implicants;
  preparePass();

  int32_t probed = 0;
  for (int32_t i = 0; i < NLITS; i++) {
    preLit& L = PRELITS[i];
    if (L.equivLit != i || L.tval != U || L.dfsColour != 0 || PRELITS[i ^ 1].numImpl != 0) continue;
    if (stopHere != nullptr && stopHere()) {
      releasePassStorage(&UPImplicants);
      return probed;
    }
    probed++;
    if (!HypRes(&L, &UPImplicants)) {
      foundNewForced = true;
      QSHRINK_CHECK(pass.topUndoStack == -1, "runHypRes", "pass.topUndoStack == -1");
      pass.touched.clear();
      drainUPstack();
      pass.drainCount++;
      if (CONTRADICTION) {
        releasePassStorage(&UPImplicants);
        return -1;
      }
      noteDrainChanges(pass.touched);
    }
    usEmpty(&UPImplicants);
  }
  releasePassStorage(&UPImplicants);
  return -1;
}
