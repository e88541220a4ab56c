// Pure literals.
//
// A variable that occurs with one sign only is pure. An existential pure
// literal is set true: any winning choice for the existential player stays
// winning when the variable is made to satisfy every clause it is in, so
// those clauses go. A universal pure literal is set false: the opponent
// loses nothing by choosing the value that satisfies no clause, so the
// literal leaves its clauses, which are then universally reduced.
//
// Fixing a pure literal removes or shortens clauses, which can make other
// variables pure; they are found by looking at the variables of the
// clauses involved before the value is propagated.
#include "pure/pure.h"

#include <vector>

namespace pure {

using occur::ClauseId;
using occur::Lit;

namespace {

// The round state: a work list of variables with a queued flag.
struct Purifier {
  occur::Formula& f;
  occur::Budget& b;
  std::vector<int32_t> work;
  std::vector<bool> queued;
  std::vector<ClauseId> touched;

  Purifier(occur::Formula& formula, occur::Budget& budget)
      : f(formula), b(budget), queued(size_t(formula.numVars()) + 1, false) {}

  void schedule(int32_t v) {
    if (queued[size_t(v)]) return;
    queued[size_t(v)] = true;
    work.push_back(v);
  }

  // The literal fixing v makes true when v is pure, else 0.
  Lit pureValue(int32_t v) const {
    if (f.state(v) != occur::VarState::Active) return 0;
    bool pos = f.count(v) > 0, neg = f.count(-v) > 0;
    if (pos == neg) return 0;
    Lit occurring = pos ? v : -v;
    return f.universal(occurring) ? -occurring : occurring;
  }

  // Fixes v and schedules the variables of the clauses it touches: the
  // removed ones (their literals lose occurrences) and the shortened ones
  // (universal reduction may drop literals from them).
  void fix(int32_t v, Lit value) {
    Lit occurring = f.count(v) > 0 ? v : -v;
    f.liveOccurrences(occurring, touched);
    for (ClauseId c : touched)
      for (Lit l : f.clause(c).lits) {
        f.work++;
        schedule(occur::var(l));
      }
    f.assign(value);
    f.propagate();
  }

  bool run(uint64_t since, int64_t& fixed) {
    for (int32_t v = 1; v <= f.numVars(); v++)
      if (f.occurs(v) && f.varStamp(v) > since) schedule(v);
    f.work += f.numVars();
    while (!work.empty()) {
      if (b.over()) return false;
      int32_t v = work.back();
      work.pop_back();
      queued[size_t(v)] = false;
      Lit value = pureValue(v);
      if (value == 0) continue;
      fix(v, value);
      fixed++;
      if (f.inconsistent()) return true;
    }
    return true;
  }
};

}  // namespace

bool run(occur::Formula& f, occur::Budget& b, uint64_t since, int64_t& fixed) {
  Purifier round(f, b);
  return round.run(since, fixed);
}

}  // namespace pure
