// The per-literal lists. Long lists are searched through a side index; every
// result must be the one a plain scan gives: the first (or last) position
// holding the value, and removal moves the last entry into the first
// position found.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "propagate/unitprop.h"
#include "store/build.h"
#include "store/checks.h"
#include "store/clauseops.h"
#include "store/lists.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

namespace {

// Reference model of one list: a vector under the same rules. Plain loops,
// so that scans of the long lists stay quick in unoptimised builds.
struct ModelList {
  V items;

  int32_t find(int32_t v) const {
    const int32_t* p = items.data();
    for (int32_t k = 0, n = int32_t(items.size()); k < n; k++)
      if (p[k] == v) return k;
    return -1;
  }
  int32_t findLast(int32_t v) const {
    const int32_t* p = items.data();
    for (int32_t k = int32_t(items.size()) - 1; k >= 0; k--)
      if (p[k] == v) return k;
    return -1;
  }
  int32_t count(int32_t v) const {
    const int32_t* p = items.data();
    int32_t c = 0;
    for (int32_t k = 0, n = int32_t(items.size()); k < n; k++) c += p[k] == v;
    return c;
  }
  void removeAt(int32_t pos) {
    items[size_t(pos)] = items.back();
    items.pop_back();
  }
  bool removeFirst(int32_t v) {
    int32_t pos = find(v);
    if (pos < 0) return false;
    removeAt(pos);
    return true;
  }
};

// Every n-th of the values first..last, as a text of unit clauses.
std::string unitLines(int32_t first, int32_t last, int32_t every, int32_t& count) {
  std::string s;
  count = 0;
  for (int32_t k = first; k <= last; k += every, count++) s += std::to_string(k) + " 0\n";
  return s;
}

// The order in which drainUPstack will take the queued literals.
V drainOrder() {
  V order = queued(UPstack);
  std::reverse(order.begin(), order.end());
  return order;
}

}  // namespace

TEST(LongLists, ImplicationListOfTwoHundredThousandEntriesEditsLikeAScan) {
  const int32_t N = 200000;  // binary clauses (-1 v k), k = 2..N+1
  int32_t units = 0;
  std::string unitText = unitLines(2, N + 1, 997, units);
  std::string text = "p cnf " + std::to_string(N + 1) + " " + std::to_string(N + units) + "\n";
  for (int32_t k = 2; k <= N + 1; k++) text += "-1 " + std::to_string(k) + " 0\n";
  text += unitText;
  readText(text);
  createStore();
  loadBinaryClauses();
  ModelList model{implicationsOf(lit(1))};
  ASSERT_EQ(int32_t(model.items.size()), N);

  // Each unit k satisfies (-1 v k) and takes k out of the implications of 1.
  seedUnitClauses();
  V order = drainOrder();
  ASSERT_EQ(int32_t(order.size()), units);
  drainUPstack();
  ASSERT_FALSE(CONTRADICTION);
  for (int32_t x : order) ASSERT_TRUE(model.removeFirst(x));
  EXPECT_EQ(implicationsOf(lit(1)), model.items);
  EXPECT_EQ(numSatBcls, units);

  for (int32_t k = 2; k <= N + 1; k += 1013) {
    int32_t v = lit(k);
    EXPECT_EQ(implFind(lit(1), v), model.find(v)) << k;
    EXPECT_EQ(implFindLast(lit(1), v), model.findLast(v)) << k;
  }
  // Further edits after the propagation keep agreeing.
  for (int32_t k = N + 1; k > N - 3000; k -= 11) {
    EXPECT_EQ(implRemoveFirst(lit(1), lit(k)), model.removeFirst(lit(k)));
  }
  EXPECT_EQ(implicationsOf(lit(1)), model.items);
}

