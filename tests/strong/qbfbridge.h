// Between the test side's formulas and the strong mode's plain problems.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "occur/budget.h"
#include "occur/convert.h"
#include "occur/occur.h"
#include "output/strongwriter.h"
#include "strong/problem.h"
#include "support/qbf.h"

namespace bridge {

inline strong::Problem toProblem(const qbf::Formula& f) {
  strong::Problem p;
  p.numVars = f.maxVariable();
  for (const qbf::Block& b : f.prefix) p.blocks.push_back({b.kind == qbf::Quant::Forall, b.vars});
  for (const qbf::Clause& c : f.clauses) p.clauses.emplace_back(c.begin(), c.end());
  return p;
}

inline qbf::Formula toFormula(const strong::Problem& p) {
  qbf::Formula f;
  f.numVars = p.numVars;
  f.numClauses = int(p.clauses.size());
  for (const strong::Block& b : p.blocks)
    f.prefix.push_back({b.universal ? qbf::Quant::Forall : qbf::Quant::Exists, {b.vars.begin(), b.vars.end()}});
  for (const std::vector<int32_t>& c : p.clauses) f.clauses.emplace_back(c.begin(), c.end());
  return f;
}

inline bool evaluate(const strong::Problem& p) { return qbf::evaluate(toFormula(p)); }

inline strong::Problem parseProblem(const std::string& text) {
  qbf::Formula f;
  std::string error;
  if (!qbf::parse(text, f, &error)) std::abort();
  return toProblem(f);
}

// The QDIMACS text writeProblem gives for p.
inline std::string written(const strong::Problem& p) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  bool ok = writeProblem(out, p);
  std::fclose(out);
  std::string text = ok ? std::string(buffer, size) : std::string("write failed");
  std::free(buffer);
  return text;
}

// The database of a QDIMACS text, propagated.
inline occur::Formula load(const std::string& text) {
  occur::Formula f = occur::fromProblem(parseProblem(text));
  f.propagate();
  return f;
}

// A budget that never runs out.
inline occur::Budget unlimited(const occur::Formula& f) { return occur::Budget(f.work, INT64_MAX, nullptr); }

using Clauses = std::vector<std::vector<int32_t>>;

// The live clauses of f, each sorted by variable, and sorted.
inline Clauses clausesOf(const occur::Formula& f) {
  Clauses out;
  for (occur::ClauseId c = 0; c < f.clauseSlots(); c++) {
    if (f.clause(c).removed) continue;
    std::vector<int32_t> lits = f.clause(c).lits;
    std::sort(lits.begin(), lits.end(), [](int32_t a, int32_t b) { return std::abs(a) < std::abs(b); });
    out.push_back(lits);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace bridge
