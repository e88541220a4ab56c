// The reader reads its file a window at a time. Whatever falls on the
// boundary between two windows (white space, a sign, the digits of a number,
// the text given back after the last quantifier line) must read as it does
// away from one, and a token longer than the window must be read whole.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "driver/reset.h"
#include "input/readproblem.h"
#include "input/scanner.h"
#include "store/store.h"
#include "support/fixture.h"
#include "support/harness.h"

namespace {

// Everything the read leaves behind that a later step looks at.
std::string readOutcome(const std::string& text) {
  resetAllState();
  std::ostringstream out;
  out << "ok " << readText(text) << " contradiction " << CONTRADICTION << " vars " << NVARS << " clauses " << NCLAUSES
      << " nary " << NUMNCLS << " blocks " << NMAXPREFIXLEVEL << "\n";
  for (int k = 1; k < NUM_CLAUSE_LISTS; k++)
    for (const ClauseListNode* n = lenNclauses[k]; n != nullptr; n = n->next) {
      for (int32_t j = 0; j < n->len; j++) out << n->lits[j] << " ";
      out << "\n";
    }
  if (NLITS > 0 && nArrPrefixLevel != nullptr)
    for (int32_t i = 0; i < NLITS; i++) out << nArrPrefixLevel[i] << bArrExistential[i] << " ";
  return out.str();
}

// What the reader prints for `text`.
std::string readMessages(const std::string& text) {
  static const std::string dir = makeTempDir();
  const std::string path = dir + "/in.qdimacs";
  writeFile(path, text);
  resetAllState();
  CaptureStdout capture;
  readProblem(path);
  return capture.text();
}

// `text` behind a comment line that puts the first window boundary `at`
// bytes into it.
std::string behindBoundary(const std::string& text, size_t at) {
  std::string comment = "c";
  comment.append(READ_WINDOW - at - 1 - 1, 'x');
  comment += "\n";
  return comment + text;
}

}  // namespace

TEST(ReadWindow, EveryBoundaryPositionReadsAlike) {
  const std::string formulas[] = {
      // Prefix and clause on one line: the number after the last quantifier
      // line is given back to the clauses.
      "p cnf 3 2\na 1 0 e 2 3 0 1 -2 3 0\n-1 +2 0\n",
      // A sign without digits fails the read.
      "p cnf 5 2\n1 - 5 0\n2 0\n",
      // Comment lines between quantifier lines and between clauses.
      "p cnf 3 2\ne 1 0\nc a 2 0\na 2 0\nc 1 0\ne 3 0\n1 2 3 0\nc e\n-1 3 0\n",
      // Long white space, a long number, a number out of range.
      "p cnf 12 2\ne 12 0\n\t \t  000000000012 -3 0\n 1 4294967296 0\n",
  };
  for (const std::string& text : formulas) {
    const std::string expected = readOutcome(text);
    for (size_t at = 0; at <= text.size(); at++)
      EXPECT_EQ(readOutcome(behindBoundary(text, at)), expected) << "boundary at " << at << " of\n" << text;
  }
}

TEST(ReadWindow, MessagesAtTheBoundaryAreTheSame) {
  const std::string text = "p cnf 3 2\n1 2 0\n-1 99999999999 0\n";
  const std::string expected = readMessages(text);
  ASSERT_NE(expected.find("Number 99999999999 in file does not fit in 32 bits!"), std::string::npos) << expected;
  for (size_t at = 16; at <= text.size(); at++)
    EXPECT_EQ(readMessages(behindBoundary(text, at)), expected) << "boundary at " << at;
}

TEST(ReadWindow, LineNumbersCountAcrossWindows) {
  const std::string text = "p cnf 3 2\n1 2 0\n\n-1 x 0\n";
  EXPECT_EQ(readMessages(text), "Read illegal token \"x\" in line 4 of file!\n");
  // The comment line in front adds one line, wherever the boundary falls.
  for (size_t at = 0; at <= text.size(); at++)
    EXPECT_EQ(readMessages(behindBoundary(text, at)), "Read illegal token \"x\" in line 5 of file!\n") << "boundary at " << at;
}

TEST(ReadWindow, TokensLongerThanTheWindowAreReadWhole) {
  // A number of two windows' worth of leading zeros is a small number.
  const std::string zeros(2 * READ_WINDOW + 5, '0');
  EXPECT_EQ(readOutcome("p cnf 3 1\n" + zeros + "1 2 3 0\n"), readOutcome("p cnf 3 1\n1 2 3 0\n"));
  // A number of that many digits is out of range, and shown cut, as is
  // any other token.
  const std::string digits = "1" + zeros;
  EXPECT_EQ(readMessages("p cnf 3 1\n" + digits + " 2 3 0\n"),
            "Number " + digits.substr(0, 32) + "... in file does not fit in 32 bits!\n");
  EXPECT_EQ(readMessages("p cnf 3 1\n1 x" + zeros + " 0\n"),
            "Read illegal token \"x" + zeros.substr(0, 31) + "...\" in line 2 of file!\n");
}
