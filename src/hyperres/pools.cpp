// Scratch pools of the probes.
//
// The probes nest along the implication graph, and each level needs a
// set of literals and a list of derived literals. Taking them from pools in
// stack order means a level reuses what an earlier probe at the same depth
// left. Unlike flag arrays of NLITS entries per level, the sets here hold an
// open-addressing table sized by their members, so a deep chain of probes
// costs memory in proportion to what the levels actually hold. Storage that
// grew large is kept for the next probe at the same depth while all kept
// storage together stays within a budget proportional to the literals (an
// eighth of the literal records' size), and released beyond it: the sets of
// a deep chain are large at every level, and allocating and clearing their
// tables again for every probe would cost more than filling them.
#include "hyperres/pools.h"

#include <algorithm>
#include <cstring>

#include "hyperres/passstate.h"

uint64_t probeWork = 0;

namespace {

constexpr int32_t KEEP_SLOTS = 1 << 12;  // larger tables count against the budget of kept storage
constexpr int32_t KEEP_ITEMS = 1 << 12;

void rehash(UniqueSet* s, int32_t newCap) {
  // The new table first: if it cannot be had, the set still owns the old one.
  int32_t* slots = static_cast<int32_t*>(qmalloc(size_t(newCap), sizeof(int32_t), "Memory Allocation Failure #28\n"));
  qfree(s->slots);
  s->slots = slots;
  std::memset(s->slots, 0xff, sizeof(int32_t) * size_t(newCap));
  s->slotCap = newCap;
  uint32_t mask = uint32_t(newCap - 1);
  for (int32_t k = 0; k < s->count; k++) {
    uint32_t i = hashLit(s->items[k]) & mask;
    while (s->slots[i] != -1) i = (i + 1) & mask;
    s->slots[i] = s->items[k];
  }
}

// Removes lit from the table (linear probing with backward shift).
void eraseSlot(UniqueSet* s, int32_t lit) {
  uint32_t mask = uint32_t(s->slotCap - 1);
  uint32_t i = hashLit(lit) & mask;
  while (s->slots[i] != lit) i = (i + 1) & mask;
  uint32_t j = i;
  for (;;) {
    j = (j + 1) & mask;
    if (s->slots[j] == -1) break;
    uint32_t home = hashLit(s->slots[j]) & mask;
    // Move slots[j] into the hole at i unless its home lies cyclically in (i, j].
    bool between = i <= j ? (home > i && home <= j) : (home > i || home <= j);
    if (!between) {
      s->slots[i] = s->slots[j];
      i = j;
    }
  }
  s->slots[i] = -1;
}

}  // namespace

void initUniqueSet(UniqueSet* s) {
  s->items = nullptr;
  s->count = s->itemCap = 0;
  s->slots = nullptr;
  s->slotCap = 0;
  s->bits = nullptr;
  s->size = NLITS;
  s->closedTag = 0;
  s->closedEpoch = NO_CLOSED_EPOCH;
  s->closedLevel = NOT_CLOSED;
  s->deepestUniversal = NO_UNIVERSAL;
  s->print = 0;
}

void freeUniqueSetStorage(UniqueSet* s) {
  qfree(s->items);
  qfree(s->slots);
  qfree(s->bits);
  initUniqueSet(s);
}

namespace {

// A set holding this many members switches from the hash table to a bit
// per literal, which then costs at most twice the memory the table would
// (a table holds up to twice as many 4-byte slots as members).
int32_t denseFrom() { return NLITS / 128 > 16 ? NLITS / 128 : 16; }

void makeDense(UniqueSet* s) {
  s->bits = qnew<uint64_t>(size_t(NLITS) / 64 + 1, "Memory Allocation Failure #28\n");
  for (int32_t k = 0; k < s->count; k++) putBitAt(s->bits, s->items[k], true);
  qrelease(s->slots);
  s->slotCap = 0;
}

// Storage of a set beyond what every pooled set may keep for free (0 if
// none): its bit table, or a hash table or member array grown past the
// small sizes.
size_t largeStorageBytes(const UniqueSet* s) {
  if (s->bits == nullptr && s->slotCap <= KEEP_SLOTS && s->itemCap <= KEEP_ITEMS) return 0;
  size_t bytes = sizeof(int32_t) * (size_t(s->itemCap) + size_t(s->slotCap));
  if (s->bits != nullptr) bytes += sizeof(uint64_t) * (size_t(NLITS) / 64 + 1);
  return bytes;
}

// Large storage kept by given-back sets at most: 8 bytes per literal.
size_t keepBudget() { return 8 * size_t(NLITS) + (size_t(1) << 16); }

}  // namespace

