// The build step of the formula store.
#pragma once

// Creates PRELITS, PRENCLS with the occurrence lists, the three literal
// queues and newBclsStack from the reader's clause lists.
// Before: readProblem() succeeded. After: no binary clause is loaded yet.
void createStore();

// Loads the binary clauses of lenNclauses[2] into the implication lists,
// storing a clause given twice only once (the copy counts as satisfied).
// Before: createStore(). After: NUMBCLS counts every binary node.
void loadBinaryClauses();
