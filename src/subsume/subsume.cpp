// Subsumption and strengthening.
//
// A clause C that is a subset of a clause D makes D redundant: whenever C
// holds, D holds, whatever the quantifiers, so D is removed. If C and D
// differ in one literal only, C = C' v k and D = D' v -k with C' a subset
// of D', then resolving them on k gives D' itself, which replaces D. In a
// QBF that resolution step is a Q-resolution step only for an existential
// pivot k: resolving on a universal literal can derive clauses the formula
// does not imply, so a universal pivot never strengthens. The shortened
// clause is universally reduced again (the database does that).
//
// Forward subsumption tries each candidate D against the clauses no longer
// than D. The clauses are visited in order of length and each is then
// connected to a one-watch list under its literal with the fewest
// occurrences, so every shorter clause is connected when D is tried: a
// subsumer of D sits in the list of a literal of D, or, for strengthening,
// of its complement. Backward subsumption starts from a new or changed
// clause C and looks through the full occurrence list of its literal with
// the fewest occurrences (and its complement's when strengthening). Both
// compare 64-bit variable signatures before they compare literals, and both
// compare with marks on one side, so a check is linear in the other clause.
//
// Strengthening changes occurrence lists, so backward subsumption collects
// the clauses to strengthen while it walks a list and changes them after.
//
// Each clause records when it was last tried forward and backward; a run
// tries the clauses added or shortened since, so a run that ran out of
// effort goes on where it stopped. When every clause is a candidate,
// forward subsumption alone compares every pair, and backward is skipped.
#include "subsume/subsume.h"

#include <algorithm>

namespace subsume {

using occur::Clause;
using occur::ClauseId;
using occur::Lit;

namespace {

// How a marked clause relates to another clause (see compare()).
struct Match {
  bool subsumes = false;  // every literal found with its sign
  Lit flipped = 0;        // or: one literal found negated; this is its negation in the other clause
};

// The signature test and literal comparison of a subsumer `small` against a
// clause `big` whose literals carry marks[index(l)] = 1.
// Returns what `small` does to `big`: subsume it, strengthen it (flipped
// names the literal of big to remove, existential), or nothing.
Match compare(occur::Formula& f, const Clause& small, const Clause& big, Mode mode) {
  Match m;
  if (small.lits.size() > big.lits.size() || (small.sig & ~big.sig) != 0) return m;
  const std::vector<int8_t>& marks = f.marks();
  f.work += int64_t(small.lits.size());
  Lit flipped = 0;
  for (Lit l : small.lits) {
    if (marks[occur::index(l)]) continue;
    if (!mode.strengthen || flipped != 0 || !marks[occur::index(-l)] || f.universal(l)) return m;
    flipped = -l;
  }
  if (flipped != 0)
    m.flipped = flipped;
  else
    m.subsumes = mode.subsume;
  return m;
}

void mark(occur::Formula& f, const Clause& c, int8_t value) {
  std::vector<int8_t>& marks = f.marks();
  for (Lit l : c.lits) marks[occur::index(l)] = value;
}

// The round state of forward subsumption: one-watch lists of the connected clauses.
struct Forward {
  occur::Formula& f;
  occur::Budget& b;
  Mode mode;
  Counts& counts;
  std::vector<std::vector<ClauseId>> watches;  // per literal index

  Forward(occur::Formula& formula, occur::Budget& budget, Mode m, Counts& c)
      : f(formula), b(budget), mode(m), counts(c), watches(2 * size_t(formula.numVars()) + 2) {}

  // Tries the connected clauses against candidate d until one subsumes or
  // strengthens it. Returns true when d was strengthened (and may be tried again).
  bool tryCandidate(ClauseId d) {
    const Clause& big = f.clause(d);
    mark(f, big, 1);
    Match found;
    for (size_t i = 0; i < big.lits.size() && !found.subsumes && found.flipped == 0; i++) {
      for (Lit side : {big.lits[i], -big.lits[i]}) {
        const std::vector<ClauseId>& list = watches[occur::index(side)];
        f.work += int64_t(list.size());
        for (ClauseId c : list) {
          if (f.clause(c).removed) continue;
          found = compare(f, f.clause(c), big, mode);
          if (found.subsumes || found.flipped != 0) break;
        }
        if (found.subsumes || found.flipped != 0) break;
      }
    }
    mark(f, big, 0);
    if (found.subsumes) {
      f.remove(d);
      counts.subsumed++;
      return false;
    }
    if (found.flipped == 0) return false;
    f.removeLiteral(d, found.flipped);
    counts.strengthened++;
    return !f.clause(d).removed;
  }

  // The live clauses by increasing length (a counting sort; the longest
  // ones, which subsume nothing, at the end in any order).
  std::vector<ClauseId> byLength() {
    std::vector<size_t> start(kMaxSubsumerLength + 3, 0);
    auto key = [this](ClauseId c) { return std::min(f.clause(c).lits.size(), kMaxSubsumerLength + 1); };
    for (ClauseId c = 0; c < f.clauseSlots(); c++)
      if (!f.clause(c).removed) start[key(c) + 1]++;
    for (size_t k = 1; k < start.size(); k++) start[k] += start[k - 1];
    std::vector<ClauseId> order(start.back());
    for (ClauseId c = 0; c < f.clauseSlots(); c++)
      if (!f.clause(c).removed) order[start[key(c)]++] = c;
    f.work += int64_t(f.clauseSlots());
    return order;
  }