void usGrowItems(UniqueSet* s) {
  int32_t newCap = s->itemCap < 8 ? 8 : s->itemCap * 2;
  // Not zero-filled: only entries below count are ever read.
  auto* bigger = static_cast<int32_t*>(qmalloc(size_t(newCap), sizeof(int32_t), "Memory Allocation Failure #28\n"));
  if (s->count > 0) std::memcpy(bigger, s->items, sizeof(int32_t) * size_t(s->count));
  qfree(s->items);
  s->items = bigger;
  s->itemCap = newCap;
}

void usEnterHashed(UniqueSet* s, int32_t lit) {
  if (s->count >= denseFrom()) {
    makeDense(s);
  } else if (int64_t(s->count) * 2 > s->slotCap) {
    rehash(s, s->slotCap < 16 ? 16 : s->slotCap * 2);
  } else {
    uint32_t mask = uint32_t(s->slotCap - 1);
    uint32_t i = hashLit(lit) & mask;
    while (s->slots[i] != -1) i = (i + 1) & mask;
    s->slots[i] = lit;
  }
}

void usTakeReversed(UniqueSet* s, UniqueSet* from) {
  const int32_t first = s->items[0];
  std::swap(s->items, from->items);
  std::swap(s->itemCap, from->itemCap);
  std::swap(s->slots, from->slots);
  std::swap(s->slotCap, from->slotCap);
  std::swap(s->bits, from->bits);
  std::swap(s->count, from->count);
  s->print = from->print ^ memberKey(first);
  usEmpty(from);  // its storage, now the one s had, holds just `first`
  if (s->count == s->itemCap) usGrowItems(s);
  // Shifting up by one and reversing are plain sequential passes.
  std::memmove(s->items + 1, s->items, sizeof(int32_t) * size_t(s->count));
  std::reverse(s->items + 1, s->items + 1 + s->count);
  s->items[0] = first;
  s->count++;
  usEnter(s, first);
}

int32_t usPopLast(UniqueSet* s) {
  int32_t lit = s->items[--s->count];
  s->closedEpoch = NO_CLOSED_EPOCH;  // the closures of the others may have held lit
  s->closedLevel = NOT_CLOSED;
  s->print ^= memberKey(lit);
  if (s->bits != nullptr) {
    putBitAt(s->bits, lit, false);
  } else {
    eraseSlot(s, lit);
  }
  return lit;
}

void usEmpty(UniqueSet* s) {
  if (s->bits != nullptr) {
    // Word by word for a few members, the whole table for many.
    size_t words = size_t(NLITS) / 64 + 1;
    if (size_t(s->count) * 4 > words) {
      std::memset(s->bits, 0, sizeof(uint64_t) * words);
    } else {
      for (int32_t k = 0; k < s->count; k++) s->bits[s->items[k] >> 6] = 0;
    }
  } else if (s->slotCap <= 4 * s->count + 16) {
    if (s->slotCap > 0) std::memset(s->slots, 0xff, sizeof(int32_t) * size_t(s->slotCap));
  } else {
    for (int32_t k = 0; k < s->count; k++) eraseSlot(s, s->items[k]);
  }
  s->count = 0;
  s->closedEpoch = NO_CLOSED_EPOCH;
  s->closedLevel = NOT_CLOSED;
  s->deepestUniversal = NO_UNIVERSAL;
  s->print = 0;
}

void initUniqueSetArray() {
  pass.sets.keptBytes = 0;
  pass.sets.out = 0;
  pass.sets.cap = 64;
  pass.sets.sets = qnew<UniqueSet*>(size_t(pass.sets.cap), "Memory Allocation Failure #23P\n");
}

