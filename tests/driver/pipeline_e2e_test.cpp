// The command line beyond the classic form: help and version, standard
// input, compressed input, the output where the user says, no result files,
// solver exit codes, the mapped store output, and reasons for a failed read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "driver/e2e_check.h"
#include "support/generator.h"
#include "support/harness.h"
#include "support/qbf.h"

namespace {

// Undecided: the probes find nothing to do with it.
const char* const kOpen = "p cnf 4 2\na 1 0\ne 2 3 4 0\n1 2 3 0\n-1 -2 4 0\n";
const char* const kFalse = "p cnf 1 2\n1 0\n-1 0\n";
const char* const kTrue = "p cnf 3 2\ne 1 2 3 0\n1 0\n1 2 3 0\n";
// Universal reduction empties the clause (-1) while reading.
const char* const kEmptiedOnRead = "p cnf 2 2\ne 2 0\na 1 0\n2 0\n-1 0\n";

RunResult run(const Scratch& s, const std::vector<std::string>& args, const RunControl& c = RunControl()) {
  std::vector<std::string> argv = {QSHRINK_BIN};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv, s.dir, 120, c);
}

TEST(Pipeline, HelpVersionAndUnknownOptions) {
  Scratch s;
  for (const char* h : {"-h", "--help"}) {
    RunResult r = run(s, {h});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--output", "--no-result-files", "--exit-codes", "--mapped-output", "--version"})
      EXPECT_NE(r.out.find(option), std::string::npos) << option;
  }
  RunResult v = run(s, {"--version"});
  EXPECT_EQ(v.status, 0);
  EXPECT_TRUE(std::regex_match(v.out, std::regex("qshrink [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << v.out;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--frobnicate", "f.qdimacs"}, {"f.qdimacs", "--output"}, {"--exit-codes=yes", "f"}}) {
    RunResult r = run(s, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("qshrink: ", 0), 0u) << r.err;
  }
  EXPECT_EQ(listDir(s.dir), std::vector<std::string>{});
}

// Standard input, gzip and xz give what the plain file gives, byte for byte;
// the output is named after the input without its compression suffix.
TEST(Pipeline, StandardInputAndCompressedInputReadAlike) {
  Scratch s;
  writeFile(s.at("f.qdimacs"), kOpen);
  ASSERT_EQ(run(s, {"f.qdimacs", "--no-result-files"}).status, 0);
  const std::string expected = readFile(s.at("f_outOrig.qdimacs"));
  ASSERT_NE(expected, "");
  ASSERT_EQ(runProgram({"sh", "-c", "gzip -k f.qdimacs && xz -k f.qdimacs && cat f.qdimacs.gz f.qdimacs.gz > "
                                    "twice.qdimacs.gz && cp f.qdimacs.gz g.qdimacs"},
                       s.dir)
                .status,
            0);
  for (const char* file : {"f.qdimacs.gz", "f.qdimacs.xz", "g.qdimacs"}) {
    unlink(s.at("f_outOrig.qdimacs").c_str());
    unlink(s.at("g_outOrig.qdimacs").c_str());
    RunResult r = run(s, {file, "--no-result-files"});
    EXPECT_EQ(r.status, 0) << file << r.out;
    EXPECT_EQ(readFile(s.at(file[0] == 'g' ? "g_outOrig.qdimacs" : "f_outOrig.qdimacs")), expected) << file;
  }
  for (const char* file : {"f.qdimacs", "f.qdimacs.gz"}) {
    RunControl c;
    c.feedInput = true;
    c.input = readFile(s.at(file));
    RunResult r = run(s, {"-"}, c);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("to file stdin_outOrig.qdimacs."), std::string::npos) << r.out;
    EXPECT_EQ(readFile(s.at("stdin_outOrig.qdimacs")), expected);
  }
  EXPECT_EQ(readFile(s.at("preprocessor_b.dat")).rfind("stdin,-1,", 0), 0u);
  // Two gzip members one after the other read as their text twice: the
  // clause count ends the read within the first.
  EXPECT_EQ(run(s, {"twice.qdimacs.gz"}).status, 0);
}