  void connect(ClauseId c) {
    const Clause& clause = f.clause(c);
    Lit best = clause.lits[0];
    for (Lit l : clause.lits)
      if (f.count(l) < f.count(best)) best = l;
    watches[occur::index(best)].push_back(c);
  }

  // Tries the changed clauses; returns true when it got through them.
  // Sets `all` when every live clause was a candidate.
  bool run(bool& all) {
    size_t candidates = 0, live = 0;
    for (ClauseId c = 0; c < f.clauseSlots(); c++) {
      const Clause& clause = f.clause(c);
      if (clause.removed) continue;
      live++;
      if (clause.stamp > clause.forwardAt) candidates++;
    }
    all = candidates == live;
    f.work += int64_t(f.clauseSlots());
    if (candidates == 0) return true;
    for (ClauseId c : byLength()) {
      if (b.over()) return false;
      if (f.clause(c).removed) continue;
      if (f.clause(c).stamp > f.clause(c).forwardAt) {
        while (tryCandidate(c)) {
        }
        if (!f.propagate()) return true;
        if (f.clause(c).removed) continue;
        f.noteForward(c);
      }
      if (f.clause(c).lits.size() <= kMaxSubsumerLength) connect(c);
    }
    return true;
  }
};

// The round state of backward subsumption: a queue of subsumers.
struct Backward {
  occur::Formula& f;
  occur::Budget& b;
  Mode mode;
  Counts& counts;
  std::vector<ClauseId> queue;
  std::vector<std::pair<ClauseId, Lit>> shorten;  // found while walking a list

  Backward(occur::Formula& formula, occur::Budget& budget, Mode m, Counts& c)
      : f(formula), b(budget), mode(m), counts(c) {}

  Lit rarest(const Clause& c) const {
    Lit best = c.lits[0];
    auto cost = [this](Lit l) { return f.count(l) + (mode.strengthen ? f.count(-l) : 0); };
    for (Lit l : c.lits)
      if (cost(l) < cost(best)) best = l;
    return best;
  }

  // Removes what clause s subsumes and strengthens what it strengthens; the
  // strengthened clauses join the queue.
  void subsumeWith(ClauseId s) {
    const Clause& small = f.clause(s);
    if (small.removed || small.lits.size() > kMaxSubsumerLength) return;
    Lit pivot = rarest(small);
    shorten.clear();
    for (Lit side : {pivot, -pivot}) {
      if (side == -pivot && !mode.strengthen) break;
      const std::vector<ClauseId>& list = f.occurrences(side);
      f.work += int64_t(list.size());
      for (ClauseId d : list) {
        const Clause& big = f.clause(d);
        if (d == s || big.removed || big.lits.size() < small.lits.size() || (small.sig & ~big.sig) != 0) continue;
        mark(f, big, 1);
        Match m = compare(f, small, big, mode);
        mark(f, big, 0);
        f.work += int64_t(big.lits.size());
        if (m.subsumes) {
          f.remove(d);
          counts.subsumed++;
        } else if (m.flipped != 0) {
          shorten.emplace_back(d, m.flipped);
        }
      }
    }
    for (const auto& [d, l] : shorten) {
      if (f.clause(d).removed) continue;
      f.removeLiteral(d, l);
      counts.strengthened++;
      if (!f.clause(d).removed) queue.push_back(d);
    }
  }

  void run() {
    for (size_t i = 0; i < queue.size() && !b.over(); i++) {
      subsumeWith(queue[i]);
      if (!f.clause(queue[i]).removed) f.noteBackward(queue[i]);
      if (!f.propagate()) return;
    }
  }
};

}  // namespace

void backward(occur::Formula& f, occur::Budget& b, const std::vector<ClauseId>& subsumers, Mode mode,
              Counts& counts) {
  Backward round(f, b, mode, counts);
  round.queue = subsumers;
  round.run();
}

bool run(occur::Formula& f, occur::Budget& b, Mode mode, Counts& counts) {
  Forward forward(f, b, mode, counts);
  uint64_t start = f.clock();
  bool all = false;
  if (!forward.run(all)) return false;
  if (f.inconsistent()) return true;
  // Forward compared every pair with a changed clause as the longer one;
  // the changed clauses still look for longer clauses to subsume, unless
  // every clause was a candidate (and has not changed since).
  Backward round(f, b, mode, counts);
  for (ClauseId c = 0; c < f.clauseSlots(); c++) {
    const Clause& clause = f.clause(c);
    if (clause.removed || clause.stamp <= clause.backwardAt) continue;
    if (all && clause.stamp <= start)
      f.noteBackward(c);
    else
      round.queue.push_back(c);
  }
  round.run();
  return !b.over();
}

}  // namespace subsume
