// Blocked clause elimination for QBF.
//
// A clause C is blocked on an existential literal l of C when every
// resolvent of C on l is a tautology through a variable quantified at l's
// level or further out: for every clause D with -l there is a literal k of
// C, other than l, with -k in D and level(k) <= level(l). A blocked clause
// can be removed without changing the truth value. The reason: whatever
// the existential player chose for l's variable, flipping it to satisfy C
// falsifies only clauses D with -l, and each of those is satisfied by -k,
// because C was falsified only if k is false; k is known when l is chosen,
// as it is quantified no later. With k quantified further in than l the
// argument breaks (k is chosen after l and may depend on it), so such a
// pair does not count, and a universal literal l never blocks.
//
// Removing a clause C can make clauses blocked that were not: a clause E
// with -m, for m in C, had C as a partner on the pivot -m. So the
// literals -m of a removed clause are tried again. Between runs a literal
// is tried again only once its variable's occurrences changed. A literal is
// tried only while its complement has not too many clauses, which bounds
// the work per try.
#include "blocked/blocked.h"

#include <vector>

namespace blocked {

using occur::Clause;
using occur::ClauseId;
using occur::Lit;

namespace {

// The round state: a queue of candidate literals and the lists of one try.
struct Blocker {
  occur::Formula& f;
  occur::Budget& b;
  History& h;
  std::vector<Lit> queue;
  std::vector<bool> queued;            // per literal index
  std::vector<ClauseId> candidates;    // live clauses with the literal
  std::vector<ClauseId> partners;      // live clauses with its complement
  std::vector<Lit> freed;              // literals of a removed clause

  Blocker(occur::Formula& formula, occur::Budget& budget, History& history)
      : f(formula), b(budget), h(history), queued(2 * size_t(formula.numVars()) + 2, false) {
    h.tried.resize(queued.size(), 0);
  }

  void schedule(Lit l) {
    if (f.universal(l) || queued[occur::index(l)]) return;
    queued[occur::index(l)] = true;
    queue.push_back(l);
  }

  // Returns true when every partner has the complement of a marked literal.
  // Before: marks[index(-k)] = 1 for the literals k of the candidate that
  // may make a resolvent tautological. A partner that refutes is moved to the
  // front, where the next candidate meets it first.
  bool allPartnersClash() {
    const std::vector<int8_t>& marks = f.marks();
    for (size_t i = 0; i < partners.size(); i++) {
      const Clause& d = f.clause(partners[i]);
      bool clash = false;
      for (Lit m : d.lits)
        if (marks[occur::index(m)]) {
          clash = true;
          break;
        }
      f.work += int64_t(d.lits.size());
      if (!clash) {
        std::swap(partners[0], partners[i]);
        return false;
      }
    }
    return true;
  }

  bool isBlocked(const Clause& c, Lit pivot) {
    std::vector<int8_t>& marks = f.marks();
    int32_t bound = f.level(pivot);
    for (Lit k : c.lits)
      if (k != pivot && f.level(k) <= bound) marks[occur::index(-k)] = 1;
    bool blocked = allPartnersClash();
    for (Lit k : c.lits) marks[occur::index(-k)] = 0;
    f.work += int64_t(c.lits.size());
    return blocked;
  }

  // Removes the clauses blocked on l; their literals' complements are tried again.
  void tryLiteral(Lit l, int64_t& removed) {
    if (f.count(l) == 0 || f.count(-l) > kMaxPartners) return;
    f.liveOccurrences(-l, partners);
    f.liveOccurrences(l, candidates);
    for (ClauseId c : candidates) {
      const Clause& clause = f.clause(c);
      if (clause.removed || clause.lits.size() > kMaxLength || !isBlocked(clause, l)) continue;
      freed = clause.lits;
      f.remove(c);
      removed++;
      for (Lit m : freed)
        if (m != l) schedule(-m);
    }
  }

  bool run(int64_t& removed) {
    for (int32_t v = 1; v <= f.numVars(); v++)
      for (Lit l : {v, -v})
        if (f.occurs(v) && f.varStamp(v) > h.tried[occur::index(l)]) schedule(l);
    f.work += f.numVars();
    while (!queue.empty()) {
      if (b.over()) return false;
      Lit l = queue.back();
      queue.pop_back();
      queued[occur::index(l)] = false;
      tryLiteral(l, removed);
      h.tried[occur::index(l)] = f.clock();  // its own removals change nothing for l
    }
    return true;
  }
};

}  // namespace

bool run(occur::Formula& f, occur::Budget& b, History& h, int64_t& removed) {
  Blocker round(f, b, h);
  return round.run(removed);
}

}  // namespace blocked
