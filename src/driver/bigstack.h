// Running a step on a thread with a large stack: the probes of hyper-binary
// resolution recurse along implication chains, which can be as long as the
// formula.
#pragma once

// Runs fn() on a thread whose stack holds deep recursion, and waits for it.
// Falls back to smaller stacks (and finally the caller's thread) if the
// system refuses the reservation. An exception fn() throws is rethrown here.
void runOnLargeStack(void (*fn)());
