// The test oracle itself: the QDIMACS parser, the QBF evaluator, the
// formula generator, and the evaluator against depqbf.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "support/generator.h"
#include "support/harness.h"
#include "support/qbf.h"

namespace {

qbf::Formula parsed(const std::string& text) {
  qbf::Formula f;
  std::string error;
  EXPECT_TRUE(qbf::parse(text, f, &error)) << error << "\n" << text;
  return f;
}

bool truth(const std::string& text) { return qbf::evaluate(parsed(text)); }

void removeTree(const std::string& dir) {
  for (const std::string& name : listDir(dir)) unlink((dir + "/" + name).c_str());
  rmdir(dir.c_str());
}

// Reference semantics without any pruning beyond "a clause is false" and
// "every clause is true": expands every variable of the formula in prefix
// order, free variables first.
bool naiveEvaluate(const qbf::Formula& f) {
  int n = f.maxVariable();
  std::vector<int> level(size_t(n) + 1, 0);
  std::vector<bool> universal(size_t(n) + 1, false);
  for (size_t k = 0; k < f.prefix.size(); k++)
    for (int v : f.prefix[k].vars) {
      level[size_t(v)] = int(k) + 1;
      universal[size_t(v)] = f.prefix[k].kind == qbf::Quant::Forall;
    }
  std::vector<int> order;
  for (int v = 1; v <= n; v++) order.push_back(v);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return level[size_t(a)] < level[size_t(b)]; });
  std::vector<int> value(size_t(n) + 1, -1);
  // 1 every clause true, 0 some clause false, -1 undecided.
  auto state = [&]() {
    bool all = true;
    for (const auto& c : f.clauses) {
      bool sat = false, open = false;
      for (int l : c) {
        int v = value[size_t(std::abs(l))];
        if (v < 0) open = true;
        else if ((v == 1) == (l > 0)) sat = true;
      }
      if (sat) continue;
      if (!open) return 0;
      all = false;
    }
    return all ? 1 : -1;
  };
  std::function<bool(size_t)> go = [&](size_t i) -> bool {
    int s = state();
    if (s >= 0) return s == 1;
    int v = order[i];
    value[size_t(v)] = 0;
    bool r0 = go(i + 1);
    value[size_t(v)] = 1;
    bool r1 = go(i + 1);
    value[size_t(v)] = -1;
    return universal[size_t(v)] ? (r0 && r1) : (r0 || r1);
  };
  return go(0);
}

}  // namespace

// --- parser ---------------------------------------------------------------

TEST(QbfParser, ReadsHeaderPrefixAndClauses) {
  qbf::Formula f = parsed("c a comment\n\np cnf 4 3\ne 1 2 0\na 3 0\ne 4 0\n1 -3 0\n-2 4\n 3 0 -1 0\n");
  EXPECT_EQ(f.numVars, 4);
  EXPECT_EQ(f.numClauses, 3);
  ASSERT_EQ(f.prefix.size(), 3u);
  EXPECT_EQ(f.prefix[0].kind, qbf::Quant::Exists);
  EXPECT_EQ(f.prefix[0].vars, (std::vector<int>{1, 2}));
  EXPECT_EQ(f.prefix[1].kind, qbf::Quant::Forall);
  EXPECT_EQ(f.prefix[1].vars, (std::vector<int>{3}));
  ASSERT_EQ(f.clauses.size(), 3u);
  EXPECT_EQ(f.clauses[0], (std::vector<int>{1, -3}));
  EXPECT_EQ(f.clauses[1], (std::vector<int>{-2, 4, 3}));  // spans two lines
  EXPECT_EQ(f.clauses[2], (std::vector<int>{-1}));
  EXPECT_EQ(f.maxVariable(), 4);
}

