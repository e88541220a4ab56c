// Views of the formula store shared by the store and propagation tests:
// queue and stack contents, the statistics counters as one value, and the
// two state edits the tests need (assigning a variable, giving a literal a
// representative) done the way the store keeps them: both polarities at once.
#pragma once

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <vector>

#include "store/store.h"

// The literals waiting in a queue, oldest first.
inline std::vector<int32_t> queued(const UPstackRec* q) {
  return std::vector<int32_t>(q->items, q->items + q->count);
}

// True when no literal of the store is marked as queued in q.
inline bool noneMarked(const UPstackRec* q) {
  for (int32_t i = 0; i < NLITS; i++)
    if (q->inStack[i]) return false;
  return true;
}

// The entries of newBclsStack, oldest first (pairs at 2k, 2k+1).
inline std::vector<int32_t> pendingPairs() {
  return std::vector<int32_t>(newBclsStack->items, newBclsStack->items + newBclsStack->top + 1);
}

inline std::vector<int32_t> sortedCopy(std::vector<int32_t> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// Makes literal x true and its negation false.
inline void setTrue(int32_t x) {
  PRELITS[x].tval = T;
  PRELITS[x ^ 1].tval = F;
}

// Makes r the representative of x (and r^1 that of x^1).
inline void represent(int32_t x, int32_t r) {
  PRELITS[x].equivLit = r;
  PRELITS[x ^ 1].equivLit = r ^ 1;
}

// The statistics that the store and propagation operations change.
struct Counters {
  int32_t valuedLits, satCls, satNaryCls, satBcls, initUnits, reducedNary, addBcls, deletes;

  static Counters now() {
    return {numValuedLits, numSatCls, numSatNaryCls, numSatBcls, numInitUnits, numReducedNary, numAddBcls, deleteCount};
  }
  bool operator==(const Counters& o) const {
    return valuedLits == o.valuedLits && satCls == o.satCls && satNaryCls == o.satNaryCls && satBcls == o.satBcls &&
           initUnits == o.initUnits && reducedNary == o.reducedNary && addBcls == o.addBcls && deletes == o.deletes;
  }
};

inline std::ostream& operator<<(std::ostream& os, const Counters& c) {
  return os << "{valued " << c.valuedLits << ", satCls " << c.satCls << ", satNary " << c.satNaryCls << ", satBcls "
            << c.satBcls << ", initUnits " << c.initUnits << ", reducedNary " << c.reducedNary << ", addBcls "
            << c.addBcls << ", deletes " << c.deletes << "}";
}
