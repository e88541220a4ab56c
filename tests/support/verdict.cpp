// Judging runs of qshrink for the truth tests and the soundness campaign.
#include "support/verdict.h"

#include <algorithm>
#include <fstream>
#include <cstdlib>
#include <sstream>
#include <vector>

std::string lastLine(const std::string& out) {
  size_t end = out.find_last_not_of('\n');
  if (end == std::string::npos) return "";
  size_t start = out.rfind('\n', end);
  return out.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

std::string withoutStopNote(const std::string& err) {
  const std::string note = "qshrink: stopped early: ";
  if (err.rfind(note, 0) != 0) return err;
  const size_t end = err.find('\n');
  return end == std::string::npos ? "" : err.substr(end + 1);
}

std::string errorLine(const std::string& out) {
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("ERROR", 0) == 0) return line;
  return "";
}

Outcome outcomeOf(const RunResult& r) {
  std::string line = lastLine(r.out);
  if (line.size() >= 7 && line.compare(line.size() - 7, 7, " UNSAT ") == 0) return Outcome::Unsat;
  if (line.size() >= 9 && line.compare(line.size() - 9, 9, " UNKNOWN ") == 0) return Outcome::Unknown;
  if (line.size() >= 5 && line.compare(line.size() - 5, 5, " SAT ") == 0) return Outcome::Sat;
  return Outcome::Other;
}

namespace {

// A clause without an existential literal (free variables count as
// existential): reading such a clause may legitimately stop the run, since
// universal reduction empties it. Such a formula is false.
bool hasClauseWithoutExistential(const qbf::Formula& f) {
  if (f.prefix.empty()) return false;
  std::vector<int> kind(size_t(f.maxVariable()) + 1, 0);  // 0 free, 1 existential, 2 universal
  for (const auto& b : f.prefix)
    for (int v : b.vars) kind[size_t(v)] = b.kind == qbf::Quant::Forall ? 2 : 1;
  for (const auto& c : f.clauses) {
    bool existential = false, tautology = false;
    for (int l : c) {
      existential |= kind[size_t(std::abs(l))] != 2;
      for (int m : c) tautology |= m == -l;
    }
    if (!existential && !tautology && !c.empty()) return true;
  }
  return false;
}

}  // namespace

std::string writtenShapeProblem(const qbf::Formula& f) {
  std::ostringstream why;
  if (f.numClauses != int(f.clauses.size()))
    why << "header announces " << f.numClauses << " clauses, file has " << f.clauses.size() << "; ";
  std::vector<int> inClauses(size_t(std::max(f.numVars, f.maxVariable())) + 1, 0);
  for (const auto& c : f.clauses) {
    if (c.empty()) why << "an empty clause is written; ";
    for (int l : c) inClauses[size_t(std::abs(l))] = 1;
  }
  if (f.maxVariable() > f.numVars) why << "variable " << f.maxVariable() << " beyond the header's " << f.numVars << "; ";
  for (int v = 1; v <= f.numVars; v++)
    if (!inClauses[size_t(v)]) {
      why << "variable " << v << " is announced but in no clause; ";
      break;
    }
  std::vector<int> quantified(inClauses.size(), 0);
  for (size_t b = 0; b < f.prefix.size(); b++) {
    if (f.prefix[b].vars.empty()) why << "empty quantifier line " << b + 1 << "; ";
    if (b > 0 && f.prefix[b].kind == f.prefix[b - 1].kind)
      why << "quantifier lines " << b << " and " << b + 1 << " have one kind; ";
    for (int v : f.prefix[b].vars) {
      if (v < int(quantified.size()) && quantified[size_t(v)]++) why << "variable " << v << " quantified twice; ";
      if (v >= int(inClauses.size()) || !inClauses[size_t(v)])
        why << "quantified variable " << v << " is in no clause; ";
    }
  }
  return why.str();
}

Judgement judgeRun(const RunResult& r, const qbf::Formula& in, bool expected, const std::string& dir,
                   const std::string& output, bool evaluate) {
  Judgement j;
  std::ostringstream problem;
  const Outcome outcome = outcomeOf(r);
  const std::string result1 = readFile(dir + "/result1");
  if (r.timedOut) {
    problem << "qshrink did not finish";
  } else if (!withoutStopNote(r.err).empty()) {
    problem << "qshrink wrote to standard error:\n" << r.err;
  } else if (!errorLine(r.out).empty()) {
    problem << "qshrink reported '" << errorLine(r.out) << "'";
  } else if (r.status == 1 && r.out.find("Empty Clause detected when reading file!") != std::string::npos) {
    // A clause that universal reduction empties ends the read.
    j.kind = Judgement::Rejected;
    if (expected) problem << "the read stopped on a clause emptied by universal reduction, but the input is true";
    else if (!hasClauseWithoutExistential(in))
      problem << "the read stopped with the empty-clause message, but every clause has an existential literal";
  } else if (r.status != 0) {
    problem << "exit status " << r.status;
  } else if (outcome == Outcome::Unsat) {
    j.kind = Judgement::Unsat;
    if (expected) problem << "UNSAT reported for a true formula";
    else if (fileExists(output)) problem << "UNSAT reported, but the output file was written";
    else if (result1 != "UNSAT") problem << "result1 holds '" << result1 << "'";
  } else if (outcome != Outcome::Unknown && outcome != Outcome::Sat) {
    problem << "no UNSAT/UNKNOWN/SAT summary line (last line '" << lastLine(r.out) << "')";
  } else if (!fileExists(output)) {
    problem << "no output file";
  } else {
    j.kind = Judgement::Written;
    j.written = readFile(output);
    std::string error;
    if (!qbf::parse(j.written, j.output, &error)) {
      problem << "the output does not parse: " << error;
    } else {
      const std::string shape = writtenShapeProblem(j.output);
      if (!shape.empty()) problem << "malformed output: " << shape;
      else if (evaluate && qbf::evaluate(j.output) != expected)
        problem << "the input is " << (expected ? "true" : "false") << " but the output is "
                << (expected ? "false" : "true");
      else if (outcome == Outcome::Sat && !(expected && j.output.clauses.empty()))
        problem << "SAT reported, but the input is " << (expected ? "true" : "false") << " and "
                << j.output.clauses.size() << " clauses are written";
      else if (result1 != (outcome == Outcome::Sat ? "SAT" : "UNKNOWN"))
        problem << "result1 holds '" << result1 << "'";
    }
    if (!problem.str().empty()) problem << "\n--- output file:\n" << j.written;
  }
  j.problem = problem.str();
  if (!j.problem.empty()) j.kind = Judgement::Failed;
  return j;
}

std::vector<SharedCase> decidedSharedCases() {
  std::vector<SharedCase> cases;
  std::ifstream tsv(sharedDir() + "/instances/depqbf.tsv");
  std::string line;
  std::getline(tsv, line);  // column names
  while (std::getline(tsv, line)) {
    std::vector<std::string> col;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) col.push_back(field);
    if (col.size() < 5 || (col[4] != "true" && col[4] != "false")) continue;
    cases.push_back({col[0], col[1], col[4] == "true"});
  }
  return cases;
}

std::string optimisedBinary() {
  const std::string release = QSHRINK_RELEASE_BIN;
  return release.empty() || !fileExists(release) ? std::string(QSHRINK_BIN) : release;
}
