// Bounded variable elimination.
//
// An existential variable x of the innermost block is eliminated by
// replacing the clauses with x or -x by all their resolvents on x. With x
// innermost, every other variable is fixed by the time x is chosen, so
// exists x (A v x) & (B v -x) & R equals (A v B) & R for each such
// choice, as in propositional logic. For a variable of an outer block that
// argument fails (the variables quantified after x could depend on it), so
// only the innermost occurring level is ever eliminated. Tautological
// resolvents (any complementary pair) are dropped and each resolvent is
// universally reduced as it is added.
//
// Elimination is bounded: a variable goes only when its resolvents are no
// more than the clauses they replace (plus an allowed growth) and none is
// longer than a fixed bound, and it is tried only with few occurrences.
// Variables go in order of the product of their two occurrence counts, so
// pure and nearly pure ones go first; after each elimination the variables
// of the clauses involved are tried again. New resolvents subsume and
// strengthen older clauses backward.
//
// When x is defined by an AND gate among its clauses, x = l1 & ... & lk
// as (-x v l1) ... (-x v lk) (x v -l1 v ... v -lk), or by an OR gate (the
// same with -x), only the resolvents of a gate clause with a clause outside
// the gate are needed: together they say that the other clauses hold with x
// replaced by its definition, which is exists x of the whole. Two gate
// clauses resolve into a tautology, and two clauses outside the gate into a
// clause implied by those. An equivalence (x v -l)(-x v l) is the gate with
// one input. This keeps the resolvents of Tseitin variables few.
//
// Elimination cascades: once the innermost level has no occurring variable,
// the universal level before it has none either (universal reduction
// removed its literals), and the existential level before that is innermost.
#include "elim/elim.h"

#include <cassert>
#include <functional>
#include <queue>
#include <utility>

namespace elim {

using occur::Clause;
using occur::ClauseId;
using occur::Lit;

namespace {

// The round state: a heap of candidates of the current level and the
// buffers of one elimination.
struct Eliminator {
  occur::Formula& f;
  occur::Budget& b;
  const Settings& s;
  History& h;
  Counts& counts;
  using Entry = std::pair<int64_t, int32_t>;  // score, variable
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> heap;
  std::vector<bool> queued;  // per variable: on the heap
  std::vector<std::vector<int32_t>> byLevel;
  int32_t level = 0;
  std::vector<ClauseId> pos, neg;
  std::vector<bool> posGate, negGate;  // per clause of pos and neg: part of x's definition
  bool gate = false;                   // a definition was found
  std::vector<Lit> resolvents;  // each ended by 0
  std::vector<ClauseId> added;
  std::vector<int32_t> touched;

  Eliminator(occur::Formula& formula, occur::Budget& budget, const Settings& settings, History& history,
             Counts& c)
      : f(formula), b(budget), s(settings), h(history), counts(c), byLevel(size_t(formula.numLevels())) {
    h.tried.resize(size_t(f.numVars()) + 1, 0);
    queued.assign(size_t(f.numVars()) + 1, false);
    for (int32_t v = 1; v <= f.numVars(); v++)
      if (f.occurs(v)) byLevel[size_t(f.level(v))].push_back(v);
    f.work += f.numVars();
  }

  int64_t score(int32_t v) const { return int64_t(f.count(v)) * f.count(-v); }

  void schedule(int32_t v) {
    if (f.state(v) != occur::VarState::Active || !f.occurs(v) || f.level(v) != level) return;
    if (f.varStamp(v) <= h.tried[size_t(v)] || queued[size_t(v)]) return;
    queued[size_t(v)] = true;
    heap.emplace(score(v), v);
    f.work++;
  }

  // Looks for a definition of `out` as the AND of literals: (-out v l) for
  // each l and (out v -l1 v ... v -lk) among the clauses `outs` (with out)
  // and `ins` (with -out). Returns true with the defining clauses flagged.
  bool findAnd(Lit out, const std::vector<ClauseId>& outs, const std::vector<ClauseId>& ins,
               std::vector<bool>& outFlags, std::vector<bool>& inFlags) {
    std::vector<int8_t>& marks = f.marks();
    for (ClauseId c : ins) {
      const Clause& clause = f.clause(c);
      if (clause.lits.size() == 2) marks[occur::index(clause.lits[0] == -out ? clause.lits[1] : clause.lits[0])] = 1;
    }
    bool found = false;
    for (size_t i = 0; i < outs.size() && !found; i++) {
      const Clause& clause = f.clause(outs[i]);
      f.work += int64_t(clause.lits.size());
      bool all = true;
      for (Lit k : clause.lits)
        if (k != out && !marks[occur::index(-k)]) {
          all = false;
          break;
        }
      if (!all) continue;
      found = true;
      outFlags[i] = true;
      for (Lit k : clause.lits)
        if (k != out) marks[occur::index(-k)] = 2;
    }
    for (size_t j = 0; j < ins.size(); j++) {
      const Clause& clause = f.clause(ins[j]);
      if (clause.lits.size() != 2) continue;
      Lit l = clause.lits[0] == -out ? clause.lits[1] : clause.lits[0];
      if (marks[occur::index(l)] == 2) inFlags[j] = true;
      marks[occur::index(l)] = 0;
    }
    return found;
  }

