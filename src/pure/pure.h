// Pure literals on the strong mode's clause database.
#pragma once

#include <cstdint>

#include "occur/budget.h"
#include "occur/occur.h"

namespace pure {

// Fixes every pure literal among the variables whose occurrences changed
// after clock `since` (all when since is 0), and those that become pure on
// the way. Returns true when it got through them within the budget.
bool run(occur::Formula& f, occur::Budget& b, uint64_t since, int64_t& fixed);

}  // namespace pure