UniqueSet* getUniqueSet() {
  if (pass.sets.out == pass.sets.cap) {
    auto** bigger = qnew<UniqueSet*>(size_t(pass.sets.cap) * 2, "Memory Allocation Failure #23P\n");
    std::memcpy(bigger, pass.sets.sets, sizeof(UniqueSet*) * size_t(pass.sets.cap));
    qfree(pass.sets.sets);
    pass.sets.sets = bigger;
    pass.sets.cap *= 2;
  }
  if (pass.sets.sets[pass.sets.out] == nullptr) {
    UniqueSet* s = qnew<UniqueSet>(1, "Memory Allocation Failure #24P\n");
    initUniqueSet(s);
    pass.sets.sets[pass.sets.out] = s;
  }
  UniqueSet* s = pass.sets.sets[pass.sets.out++];
  pass.sets.keptBytes -= largeStorageBytes(s);  // live again: no longer counted as kept
  return s;
}

void giveBackUniqueSet() {
  UniqueSet* s = pass.sets.sets[--pass.sets.out];
  usEmpty(s);
  size_t bytes = largeStorageBytes(s);
  if (bytes == 0) return;
  if (pass.sets.keptBytes + bytes <= keepBudget()) {
    pass.sets.keptBytes += bytes;
  } else {
    freeUniqueSetStorage(s);
  }
}

size_t pooledSetBytes() { return pass.sets.keptBytes; }

void cleanupUniqueSetArray() {
  if (pass.sets.sets == nullptr) return;
  for (int32_t k = 0; k < pass.sets.cap && pass.sets.sets[k] != nullptr; k++) {
    freeUniqueSetStorage(pass.sets.sets[k]);
    qfree(pass.sets.sets[k]);
  }
  qrelease(pass.sets.sets);
  pass.sets.out = pass.sets.cap = 0;
  pass.sets.keptBytes = 0;
}

void initNewImplicantListArray() {
  pass.lists.out = 0;
  pass.lists.cap = 64;
  pass.lists.lists = qnew<int32_t*>(size_t(pass.lists.cap), "Memory Allocation Failure #25P\n");
  pass.lists.caps = qnew<int32_t>(size_t(pass.lists.cap), "Memory Allocation Failure #25P\n");
}

int32_t getNewImplicantList() {
  if (pass.lists.out == pass.lists.cap) {
    auto** bigger = qnew<int32_t*>(size_t(pass.lists.cap) * 2, "Memory Allocation Failure #25P\n");
    auto* caps = qnew<int32_t>(size_t(pass.lists.cap) * 2, "Memory Allocation Failure #25P\n");
    std::memcpy(bigger, pass.lists.lists, sizeof(int32_t*) * size_t(pass.lists.cap));
    std::memcpy(caps, pass.lists.caps, sizeof(int32_t) * size_t(pass.lists.cap));
    qfree(pass.lists.lists);
    qfree(pass.lists.caps);
    pass.lists.lists = bigger;
    pass.lists.caps = caps;
    pass.lists.cap *= 2;
  }
  return pass.lists.out++;
}

int32_t* implicantList(int32_t slot) { return pass.lists.lists[slot]; }

void implicantListPut(int32_t slot, int32_t n, int32_t value) {
  if (n >= pass.lists.caps[slot]) {
    int32_t newCap = pass.lists.caps[slot] < 16 ? 16 : pass.lists.caps[slot] * 2;
    while (newCap <= n) newCap *= 2;
    int32_t* bigger = qnew<int32_t>(size_t(newCap), "Memory Allocation Failure #26P\n");
    if (pass.lists.lists[slot] != nullptr)
      std::memcpy(bigger, pass.lists.lists[slot], sizeof(int32_t) * size_t(pass.lists.caps[slot]));
    qfree(pass.lists.lists[slot]);
    pass.lists.lists[slot] = bigger;
    pass.lists.caps[slot] = newCap;
  }
  pass.lists.lists[slot][n] = value;
}

void giveBackNewImplicantList() {
  int32_t slot = --pass.lists.out;
  if (pass.lists.caps[slot] > KEEP_ITEMS) {
    qrelease(pass.lists.lists[slot]);
    pass.lists.caps[slot] = 0;
  }
}

void cleanupNewImplicantListArray() {
  if (pass.lists.lists == nullptr) return;
  for (int32_t k = 0; k < pass.lists.cap; k++) qfree(pass.lists.lists[k]);
  qfree(pass.lists.lists);
  qfree(pass.lists.caps);
  pass.lists.lists = nullptr;
  pass.lists.caps = nullptr;
  pass.lists.out = pass.lists.cap = 0;
}
