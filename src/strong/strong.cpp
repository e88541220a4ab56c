// The round driver of the strong mode.
//
// The formula is loaded into the occurrence-list database, which reduces
// every clause and fixes the units at once. Then rounds run: subsumption
// and strengthening, pure literals, blocked clauses, variable elimination,
// each followed by unit propagation. The order is cheap to dear, and each
// leaves less for the next: subsumption shrinks the occurrence lists that
// blocked clauses and elimination walk, and pure literals spare elimination
// its easiest cases. Every technique remembers, per clause, literal or
// variable, at which point of the database's clock it last looked, and
// looks again only at what changed since; so a round after the first costs
// little when little changed, and a technique that ran out of its share
// goes on where it stopped. Between rounds the levels are merged where
// blocks emptied (an inner existential block can then join an outer one
// and become innermost for elimination) and removed clauses are collected.
//
// When a round changes nothing, one universal variable of the innermost
// universal block is expanded, if that is cheap enough, and the rounds go
// on; otherwise the formula is at its fixed point.
//
// Each technique gets at most a share of the effort per round. Every step
// of every technique leaves an equivalent formula, so the run can stop
// between any two steps, by the effort or by the caller's stop function.
#include "strong/strong.h"

#include <algorithm>

#include "blocked/blocked.h"
#include "elim/elim.h"
#include "expand/expand.h"
#include "occur/convert.h"
#include "pure/pure.h"
#include "subsume/subsume.h"

namespace strong {

namespace {

// The default effort: work units per literal of the input, plus a base.
constexpr int64_t kEffortPerLiteral = 300;
constexpr int64_t kEffortBase = 2'000'000;
// A technique gets at most this fraction (1/n) of the total effort per round.
constexpr int64_t kShareDivisor = 2;
// Clauses elimination may add beyond those it removes. More removes more
// variables but leaves formulas that solvers find harder.
constexpr int64_t kElimGrowth = 0;
// Removed clauses are collected once they are this fraction (1/n) of the live ones.
constexpr int64_t kCollectDivisor = 4;

int64_t literals(const Problem& p) {
  int64_t n = 0;
  for (const std::vector<int32_t>& c : p.clauses) n += int64_t(c.size());
  return n;
}

// The round state of the driver: what the techniques remember.
struct Driver {
  occur::Formula& f;
  const Switches& s;
  Report& r;
  occur::Budget total;
  int64_t share;
  uint64_t pureAt = 0;  // the clock of pure literals' last complete run
  blocked::History blocked;
  elim::History eliminated;
  expand::History expanded;

  Driver(occur::Formula& formula, const Switches& switches, const Limits& l, Report& report, int64_t effort)
      : f(formula), s(switches), r(report), total(formula.work, effort, l.stop ? &l.stop : nullptr),
        share(std::max<int64_t>(effort / kShareDivisor, 1)) {}

  // Runs one technique on a share of the effort, then propagates.
  template <class Technique>
  void step(Technique technique) {
    if (f.inconsistent() || total.over()) return;
    occur::Budget budget = total.share(share);
    technique(budget);
    f.propagate();
  }

  void round() {
    subsume::Mode mode{s.subsume, s.strengthen};
    if (s.subsume || s.strengthen)
      step([&](occur::Budget& b) {
        subsume::Counts c;
        subsume::run(f, b, mode, c);
        r.subsumed += c.subsumed;
        r.strengthened += c.strengthened;
      });
    if (s.pure)
      step([&](occur::Budget& b) {
        uint64_t start = f.clock();
        if (pure::run(f, b, pureAt, r.pureLiterals)) pureAt = start;
      });
    if (s.blocked) step([&](occur::Budget& b) { blocked::run(f, b, blocked, r.blocked); });
    if (s.elim)
      step([&](occur::Budget& b) {
        elim::Settings settings;
        settings.subsume = mode;
        settings.growth = kElimGrowth;
        elim::Counts c;
        elim::run(f, b, settings, eliminated, c);
        r.eliminated += c.eliminated;
        r.resolvents += c.resolvents;
        r.subsumed += c.subsume.subsumed;
        r.strengthened += c.subsume.strengthened;
      });
  }

  // At a fixed point: expands one universal variable. Returns false when
  // there is none to expand within the bounds.
  bool expandOne() {
    if (!s.expand || total.over()) return false;
    expand::Counts c;
    occur::Budget budget = total.share(share);
    bool done = expand::one(f, budget, expanded, c);
    r.expanded += c.expanded;
    r.copies += c.copies;
    f.propagate();
    return done;
  }

  void run() {
    f.propagate();
    while (!f.inconsistent() && f.liveClauses() > 0 && !total.over()) {
      uint64_t before = f.clock();
      r.rounds++;
      round();
      f.relevel();
      if (f.removedClauses() > f.liveClauses() / kCollectDivisor) f.collect();
      if (f.clock() == before && !expandOne()) break;
    }
    r.stopped = total.over() && !f.inconsistent() && f.liveClauses() > 0;
    r.work = f.work;
    r.units = f.fixedCount() - r.pureLiterals;
  }
};

}  // namespace

Result simplify(Problem& p, const Switches& s, const Limits& l, Report& r) {
  int64_t effort = kEffortPerLiteral * literals(p) + kEffortBase;
  if (l.effort >= 0) effort = std::min(effort, l.effort);
  occur::Formula f = occur::fromProblem(p);
  Driver driver(f, s, l, r, effort);
  driver.run();
  if (f.inconsistent()) {
    p.blocks.clear();
    p.clauses.assign(1, {});
    return Result::False;
  }
  occur::toProblem(f, p);
  return p.clauses.empty() ? Result::True : Result::Unknown;
}

}  // namespace strong
