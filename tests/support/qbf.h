// Test-side view of a QBF in prenex CNF: a plain QDIMACS parser, a
// brute-force evaluator, and a bridge to the depqbf solver.
//
// The evaluator is the oracle of the truth tests, so it favours obvious
// correctness over speed: it expands the prefix variable by variable and
// prunes only with rules that are standard for QBF (a clause that the
// universal player can already falsify, the existential unit rule). It is
// meant for formulas of up to about twenty variables.
#pragma once

#include <string>
#include <vector>

namespace qbf {

enum class Quant { Exists, Forall };

struct Block {
  Quant kind = Quant::Exists;
  std::vector<int> vars;  // 1-based variable numbers, as written
};

using Clause = std::vector<int>;  // non-zero DIMACS literals, without the closing 0

struct Formula {
  int numVars = 0;        // variable count of the "p cnf" line
  int numClauses = 0;     // clause count of the "p cnf" line
  std::vector<Block> prefix;
  std::vector<Clause> clauses;

  int maxVariable() const;  // largest variable in the prefix or the clauses (0 if none)
};

// Parses QDIMACS text: optional comment lines ("c ...") and blank lines,
// the "p cnf V C" line, quantifier lines "e ... 0" / "a ... 0" (a line may
// be empty, "e 0"), then clauses of integers ended by 0, which may span or
// share lines; comment lines are accepted anywhere. Everything qshrink
// writes is accepted. Returns false with a message in *error for text that
// is not of this form (no parameter line, a stray token, a literal after the
// last 0 without its closing 0).
bool parse(const std::string& text, Formula& out, std::string* error = nullptr);

// Truth value of the closed formula: variables of the clauses that no
// quantifier line names are free and count as existential, outermost. A
// variable named by several quantifier lines takes the last one. The empty
// clause is false, a formula without clauses is true; repeated literals and
// tautological clauses are allowed.
bool evaluate(const std::vector<Block>& prefix, const std::vector<Clause>& clauses);
inline bool evaluate(const Formula& f) { return evaluate(f.prefix, f.clauses); }

// Renders a formula as QDIMACS text (header from the formula's counts).
std::string toText(const Formula& f);

// --- depqbf -------------------------------------------------------------

enum class Verdict { True, False, Unknown };

// True if an executable "depqbf" is on PATH.
bool depqbfAvailable();

// The message tests print when they skip because depqbf is missing.
const char* depqbfMissingMessage();

// Runs depqbf on `path` with its output discarded and kills it after
// `timeoutSeconds`. Exit status 10 gives True, 20 gives False; a timeout,
// any other status or a failure to start gives Unknown, with the reason in
// *detail. Safe to call from several threads at once.
Verdict runDepqbf(const std::string& path, int timeoutSeconds, std::string* detail = nullptr);

const char* verdictName(Verdict v);

}  // namespace qbf
