// The SAT solver against enumeration, and settle() against the brute-force
// evaluator on the generated families: an answer, when there is one, is the
// formula's truth value.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decide/decide.h"
#include "decide/sat.h"
#include "strong/qbfbridge.h"
#include "support/generator.h"

namespace {

using Clauses = std::vector<std::vector<int32_t>>;

bool satisfiableByEnumeration(int32_t numVars, const Clauses& clauses) {
  for (uint32_t a = 0; a < (1u << numVars); a++) {
    bool all = true;
    for (const auto& c : clauses) {
      bool some = false;
      for (int32_t x : c) some = some || (((a >> (std::abs(x) - 1)) & 1u) == (x > 0 ? 1u : 0u));
      if (!some) {
        all = false;
        break;
      }
    }
    if (all) return true;
  }
  return false;
}

// Random clauses of one to three literals around the threshold, so that both answers come often; the
// conflict limit is high enough that no answer is Unknown.
TEST(Sat, AgreesWithEnumerationAndItsModelsHold) {
  uint64_t state = 12345;
  auto next = [&state](int below) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return int((state >> 33) % uint64_t(below));
  };
  int answers[2] = {0, 0};
  for (int round = 0; round < 600; round++) {
    const int32_t n = 3 + next(10);
    Clauses clauses(size_t(n + next(2 * n)));
    for (auto& c : clauses)
      for (int k = 1 + next(3); k > 0; k--) c.push_back((next(2) ? 1 : -1) * (1 + next(n)));
    decide::Sat sat(n);
    for (const auto& c : clauses) sat.addClause(c);
    const decide::Answer a = sat.solve(1'000'000, INT64_MAX);
    const bool expected = satisfiableByEnumeration(n, clauses);
    ASSERT_NE(a, decide::Answer::Unknown) << "round " << round;
    ASSERT_EQ(a == decide::Answer::Sat, expected) << "round " << round;
    if (expected) {
      for (const auto& c : clauses) {
        bool some = false;
        for (int32_t x : c) some = some || sat.value(std::abs(x)) == (x > 0);
        ASSERT_TRUE(some) << "round " << round;
      }
    }
    answers[expected]++;
  }
  EXPECT_GT(answers[0], 100);
  EXPECT_GT(answers[1], 100);
}

// Pigeons into holes: hard enough for many restarts and long learnt clauses.
TEST(Sat, PigeonsFitExactlyWhenThereAreHolesEnough) {
  constexpr int32_t kHoles = 7;
  for (int32_t pigeons : {kHoles, kHoles + 1}) {
    auto var = [](int32_t p, int32_t h) { return p * kHoles + h + 1; };
    decide::Sat sat(pigeons * kHoles);
    for (int32_t p = 0; p < pigeons; p++) {
      std::vector<int32_t> somewhere;
      for (int32_t h = 0; h < kHoles; h++) somewhere.push_back(var(p, h));
      sat.addClause(somewhere);
    }
    for (int32_t h = 0; h < kHoles; h++)
      for (int32_t p = 0; p < pigeons; p++)
        for (int32_t q = p + 1; q < pigeons; q++) sat.addClause({-var(p, h), -var(q, h)});
    EXPECT_EQ(sat.solve(10'000'000, INT64_MAX), pigeons > kHoles ? decide::Answer::Unsat : decide::Answer::Sat);
  }
}

TEST(Settle, AnAnswerIsTheTruthValue) {
  int settled = 0;
  for (gen::Family family : gen::allFamilies())
    for (uint64_t seed = 1; seed <= 200; seed++) {
      const std::string text = gen::generate(family, seed);
      qbf::Formula f;
      ASSERT_TRUE(qbf::parse(text, f)) << text;
      const strong::Result r = decide::settle(bridge::toProblem(f));
      if (r == strong::Result::Unknown) continue;
      settled++;
      ASSERT_EQ(r == strong::Result::True, qbf::evaluate(f)) << gen::familyName(family) << " seed " << seed << "\n"
                                                            << text;
    }
  EXPECT_GT(settled, 1000);
}

}  // namespace
