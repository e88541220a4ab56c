// Definitions of the process-wide tables, their reset, and the allocation
// helpers every part of the system allocates through.
#include "store/store.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "store/lists.h"
#include "store/panic.h"
#include "store/watch.h"

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

StoreListener* storeListener = nullptr;

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
// Blocks start small and double up to the largest size, so that a small
// formula costs little and a large one a few large blocks.
constexpr size_t ARENA_FIRST_BLOCK = size_t(1) << 14;
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
      const size_t step = last == nullptr ? ARENA_FIRST_BLOCK : std::min(2 * last->size, ARENA_BLOCK);
      size_t size = bytes + sizeof(ArenaBlock) > step ? bytes + sizeof(ArenaBlock) : step;
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

void resetStore() {
  storeListener = nullptr;
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
