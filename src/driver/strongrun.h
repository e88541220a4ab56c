// The strong mode's run: the classic reductions in the formula store,
// alternated with the strong engine, to a fixed point.
#pragma once

#include <string>

#include "driver/options.h"
#include "strong/problem.h"
#include "strong/strong.h"

// The formula the store holds now, over the store's variables (store
// variable v is problem variable v + 1): the clauses as read, each literal
// taken to its representative, true and false literals resolved (satisfied
// clauses and tautologies dropped), as the classic writer writes them; and
// the quantifier blocks of the variables.
strong::Problem exportStore();

// Puts `p` in the place of the formula: the read-time lists and quantifier
// tables, as a read of it would leave them (without the statistics lines).
// Every other table of the store is reset first; the run's own state (the
// input's name, the start time) is kept. Returns false if the read failed
// or found the empty clause (CONTRADICTION set).
bool importProblem(const strong::Problem& p);

// Runs the strong mode on the formula the reader left. Returns the outcome;
// `result` holds the reduced formula when it is Unknown or True.
strong::Result runStrongMode(const RunOptions& opt, strong::Problem& result);
