// End-to-end tests of the command line and the run and of the
// summary and result records.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "driver/e2e_check.h"

namespace {

const char* const kUsage =
    "QBF Preprocessor. qshrink: equivalence reduction and hyper-binary resolution for QDIMACS. \n"
    "Usage: qshrink [input qdimacs filename] \n"
    "       -> output is written to new file \n";

const char* const kInput = "p cnf 3 2\ne 1 0\na 2 0\ne 3 0\n3 -2 1 0\n-1 3 0\n";
const char* const kOutput = "p cnf 3 2\ne 1 0\na 2 0\ne 3 0\n-1 3 0\n1 -2 3 0\n";

// The run of kInput stored under `name`, named by the summary as `recordName`.
Expected normalRun(const std::string& name = "f.qdimacs") {
  return unknownRun(readerLines(3, 1, 1, 3, 1, "3.000", true), kOutput, "3,1,1", name);
}

TEST(CommandLine, NoArgumentsPrintsUsage) {
  Scratch s;
  RunResult r = runQshrink({}, s.dir);
  expectRun(r, s.dir, failedRun(kUsage), {});
}

struct ArgCase {
  std::string name;
  std::vector<std::string> args;  // f.qdimacs holds kInput
  Expected expected;
};
void PrintTo(const ArgCase& c, std::ostream* os) { *os << c.name; }

std::vector<ArgCase> argCases() {
  Expected usage = failedRun(kUsage);
  auto unreadable = [](const std::string& why) { return failedRun("c Problem reading CNF file.\n", why + "\n"); };
  return {
      {"Plain", {"f.qdimacs"}, normalRun()},
      {"Verbosity0", {"-v", "0", "f.qdimacs"}, normalRun()},
      {"Verbosity2", {"-v", "2", "f.qdimacs"}, normalRun()},
      {"Verbosity3AfterName", {"f.qdimacs", "-v", "3"}, normalRun()},
      {"LongVerbosityOptionCountsAsV", {"-verbose", "1", "f.qdimacs"}, normalRun()},
      {"Verbosity7", {"-v", "7", "f.qdimacs"}, usage},
      {"VerbosityNegative", {"-v", "-1", "f.qdimacs"}, usage},
      {"VerbosityNotANumber", {"-v", "abc", "f.qdimacs"}, usage},
      {"VerbosityWithoutValue", {"f.qdimacs", "-v"}, usage},
      // Two names: the second is read (the first does not exist).
      {"SecondFileNameWins", {"missing.qdimacs", "f.qdimacs"}, normalRun()},
      {"SecondFileNameWinsEvenIfMissing", {"f.qdimacs", "missing.qdimacs"},
       unreadable("qshrink: cannot open missing.qdimacs: No such file or directory")},
      // -o has no effect on the name written (and creates nothing).
      {"OutputOptionHasNoEffect", {"-o", "custom.qdimacs", "f.qdimacs"}, normalRun()},
      // Other arguments beginning with a single '-' are file names, but for
      // "-" alone, which reads standard input (empty here).
      {"DashAloneReadsStandardInput", {"-"},
       failedRun("Problems finding parameter line in input -c Problem reading CNF file.\n",
                 "qshrink: -: not a QDIMACS file (no \"p cnf\" line)\n")},
      {"UnknownOptionIsAFileName", {"-x", "f.qdimacs", "-x"},
       unreadable("qshrink: cannot open -x: No such file or directory")},
      {"OnlyOptionsNoFile", {"-v", "1"}, unreadable("qshrink: no input file given")},
  };
}

class Args : public ::testing::TestWithParam<ArgCase> {};

TEST_P(Args, RunMatches) {
  Scratch s;
  writeFile(s.at("f.qdimacs"), kInput);
  RunResult r = runQshrink(GetParam().args, s.dir);
  expectRun(r, s.dir, GetParam().expected, {"f.qdimacs"});
}

INSTANTIATE_TEST_SUITE_P(E2E, Args, ::testing::ValuesIn(argCases()), [](const auto& info) { return info.param.name; });

// Names of the input: the path given, the base name the summary records and
// the output file written in the working directory.
struct NameCase {
  std::string name;
  std::string path;     // relative to the working directory; directories are created
  std::string base;     // name in the record
  std::string outName;  // output file in the working directory
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

std::vector<NameCase> nameCases() {
  return {
      {"SlashPathCutToBaseName", "sub/dir/in.qdimacs", "in.qdimacs", "in_outOrig.qdimacs"},
      {"DotOnlyInDirectory", "sub.d/plain", "plain", "plain_outOrig.qdimacs"},
      {"NameWithoutDot", "plain", "plain", "plain_outOrig.qdimacs"},
      {"NameWithTwoDots", "a.b.c", "a.b.c", "a.b_outOrig.qdimacs"},
      {"NameStartingWithDot", ".hidden", ".hidden", "_outOrig.qdimacs"},
      {"BackslashPathCutToBaseName", "win\\dir\\in.qdimacs", "in.qdimacs", "in_outOrig.qdimacs"},
      {"BackslashIgnoredWhenSlashPresent", "sub/x\\y.qdimacs", "x\\y.qdimacs", "x\\y_outOrig.qdimacs"},
  };
}

class Names : public ::testing::TestWithParam<NameCase> {};

TEST_P(Names, OutputAndRecordUseBaseName) {
  const NameCase& c = GetParam();
  Scratch s;
  std::filesystem::path p = std::filesystem::path(s.dir) / c.path;
  std::filesystem::create_directories(p.parent_path());
  writeFile(p.string(), kInput);
  RunResult r = runQshrink({c.path}, s.dir);
  std::string top = c.path.substr(0, c.path.find('/'));
  Expected e = normalRun(c.base);
  e.outName = c.outName;
  e.out = readerLines(3, 1, 1, 3, 1, "3.000", true) + outputLine(c.outName);
  expectRun(r, s.dir, e, {top});
}

INSTANTIATE_TEST_SUITE_P(E2E, Names, ::testing::ValuesIn(nameCases()), [](const auto& info) { return info.param.name; });

TEST(CommandLine, AbsolutePathWritesIntoWorkingDirectory) {
  Scratch in, work;
  writeFile(in.at("abs.qdimacs"), kInput);
  RunResult r = runQshrink({in.at("abs.qdimacs")}, work.dir);
  expectRun(r, work.dir, normalRun("abs.qdimacs"), {});
  EXPECT_EQ(listDir(in.dir), std::vector<std::string>{"abs.qdimacs"});
}

TEST(CommandLine, DirectoryAsInputCannotBeRead) {
  Scratch s;
  std::filesystem::create_directory(s.at("d.qdimacs"));
  RunResult r = runQshrink({"d.qdimacs"}, s.dir);
  expectRun(r, s.dir, failedRun("c Problem reading CNF file.\n", "qshrink: cannot open d.qdimacs: is a directory\n"),
            {"d.qdimacs"});
}

// An existing output file is replaced whole.
TEST(Run, ExistingOutputFileIsReplaced) {
  Scratch s;
  std::string junk(10000, 'x');
  writeFile(s.at("f_outOrig.qdimacs"), junk);
  RunResult r = runOnText(kInput, s.dir);
  expectRun(r, s.dir, normalRun(), {"f.qdimacs"});
}

// Two runs in one directory: two records, result1 holds the second word.
TEST(Run, TwoRunsAppendTwoRecords) {
  Scratch s;
  writeFile(s.at("f.qdimacs"), kInput);
  writeFile(s.at("g.qdimacs"), "p cnf 1 1\n0\n");
  RunResult r1 = runQshrink({"f.qdimacs"}, s.dir);
  RunResult r2 = runQshrink({"g.qdimacs"}, s.dir);
  EXPECT_EQ(r1.status, 0);
  EXPECT_EQ(r2.status, 0);
  EXPECT_EQ(r1.err + r2.err, "");
  EXPECT_EQ(readFile(s.at("result1")), "UNSAT");
  std::string records = readFile(s.at("preprocessor_b.dat"));
  EXPECT_TRUE(std::regex_match(records, std::regex("f\\.qdimacs,-1,3,1,1,0,0,0,[0-9]+\\.[0-9]{3}\n"
                                                   "g\\.qdimacs,0,0,0,0,0,0,0,[0-9]+\\.[0-9]{3}\n")))
      << records;
  EXPECT_EQ(readFile(s.at("f_outOrig.qdimacs")), kOutput);
  EXPECT_EQ(listDir(s.dir), (std::vector<std::string>{"f.qdimacs", "f_outOrig.qdimacs", "g.qdimacs",
                                                      "preprocessor_b.dat", "result1"}));
}

// The output file cannot be created (its name is longer than a file name
// may be): error message, status 1, no summary, no result files, no
// temporary file.
TEST(Run, OutputFileThatCannotBeCreated) {
  Scratch s;
  std::string stem(240, 'x');
  std::string outName = stem + "_outOrig.qdimacs";
  writeFile(s.at(stem + ".qdimacs"), kInput);
  RunResult r = runQshrink({stem + ".qdimacs"}, s.dir);
  Expected e = failedRun(readerLines(3, 1, 1, 3, 1, "3.000", true) + outputLine(outName) + "ERROR: Failed to open " +
                         outName + ".\n");
  expectRun(r, s.dir, e, {stem + ".qdimacs"});
}

// An output name of 250 characters is a valid file name; the temporary file
// it is written under must fit as well.
TEST(Run, LongestValidOutputNameIsWritten) {
  Scratch s;
  std::string stem(234, 'x');
  writeFile(s.at(stem + ".qdimacs"), kInput);
  RunResult r = runQshrink({stem + ".qdimacs"}, s.dir);
  expectRun(r, s.dir, normalRun(stem + ".qdimacs"), {stem + ".qdimacs"});
}

}  // namespace
