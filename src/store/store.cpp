// Definitions of the process-wide tables, their reset, and the allocation
// helpers every part of the system allocates through.
#include "store/store.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hyperres/hypres.h"
#include "store/lists.h"
#include "store/panic.h"

int32_t NVARS = 0;
int32_t NCLAUSES = 0;
int32_t NLITS = 0;
preLit* PRELITS = nullptr;
preNcls* PRENCLS = nullptr;
int32_t NUMNCLS = 0;
int32_t NUMBCLS = 0;
ClauseListNode* lenNclauses[NUM_CLAUSE_LISTS] = {};
bool* bArrExistential = nullptr;
int32_t* nArrPrefixLevel = nullptr;
int32_t NMAXPREFIXLEVEL = 0;
int32_t* orig_varnum = nullptr;
uint32_t* naryOccurrences = nullptr;

UPstackRec* UPstack = nullptr;
UPstackRec* naryUPstack = nullptr;
UPstackRec* bclsUPstack = nullptr;
NewBclsStackRec* newBclsStack = nullptr;
EquivLitStackRec* equivLitStack = nullptr;

bool CONTRADICTION = false;
bool SATISFIED = false;
std::string filename;
std::string outfile;

int32_t numValuedLits = 0;
int32_t numSatCls = 0;
int32_t numSatNaryCls = 0;
int32_t numSatBcls = 0;
int32_t numInitUnits = 0;
int32_t numReducedNary = 0;
int32_t numAddBcls = 0;
int32_t numEquivLits = 0;
int32_t CURNLITS = 0;
int32_t deleteCount = 0;

int32_t NEW_NVARS = 0;
int32_t NEW_NUMNCLS = 0;
int32_t NEW_NUMBCLS = 0;
int32_t NEW_NUMCLS = 0;
int32_t NEW_NLITS = 0;
uint8_t* var_assign = nullptr;

int32_t visitCount = 0;
int32_t* LitStack = nullptr;
int32_t top = -1;
int32_t numNewEquivLits = 0;

bool foundNewBcls = false;
bool foundNewForced = false;
int32_t* UnitPropStack = nullptr;
int32_t topUnitPropStack = -1;
UndoEntry* UndoStack = nullptr;
int32_t topUndoStack = -1;
int32_t sizeUndoStack = 0;
UniqueSet** UniqueSetArray = nullptr;
int32_t USArraySize = 0;
int32_t USArrayCap = 0;
int32_t** NewImplicantListArray = nullptr;
int32_t* NewImplicantListCap = nullptr;
int32_t NILArraySize = 0;
int32_t NILArrayCap = 0;
int32_t* hrMaxUniversal = nullptr;
int32_t* hrWitness = nullptr;
uint32_t* closedTag = nullptr;
uint32_t closedTagLast = 0;
uint32_t* targetFree = nullptr;
uint32_t targetFreeLast = 0;
uint32_t* sweptOff = nullptr;
uint32_t sweepNow = 1;
uint32_t* baseMark = nullptr;
uint32_t baseMarkLast = 0;
int32_t* setPosition = nullptr;
uint32_t* countedIn = nullptr;
uint32_t countedNow = 0;
ClauseTally* clauseTally = nullptr;
uint64_t* queuedLit = nullptr;
uint64_t* listPrint = nullptr;
uint32_t tallyNow = 0;
ExtrasView extrasView = {nullptr, 0, false};
SearchLit* searchLits = nullptr;
int32_t* searchArena = nullptr;

ClosedSetNote* closedSets = nullptr;
uint32_t drainCount = 0;
uint64_t implEpoch = 0;
uint32_t noteEpoch = 0;
uint32_t* varClausesChangedIn = nullptr;
uint64_t* clausePrints = nullptr;
uint32_t* clauseChangedIn = nullptr;
uint32_t clausesLastChangedIn = 0;
IdleNote* idleNotes = nullptr;
uint32_t* substitutedIn = nullptr;
int32_t* substitutedLits = nullptr;
int32_t* substitutedFrom = nullptr;
uint32_t lastSubstitutedIn = 0;
int32_t* substitutedByAge = nullptr;
int32_t substitutedSeen = 0;
std::vector<int32_t>* touchedClauses = nullptr;

