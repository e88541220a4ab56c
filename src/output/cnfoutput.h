// The renumbering writer: the working formula store written as QDIMACS,
// with a commented mapping between the input's literals and the output's.
#pragma once

// Writes the active binary and n-ary clauses of the store over the active
// representatives, renumbered densely from 1, to `outfile` (or, when that is
// empty, to the base name of `filename` before its last '.' followed by
// "_out.qdimacs", which then becomes `outfile`). When no clause remains it
// writes a satisfying assignment instead and sets SATISFIED and var_assign.
// Adds the counts of the written formula to NEW_NUMBCLS, NEW_NUMNCLS,
// NEW_NUMCLS, NEW_NVARS and NEW_NLITS, and prints an "ERROR: Problem in
// counting ..." line for each count that disagrees with the statistics.
// Returns 0 once the file is in place; non-zero when it could not be
// created or written ("ERROR: Failed to open ..." is printed, nothing is
// left under the name).
int cnfoutput();
