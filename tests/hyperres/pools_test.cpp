// The scratch pools of the probes: literal sets with constant-time
// membership (a small hash table that switches to a bit per literal when the
// set grows large) and the new-implicant lists, both handed out and given
// back in stack order.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "driver/reset.h"
#include "hyperres/passstate.h"
#include "hyperres/pools.h"
#include "store/store.h"

namespace {

class Pools : public ::testing::Test {
 protected:
  void useLiterals(int32_t nlits) {
    resetAllState();
    NLITS = nlits;
    NVARS = nlits / 2;
  }
  void SetUp() override { useLiterals(1000); }
  void TearDown() override {
    cleanupUniqueSetArray();
    cleanupNewImplicantListArray();
    resetAllState();
  }
};

std::vector<int32_t> itemsOf(const UniqueSet* s) { return std::vector<int32_t>(s->items, s->items + s->count); }

// Checks a set against the members it should hold, in order, over every literal.
void expectHolds(const UniqueSet* s, const std::vector<int32_t>& members) {
  ASSERT_EQ(itemsOf(s), members);
  std::set<int32_t> in(members.begin(), members.end());
  for (int32_t l = 0; l < NLITS; l++) ASSERT_EQ(usContains(s, l), in.count(l) > 0) << "literal index " << l;
  uint64_t print = 0;
  for (int32_t l : members) print ^= memberKey(l);
  EXPECT_EQ(s->print, print);
}

TEST_F(Pools, SetGivenBackIsHandedOutAgainEmpty) {
  initUniqueSetArray();
  UniqueSet* a = getUniqueSet();
  EXPECT_EQ(a->count, 0);
  EXPECT_EQ(a->size, NLITS);
  for (int32_t l : {5, 7, 5, 900, 0}) usAdd(a, l);
  expectHolds(a, {5, 7, 900, 0});
  const int32_t* storage = a->items;
  giveBackUniqueSet();
  EXPECT_EQ(pass.sets.out, 0);
  UniqueSet* again = getUniqueSet();
  EXPECT_EQ(again, a);
  EXPECT_EQ(again->items, storage);  // small storage is kept for the next probe
  expectHolds(again, {});
  giveBackUniqueSet();
}

TEST_F(Pools, SetsTakenTogetherAreDistinctAndComeBackEmptyInReverseOrder) {
  initUniqueSetArray();
  UniqueSet* a = getUniqueSet();
  usAdd(a, 1);
  UniqueSet* b = getUniqueSet();
  EXPECT_NE(a, b);
  EXPECT_EQ(pass.sets.out, 2);
  usAdd(b, 2);
  expectHolds(a, {1});  // b's member is not in a
  expectHolds(b, {2});
  giveBackUniqueSet();  // b
  EXPECT_EQ(pass.sets.out, 1);
  expectHolds(b, {});
  expectHolds(a, {1});  // a is still held by its taker
  giveBackUniqueSet();  // a
  EXPECT_EQ(pass.sets.out, 0);
  expectHolds(a, {});
  EXPECT_EQ(getUniqueSet(), a);
  EXPECT_EQ(getUniqueSet(), b);
  giveBackUniqueSet();
  giveBackUniqueSet();
}

TEST_F(Pools, SlotArrayGrowsForDeepNesting) {
  initUniqueSetArray();
  std::vector<UniqueSet*> taken;
  for (int32_t d = 0; d < 300; d++) {
    taken.push_back(getUniqueSet());
    usAdd(taken.back(), d);
  }
  EXPECT_EQ(pass.sets.out, 300);
  EXPECT_EQ(std::set<UniqueSet*>(taken.begin(), taken.end()).size(), taken.size());
  for (int32_t d = 0; d < 300; d++) ASSERT_EQ(itemsOf(taken[size_t(d)]), std::vector<int32_t>{d});
  for (int32_t d = 299; d >= 0; d--) {
    giveBackUniqueSet();
    ASSERT_EQ(taken[size_t(d)]->count, 0);
  }
  EXPECT_EQ(pass.sets.out, 0);
  // The second descent reuses the same sets, level by level.
  for (int32_t d = 0; d < 300; d++) ASSERT_EQ(getUniqueSet(), taken[size_t(d)]);
  for (int32_t d = 0; d < 300; d++) giveBackUniqueSet();
}

TEST_F(Pools, CleanupWithNothingTakenReleasesOnlyTheSlotArrays) {
  initUniqueSetArray();
  initNewImplicantListArray();
  cleanupUniqueSetArray();
  cleanupNewImplicantListArray();
  EXPECT_EQ(pass.sets.sets, nullptr);
  EXPECT_EQ(pass.sets.out, 0);
  EXPECT_EQ(pass.lists.lists, nullptr);
  EXPECT_EQ(pass.lists.out, 0);
  // Cleaning up twice is harmless.
  cleanupUniqueSetArray();
  cleanupNewImplicantListArray();
}

TEST_F(Pools, SetCrossesIntoBitModeAndBack) {
  useLiterals(40000);  // bit mode from NLITS / 128 = 312 members on
  initUniqueSetArray();
  UniqueSet* s = getUniqueSet();
  std::vector<int32_t> members;
  for (int32_t k = 0; k < 700; k++) {
    int32_t l = (k * 7919) % NLITS;
    usAdd(s, l);
    members.push_back(l);
    if (k == 300) {
      EXPECT_EQ(s->bits, nullptr) << "still a hash table below the threshold";
      expectHolds(s, members);
    }
  }
  EXPECT_NE(s->bits, nullptr);
  EXPECT_EQ(s->slots, nullptr);
  expectHolds(s, members);
  usAdd(s, members[3]);  // a member again: no change
  expectHolds(s, members);
  // Popping takes the members off in reverse order of adding.
  for (int k = 0; k < 200; k++) {
    ASSERT_EQ(usPopLast(s), members.back());
    members.pop_back();
  }
  expectHolds(s, members);
  usEmpty(s);  // few members: cleared word by word
  expectHolds(s, {});
  usAdd(s, 12345);
  expectHolds(s, {12345});
  // A set given back keeps its bit table (well within the budget), empty,
  // for the next probe at the same depth.
  giveBackUniqueSet();
  EXPECT_NE(s->bits, nullptr);
  EXPECT_GT(pooledSetBytes(), 0u);
  UniqueSet* again = getUniqueSet();
  EXPECT_EQ(again, s);
  EXPECT_EQ(pooledSetBytes(), 0u) << "a set taken again is live, not kept";
  expectHolds(again, {});
  for (int32_t l : {3, 2, 1}) usAdd(again, l);
  expectHolds(again, {3, 2, 1});
  // Many members: the whole table is cleared at once.
  for (int32_t k = 0; k < 5000; k++) usAdd(again, 4 * k);
  usEmpty(again);
  for (int32_t l = 0; l < NLITS; l++) ASSERT_FALSE(usContains(again, l)) << l;
  giveBackUniqueSet();
}

// A probe's set that holds only the probe literal takes over its first
// child's set: the members must come out as adding them last first would
// leave them, whatever mode each set's table is in.
TEST_F(Pools, SetTakesOverAnotherSetsMembersInReverse) {
  useLiterals(40000);  // bit mode from 312 members on
  initUniqueSetArray();
  UniqueSet* s = getUniqueSet();
  UniqueSet* from = getUniqueSet();
  struct Case {
    int32_t members;  // in `from`
    bool takerDense;  // s held a bit table before (from an earlier, larger fill)
  };
  for (Case c : {Case{0, false}, Case{7, false}, Case{8, false}, Case{311, false}, Case{311, true},
                 Case{700, false}, Case{700, true}, Case{3, true}}) {
    SCOPED_TRACE(testing::Message() << c.members << " members, taker dense " << c.takerDense);
    if (c.takerDense)
      for (int32_t k = 0; k < 400; k++) usAdd(s, 2 * k + 1);
    usEmpty(s);
    usAdd(s, 39999);
    std::vector<int32_t> added;
    for (int32_t k = 0; k < c.members; k++) {
      int32_t l = (k * 7919) % 39998;
      usAdd(from, l);
      added.push_back(l);
    }
    const uint64_t* fromBits = from->bits;
    usTakeReversed(s, from);
    std::vector<int32_t> expected{39999};
    expected.insert(expected.end(), added.rbegin(), added.rend());
    expectHolds(s, expected);
    if (fromBits != nullptr) {
      EXPECT_EQ(s->bits, fromBits) << "the bit table is handed over, not copied";
    }
    expectHolds(from, {});
    usAdd(from, 5);  // still usable
    expectHolds(from, {5});
    usEmpty(from);
    usAdd(s, 39998);
    expected.push_back(39998);
    expectHolds(s, expected);
  }
  giveBackUniqueSet();
  giveBackUniqueSet();
}

TEST_F(Pools, LargeStorageIsKeptWithinABudgetAndReleasedBeyondIt) {
  useLiterals(1 << 20);  // bit mode only from 8192 members: a large hash table first
  initUniqueSetArray();
  UniqueSet* s = getUniqueSet();
  for (int32_t l = 0; l < 5000; l++) usAdd(s, 2 * l + 1);
  EXPECT_EQ(s->bits, nullptr);
  EXPECT_GT(s->slotCap, 4096);
  for (int32_t l = 0; l < 5000; l++) ASSERT_TRUE(usContains(s, 2 * l + 1));
  ASSERT_FALSE(usContains(s, 2));
  giveBackUniqueSet();
  EXPECT_NE(s->slots, nullptr) << "kept for reuse";
  EXPECT_EQ(s->count, 0);
  for (int32_t l = 0; l < 5000; l++) ASSERT_FALSE(usContains(s, 2 * l + 1));

  // Sixty nested sets in bit mode (128 KB of bits each): given back in
  // reverse order, the first ones fit the budget of 8 bytes per literal
  // (8 MB), the rest give their storage up.
  std::vector<UniqueSet*> nested;
  for (int depth = 0; depth < 60; depth++) {
    nested.push_back(getUniqueSet());
    for (int32_t l = 0; l < 9000; l++) usAdd(nested.back(), 2 * l + (depth & 1));
    ASSERT_NE(nested.back()->bits, nullptr);
  }
  int kept = 0, released = 0;
  for (int depth = 59; depth >= 0; depth--) {
    giveBackUniqueSet();
    if (nested[size_t(depth)]->bits != nullptr) kept++;
    if (nested[size_t(depth)]->items == nullptr) released++;
  }
  EXPECT_GT(kept, 0);
  EXPECT_GT(released, 0);
  EXPECT_EQ(kept + released, 60);
  EXPECT_LE(pooledSetBytes(), 8u * (1u << 20) + (1u << 16));
  // Reused sets start empty whatever they kept.
  for (int depth = 0; depth < 60; depth++) {
    UniqueSet* again = getUniqueSet();
    ASSERT_EQ(again->count, 0);
    ASSERT_FALSE(usContains(again, 2 * depth));
  }
  EXPECT_EQ(pooledSetBytes(), 0u);
}

// Random additions, pops and emptyings against a reference set, in both
// modes: the hash table's deletions move entries, and a wrong move loses a
// member or keeps a removed one.
TEST_F(Pools, RandomOperationsMatchAReferenceSet) {
  for (int32_t nlits : {64, 2000, 100000}) {
    useLiterals(nlits);
    initUniqueSetArray();
    UniqueSet* s = getUniqueSet();
    std::vector<int32_t> order;
    uint64_t state = 88172645463325252ull + uint64_t(nlits);
    auto next = [&state]() {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return state;
    };
    bool sawBits = false;
    for (int step = 0; step < 20000; step++) {
      // Phases that mostly grow and phases that mostly shrink, so that the
      // set swings across the switch to bit mode where NLITS allows.
      const bool growing = (step / 1500) % 2 == 0;
      uint64_t r = next() % 1000;
      if (r == 999) {
        usEmpty(s);
        order.clear();
      } else if (r < (growing ? 850u : 300u)) {
        // Few distinct literals in a narrow range: many collisions and repeats.
        int32_t l = int32_t(next() % uint64_t(nlits < 3000 ? nlits : 3000));
        bool had = std::find(order.begin(), order.end(), l) != order.end();
        usAdd(s, l);
        if (!had) order.push_back(l);
      } else if (!order.empty()) {
        ASSERT_EQ(usPopLast(s), order.back());
        order.pop_back();
      }
      sawBits = sawBits || s->bits != nullptr;
      if (step % 997 == 0) expectHolds(s, order);
      ASSERT_EQ(s->count, int32_t(order.size()));
    }
    expectHolds(s, order);
    giveBackUniqueSet();
    if (nlits <= 2000) {
      EXPECT_TRUE(sawBits) << "the set never reached bit mode";
    }
    cleanupUniqueSetArray();
  }
}

TEST_F(Pools, ListsAreHandedOutInStackOrderAndGrow) {
  initNewImplicantListArray();
  int32_t first = getNewImplicantList();
  int32_t second = getNewImplicantList();
  EXPECT_NE(first, second);
  EXPECT_EQ(pass.lists.out, 2);
  for (int32_t n = 0; n < 3000; n++) implicantListPut(second, n, 3 * n);
  implicantListPut(first, 0, 42);
  for (int32_t n = 0; n < 3000; n++) ASSERT_EQ(pass.lists.lists[second][n], 3 * n) << n;
  EXPECT_EQ(pass.lists.lists[first][0], 42);
  const int32_t* kept = pass.lists.lists[second];
  giveBackNewImplicantList();
  EXPECT_EQ(pass.lists.out, 1);
  EXPECT_EQ(getNewImplicantList(), second);
  EXPECT_EQ(pass.lists.lists[second], kept);  // a list of moderate size stays for reuse
  giveBackNewImplicantList();
  giveBackNewImplicantList();
  EXPECT_EQ(pass.lists.out, 0);
}

TEST_F(Pools, LargeListIsReleasedWhenGivenBack) {
  initNewImplicantListArray();
  int32_t slot = getNewImplicantList();
  for (int32_t n = 0; n < 10000; n++) implicantListPut(slot, n, n);
  for (int32_t n = 0; n < 10000; n++) ASSERT_EQ(pass.lists.lists[slot][n], n);
  giveBackNewImplicantList();
  EXPECT_EQ(pass.lists.lists[slot], nullptr);
  // The slot works again after the release.
  EXPECT_EQ(getNewImplicantList(), slot);
  implicantListPut(slot, 5, 9);
  EXPECT_EQ(pass.lists.lists[slot][5], 9);
  giveBackNewImplicantList();
}

TEST_F(Pools, ListSlotArrayGrowsForDeepNesting) {
  initNewImplicantListArray();
  for (int32_t d = 0; d < 200; d++) {
    ASSERT_EQ(getNewImplicantList(), d);
    implicantListPut(d, 0, d);
  }
  for (int32_t d = 0; d < 200; d++) ASSERT_EQ(pass.lists.lists[d][0], d);
  for (int32_t d = 0; d < 200; d++) giveBackNewImplicantList();
  EXPECT_EQ(pass.lists.out, 0);
}

}  // namespace
