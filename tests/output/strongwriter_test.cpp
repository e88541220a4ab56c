// The QDIMACS writer of the strong mode's plain problem: dense numbering of
// the variables in clauses, the prefix restricted and merged, free
// variables outermost, and the degenerate formulas.
#include <gtest/gtest.h>

#include <cstdio>

#include "output/strongwriter.h"
#include "strong/qbfbridge.h"

namespace {

strong::Problem problem(int32_t vars, std::vector<strong::Block> blocks, std::vector<std::vector<int32_t>> clauses) {
  strong::Problem p;
  p.numVars = vars;
  p.blocks = std::move(blocks);
  p.clauses = std::move(clauses);
  return p;
}

TEST(StrongWriter, RenumbersAndMergesTheRestrictedPrefix) {
  // 2 and 6 occur nowhere; without 6 the two universal blocks meet; 4 is free.
  strong::Problem p = problem(9, {{false, {3}}, {true, {5}}, {false, {6}}, {true, {7, 2}}, {false, {9, 1}}},
                              {{3, -5, 9}, {-7, 1, 4}, {9, -1}});
  EXPECT_EQ(bridge::written(p),
            "p cnf 6 3\n"
            "e 3 2 0\n"  // free 4 (now 3) joins the first existential line
            "a 4 5 0\n"
            "e 6 1 0\n"
            "2 -4 6 0\n-5 1 3 0\n6 -1 0\n");
}

TEST(StrongWriter, FreeVariablesGetTheirOwnOutermostLine) {
  strong::Problem p = problem(3, {{true, {1}}, {false, {2}}}, {{1, 2, 3}});
  EXPECT_EQ(bridge::written(p), "p cnf 3 1\ne 3 0\na 1 0\ne 2 0\n1 2 3 0\n");
  // Nothing quantified occurs: no prefix at all.
  strong::Problem q = problem(3, {{true, {1}}}, {{2, -3}});
  EXPECT_EQ(bridge::written(q), "p cnf 2 1\n1 -2 0\n");
}

TEST(StrongWriter, DegenerateFormulas) {
  EXPECT_EQ(bridge::written(problem(5, {{true, {1}}}, {})), "p cnf 0 0\n");
  EXPECT_EQ(bridge::written(problem(0, {}, {{}})), "p cnf 0 1\n0\n");
  // A variable named twice belongs to its last block.
  EXPECT_EQ(bridge::written(problem(2, {{true, {1}}, {false, {2, 1}}}, {{1, 2}})), "p cnf 2 1\ne 2 1 0\n1 2 0\n");
}

TEST(StrongWriter, ReportsAWriteError) {
  FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  strong::Problem p = problem(2, {{false, {1, 2}}}, {{1, 2}});
  EXPECT_FALSE(writeProblem(full, p));
  std::fclose(full);
}

}  // namespace