TEST(QbfParser, ReadsWhatTheWriterProduces) {
  // Header only, and a formula without prefix, and an empty clause.
  qbf::Formula a = parsed("p cnf 0 0\n");
  EXPECT_TRUE(a.prefix.empty());
  EXPECT_TRUE(a.clauses.empty());
  qbf::Formula b = parsed("p cnf 2 2\n-1 2 0\n1 0\n");
  EXPECT_TRUE(b.prefix.empty());
  EXPECT_EQ(b.clauses.size(), 2u);
  qbf::Formula c = parsed("p cnf 1 2\ne 1 0\n0\n1 0\n");
  ASSERT_EQ(c.clauses.size(), 2u);
  EXPECT_TRUE(c.clauses[0].empty());
  qbf::Formula d = parsed("p cnf 3 1\ne 0\na 0\ne 1 2 3 0\n1 2 3 0\n");  // empty blocks
  EXPECT_EQ(d.prefix.size(), 3u);
}

TEST(QbfParser, RejectsTextThatIsNotQdimacs) {
  qbf::Formula f;
  std::string error;
  EXPECT_FALSE(qbf::parse("", f, &error));
  EXPECT_FALSE(qbf::parse("1 2 0\n", f, &error));
  EXPECT_FALSE(qbf::parse("p cnf x 2\n", f, &error));
  EXPECT_FALSE(qbf::parse("p cnf 2 1\n1 2\n", f, &error)) << "clause without its 0";
  EXPECT_NE(error.find("closing 0"), std::string::npos) << error;
  EXPECT_FALSE(qbf::parse("p cnf 2 1\n1 x 0\n", f, &error));
  EXPECT_FALSE(qbf::parse("p cnf 2 1\ne 1 2\n1 0\n", f, &error)) << "quantifier line without 0";
  EXPECT_FALSE(qbf::parse("p cnf 2 2\ne 1 0\n1 0\na 2 0\n2 0\n", f, &error)) << "prefix after clauses";
}

TEST(QbfParser, TextRoundTrips) {
  qbf::Formula f = parsed("p cnf 5 3\na 2 0\ne 1 3 0\n1 -2 3 0\n0\n-5 0\n");
  qbf::Formula g = parsed(qbf::toText(f));
  EXPECT_EQ(g.numVars, 5);
  EXPECT_EQ(g.numClauses, 3);
  EXPECT_EQ(g.prefix.size(), 2u);
  EXPECT_EQ(g.prefix[1].vars, f.prefix[1].vars);
  EXPECT_EQ(g.clauses, f.clauses);
}

// --- evaluator: hand-checked formulas -------------------------------------

TEST(QbfEvaluator, QuantifierOrderDecides) {
  // y can copy the complement of x only when it is chosen after x.
  EXPECT_TRUE(truth("p cnf 2 2\na 1 0\ne 2 0\n1 2 0\n-1 -2 0\n"));
  EXPECT_FALSE(truth("p cnf 2 2\ne 2 0\na 1 0\n1 2 0\n-1 -2 0\n"));
  // The same clauses as a plain CNF are satisfiable.
  EXPECT_TRUE(truth("p cnf 2 2\n1 2 0\n-1 -2 0\n"));
  // y = x for both values of x, but no single y equals both.
  EXPECT_TRUE(truth("p cnf 2 2\na 1 0\ne 2 0\n-1 2 0\n1 -2 0\n"));
  EXPECT_FALSE(truth("p cnf 2 2\ne 2 0\na 1 0\n-1 2 0\n1 -2 0\n"));
}

TEST(QbfEvaluator, FreeVariablesAreOutermostExistentials) {
  // Variable 3 is free: chosen before the universal 1, it cannot follow it.
  EXPECT_FALSE(truth("p cnf 3 2\na 1 0\ne 2 0\n1 3 0\n-1 -3 0\n"));
  // Quantified after 1 it could.
  EXPECT_TRUE(truth("p cnf 3 2\na 1 0\ne 2 3 0\n1 3 0\n-1 -3 0\n"));
  // A free variable that can be fixed once for all works.
  EXPECT_TRUE(truth("p cnf 3 2\na 1 0\ne 2 0\n1 3 0\n-1 3 0\n"));
  // Free variables of a formula with a prefix may be set as a plain CNF.
  EXPECT_TRUE(truth("p cnf 4 2\na 1 0\n3 4 0\n-3 -4 0\n"));
  EXPECT_FALSE(truth("p cnf 4 4\na 1 0\n3 4 0\n-3 -4 0\n3 -4 0\n-3 4 0\n"));
}

