// Subsumption and strengthening (self-subsuming resolution) on the strong
// mode's clause database.
#pragma once

#include <cstdint>
#include <vector>

#include "occur/budget.h"
#include "occur/occur.h"

namespace subsume {

// Longest clause used as a subsumer: longer ones rarely subsume anything.
constexpr size_t kMaxSubsumerLength = 128;

// What a subsumer may do to a clause.
struct Mode {
  bool subsume = true;     // remove it when a superset
  bool strengthen = true;  // remove one literal by self-subsuming resolution
};

struct Counts {
  int64_t subsumed = 0;      // clauses removed
  int64_t strengthened = 0;  // literals removed
};

// Forward subsumption of every clause added or shortened since it was last
// tried, by the other clauses; then those clauses backward as subsumers.
// Returns true when it got through all of them within the budget.
bool run(occur::Formula& f, occur::Budget& b, Mode mode, Counts& counts);

// Backward subsumption: removes or strengthens the clauses that a clause of
// `subsumers` subsumes (or strengthens), and then those strengthened in turn.
// Ids of removed clauses in `subsumers` are skipped. Propagates.
void backward(occur::Formula& f, occur::Budget& b, const std::vector<occur::ClauseId>& subsumers, Mode mode,
              Counts& counts);

}  // namespace subsume