TEST(LongLists, OccurrenceListsOfTwoHundredThousandClausesEditLikeAScan) {
  const int32_t N = 200000;  // clauses (1 v 2 v k), k = 3..N+2
  int32_t units = 0;
  std::string unitText = unitLines(3, N + 2, 991, units);
  std::string text = "p cnf " + std::to_string(N + 2) + " " + std::to_string(N + units) + "\n";
  for (int32_t k = 3; k <= N + 2; k++) text += "1 2 " + std::to_string(k) + " 0\n";
  text += unitText;
  readText(text);
  createStore();
  loadBinaryClauses();
  ModelList one{occurrencesOf(lit(1))}, two{occurrencesOf(lit(2))};
  ASSERT_EQ(int32_t(one.items.size()), N);

  seedUnitClauses();
  V order = drainOrder();
  V clauseOf;
  for (int32_t x : order) clauseOf.push_back(occurrencesOf(x).at(0));
  drainUPstack();
  ASSERT_FALSE(CONTRADICTION);
  for (int32_t c : clauseOf) {
    ASSERT_TRUE(one.removeFirst(c));
    ASSERT_TRUE(two.removeFirst(c));
  }
  EXPECT_EQ(occurrencesOf(lit(1)), one.items);
  EXPECT_EQ(occurrencesOf(lit(2)), two.items);
  EXPECT_EQ(numSatNaryCls, int32_t(order.size()));
  for (int32_t c = 0; c < N; c += 997) EXPECT_EQ(nclsCount(lit(1), c), one.count(c)) << c;
}

TEST(LongLists, DuplicateClauseIndicesAreCountedThroughTheIndex) {
  buildText("p cnf 3 1\n1 2 3 0\n");
  CaptureStdout out;
  for (int32_t c = 1; c <= 60; c++) addNcls(lit(-1), c);
  addNcls(lit(-1), 30);
  addNcls(lit(-1), 30);
  std::string before = out.text();
  EXPECT_EQ(nclsCount(lit(-1), 30), 3);
  CaptureStdout out2;
  addNcls(lit(-1), 30);
  const std::string line = "ERROR: Found clause index 30 already in LitNcls of -1 when adding it.\n";
  EXPECT_EQ(out2.text(), line + line + line);
  EXPECT_EQ(before, line + line + line);  // one line for the first copy, two for the second
  // The first copy is removed: the last entry (99) moves into its place.
  addNcls(lit(-1), 99);
  ASSERT_TRUE(nclsRemoveFirst(lit(-1), 30));
  V expected;
  for (int32_t c = 1; c <= 60; c++) expected.push_back(c == 30 ? 99 : c);
  expected.insert(expected.end(), {30, 30, 30});
  EXPECT_EQ(occurrencesOf(lit(-1)), expected);
  EXPECT_EQ(nclsCount(lit(-1), 30), 3);
}

// Random edits of an implication list and an occurrence list, checked
// against the model after every step. Values come from a small range so that
// lists hold many duplicates; `limit` keeps the lists short (below the length
// that gets an index) or lets them grow long and shrink back again.
struct RandomRun {
  uint32_t seed;
  int32_t limit;
};

void PrintTo(const RandomRun& r, std::ostream* os) { *os << "seed " << r.seed << ", limit " << r.limit; }

class ListsAgainstModel : public ::testing::TestWithParam<RandomRun> {};