  void findGate(int32_t x) {
    posGate.assign(pos.size(), false);
    negGate.assign(neg.size(), false);
    gate = (findAnd(x, pos, neg, posGate, negGate) || findAnd(-x, neg, pos, negGate, posGate));
  }

  // Appends the resolvents of the clauses in pos and neg to `resolvents`.
  // Returns false when they exceed the bounds (then `resolvents` is partial).
  bool resolveAll(int32_t x) {
    std::vector<int8_t>& marks = f.marks();
    int64_t bound = int64_t(pos.size() + neg.size()) + s.growth;
    int64_t made = 0;
    bool fits = true;
    for (size_t i = 0; i < pos.size() && fits; i++) {
      const Clause& c = f.clause(pos[i]);
      for (Lit l : c.lits) marks[occur::index(l)] = 1;
      for (size_t j = 0; j < neg.size(); j++) {
        if (gate && posGate[i] == negGate[j]) continue;
        const Clause& other = f.clause(neg[j]);
        f.work += int64_t(other.lits.size());
        size_t length = c.lits.size() - 1;
        bool tautology = false;
        for (Lit m : other.lits) {
          if (m == -x) continue;
          if (marks[occur::index(-m)]) {
            tautology = true;
            break;
          }
          if (!marks[occur::index(m)]) length++;
        }
        if (tautology) continue;
        if (++made > bound || length > kMaxResolventLength) {
          fits = false;
          break;
        }
        for (Lit l : c.lits)
          if (l != x) resolvents.push_back(l);
        for (Lit m : other.lits)
          if (m != -x && !marks[occur::index(m)]) resolvents.push_back(m);
        resolvents.push_back(0);
      }
      for (Lit l : c.lits) marks[occur::index(l)] = 0;
    }
    return fits;
  }

  bool tooBig(const std::vector<ClauseId>& list) const {
    for (ClauseId c : list)
      if (f.clause(c).lits.size() > kMaxResolventLength) return true;
    return false;
  }

  void noteTouched(const std::vector<ClauseId>& list) {
    for (ClauseId c : list)
      for (Lit l : f.clause(c).lits) touched.push_back(occur::var(l));
  }

  // Eliminates x if its resolvents stay within the bounds.
  void tryEliminate(int32_t x) {
    h.tried[size_t(x)] = f.clock();
    if (f.count(x) + f.count(-x) > kMaxOccurrences) return;
    f.liveOccurrences(x, pos);
    f.liveOccurrences(-x, neg);
    if (tooBig(pos) || tooBig(neg)) return;
    resolvents.clear();
    findGate(x);
    if (!resolveAll(x)) return;
    touched.clear();
    noteTouched(pos);
    noteTouched(neg);
    for (ClauseId c : pos) f.remove(c);
    for (ClauseId c : neg) f.remove(c);
    f.markEliminated(x);
    counts.eliminated++;
    added.clear();
    std::vector<Lit> lits;
    for (Lit l : resolvents) {
      if (l != 0) {
        lits.push_back(l);
        continue;
      }
      ClauseId id = f.add(lits);
      counts.resolvents++;
      if (id != occur::kNoClause) added.push_back(id);
      lits.clear();
    }
    if (!f.propagate()) return;
    if (s.subsume.subsume || s.subsume.strengthen) subsume::backward(f, b, added, s.subsume, counts.subsume);
    for (int32_t v : touched) schedule(v);
  }

  bool run() {
    level = f.innermostLevel();
    for (;;) {
      if (f.universalLevel(level)) return true;  // only when no clause is left
      for (int32_t v : byLevel[size_t(level)]) schedule(v);
      while (!heap.empty()) {
        if (b.over()) return false;
        auto [old, v] = heap.top();
        heap.pop();
        queued[size_t(v)] = false;
        if (f.state(v) != occur::VarState::Active || !f.occurs(v) || f.varStamp(v) <= h.tried[size_t(v)])
          continue;
        if (score(v) > old) {
          schedule(v);
          continue;
        }
        tryEliminate(v);
        if (f.inconsistent()) return true;
      }
      int32_t next = f.innermostLevel();
      if (next >= level) return true;
      level = next;
    }
  }
};

}  // namespace

bool run(occur::Formula& f, occur::Budget& b, const Settings& s, History& h, Counts& counts) {
  Eliminator round(f, b, s, h, counts);
  return round.run();
}

}  // namespace elim
