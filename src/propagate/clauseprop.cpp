// Clause-level propagation.
//
// Inside the main loop a forced literal is not propagated at once: it is
// queued on bclsUPstack and naryUPstack, and the loop drains them at fixed
// points of its sequence. The two halves are independent: each makes the
// literal true and its negation false, and each remembers in its own done
// flag what it has processed, so either may be the first to assign a
// variable.
//
// Both halves refuse a universal literal and a literal that is already false
// before doing anything. The queues check the literal that was queued, but
// propagation works on its representative, which may be universal or may
// have been made false at top level since; making either true would satisfy
// clauses that are not satisfied.
//
// The pending binary clauses (store/clauseops.h) are committed here once the
// representatives and values of the current phase are known: truth values,
// representatives, tautologies, duplicates and universal reduction of each
// pair decide whether it becomes a binary clause, a unit or nothing.
#include "propagate/clauseprop.h"

#include <cstdio>

#include "propagate/queues.h"
#include "propagate/unitprop.h"
#include "propagate/univreduc.h"
#include "store/clauseops.h"
#include "store/lists.h"
#include "store/store.h"

namespace {

// Common entry test of both halves: true when l must not be propagated
// (already done, or a contradiction was reported).
bool refuse(int32_t l, bool done, const char* universalMsg, const char* falseMsg) {
  const preLit& L = PRELITS[l];
  if (!L.existential) {
    CONTRADICTION = true;
    std::printf("%s\n", universalMsg);
    return true;
  }
  if (done && L.tval == T) return true;
  if (L.tval == F) {
    CONTRADICTION = true;
    std::printf("%s\n", falseMsg);
    return true;
  }
  return false;
}

}  // namespace

void bclsUnitProp(int32_t l) {
  preLit& L = PRELITS[l];
  if (refuse(l, L.bclsDone, "c CONTRADICTION found! 9", "c CONTRADICTION found! 6")) return;
  // True before either half ran: top-level propagation made the literal
  // true while it waited here, and counted it and its binary clauses then.
  const bool counted = L.tval == T && !L.naryDone;
  if (!counted) numValuedLits += 2;
  L.tval = T;
  L.bclsDone = true;
  for (int32_t k = 0; k < L.numImpl; k++) {
    int32_t j = L.implications[k];
    pushbclsUPstack(j);
    pushnaryUPstack(j);
    if (CONTRADICTION) return;
    if (!counted && !PRELITS[j].bclsDone) {
      numSatCls++;
      numSatBcls++;
    }
  }
  preLit& N = PRELITS[l ^ 1];
  N.tval = F;
  N.bclsDone = true;
  for (int32_t k = 0; k < N.numImpl; k++) {
    int32_t m = N.implications[k] ^ 1;
    if (PRELITS[m].tval == U) implRemoveFirst(m, l);
    if (!counted && !PRELITS[m].bclsDone) {
      numSatCls++;
      numSatBcls++;
    }
  }
}

void naryUnitProp(int32_t l) {
  preLit& L = PRELITS[l];
  if (refuse(l, L.naryDone, "c CONTRADICTION found! 10", "c CONTRADICTION found! 3")) return;
  L.tval = T;
  L.naryDone = true;
  satisfyNaryClauses(l);
  const int32_t neg = l ^ 1;
  preLit& N = PRELITS[neg];
  N.tval = F;
  N.naryDone = true;
  for (int32_t k = 0; k < N.numNcls; k++) {
    int32_t c = N.LitNcls[k];
    preNcls* C = &PRENCLS[c];
    clauseRemoveLiteral(c, neg);
    if (universalReduction(C, c)) return;
    if (C->curLen == 2) convertNaryToBcls(C, c);
  }
}

void runPropagationStep() {
  while (bclsUPstack->count > 0) {
    int32_t lit = bclsUPstack->items[--bclsUPstack->count];
    bclsUPstack->inStack[lit] = false;
    bclsUnitProp(PRELITS[lit].equivLit);
    if (CONTRADICTION) break;
  }
  while (!CONTRADICTION && naryUPstack->count > 0) {
    int32_t lit = naryUPstack->items[--naryUPstack->count];
    naryUPstack->inStack[lit] = false;
    naryUnitProp(PRELITS[lit].equivLit);
  }
  if (CONTRADICTION) {
    clearQueue(naryUPstack);
    clearQueue(bclsUPstack);
  }
}

namespace {

// Queues a literal of a committed pair that has become a unit, n-ary queue first.
void queueUnit(int32_t naryLit, int32_t bclsLit) {
  pushnaryUPstack(naryLit);
  pushbclsUPstack(bclsLit);
}

}  // namespace

void addnewBclsStacktoLit() {
  NewBclsStackRec* s = newBclsStack;
  while (s->top >= 1) {
    int32_t b = s->items[s->top];
    int32_t a = s->items[s->top - 1];
    s->top -= 2;
    numAddBcls++;
    int32_t ra = PRELITS[a].equivLit, rb = PRELITS[b].equivLit;
    int32_t va = PRELITS[ra].tval, vb = PRELITS[rb].tval;
    if (va != U || vb != U) {
      numSatCls++;
      numSatBcls++;
    }
    if (va == T || vb == T) continue;
    if (va == F) {
      if (vb == F) {
        CONTRADICTION = true;
        std::printf("c CONTRADICTION found! 7\n");
        return;
      }
      queueUnit(b, b);
      if (CONTRADICTION) return;
      continue;
    }
    if (vb == F) {
      queueUnit(a, a);
      if (CONTRADICTION) return;
      continue;
    }
    const preLit& A = PRELITS[ra];
    const preLit& B = PRELITS[rb];
    if (ra == rb) {
      queueUnit(rb, ra);
      if (CONTRADICTION) return;
      numSatCls++;
      numSatBcls++;
    } else if (ra == (rb ^ 1)) {
      numSatCls++;
      numSatBcls++;
    } else if (!A.existential && A.prefixLevel > B.prefixLevel) {
      // Universal reduction leaves the unit rb: the pair counted as added
      // above is not added, so it counts as satisfied, as the unit does.
      queueUnit(rb, rb);
      if (CONTRADICTION) return;
      numSatCls++;
      numSatBcls++;
    } else if (!B.existential && B.prefixLevel > A.prefixLevel) {
      queueUnit(ra, ra);
      if (CONTRADICTION) return;
      numSatCls++;
      numSatBcls++;
    } else if (addBcls(ra ^ 1, rb)) {
      addBcls(rb ^ 1, ra);
    } else {
      numSatCls++;
      numSatBcls++;
    }
  }
}
