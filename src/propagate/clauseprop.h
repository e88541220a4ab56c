// Clause-level propagation of the main loop: a forced literal is propagated
// through the binary clauses and through the n-ary clauses separately, each
// half with its own done flag.
#pragma once

#include <cstdint>

// Makes l true and its negation false, and propagates through the binary
// clauses: implied literals are queued on both clause-level queues.
void bclsUnitProp(int32_t l);

// Makes l true and its negation false, and propagates through the n-ary
// clauses: satisfied clauses leave the store, clauses holding the negation
// are shortened, universally reduced, and at two literals become pending
// binary clauses.
void naryUnitProp(int32_t l);

// Empties bclsUPstack and then naryUPstack, propagating each entry through
// its representative. Literals queued on the binary queue meanwhile wait for
// the next call. On a contradiction both queues are emptied.
void runPropagationStep();

// Commits the pending binary clauses, last pushed first, under the current
// representatives and values; units go to the clause-level queues.
// Before: no contradiction. After: newBclsStack empty, or CONTRADICTION set.
void addnewBclsStacktoLit();
