// Whole runs of the binary on formulas decided or simplified by unit
// propagation and universal reduction. The truth of a small formula is
// checked by trying every assignment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/e2e_check.h"
#include "support/harness.h"

namespace {

// Truth of a small QDIMACS formula. Variables in no quantifier line are
// existential and quantified outside every block.
bool qbfTrue(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  std::vector<std::pair<bool, std::vector<int>>> blocks;  // (existential, variables)
  std::vector<std::vector<int>> clauses;
  std::vector<int> current;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::string first;
    if (!(ls >> first) || first == "c" || first == "p") continue;
    if (first == "e" || first == "a") {
      blocks.push_back({first == "e", {}});
      for (int v; ls >> v && v != 0;) blocks.back().second.push_back(v);
      continue;
    }
    std::istringstream all(line);
    for (int l; all >> l;) {
      if (l == 0) {
        clauses.push_back(current);
        current.clear();
      } else {
        current.push_back(l);
      }
    }
  }
  std::map<int, bool> existential;  // in quantifier order
  std::vector<int> order;
  for (const auto& c : clauses)
    for (int l : c) {
      int v = std::abs(l);
      bool quantified = false;
      for (const auto& b : blocks)
        for (int w : b.second) quantified |= w == v;
      if (!quantified && !existential.count(v)) {
        existential[v] = true;
        order.push_back(v);
      }
    }
  for (const auto& b : blocks)
    for (int v : b.second)
      if (!existential.count(v)) {
        existential[v] = b.first;
        order.push_back(v);
      }
  std::map<int, bool> value;
  std::function<bool(size_t)> eval = [&](size_t i) -> bool {
    if (i == order.size()) {
      for (const auto& c : clauses) {
        bool sat = false;
        for (int l : c) sat |= value[std::abs(l)] == (l > 0);
        if (!sat) return false;
      }
      return true;
    }
    int v = order[i];
    value[v] = true;
    bool r = eval(i + 1);
    if (r == existential[v]) return r;
    value[v] = false;
    return eval(i + 1);
  };
  return eval(0);
}

// Splits the summary line off the standard output of a run.
struct Output {
  std::string body;
  std::string summary;
};

Output split(const std::string& out) {
  size_t cut = out.rfind('\n', out.size() >= 2 ? out.size() - 2 : 0);
  if (cut == std::string::npos) return {"", out};
  return {out.substr(0, cut + 1), out.substr(cut + 1)};
}

bool summaryIs(const std::string& summary, const std::string& outcome) {
  return std::regex_match(summary, std::regex("[0-9]+\\.[0-9]{3} " + outcome + " \n"));
}

const char* const kHeader1 =
    "c Inital problem has 1 variables, 2 nary clauses (0 binary clauses), 0 Quantifier Alternations.\n"
    "c Num non-binary clauses 0, Average non-binary clause length 0.000\n"
    "c Theory has no gaps\n";

}  // namespace

TEST(EndToEnd, BruteForceCheckerKnowsTheQuantifiers) {
  EXPECT_TRUE(qbfTrue("p cnf 2 2\na 1 0\ne 2 0\n1 2 0\n-1 -2 0\n"));
  EXPECT_FALSE(qbfTrue("p cnf 2 2\ne 2 0\na 1 0\n1 2 0\n-1 -2 0\n"));
  EXPECT_FALSE(qbfTrue("p cnf 2 2\na 1 0\n1 2 0\n-1 -2 0\n"));  // 2 is free: outermost
}

