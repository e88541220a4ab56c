// The build step: turns the reader's clause lists into the literal records,
// the n-ary clause records with their occurrence lists, the literal queues,
// and the binary clauses held in the implication lists.
//
// Occurrence and implication lists are sized by a counting pass first and
// then given four times the room they need, so that the clauses added during
// the run seldom make a list grow.
#include "store/build.h"

#include <cstring>
#include <vector>

#include "store/store.h"

namespace {

UPstackRec* newQueue() {
  auto* q = qnew<UPstackRec>(1, "Memory Allocation Failure #28\n");
  q->inStack = qnew<bool>(size_t(NLITS), "Memory Allocation Failure #28\n");
  q->items = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #28\n");
  q->size = NLITS;
  q->count = 0;
  return q;
}

// Appends to an implication list created by the build step (4x the counted room).
void appendImplication(preLit& L, int32_t to, const char* failMsg) {
  if (L.numImpl == 0) {
    L.implCap *= 4;
    L.implications = qnew<int32_t>(size_t(L.implCap), failMsg);
  }
  L.implications[L.numImpl++] = to;
}

// Open-addressing set of binary clauses, keyed by the ordered literal pair.
struct PairSet {
  std::vector<uint64_t> slots;
  uint64_t mask = 0;
  static constexpr uint64_t EMPTY = ~uint64_t(0);

  explicit PairSet(size_t expected) {
    size_t cap = 16;
    while (cap < expected * 2) cap *= 2;
    slots.assign(cap, EMPTY);
    mask = cap - 1;
  }
  // Inserts the clause (a v b); false if it was already there.
  bool insert(int32_t a, int32_t b) {
    uint32_t lo = uint32_t(a < b ? a : b), hi = uint32_t(a < b ? b : a);
    uint64_t key = (uint64_t(lo) << 32) | hi;
    uint64_t h = key * 0x9E3779B97F4A7C15ull;
    for (uint64_t i = (h >> 17) & mask;; i = (i + 1) & mask) {
      if (slots[i] == key) return false;
      if (slots[i] == EMPTY) {
        slots[i] = key;
        return true;
      }
    }
  }
};

}  // namespace

void createStore() {
  PRELITS = qnew<preLit>(size_t(NLITS), "Memory Allocation Failure #7P\n");
  for (int32_t i = 0; i < NLITS; i++) {
    preLit& L = PRELITS[i];
    L.index = i;
    L.tval = U;
    L.equivLit = i;
    L.implications = nullptr;
    L.implCap = L.numImpl = 0;
    L.LitNcls = nullptr;
    L.nclsCap = L.numNcls = 0;
    L.naryDone = L.bclsDone = false;
    L.sccRep = -1;
    L.prefixLevel = nArrPrefixLevel[i];
    L.existential = bArrExistential[i];
  }

  PRENCLS = qnew<preNcls>(size_t(NUMNCLS), "Memory Allocation Failure #8P\n");
  int32_t k = 0;
  for (int list = 3; list < NUM_CLAUSE_LISTS; list++)
    for (ClauseListNode* n = lenNclauses[list]; n != nullptr; n = n->next)
      if (n->active) {
        PRENCLS[k].lits = n->lits;
        PRENCLS[k].curLen = n->len;
        PRENCLS[k].active = true;
        PRENCLS[k].hrLen = 0;
        k++;
      }

  for (int32_t c = 0; c < NUMNCLS; c++)
    for (int32_t j = 0; j < PRENCLS[c].curLen; j++) PRELITS[PRENCLS[c].lits[j]].nclsCap++;
  for (int32_t c = 0; c < NUMNCLS; c++)
    for (int32_t j = 0; j < PRENCLS[c].curLen; j++) {
      preLit& L = PRELITS[PRENCLS[c].lits[j]];
      if (L.numNcls == 0) {
        L.nclsCap *= 4;
        L.LitNcls = qnew<int32_t>(size_t(L.nclsCap), "Memory Allocation Failure #9P\n");
      }
      L.LitNcls[L.numNcls++] = c;
    }

  naryUPstack = newQueue();
  bclsUPstack = newQueue();
  UPstack = newQueue();

  newBclsStack = qnew<NewBclsStackRec>(1, "Memory Allocation Failure #10P\n");
  newBclsStack->items = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #10P\n");
  newBclsStack->size = NLITS;
  newBclsStack->top = -1;
}

void loadBinaryClauses() {
  for (ClauseListNode* n = lenNclauses[2]; n != nullptr; n = n->next) {
    PRELITS[n->lits[0] ^ 1].implCap++;
    PRELITS[n->lits[1] ^ 1].implCap++;
    NUMBCLS++;
  }
  // A clause given twice (in either order) is stored once; the copy counts
  // as a satisfied binary clause. The set makes that test constant time
  // where a scan of the implication list would be quadratic for a literal
  // in many binary clauses.
  PairSet seen{size_t(NUMBCLS)};
  for (ClauseListNode* n = lenNclauses[2]; n != nullptr; n = n->next) {
    int32_t a = n->lits[0], b = n->lits[1];
    if (!seen.insert(a, b)) {
      numSatCls++;
      numSatBcls++;
      continue;
    }
    appendImplication(PRELITS[a ^ 1], b, "Memory Allocation Failure #11P\n");
    appendImplication(PRELITS[b ^ 1], a, "Memory Allocation Failure #12P\n");
  }
}
