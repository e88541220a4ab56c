// Strongly connected components of the implication graph: equivalent
// literals and their representatives.
#pragma once

#include <cstdint>

#include "store/store.h"

// Prepares one search: discovery counter, LitStack, per-literal marks.
void initSCC();
// Full search from every active literal. After it (without contradiction)
// every equivLit names a representative, the two polarities of a variable
// have negated representatives, and equivLitStack lists every reached
// literal that is represented by another one.
void findSCC();
// The same search, started only from active literals marked hasNewBcls;
// also lists the negations of the reached literals.
void incrFindSCC();
// Depth-first step of the search from one literal (iterative).
void visit(preLit* L);
// Literals the last search pushed on equivLitStack.
int32_t newEquivLitsOfLastSearch();
// Whether the search holds its stack of finished literals (it releases it
// when it completes).
bool searchStackHeld();
// Releases the search's own tables (part of resetAllState()).
void resetComponentSearch();
// Appends x to equivLitStack, doubling it when full.
void pushequivLitStack(int32_t x);
