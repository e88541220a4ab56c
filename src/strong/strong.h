// The strong mode: subsumption, strengthening, pure literals, blocked
// clauses, variable elimination and universal expansion, run in rounds to a
// fixed point within effort limits.
#pragma once

#include <cstdint>
#include <functional>

#include "strong/problem.h"

namespace strong {

enum class Result { Unknown, False, True };

struct Switches {
  bool subsume = true, strengthen = true, pure = true, blocked = true, elim = true, expand = true;
};

struct Limits {
  int64_t effort = -1;        // total budget in the database's work units; -1 = the engine's defaults only
  std::function<bool()> stop;  // optional: polled between steps; true = stop now, keep what is done
};

struct Report {
  int64_t units = 0;           // literals fixed by unit clauses
  int64_t subsumed = 0;        // clauses removed as supersets of others
  int64_t strengthened = 0;    // literals removed by self-subsuming resolution
  int64_t pureLiterals = 0;    // variables fixed because one polarity occurs nowhere
  int64_t blocked = 0;         // blocked clauses removed
  int64_t eliminated = 0;      // variables removed by resolution
  int64_t resolvents = 0;      // clauses added by elimination
  int64_t expanded = 0;        // universal variables expanded
  int64_t copies = 0;          // existential variables copied by expansion
  int64_t rounds = 0;          // rounds of the driver
  int64_t work = 0;            // work units spent
  bool stopped = false;        // Limits::stop or the effort ended the run early
};

// Simplifies p in place into a formula with the same truth value.
// Returns False when p was shown false (p's content is then unspecified),
// True when no clause is left, Unknown otherwise. Variables keep their
// numbers (numVars grows for expansion copies); the caller renumbers.
Result simplify(Problem& p, const Switches& s, const Limits& l, Report& r);

}  // namespace strong