namespace {

// Every literal, in the order a depth-first search from the roots (the
// pass's order) first meets them, followed by those it does not meet.
std::vector<int32_t> searchOrder() {
  std::vector<int32_t> order;
  order.reserve(size_t(NLITS));
  std::vector<char> met(size_t(NLITS), 0);
  std::vector<std::pair<int32_t, int32_t>> stack;
  for (int32_t r = 0; r < NLITS; r++) {
    if (met[size_t(r)] || !searchMayEnter(PRELITS[r]) || PRELITS[r ^ 1].numImpl != 0) continue;
    met[size_t(r)] = 1;
    order.push_back(r);
    stack.push_back({r, 0});
    while (!stack.empty()) {
      auto& [lit, next] = stack.back();
      const preLit& L = PRELITS[lit];
      if (next >= L.numImpl) {
        stack.pop_back();
        continue;
      }
      int32_t c = L.implications[next++];
      if (met[size_t(c)] || !searchMayEnter(PRELITS[c])) continue;
      met[size_t(c)] = 1;
      order.push_back(c);
      stack.push_back({c, 0});
    }
  }
  for (int32_t i = 0; i < NLITS; i++)
    if (!met[size_t(i)]) order.push_back(i);
  return order;
}

}  // namespace

// The SearchLits point at copies of the lists, laid out in search order: the
// searches of the probes then read the lists of literals met one after the
// other from neighbouring memory. An edit points the literal back at its own
// list.
void buildSearchLits() {
  size_t total = 0;
  for (int32_t i = 0; i < NLITS; i++) {
    const preLit& L = PRELITS[i];
    searchLits[i].universalLevel = L.existential ? INT32_MIN : L.prefixLevel;
    searchLits[i].count = 0;
    refreshSearchList(i);
    refreshSearchEntry(i);
    total += size_t(L.numImpl);
  }
  qrelease(searchArena);  // the copies of an earlier build
  searchArena = qnew<int32_t>(total, "Memory Allocation Failure #22P\n");
  size_t used = 0;
  for (int32_t lit : searchOrder()) {
    const preLit& L = PRELITS[lit];
    if (L.numImpl == 0) continue;
    std::memcpy(searchArena + used, L.implications, sizeof(int32_t) * size_t(L.numImpl));
    searchLits[lit].implications = searchArena + used;
    used += size_t(L.numImpl);
  }
}

uint64_t printOfList(int32_t lit) {
  const preLit& L = PRELITS[lit];
  uint64_t print = 0;
  for (int32_t k = 0; k < L.numImpl; k++) print += memberKey(L.implications[k]);
  return print;
}

int32_t mainLoopIterations = 0;

double start_time = 0;
double end_time = 0;

int64_t allocFailAt = -1;
int64_t allocCount = 0;

void* qcalloc(size_t count, size_t size, const char* failMsg) {
  if (count == 0) count = 1;  // a zero-size request still yields a distinct block
  int64_t ordinal = allocCount++;
  if (allocFailAt >= 0 && ordinal == allocFailAt) panic("%s", failMsg);
  void* p = std::calloc(count, size);
  if (p == nullptr) panic("%s", failMsg);
  return p;
}

void* qmalloc(size_t count, size_t size, const char* failMsg) {
  if (count == 0) count = 1;
  int64_t ordinal = allocCount++;
  if (allocFailAt >= 0 && ordinal == allocFailAt) panic("%s", failMsg);
  if (size != 0 && count > SIZE_MAX / size) panic("%s", failMsg);
  void* p = std::malloc(count * size);
  if (p == nullptr) panic("%s", failMsg);
  return p;
}

void qfree(void* p) { std::free(p); }

void growStackArray(int32_t*& items, int32_t top, int32_t newSize, const char* failMsg) {
  int32_t* bigger = qnew<int32_t>(size_t(newSize), failMsg);
  for (int32_t k = 0; k <= top; k++) bigger[k] = items[k];
  qfree(items);
  items = bigger;
  deleteCount++;
}

int32_t* listBlocks[2] = {nullptr, nullptr};
size_t listBlockSizes[2] = {0, 0};

void releaseListArray(int32_t* items) {
  for (int b = 0; b < 2; b++)
    if (items >= listBlocks[b] && items < listBlocks[b] + listBlockSizes[b]) return;
  qfree(items);
}

// An arena is a chain of large blocks, each starting with a header that
// links to the previous block and records how much of the block is used.
namespace {
constexpr size_t ARENA_BLOCK = size_t(1) << 22;

struct ArenaBlock {
  ArenaBlock* prev;  // the block filled before this one
  size_t used;       // bytes in use, the header included
  size_t size;       // bytes of the block, the header included
};

struct Arena {
  ArenaBlock* last = nullptr;  // the block being filled

