// Clause store operations: adding binary clauses and occurrences, turning
// two-literal n-ary clauses into binary clauses, and the pending binary
// clauses found during the main loop.
#pragma once

#include <cstdint>

#include "store/store.h"

// Adds `to` to the implications of `from` unless it is already there.
// Returns true if added (and marks `from` hasNewBcls).
bool addBcls(int32_t from, int32_t to);
// addBcls for a caller that knows `to` is not among the implications of
// `from`: the same effect without the search.
// Before: `to` is not in the implications of `from`. After: it is, last.
void appendBcls(int32_t from, int32_t to);

// Appends clause index c to the LitNcls of lit, reporting every copy
// already present ("ERROR: Found clause index ...").
void addNcls(int32_t lit, int32_t c);

// Deferred conversion of a clause with curLen 2: deactivates it, pushes its
// two literals on newBclsStack and drops c from their LitNcls.
void convertNaryToBcls(preNcls* Cls, int32_t c);

// Immediate conversion of a clause with curLen 2 into a binary clause on its
// two literals as they stand (used by top-level propagation).
void changeNaryToBcls(preNcls* Cls, int32_t c);

// Pushes the pending binary clause (a v b).
void pushnewBclsStack(int32_t a, int32_t b);
