// End-to-end tests of the QDIMACS writer: clause order, literal
// order, prefix restriction and merging, empty results, long clauses.
#include <gtest/gtest.h>

#include "driver/e2e_check.h"

namespace {

std::vector<TextCase> writerCases() {
  return {
      // Two-literal clauses first; within one length the last stored comes
      // first; literals ascending by variable.
      {"ClauseAndLiteralOrder", "p cnf 4 5\n3 1 4 0\n-2 1 0\n4 -3 -1 2 0\n2 1 3 0\n1 2 -4 0\n",
       unknownRun(readerLines(4, 4, 1, 0, 4, "3.250", true),
                  "p cnf 4 5\n1 -2 0\n1 2 -4 0\n1 2 3 0\n1 3 4 0\n-1 2 -3 4 0\n", "4,4,1")},
      // Two stored clauses that are equal are both written (and both counted).
      {"EqualClausesAreBothWritten", "p cnf 2 2\n1 2 0\n2 1 0\n",
       unknownRun(readerLines(2, 0, 2, 0, 0, "0.000", true), "p cnf 2 2\n1 2 0\n1 2 0\n", "2,0,2")},
      // e{1} a{2} e{3 4} with 2 gone is one e line.
      {"ExistentialBlocksMergeWhenUniversalVanishes",
       "p cnf 4 3\ne 1 0\na 2 0\ne 3 4 0\n1 3 4 0\n-1 -3 -4 0\n1 -3 4 0\n",
       unknownRun(readerLines(4, 3, 0, 3, 3, "3.000", false), "p cnf 3 3\ne 1 2 3 0\n1 -2 3 0\n-1 -2 -3 0\n1 2 3 0\n",
                  "3,3,0")},
      {"UniversalBlocksMergeWhenExistentialVanishes", "p cnf 4 1\na 1 0\ne 2 0\na 3 0\ne 4 0\n1 3 4 0\n",
       unknownRun(readerLines(4, 1, 0, 4, 1, "3.000", false), "p cnf 3 1\na 1 2 0\ne 3 0\n1 2 3 0\n", "3,1,0")},
      // No prefix: no quantifier lines at all.
      {"PlainCnfHasNoQuantifierLines", "p cnf 3 2\n-3 -2 -1 0\n3 1 0\n",
       unknownRun(readerLines(3, 1, 1, 0, 1, "3.000", true), "p cnf 3 2\n1 3 0\n-1 -2 -3 0\n", "3,1,1")},
      // Everything dropped (a tautology and a unit): header only.
      {"AllClausesGoneGivesEmptyFormula", "p cnf 2 2\n1 -1 0\n2 0\n",
       unknownRun(readerLines(2, 2, 0, 0, 0, "0.000", false), "p cnf 0 0\n", "1,0,0")},
      {"OnlyTautologiesGivesEmptyFormula", "p cnf 2 1\ne 1 0\na 2 0\n1 -1 2 0\n",
       unknownRun(readerLines(2, 1, 0, 2, 0, "0.000", false), "p cnf 0 0\n", "0,0,0")},
      // Unit clauses are never written, but their variables stay in the
      // store's numbering; the writer numbers only what it writes.
      {"UnitClausesAreNotWritten", "p cnf 3 2\ne 1 2 3 0\n3 0\n1 2 0\n",
       unknownRun(readerLines(3, 1, 1, 1, 0, "0.000", true), "p cnf 2 1\ne 1 2 0\n1 2 0\n", "3,0,1")},
  };
}

class Writer : public ::testing::TestWithParam<TextCase> {};

TEST_P(Writer, RunMatches) { checkTextCase(GetParam()); }

INSTANTIATE_TEST_SUITE_P(E2E, Writer, ::testing::ValuesIn(writerCases()),
                         [](const auto& info) { return info.param.name; });

// Literals first..last (negated if `negate`), in increasing or decreasing
// order, as a clause line.
std::string clauseLine(int first, int last, bool negate, bool descending = false) {
  std::string s;
  for (int k = 0; k <= last - first; k++) s += std::to_string((negate ? -1 : 1) * (descending ? last - k : first + k)) + " ";
  return s + "0\n";
}

// Clauses of 255 and 300 literals both go to list 255 (last stored first);
// one of 254 literals has its own list, written before it.
TEST(Writer, ClausesOf254_255And300Literals) {
  std::string input =
      "p cnf 300 3\n" + clauseLine(1, 255, false) + clauseLine(1, 300, true) + clauseLine(1, 254, false, true);
  std::string output =
      "p cnf 300 3\n" + clauseLine(1, 254, false) + clauseLine(1, 300, true) + clauseLine(1, 255, false);
  checkTextCase({"long", input, unknownRun(readerLines(300, 3, 0, 0, 3, "269.667", true), output, "300,3,0")});
}

}  // namespace
