// Bad input: every file of tests/badinput/corpus/ (named after what is wrong
// with it), a few generated cases, and the inconsistent headers of the
// shared malformed/ folder. No run may crash, write to stderr (sanitizer
// reports) or leave a partial or temporary file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "driver/e2e_check.h"
#include "support/shared.h"

namespace fs = std::filesystem;

namespace {

std::string corpusDir() { return testsDir() + "/badinput/corpus"; }

Expected noParamLine(const std::string& file, const char* why = "no \"p cnf\" line") {
  return failedRun("Problems finding parameter line in input " + file + "c Problem reading CNF file.\n",
                   "qshrink: " + file + ": not a QDIMACS file (" + why + ")\n");
}
Expected readFails(const std::string& message) { return failedRun(message + "c Problem reading CNF file.\n"); }
Expected illegalToken(const std::string& token, int line) {
  return readFails("Read illegal token \"" + token + "\" in line " + std::to_string(line) + " of file!\n");
}
Expected tooLarge(const std::string& v) {
  return readFails("Variable " + v + " is larger than the largest supported variable 67108864!\n");
}
Expected noFit(const std::string& token) { return readFails("Number " + token + " in file does not fit in 32 bits!\n"); }

// Expected result of every corpus file, by file name; the run uses the bare
// name, so it is also the record's name.
std::map<std::string, Expected> corpusExpectations() {
  std::map<std::string, Expected> m;
  for (const char* f : {"empty_file.qdimacs", "no_p_line.qdimacs", "p_line_indented.qdimacs", "binary_garbage.qdimacs"})
    m[f] = noParamLine(f);
  m["p_line_only_letter.qdimacs"] = noParamLine("p_line_only_letter.qdimacs", "the \"p cnf\" line ends early");
  auto ok = [&](const char* f, const std::string& reader, const std::string& out, const std::string& counts) {
    m[f] = unknownRun(reader, out, counts, f);
  };
  std::string nothing = readerLines(0, 0, 0, 0, 0, "0.000", true);
  ok("p_line_without_counts.qdimacs", nothing, "p cnf 0 0\n", "0,0,0");
  ok("truncated_mid_p_line.qdimacs", readerLines(5, 0, 0, 0, 0, "0.000", false), "p cnf 0 0\n", "0,0,0");
  // Unreadable counts stay 0: no clause is read at all.
  ok("p_line_counts_not_numbers.qdimacs", nothing, "p cnf 0 0\n", "0,0,0");
  m["negative_var_count.qdimacs"] = readFails("Illegal parameters specified, #vars = -3, #clauses = 1!\n");
  m["negative_clause_count.qdimacs"] = readFails("Illegal parameters specified, #vars = 3, #clauses = -1!\n");
  m["var_count_too_big_for_32_bits.qdimacs"] = noFit("4294967296");
  m["var_count_int_max.qdimacs"] = tooLarge("2147483647");
  ok("clause_count_far_too_high.qdimacs", readerLines(2, 0, 1, 0, 0, "0.000", true), "p cnf 2 1\n1 2 0\n", "2,0,1");
  m["zero_vars_with_clause.qdimacs"] = readFails("Read illegal literal 1 in file, #vars = 0!\n");
  m["huge_literal.qdimacs"] = noFit("99999999999");
  m["literal_below_int_min.qdimacs"] = noFit("-2147483649");
  m["literal_int_min.qdimacs"] = readFails("Read illegal literal -2147483648 in file, #vars = 2!\n");
  m["literal_beyond_var_count.qdimacs"] = readFails("Read illegal literal 3 in file, #vars = 2!\n");
  m["negative_literal_beyond_var_count.qdimacs"] = readFails("Read illegal literal -3 in file, #vars = 2!\n");
  m["clause_var_above_supported_limit.qdimacs"] = tooLarge("67108865");
  m["quantifier_var_above_supported_limit.qdimacs"] = tooLarge("67108865");
  m["quantifier_number_too_big.qdimacs"] = noFit("99999999999");
  ok("quantifier_var_out_of_range.qdimacs", readerLines(2, 0, 1, 1, 0, "0.000", true), "p cnf 2 1\ne 1 2 0\n1 2 0\n",
     "2,0,1");
  ok("quantifier_var_zero_only.qdimacs", readerLines(2, 0, 1, 1, 0, "0.000", true), "p cnf 2 1\n1 2 0\n", "2,0,1");
  ok("truncated_mid_prefix.qdimacs", readerLines(3, 0, 0, 1, 0, "0.000", false), "p cnf 0 0\n", "0,0,0");
  ok("truncated_mid_clause.qdimacs", readerLines(3, 0, 1, 0, 0, "0.000", false), "p cnf 2 1\n1 2 0\n", "2,0,1");
  ok("missing_final_zero.qdimacs", readerLines(2, 0, 0, 0, 0, "0.000", false), "p cnf 0 0\n", "0,0,0");
  ok("plus_signed_literal.qdimacs", readerLines(2, 0, 1, 0, 0, "0.000", true), "p cnf 2 1\n1 -2 0\n", "2,0,1");
  // A value below 1 ends a quantifier line, and the 0 after it is a clause
  // of its own: the empty clause, as a lone 0 is.
  for (const char* f : {"quantifier_negative_var.qdimacs", "lone_zero_clause.qdimacs"}) m[f] = unsatAtRead(f);
  // Text that is not a number fails the read, naming the text and its line.
  m["quantifier_letters.qdimacs"] = illegalToken("x", 2);
  m["letters_in_clause.qdimacs"] = illegalToken("x", 3);
  m["sign_without_digit.qdimacs"] = illegalToken("-", 2);
  m["nul_byte_inside_clause.qdimacs"] = illegalToken("\\x002", 2);
  m["garbage_after_p_line.qdimacs"] = illegalToken("\\x01\\x02\\xFF\\xFE", 2);
  m["prefix_after_clauses.qdimacs"] = illegalToken("e", 3);
  m["token_longer_than_shown.qdimacs"] = illegalToken("x2345678901234567890123456789012...", 3);
  m["quantifier_word.qdimacs"] = illegalToken("exists", 2);
  ok("comment_between_clauses.qdimacs", readerLines(3, 0, 3, 1, 0, "0.000", true),
     "p cnf 3 3\ne 1 2 3 0\n2 3 0\n-1 3 0\n1 2 0\n", "3,0,3");
  // Comment lines after the parameter line are skipped wherever they stand,
  // also when they hold a quantifier letter or a number.
  ok("comment_lines_in_body.qdimacs", readerLines(3, 1, 2, 3, 1, "3.000", true), "p cnf 0 0\n", "3,1,2");
  m["clause_only_deep_universals.qdimacs"] = readFails("\n Empty Clause detected when reading file! \n");
  return m;
}

TEST(BadInput, CorpusAndTableMatch) {
  std::vector<std::string> files = listDir(corpusDir());
  std::vector<std::string> names;
  for (const auto& [name, e] : corpusExpectations()) names.push_back(name);
  EXPECT_EQ(files, names);
  EXPECT_GE(files.size(), 25u);
}

class Corpus : public ::testing::TestWithParam<std::string> {};

TEST_P(Corpus, RunMatches) {
  const std::string& file = GetParam();
  Scratch s;
  fs::copy_file(corpusDir() + "/" + file, s.at(file));
  RunResult r = runQshrink({file}, s.dir);
  expectRun(r, s.dir, corpusExpectations().at(file), {file});
}

std::vector<std::string> corpusNames() {
  std::vector<std::string> names;
  for (const auto& [name, e] : corpusExpectations()) names.push_back(name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(E2E, Corpus, ::testing::ValuesIn(corpusNames()), [](const auto& info) {
  return info.param.substr(0, info.param.find('.'));
});

TEST(BadInput, MissingFile) {
  Scratch s;
  expectRun(runQshrink({"missing.qdimacs"}, s.dir), s.dir,
            failedRun("c Problem reading CNF file.\n", "qshrink: cannot open missing.qdimacs: No such file or directory\n"),
            {});
}

TEST(BadInput, DirectoryAsInput) {
  Scratch s;
  fs::create_directory(s.at("dir.qdimacs"));
  expectRun(runQshrink({"dir.qdimacs"}, s.dir), s.dir,
            failedRun("c Problem reading CNF file.\n", "qshrink: cannot open dir.qdimacs: is a directory\n"),
            {"dir.qdimacs"});
}

// A clause of 100,000 literals: read and written whole.
TEST(BadInput, ClauseOf100000Literals) {
  std::string clause;
  for (int v = 1; v <= 100000; v++) clause += std::to_string(v % 2 ? v : -v) + " ";
  clause += "0\n";
  checkTextCase({"huge_clause", "p cnf 100000 1\n" + clause,
                 unknownRun(readerLines(100000, 1, 0, 0, 1, "100000.000", true), "p cnf 100000 1\n" + clause,
                            "100000,1,0")});
}

// An absurd announced count with small variables used runs normally.
TEST(BadInput, AnnouncedTwoBillionVariables) {
  checkTextCase({"two_billion", "p cnf 2000000000 1\n2 -1 0\n",
                 unknownRun(readerLines(2000000000, 0, 1, 0, 0, "0.000", false), "p cnf 2 1\n-1 2 0\n", "2,0,1")});
}

// Checks that a formula file is complete: a header "p cnf V C", quantifier
// lines, then exactly C clause lines of literals within 1..V ended by 0.
void expectCompleteFormula(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  std::smatch m;
  ASSERT_TRUE(std::regex_match(line, m, std::regex("p cnf ([0-9]+) ([0-9]+)"))) << line;
  long vars = std::stol(m[1]), clauses = std::stol(m[2]), seen = 0;
  bool inPrefix = true;
  while (std::getline(in, line)) {
    ASSERT_TRUE(std::regex_match(line, std::regex("([ae] )?(-?[0-9]+ )*0"))) << line;
    bool quantifier = line[0] == 'a' || line[0] == 'e';
    ASSERT_FALSE(quantifier && !inPrefix) << "quantifier line after a clause";
    inPrefix = quantifier;
    std::istringstream items(quantifier ? line.substr(2) : line);
    for (long x; items >> x && x != 0;) {
      EXPECT_LE(std::labs(x), vars);
      EXPECT_TRUE(x > 0 || !quantifier);
    }
    if (!quantifier) seen++;
  }
  EXPECT_EQ(seen, clauses);
  EXPECT_EQ(text.back(), '\n');
}

TEST(BadInput, SharedMalformedHeadersNeverCrash) {
  REQUIRE_SHARED_OR_SKIP();
  fs::path dir = fs::path(sharedDir()) / "malformed";
  int runs = 0;
  for (const std::string& file : listDir(dir.string())) {
    SCOPED_TRACE(file);
    Scratch s;
    fs::copy_file(dir / file, s.at(file));
    RunResult r = runQshrink({file}, s.dir);
    runs++;
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(r.status == 0 || r.status == 1) << "status " << r.status << "\n" << r.out;
    std::string outName = file.substr(0, file.rfind('.')) + "_outOrig.qdimacs";
    std::vector<std::string> expected = {file};
    if (r.status == 0) {
      std::string word = readFile(s.at("result1"));
      EXPECT_TRUE(word == "UNKNOWN" || word == "UNSAT") << word;
      expected.push_back("preprocessor_b.dat");
      expected.push_back("result1");
      if (word == "UNKNOWN") {
        expected.push_back(outName);
        expectCompleteFormula(readFile(s.at(outName)));
      }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listDir(s.dir), expected);
  }
  EXPECT_GT(runs, 0);
}

}  // namespace
