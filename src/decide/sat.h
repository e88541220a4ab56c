// A small CDCL solver for the propositional questions the strong mode asks
// at its fixed point (see decide.h). It is meant for a bounded try, not for
// hard instances: no clause deletion, no inprocessing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace decide {

enum class Answer { Sat, Unsat, Unknown };

class Sat {
 public:
  // Variables are 1..numVars.
  explicit Sat(int32_t numVars);

  // Adds a clause of DIMACS literals (no 0); duplicates and tautologies are
  // allowed. An empty clause makes the problem unsatisfiable.
  void addClause(const std::vector<int32_t>& lits);

  // Searches until an answer, or until `conflictLimit` conflicts or
  // `workLimit` watch visits have passed (then Unknown). Call once.
  Answer solve(int64_t conflictLimit, int64_t workLimit);

  // After Sat: the value of variable v in the model found.
  bool value(int32_t v) const { return assign_[size_t(2 * v)] == kTrue; }

 private:
  using Lit = uint32_t;  // 2 * variable + sign (1: negative)
  static constexpr int8_t kTrue = 1, kFalse = -1, kUnset = 0;
  static constexpr uint32_t kNoReason = UINT32_MAX;

  struct Watch {
    uint32_t clause;
    Lit blocker;
  };

  bool empty_ = false;
  std::vector<std::vector<Lit>> clauses_;
  std::vector<std::vector<Watch>> watches_;  // per literal: clauses watching it
  std::vector<int8_t> assign_;               // per literal
  std::vector<int32_t> level_;               // per variable
  std::vector<uint32_t> reason_;             // per variable
  std::vector<Lit> trail_;
  std::vector<size_t> levelStart_;
  size_t propagated_ = 0;
  int64_t work_ = 0;
  // Branching: activities in a binary heap, bumped on conflicts.
  std::vector<double> activity_;
  std::vector<int32_t> heap_, heapPos_;
  double bump_ = 1.0;
  std::vector<bool> phase_;  // per variable: last value (saved phase)
  std::vector<bool> seen_;

  int8_t valueOf(Lit l) const { return assign_[l]; }
  int32_t level() const { return int32_t(levelStart_.size()); }
  void assign(Lit l, uint32_t reason);
  uint32_t propagate();  // a conflicting clause, or kNoReason
  void analyze(uint32_t conflict, std::vector<Lit>& learnt, int32_t& backLevel);
  void backtrack(int32_t toLevel);
  void attach(uint32_t c);
  void bump(int32_t v);
  void heapUp(int32_t v);
  void heapDown(size_t at);
  void heapInsert(int32_t v);
  int32_t heapPop();
};

}  // namespace decide
