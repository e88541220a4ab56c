// The component search on implication graphs as deep as the formula: a
// chain and a cycle of 1,000,000 literals each (and their duals). A
// recursive search would need a million nested calls; the search must
// finish on the test thread's ordinary stack with the right components.
//
// The store is built by hand (the reader would spend most of the time on a
// million clauses under the sanitizers); every implication list holds one
// entry and all lists share one array, detached again before the reset.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "driver/reset.h"
#include "equiv/equiv_fixture.h"
#include "equiv/findscc.h"
#include "store/store.h"

namespace {

constexpr int32_t kLength = 1000000;  // literals on the chain or cycle (= variables)

// +v is 2v-1, -v is 2v-2.
int32_t pos(int32_t v) { return 2 * v - 1; }
int32_t neg(int32_t v) { return 2 * v - 2; }

// A store of n existential variables in one block whose implication lists
// are x -> next[x] (or none where next[x] is -1).
class HandStore {
 public:
  HandStore(int32_t n, const std::vector<int32_t>& next) {
    resetAllState();
    NVARS = n;
    NLITS = 2 * n;
    PRELITS = qnew<preLit>(size_t(NLITS), "test: PRELITS");
    entries_.assign(size_t(NLITS), -1);
    for (int32_t i = 0; i < NLITS; i++) {
      preLit& L = PRELITS[i];
      L.index = i;
      L.tval = U;
      L.equivLit = i;
      L.sccRep = -1;
      L.existential = true;
      L.prefixLevel = 0;
      if (next[size_t(i)] >= 0) {
        entries_[size_t(i)] = next[size_t(i)];
        L.implications = &entries_[size_t(i)];
        L.implCap = L.numImpl = 1;
      }
    }
    createEquivLitStack();
  }
  ~HandStore() {
    for (int32_t i = 0; i < NLITS; i++) PRELITS[i].implications = nullptr;
    resetAllState();
  }

 private:
  std::vector<int32_t> entries_;
};

// Runs the full search and reports its time.
double timedFullSearch() {
  auto t0 = std::chrono::steady_clock::now();
  initSCC();
  findSCC();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

// +1 -> +2 -> ... -> +n and -n -> ... -> -1: no cycle, every literal is a
// component of its own.
TEST(FindSccLarge, MillionLiteralChain) {
  std::vector<int32_t> next(size_t(2 * kLength), -1);
  for (int32_t v = 1; v < kLength; v++) {
    next[size_t(pos(v))] = pos(v + 1);
    next[size_t(neg(v + 1))] = neg(v);
  }
  HandStore store(kLength, next);
  double seconds = timedFullSearch();
  std::printf("chain of %d literals: full search %.3f s\n", kLength, seconds);
  ASSERT_FALSE(CONTRADICTION);
  EXPECT_EQ(equivLitStack->top, -1);
  EXPECT_EQ(newEquivLitsOfLastSearch(), 0);
  EXPECT_EQ(numEquivLits, 0);
  int32_t wrong = 0, unvisited = 0;
  for (int32_t i = 0; i < NLITS; i++) {
    wrong += PRELITS[i].equivLit != i || PRELITS[i].sccRep != i;
    unvisited += !PRELITS[i].visited;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(unvisited, 0);
  // The positive chain is one descent from +1: discovery numbers 2..n+1
  // in chain order (-1, with no implications, was discovered first).
  EXPECT_EQ(PRELITS[neg(1)].dfsNum, 1);
  EXPECT_EQ(PRELITS[pos(1)].dfsNum, 2);
  EXPECT_EQ(PRELITS[pos(kLength)].dfsNum, kLength + 1);
}

// The chain closed into a cycle: +n -> +1 and -1 -> -n. Each side collapses
// to one class, represented by its root (-1 and +1; all of one level).
TEST(FindSccLarge, MillionLiteralCycle) {
  std::vector<int32_t> next(size_t(2 * kLength), -1);
  for (int32_t v = 1; v < kLength; v++) {
    next[size_t(pos(v))] = pos(v + 1);
    next[size_t(neg(v + 1))] = neg(v);
  }
  next[size_t(pos(kLength))] = pos(1);
  next[size_t(neg(1))] = neg(kLength);
  HandStore store(kLength, next);
  double seconds = timedFullSearch();
  std::printf("cycle of %d literals: full search %.3f s\n", kLength, seconds);
  ASSERT_FALSE(CONTRADICTION);
  EXPECT_EQ(PRELITS[neg(1)].sccRep, neg(1));
  EXPECT_EQ(PRELITS[pos(1)].sccRep, pos(1));
  int32_t wrong = 0, misplaced = 0;
  for (int32_t i = 0; i < NLITS; i++) wrong += PRELITS[i].equivLit != (i & 1);
  EXPECT_EQ(wrong, 0) << "every negative literal -> -1, every positive -> +1";
  // Listed in index order: every literal but the two representatives.
  ASSERT_EQ(equivLitStack->top, NLITS - 3);
  for (int32_t k = 0; k <= equivLitStack->top; k++) misplaced += equivLitStack->items[k] != k + 2;
  EXPECT_EQ(misplaced, 0);
  EXPECT_EQ(newEquivLitsOfLastSearch(), NLITS - 2);
  EXPECT_EQ(numEquivLits, NLITS - 2);
}
