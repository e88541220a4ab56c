// The QDIMACS writer of the strong mode's plain problem.
#pragma once

#include <cstdio>

#include "strong/problem.h"

// Writes p as QDIMACS: the variables that occur in a clause renumbered
// densely from 1 in the order of their old numbers, the prefix restricted to
// them (empty blocks dropped, neighbouring blocks of one kind merged, free
// variables in an outermost existential line when there is a prefix at
// all), "p cnf V C", one clause per line. Returns false on a write error.
bool writeProblem(FILE* out, const strong::Problem& p);