TEST(Pipeline, DamagedAndMissingInputSayWhy) {
  Scratch s;
  writeFile(s.at("f.qdimacs"), std::string(kOpen) + std::string(4000, ' ') + "\n");
  ASSERT_EQ(runProgram({"sh", "-c", "gzip f.qdimacs && head -c 30 f.qdimacs.gz > cut.gz"}, s.dir).status, 0);
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  for (const Case& c : {Case{{"cut.gz"}, "qshrink: cannot read cut.gz: damaged gzip data"},
                        Case{{"none.qdimacs"}, "qshrink: cannot open none.qdimacs: No such file or directory\n"},
                        Case{{"."}, "qshrink: cannot open .: is a directory\n"}}) {
    RunResult r = run(s, c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "c Problem reading CNF file.\n");
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
  }
}

TEST(Pipeline, OutputWhereTheUserSays) {
  Scratch s;
  mkdir(s.at("sub").c_str(), 0755);
  writeFile(s.at("f.qdimacs"), kOpen);
  RunResult r = run(s, {"--output=sub/o.qdimacs", "f.qdimacs", "--no-result-files"});
  EXPECT_EQ(r.status, 0);
  const std::string formula = readFile(s.at("sub/o.qdimacs"));
  EXPECT_EQ(formula.rfind("p cnf ", 0), 0u) << formula;
  EXPECT_EQ(listDir(s.at("sub")), std::vector<std::string>{"o.qdimacs"});
  EXPECT_EQ(listDir(s.dir), (std::vector<std::string>{"f.qdimacs", "sub"}));

  // A device is written in place, never replaced.
  EXPECT_EQ(run(s, {"--output=/dev/null", "f.qdimacs", "--no-result-files"}).status, 0);
  struct stat st;
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  // Standard output carries the formula alone; the messages go to standard error.
  r = run(s, {"--output", "-", "f.qdimacs"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, formula);
  EXPECT_NE(r.err.find("c Inital problem has 4 variables"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(" UNKNOWN \n"), std::string::npos) << r.err;

  // A false formula is written as one, so that a solver after the pipe answers.
  writeFile(s.at("f.qdimacs"), kFalse);
  r = run(s, {"--output=-", "f.qdimacs"});
  EXPECT_EQ(r.out, "p cnf 0 1\n0\n");
  EXPECT_EQ(r.status, 0);
}

TEST(Pipeline, ExitCodesSayTheOutcome) {
  Scratch s;
  struct Case {
    const char* text;
    int status;
  };
  for (const Case& c : {Case{kOpen, 0}, Case{kFalse, 20}, Case{kTrue, 10}, Case{kEmptiedOnRead, 20}}) {
    writeFile(s.at("f.qdimacs"), c.text);
    RunResult r = run(s, {"--exit-codes", "f.qdimacs", "--output=o.qdimacs"});
    EXPECT_EQ(r.status, c.status) << c.text << r.out;
    if (c.status == 20) {
      EXPECT_EQ(readFile(s.at("o.qdimacs")), "p cnf 0 1\n0\n");
    } else if (c.status == 10) {
      EXPECT_EQ(readFile(s.at("o.qdimacs")), "p cnf 0 0\n");
    }
  }
  // The strong mode decides what the classic run leaves open: the formula
  // is true once blocked clauses are gone, and says so.
  writeFile(s.at("f.qdimacs"), kOpen);
  RunResult strong = run(s, {"--strong", "--exit-codes", "f.qdimacs", "--output=o.qdimacs"});
  EXPECT_EQ(strong.status, 10) << strong.out;
  EXPECT_EQ(readFile(s.at("o.qdimacs")), "p cnf 0 0\n");
  EXPECT_EQ(readFile(s.at("result1")), "SAT");
  EXPECT_EQ(run(s, {"--strong", "--mapped-output", "f.qdimacs"}).status, 1);
  // Without the option the classic statuses stand; the false formula is
  // written all the same.
  writeFile(s.at("f.qdimacs"), kEmptiedOnRead);
  unlink(s.at("o.qdimacs").c_str());
  EXPECT_EQ(run(s, {"f.qdimacs", "--output=o.qdimacs"}).status, 1);
  EXPECT_EQ(readFile(s.at("o.qdimacs")), "p cnf 0 1\n0\n");
  writeFile(s.at("f.qdimacs"), kFalse);
  EXPECT_EQ(run(s, {"f.qdimacs"}).status, 0);
}

// The mapped output maps every input literal that the read kept (those of
// variables in some stored clause): to an output literal (the reverse map
// agreeing), to T or F, to "not in reduced theory", or as equivalent to
// another input literal that is mapped; its clauses use only mapped
// literals; and it has the truth value of the input.
std::string mapProblem(const std::string& text, const qbf::Formula& in) {
  std::map<long, std::string> forward;
  std::map<long, long> reverse;
  std::istringstream lines(text);
  std::string line;
  bool inReverse = false;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (line == "c Here is the reverse mapping.") inReverse = true;
    if (!std::regex_match(line, m, std::regex("c (-?[0-9]+)\t\t(.*)"))) continue;
    if (inReverse) reverse[std::stol(m[1])] = std::stol(m[2]);
    else forward[std::stol(m[1])] = m[2];
  }
  for (int v = 1; v <= in.maxVariable(); v++) {
    if (!forward.count(v) && !forward.count(-v)) continue;  // numbered away by the read
    for (long l : {long(-v), long(v)}) {
      if (!forward.count(l)) return "no entry for input literal " + std::to_string(l);
      const std::string& fate = forward[l];
      if (fate == "T" || fate == "F" || fate == "not in reduced theory") continue;
      if (std::regex_match(fate, m, std::regex("equivalent to (-?[0-9]+)"))) {
        if (!forward.count(std::stol(m[1]))) return "equivalent to an unmapped literal: " + fate;
        continue;
      }
      long out = std::stol(fate);
      if (reverse[out] != l || forward[-l] != std::to_string(-out)) return "maps disagree on " + std::to_string(l);
    }
  }
  qbf::Formula written;
  if (!qbf::parse(text, written)) return "the mapped output does not parse";
  for (const auto& c : written.clauses)
    for (int l : c)
      if (!reverse.count(l)) return "clause literal " + std::to_string(l) + " is not mapped";
  if (qbf::evaluate(written) != qbf::evaluate(in)) return "the mapped output changes the truth value";
  return "";
}

TEST(Pipeline, MappedOutputMapsEveryLiteral) {
  Scratch s;
  int checked = 0;
  for (uint64_t seed = 1; seed <= 40; seed++) {
    for (gen::Family family : {gen::Family::EquivalenceCycles, gen::Family::Chains, gen::Family::Mixed}) {
      const std::string text = gen::generate(family, seed);
      writeFile(s.at("f.qdimacs"), text);
      unlink(s.at("f_out.qdimacs").c_str());
      RunResult r = run(s, {"--mapped-output", "f.qdimacs", "--no-result-files"});
      const std::string mapped = readFile(s.at("f_out.qdimacs"));
      if (r.status != 0 || mapped.empty() || mapped.find("s SATISFIABLE") != std::string::npos) continue;
      qbf::Formula in;
      ASSERT_TRUE(qbf::parse(text, in));
      EXPECT_EQ(mapProblem(mapped, in), "") << text << "---\n" << mapped;
      EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
      checked++;
    }
  }
  EXPECT_GT(checked, 20);
  // The -o name is the mapped file's name.
  writeFile(s.at("f.qdimacs"), kOpen);
  EXPECT_EQ(run(s, {"-o", "m.qdimacs", "--mapped-output", "f.qdimacs"}).status, 0);
  EXPECT_TRUE(fileExists(s.at("m.qdimacs")) && fileExists(s.at("f_outOrig.qdimacs")));
}

}  // namespace
