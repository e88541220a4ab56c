// The statistics' self-test: after the whole preprocessing of a formula the
// renumbering writer finds exactly the binary and n-ary clauses that the
// counters say are left, and no more variables than the counters allow, so
// none of its three "ERROR: Problem in counting ..." lines may appear.
//
// Every generated family runs in this process, a few hundred formulas each;
// besides the counting lines, the written file must be well formed and keep
// the input's truth value (a formula), or satisfy every input clause (an
// assignment). Each shared formula runs in a child process of this one
// with a budget of CPU time, since the checked build takes minutes on some
// of them; a formula over the budget, or over 2 MB, is skipped and named.
//
// QSHRINK_COUNTING_COUNT sets the formulas per family (default 60, 300
// under QSHRINK_SOAK=1), QSHRINK_COUNTING_BUDGET the CPU seconds per shared
// formula (default 5). The shared formulas are a soak test.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "driver/reset.h"
#include "driver/e2e_check.h"
#include "driver/preprocessor.h"
#include "input/readproblem.h"
#include "output/cnfoutput.h"
#include "store/store.h"
#include "support/fixture.h"
#include "support/generator.h"
#include "support/harness.h"
#include "support/qbf.h"
#include "support/shared.h"

namespace {

// The counting lines (and the line after the variable one) in `out`.
std::string countingLines(const std::string& out) {
  std::istringstream in(out);
  std::string line, found;
  while (std::getline(in, line))
    if (line.rfind("ERROR: Problem in counting", 0) == 0 || line.rfind("NEW_NVARS=", 0) == 0) found += line + "\n";
  return found;
}

// Shape of a written formula, read as plain text so that large files stay
// cheap: after "p cnf V C" and the quantifier lines, exactly C clause lines,
// each of non-zero literals within 1..V ended by one 0. "" if it holds.
std::string formulaShapeProblem(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  long vars = -1, clauses = -1, seen = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == 'c') continue;
    std::istringstream ls(line);
    if (vars < 0) {
      std::string p, cnf;
      if (!(ls >> p >> cnf >> vars >> clauses) || p != "p" || cnf != "cnf") return "no header line: " + line;
      continue;
    }
    if (line[0] == 'e' || line[0] == 'a') {
      if (seen > 0) return "quantifier line after a clause: " + line;
      continue;
    }
    std::vector<long> lits;
    for (long l; ls >> l;) lits.push_back(l);
    if (lits.size() < 2 || lits.back() != 0) return "clause line without literals or final 0: " + line;
    for (size_t k = 0; k + 1 < lits.size(); k++)
      if (lits[k] == 0 || std::labs(lits[k]) > vars) return "bad literal in clause line: " + line;
    seen++;
  }
  if (vars < 0) return "no header line";
  if (seen != clauses) return "header announces " + std::to_string(clauses) + " clauses, " + std::to_string(seen) + " written";
  return "";
}

// The values of the "v" line of an assignment file, by variable: 1 true,
// -1 false, 0 not listed.
std::vector<int> assignmentOf(const std::string& text, int maxVar) {
  std::vector<int> value(size_t(maxVar) + 1, 0);
  size_t v = text.find("\nv ");
  if (v == std::string::npos) return value;
  std::istringstream in(text.substr(v + 3));
  for (long l; in >> l && l != 0;)
    if (std::labs(l) <= maxVar) value[size_t(std::labs(l))] = l > 0 ? 1 : -1;
  return value;
}

// Reduces `text` in this process and writes it into `dir`; what the writer
// printed, or "" when the formula was shown false on the way.
std::string reduceAndWrite(const std::string& text, const std::string& dir, int* result) {
  *result = 0;
  if (!readText(text) || CONTRADICTION) return "";
  {
    CaptureStdout quiet;
    preprocessor();
  }
  if (CONTRADICTION) return "";
  filename = "f.qdimacs";
  InDirectory here(dir);
  if (!here.entered()) {
    ADD_FAILURE() << "cannot enter " << dir;
    return "";
  }
  CaptureStdout capture;
  *result = cnfoutput();
  return capture.text();
}

