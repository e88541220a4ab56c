// Deciding a formula outright.
//
// At the strong mode's fixed point three propositional questions can settle
// a quantified formula, each asked of the SAT solver (sat.h) within a
// bounded effort:
//
// 1. No universal variable occurs: the formula is a SAT problem (free and
//    existential variables alike are chosen once), and its answer is the
//    formula's.
// 2. The existential part, each clause without its universal literals, is
//    satisfiable: the existential player can play that one assignment
//    whatever the universal player does, and it makes a literal of every
//    clause true. The formula is true.
// 3. The matrix, all variables read as existential, is unsatisfiable: a
//    winning strategy of the existential player would give, with any
//    universal assignment, a model of the matrix. The formula is false.
// 4. Only one block holds universal variables that occur, and few: the
//    formula is expanded over every assignment a of them. Each clause true
//    under a is dropped, the rest lose their universal literals, and the
//    existential variables of the blocks after the universal one get a fresh
//    copy per a (they may depend on a), those before it are shared. The
//    formula is true exactly when this SAT problem is satisfiable: a model
//    gives the existential player a move for every a, and a winning
//    strategy gives a model.
//
// A Sat answer is checked against the clauses before it is believed, so a
// fault of the solver cannot make a false formula true. The questions go
// in this order because 2 is the cheaper and more often useful: it removes
// the universal literals, which makes the problem smaller.
#include "decide/decide.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "decide/sat.h"

namespace decide {

namespace {

using Clauses = std::vector<std::vector<int32_t>>;

// Whether the model of `sat` satisfies every clause of `clauses`.
bool modelSatisfies(const Sat& sat, const Clauses& clauses) {
  for (const std::vector<int32_t>& c : clauses) {
    bool satisfied = false;
    for (int32_t x : c)
      if (sat.value(std::abs(x)) == (x > 0)) {
        satisfied = true;
        break;
      }
    if (!satisfied) return false;
  }
  return true;
}

// Sat (checked), Unsat or Unknown for the clauses over variables 1..numVars.
Answer ask(int32_t numVars, const Clauses& clauses, int64_t work) {
  Sat sat(numVars);
  for (const std::vector<int32_t>& c : clauses) sat.addClause(c);
  const Answer a = sat.solve(kConflictLimit, work);
  if (a == Answer::Sat && !modelSatisfies(sat, clauses)) return Answer::Unknown;
  return a;
}

// The expansion of question 4 over the universal variables `universals` (in
// one block, `inner` telling the existential variables quantified after it),
// numbered densely, or false when it would exceed `maxLiterals`.
bool expansion(const strong::Problem& p, const std::vector<int32_t>& universals, const std::vector<bool>& inner,
               int64_t maxLiterals, Clauses& out, int32_t& numVars) {
  const uint32_t assignments = 1u << universals.size();
  std::vector<int32_t> bit(size_t(p.numVars) + 1, -1);
  for (size_t k = 0; k < universals.size(); k++) bit[size_t(universals[k])] = int32_t(k);
  if (int64_t(p.numVars) * assignments >= int64_t(INT32_MAX)) return false;  // the copies' numbers would overflow
  int64_t literals = 0;
  for (uint32_t a = 0; a < assignments; a++) {
    const int32_t offset = p.numVars * int32_t(a);
    for (const std::vector<int32_t>& c : p.clauses) {
      bool satisfied = false, copied = false;
      std::vector<int32_t> reduced;
      for (int32_t x : c) {
        const int32_t v = std::abs(x);
        if (bit[size_t(v)] >= 0) {
          if (((a >> bit[size_t(v)]) & 1u) == (x > 0 ? 1u : 0u)) satisfied = true;
          copied = true;
          continue;
        }
        copied = copied || inner[size_t(v)];
        reduced.push_back(inner[size_t(v)] ? (x > 0 ? x + offset : x - offset) : x);
      }
      // A clause of outer variables alone is the same in every copy.
      if (satisfied || (!copied && a > 0)) continue;
      literals += int64_t(reduced.size());
      if (literals > maxLiterals) return false;
      out.push_back(std::move(reduced));
    }
  }
  // The copies are numbered densely: most of the numbers above are unused,
  // and the solver's tables grow with the largest one.
  std::vector<int32_t> used;
  for (const std::vector<int32_t>& c : out)
    for (int32_t x : c) used.push_back(std::abs(x));
  std::sort(used.begin(), used.end());
  used.erase(std::unique(used.begin(), used.end()), used.end());
  for (std::vector<int32_t>& c : out)
    for (int32_t& x : c) {
      const int32_t dense = int32_t(std::lower_bound(used.begin(), used.end(), std::abs(x)) - used.begin()) + 1;
      x = x > 0 ? dense : -dense;
    }
  numVars = int32_t(used.size());
  return true;
}

// Question 4, when it applies within the bounds: True, False or Unknown.
strong::Result expandAndAsk(const strong::Problem& p, const std::vector<bool>& occurs, int64_t literals,
                            int64_t work) {
  std::vector<int32_t> universals;
  std::vector<bool> inner(size_t(p.numVars) + 1, false);
  int32_t universalBlocks = 0;
  for (const strong::Block& b : p.blocks) {
    if (!b.universal) {
      if (universalBlocks > 0)
        for (int32_t v : b.vars) inner[size_t(v)] = true;
      continue;
    }
    size_t before = universals.size();
    for (int32_t v : b.vars)
      if (occurs[size_t(v)]) universals.push_back(v);
    if (universals.size() > before) universalBlocks++;
  }
  if (universalBlocks != 1 || universals.size() > size_t(kMaxExpandedUniversals)) return strong::Result::Unknown;
  Clauses expanded;
  int32_t numVars = 0;
  if (!expansion(p, universals, inner, kMaxExpansionGrowth * literals, expanded, numVars))
    return strong::Result::Unknown;
  const Answer a = ask(numVars, expanded, work);
  return a == Answer::Sat ? strong::Result::True : a == Answer::Unsat ? strong::Result::False : strong::Result::Unknown;
}

}  // namespace

strong::Result settle(const strong::Problem& p) {
  std::vector<bool> universal(size_t(p.numVars) + 1, false);
  for (const strong::Block& b : p.blocks)
    if (b.universal)
      for (int32_t v : b.vars) universal[size_t(v)] = true;
  int64_t literals = 0;
  bool anyUniversal = false;
  std::vector<bool> occurs(size_t(p.numVars) + 1, false);
  Clauses existentialPart;
  existentialPart.reserve(p.clauses.size());
  for (const std::vector<int32_t>& c : p.clauses) {
    literals += int64_t(c.size());
    existentialPart.emplace_back();
    for (int32_t x : c) {
      occurs[size_t(std::abs(x))] = true;
      if (universal[size_t(std::abs(x))]) anyUniversal = true;
      else existentialPart.back().push_back(x);
    }
  }
  const int64_t work = kWorkBase + kWorkPerLiteral * literals;
  const Answer part = ask(p.numVars, existentialPart, work);
  if (part == Answer::Sat) return strong::Result::True;
  if (!anyUniversal) return part == Answer::Unsat ? strong::Result::False : strong::Result::Unknown;
  if (ask(p.numVars, p.clauses, work) == Answer::Unsat) return strong::Result::False;
  return expandAndAsk(p, occurs, literals, work);
}

}  // namespace decide
