// Blocked clause elimination for QBF on the strong mode's clause database.
#pragma once

#include <cstdint>
#include <vector>

#include "occur/budget.h"
#include "occur/occur.h"

namespace blocked {

// A literal is tried only when its complement has at most this many clauses.
constexpr int32_t kMaxPartners = 1024;
// Clauses longer than this are not tried.
constexpr size_t kMaxLength = 256;

// What blocked clause elimination remembers between runs: per literal
// index, the database's clock when the literal was last tried (0: never).
// A literal is tried again only when its variable's occurrences changed.
struct History {
  std::vector<uint64_t> tried;
};

// Removes the clauses blocked on an existential literal worth a try (see
// History), and those that become blocked on the way. Returns true when it
// got through them within the budget.
bool run(occur::Formula& f, occur::Budget& b, History& h, int64_t& removed);

}  // namespace blocked
