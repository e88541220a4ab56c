// The preprocessing run over the formula store.
#pragma once

// Builds the formula store from the reader's lists and reduces it.
// Before: readProblem() succeeded without a contradiction.
// After: CONTRADICTION is set, or the store holds the reduced formula.
void preprocessor();
