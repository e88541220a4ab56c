// Soundness of whole runs: the written formula has the truth value of the
// input, and a run reports UNSAT only for false formulas.
//
// TruthRandom checks thousands of generated formulas against the
// brute-force evaluator; TruthShared checks the shared benchmark formulas
// that depqbf decided, with depqbf on the written formula.
//
// Environment knobs for longer runs or for replaying one formula (CI uses
// the defaults):
//   QSHRINK_TRUTH_SEED   first seed (default 1)
//   QSHRINK_TRUTH_COUNT  formulas per family (default 800, Degenerate 200)
// e.g. QSHRINK_TRUTH_SEED=37 QSHRINK_TRUTH_COUNT=1 qshrink_tests
//        --gtest_filter='Truth/TruthRandom.*/Chains'  replays Chains seed 37.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "support/generator.h"
#include "support/harness.h"
#include "support/qbf.h"

namespace {

void removeTree(const std::string& dir) {
  for (const std::string& name : listDir(dir)) unlink((dir + "/" + name).c_str());
  rmdir(dir.c_str());
}

std::string lastLine(const std::string& out) {
  size_t end = out.find_last_not_of('\n');
  if (end == std::string::npos) return "";
  size_t start = out.rfind('\n', end);
  return out.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// A line of standard output that reports a state that should not occur.
std::string errorLine(const std::string& out) {
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("ERROR", 0) == 0) return line;
  return "";
}

enum class Outcome { Unsat, Unknown, Other };

// The outcome word of the summary line ("<seconds> UNSAT " or "<seconds> UNKNOWN ").
Outcome outcomeOf(const RunResult& r) {
  std::string line = lastLine(r.out);
  if (line.size() >= 7 && line.compare(line.size() - 7, 7, " UNSAT ") == 0) return Outcome::Unsat;
  if (line.size() >= 9 && line.compare(line.size() - 9, 9, " UNKNOWN ") == 0) return Outcome::Unknown;
  return Outcome::Other;
}

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

// Shape rules of a written formula; "" if it keeps them. The writer numbers
// the variables that occur densely from 1, quantifies only those, never
// writes an empty quantifier line, and merges neighbouring lines of one kind.
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

// --- random soundness -------------------------------------------------------

// Formulas per family. A run of the sanitizer build through the harness
// costs about 8 ms, so the families together take about a minute of one core.
int countFor(gen::Family f) { return f == gen::Family::Degenerate ? 200 : 800; }

class TruthRandom : public ::testing::TestWithParam<gen::Family> {};

TEST_P(TruthRandom, OutputKeepsTheTruthValue) {
  const gen::Family family = GetParam();
  const long firstSeed = envNumber("QSHRINK_TRUTH_SEED", 1);
  const long count = envNumber("QSHRINK_TRUTH_COUNT", countFor(family));
  const std::string dir = makeTempDir();
  const std::string input = "f.qdimacs", output = dir + "/f_outOrig.qdimacs";
  int checked = 0, failures = 0, trueInputs = 0, unsat = 0, rejected = 0;
  for (long seed = firstSeed; seed < firstSeed + count && failures < 5; seed++) {
    const std::string text = gen::generate(family, uint64_t(seed));
    qbf::Formula in;
    std::string error;
    ASSERT_TRUE(qbf::parse(text, in, &error)) << error << "\n" << text;
    const bool expected = qbf::evaluate(in);
    checked++;
    trueInputs += expected;
    unlink(output.c_str());
    RunResult r = runOnText(text, dir, input);

    std::ostringstream problem;
    const Outcome outcome = outcomeOf(r);
    if (r.timedOut) {
      problem << "qshrink did not finish";
    } else if (!r.err.empty()) {
      problem << "qshrink wrote to standard error:\n" << r.err;
    } else if (!errorLine(r.out).empty()) {
      problem << "qshrink reported '" << errorLine(r.out) << "'";
    } else if (r.status == 1 && r.out.find("Empty Clause detected when reading file!") != std::string::npos) {
      // A clause that universal reduction empties ends the read.
      rejected++;
      if (expected) problem << "the read stopped on a clause emptied by universal reduction, but the input is true";
      else if (!hasClauseWithoutExistential(in))
        problem << "the read stopped with the empty-clause message, but every clause has an existential literal";
    } else if (r.status != 0) {
      problem << "exit status " << r.status;
    } else if (outcome == Outcome::Unsat) {
      unsat++;
      if (expected) problem << "UNSAT reported for a true formula";
      else if (fileExists(output)) problem << "UNSAT reported, but the output file was written";
      else if (readFile(dir + "/result1") != "UNSAT") problem << "result1 holds '" << readFile(dir + "/result1") << "'";
    } else if (outcome != Outcome::Unknown) {
      problem << "no UNSAT/UNKNOWN summary line (last line '" << lastLine(r.out) << "')";
    } else if (!fileExists(output)) {
      problem << "no output file";
    } else {
      const std::string written = readFile(output);
      qbf::Formula out;
      if (!qbf::parse(written, out, &error)) {
        problem << "the output does not parse: " << error;
      } else {
        const std::string shape = writtenShapeProblem(out);
        if (!shape.empty()) problem << "malformed output: " << shape;
        else if (qbf::evaluate(out) != expected)
          problem << "the input is " << (expected ? "true" : "false") << " but the output is "
                  << (expected ? "false" : "true");
        else if (readFile(dir + "/result1") != "UNKNOWN")
          problem << "result1 holds '" << readFile(dir + "/result1") << "'";
      }
      if (!problem.str().empty()) problem << "\n--- output file:\n" << written;
    }
    if (!problem.str().empty()) {
      failures++;
      ADD_FAILURE() << gen::familyName(family) << " seed " << seed << ": " << problem.str()
                    << "\n--- input (gen::generate(gen::Family::" << gen::familyName(family) << ", " << seed
                    << ")):\n"
                    << text << "--- qshrink stdout:\n"
                    << r.out << "--- replay: QSHRINK_TRUTH_SEED=" << seed
                    << " QSHRINK_TRUTH_COUNT=1 qshrink_tests --gtest_filter='Truth/TruthRandom.*/"
                    << gen::familyName(family) << "' (files kept in " << dir << ")";
    }
  }
  if (failures >= 5) ADD_FAILURE() << "stopped after 5 failing formulas";
  std::printf("%s: %d formulas from seed %ld, %d true, %d reported UNSAT, %d stopped while reading\n",
              gen::familyName(family), checked, firstSeed, trueInputs, unsat, rejected);
  if (failures == 0) removeTree(dir);
}

INSTANTIATE_TEST_SUITE_P(Truth, TruthRandom, ::testing::ValuesIn(gen::allFamilies()),
                         [](const ::testing::TestParamInfo<gen::Family>& info) {
                           return std::string(gen::familyName(info.param));
                         });

// --- shared instances -------------------------------------------------------

struct SharedCase {
  std::string file, dir;  // dir: "instances" or "malformed"
  bool expected = false;
};

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

// qshrink on every shared formula that depqbf decided, then depqbf on what
// it wrote. Files of malformed/ may be read differently by the two tools
// (clause counts that disagree with the body, literals beyond the announced
// count), so for them a refused read is accepted.
TEST(TruthShared, OutputsAgreeWithDepqbf) {
  if (!qbf::depqbfAvailable()) GTEST_SKIP() << qbf::depqbfMissingMessage();
  const std::vector<SharedCase> cases = decidedSharedCases();
  ASSERT_GT(cases.size(), 100u) << "depqbf.tsv not found or unreadable under " << sharedDir();
  const std::string dir = makeTempDir();
  // The optimised build where there is one: the sanitizer build is checked
  // on the generated formulas, and the large shared ones would take it long.
  const std::string binary = std::string(QSHRINK_RELEASE_BIN).empty() || !fileExists(QSHRINK_RELEASE_BIN)
                                 ? std::string(QSHRINK_BIN)
                                 : std::string(QSHRINK_RELEASE_BIN);
  constexpr int kQshrinkSeconds = 60;

  std::atomic<size_t> next{0};
  std::mutex mu;
  int agreed = 0, timeouts = 0, slow = 0, unsatAgreed = 0, rejected = 0;
  std::vector<std::string> failures;
  auto worker = [&](int id) {
    const std::string work = dir + "/w" + std::to_string(id);
    mkdir(work.c_str(), 0700);
    for (size_t i; (i = next++) < cases.size();) {
      const SharedCase& c = cases[i];
      const std::string path = sharedDir() + "/" + c.dir + "/" + c.file;
      RunResult r = runProgram({binary, path}, work, kQshrinkSeconds);
      const std::string base = c.file.substr(0, c.file.rfind('.'));
      const std::string output = work + "/" + base + "_outOrig.qdimacs";
      const std::string tag = c.dir + "/" + c.file + " (" + (c.expected ? "true" : "false") + "): ";
      std::string failure;
      qbf::Verdict v = qbf::Verdict::Unknown;
      std::string detail;
      bool ran = false;
      if (r.timedOut) {
        std::lock_guard<std::mutex> lock(mu);
        slow++;
        std::printf("qshrink did not finish within %d s: %s\n", kQshrinkSeconds, c.file.c_str());
        continue;
      } else if (!r.err.empty()) {
        failure = tag + "qshrink wrote to standard error:\n" + r.err;
      } else if (!errorLine(r.out).empty()) {
        failure = tag + "qshrink reported '" + errorLine(r.out) + "'";
      } else if (r.status == 1 && r.out.find("Empty Clause detected when reading file!") != std::string::npos) {
        if (c.expected) failure = tag + "read stopped on a clause emptied by universal reduction";
      } else if (r.status == 1 && c.dir == "malformed") {
      } else if (r.status != 0) {
        failure = tag + "exit status " + std::to_string(r.status) + "\n" + r.out;
      } else if (outcomeOf(r) == Outcome::Unsat) {
        if (c.expected) failure = tag + "UNSAT reported for a true formula";
      } else if (!fileExists(output)) {
        failure = tag + "no output file; stdout:\n" + r.out;
      } else {
        v = qbf::runDepqbf(output, 10, &detail);
        ran = true;
      }
      unlink(output.c_str());
      std::lock_guard<std::mutex> lock(mu);
      if (!failure.empty()) {
        failures.push_back(failure);
      } else if (!ran) {
        (r.status == 1 ? rejected : unsatAgreed)++;
      } else if (v == qbf::Verdict::Unknown) {
        timeouts++;
        if (detail.rfind("timeout", 0) != 0) failures.push_back(tag + "depqbf gave no answer on the output (" + detail + ")");
      } else if ((v == qbf::Verdict::True) != c.expected) {
        failures.push_back(tag + "depqbf finds the output " + qbf::verdictName(v));
      } else {
        agreed++;
      }
    }
  };
  std::thread a(worker, 0), b(worker, 1);
  a.join();
  b.join();

  for (const std::string& f : failures) ADD_FAILURE() << f;
  std::printf(
      "shared instances: %d agreed, %d depqbf timeouts, %d UNSAT agreed, %d reads stopped, %d unfinished runs, %zu "
      "failures (of %zu)\n",
      agreed, timeouts, unsatAgreed, rejected, slow, failures.size(), cases.size());
  removeTree(dir);
}

}  // namespace
