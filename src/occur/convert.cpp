// Conversions between the plain problem and the clause database.
#include "occur/convert.h"

#include <algorithm>

namespace occur {

namespace {

int32_t largestVariable(const strong::Problem& p) {
  int32_t n = std::max(p.numVars, 0);
  for (const strong::Block& b : p.blocks)
    for (int32_t v : b.vars) n = std::max(n, v);
  for (const std::vector<int32_t>& c : p.clauses)
    for (int32_t l : c)
      if (l != 0) n = std::max(n, var(l));
  return n;
}

}  // namespace

Formula fromProblem(const strong::Problem& p) {
  int32_t n = largestVariable(p);
  std::vector<int32_t> levelOf(size_t(n) + 1, 0);
  std::vector<bool> universal = {false};
  for (const strong::Block& b : p.blocks) {
    bool used = false;
    for (int32_t v : b.vars) used = used || v > 0;
    if (!used) continue;
    if (b.universal != universal.back()) universal.push_back(b.universal);
    for (int32_t v : b.vars)
      if (v > 0) levelOf[size_t(v)] = int32_t(universal.size()) - 1;
  }
  Formula f(n, std::move(universal));
  for (int32_t v = 1; v <= n; v++) f.place(v, levelOf[size_t(v)]);
  std::vector<Lit> lits;
  for (const std::vector<int32_t>& c : p.clauses) {
    lits.clear();
    for (int32_t l : c)
      if (l != 0) lits.push_back(l);
    f.add(lits);
    if (f.inconsistent()) break;
  }
  return f;
}

void toProblem(const Formula& f, strong::Problem& p) {
  p.numVars = f.numVars();
  p.clauses.clear();
  for (ClauseId c = 0; c < f.clauseSlots(); c++)
    if (!f.clause(c).removed) p.clauses.push_back(f.clause(c).lits);
  std::vector<std::vector<int32_t>> byLevel(size_t(f.numLevels()));
  for (int32_t v = 1; v <= f.numVars(); v++)
    if (f.occurs(v)) byLevel[size_t(f.level(v))].push_back(v);
  p.blocks.clear();
  for (int32_t lev = 1; lev < f.numLevels(); lev++) {
    std::vector<int32_t>& vars = byLevel[size_t(lev)];
    if (vars.empty()) continue;
    bool universal = f.universalLevel(lev);
    if (p.blocks.empty() || p.blocks.back().universal != universal) p.blocks.push_back({universal, {}});
    std::vector<int32_t>& into = p.blocks.back().vars;
    into.insert(into.end(), vars.begin(), vars.end());
  }
}

}  // namespace occur