TEST(QbfEvaluator, EmptyClauseAndEmptyFormula) {
  EXPECT_FALSE(truth("p cnf 0 1\n0\n"));
  EXPECT_FALSE(truth("p cnf 2 2\ne 1 2 0\n1 2 0\n0\n"));
  EXPECT_TRUE(truth("p cnf 0 0\n"));
  EXPECT_TRUE(truth("p cnf 5 0\na 1 2 0\ne 3 0\n"));
  EXPECT_TRUE(qbf::evaluate({}, {}));
  EXPECT_FALSE(qbf::evaluate({}, {{}}));
}

TEST(QbfEvaluator, UniversalLiteralsCannotSatisfyAClauseAlone) {
  EXPECT_FALSE(truth("p cnf 1 1\na 1 0\n1 0\n"));
  EXPECT_FALSE(truth("p cnf 2 1\na 1 2 0\n1 -2 0\n"));
  // ∃x ∀u: (x ∨ u) and (¬x ∨ u): u = false leaves x and ¬x.
  EXPECT_FALSE(truth("p cnf 2 2\ne 1 0\na 2 0\n1 2 0\n-1 2 0\n"));
  // ∀u ∃x: the same clauses; u = false still leaves x and ¬x.
  EXPECT_FALSE(truth("p cnf 2 2\na 2 0\ne 1 0\n1 2 0\n-1 2 0\n"));
  // ∀u ∃x: (x ∨ u) and (¬x ∨ ¬u): x = ¬u.
  EXPECT_TRUE(truth("p cnf 2 2\na 2 0\ne 1 0\n1 2 0\n-1 -2 0\n"));
  // ∃x ∀u ∃y: (x ∨ u ∨ y), (¬y ∨ u): u = false forces ¬y, then x; u true is easy.
  EXPECT_TRUE(truth("p cnf 3 2\ne 1 0\na 2 0\ne 3 0\n1 2 3 0\n-3 2 0\n"));
  // ... and with (¬x ∨ u ∨ y) added, u = false forces x, ¬y and then y.
  EXPECT_FALSE(truth("p cnf 3 3\ne 1 0\na 2 0\ne 3 0\n1 2 3 0\n-3 2 0\n-1 2 3 0\n"));
}

TEST(QbfEvaluator, RepeatedLiteralsTautologiesAndUnusedVariables) {
  EXPECT_TRUE(truth("p cnf 1 1\n1 -1 0\n"));
  EXPECT_TRUE(truth("p cnf 2 1\na 1 0\n1 -1 0\n"));     // a universal tautology
  EXPECT_FALSE(truth("p cnf 1 2\n1 1 0\n-1 0\n"));
  EXPECT_FALSE(truth("p cnf 2 2\na 1 0\ne 2 0\n2 1 2 0\n-2 1 0\n"));
  // Gaps and prefix-only variables change nothing.
  EXPECT_TRUE(truth("p cnf 9 2\na 7 8 0\ne 1 9 0\n1 9 0\n-1 -9 0\n"));
}

TEST(QbfEvaluator, RepeatedBlocksAndRepeatedVariables) {
  // Two universal lines in a row act as one block.
  EXPECT_TRUE(truth("p cnf 3 2\na 1 0\na 2 0\ne 3 0\n1 2 3 0\n-1 -2 -3 0\n"));
  EXPECT_FALSE(truth("p cnf 3 2\ne 3 0\na 1 0\na 2 0\n1 3 0\n-2 -3 0\n"));
  // A variable named twice takes its last line: here 1 ends up universal
  // inside 2, there existential inside 2.
  EXPECT_FALSE(truth("p cnf 2 2\ne 1 0\ne 2 0\na 1 0\n1 2 0\n-1 -2 0\n"));
  EXPECT_TRUE(truth("p cnf 2 2\na 1 0\ne 2 0\ne 1 0\n1 2 0\n-1 -2 0\n"));
}

