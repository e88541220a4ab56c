// The QDIMACS writer of the reduced formula.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "strong/problem.h"

// Writes the reduced formula to `path` (the run names it
// "<base>_outOrig.qdimacs" in the current directory unless told otherwise;
// STANDARD_OUTPUT_PATH is standard output): the reader's stored clauses of
// two or more literals under the final truth values and representatives,
// variables renumbered densely, the prefix restricted to them. Sets
// *written, if given, to the number of clauses written. Returns false
// (after "ERROR: Failed to open ..." or "... write ...") when the file
// cannot be created or written; nothing is left under the output name then.
bool cnfoutputOrigTheory(const std::string& path, int32_t* written = nullptr);

// Writes the strong mode's reduced formula `p` to `path`, announced as the
// writer announces its file, and counts it in NEW_NVARS, NEW_NUMNCLS (the
// clauses of one or of three or more literals), NEW_NUMBCLS and
// NEW_NUMCLS; *written gets the number of clauses. False after an error
// message when the file cannot be written.
bool writeReducedProblem(const strong::Problem& p, const std::string& path, int32_t* written);

// Writes the false formula "p cnf 0 1" / "0" to `path`, as the writer
// would; false after an error message when that fails.
bool writeFalseFormula(const std::string& path);

// Writes the quantifier lines for the variables whose negative literal has a
// new index other than -1 in newIndex (a table over the store's literals).
void printPrefix(FILE* out, const int32_t* newIndex);
