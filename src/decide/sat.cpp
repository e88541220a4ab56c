// A small CDCL solver.
//
// Two watched literals per clause with a blocking literal, first-UIP
// learning, branching on the most active variable (activities bumped on
// every variable of a conflict's analysis and decayed geometrically) with
// saved phases, and restarts on the Luby sequence. Learnt clauses are kept:
// the conflict limit bounds their number, and the solver lives for one
// question only.
//
// Sound by construction of CDCL: a learnt clause is a resolvent of clauses
// of the problem and earlier learnt clauses, so it is implied by the
// problem; Unsat is a conflict at level 0, where every literal is implied.
// Sat is a total assignment under which propagation found no conflict, and
// the caller checks it against the clauses besides.
#include "decide/sat.h"

#include <algorithm>

namespace decide {

namespace {

constexpr double kDecay = 0.95;           // activities decay by this factor per conflict
constexpr double kRescale = 1e100;        // activities beyond this are scaled down
constexpr int64_t kRestartUnit = 100;     // conflicts per unit of the Luby sequence

// The Luby sequence 1 1 2 1 1 2 4 1 1 2 ..., element i (from 0).
int64_t luby(int64_t i) {
  int64_t size = 1, seq = 0;
  while (size < i + 1) {
    seq++;
    size = 2 * size + 1;
  }
  int64_t x = i;
  while (size - 1 != x) {
    size = (size - 1) >> 1;
    seq--;
    x = x % size;
  }
  int64_t r = 1;
  while (seq-- > 0) r *= 2;
  return r;
}

}  // namespace

Sat::Sat(int32_t numVars)
    : watches_(size_t(2 * numVars + 2)),
      assign_(size_t(2 * numVars + 2), kUnset),
      level_(size_t(numVars + 1), 0),
      reason_(size_t(numVars + 1), kNoReason),
      activity_(size_t(numVars + 1), 0.0),
      heapPos_(size_t(numVars + 1), -1),
      phase_(size_t(numVars + 1), false),
      seen_(size_t(numVars + 1), false) {
  for (int32_t v = 1; v <= numVars; v++) heapInsert(v);
}

void Sat::addClause(const std::vector<int32_t>& lits) {
  std::vector<Lit> c;
  for (int32_t x : lits) c.push_back(Lit(2 * (x < 0 ? -x : x)) | (x < 0 ? 1u : 0u));
  std::sort(c.begin(), c.end());
  c.erase(std::unique(c.begin(), c.end()), c.end());
  for (size_t k = 1; k < c.size(); k++)
    if ((c[k] ^ 1u) == c[k - 1]) return;  // a tautology
  if (c.empty()) {
    empty_ = true;
    return;
  }
  clauses_.push_back(std::move(c));
  if (clauses_.back().size() > 1) attach(uint32_t(clauses_.size() - 1));
}

void Sat::attach(uint32_t c) {
  const std::vector<Lit>& lits = clauses_[c];
  watches_[lits[0] ^ 1u].push_back({c, lits[1]});
  watches_[lits[1] ^ 1u].push_back({c, lits[0]});
}

void Sat::assign(Lit l, uint32_t reason) {
  assign_[l] = kTrue;
  assign_[l ^ 1u] = kFalse;
  level_[l >> 1] = level();
  reason_[l >> 1] = reason;
  trail_.push_back(l);
}

// Watches are kept on the negation of each watched literal: when l becomes
// true, the clauses in watches_[l] lost a watched literal.
uint32_t Sat::propagate() {
  while (propagated_ < trail_.size()) {
    const Lit p = trail_[propagated_++];
    std::vector<Watch>& ws = watches_[p];
    size_t keep = 0;
    uint32_t conflict = kNoReason;
    for (size_t k = 0; k < ws.size(); k++) {
      const Watch w = ws[k];
      work_++;
      if (conflict != kNoReason || valueOf(w.blocker) == kTrue) {
        ws[keep++] = w;
        continue;
      }
      std::vector<Lit>& c = clauses_[w.clause];
      const Lit falsified = p ^ 1u;
      if (c[0] == falsified) std::swap(c[0], c[1]);
      if (valueOf(c[0]) == kTrue) {
        ws[keep++] = {w.clause, c[0]};
        continue;
      }
      bool moved = false;
      for (size_t j = 2; j < c.size(); j++)
        if (valueOf(c[j]) != kFalse) {
          std::swap(c[1], c[j]);
          watches_[c[1] ^ 1u].push_back({w.clause, c[0]});
          moved = true;
          break;
        }
      work_ += int64_t(c.size()) / 4;
      if (moved) continue;
      ws[keep++] = w;
      if (valueOf(c[0]) == kFalse) conflict = w.clause;
      else assign(c[0], w.clause);
    }
    ws.resize(keep);
    if (conflict != kNoReason) return conflict;
  }
  return kNoReason;
}

// Contract: at a conflict above level 0. Leaves the first-UIP clause in
// `learnt` (asserting literal first, a literal of `backLevel` second).
void Sat::analyze(uint32_t conflict, std::vector<Lit>& learnt, int32_t& backLevel) {
  learnt.assign(1, 0);
  int32_t open = 0;
  Lit p = 0;
  bool first = true;
  size_t at = trail_.size();
  uint32_t reason = conflict;
  for (;;) {
    const std::vector<Lit>& c = clauses_[reason];
    for (size_t k = first ? 0 : 1; k < c.size(); k++) {
      const int32_t v = int32_t(c[k] >> 1);
      if (seen_[size_t(v)] || level_[size_t(v)] == 0) continue;
      seen_[size_t(v)] = true;
      bump(v);
      if (level_[size_t(v)] == level()) open++;
      else learnt.push_back(c[k]);
    }
    first = false;
    do p = trail_[--at];
    while (!seen_[p >> 1]);
    seen_[p >> 1] = false;
    if (--open == 0) break;
    reason = reason_[p >> 1];
    // The reason clause holds p first: propagate() assigns c[0].
  }
  learnt[0] = p ^ 1u;
  backLevel = 0;
  size_t best = 1;
  for (size_t k = 1; k < learnt.size(); k++) {
    seen_[learnt[k] >> 1] = false;
    if (level_[learnt[k] >> 1] > backLevel) {
      backLevel = level_[learnt[k] >> 1];
      best = k;
    }
  }
  if (learnt.size() > 1) std::swap(learnt[1], learnt[best]);
  bump_ /= kDecay;
}

void Sat::backtrack(int32_t toLevel) {
  if (level() <= toLevel) return;
  for (size_t k = trail_.size(); k > levelStart_[size_t(toLevel)]; k--) {
    const Lit l = trail_[k - 1];
    assign_[l] = assign_[l ^ 1u] = kUnset;
    phase_[l >> 1] = (l & 1u) == 0;
    heapInsert(int32_t(l >> 1));
  }
  trail_.resize(levelStart_[size_t(toLevel)]);
  levelStart_.resize(size_t(toLevel));
  propagated_ = trail_.size();
}

Answer Sat::solve(int64_t conflictLimit, int64_t workLimit) {
  if (empty_) return Answer::Unsat;
  for (uint32_t c = 0; c < clauses_.size(); c++)
    if (clauses_[c].size() == 1) {
      const Lit l = clauses_[c][0];
      if (valueOf(l) == kFalse) return Answer::Unsat;
      if (valueOf(l) == kUnset) assign(l, c);
    }
  int64_t conflicts = 0, restarts = 0, untilRestart = kRestartUnit * luby(0);
  std::vector<Lit> learnt;
  for (;;) {
    const uint32_t conflict = propagate();
    if (conflict != kNoReason) {
      if (level() == 0) return Answer::Unsat;
      if (++conflicts > conflictLimit) return Answer::Unknown;
      int32_t backLevel = 0;
      analyze(conflict, learnt, backLevel);
      backtrack(backLevel);
      clauses_.push_back(learnt);
      const uint32_t c = uint32_t(clauses_.size() - 1);
      if (learnt.size() > 1) attach(c);
      assign(learnt[0], c);
      untilRestart--;
      continue;
    }
    if (work_ > workLimit) return Answer::Unknown;
    if (untilRestart <= 0) {
      backtrack(0);
      untilRestart = kRestartUnit * luby(++restarts);
    }
    int32_t v = 0;
    while (v == 0 && !heap_.empty()) {
      const int32_t top = heapPop();
      if (valueOf(Lit(2 * top)) == kUnset) v = top;
    }
    if (v == 0) return Answer::Sat;
    levelStart_.push_back(trail_.size());
    assign(Lit(2 * v) | (phase_[size_t(v)] ? 0u : 1u), kNoReason);
  }
}

void Sat::bump(int32_t v) {
  if ((activity_[size_t(v)] += bump_) > kRescale) {
    for (double& a : activity_) a /= kRescale;
    bump_ /= kRescale;
  }
  if (heapPos_[size_t(v)] >= 0) heapUp(v);
}

void Sat::heapInsert(int32_t v) {
  if (heapPos_[size_t(v)] >= 0) return;
  heapPos_[size_t(v)] = int32_t(heap_.size());
  heap_.push_back(v);
  heapUp(v);
}

void Sat::heapUp(int32_t v) {
  size_t at = size_t(heapPos_[size_t(v)]);
  while (at > 0) {
    const size_t parent = (at - 1) / 2;
    if (activity_[size_t(heap_[parent])] >= activity_[size_t(v)]) break;
    heap_[at] = heap_[parent];
    heapPos_[size_t(heap_[at])] = int32_t(at);
    at = parent;
  }
  heap_[at] = v;
  heapPos_[size_t(v)] = int32_t(at);
}

void Sat::heapDown(size_t at) {
  const int32_t v = heap_[at];
  for (;;) {
    size_t child = 2 * at + 1;
    if (child >= heap_.size()) break;
    if (child + 1 < heap_.size() && activity_[size_t(heap_[child + 1])] > activity_[size_t(heap_[child])]) child++;
    if (activity_[size_t(heap_[child])] <= activity_[size_t(v)]) break;
    heap_[at] = heap_[child];
    heapPos_[size_t(heap_[at])] = int32_t(at);
    at = child;
  }
  heap_[at] = v;
  heapPos_[size_t(v)] = int32_t(at);
}

int32_t Sat::heapPop() {
  const int32_t top = heap_[0];
  heapPos_[size_t(top)] = -1;
  const int32_t last = heap_.back();
  heap_.pop_back();
  if (!heap_.empty()) {
    heap_[0] = last;
    heapPos_[size_t(last)] = 0;
    heapDown(0);
  }
  return top;
}

}  // namespace decide