TEST(QbfEvaluator, PlainCnfPigeonholes) {
  // Three pigeons, two holes: variable p_ij = 2*(i-1)+j.
  std::string php = "p cnf 6 9\n1 2 0\n3 4 0\n5 6 0\n-1 -3 0\n-1 -5 0\n-3 -5 0\n-2 -4 0\n-2 -6 0\n-4 -6 0\n";
  EXPECT_FALSE(truth(php));
  // Two pigeons, two holes.
  EXPECT_TRUE(truth("p cnf 4 4\n1 2 0\n3 4 0\n-1 -3 0\n-2 -4 0\n"));
}

TEST(QbfEvaluator, HandlesTwentyVariables) {
  // A 20-variable chain x1 = ¬y1, ..., alternating blocks; true, and the
  // search must get through it without exhausting the whole space.
  std::string text = "p cnf 20 20\n";
  for (int i = 1; i <= 10; i++) text += std::string("a ") + std::to_string(2 * i - 1) + " 0\ne " + std::to_string(2 * i) + " 0\n";
  for (int i = 1; i <= 10; i++) {
    text += std::to_string(2 * i - 1) + " " + std::to_string(2 * i) + " 0\n";
    text += std::to_string(-(2 * i - 1)) + " " + std::to_string(-(2 * i)) + " 0\n";
  }
  EXPECT_TRUE(truth(text));
  // Asking y1 = x1 as well as y1 = ¬x1 makes it false.
  text += "-2 1 0\n2 -1 0\n";
  text.replace(text.find("p cnf 20 20"), 11, "p cnf 20 22");
  EXPECT_FALSE(truth(text));
}

// The pruned evaluator against the plain expansion on generated formulas.
TEST(QbfEvaluator, AgreesWithPlainExpansionOnGeneratedFormulas) {
  int checked = 0, trueCount = 0;
  for (gen::Family fam : gen::allFamilies())
    for (uint64_t seed = 1; seed <= 150; seed++) {
      std::string text = gen::generate(fam, seed);
      qbf::Formula f = parsed(text);
      if (f.maxVariable() > 12) continue;
      bool fast = qbf::evaluate(f);
      ASSERT_EQ(fast, naiveEvaluate(f)) << gen::familyName(fam) << " seed " << seed << "\n" << text;
      checked++;
      trueCount += fast;
    }
  EXPECT_GT(checked, 1000);
  EXPECT_GT(trueCount, checked / 5);
  EXPECT_LT(trueCount, checked * 4 / 5);
}

// --- generator ------------------------------------------------------------

TEST(QbfGenerator, IsDeterministicPerSeed) {
  for (gen::Family fam : gen::allFamilies()) {
    EXPECT_EQ(gen::generate(fam, 42), gen::generate(fam, 42)) << gen::familyName(fam);
    std::set<std::string> distinct;
    for (uint64_t s = 0; s < 20; s++) distinct.insert(gen::generate(fam, s));
    EXPECT_GT(distinct.size(), 10u) << gen::familyName(fam);
  }
  EXPECT_NE(gen::generate(gen::Family::Basic, 7), gen::generate(gen::Family::Units, 7));
}

