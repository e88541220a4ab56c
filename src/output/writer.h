// The QDIMACS writer of the reduced formula.
#pragma once

#include <cstdint>
#include <cstdio>

// Writes "<base>_outOrig.qdimacs" in the current directory: the reader's
// stored clauses of two or more literals under the final truth values and
// representatives, variables renumbered densely, the prefix restricted to
// them. Returns false (after "ERROR: Failed to open ...") when the file
// cannot be created or written; nothing is left under the output name then.
bool cnfoutputOrigTheory();

// Writes the quantifier lines for the variables whose negative literal has a
// new index other than -1 in newIndex (a table over the store's literals).
void printPrefix(FILE* out, const int32_t* newIndex);
