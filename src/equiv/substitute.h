// Equivalent-literal substitution in the binary and the n-ary clauses.
#pragma once

// Rewrites the binary clauses of every literal on equivLitStack (from its
// done cursor down) onto the representatives.
// Before: a component search without contradiction; done = top.
// After: done = -1, or CONTRADICTION set.
void runbclsEquivLitReduction();

// Rewrites the n-ary clauses of every literal on equivLitStack onto the
// representatives, or propagates the value of a class that has one.
// Before: done = top, clause-level queues drained. After: done = -1, or
// CONTRADICTION set; pending binary clauses may be on newBclsStack.
void runnaryEquivLitReduction();
