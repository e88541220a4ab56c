// The preprocessing run: build the store, propagate the unit clauses, then
// repeat equivalence reduction and hyper-binary resolution to a fixed point.
//
// The unit clauses are queued before the binary clauses are loaded, so that
// two contradicting units end the run before anything else is built; they
// are propagated once every clause is in place.
//
// An equivalence phase finds the components of the implication graph (all
// of it the first time, afterwards only from literals that gained a binary
// clause), substitutes the representatives in the binary clauses, drains the
// clause-level queues, substitutes in the n-ary clauses, and then commits the
// pending binary clauses and drains again until none is pending. A
// hyper-binary resolution pass follows. The loop ends when an iteration
// found no new representative, added no resolvent and forced no literal:
// each of those can happen only finitely often, since no top-level
// assignment is ever undone.
//
// A bounded run (bounds.h) may stop before a pass or between two root
// probes of one. The resolvents of the stopped pass may close new cycles
// of equivalent literals; one more equivalence phase, cheap beside a pass,
// takes them before the run ends.
#include "driver/preprocessor.h"

#include <cstdio>
#include <string>

#include "driver/bounds.h"
#include "driver/progress.h"
#include "driver/stats.h"
#include "equiv/findscc.h"
#include "equiv/substitute.h"
#include "hyperres/hypres.h"
#include "propagate/clauseprop.h"
#include "propagate/queues.h"
#include "propagate/unitprop.h"
#include "store/build.h"
#include "store/check.h"
#include "store/clauseops.h"
#include "store/panic.h"
#include "store/store.h"

namespace {

// One equivalence phase; false when it ended in a contradiction.
bool equivalencePhase(void (*search)()) {
  progressNote("equivalent literals");
  initSCC();
  search();
  if (CONTRADICTION) return false;
  for (int32_t i = 0; i < NLITS; i++) PRELITS[i].hasNewBcls = false;

  equivLitStack->done = equivLitStack->top;
  runbclsEquivLitReduction();
  if (CONTRADICTION) return false;
  runPropagationStep();
  if (CONTRADICTION) return false;

  equivLitStack->done = equivLitStack->top;
  runnaryEquivLitReduction();
  if (CONTRADICTION) return false;

  do {
    addnewBclsStacktoLit();
    if (CONTRADICTION) {
      clearQueue(naryUPstack);
      clearQueue(bclsUPstack);
      return false;
    }
    runPropagationStep();
    if (CONTRADICTION) return false;
  } while (newBclsStack->top != -1);
  CHECK_STORE("after an equivalence phase", true);
  return true;
}

// The pass now due; the first comes before the first iteration.
int32_t passNumber() { return mainLoopIterations + 1; }

// Whether a bound, or the strong mode's allowance, stops the run before the
// next pass; only a bound is reported.
bool stopBeforePass() {
  if (!boundReached()) return allowanceReached();
  noteStop("before hyper-binary resolution pass " + std::to_string(passNumber()));
  return true;
}

bool boundOrAllowanceReached() { return boundReached() || allowanceReached(); }

// One pass; false when it ended in a contradiction. `stopped` tells
// whether a bound ended it early.
bool hyperBinaryResolutionStep(bool& stopped) {
  const bool trace = statsWanted();
  double start = trace ? GetInternalRunTime() : 0;
  int32_t added = numAddBcls, removed = numSatBcls;
  progressNote("hyper-binary resolution");
  const int32_t probed =
      runHypRes(boundsActive() || allowanceActive() ? boundOrAllowanceReached : nullptr);
  stopped = probed >= 0;
  if (stopped && boundReached())
    noteStop("in hyper-binary resolution pass " + std::to_string(passNumber()) + " after " + std::to_string(probed) +
             " root probes");
  // For benchmarks: one line per pass on standard error.
  if (trace)
    std::fprintf(stderr, "qshrink-stats pass: %.2f s, %d binary clauses added, %d removed, forced %d, equivalences %d\n",
                 GetInternalRunTime() - start, numAddBcls - added, numSatBcls - removed, int(foundNewForced),
                 numEquivLits);
  if (CONTRADICTION) return false;
  CHECK_STORE("after a hyper-binary resolution pass", false);
  return true;
}

}  // namespace

void buildAndPropagateUnits() {
  createStore();
  seedUnitClauses();
  if (CONTRADICTION) return;
  loadBinaryClauses();
  drainUPstack();
}

void preprocessor() {
  const bool trace = statsWanted();
  double start = trace ? GetInternalRunTime() : 0;
  progressNote("building the store");
  buildAndPropagateUnits();
  // For benchmarks: the time of the build and the unit propagation.
  if (trace) std::fprintf(stderr, "qshrink-stats build and units: %.2f s\n", GetInternalRunTime() - start);
  if (CONTRADICTION) return;
  CHECK_STORE("after unit propagation", false);

  equivLitStack = qnew<EquivLitStackRec>(1, "Memory Allocation Failure #13P\n");
  // A formula with fewer than ten literal indices still needs room for pushes.
  equivLitStack->size = NLITS / 10 < 1 ? 1 : NLITS / 10;
  equivLitStack->items = qnew<int32_t>(size_t(equivLitStack->size), "Memory Allocation Failure #13P\n");
  equivLitStack->top = -1;
  equivLitStack->done = -1;

  bool stopped = false;
  if (!equivalencePhase(findSCC) || stopBeforePass()) return;
  if (!hyperBinaryResolutionStep(stopped)) return;
  for (;;) {
    if (!stopped) mainLoopIterations++;
    equivLitStack->top = -1;
    if (!equivalencePhase(incrFindSCC) || stopped || stopBeforePass()) return;
    if (!hyperBinaryResolutionStep(stopped)) return;
    if (!stopped && equivLitStack->top < 0 && !foundNewBcls && !foundNewForced) return;
  }
}
