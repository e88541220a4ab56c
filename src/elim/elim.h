// Bounded variable elimination on the strong mode's clause database.
#pragma once

#include <cstdint>
#include <vector>

#include "occur/budget.h"
#include "occur/occur.h"
#include "subsume/subsume.h"

namespace elim {

// A variable is tried only with at most this many clauses (both signs).
constexpr int32_t kMaxOccurrences = 64;
// Neither a clause of the variable nor a resolvent may be longer.
constexpr size_t kMaxResolventLength = 64;

struct Settings {
  int64_t growth = 0;             // resolvents allowed beyond the clauses removed
  subsume::Mode subsume;          // what the resolvents do to older clauses
};

struct Counts {
  int64_t eliminated = 0;   // variables
  int64_t resolvents = 0;   // clauses added
  subsume::Counts subsume;  // done by the resolvents
};

// What elimination remembers between runs: per variable, the database's
// clock when it was last tried (0: never). A variable is tried again only
// when its occurrences changed since.
struct History {
  std::vector<uint64_t> tried;
};

// Eliminates the existential variables of the innermost occurring level that
// are worth a try (see History); as a level empties, the next one outward
// becomes innermost and is taken. Returns true when it got through them
// within the budget.
bool run(occur::Formula& f, occur::Budget& b, const Settings& s, History& h, Counts& counts);

}  // namespace elim
