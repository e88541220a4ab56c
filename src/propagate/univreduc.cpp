// Universal reduction.
//
// A universal literal quantified inside every existential literal of a
// clause can be removed: the opponent would always choose it false, and
// nothing chosen after it can repair the clause. The bound is the deepest
// existential literal, counted from level 0, so that universal literals of
// the outermost block are never removed; free variables (level -1) never
// raise it.
//
// The clause array is compacted in place by moving the last literal into
// each freed place; the writer reads the same array, so this order shows.
#include "propagate/univreduc.h"

#include <cstdio>

#include "propagate/queues.h"
#include "store/check.h"
#include "store/lists.h"

bool universalReduction(preNcls* Cls, int32_t c) {
  int32_t E = 0, A = -1;
  for (int32_t k = 0; k < Cls->curLen; k++) {
    const preLit& L = PRELITS[Cls->lits[k]];
    if (L.existential) {
      if (L.prefixLevel > E) E = L.prefixLevel;
    } else if (L.prefixLevel > A) {
      A = L.prefixLevel;
    }
  }
  if (A <= E) return false;

  int32_t n = 0, survivor = -1;
  for (int32_t k = 0; k < Cls->curLen; k++)
    if (PRELITS[Cls->lits[k]].prefixLevel <= E) {
      n++;
      survivor = Cls->lits[k];
    }
  if (n == 0) {
    std::printf("\n Empty Clause detected during universalReduction! \n");
    CONTRADICTION = true;
    std::printf("c CONTRADICTION found! 8\n");
    return true;
  }
  if (n == 1) {
    Cls->active = false;
    pushbclsUPstack(survivor);
    pushnaryUPstack(survivor);
    if (CONTRADICTION) return true;
    // The clause leaves the store as its unit, which satisfies it once
    // propagated; that propagation no longer finds the clause, so it is
    // counted here.
    numSatCls++;
    numSatNaryCls++;
    for (int32_t k = 0; k < Cls->curLen; k++) nclsRemoveFirst(Cls->lits[k], c);
  } else {
    // The removed literals leave the clause, so the clause leaves their
    // occurrence lists too: a probe that later assigns such a literal walks
    // its list and would shorten this clause for a literal it no longer has.
    for (int32_t k = 0; k < Cls->curLen; k++)
      if (PRELITS[Cls->lits[k]].prefixLevel > E) nclsRemoveFirst(Cls->lits[k], c);
  }

  int32_t len = Cls->curLen;
  for (int32_t k = 0; k < len;) {
    if (PRELITS[Cls->lits[k]].prefixLevel > E) {
      Cls->lits[k] = Cls->lits[len - 1];
      len--;
    } else {
      k++;
    }
  }
  Cls->curLen = len;
  QSHRINK_CHECK(Cls->curLen == n, "universalReduction", "Cls->curLen == newlen");
  return false;
}
