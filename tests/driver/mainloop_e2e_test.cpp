// The main loop on a formula that needs one iteration per stage: each
// hyper-binary resolution pass closes the cycle that the next equivalence
// phase merges, which makes the next resolvent derivable. The loop must run
// through every stage and end.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/harness.h"
#include "support/qbf.h"
#include "support/verdict.h"

namespace {

// Stage k: root r_k with r_k -> -x_k, r_k -> -y_k and the clause
// (x_k v y_k v u_k v v_k); u_k = v_k makes it ternary and lets the probe of
// r_k derive r_k -> u_k, which closes u_(k+1) -> v_(k+1) -> r_k -> u_k -> u_(k+1).
// Stage 0 starts with u_0 = v_0; the source s = 1 leads the probes in.
std::string dominoFormula(int stages) {
  auto var = [](int k, int which) { return 2 + 5 * k + which; };  // which: r x y u v = 0..4
  enum { R, X, Y, U, V };
  std::ostringstream body;
  int clauses = 0;
  auto clause = [&](std::initializer_list<int> lits) {
    for (int l : lits) body << l << " ";
    body << "0\n";
    clauses++;
  };
  clause({-1, var(0, U)});
  clause({-var(0, U), var(0, V)});
  clause({-var(0, V), var(0, U)});
  for (int k = 0; k < stages; k++) {
    clause({-var(k, R), -var(k, X)});
    clause({-var(k, R), -var(k, Y)});
    clause({var(k, X), var(k, Y), var(k, U), var(k, V)});
    if (k > 0) {
      clause({-var(k, U), var(k, V)});
      clause({-var(k, V), var(k - 1, R)});
      clause({-var(k - 1, U), var(k, U)});
    }
  }
  const int vars = 1 + 5 * stages;
  std::ostringstream f;
  f << "p cnf " << vars << " " << clauses << "\ne";
  for (int v = 1; v <= vars; v++) f << " " << v;
  f << " 0\n" << body.str();
  return f.str();
}

int iterationsOf(const std::string& err) {
  const std::string key = "qshrink-stats iterations=";
  size_t at = err.find(key);
  return at == std::string::npos ? -1 : std::atoi(err.c_str() + at + key.size());
}

}  // namespace

TEST(MainLoop, OneIterationPerStageAndTheLoopEnds) {
  const int stages = 40;
  const std::string dir = makeTempDir();
  writeFile(dir + "/f.qdimacs", dominoFormula(stages));
  const RunResult r = runProgram({"env", "QSHRINK_STATS=1", QSHRINK_BIN, "f.qdimacs"}, dir, 120);
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(outcomeOf(r), Outcome::Unknown) << r.out;
  const int iterations = iterationsOf(r.err);
  EXPECT_GE(iterations, stages) << r.err;
  EXPECT_LE(iterations, stages + 2) << r.err;
  ASSERT_TRUE(fileExists(dir + "/f_outOrig.qdimacs"));
  if (!qbf::depqbfAvailable()) GTEST_SKIP() << qbf::depqbfMissingMessage();
  const qbf::Verdict in = qbf::runDepqbf(dir + "/f.qdimacs", 30);
  const qbf::Verdict out = qbf::runDepqbf(dir + "/f_outOrig.qdimacs", 30);
  ASSERT_NE(in, qbf::Verdict::Unknown);
  EXPECT_EQ(in, out);
}