namespace {

// What a family's formulas look like over many seeds.
struct Shape {
  int formulas = 0, trueOnes = 0, maxVars = 0, maxBlocks = 0;  // maxVars: distinct variables of the clauses
  int withoutPrefix = 0, withFree = 0, withUnits = 0, withTernary = 0, withEmptyClause = 0;
  int withDuplicate = 0, withTautology = 0, withGap = 0, withPrefixOnly = 0, withRepeatedKind = 0;
  int withUniversalBinary = 0;  // a binary clause with a universal and an existential literal
};

Shape shapeOf(gen::Family fam, int seeds) {
  Shape s;
  for (int seed = 1; seed <= seeds; seed++) {
    std::string text = gen::generate(fam, uint64_t(seed));
    qbf::Formula f = parsed(text);
    EXPECT_EQ(f.numClauses, int(f.clauses.size())) << text;
    EXPECT_LE(f.maxVariable(), f.numVars) << text;
    EXPECT_EQ(text.rfind(std::string("c generated ") + gen::familyName(fam) + " seed " + std::to_string(seed), 0), 0u);
    s.formulas++;
    s.trueOnes += qbf::evaluate(f);
        s.maxBlocks = std::max(s.maxBlocks, int(f.prefix.size()));
    std::set<int> inPrefix, inClauses;
    std::map<int, bool> universal;
    for (const auto& b : f.prefix)
      for (int v : b.vars) {
        inPrefix.insert(v);
        universal[v] = b.kind == qbf::Quant::Forall;
      }
    bool dup = false, taut = false, unit = false, ternary = false, empty = false, uniBin = false;
    for (const auto& c : f.clauses) {
      std::set<int> lits(c.begin(), c.end());
      dup |= lits.size() < c.size();
      for (int l : c) {
        taut |= lits.count(-l) > 0;
        inClauses.insert(std::abs(l));
      }
      unit |= c.size() == 1;
      ternary |= c.size() == 3;
      empty |= c.empty();
      if (c.size() == 2) uniBin |= universal[std::abs(c[0])] != universal[std::abs(c[1])];
    }
    s.maxVars = std::max(s.maxVars, int(inClauses.size()));
    bool free = false, prefixOnly = false, gap = false;
    for (int v : inClauses) free |= !f.prefix.empty() && inPrefix.count(v) == 0;
    for (int v : inPrefix) prefixOnly |= inClauses.count(v) == 0;
    for (int v = 1; v <= f.numVars; v++) gap |= inPrefix.count(v) == 0 && inClauses.count(v) == 0;
    bool repeated = false;
    for (size_t b = 1; b < f.prefix.size(); b++) repeated |= f.prefix[b].kind == f.prefix[b - 1].kind;
    s.withoutPrefix += f.prefix.empty();
    s.withFree += free;
    s.withUnits += unit;
    s.withTernary += ternary;
    s.withEmptyClause += empty;
    s.withDuplicate += dup;
    s.withTautology += taut;
    s.withGap += gap;
    s.withPrefixOnly += prefixOnly;
    s.withRepeatedKind += repeated;
    s.withUniversalBinary += uniBin;
  }
  return s;
}

}  // namespace

TEST(QbfGenerator, FamiliesHaveTheirShapes) {
  const int n = 200;
  std::map<gen::Family, Shape> shapes;
  for (gen::Family fam : gen::allFamilies()) shapes[fam] = shapeOf(fam, n);
  for (gen::Family fam : gen::allFamilies()) {
    const Shape& s = shapes[fam];
    SCOPED_TRACE(gen::familyName(fam));
    std::printf(
        "%-15s true %3d vars %2d blocks %d noprefix %3d free %3d units %3d ternary %3d empty %3d duplicate %3d "
        "tautology %3d gap %3d prefix-only %3d repeated-kind %3d universal-binary %3d (of %d)\n",
        gen::familyName(fam), s.trueOnes, s.maxVars, s.maxBlocks, s.withoutPrefix, s.withFree, s.withUnits,
        s.withTernary, s.withEmptyClause, s.withDuplicate, s.withTautology, s.withGap, s.withPrefixOnly,
        s.withRepeatedKind, s.withUniversalBinary, s.formulas);
    EXPECT_LE(s.maxVars, 12);
    EXPECT_LE(s.maxBlocks, 5);
    if (fam == gen::Family::Degenerate) continue;
    // Neither trivially true nor trivially false.
    EXPECT_GT(s.trueOnes, n / 10);
    EXPECT_LT(s.trueOnes, n * 9 / 10);
  }
  using gen::Family;
  EXPECT_EQ(shapes[Family::PlainCnf].withoutPrefix, n);
  EXPECT_EQ(shapes[Family::Basic].withoutPrefix, 0);
  EXPECT_GT(shapes[Family::Units].withUnits, n * 3 / 4);
  EXPECT_GT(shapes[Family::BinaryCycles].withUniversalBinary, n / 4);
  EXPECT_GT(shapes[Family::Chains].withTernary, n * 3 / 4);
  EXPECT_EQ(shapes[Family::ManyBlocks].maxBlocks, 5);
  EXPECT_GT(shapes[Family::ManyBlocks].withRepeatedKind, n / 4);
  EXPECT_GT(shapes[Family::FreeVars].withFree, n / 2);
  EXPECT_GT(shapes[Family::Messy].withDuplicate, n / 2);
  EXPECT_GT(shapes[Family::Messy].withTautology, n / 2);
  EXPECT_GT(shapes[Family::Messy].withGap, n / 4);
  EXPECT_GT(shapes[Family::Messy].withPrefixOnly, n / 4);
  EXPECT_GT(shapes[Family::Mixed].maxVars, 10);
  EXPECT_GT(shapes[Family::Degenerate].withEmptyClause, 0);
}

