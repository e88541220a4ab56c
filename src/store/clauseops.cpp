// Clause store operations.
//
// Two conversions of a clause that has shrunk to two literals exist side by
// side. changeNaryToBcls writes the binary clause on the literals at once, as
// they stand; top-level propagation uses it, where values are final and no
// literal has a representative yet. convertNaryToBcls only records the pair;
// the main loop commits the pairs with addnewBclsStacktoLit once the
// representatives and values of the current phase are known, which is where
// truth values, representatives, tautologies, duplicates and universal
// reduction of the pair are dealt with (propagate/clauseprop.cpp).
#include "store/clauseops.h"

#include <cstdio>

#include "store/lists.h"

bool addBcls(int32_t from, int32_t to) {
  const preLit& L = PRELITS[from];
  if (L.implications != nullptr && implFind(from, to) >= 0) return false;
  appendBcls(from, to);
  return true;
}

void appendBcls(int32_t from, int32_t to) {
  preLit& L = PRELITS[from];
  if (L.implications == nullptr) {
    L.implications = qnew<int32_t>(10, "Memory Allocation Failure #2P\n");
    L.implCap = 10;
    L.numImpl = 0;
  } else if (L.numImpl == L.implCap) {
    implGrow(from, "Memory Allocation Failure #3P\n");
  }
  implAppend(from, to);
  L.hasNewBcls = true;
}

void addNcls(int32_t lit, int32_t c) {
  preLit& L = PRELITS[lit];
  if (L.LitNcls == nullptr) {
    L.LitNcls = qnew<int32_t>(100, "Memory Allocation Failure #14P\n");
    L.nclsCap = 100;
    L.numNcls = 0;
  } else if (L.numNcls == L.nclsCap) {
    nclsGrow(lit, "Memory Allocation Failure #15P\n");
  }
  for (int32_t copies = nclsCount(lit, c); copies > 0; copies--)
    std::printf("ERROR: Found clause index %d already in LitNcls of %d when adding it.\n", c, to_ff(lit));
  nclsAppend(lit, c);
}

void convertNaryToBcls(preNcls* Cls, int32_t c) {
  // A clause already out of the store was counted when it left: top-level
  // propagation converts a clause at once and keeps it in the occurrence
  // list of the false literal, where a later clause-level propagation of
  // the same literal finds it again. Its pair is committed like any other,
  // as a duplicate while the binary clause is still there.
  if (Cls->active) numReducedNary++;
  Cls->active = false;
  pushnewBclsStack(Cls->lits[0], Cls->lits[1]);
  nclsRemoveFirst(Cls->lits[0], c);
  nclsRemoveFirst(Cls->lits[1], c);
}

void changeNaryToBcls(preNcls* Cls, int32_t c) {
  Cls->active = false;
  int32_t a = Cls->lits[0], b = Cls->lits[1];
  numReducedNary++;
  numAddBcls++;
  if (addBcls(a ^ 1, b)) {
    addBcls(b ^ 1, a);
  } else {
    numSatCls++;
    numSatBcls++;
  }
  nclsRemoveFirst(a, c);
  nclsRemoveFirst(b, c);
}

void pushnewBclsStack(int32_t a, int32_t b) {
  NewBclsStackRec* s = newBclsStack;
  if (s->top >= s->size - 1) {
    s->size = s->size * 2 < 2 ? 2 : s->size * 2;
    growStackArray(s->items, s->top, s->size, "Memory Allocation Failure #4P\n");
  }
  s->items[s->top + 1] = a;
  s->items[s->top + 2] = b;
  s->top += 2;
}
