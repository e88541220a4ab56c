// The clause database of the strong mode.
//
// Every technique of the strong mode works on full occurrence lists: each
// literal lists the clauses that hold it, and an exact count of its live
// clauses sits beside the list. Removing a clause only flags it, so lists
// may name removed clauses until collect() compacts them; removing one
// literal from a clause also takes the clause out of that literal's list
// right away, so a list never names a live clause without its literal.
//
// The prefix is kept as levels, outermost first. Level 0 is existential and
// holds the free variables, which are quantified outside every block. Two
// invariants make the techniques simple:
//
//  - every live clause is universally reduced: no universal literal sits at
//    a level deeper than all existential literals of its clause (the
//    opponent would set it false, and nothing chosen later can repair the
//    clause). A clause that reduction empties makes the formula false. So
//    after propagation the deepest level that still occurs is existential.
//  - every live clause has two literals or more and no fixed literal once
//    propagate() has returned: units become values on the trail at once.
//
// Only existential literals become units (reduction removes a lone
// universal), so fixing a unit is sound. A universal literal is fixed only
// by the pure-literal rule, and only to the value that satisfies nothing.
#include "occur/occur.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace occur {

Formula::Formula(int32_t numVars, std::vector<bool> universal) : universal_(std::move(universal)) {
  if (universal_.empty()) universal_.push_back(false);
  assert(!universal_[0]);
  size_t vars = size_t(numVars) + 1;
  level_.assign(vars, 0);
  state_.assign(vars, VarState::Active);
  value_.assign(vars, 0);
  stamp_.assign(vars, 0);
  occs_.resize(2 * vars);
  counts_.assign(2 * vars, 0);
  marks_.assign(2 * vars, 0);
  occurringAt_.assign(universal_.size(), 0);
}

int32_t Formula::newVar(int32_t lev) {
  level_.push_back(lev);
  state_.push_back(VarState::Active);
  value_.push_back(0);
  stamp_.push_back(clock_);
  occs_.resize(occs_.size() + 2);
  counts_.resize(counts_.size() + 2, 0);
  marks_.resize(marks_.size() + 2, 0);
  return numVars();
}

void Formula::bumpCount(Lit l) {
  int32_t v = var(l);
  if (!occurs(v)) occurringAt_[size_t(level_[size_t(v)])]++;
  counts_[index(l)]++;
  stamp_[size_t(v)] = clock_;
}

void Formula::dropCount(Lit l) {
  int32_t v = var(l);
  counts_[index(l)]--;
  if (!occurs(v)) occurringAt_[size_t(level_[size_t(v)])]--;
  stamp_[size_t(v)] = clock_;
}

// Drops repeated literals and false ones. Returns false when lits is
// satisfied or tautological (then it must not be added).
bool Formula::normalize(std::vector<Lit>& lits) {
  bool keep = true;
  size_t n = 0;
  for (Lit l : lits) {
    int8_t v = value_[size_t(var(l))];
    if (l < 0) v = int8_t(-v);
    if (v > 0 || marks_[index(-l)]) keep = false;
    if (!keep) break;
    if (v < 0 || marks_[index(l)]) continue;
    marks_[index(l)] = 1;
    lits[n++] = l;
  }
  for (size_t i = 0; i < n; i++) marks_[index(lits[i])] = 0;
  work += int64_t(lits.size());
  lits.resize(n);
  return keep;
}

void Formula::reduceLits(std::vector<Lit>& lits) const {
  int32_t deepest = -1;  // deepest existential level
  for (Lit l : lits)
    if (!universal(l)) deepest = std::max(deepest, level(l));
  size_t n = 0;
  for (Lit l : lits)
    if (!universal(l) || level(l) < deepest) lits[n++] = l;
  lits.resize(n);
}

ClauseId Formula::add(std::vector<Lit> lits) {
  if (inconsistent_) return kNoClause;
  if (!normalize(lits)) return kNoClause;
  reduceLits(lits);
  if (lits.empty()) {
    inconsistent_ = true;
    return kNoClause;
  }
  if (lits.size() == 1) {
    assign(lits[0]);
    return kNoClause;
  }
  ClauseId id = ClauseId(clauses_.size());
  clauses_.emplace_back();
  clauses_.back().lits = std::move(lits);
  attach(id);
  return id;
}

void Formula::attach(ClauseId id) {
  clock_++;
  Clause& c = clauses_[id];
  c.stamp = clock_;
  c.sig = 0;
  for (Lit l : c.lits) {
    c.sig |= sigBit(l);
    occs_[index(l)].push_back(id);
    bumpCount(l);
  }
  live_++;
}

void Formula::remove(ClauseId id) {
  Clause& c = clauses_[id];
  assert(!c.removed);
  clock_++;
  c.removed = true;
  for (Lit l : c.lits) dropCount(l);
  live_--;
  removed_++;
  work += int64_t(c.lits.size());
}

