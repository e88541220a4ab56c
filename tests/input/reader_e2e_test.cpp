// End-to-end tests of the QDIMACS reader, seen through the whole
// run: statistics lines, written formula, summary, result files and status.
// Every case runs twice, once with LF and once with CRLF line ends; both
// must give the same result.
#include <gtest/gtest.h>

#include "driver/e2e_check.h"

namespace {

const Expected kUnsat = unsatAtRead();

std::vector<TextCase> readerCases() {
  return {
      // Comments, blank lines and any line not starting with 'p' (also one
      // indented 'p' line) are skipped before the parameter line. The
      // formula: 3 variables, (1 v -2), (2 v 3 v -1), no prefix.
      {"CommentsAndBlankLinesBeforeParameterLine",
       "c first\n\nc second\n \tp cnf 9 9\nx p\np cnf 3 2\n1 -2 0\n2 3 -1 0\n",
       unknownRun(readerLines(3, 1, 1, 0, 1, "3.000", true), "p cnf 3 2\n1 -2 0\n-1 2 3 0\n", "3,1,1")},
      // After the parameter line a line that starts with 'c' is a comment
      // too, whatever it holds: digits...
      {"CommentWithDigitsAfterParameterLineIsSkipped", "p cnf 3 2\nc 1 -2 0\n2 3 0\n",
       unknownRun(readerLines(3, 0, 1, 0, 0, "0.000", false), "p cnf 2 1\n1 2 0\n", "2,0,1")},
      // ...the letter 'e' of a quantifier line...
      {"CommentWithLetterEAfterParameterLineIsSkipped", "p cnf 2 1\nc e 1 0\n1 2 0\n",
       unknownRun(readerLines(2, 0, 1, 0, 0, "0.000", true), "p cnf 2 1\n1 2 0\n", "2,0,1")},
      // ...or an 'a' followed by a word.
      {"CommentWithLetterAAfterParameterLineIsSkipped", "p cnf 2 1\nc a remark\n1 2 0\n",
       unknownRun(readerLines(2, 0, 1, 0, 0, "0.000", true), "p cnf 2 1\n1 2 0\n", "2,0,1")},
      // Each quantifier line is its own block, also after a line of the same
      // kind: 4 lines, 4 alternations; neighbouring e blocks share one
      // output line.
      {"RepeatedExistentialLinesAreSeparateBlocks", "p cnf 4 2\ne 1 0\ne 2 0\na 3 0\ne 4 0\n1 3 4 0\n2 -3 4 0\n",
       unknownRun(readerLines(4, 2, 0, 4, 2, "3.000", true), "p cnf 4 2\ne 1 2 0\na 3 0\ne 4 0\n2 -3 4 0\n1 3 4 0\n",
                  "4,2,0")},
      // Two universal lines: 2 is at level 1, so (1 v 2) loses 2 (level 0
      // universals are never removed) and becomes the unit (1), which, being
      // universal, proves the formula false.
      {"RepeatedUniversalLinesAreSeparateBlocks", "p cnf 3 2\na 1 0\na 2 0\ne 3 0\n1 2 0\n1 2 3 0\n",
       unsatRun(readerLines(3, 2, 0, 3, 1, "3.000", true) + "c CONTRADICTION found(4)!\n", "3,1,0")},
      // Variable 1 listed twice keeps its last line (existential, level 2):
      // (1 v 2) is not reduced.
      {"VariableListedTwiceKeepsItsLastLine", "p cnf 2 1\ne 1 0\na 2 0\ne 1 0\n1 2 0\n",
       unknownRun(readerLines(2, 0, 1, 3, 0, "0.000", true), "p cnf 2 1\na 2 0\ne 1 0\n1 2 0\n", "2,0,1")},
      // Prefix and clause on one line: the number read after the last
      // quantifier line is given back to the clause section.
      {"PositionRestoredBeforeFirstClause", "p cnf 3 1\na 1 0 e 2 3 0 1 2 3 0\n",
       unknownRun(readerLines(3, 1, 0, 2, 1, "3.000", true), "p cnf 3 1\na 1 0\ne 2 3 0\n1 2 3 0\n", "3,1,0")},
      // A variable above the announced count in a quantifier line is
      // ignored and the line goes on.
      {"QuantifiedVariableAboveCountIsIgnored", "p cnf 2 1\ne 1 5 2 0\n1 2 0\n",
       unknownRun(readerLines(2, 0, 1, 1, 0, "0.000", true), "p cnf 2 1\ne 1 2 0\n1 2 0\n", "2,0,1")},
      // A token that is not an integer fails the read: taken for the end of
      // the clause, it would make the next clause empty and the formula false.
      {"NonIntegerTokenFailsTheRead", "p cnf 2 2\n1 x 2 0\n1 2 0\n",
       failedRun("Read illegal token \"x\" in line 2 of file!\nc Problem reading CNF file.\n")},
      {"SignWithoutDigitIsNotAnInteger", "p cnf 5 2\n1 - 5 0\n2 0\n",
       failedRun("Read illegal token \"-\" in line 2 of file!\nc Problem reading CNF file.\n")},
      {"NonIntegerTokenInLastClause", "p cnf 2 1\n1 2 x\n",
       failedRun("Read illegal token \"x\" in line 2 of file!\nc Problem reading CNF file.\n")},
      // Fewer clauses than announced: NCLAUSES is lowered to 2, so 2 - 1
      // "nary" clauses are reported, not 5 - 1.
      {"FewerClausesThanAnnounced", "p cnf 3 5\n1 2 0\n2 3 -1 0\n",
       unknownRun(readerLines(3, 1, 1, 0, 1, "3.000", true), "p cnf 3 2\n1 2 0\n-1 2 3 0\n", "3,1,1")},
      // A clause cut off by the end of the input is discarded.
      {"PartialLastClauseIsDiscarded", "p cnf 3 3\n1 2 0\n2 -3",
       unknownRun(readerLines(3, 0, 1, 0, 0, "0.000", false), "p cnf 2 1\n1 2 0\n", "2,0,1")},
      // More clauses than announced: the surplus, garbage included, is never read.
      {"MoreClausesThanAnnounced", "p cnf 3 1\n1 2 0\n2 3 0\nnot read 99 0\n",
       unknownRun(readerLines(3, 0, 1, 0, 0, "0.000", false), "p cnf 2 1\n1 2 0\n", "2,0,1")},
      // Only 2, 4 and 6 of 1..6 occur: no "no gaps" line, they become 1, 2,
      // 3 in their original order, the prefix keeps just them (each at its
      // block).
      {"RenumberingClosesGaps", "p cnf 6 2\ne 6 1 0\na 2 3 0\ne 4 5 0\n6 -4 0\n2 -6 4 0\n",
       unknownRun(readerLines(6, 1, 1, 3, 1, "3.000", false), "p cnf 3 2\ne 3 0\na 1 0\ne 2 0\n-2 3 0\n1 2 -3 0\n",
                  "3,1,1")},
      // Universal reduction at read time, with the universal line first and last.
      {"UniversalOuterThanExistentialKeepsClause", "p cnf 2 1\na 1 0\ne 2 0\n1 2 0\n",
       unknownRun(readerLines(2, 0, 1, 2, 0, "0.000", true), "p cnf 2 1\na 1 0\ne 2 0\n1 2 0\n", "2,0,1")},
      {"UniversalInnerThanExistentialIsReduced", "p cnf 2 1\ne 2 0\na 1 0\n1 2 0\n",
       unknownRun(readerLines(2, 1, 0, 2, 0, "0.000", false), "p cnf 0 0\n", "1,0,0")},
      // Universals only: the level-0 ones stay, the deeper one goes.
      {"LevelZeroUniversalsAreNeverReduced", "p cnf 4 1\na 1 2 0\ne 3 0\na 4 0\n1 2 4 0\n",
       unknownRun(readerLines(4, 0, 1, 3, 0, "0.000", false), "p cnf 2 1\na 1 2 0\n1 2 0\n", "2,0,1")},
      // A free variable (3) is existential at level -1: it is never written
      // into a quantifier line...
      {"FreeVariableIsNotQuantifiedInOutput", "p cnf 3 2\na 1 0\ne 2 0\n1 3 0\n-3 1 2 0\n",
       unknownRun(readerLines(3, 1, 1, 2, 1, "3.000", true), "p cnf 3 2\na 1 0\ne 2 0\n1 3 0\n1 2 -3 0\n", "3,1,1")},
      // ...and, being outside every block, it does not keep a universal of
      // level 1 in its clause.
      {"FreeVariableDoesNotShieldDeeperUniversal", "p cnf 3 1\ne 2 0\na 1 0\n1 3 0\n",
       unknownRun(readerLines(3, 1, 0, 2, 0, "0.000", false), "p cnf 0 0\n", "1,0,0")},
      // 1 1 -2 keeps (1 v -2); 1 -1 is a tautology, dropped but counted;
      // repeated 3 and 2 are dropped.
      {"DuplicatesAndTautologies", "p cnf 3 3\n1 1 -2 0\n1 -1 0\n3 2 3 -1 2 0\n",
       unknownRun(readerLines(3, 2, 1, 0, 1, "3.000", true), "p cnf 3 2\n1 -2 0\n-1 2 3 0\n", "3,1,1")},
      // The empty clause: contradiction, reading stops there (the illegal
      // literal after it is never seen).
      {"EmptyClauseIsContradiction", "p cnf 2 2\n1 2 0\n0\n", kUnsat},
      {"EmptyClauseStopsReading", "p cnf 2 3\n0\n1 99 0\n", kUnsat},
      // A clause of deep universals only is emptied by universal reduction.
      {"ClauseEmptiedByUniversalReductionFailsRead", "p cnf 2 1\ne 1 0\na 2 0\n2 0\n",
       failedRun("\n Empty Clause detected when reading file! \nc Problem reading CNF file.\n")},
  };
}

class Reader : public ::testing::TestWithParam<std::tuple<TextCase, bool>> {};

TEST_P(Reader, RunMatches) { checkTextCase(std::get<0>(GetParam()), std::get<1>(GetParam())); }

INSTANTIATE_TEST_SUITE_P(E2E, Reader, ::testing::Combine(::testing::ValuesIn(readerCases()), ::testing::Bool()),
                         [](const auto& info) {
                           return std::get<0>(info.param).name + (std::get<1>(info.param) ? "_CRLF" : "_LF");
                         });

}  // namespace

// A large variable number in a tiny file: the reader's per-variable table is
// zero-filled memory that costs nothing where it is never touched, so the run
// is quick. (Found by fuzzing: the run took over ten seconds in the sanitizer
// build, filling a gigabyte of table.)
TEST(ReaderLimits, HugeVariableNumberInATinyFile) {
  const std::string dir = makeTempDir();
  writeFile(dir + "/f.qdimacs", "p cnf 100000000 1\ne 67108083 0\n67108083 5 0\n");
  const RunResult r = runQshrink({"f.qdimacs"}, dir, 10);
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // Variable 5 is free (in no quantifier line), so only the other is quantified.
  EXPECT_EQ(readFile(dir + "/f_outOrig.qdimacs"), "p cnf 2 1\ne 2 0\n1 2 0\n") << r.out;
}
