// The build step: turns the reader's clause lists into the literal records,
// the n-ary clause records with their occurrence lists, the literal queues,
// and the binary clauses held in the implication lists.
//
// Occurrence and implication lists are sized by their counts first: the
// reader counts the occurrences in n-ary clauses, a pass here the binary
// clauses.
// Implication lists are given four times the room they need, so that the
// binary clauses added during the run seldom make a list grow. No n-ary
// clause is ever added, so an occurrence list only grows when substitution
// brings a literal into a clause; those lists are carved to fit exactly,
// which keeps the largest table of the build a quarter of the size (and a
// list that does grow is copied once, into four times its count).
#include "store/build.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "store/hashtable.h"
#include "store/lists.h"
#include "store/store.h"

namespace {

// Each part is owned by the global as soon as it exists, so that a failure
// part-way leaves nothing that resetAllState() cannot release.
void newQueue(UPstackRec*& q) {
  q = qnew<UPstackRec>(1, "Memory Allocation Failure #28\n");
  q->inStack = qnew<bool>(size_t(NLITS), "Memory Allocation Failure #28\n");
  q->items = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #28\n");
  q->size = NLITS;
  q->count = 0;
}

// Gives every literal i with count[i] > 0 an implication list of
// 4 * count[i] entries, carved in literal order out of list block 1; the
// others keep no list.
void carveImplicationLists(const std::vector<int32_t>& count) {
  size_t total = 0;
  for (int32_t n : count) total += 4 * size_t(n);
  listBlocks[1] = static_cast<int32_t*>(qmalloc(total, sizeof(int32_t), "Memory Allocation Failure #11P\n"));
  listBlockSizes[1] = total;
  size_t at = 0;
  for (int32_t i = 0; i < NLITS; i++) {
    int32_t n = count[size_t(i)];
    if (n == 0) continue;
    PRELITS[i].implications = listBlocks[1] + at;
    PRELITS[i].implCap = 4 * n;
    at += 4 * size_t(n);
  }
}

// The key of the binary clause (a v b): the ordered literal pair.
uint64_t pairKey(int32_t a, int32_t b) {
  const uint32_t lo = uint32_t(a < b ? a : b), hi = uint32_t(a < b ? b : a);
  return (uint64_t(lo) << 32) | hi;
}

// Fills the occurrence lists carved out of block 0 in clause order. On
// entry next[i] is the offset of the list of literal i in the block; it
// moves on as the list fills. The offset is requested 2 * AHEAD clauses
// ahead and the entry it points to AHEAD clauses ahead, once the offset
// itself has arrived.
template <class Offset>
void fillOccurrences(Offset* next) {
  int32_t* block = listBlocks[0];
  constexpr int32_t AHEAD = 16;
  for (int32_t c = 0; c < NUMNCLS; c++) {
    if (c + 2 * AHEAD < NUMNCLS)
      for (int32_t j = 0; j < PRENCLS[c + 2 * AHEAD].curLen; j++)
        __builtin_prefetch(&next[PRENCLS[c + 2 * AHEAD].lits[j]]);
    if (c + AHEAD < NUMNCLS)
      for (int32_t j = 0; j < PRENCLS[c + AHEAD].curLen; j++)
        __builtin_prefetch(&block[next[PRENCLS[c + AHEAD].lits[j]]], 1);
    for (int32_t j = 0; j < PRENCLS[c].curLen; j++) block[next[PRENCLS[c].lits[j]]++] = c;
  }
}

}  // namespace

void createStore() {
  PRELITS = qnew<preLit>(size_t(NLITS), "Memory Allocation Failure #7P\n");
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

  // The reader counted the occurrences; should it not have, they are
  // counted here. The entries of the clause AHEAD places on are requested
  // early so that the random accesses overlap.
  constexpr int32_t AHEAD = 16;
  if (naryOccurrences == nullptr) {
    naryOccurrences = qnew<uint32_t>(size_t(NLITS), "Memory Allocation Failure #9P\n");
    for (int32_t c = 0; c < NUMNCLS; c++) {
      if (c + AHEAD < NUMNCLS)
        for (int32_t j = 0; j < PRENCLS[c + AHEAD].curLen; j++)
          __builtin_prefetch(&naryOccurrences[PRENCLS[c + AHEAD].lits[j]], 1);
      for (int32_t j = 0; j < PRENCLS[c].curLen; j++) naryOccurrences[PRENCLS[c].lits[j]]++;
    }
  }
  uint32_t* count = naryOccurrences;
  size_t total = 0;
  for (int32_t i = 0; i < NLITS; i++) total += count[i];
  listBlocks[0] = static_cast<int32_t*>(qmalloc(total, sizeof(int32_t), "Memory Allocation Failure #9P\n"));
  listBlockSizes[0] = total;

  // The literal records, in one pass: every list of occurrences gets
  // exactly its count, carved out of the block in literal order, and the
  // count turns into the offset of the list in the block (where it fits in
  // 32 bits) to serve as the fill's cursor.
  const bool narrow = total <= UINT32_MAX;
  size_t at = 0;
  for (int32_t i = 0; i < NLITS; i++) {
    preLit& L = PRELITS[i];
    L.index = i;
    L.tval = U;
    L.equivLit = i;
    L.implications = nullptr;
    L.implCap = L.numImpl = 0;
    int32_t n = int32_t(count[i]);
    L.LitNcls = n == 0 ? nullptr : listBlocks[0] + at;
    L.nclsCap = L.numNcls = n;
    if (narrow) count[i] = uint32_t(at);
    at += size_t(n);
    L.naryDone = L.bclsDone = false;
    L.sccRep = -1;
    L.prefixLevel = nArrPrefixLevel[i];
    L.existential = bArrExistential[i];
  }
  if (narrow) {
    fillOccurrences(count);
  } else {
    std::vector<size_t> wide(static_cast<size_t>(NLITS), 0);
    for (int32_t i = 0; i < NLITS; i++)
      wide[size_t(i)] = PRELITS[i].LitNcls == nullptr ? 0 : size_t(PRELITS[i].LitNcls - listBlocks[0]);
    fillOccurrences(wide.data());
  }
  qrelease(naryOccurrences);

  newQueue(naryUPstack);
  newQueue(bclsUPstack);
  newQueue(UPstack);

  newBclsStack = qnew<NewBclsStackRec>(1, "Memory Allocation Failure #10P\n");
  newBclsStack->items = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #10P\n");
  newBclsStack->size = NLITS;
  newBclsStack->top = -1;
}

void loadBinaryClauses() {
  std::vector<int32_t> count(size_t(NLITS), 0);
  for (ClauseListNode* n = lenNclauses[2]; n != nullptr; n = n->next) {
    count[size_t(n->lits[0] ^ 1)]++;
    count[size_t(n->lits[1] ^ 1)]++;
    NUMBCLS++;
  }
  carveImplicationLists(count);
  // A clause given twice (in either order) is stored once; the copy counts
  // as a satisfied binary clause. The set makes that test constant time
  // where a scan of the implication list would be quadratic for a literal
  // in many binary clauses.
  OpenTable<uint64_t> seen{size_t(NUMBCLS)};
  for (ClauseListNode* n = lenNclauses[2]; n != nullptr; n = n->next) {
    int32_t a = n->lits[0], b = n->lits[1];
    const uint64_t key = pairKey(a, b);
    if (seen.find(key) >= 0) {
      numSatCls++;
      numSatBcls++;
      continue;
    }
    seen.insert(key, 0);
    implAppend(a ^ 1, b);
    implAppend(b ^ 1, a);
  }
}