TEST_P(ListsAgainstModel, EveryOperationAgrees) {
  const RandomRun run = GetParam();
  buildText("p cnf 3 1\n1 2 3 0\n");
  const int32_t I = lit(1);  // implications: none yet
  const int32_t O = lit(2);  // occurrences: [0] from the build, room for 4
  ModelList impl, ncls{{0}};
  int32_t implCap = 0, deletes = 0;
  std::mt19937 rng(run.seed);
  auto pick = [&](int32_t n) { return int32_t(rng() % uint32_t(n)); };
  enum Op { ADD_BCLS, IMPL_APPEND, NCLS_APPEND, IMPL_REMOVE, NCLS_REMOVE, IMPL_REMOVE_AT, IMPL_SET, FIND, COUNT };
  // Weights of the operations while the lists grow, and while they shrink.
  const int32_t growWeights[] = {20, 10, 25, 8, 8, 5, 6, 10, 8};
  const int32_t shrinkWeights[] = {5, 3, 6, 20, 30, 15, 6, 10, 5};
  bool growing = true;
  int32_t longest = 0, swings = 0;
  for (int32_t step = 0; step < 20000; step++) {
    // Swing between filling up to the limit and emptying to a few entries.
    int32_t size = int32_t(std::max(impl.items.size(), ncls.items.size()));
    longest = std::max(longest, size);
    if (growing && size >= run.limit) growing = false, swings++;
    if (!growing && size <= 3) growing = true;
    const int32_t* w = growing ? growWeights : shrinkWeights;
    int32_t r = pick(100), op = 0;
    while (r >= w[op]) r -= w[op++];
    int32_t v = pick(run.limit / 4 + 8);
    SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op));
    switch (op) {
      case ADD_BCLS: {
        // Added unless present; the list grows to 4 x its count when full.
        bool expected = impl.find(v) < 0;
        if (expected && int32_t(impl.items.size()) == implCap) {
          if (implCap > 0) deletes++;
          implCap = implCap == 0 ? 10 : 4 * implCap;
        }
        ASSERT_EQ(addBcls(I, v), expected);
        if (expected) impl.items.push_back(v);
        ASSERT_EQ(PRELITS[I].implCap, implCap);
        break;
      }
      case IMPL_APPEND:  // a second copy is possible through the plain append
        if (PRELITS[I].implications == nullptr) break;
        if (PRELITS[I].numImpl == PRELITS[I].implCap) {
          implGrow(I, "test\n");
          implCap = PRELITS[I].implCap;
          deletes++;
        }
        implAppend(I, v);
        impl.items.push_back(v);
        break;
      case NCLS_APPEND:
        if (PRELITS[O].numNcls == PRELITS[O].nclsCap) {
          nclsGrow(O, "test\n");
          deletes++;
        }
        nclsAppend(O, v);
        ncls.items.push_back(v);
        break;
      case IMPL_REMOVE:
        if (!impl.items.empty() && pick(2) == 0) v = impl.items[size_t(pick(int32_t(impl.items.size())))];
        ASSERT_EQ(implRemoveFirst(I, v), impl.removeFirst(v));
        break;
      case NCLS_REMOVE:
        if (!ncls.items.empty() && pick(2) == 0) v = ncls.items[size_t(pick(int32_t(ncls.items.size())))];
        ASSERT_EQ(nclsRemoveFirst(O, v), ncls.removeFirst(v));
        break;
      case IMPL_REMOVE_AT:
        if (impl.items.empty()) break;
        {
          int32_t pos = pick(int32_t(impl.items.size()));
          implRemoveAt(I, pos);
          impl.removeAt(pos);
        }
        break;
      case IMPL_SET:
        if (impl.items.empty()) break;
        {
          int32_t pos = pick(int32_t(impl.items.size()));
          implSetAt(I, pos, v);
          impl.items[size_t(pos)] = v;
        }
        break;
      case FIND:
        ASSERT_EQ(implFind(I, v), impl.find(v));
        ASSERT_EQ(implFindLast(I, v), impl.findLast(v));
        break;
      default:
        ASSERT_EQ(nclsCount(O, v), ncls.count(v));
        break;
    }
    ASSERT_EQ(implicationsOf(I), impl.items);
    ASSERT_EQ(occurrencesOf(O), ncls.items);
    ASSERT_EQ(deleteCount, deletes);
  }
  // The run did what it is meant to: short lists stay below the indexed
  // length (48), long ones went well past it and back, at least twice.
  if (run.limit < 48) {
    EXPECT_LT(longest, 48);
  } else {
    EXPECT_GE(longest, run.limit);
    EXPECT_GE(swings, 2) << "longest " << longest;
  }
}

INSTANTIATE_TEST_SUITE_P(ShortAndLong, ListsAgainstModel,
                         ::testing::Values(RandomRun{1, 40}, RandomRun{2, 40}, RandomRun{3, 200}, RandomRun{4, 400},
                                           RandomRun{5, 400}, RandomRun{6, 800}),
                         [](const ::testing::TestParamInfo<RandomRun>& i) {
                           return "Seed" + std::to_string(i.param.seed) + "Limit" + std::to_string(i.param.limit);
                         });
