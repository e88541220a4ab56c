// Truth of the strong mode against the brute-force evaluator: for generated
// formulas of every family, under every combination of switches and under
// budgets so small that the run stops at every possible point, the result
// has the truth value of the input (or the engine's own answer matches it).
//
// QSHRINK_STRONG_COUNT=N runs a campaign of N more formulas (all families in
// turn, seeds after the ones of the unit tests), each under all switches,
// one combination of switches and one budget.
#include <gtest/gtest.h>

#include <string>

#include "strong/qbfbridge.h"
#include "strong/strong.h"
#include "support/generator.h"
#include "support/harness.h"

namespace {

constexpr int kCombinations = 64;     // of the six switches
constexpr long kSeedsPerFamily = 320;  // five rounds of the 64 combinations
constexpr long kBudgetSeeds = 40;
constexpr int64_t kEfforts[] = {0, 1, 3, 10, 30, 100, 300, 1000, 10000};
constexpr uint64_t kCampaignFirstSeed = 1'000'000;

strong::Switches switchesOf(int bits) {
  strong::Switches s;
  s.subsume = bits & 1;
  s.strengthen = bits & 2;
  s.pure = bits & 4;
  s.blocked = bits & 8;
  s.elim = bits & 16;
  s.expand = bits & 32;
  return s;
}

// Checks one run; returns a description of what went wrong, or "".
std::string check(const std::string& text, bool expected, const strong::Switches& s, const strong::Limits& l) {
  strong::Problem p = bridge::parseProblem(text);
  strong::Report r;
  strong::Result result = strong::simplify(p, s, l, r);
  bool got = false;
  if (result == strong::Result::True) {
    got = true;
    if (!p.clauses.empty()) return "True with clauses left";
  } else if (result == strong::Result::False) {
    got = false;
  } else {
    for (const std::vector<int32_t>& c : p.clauses) {
      if (c.size() < 2) return "a unit or empty clause is left";
      for (int32_t lit : c)
        if (lit == 0 || std::abs(lit) > p.numVars) return "a literal beyond the variables";
    }
    got = bridge::evaluate(p);
    qbf::Formula back;
    if (!qbf::parse(bridge::written(p), back)) return "the written formula does not parse";
    if (qbf::evaluate(back) != got) return "the written formula has another truth value";
  }
  if (got != expected) return std::string("truth ") + (got ? "true" : "false") + ", input " + (expected ? "true" : "false");
  return "";
}

std::string describe(gen::Family f, uint64_t seed, int bits, int64_t effort) {
  return std::string(gen::familyName(f)) + " seed " + std::to_string(seed) + " switches " + std::to_string(bits) +
         " effort " + std::to_string(effort);
}

bool truthOf(const std::string& text) {
  qbf::Formula f;
  qbf::parse(text, f);
  return qbf::evaluate(f);
}

class StrongSoundness : public ::testing::TestWithParam<gen::Family> {};

TEST_P(StrongSoundness, EverySwitchCombination) {
  gen::Family family = GetParam();
  for (uint64_t seed = 0; seed < uint64_t(kSeedsPerFamily); seed++) {
    std::string text = gen::generate(family, seed);
    bool expected = truthOf(text);
    for (int bits : {kCombinations - 1, int(seed % kCombinations)}) {
      std::string wrong = check(text, expected, switchesOf(bits), {});
      ASSERT_EQ(wrong, "") << describe(family, seed, bits, -1) << "\n" << text;
    }
  }
}

TEST_P(StrongSoundness, TinyBudgetsAndStops) {
  gen::Family family = GetParam();
  for (uint64_t seed = 0; seed < uint64_t(kBudgetSeeds); seed++) {
    std::string text = gen::generate(family, seed);
    bool expected = truthOf(text);
    strong::Switches all;
    for (int64_t effort : kEfforts) {
      strong::Limits l;
      l.effort = effort;
      ASSERT_EQ(check(text, expected, all, l), "") << describe(family, seed, kCombinations - 1, effort) << "\n" << text;
    }
    // A stop after every number of polls up to the point where none is asked any more.
    for (int polls = 0;; polls++) {
      int asked = 0;
      strong::Limits l;
      l.stop = [&asked, polls] { return asked++ >= polls; };
      ASSERT_EQ(check(text, expected, all, l), "") << describe(family, seed, kCombinations - 1, -1) << " stop after "
                                                   << polls << " polls\n" << text;
      if (asked <= polls) break;
    }
  }
}

TEST_P(StrongSoundness, Campaign) {
  long count = envNumber("QSHRINK_STRONG_COUNT", 0);
  if (count == 0) GTEST_SKIP() << "set QSHRINK_STRONG_COUNT for a campaign";
  gen::Family family = GetParam();
  size_t families = gen::allFamilies().size();
  size_t position = 0;
  while (gen::allFamilies()[position] != family) position++;
  long mine = count / long(families) + (long(position) < count % long(families) ? 1 : 0);
  long wrong = 0;
  for (long i = 0; i < mine; i++) {
    uint64_t seed = kCampaignFirstSeed + uint64_t(i);
    std::string text = gen::generate(family, seed);
    bool expected = truthOf(text);
    int bits = int(seed * 7 % kCombinations);
    int64_t effort = kEfforts[seed % std::size(kEfforts)] * int64_t(seed % 3 + 1);
    strong::Limits tight;
    tight.effort = effort;
    for (auto [b, l] : {std::pair{kCombinations - 1, strong::Limits{}}, std::pair{bits, strong::Limits{}},
                        std::pair{kCombinations - 1, tight}}) {
      std::string w = check(text, expected, switchesOf(b), l);
      if (w.empty()) continue;
      wrong++;
      ADD_FAILURE() << describe(family, seed, b, l.effort) << ": " << w << "\n" << text;
    }
  }
  std::printf("%s: %ld formulas, %ld wrong\n", gen::familyName(family), mine, wrong);
}

INSTANTIATE_TEST_SUITE_P(Families, StrongSoundness, ::testing::ValuesIn(gen::allFamilies()),
                         [](const ::testing::TestParamInfo<gen::Family>& info) {
                           return std::string(gen::familyName(info.param));
                         });

}  // namespace
