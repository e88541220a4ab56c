// Consistency check of the formula store.
//
// The store deliberately keeps some stale entries: a literal that is no
// longer active (assigned, or represented by another literal) keeps its own
// implication and occurrence lists, and entries naming it may remain in the
// lists of others. The check therefore looks only at what the passes rely
// on: the lists of active literals and the active clauses.
#include "driver/checkstore.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "store/store.h"

namespace {

const char* checkPoint = "";

[[noreturn]] void broken(const char* what, int32_t a, int32_t b) {
  std::printf("qshrink: store check failed %s: %s (%d, %d)\n", checkPoint, what, a, b);
  std::fflush(stdout);
  std::abort();
}

bool active(int32_t lit) { return PRELITS[lit].equivLit == lit && PRELITS[lit].tval == U; }

bool clauseHolds(const preNcls& C, int32_t lit) {
  for (int32_t k = 0; k < C.curLen; k++)
    if (C.lits[k] == lit) return true;
  return false;
}

}  // namespace

void checkStore(const char* where, bool queuesDrained) {
  checkPoint = where;
  std::unordered_set<int32_t> seen;
  for (int32_t i = 0; i < NLITS; i++) {
    const preLit& L = PRELITS[i];
    // Every literal's representative is a representative, and truth values
    // of the two polarities agree.
    if (PRELITS[L.equivLit].equivLit != L.equivLit) broken("representative chain longer than one step", i, L.equivLit);
    if ((L.tval == T) != (PRELITS[i ^ 1].tval == F) && L.tval != U && PRELITS[i ^ 1].tval != U)
      broken("polarities disagree", i, L.tval);
    if (L.numImpl > L.implCap || L.numNcls > L.nclsCap) broken("list count above capacity", i, L.numImpl);
    if (!active(i)) continue;
    // Implication lists of an active literal: no repeated entry, and the
    // other half of every clause between two active literals is present.
    seen.clear();
    for (int32_t k = 0; k < L.numImpl; k++) {
      int32_t y = L.implications[k];
      if (!seen.insert(y).second) broken("implication listed twice", i, y);
      if (!active(y)) continue;
      const preLit& Y = PRELITS[y ^ 1];
      bool found = false;
      for (int32_t m = 0; m < Y.numImpl && !found; m++) found = Y.implications[m] == (i ^ 1);
      if (!found) broken("binary clause without its other half", i, y);
    }
    // Occurrence lists of an active literal name active clauses that hold it.
    for (int32_t k = 0; k < L.numNcls; k++) {
      const preNcls& C = PRENCLS[L.LitNcls[k]];
      if (!C.active) broken("occurrence of an inactive clause", i, L.LitNcls[k]);
      if (!clauseHolds(C, i)) broken("occurrence of a clause without the literal", i, L.LitNcls[k]);
    }
  }
  // Active clauses: three or more literals, all active, each listing the clause.
  for (int32_t c = 0; c < NUMNCLS; c++) {
    const preNcls& C = PRENCLS[c];
    if (!C.active) continue;
    if (C.curLen < 3) broken("active clause with fewer than three literals", c, C.curLen);
    for (int32_t k = 0; k < C.curLen; k++) {
      int32_t lit = C.lits[k];
      if (!active(lit)) broken("active clause holding an inactive literal", c, lit);
      const preLit& L = PRELITS[lit];
      bool listed = false;
      for (int32_t m = 0; m < L.numNcls && !listed; m++) listed = L.LitNcls[m] == c;
      if (!listed) broken("clause missing from a literal's occurrences", c, lit);
    }
  }
  if (queuesDrained && naryUPstack->count != 0) broken("n-ary queue not empty", naryUPstack->count, 0);
  if (queuesDrained && newBclsStack->top != -1) broken("pending binary clauses left", newBclsStack->top, 0);
  if (topUndoStack != -1) broken("trail not empty", topUndoStack, 0);
}