// --- evaluator against depqbf ---------------------------------------------

TEST(QbfEvaluator, AgreesWithDepqbfOnGeneratedFormulas) {
  if (!qbf::depqbfAvailable()) GTEST_SKIP() << qbf::depqbfMissingMessage();
  std::string dir = makeTempDir();
  struct Job {
    std::string name, text;
    bool expected;
  };
  std::vector<Job> jobs;
  for (gen::Family fam : gen::allFamilies())
    for (uint64_t seed = 1000; seed < 1030; seed++) {
      std::string text = gen::generate(fam, seed);
      std::string name = std::string(gen::familyName(fam)) + "-" + std::to_string(seed) + ".qdimacs";
      writeFile(dir + "/" + name, text);
      jobs.push_back({name, text, qbf::evaluate(parsed(text))});
    }
  std::atomic<size_t> next{0};
  std::mutex mu;
  std::vector<std::string> failures;
  int decided = 0;
  auto worker = [&]() {
    for (size_t i; (i = next++) < jobs.size();) {
      std::string detail;
      qbf::Verdict v = qbf::runDepqbf(dir + "/" + jobs[i].name, 20, &detail);
      std::lock_guard<std::mutex> lock(mu);
      if (v == qbf::Verdict::Unknown) {
        failures.push_back(jobs[i].name + ": depqbf gave no answer (" + detail + ")\n" + jobs[i].text);
      } else {
        decided++;
        if ((v == qbf::Verdict::True) != jobs[i].expected)
          failures.push_back(jobs[i].name + ": evaluator says " + (jobs[i].expected ? "true" : "false") +
                             ", depqbf " + qbf::verdictName(v) + "\n" + jobs[i].text);
      }
    }
  };
  std::thread a(worker), b(worker);
  a.join();
  b.join();
  for (const auto& f : failures) ADD_FAILURE() << f;
  EXPECT_EQ(decided, int(jobs.size()));
  std::printf("evaluator vs depqbf: %d formulas agreed\n", decided - int(failures.size()));
  if (failures.empty()) removeTree(dir);
}

TEST(QbfDepqbf, ReportsTrueFalseAndFailures) {
  if (!qbf::depqbfAvailable()) GTEST_SKIP() << qbf::depqbfMissingMessage();
  std::string dir = makeTempDir();
  writeFile(dir + "/t.qdimacs", "p cnf 2 2\na 1 0\ne 2 0\n1 2 0\n-1 -2 0\n");
  writeFile(dir + "/f.qdimacs", "p cnf 2 2\ne 2 0\na 1 0\n1 2 0\n-1 -2 0\n");
  EXPECT_EQ(qbf::runDepqbf(dir + "/t.qdimacs", 20), qbf::Verdict::True);
  EXPECT_EQ(qbf::runDepqbf(dir + "/f.qdimacs", 20), qbf::Verdict::False);
  std::string detail;
  EXPECT_EQ(qbf::runDepqbf(dir + "/missing.qdimacs", 20, &detail), qbf::Verdict::Unknown);
  EXPECT_FALSE(detail.empty());
  removeTree(dir);
}
