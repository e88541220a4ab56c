// Equivalent-literal substitution.
//
// After a component search every literal x on equivLitStack stands for its
// representative rx. The binary pass rewrites each binary clause (-x v y) of
// x into (-rx v ry); the n-ary pass rewrites each n-ary clause of x onto rx.
// On the way a rewritten clause may become a tautology (dropped), a duplicate
// (dropped), a unit (queued on the clause-level queues) or universally
// reducible, since the representative may lie in another block than x.
//
// Order: the main loop runs the binary pass, drains the queues, then runs the
// n-ary pass, so that a representative valued by the binary pass is
// propagated into the n-ary clauses of x instead of being substituted.
// x itself is inactive afterwards; its own lists are read, never cleaned.
#include "equiv/substitute.h"

#include "propagate/clauseprop.h"
#include "propagate/queues.h"
#include "propagate/univreduc.h"
#include "store/clauseops.h"
#include "store/lists.h"
#include "store/store.h"

namespace {

int32_t rep(int32_t z) { return PRELITS[z].equivLit; }

// Queues a unit that a rewritten binary clause became, n-ary queue first.
void queueBoth(int32_t lit) {
  pushnaryUPstack(lit);
  pushbclsUPstack(lit);
}

bool clauseHolds(const preNcls* C, int32_t lit) {
  for (int32_t j = 0; j < C->curLen; j++)
    if (C->lits[j] == lit) return true;
  return false;
}

void countSatisfiedBinary() {
  numSatCls++;
  numSatBcls++;
}

}  // namespace

void runbclsEquivLitReduction() {
  EquivLitStackRec* s = equivLitStack;
  while (s->done >= 0) {
    int32_t x = s->items[s->done--];
    int32_t rx = rep(x);
    const preLit& X = PRELITS[x];
    for (int32_t k = 0; k < X.numImpl; k++) {
      int32_t y = X.implications[k];
      int32_t ry = rep(y), rny = rep(y ^ 1);
      const preLit& RX = PRELITS[rx];
      const preLit& RY = PRELITS[ry];
      if (rx == rny || rx == ry) {
        if (implRemoveFirst(y ^ 1, x ^ 1)) countSatisfiedBinary();
        if (rx == rny) {
          queueBoth(rx ^ 1);
          if (CONTRADICTION) return;
        }
      } else if (!RX.existential && RX.prefixLevel > RY.prefixLevel) {
        // Universal reduction leaves a unit, which satisfies the clause: its
        // other half goes and the clause is counted once, as above. Left in
        // place, the half would stay uncounted in the list of an active
        // universal literal, naming a literal that is not active any more.
        if (implRemoveFirst(y ^ 1, x ^ 1)) countSatisfiedBinary();
        queueBoth(ry);
        if (CONTRADICTION) return;
      } else if (!RY.existential && RY.prefixLevel > RX.prefixLevel) {
        if (implRemoveFirst(y ^ 1, x ^ 1)) countSatisfiedBinary();
        queueBoth(rx ^ 1);
        if (CONTRADICTION) return;
      } else {
        if (addBcls(rx, ry)) numAddBcls++;
        if (rep(y) == y) {
          // Rewrite the other half in place where possible. A missing half
          // leaves the list as it is.
          int32_t p = implFindLast(y ^ 1, x ^ 1);
          if (p >= 0) {
            if (implFind(y ^ 1, rx ^ 1) >= 0) {
              implRemoveAt(y ^ 1, p);
            } else {
              implSetAt(y ^ 1, p, rx ^ 1);
              PRELITS[y ^ 1].hasNewBcls = true;
            }
            countSatisfiedBinary();
          }
        } else {
          if (implRemoveFirst(y ^ 1, x ^ 1)) countSatisfiedBinary();
          addBcls(rny, rx ^ 1);
        }
      }
    }
  }
}

void runnaryEquivLitReduction() {
  EquivLitStackRec* s = equivLitStack;
  while (s->done >= 0) {
    int32_t x = s->items[s->done--];
    int32_t rx = rep(x);
    int32_t v = PRELITS[x].tval, vr = PRELITS[rx].tval;
    if (v != U || vr != U) {
      // The class has a value: propagate it into the clauses still naming x.
      if (!PRELITS[x].naryDone) naryUnitProp(v == T || vr == T ? x : x ^ 1);
      if (CONTRADICTION) return;
      continue;
    }
    const preLit& X = PRELITS[x];
    for (int32_t k = 0; k < X.numNcls; k++) {
      int32_t c = X.LitNcls[k];
      preNcls* C = &PRENCLS[c];
      int32_t p = -1;
      bool hasRx = false, tautology = false;
      for (int32_t j = 0; j < C->curLen; j++) {
        int32_t l = C->lits[j];
        if (l == x) p = j;
        if (l == rx) hasRx = true;
        if (l == (rx ^ 1)) {
          tautology = true;
          break;
        }
      }
      if (tautology) {
        for (int32_t j = 0; j < C->curLen; j++)
          if (C->lits[j] != x) nclsRemoveFirst(C->lits[j], c);
        numSatCls++;
        numSatNaryCls++;
        C->active = false;
      }
      if (!C->active) continue;
      if (p < 0) continue;  // x is not in the clause any more: nothing to rewrite
      if (hasRx) {
        C->lits[p] = C->lits[C->curLen - 1];
        C->curLen--;
        if (universalReduction(C, c)) return;
        if (C->curLen == 2) convertNaryToBcls(C, c);
      } else {
        C->lits[p] = rx;
        if (universalReduction(C, c)) return;
        // rx is registered only while the clause is active and still holds
        // it: universal reduction may have removed rx (a universal in a
        // deeper block than the rest) or turned the clause into a unit, and
        // an occurrence entry for a clause that no longer holds rx would
        // later be shortened for rx.
        if (C->active && clauseHolds(C, rx)) addNcls(rx, c);
        // A clause that universal reduction left with two literals becomes
        // a pending binary clause too; kept as an n-ary clause of length 2
        // it could later shrink to nothing without anyone noticing.
        if (C->active && C->curLen == 2) convertNaryToBcls(C, c);
      }
    }
  }
}
