// Debug-only consistency check of the formula store, run between the phases
// of the main loop in checked builds and compiled away otherwise.
#pragma once

// Recounts and cross-checks the store; on a broken invariant prints what is
// wrong and where, and aborts. `where` names the point of the main loop.
// queuesDrained: the n-ary queue and the pending binary clauses must be empty.
void checkStore(const char* where, bool queuesDrained);

#ifdef QSHRINK_CHECKS
#define CHECK_STORE(where, queuesDrained) checkStore(where, queuesDrained)
#else
#define CHECK_STORE(where, queuesDrained) ((void)0)
#endif