  // `bytes` rounded up to a multiple of `align` (a power of two that
  // divides the header size).
  void* alloc(size_t bytes, size_t align, const char* failMsg) {
    bytes = (bytes + align - 1) & ~(align - 1);
    if (last == nullptr || last->used + bytes > last->size) {
      size_t size = bytes + sizeof(ArenaBlock) > ARENA_BLOCK ? bytes + sizeof(ArenaBlock) : ARENA_BLOCK;
      int64_t ordinal = allocCount++;
      if (allocFailAt >= 0 && ordinal == allocFailAt) panic("%s", failMsg);
      auto* block = static_cast<ArenaBlock*>(std::malloc(size));
      if (block == nullptr) panic("%s", failMsg);
      block->prev = last;
      block->used = sizeof(ArenaBlock);
      block->size = size;
      last = block;
    }
    void* p = reinterpret_cast<char*>(last) + last->used;
    last->used += bytes;
    return p;
  }

  void release() {
    while (last != nullptr) {
      ArenaBlock* prev = last->prev;
      std::free(last);
      last = prev;
    }
  }
};

Arena nodeArena;     // the reader's list nodes
Arena literalArena;  // the literal arrays of the reader's clauses, packed
}  // namespace

void* arenaAlloc(size_t bytes, const char* failMsg) { return nodeArena.alloc(bytes, 8, failMsg); }

int32_t* literalArenaAlloc(size_t count, const char* failMsg) {
  return static_cast<int32_t*>(literalArena.alloc(sizeof(int32_t) * count, sizeof(int32_t), failMsg));
}

std::vector<LiteralRun> literalRuns() {
  std::vector<LiteralRun> runs;
  for (ArenaBlock* b = literalArena.last; b != nullptr; b = b->prev)
    runs.push_back({reinterpret_cast<int32_t*>(b + 1), (b->used - sizeof(ArenaBlock)) / sizeof(int32_t)});
  return runs;
}

namespace {
void freeQueue(UPstackRec*& q) {
  if (q == nullptr) return;
  qfree(q->inStack);
  qfree(q->items);
  qrelease(q);
}
}  // namespace

void resetAllState() {
  releaseListIndexes();
  if (PRELITS != nullptr) {
    for (int32_t i = 0; i < NLITS; i++) {
      releaseListArray(PRELITS[i].implications);
      releaseListArray(PRELITS[i].LitNcls);
    }
    qfree(PRELITS);
  }
  PRELITS = nullptr;
  for (int b = 0; b < 2; b++) {
    qrelease(listBlocks[b]);
    listBlockSizes[b] = 0;
  }
  qrelease(PRENCLS);  // the clauses' literal arrays live in the arena
  nodeArena.release();
  literalArena.release();
  for (auto& head : lenNclauses) head = nullptr;
  qrelease(bArrExistential);
  qrelease(nArrPrefixLevel);
  qrelease(orig_varnum);
  qrelease(naryOccurrences);
  freeQueue(UPstack);
  freeQueue(naryUPstack);
  freeQueue(bclsUPstack);
  if (newBclsStack != nullptr) qfree(newBclsStack->items);
  qrelease(newBclsStack);
  if (equivLitStack != nullptr) qfree(equivLitStack->items);
  qrelease(equivLitStack);

  qrelease(LitStack);
  visitCount = numNewEquivLits = 0;
  top = -1;

  qrelease(UnitPropStack);
  topUnitPropStack = -1;
  foundNewBcls = foundNewForced = false;
  touchedClauses = nullptr;
  // A pass that ended in a fatal error leaves its pools, trail and tables behind.
  releasePassTables();
  closedTagLast = 0;
  targetFreeLast = 0;
  sweepNow = 1;
  baseMarkLast = 0;
  countedNow = 0;
  tallyNow = 0;
  extrasView = {nullptr, 0, false};
  drainCount = 0;
  implEpoch = 0;
  qrelease(varClausesChangedIn);
  qrelease(clausePrints);
  qrelease(clauseChangedIn);
  clausesLastChangedIn = 0;
  qrelease(idleNotes);
  qrelease(substitutedIn);
  qrelease(substitutedLits);
  qrelease(substitutedFrom);
  lastSubstitutedIn = 0;
  qrelease(substitutedByAge);
  substitutedSeen = 0;
  noteEpoch = 0;
  mainLoopIterations = 0;

  NVARS = NCLAUSES = NLITS = NUMNCLS = NUMBCLS = NMAXPREFIXLEVEL = 0;
  CONTRADICTION = SATISFIED = false;
  filename.clear();
  outfile.clear();
  numValuedLits = numSatCls = numSatNaryCls = numSatBcls = numInitUnits = 0;
  numReducedNary = numAddBcls = numEquivLits = CURNLITS = deleteCount = 0;
  NEW_NVARS = NEW_NUMNCLS = NEW_NUMBCLS = NEW_NUMCLS = NEW_NLITS = 0;
  qrelease(var_assign);
  start_time = end_time = 0;
}
