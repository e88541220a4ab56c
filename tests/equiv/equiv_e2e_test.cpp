// Whole runs of the qshrink binary on formulas decided or simplified by
// equivalence reduction: the contradictions of the component search and of
// substitution, and the two formulas behind the deliberate repairs of the
// document's rules (one true, which the document's search reported false;
// one false, on which the document's n-ary substitution hit the writer's
// assertion).
#include <gtest/gtest.h>

#include <string>

#include "driver/e2e_check.h"
#include "support/harness.h"
#include "support/qbf.h"

namespace {

// One run of `text` as f.qdimacs in a fresh directory, checked completely.
void checkRun(const std::string& text, const Expected& e) {
  Scratch s;
  RunResult r = runOnText(text, s.dir);
  expectRun(r, s.dir, e, {"f.qdimacs"});
}

bool truthOf(const std::string& text) {
  qbf::Formula f;
  std::string error;
  EXPECT_TRUE(qbf::parse(text, f, &error)) << error << "\n" << text;
  return qbf::evaluate(f);
}

// Repair 1: the true formula that the document's search reported false.
const char* const kRepair1 =
    "p cnf 7 7\ne 1 2 5 7 0\na 3 0\ne 4 6 0\n-1 -2 0\n6 2 0\n-7 -5 -4 0\n1 -6 0\n7 6 0\n4 -3 0\n-6 3 0\n";
// Repair 2: the false formula on which the document's n-ary pass kept a
// clause that universal reduction had cut to two literals.
const char* const kRepair2 =
    "p cnf 8 9\ne 1 2 4 0\na 3 8 0\ne 5 6 7 0\n-3 6 4 0\n-4 5 0\n-7 -5 0\n-2 -7 0\n5 1 0\n1 -5 8 0\n-1 7 0\n7 6 0\n"
    "-6 2 0\n";

}  // namespace

TEST(EquivEndToEnd, Repair1TrueFormulaStaysTrue) {
  ASSERT_TRUE(truthOf(kRepair1));
  Scratch s;
  RunResult r = runOnText(kRepair1, s.dir);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("CONTRADICTION"), std::string::npos) << r.out;
  EXPECT_EQ(readFile(s.at("result1")), "UNKNOWN");
  ASSERT_TRUE(fileExists(s.at("f_outOrig.qdimacs")));
  const std::string written = readFile(s.at("f_outOrig.qdimacs"));
  EXPECT_TRUE(truthOf(written)) << "the output of a true formula is false:\n" << written;
  EXPECT_EQ(r.out.substr(0, r.out.find("\nc Outputting")),
            readerLines(7, 1, 6, 3, 1, "3.000", true));
}

TEST(EquivEndToEnd, Repair2FalseFormulaIsUnsat) {
  ASSERT_FALSE(truthOf(kRepair2));
  checkRun(kRepair2, unsatRun(readerLines(8, 2, 7, 3, 2, "3.000", true) +
                                  "c CONTRADICTION found! 5\nc CONTRADICTION found! 2\n",
                              "8,2,7"));
}

TEST(EquivEndToEnd, TwoUniversalsInOneClass) {
  const std::string text = "p cnf 4 4\na 1 2 0\ne 3 4 0\n-1 3 0\n-3 2 0\n-2 4 0\n-4 1 0\n";
  ASSERT_FALSE(truthOf(text));
  checkRun(text, unsatRun(readerLines(4, 0, 4, 2, 0, "0.000", true) +
                              "c CONTRADICTION found! two universals are equivalent\n",
                          "4,0,4"));
}

TEST(EquivEndToEnd, ExistentialOutsideAnEquivalentUniversal) {
  const std::string text = "p cnf 4 4\ne 1 0\na 2 0\ne 3 4 0\n-1 3 0\n-3 2 0\n-2 4 0\n-4 1 0\n";
  ASSERT_FALSE(truthOf(text));
  checkRun(text, unsatRun(readerLines(4, 0, 4, 3, 0, "0.000", true) +
                              "c CONTRADICTION found! an existential at a lower prefix level is equivalent to a "
                              "universal\n",
                          "4,0,4"));
}

// A literal equivalent to its negation, the class represented by a negative
// literal: the full search reports it.
TEST(EquivEndToEnd, LiteralAndNegationWithNegativeRepresentative) {
  const std::string text = "p cnf 3 4\ne 1 2 3 0\n-1 2 0\n-2 -1 0\n1 3 0\n-3 1 0\n";
  ASSERT_FALSE(truthOf(text));
  checkRun(text, unsatRun(readerLines(3, 0, 4, 1, 0, "0.000", true) +
                              "c CONTRADICTION found! A lit and its neg are in an scc\n",
                          "3,0,4"));
}

// The same class, represented by a positive literal: the binary
// substitution pass queues +2 and then -2, and the queues report it.
TEST(EquivEndToEnd, LiteralAndNegationWithPositiveRepresentative) {
  const std::string text = "p cnf 4 5\ne 1 2 3 4 0\n1 2 0\n-2 3 0\n-3 -2 0\n2 4 0\n-4 2 0\n";
  ASSERT_FALSE(truthOf(text));
  checkRun(text, unsatRun(readerLines(4, 0, 5, 1, 0, "0.000", true) +
                              "c CONTRADICTION found! 2\nc CONTRADICTION found! 5\n",
                          "4,0,5"));
}

// A universal in block 1 equivalent to an existential in block 2 represents
// it: forall u exists e f: (e <-> u), (e v f), (-f v -u v e) is true; after
// substitution the last clause is a tautology and (e v f) becomes (u v f).
// The run goes on and the written formula is true.
TEST(EquivEndToEnd, UniversalRepresentsAnInnerExistential) {
  const std::string text = "p cnf 3 4\na 1 0\ne 2 3 0\n-1 2 0\n-2 1 0\n2 3 0\n-3 -1 2 0\n";
  ASSERT_TRUE(truthOf(text));
  Scratch s;
  RunResult r = runOnText(text, s.dir);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("CONTRADICTION"), std::string::npos) << r.out;
  EXPECT_EQ(readFile(s.at("result1")), "UNKNOWN");
  ASSERT_TRUE(fileExists(s.at("f_outOrig.qdimacs"))) << r.out;
  const std::string written = readFile(s.at("f_outOrig.qdimacs"));
  EXPECT_TRUE(truthOf(written)) << written;
}
