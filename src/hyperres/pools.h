// Scratch pools of the hyper-binary resolution probes: literal sets and
// new-implicant lists, handed out and given back in stack order so that the
// storage of one nesting depth serves every later probe at that depth.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "store/store.h"

// A set of literals: constant-time membership, members in the order added,
// storage that grows with the members actually held.
struct UniqueSet {
  int32_t* items;     // the members, in the order they were added
  int32_t count;      // number of members
  int32_t itemCap;    // capacity of items
  int32_t* slots;     // open-addressing table of the members, -1 for empty (small sets)
  int32_t slotCap;    // capacity of slots (a power of two)
  uint64_t* bits;     // one bit per literal, replacing slots once the set is large
  int32_t size;       // nominal capacity: NLITS
  uint32_t closedTag;    // members carrying this tag in pass.closedTag have their closure in the set
  uint64_t closedEpoch;  // implEpoch when closedTag was issued; the tag is void once that moves on
  int32_t closedLevel;       // a probe at this level left the set closed under its propagation (NOT_CLOSED none)
  int32_t deepestUniversal;  // deepest prefix level of a universal member (NO_UNIVERSAL none; may overstate;
                             // kept by the probes as they add members, not by usAdd)
  uint64_t print;            // exclusive or of memberKey() over the members
};

// A literal's key in a set's print: a fixed pseudo-random 64-bit number. The
// prints of implication lists are sums of keys, equal for two lists exactly
// when they hold the same literals, each as many times, barring a 64-bit
// collision of chance.
inline uint64_t memberKey(int32_t lit) {
  uint64_t z = uint64_t(uint32_t(lit)) + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Bit i of a table of 64-bit words.
inline bool bitAt(const uint64_t* words, int32_t i) { return (words[i >> 6] >> (i & 63)) & 1; }
// Sets bit i of such a table to on.
inline void putBitAt(uint64_t* words, int32_t i, bool on) {
  const uint64_t bit = uint64_t(1) << (i & 63);
  words[i >> 6] = on ? words[i >> 6] | bit : words[i >> 6] & ~bit;
}

// The pool of sets: sets handed out below `out`, in stack order.
struct SetPool {
  UniqueSet** sets = nullptr;  // the sets, created on first use
  int32_t out = 0;             // sets currently handed out
  int32_t cap = 0;             // slots of sets
  size_t keptBytes = 0;        // large storage of the sets given back, all counted by largeStorageBytes
};

// The pool of new-implicant lists, handed out in stack order.
struct ListPool {
  int32_t** lists = nullptr;  // the lists
  int32_t* caps = nullptr;    // capacity of each list
  int32_t out = 0;            // lists currently handed out
  int32_t cap = 0;            // slots of lists
};

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

// The pools of the running pass (pass.sets, pass.lists; see passstate.h).
void initUniqueSetArray();
UniqueSet* getUniqueSet();     // an empty set after those handed out
void giveBackUniqueSet();      // gives back (and empties) the set taken last
void cleanupUniqueSetArray();
// Bytes of large storage held by given-back sets, kept for reuse.
size_t pooledSetBytes();

// --- new-implicant lists (the user keeps the count) ---
void initNewImplicantListArray();
int32_t getNewImplicantList();  // slot of a list after those handed out
// The list in `slot` (valid until the list next grows).
int32_t* implicantList(int32_t slot);
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

// The probes' work so far, in units that do not depend on the machine: one
// for each implicant-set member filled and for each entry of an implication
// or occurrence list a probe walks. A running count that no reset touches:
// bounded runs stop on its growth, which a strong-mode round's reset of the
// store must not lose.
extern uint64_t probeWork;
// The work of one derived literal of phase 2 or one resolvent removed in
// phase 3: each edits two implication lists, which costs many list entries'
// worth of memory traffic.
constexpr uint64_t RESOLVENT_WORK = 32;

// usAdd for a literal the caller knows is not a member, without looking.
// Before: !usContains(s, lit). After: lit is the last member.
inline void usAddNew(UniqueSet* s, int32_t lit) {
  assert(!usContains(s, lit));
  probeWork++;
  if (s->count == s->itemCap) usGrowItems(s);
  s->items[s->count++] = lit;
  s->print ^= memberKey(lit);
  usEnter(s, lit);
}

inline void usAdd(UniqueSet* s, int32_t lit) {
  if (!usContains(s, lit)) usAddNew(s, lit);
}
