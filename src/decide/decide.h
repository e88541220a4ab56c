// Deciding a formula outright at the strong mode's fixed point.
#pragma once

#include <cstdint>

#include "strong/problem.h"
#include "strong/strong.h"

namespace decide {

// The work one attempt may spend: conflicts of each SAT call, and watch
// visits per literal of the formula plus a base.
constexpr int64_t kConflictLimit = 20'000;
constexpr int64_t kWorkPerLiteral = 40;
constexpr int64_t kWorkBase = 4'000'000;
// A formula with one universal block is expanded into a SAT problem when the
// block has at most this many occurring variables ...
constexpr int32_t kMaxExpandedUniversals = 10;
// ... and the copies hold at most this many times the formula's literals.
constexpr int64_t kMaxExpansionGrowth = 8;

// Tries to settle p with bounded SAT calls. Returns True or False when one
// of them settles it, Unknown otherwise; p is not changed.
strong::Result settle(const strong::Problem& p);

}  // namespace decide