TEST(EndToEnd, ContradictingUnits) {
  Scratch scratch;
  const std::string& dir = scratch.dir;
  RunResult r = runOnText("p cnf 1 2\n1 0\n-1 0\n", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  Output o = split(r.out);
  EXPECT_EQ(o.body, std::string(kHeader1) + "c CONTRADICTION found(2)!\n");
  EXPECT_TRUE(summaryIs(o.summary, "UNSAT")) << o.summary;
  EXPECT_FALSE(fileExists(dir + "/f_outOrig.qdimacs"));
  EXPECT_EQ(readFile(dir + "/result1"), "UNSAT");
}

TEST(EndToEnd, UniversalUnit) {
  Scratch scratch;
  const std::string& dir = scratch.dir;
  RunResult r = runOnText("p cnf 2 2\na 1 0\ne 2 0\n1 0\n1 2 0\n", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  Output o = split(r.out);
  EXPECT_EQ(o.body,
            "c Inital problem has 2 variables, 1 nary clauses (1 binary clauses), 2 Quantifier Alternations.\n"
            "c Num non-binary clauses 0, Average non-binary clause length 0.000\n"
            "c Theory has no gaps\n"
            "c CONTRADICTION found(4)!\n");
  EXPECT_TRUE(summaryIs(o.summary, "UNSAT")) << o.summary;
  EXPECT_FALSE(fileExists(dir + "/f_outOrig.qdimacs"));
}

TEST(EndToEnd, ClauseEmptiedByUniversalReduction) {
  Scratch scratch;
  const std::string& dir = scratch.dir;
  RunResult r = runOnText("p cnf 4 3\ne 1 0\na 2 3 0\ne 4 0\n2 3 4 0\n1 4 0\n-4 0\n", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  Output o = split(r.out);
  EXPECT_EQ(o.body,
            "c Inital problem has 4 variables, 2 nary clauses (1 binary clauses), 3 Quantifier Alternations.\n"
            "c Num non-binary clauses 1, Average non-binary clause length 3.000\n"
            "c Theory has no gaps\n"
            "\n Empty Clause detected during universalReduction! \n"
            "c CONTRADICTION found! 8\n");
  EXPECT_TRUE(summaryIs(o.summary, "UNSAT")) << o.summary;
  EXPECT_EQ(readFile(dir + "/result1"), "UNSAT");
}

TEST(EndToEnd, TrueFormulaWithAReducedClauseStaysTrue) {
  const std::string f =
      "p cnf 8 6\ne 1 2 7 0\na 4 0\ne 3 6 8 0\n1 2 7 -4 3 0\n-3 0\n-4 6 0\n-6 -1 0\n-4 8 0\n-8 -2 0\n";
  ASSERT_TRUE(qbfTrue(f));
  Scratch scratch;
  const std::string& dir = scratch.dir;
  RunResult r = runOnText(f, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(summaryIs(split(r.out).summary, "UNKNOWN")) << r.out;
  ASSERT_TRUE(fileExists(dir + "/f_outOrig.qdimacs"));
  EXPECT_TRUE(qbfTrue(readFile(dir + "/f_outOrig.qdimacs"))) << readFile(dir + "/f_outOrig.qdimacs");
}

TEST(EndToEnd, FalseFormulaWithAUnitFromReductionStaysFalse) {
  const std::string f = "p cnf 3 3\ne 1 0\na 2 0\ne 3 0\n1 2 3 0\n-3 0\n-1 0\n";
  ASSERT_FALSE(qbfTrue(f));
  Scratch scratch;
  const std::string& dir = scratch.dir;
  RunResult r = runOnText(f, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  std::string summary = split(r.out).summary;
  if (summaryIs(summary, "UNSAT")) {
    EXPECT_FALSE(fileExists(dir + "/f_outOrig.qdimacs"));
  } else {
    EXPECT_TRUE(summaryIs(summary, "UNKNOWN")) << summary;
    ASSERT_TRUE(fileExists(dir + "/f_outOrig.qdimacs"));
    EXPECT_FALSE(qbfTrue(readFile(dir + "/f_outOrig.qdimacs"))) << readFile(dir + "/f_outOrig.qdimacs");
  }
}

TEST(EndToEnd, UnitEditingALongListEndsCleanly) {
  // 2 is a unit and 1 has 100 binary partners: the edit goes through the
  // list's side index, which must not outlive the run as a leak.
  std::string f = "p cnf 101 101\n";
  for (int k = 2; k <= 101; k++) f += "-1 " + std::to_string(k) + " 0\n";
  f += "2 0\n";
  Scratch scratch;
  const std::string& dir = scratch.dir;
  RunResult r = runOnText(f, dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(summaryIs(split(r.out).summary, "UNKNOWN")) << r.out;
}
