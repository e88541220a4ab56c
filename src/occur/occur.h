// The clause database of the strong mode: clauses with signatures,
// occurrence lists per literal, the quantifier prefix as levels, the values
// of fixed variables with their propagation queue, and a work counter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace occur {

using Lit = int32_t;  // DIMACS literal: +v or -v for a variable v >= 1
using ClauseId = uint32_t;
constexpr ClauseId kNoClause = UINT32_MAX;

inline int32_t var(Lit l) { return l < 0 ? -l : l; }
inline size_t index(Lit l) { return 2 * size_t(var(l)) + (l < 0 ? 1 : 0); }
// One bit per variable (by its number modulo 64): the signature of a clause
// whose variables all occur in another clause is a subset of that clause's.
inline uint64_t sigBit(Lit l) { return uint64_t(1) << (uint32_t(var(l)) & 63u); }

struct Clause {
  std::vector<Lit> lits;
  uint64_t sig = 0;    // union of sigBit over lits
  uint64_t stamp = 0;  // the database's clock when the clause was added or last shortened
  // The clock when subsumption last tried the clause as a candidate
  // (forward) and as a subsumer (backward).
  uint64_t forwardAt = 0, backwardAt = 0;
  bool removed = false;
};

enum class VarState : uint8_t { Active, Fixed, Eliminated };

// Levels number the quantifier blocks from the outside in. Level 0 holds the
// free variables and is existential; variables that occur in no clause may
// sit anywhere. Every live clause is universally reduced and holds no fixed
// literal once propagate() has returned.
class Formula {
 public:
  // Levels 0..universal.size()-1; universal[0] must be false.
  Formula(int32_t numVars, std::vector<bool> universal);

  int32_t numVars() const { return int32_t(level_.size()) - 1; }
  int32_t numLevels() const { return int32_t(universal_.size()); }
  int32_t level(Lit l) const { return level_[size_t(var(l))]; }
  bool universal(Lit l) const { return universal_[size_t(level(l))]; }
  bool universalLevel(int32_t lev) const { return universal_[size_t(lev)]; }
  // Puts v at level lev; only before v occurs in a clause.
  void place(int32_t v, int32_t lev) { level_[size_t(v)] = lev; }
  // A fresh variable at level lev (expansion copies); returns its number.
  int32_t newVar(int32_t lev);

  // Adds the clause lits after dropping false and repeated literals and
  // reducing it; a true or tautological one is not added, a unit is fixed,
  // an empty one makes the formula inconsistent. Returns the new id or
  // kNoClause. References to clauses do not survive it (ids do).
  ClauseId add(std::vector<Lit> lits);
  void remove(ClauseId c);
  // Before: l is in live clause c. After: l is gone, c is universally
  // reduced, and a unit or empty result is handled as by add().
  void removeLiteral(ClauseId c, Lit l);
  // Fixes l true and queues it; a conflicting value makes the formula inconsistent.
  void assign(Lit l);
  // Removes the clauses the queued literals satisfy and their complements
  // from the others. Returns false exactly when the formula is inconsistent.
  bool propagate();

  const Clause& clause(ClauseId c) const { return clauses_[c]; }
  size_t clauseSlots() const { return clauses_.size(); }  // ids are 0..clauseSlots()-1
  int64_t liveClauses() const { return live_; }
  int64_t removedClauses() const { return removed_; }  // not yet collected
  // May also hold removed clauses, never a live clause without the literal.
  const std::vector<ClauseId>& occurrences(Lit l) const { return occs_[index(l)]; }
  // The live clauses of l, appended to out (cleared first).
  void liveOccurrences(Lit l, std::vector<ClauseId>& out);
  int32_t count(Lit l) const { return counts_[index(l)]; }
  bool occurs(int32_t v) const { return counts_[2 * size_t(v)] + counts_[2 * size_t(v) + 1] > 0; }
  VarState state(int32_t v) const { return state_[size_t(v)]; }
  void markEliminated(int32_t v) { state_[size_t(v)] = VarState::Eliminated; }
  void noteForward(ClauseId c) { clauses_[c].forwardAt = clock_; }
  void noteBackward(ClauseId c) { clauses_[c].backwardAt = clock_; }
  bool inconsistent() const { return inconsistent_; }
  int64_t fixedCount() const { return int64_t(trail_.size()); }

  // The deepest level with a variable that occurs in a clause (0 if none).
  int32_t innermostLevel() const;
  // Drops levels without occurring variables and merges neighbouring levels
  // of one kind; the order of occurring variables and their kinds stay.
  void relevel();
  // Forgets removed clauses: compacts the clause ids and the lists. Every
  // ClauseId held outside the database is invalid afterwards.
  void collect();

  // Change tracking: the clock ticks on every change; a variable's stamp is
  // the clock of the last change to its occurrences.
  uint64_t clock() const { return clock_; }
  uint64_t varStamp(int32_t v) const { return stamp_[size_t(v)]; }

  // Scratch marks per literal for the techniques; all zero between uses.
  std::vector<int8_t>& marks() { return marks_; }
  int64_t work = 0;  // work units spent by the database and the techniques

 private:
  void attach(ClauseId c);
  void bumpCount(Lit l);
  void dropCount(Lit l);
  void eraseLiteral(Clause& c, Lit l);
  void detachFrom(Lit l, ClauseId c);
  void reduce(ClauseId c);
  void settle(ClauseId c);
  bool normalize(std::vector<Lit>& lits);
  void reduceLits(std::vector<Lit>& lits) const;

  std::vector<bool> universal_;          // per level
  std::vector<int32_t> level_;           // per variable
  std::vector<int32_t> occurringAt_;     // per level: variables with occurrences
  std::vector<VarState> state_;          // per variable
  std::vector<int8_t> value_;            // per variable: 0, 1 (true), -1 (false)
  std::vector<uint64_t> stamp_;          // per variable
  std::vector<Clause> clauses_;
  std::vector<std::vector<ClauseId>> occs_;  // per literal index
  std::vector<int32_t> counts_;          // per literal index: live clauses
  std::vector<int8_t> marks_;            // per literal index
  std::vector<Lit> trail_;               // fixed literals in order
  size_t propagated_ = 0;                // trail_[0..propagated_) are propagated
  int64_t live_ = 0;
  int64_t removed_ = 0;                  // removed clauses still in clauses_
  uint64_t clock_ = 0;
  bool inconsistent_ = false;
};

}  // namespace occur
