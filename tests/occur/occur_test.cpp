// The strong mode's clause database: levels from blocks, clauses kept
// reduced and free of fixed literals, exact counts beside the lists, and
// the compaction of levels and clauses.
#include <gtest/gtest.h>

#include <algorithm>

#include "occur/convert.h"
#include "occur/occur.h"
#include "strong/qbfbridge.h"

namespace {

using bridge::Clauses;
using bridge::clausesOf;
using bridge::load;

// The counts and lists agree with the clauses: each count is the number of
// live clauses with the literal, and each of them is listed.
void expectConsistent(const occur::Formula& f) {
  for (int32_t v = 1; v <= f.numVars(); v++)
    for (occur::Lit l : {v, -v}) {
      int32_t live = 0;
      for (occur::ClauseId c = 0; c < f.clauseSlots(); c++) {
        const occur::Clause& clause = f.clause(c);
        if (clause.removed || std::find(clause.lits.begin(), clause.lits.end(), l) == clause.lits.end()) continue;
        live++;
        const std::vector<occur::ClauseId>& list = f.occurrences(l);
        EXPECT_NE(std::find(list.begin(), list.end(), c), list.end()) << "clause " << c << " not listed under " << l;
      }
      EXPECT_EQ(f.count(l), live) << "literal " << l;
    }
}

TEST(OccurLevels, BlocksBecomeLevels) {
  // e 1 | a 2 | a 3 | e 4 | (empty a) | e 5 | a 7, 6 free, 7 named twice (the last counts).
  occur::Formula f = load("p cnf 7 1\ne 1 7 0\na 2 0\na 3 0\ne 4 0\na 0\ne 5 0\na 7 0\n1 2 3 4 5 6 7 0\n");
  EXPECT_EQ(f.numLevels(), 4);
  EXPECT_EQ(f.level(1), 0);  // a leading existential block joins the free variables
  EXPECT_EQ(f.level(6), 0);
  EXPECT_EQ(f.level(2), 1);
  EXPECT_EQ(f.level(3), 1);
  EXPECT_EQ(f.level(7), 3);
  EXPECT_EQ(f.level(4), 2);
  EXPECT_EQ(f.level(5), 2);  // the empty block between vanished
  EXPECT_TRUE(f.universal(-3));
  EXPECT_FALSE(f.universal(6));
}

TEST(OccurAdd, CleansAndReducesClauses) {
  occur::Formula f =
      load("p cnf 5 4\ne 1 0\na 2 0\ne 3 0\na 4 0\ne 5 0\n1 1 -2 3 0\n1 -1 3 0\n-1 3 2 4 0\n3 4 5 4 0\n");
  // The repeated literals go, the tautology goes, 4 is deeper than 3 (but
  // not than 5).
  EXPECT_EQ(clausesOf(f), (Clauses{{-1, 2, 3}, {1, -2, 3}, {3, 4, 5}}));
  expectConsistent(f);
  EXPECT_EQ(f.liveClauses(), 3);
}

TEST(OccurAdd, UnitsAndEmptyClauses) {
  occur::Formula f = load("p cnf 3 2\ne 1 0\na 2 0\n1 2 0\n-1 3 0\n");
  // (1 v 2) reduces to the unit 1, which leaves the unit 3.
  EXPECT_EQ(f.liveClauses(), 0);
  EXPECT_EQ(f.fixedCount(), 2);
  EXPECT_FALSE(f.inconsistent());
  occur::Formula g = load("p cnf 2 1\ne 1 0\na 2 0\n-2 0\n");
  EXPECT_TRUE(g.inconsistent());  // a clause of universals only
}

TEST(OccurPropagate, ShortenedClausesAreReducedAgain) {
  // With 1 false, (1 v 2 v 3) keeps 3 as its only existential, which is
  // outside 2, so 2 goes; the unit 3 shortens (-3 v 4 v 5 v 2).
  occur::Formula f = load("p cnf 5 3\ne 3 0\na 2 0\ne 1 4 5 0\n1 2 3 0\n-3 4 5 2 0\n-1 0\n");
  EXPECT_FALSE(f.inconsistent());
  EXPECT_EQ(clausesOf(f), (Clauses{{2, 4, 5}}));
  expectConsistent(f);
  occur::Formula g = load("p cnf 3 2\na 2 0\ne 1 0\n1 2 0\n-1 0\n");
  EXPECT_TRUE(g.inconsistent());  // (1 v 2) keeps only the universal 2
}

TEST(OccurPropagate, ConflictingUnits) {
  occur::Formula f = load("p cnf 2 3\ne 1 2 0\n1 0\n-1 2 0\n-2 -1 0\n");
  EXPECT_TRUE(f.inconsistent());
}

TEST(OccurEdit, RemoveLiteralKeepsListsExact) {
  occur::Formula f = load("p cnf 4 3\na 1 0\ne 2 3 4 0\n1 2 3 0\n-1 2 4 0\n2 3 4 0\n");
  f.removeLiteral(0, 3);
  EXPECT_EQ(clausesOf(f), (Clauses{{-1, 2, 4}, {1, 2}, {2, 3, 4}}));
  expectConsistent(f);
  // Removing 2 leaves (1): reduced to nothing, a contradiction.
  f.removeLiteral(0, 2);
  EXPECT_TRUE(f.inconsistent());
}

TEST(OccurEdit, LevelsMergeAndClausesCompact) {
  // e 1 | a 2 | e 3 | a 4 | e 5: once 4 and 5 are gone, and 2 with them,
  // everything is existential at level 0.
  occur::Formula f = load("p cnf 5 4\ne 1 0\na 2 0\ne 3 0\na 4 0\ne 5 0\n1 2 3 0\n-1 -3 0\n1 4 5 0\n3 -4 -5 0\n");
  EXPECT_EQ(f.innermostLevel(), 4);
  f.remove(2);
  f.remove(3);
  f.removeLiteral(0, 2);
  EXPECT_EQ(f.innermostLevel(), 2);
  f.relevel();
  EXPECT_EQ(f.numLevels(), 1);
  EXPECT_EQ(f.level(3), 0);
  f.collect();
  EXPECT_EQ(f.clauseSlots(), 2u);
  EXPECT_EQ(clausesOf(f), (Clauses{{-1, -3}, {1, 3}}));
  expectConsistent(f);
}

TEST(OccurConvert, BackToTheProblem) {
  occur::Formula f = load("p cnf 6 3\na 1 0\ne 2 0\na 3 0\ne 4 5 0\n1 2 4 0\n-1 -2 3 5 0\n6 4 -5 0\n");
  strong::Problem p;
  occur::toProblem(f, p);
  EXPECT_EQ(p.numVars, 6);
  ASSERT_EQ(p.blocks.size(), 4u);  // 6 is free and stays so
  EXPECT_TRUE(p.blocks[0].universal);
  EXPECT_EQ(p.blocks[3].vars, (std::vector<int32_t>{4, 5}));
  EXPECT_EQ(p.clauses.size(), 3u);
}

}  // namespace