// --- formulas that once showed a counting fault -------------------------------

struct FaultCase {
  const char* name;
  const char* input;
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

const FaultCase kFaultCases[] = {
    // (-1 -5 2) loses 2 to the unit -2 and reduces to the unit -1.
    {"NaryClauseReducedToAUnit",
     "p cnf 5 4\ne 1 0\na 5 0\ne 2 0\na 3 4 0\n-2 -1 -4 0\n3 -1 -5 4 2 0\n-2 -1 -5 0\n-2 3 0\n"},
    // The pending pair (-4 -3) reduces to the unit -4 (4 is free).
    {"PendingPairReducedToAUnit",
     "p cnf 4 7\na 3 0\ne 2 0\ne 1 0\n4 -1 0\n-2 4 0\n-1 -3 2 0\n-2 1 0\n4 -2 0\n-4 -1 -3 0\n-4 2 0\n"},
    // (-3 2) rewritten onto 1 reduces to the unit -1; its half -3 stayed in
    // the list of -2 and was written as "1 0 0".
    {"SubstitutedBinaryReducedToAUnitAboveItsPartner", "p cnf 3 3\ne 1 0\na 2 0\ne 3 0\n-1 3 0\n1 -3 0\n-3 2 0\n"},
    {"SubstitutedBinaryReducedToAUnitBelowItsPartner",
     "p cnf 3 4\ne 2 0\na 3 0\ne 1 0\n-1 2 3 0\n2 -1 0\n-2 1 0\n-1 3 0\n"},
    // -10 is queued by universal reduction and made true at top level.
    {"QueuedLiteralMadeTrueAtTopLevel",
     "p cnf 10 18\ne 3 4 10 9 7 0\na 1 2 0\ne 8 0\na 6 5 0\n-3 6 8 0\n1 9 -10 -4 0\n8 6 0\n-7 -3 10 0\n4 2 0\n"
     "-10 -1 3 0\n-7 -3 -9 0\n2 -10 0\n-10 6 4 0\n2 6 7 0\n2 -10 -6 0\n8 -3 10 6 -9 4 0\n-3 8 4 0\n-1 8 0\n"
     "-4 9 -1 0\n-10 1 -8 0\n-5 -10 0\n9 5 0\n"},
    // The same after a failed probe, with satisfied n-ary clauses.
    {"QueuedLiteralMadeTrueAfterAFailedProbe",
     "p cnf 6 8\ne 2 3 4 0\na 6 0\ne 1 5 0\n-4 -1 6 0\n-4 6 -5 0\n-3 -2 0\n-1 4 -6 3 -5 -2 0\n1 -2 0\n3 -2 0\n"
     "-1 -3 0\n5 2 0\n"},
    // The same with a clause that top level had already made binary.
    {"QueuedLiteralMadeTrueWithAClauseAlreadyBinary",
     "p cnf 11 16\ne 11 6 10 0\na 7 2 5 9 4 1 0\ne 8 3 0\n11 4 0\n-6 3 -11 0\n-10 3 -5 0\n2 8 0\n8 3 4 11 -6 0\n"
     "6 3 -8 0\n1 3 -6 -9 0\n8 6 0\n-3 8 11 0\n10 -7 0\n-9 6 -3 0\n9 3 0\n5 -8 -6 0\n6 -8 3 0\n-11 8 -7 0\n"
     "6 -8 0\n"},
};

class CountingCase : public ::testing::TestWithParam<FaultCase> {};

TEST_P(CountingCase, StatisticsMatchTheWrittenFormula) {
  Scratch s;
  int result = 0;
  const std::string out = reduceAndWrite(GetParam().input, s.dir, &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(out, "");
  const std::string written = readFile(s.at("f_out.qdimacs"));
  ASSERT_NE(written, "");
  if (!SATISFIED) {
    EXPECT_EQ(formulaShapeProblem(written), "") << written;
  }
}

INSTANTIATE_TEST_SUITE_P(Fixed, CountingCase, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& i) { return std::string(i.param.name); });

// --- generated formulas, in this process --------------------------------------

class CountingRandom : public ::testing::TestWithParam<gen::Family> {};

TEST_P(CountingRandom, StatisticsMatchTheWrittenFormula) {
  const gen::Family family = GetParam();
  const long count = envNumber("QSHRINK_COUNTING_COUNT", soakRun() ? 300 : 60);
  Scratch s;
  const std::string written = s.at("f_out.qdimacs");
  int checked = 0, formulas = 0, assignments = 0, failures = 0;
  for (long seed = 1; seed <= count && failures < 5; seed++) {
    const std::string text = gen::generate(family, uint64_t(seed));
    unlink(written.c_str());
    int result = 0;
    const std::string out = reduceAndWrite(text, s.dir, &result);
    if (result == 0 && !fileExists(written)) continue;  // shown false, or not read
    checked++;

    std::ostringstream problem;
    const std::string file = readFile(written);
    qbf::Formula in, outFormula;
    if (result != 0) {
      problem << "cnfoutput returned " << result;
    } else if (!countingLines(out).empty()) {
      problem << "the counting checks failed:\n" << countingLines(out);
    } else if (!out.empty()) {
      problem << "unexpected output:\n" << out;
    } else if (!qbf::parse(text, in)) {
      problem << "the generated input does not parse";
    } else if (SATISFIED) {
      assignments++;
      if (!qbf::evaluate(in)) problem << "an assignment was written for a false formula";
      std::vector<int> value = assignmentOf(file, in.maxVariable());
      for (const auto& c : in.clauses) {
        bool sat = false;
        for (int l : c) sat |= value[size_t(std::abs(l))] == (l > 0 ? 1 : -1) || std::find(c.begin(), c.end(), -l) != c.end();
        if (!sat) {
          problem << "the assignment leaves an input clause false";
          break;
        }
      }
    } else {
      formulas++;
      std::string error;
      const std::string shape = formulaShapeProblem(file);
      if (!shape.empty()) problem << "malformed output: " << shape;
      else if (!qbf::parse(file, outFormula, &error)) problem << "the output does not parse: " << error;
      else if (qbf::evaluate(outFormula) != qbf::evaluate(in))
        problem << "the output is " << (qbf::evaluate(outFormula) ? "true" : "false") << ", the input is not";
    }
    if (!problem.str().empty()) {
      failures++;
      ADD_FAILURE() << gen::familyName(family) << " seed " << seed << ": " << problem.str() << "\n--- input:\n"
                    << text << "--- written:\n"
                    << file;
    }
  }
  if (failures >= 5) ADD_FAILURE() << "stopped after 5 failing formulas";
  std::printf("%s: %d formulas reduced and written (%d as a formula, %d as an assignment)\n",
              gen::familyName(family), checked, formulas, assignments);
  EXPECT_GT(checked, 0);
}

INSTANTIATE_TEST_SUITE_P(Counting, CountingRandom, ::testing::ValuesIn(gen::allFamilies()),
                         [](const ::testing::TestParamInfo<gen::Family>& info) {
                           return std::string(gen::familyName(info.param));
                         });

// --- the shared formulas, one child process each ------------------------------

constexpr long kMaxBytes = 2L << 20;

struct SharedFormula {
  std::string file;  // name in the instances folder
  std::string testName;
};
void PrintTo(const SharedFormula& f, std::ostream* os) { *os << f.file; }

std::string instancesDir() { return sharedDir() + "/instances"; }

std::vector<SharedFormula> sharedFormulas() {
  std::vector<SharedFormula> list;
  for (const std::string& name : listDir(instancesDir())) {
    if (name.size() < 8 || name.compare(name.size() - 8, 8, ".qdimacs") != 0) continue;
    std::string id;
    for (char ch : name.substr(0, name.size() - 8)) id += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    for (const SharedFormula& f : list)
      if (f.testName == id) id += "_" + std::to_string(list.size());
    list.push_back({name, id});
  }
  return list;
}

// The child: reads, reduces and writes the formula, with standard output in
// `outPath`; the writer's part follows a marker line. Exit status 0 after
// writing, 2 when the formula was not read, 3 when it was shown false.
[[noreturn]] void reduceAndWriteInChild(const std::string& input, const std::string& dir, const std::string& outPath,
                                        long budget) {
  struct rlimit cpu = {rlim_t(budget), rlim_t(budget + 5)};
  setrlimit(RLIMIT_CPU, &cpu);
  struct rlimit core = {0, 0};
  setrlimit(RLIMIT_CORE, &core);
  int fd = open(outPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
  if (fd < 0) _exit(5);
  std::fflush(stdout);
  dup2(fd, 1);
  close(fd);
  resetAllState();
  filename = input;
  if (!readProblem(input)) {
    std::fflush(stdout);
    _exit(2);
  }
  if (!CONTRADICTION) preprocessor();
  if (CONTRADICTION) {
    std::fflush(stdout);
    _exit(3);
  }
  filename = "f.qdimacs";
  if (chdir(dir.c_str()) != 0) _exit(5);
  std::printf("--- writer\n");
  int result = cnfoutput();
  std::fflush(stdout);
  _exit(result == 0 ? 0 : 4);
}

class CountingShared : public ::testing::TestWithParam<SharedFormula> {};

TEST_P(CountingShared, StatisticsMatchTheWrittenFormula) {
  const SharedFormula& f = GetParam();
  const std::string input = instancesDir() + "/" + f.file;
  struct stat st;
  ASSERT_EQ(stat(input.c_str(), &st), 0) << input;
  if (st.st_size > kMaxBytes) GTEST_SKIP() << f.file << " is over 2 MB";
  const long budget = envNumber("QSHRINK_COUNTING_BUDGET", 5);
  Scratch s;
  const std::string outPath = s.at("stdout"), work = s.at("work");
  ASSERT_EQ(mkdir(work.c_str(), 0755), 0);
  std::fflush(stdout);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) reduceAndWriteInChild(input, work, outPath, budget);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL))
    GTEST_SKIP() << f.file << " took more than " << budget << " s of CPU time";
  const std::string out = readFile(outPath);
  ASSERT_TRUE(WIFEXITED(status)) << f.file << ": the child ended by signal " << WTERMSIG(status) << "\n" << out;
  const int code = WEXITSTATUS(status);
  if (code == 2 || code == 3) GTEST_SKIP() << f.file << (code == 2 ? " is not read" : " is shown false");
  ASSERT_EQ(code, 0) << f.file << "\n" << out;
  const std::string writerOut = out.substr(out.find("--- writer\n") + 11);
  EXPECT_EQ(countingLines(writerOut), "") << f.file;
  EXPECT_EQ(writerOut, "") << f.file;
  const std::string written = readFile(work + "/f_out.qdimacs");
  if (written.find("\ns SATISFIABLE\n") == std::string::npos) {
    EXPECT_EQ(formulaShapeProblem(written), "") << f.file;
  }
}

INSTANTIATE_TEST_SUITE_P(Counting, CountingShared, ::testing::ValuesIn(sharedFormulas()),
                         [](const ::testing::TestParamInfo<SharedFormula>& info) { return info.param.testName; });

// Without the shared folder there are no cases above, and this says why.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CountingShared);
TEST(CountingShared, TheSharedFormulasAreThere) {
  REQUIRE_SHARED_OR_SKIP();
  EXPECT_GT(sharedFormulas().size(), 100u) << "no shared formulas under " << instancesDir();
}

}  // namespace
