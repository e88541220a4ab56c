// Universal expansion.
//
// With u a universal variable of the innermost universal level and E the
// existential level after it (the innermost one), forall u exists E. F
// equals F[u=0] & F'[u=1], where F' has the variables of E renamed to fresh
// copies at the same level: the existential player may answer the two
// values of u differently, and the copies hold the second answer. Only the
// variables of E that depend on u need copies. The variables of E split
// into components, two variables joined when a clause holds both; a clause
// with u holds a variable of E (else reduction would have removed u), and
// only the components that u's clauses reach need copies. The clauses
// without such a variable hold neither u nor a copied variable and stay as
// they are.
//
// So the clauses of the chosen components are kept with u set false (those
// with -u go, u leaves the others) and added again, renamed, with u set true.
// Expansion adds clauses, so it runs only when the other techniques are at a
// fixed point, one variable at a time, the cheapest first, and only while
// the added clauses stay under a bound. Once the universal level is empty,
// the existential levels around it merge into one innermost level, and
// elimination can go on there.
#include "expand/expand.h"

#include <algorithm>
#include <vector>

namespace expand {

using occur::Clause;
using occur::ClauseId;
using occur::Lit;

namespace {

// The round state: components of the innermost existential level.
struct Expander {
  occur::Formula& f;
  occur::Budget& b;
  int32_t inner = 0;               // the innermost (existential) level
  std::vector<int32_t> parent;     // per variable: union-find over level `inner`
  std::vector<int64_t> clauses;    // per component root: clauses
  std::vector<int64_t> vars;       // per component root: variables
  std::vector<uint32_t> seen;      // per component root: the last u that reached it
  std::vector<int32_t> reached;    // components of the chosen u

  Expander(occur::Formula& formula, occur::Budget& budget) : f(formula), b(budget) {}

  int32_t find(int32_t v) {
    int32_t root = v;
    while (parent[size_t(root)] != root) root = parent[size_t(root)];
    while (parent[size_t(v)] != root) {
      int32_t next = parent[size_t(v)];
      parent[size_t(v)] = root;
      v = next;
    }
    return root;
  }

  // The component of a clause: of its first variable at level `inner`.
  int32_t componentOf(const Clause& c) {
    for (Lit l : c.lits)
      if (f.level(l) == inner) return find(occur::var(l));
    return 0;
  }

  void buildComponents() {
    size_t n = size_t(f.numVars()) + 1;
    parent.resize(n);
    for (size_t v = 0; v < n; v++) parent[v] = int32_t(v);
    clauses.assign(n, 0);
    vars.assign(n, 0);
    seen.assign(n, 0);
    for (ClauseId c = 0; c < f.clauseSlots(); c++) {
      const Clause& clause = f.clause(c);
      if (clause.removed) continue;
      f.work += int64_t(clause.lits.size());
      int32_t root = 0;
      for (Lit l : clause.lits) {
        if (f.level(l) != inner) continue;
        int32_t r = find(occur::var(l));
        if (root == 0)
          root = r;
        else if (r != root)
          parent[size_t(r)] = root;
      }
    }
    for (ClauseId c = 0; c < f.clauseSlots(); c++)
      if (!f.clause(c).removed) clauses[size_t(componentOf(f.clause(c)))]++;
    for (int32_t v = 1; v <= f.numVars(); v++)
      if (f.occurs(v) && f.level(v) == inner) vars[size_t(find(v))]++;
    clauses[0] = 0;
  }

  // The clauses expanding u adds; fills `reached` with the components it copies.
  int64_t cost(int32_t u, uint32_t tag) {
    reached.clear();
    int64_t touched = 0;
    for (Lit side : {u, -u}) {
      for (ClauseId c : f.occurrences(side)) {
        if (f.clause(c).removed) continue;
        touched++;
        int32_t root = componentOf(f.clause(c));
        if (root == 0 || seen[size_t(root)] == tag) continue;
        seen[size_t(root)] = tag;
        reached.push_back(root);
      }
      f.work += int64_t(f.occurrences(side).size());
    }
    int64_t copied = 0;
    for (int32_t root : reached) copied += clauses[size_t(root)];
    return copied - touched;
  }

  // Replaces the clauses of the reached components by their two halves.
  void expand(int32_t u, Counts& counts) {
    std::vector<bool> copyRoot(size_t(f.numVars()) + 1, false);
    for (int32_t root : reached) copyRoot[size_t(root)] = true;
    std::vector<int32_t> copyOf(size_t(f.numVars()) + 1, 0);
    int32_t last = f.numVars();
    for (int32_t v = 1; v <= last; v++)
      if (f.occurs(v) && f.level(v) == inner && copyRoot[size_t(find(v))]) {
        copyOf[size_t(v)] = f.newVar(inner);
        counts.copies++;
      }
    std::vector<ClauseId> chosen;
    for (ClauseId c = 0; c < f.clauseSlots(); c++)
      if (!f.clause(c).removed && copyRoot[size_t(componentOf(f.clause(c)))]) chosen.push_back(c);
    std::vector<Lit> low, high;
    for (ClauseId c : chosen) {
      std::vector<Lit> lits = f.clause(c).lits;
      f.work += 2 * int64_t(lits.size());
      bool pos = std::find(lits.begin(), lits.end(), u) != lits.end();
      bool neg = std::find(lits.begin(), lits.end(), -u) != lits.end();
      low.clear();
      high.clear();
      for (Lit l : lits) {
        if (occur::var(l) == u) continue;
        low.push_back(l);
        int32_t copy = copyOf[size_t(occur::var(l))];
        high.push_back(copy == 0 ? l : (l < 0 ? -copy : copy));
      }
      // A clause with u keeps its u=0 half, one with -u its u=1 half, any
      // other one stays and gets its u=1 half beside it.
      if (pos || neg) f.remove(c);
      if (pos)
        f.add(low);
      else
        f.add(high);
    }
    f.markEliminated(u);
    counts.expanded++;
  }

  bool run(History& h, Counts& counts) {
    f.relevel();
    inner = f.innermostLevel();
    if (inner < 2 || b.over()) return false;
    buildComponents();
    int64_t bound = std::max(kMinAdded, f.liveClauses() / kAddedDivisor);
    bound = std::min(bound, h.allowance - h.added);
    int32_t best = 0;
    int64_t bestCost = bound + 1;
    uint32_t tag = 0;
    for (int32_t u = 1; u <= f.numVars(); u++) {
      if (!f.occurs(u) || f.level(u) != inner - 1) continue;
      int64_t c = cost(u, ++tag);
      if (c < bestCost) {
        bestCost = c;
        best = u;
      }
    }
    if (best == 0) return false;
    cost(best, ++tag);
    expand(best, counts);
    h.added += bestCost;
    f.propagate();
    f.relevel();
    return true;
  }
};

}  // namespace

bool one(occur::Formula& f, occur::Budget& b, History& h, Counts& counts) {
  if (h.allowance < 0) h.allowance = std::max(kMinAdded, f.liveClauses() * kTotalGrowth);
  Expander round(f, b);
  return round.run(h, counts);
}

}  // namespace expand
