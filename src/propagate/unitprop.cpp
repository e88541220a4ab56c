// Top-level unit propagation.
//
// A literal made true here stays true: the clauses it satisfies are taken
// out of the other literals' occurrence and implication lists, and the
// clauses holding its negation lose that literal. Its own lists and those of
// its negation are left as they are; nothing walks them again, since neither
// literal is active any more.
//
// A clause shortened to two literals becomes a binary clause at once
// (changeNaryToBcls); universal reduction runs on every shortened clause
// first, and a clause it reduces to one literal queues that literal on the
// clause-level queues, which the main loop drains later.
#include "propagate/unitprop.h"

#include <cstdio>

#include "propagate/queues.h"
#include "propagate/univreduc.h"
#include "store/clauseops.h"
#include "store/lists.h"
#include "store/store.h"
#include "store/watch.h"

void satisfyNaryClauses(int32_t lit) {
  const preLit& P = PRELITS[lit];
  for (int32_t k = 0; k < P.numNcls; k++) {
    int32_t c = P.LitNcls[k];
    preNcls& C = PRENCLS[c];
    // Only a clause still in the store is counted: a literal that top-level
    // propagation made true while it waited on a clause-level queue keeps
    // the clauses it satisfied then, already counted, in its list.
    if (C.active) {
      numSatCls++;
      numSatNaryCls++;
    }
    C.active = false;
    for (int32_t j = 0; j < C.curLen; j++)
      if (C.lits[j] != lit) nclsRemoveFirst(C.lits[j], c);
  }
}

void UnitPropLit(int32_t lit) {
  preLit& P = PRELITS[lit];
  const int32_t neg = lit ^ 1;
  if (P.tval == T) return;
  if (P.tval == F) {
    CONTRADICTION = true;
    std::printf("c CONTRADICTION found(3)!\n");
    return;
  }
  numValuedLits += 2;
  P.tval = T;

  satisfyNaryClauses(lit);

  // Binary partners are forced.
  for (int32_t k = 0; k < P.numImpl; k++) {
    pushUPstack(P.implications[k]);
    if (CONTRADICTION) return;
    numSatCls++;
    numSatBcls++;
  }

  preLit& N = PRELITS[neg];
  N.tval = F;
  tellAssignedAtTop(lit);

  // Clauses holding the negation lose it.
  for (int32_t k = 0; k < N.numNcls; k++) {
    int32_t c = N.LitNcls[k];
    preNcls* C = &PRENCLS[c];
    clauseRemoveLiteral(c, neg);
    tellClauseShortened(c);
    if (universalReduction(C, c)) return;
    if (C->curLen == 2) changeNaryToBcls(C, c);
  }

  // Binary clauses (lit v y) are satisfied: drop their other halves.
  for (int32_t k = 0; k < N.numImpl; k++) {
    int32_t y = N.implications[k];
    if (PRELITS[y ^ 1].tval == U) {
      implRemoveFirst(y ^ 1, lit);
      numSatCls++;
      numSatBcls++;
    }
  }
}

void drainUPstack() {
  UPstackRec* q = UPstack;
  while (!CONTRADICTION && q->count > 0) {
    int32_t lit = q->items[--q->count];
    q->inStack[lit] = false;
    UnitPropLit(PRELITS[lit].equivLit);
  }
  if (CONTRADICTION) clearQueue(q);
}

void seedUnitClauses() {
  for (ClauseListNode* n = lenNclauses[1]; n != nullptr; n = n->next) {
    pushUPstack(n->lits[0]);
    if (CONTRADICTION) return;
    numSatCls++;
    numInitUnits++;
  }
}