void Formula::eraseLiteral(Clause& c, Lit l) {
  auto it = std::find(c.lits.begin(), c.lits.end(), l);
  assert(it != c.lits.end());
  *it = c.lits.back();
  c.lits.pop_back();
  c.sig = 0;
  for (Lit k : c.lits) c.sig |= sigBit(k);
  c.stamp = clock_;
  dropCount(l);
  work += int64_t(c.lits.size());
}

void Formula::detachFrom(Lit l, ClauseId id) {
  std::vector<ClauseId>& list = occs_[index(l)];
  auto it = std::find(list.begin(), list.end(), id);
  assert(it != list.end());
  work += int64_t(it - list.begin()) + 1;
  *it = list.back();
  list.pop_back();
}

void Formula::removeLiteral(ClauseId id, Lit l) {
  clock_++;
  detachFrom(l, id);
  eraseLiteral(clauses_[id], l);
  reduce(id);
  settle(id);
}

// Removes the universal literals of clause id that reduction removes.
void Formula::reduce(ClauseId id) {
  Clause& c = clauses_[id];
  int32_t deepest = -1;
  for (Lit l : c.lits)
    if (!universal(l)) deepest = std::max(deepest, level(l));
  for (size_t i = 0; i < c.lits.size();) {
    Lit l = c.lits[i];
    if (universal(l) && level(l) > deepest) {
      detachFrom(l, id);
      eraseLiteral(c, l);
    } else {
      i++;
    }
  }
}

// A clause shortened to one literal becomes a value; to none, a contradiction.
void Formula::settle(ClauseId id) {
  Clause& c = clauses_[id];
  if (c.lits.size() > 1) return;
  if (c.lits.empty()) {
    inconsistent_ = true;
    return;
  }
  Lit unit = c.lits[0];
  remove(id);
  assign(unit);
}

void Formula::assign(Lit l) {
  int8_t& v = value_[size_t(var(l))];
  int8_t want = l > 0 ? 1 : -1;
  if (v == want) return;
  if (v != 0) {
    inconsistent_ = true;
    return;
  }
  v = want;
  state_[size_t(var(l))] = VarState::Fixed;
  trail_.push_back(l);
}

bool Formula::propagate() {
  std::vector<ClauseId> shortened;
  while (!inconsistent_ && propagated_ < trail_.size()) {
    Lit l = trail_[propagated_++];
    std::vector<ClauseId>& sat = occs_[index(l)];
    work += int64_t(sat.size());
    for (ClauseId c : sat)
      if (!clauses_[c].removed) remove(c);
    sat.clear();
    // The complement's list is taken over whole: every live clause on it
    // loses the literal, so none of it stays.
    shortened.clear();
    shortened.swap(occs_[index(-l)]);
    work += int64_t(shortened.size());
    clock_++;
    for (ClauseId c : shortened) {
      if (clauses_[c].removed) continue;
      eraseLiteral(clauses_[c], -l);
      reduce(c);
      settle(c);
      if (inconsistent_) break;
    }
  }
  return !inconsistent_;
}

void Formula::liveOccurrences(Lit l, std::vector<ClauseId>& out) {
  out.clear();
  const std::vector<ClauseId>& list = occs_[index(l)];
  work += int64_t(list.size());
  for (ClauseId c : list)
    if (!clauses_[c].removed) out.push_back(c);
}

int32_t Formula::innermostLevel() const {
  for (int32_t lev = numLevels() - 1; lev > 0; lev--)
    if (occurringAt_[size_t(lev)] > 0) return lev;
  return 0;
}

void Formula::relevel() {
  // fresh[lev]: the new level of old level lev. A level without occurring
  // variables joins the level before it.
  std::vector<int32_t> fresh(universal_.size(), 0);
  std::vector<bool> kinds = {false};
  for (size_t lev = 1; lev < universal_.size(); lev++) {
    if (occurringAt_[lev] > 0 && universal_[lev] != kinds.back()) kinds.push_back(universal_[lev]);
    fresh[lev] = int32_t(kinds.size()) - 1;
  }
  std::vector<int32_t> occurring(kinds.size(), 0);
  for (size_t lev = 0; lev < universal_.size(); lev++) occurring[size_t(fresh[lev])] += occurringAt_[lev];
  for (size_t v = 1; v < level_.size(); v++) level_[v] = fresh[size_t(level_[v])];
  universal_ = std::move(kinds);
  occurringAt_ = std::move(occurring);
  work += int64_t(level_.size());
}

void Formula::collect() {
  if (removed_ == 0) return;
  std::vector<ClauseId> moved(clauses_.size(), kNoClause);
  ClauseId n = 0;
  for (ClauseId c = 0; c < clauses_.size(); c++) {
    if (clauses_[c].removed) continue;
    moved[c] = n;
    if (n != c) clauses_[n] = std::move(clauses_[c]);
    n++;
  }
  clauses_.resize(n);
  for (std::vector<ClauseId>& list : occs_) {
    size_t k = 0;
    for (ClauseId c : list)
      if (moved[c] != kNoClause) list[k++] = moved[c];
    list.resize(k);
    work += int64_t(list.size());
  }
  removed_ = 0;
}

}  // namespace occur
