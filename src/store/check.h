// Diagnostics: the always-on check of a state that must not occur, and the
// consistency check of the formula store that checked builds run between
// the phases of the main loop.
#pragma once

// Prints "qshrink: <where>: Assertion `<text>' failed." on standard output
// and aborts. Reached only through QSHRINK_CHECK.
[[noreturn]] void checkFailed(const char* where, const char* text);

// Checks `condition` in every build; `where` names the function, `text` the
// condition as the message shows it.
#define QSHRINK_CHECK(condition, where, text) \
  do {                                        \
    if (!(condition)) checkFailed(where, text); \
  } while (0)

// Recounts and cross-checks the store; on a broken invariant prints what is
// wrong and where, and aborts. `where` names the point of the main loop.
// queuesDrained: the n-ary queue and the pending binary clauses must be empty.
void checkStore(const char* where, bool queuesDrained);

#ifdef QSHRINK_CHECKS
#define CHECK_STORE(where, queuesDrained) checkStore(where, queuesDrained)
#else
#define CHECK_STORE(where, queuesDrained) ((void)0)
#endif
