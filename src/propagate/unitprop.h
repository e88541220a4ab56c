// Top-level unit propagation: permanent assignments through UPstack.
#pragma once

#include <cstdint>

// Counts the n-ary clauses of lit (now true) as satisfied, deactivates them
// and takes them out of the other literals' occurrence lists; lit's own list
// keeps them.
void satisfyNaryClauses(int32_t lit);

// Makes lit true for good and simplifies the store around it: satisfied
// clauses leave the store, binary partners are queued on UPstack, clauses
// holding the negation are shortened (and universally reduced, and handed to
// the binary store at two literals).
// Before: lit is a representative. After: lit is T, or CONTRADICTION is set.
void UnitPropLit(int32_t lit);

// Propagates every queued literal (through its representative), last queued
// first; on a contradiction the queue is emptied.
void drainUPstack();

// Queues the unit clauses of the input, last read first.
void seedUnitClauses();
