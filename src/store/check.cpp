// Diagnostics: the always-on check, and the consistency check of the
// formula store.
//
// The store deliberately keeps some stale entries: a literal that is no
// longer active (assigned, or represented by another literal) keeps its own
// implication and occurrence lists, and entries naming it may remain in the
// lists of others. The check therefore looks only at what the passes rely
// on: the lists of active literals and the active clauses.
#include "store/check.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "store/store.h"

void checkFailed(const char* where, const char* text) {
  std::printf("qshrink: %s: Assertion `%s' failed.\n", where, text);
  std::fflush(stdout);
  std::abort();
}

namespace {

const char* checkPoint = "";

[[noreturn]] void broken(const char* what, int32_t a, int32_t b) {
  std::printf("qshrink: store check failed %s: %s (%d, %d)\n", checkPoint, what, a, b);
  std::fflush(stdout);
  std::abort();
}

bool active(int32_t lit) { return PRELITS[lit].equivLit == lit && PRELITS[lit].tval == U; }

uint64_t key(int32_t a, int32_t b) { return (uint64_t(uint32_t(a)) << 32) | uint32_t(b); }

}  // namespace

void checkStore(const char* where, bool queuesDrained) {
  checkPoint = where;
  // Every (literal, entry) of the implication lists and every (clause,
  // literal) of the active clauses, for constant-time cross-checks.
  std::unordered_set<uint64_t> implicationPairs, clausePairs;
  for (int32_t i = 0; i < NLITS; i++) {
    const preLit& L = PRELITS[i];
    for (int32_t k = 0; k < L.numImpl; k++)
      if (!implicationPairs.insert(key(i, L.implications[k])).second && active(i))
        broken("implication listed twice", i, L.implications[k]);
  }
  for (int32_t c = 0; c < NUMNCLS; c++) {
    const preNcls& C = PRENCLS[c];
    if (!C.active) continue;
    if (C.curLen < 3) broken("active clause with fewer than three literals", c, C.curLen);
    for (int32_t k = 0; k < C.curLen; k++) {
      if (!active(C.lits[k])) broken("active clause holding an inactive literal", c, C.lits[k]);
      if (!clausePairs.insert(key(c, C.lits[k])).second) broken("literal twice in a clause", c, C.lits[k]);
    }
  }
  uint64_t listedOccurrences = 0;
  for (int32_t i = 0; i < NLITS; i++) {
    const preLit& L = PRELITS[i];
    // Every literal's representative is a representative, and the values of
    // the two polarities agree.
    if (PRELITS[L.equivLit].equivLit != L.equivLit) broken("representative chain longer than one step", i, L.equivLit);
    if (L.tval != U && PRELITS[i ^ 1].tval != U && L.tval == PRELITS[i ^ 1].tval) broken("polarities disagree", i, L.tval);
    if (L.numImpl > L.implCap || L.numNcls > L.nclsCap) broken("list count above capacity", i, L.numImpl);
    if (!active(i)) continue;
    // The other half of every binary clause between two active literals.
    for (int32_t k = 0; k < L.numImpl; k++) {
      int32_t y = L.implications[k];
      if (active(y) && implicationPairs.count(key(y ^ 1, i ^ 1)) == 0)
        broken("binary clause without its other half", i, y);
    }
    // Occurrence lists of an active literal name active clauses that hold it.
    for (int32_t k = 0; k < L.numNcls; k++) {
      int32_t c = L.LitNcls[k];
      if (!PRENCLS[c].active) broken("occurrence of an inactive clause", i, c);
      if (clausePairs.count(key(c, i)) == 0) broken("occurrence of a clause without the literal", i, c);
      listedOccurrences++;
    }
  }
  // Each (clause, literal) pair was found in an occurrence list: with no
  // entry listed twice, the counts agree only if every clause is listed.
  if (listedOccurrences != clausePairs.size()) broken("occurrences and clauses disagree", int32_t(listedOccurrences), int32_t(clausePairs.size()));
  if (queuesDrained && naryUPstack->count != 0) broken("n-ary queue not empty", naryUPstack->count, 0);
  if (queuesDrained && newBclsStack->top != -1) broken("pending binary clauses left", newBclsStack->top, 0);
}
