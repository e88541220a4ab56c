// Judging one run of the qshrink binary on a formula of known truth value:
// did it stop, report UNSAT or write a formula, and is that sound? Shared by
// the truth tests and the soundness campaign.
#pragma once

#include <string>
#include <vector>

#include "support/harness.h"
#include "support/qbf.h"

enum class Outcome { Unsat, Unknown, Sat, Other };

// The outcome word of the summary line ("<seconds> UNSAT ", "<seconds>
// UNKNOWN ", or "<seconds> SAT " when a formula with no clause left was
// written).
Outcome outcomeOf(const RunResult& r);
std::string lastLine(const std::string& out);
// A line of standard output that reports a state that should not occur ("" if none).
std::string errorLine(const std::string& out);
// Standard error without the line of a bounded run that stopped early.
std::string withoutStopNote(const std::string& err);

// Shape rules of a written formula; "" if it keeps them. The writer numbers
// the variables that occur densely from 1, quantifies only those, never
// writes an empty quantifier line, and merges neighbouring lines of one kind.
std::string writtenShapeProblem(const qbf::Formula& f);

struct Judgement {
  enum Kind { Rejected, Unsat, Written, Failed } kind = Failed;
  std::string problem;  // "" when the run is sound
  std::string written;  // the output file's text (kind Written)
  qbf::Formula output;  // ... and the formula it holds
};

// Judges the run `r` on formula `in`, whose truth value is `expected`, made
// in directory `dir` with output file `output`. A Written judgement has
// checked the output's shape and its truth value with the brute-force
// evaluator when `evaluate` is set.
Judgement judgeRun(const RunResult& r, const qbf::Formula& in, bool expected, const std::string& dir,
                   const std::string& output, bool evaluate = true);

// A shared formula whose truth value depqbf found (depqbf.tsv).
struct SharedCase {
  std::string file, dir;  // dir: "instances" or "malformed"
  bool expected = false;
};

// The shared formulas that depqbf.tsv decides.
std::vector<SharedCase> decidedSharedCases();

// The optimised binary where the build names one (QSHRINK_RELEASE_BIN),
// else the tested one: the large shared formulas would take the sanitizer
// build long.
std::string optimisedBinary();
