// Conversions between the plain problem and the clause database.
#pragma once

#include "occur/occur.h"
#include "strong/problem.h"

namespace occur {

// The database of p: blocks become levels (empty blocks vanish, neighbours
// of one kind share a level, a leading existential block joins the free
// variables at level 0), clauses are added and reduced, units are fixed but
// not yet propagated. A variable named by several blocks takes the last.
Formula fromProblem(const strong::Problem& p);

// Writes the live clauses of f into p, with one block per level beyond 0
// that holds occurring variables; the variables of level 0 are left free.
// Before: f is propagated.
void toProblem(const Formula& f, strong::Problem& p);

}  // namespace occur
