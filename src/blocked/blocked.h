// Blocked clause elimination for QBF on the strong mode's clause database.
#pragma once

#include <cstdint>

#include "occur/budget.h"
#include "occur/occur.h"

namespace blocked {

// A literal is tried only when its complement has at most this many clauses.
constexpr int32_t kMaxPartners = 64;
// Clauses longer than this are not tried.
constexpr size_t kMaxLength = 256;

// Removes clauses blocked on an existential literal of a variable whose
// occurrences changed after clock `since` (all when since is 0), and those
// that become blocked on the way. Returns true when it got through them
// within the budget.
bool run(occur::Formula& f, occur::Budget& b, uint64_t since, int64_t& removed);

}  // namespace blocked
