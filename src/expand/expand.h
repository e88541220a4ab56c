// Universal expansion on the strong mode's clause database.
#pragma once

#include <cstdint>

#include "occur/budget.h"
#include "occur/occur.h"

namespace expand {

// An expansion may add at most max(kMinAdded, live clauses / kAddedDivisor) clauses ...
constexpr int64_t kMinAdded = 256;
constexpr int64_t kAddedDivisor = 8;
// ... and all expansions of a run together at most max(kMinAdded, input
// clauses * kTotalGrowth).
constexpr int64_t kTotalGrowth = 1;

struct Counts {
  int64_t expanded = 0;  // universal variables
  int64_t copies = 0;    // existential variables copied
};

// What expansion remembers between calls: the clauses it added so far and
// its total allowance (set on the first call).
struct History {
  int64_t added = 0;
  int64_t allowance = -1;
};

// Expands the universal variable of the innermost universal level that adds
// the fewest clauses, if that stays within the bounds. Returns true when it
// expanded one. Before: f is propagated. After: propagated, levels merged.
bool one(occur::Formula& f, occur::Budget& b, History& h, Counts& counts);

}  // namespace expand
