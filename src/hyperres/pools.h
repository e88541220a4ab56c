// Scratch pools of the hyper-binary resolution probes: literal sets and
// new-implicant lists, handed out and given back in stack order so that the
// storage of one nesting depth serves every later probe at that depth.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "store/store.h"

// --- sets ---
void initUniqueSet(UniqueSet* s);       // an empty set with no storage yet
void freeUniqueSetStorage(UniqueSet* s);
inline bool usContains(const UniqueSet* s, int32_t lit);  // defined below: the probes' hottest test
inline void usAdd(UniqueSet* s, int32_t lit);             // no change if already a member; defined below
inline void usAddNew(UniqueSet* s, int32_t lit);          // lit must not be a member; defined below
int32_t usPopLast(UniqueSet* s);        // removes and returns the member added last
void usEmpty(UniqueSet* s);             // cost proportional to the members
// Before: s holds exactly one member x; `from` holds neither x nor -x.
// After: s holds x, then the members of `from` last added first (as adding
// them one by one would leave it), with their print; `from` is empty. The
// storage is handed over, not copied.
void usTakeReversed(UniqueSet* s, UniqueSet* from);

void initUniqueSetArray();
UniqueSet* getUniqueSet();     // an empty set after those handed out
void giveBackUniqueSet();      // gives back (and empties) the set taken last
void cleanupUniqueSetArray();
// Bytes of large storage held by given-back sets, kept for reuse.
size_t pooledSetBytes();

// --- new-implicant lists (the user keeps the count) ---
void initNewImplicantListArray();
int32_t getNewImplicantList();  // slot of a list after those handed out
// Stores value at position n of the list in `slot`, growing it if needed.
void implicantListPut(int32_t slot, int32_t n, int32_t value);
void giveBackNewImplicantList();
void cleanupNewImplicantListArray();

// closedEpoch of a set with no closed members.
constexpr uint64_t NO_CLOSED_EPOCH = ~uint64_t(0);
// closedLevel of a set that no probe has shown to be closed.
constexpr int32_t NOT_CLOSED = INT32_MAX;
// deepestUniversal of a set with no universal member.
constexpr int32_t NO_UNIVERSAL = INT32_MIN;

// Slot of a literal in a set's hash table: a multiplicative hash.
inline uint32_t hashLit(int32_t lit) { return uint32_t(lit) * 0x9E3779B1u; }

inline bool usContains(const UniqueSet* s, int32_t lit) {
  if (s->bits != nullptr) return bitAt(s->bits, lit);
  if (s->count == 0) return false;
  uint32_t mask = uint32_t(s->slotCap - 1);
  for (uint32_t i = hashLit(lit) & mask;; i = (i + 1) & mask) {
    if (s->slots[i] == lit) return true;
    if (s->slots[i] == -1) return false;
  }
}

// The slow paths of usAddNew: growing the member array, and entering a
// member into the table of a set in hash mode.
void usGrowItems(UniqueSet* s);
// Enters lit, just appended to the items of a set in hash mode, into its table.
void usEnterHashed(UniqueSet* s, int32_t lit);

// Enters lit, just appended to the items of s, into its membership table.
inline void usEnter(UniqueSet* s, int32_t lit) {
  if (s->bits != nullptr) {
    putBitAt(s->bits, lit, true);
  } else {
    usEnterHashed(s, lit);
  }
}

// usAdd for a literal the caller knows is not a member, without looking.
// Before: !usContains(s, lit). After: lit is the last member.
inline void usAddNew(UniqueSet* s, int32_t lit) {
  assert(!usContains(s, lit));
  if (s->count == s->itemCap) usGrowItems(s);
  s->items[s->count++] = lit;
  s->print ^= memberKey(lit);
  usEnter(s, lit);
}

inline void usAdd(UniqueSet* s, int32_t lit) {
  if (!usContains(s, lit)) usAddNew(s, lit);
}
