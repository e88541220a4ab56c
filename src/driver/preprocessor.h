// The preprocessing run over the formula store.
#pragma once

// Builds the formula store from the reader's lists and reduces it.
// Before: readProblem() succeeded without a contradiction.
// After: CONTRADICTION is set, or the store holds the reduced formula.
void preprocessor();

// The first stage of preprocessor(): builds the store, queues the unit
// clauses, loads the binary clauses and propagates the units at top level.
// Literals that universal reduction left as units wait on the clause-level
// queues. After: CONTRADICTION is set, or the stage is complete.
void buildAndPropagateUnits();
