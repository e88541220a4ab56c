// The open-addressing table against a reference multimap: inserts, erases
// (whose backward shift must keep every run reachable, also across the end
// of the table), growth, and clearing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "store/hashtable.h"

namespace {

template <class Key>
std::vector<int32_t> valuesOf(const OpenTable<Key>& t, Key key) {
  std::vector<int32_t> v;
  t.forEach(key, [&](int32_t x) { v.push_back(x); });
  std::sort(v.begin(), v.end());
  return v;
}

template <class Key>
std::vector<int32_t> valuesOf(const std::multimap<Key, int32_t>& m, Key key) {
  std::vector<int32_t> v;
  for (auto [it, end] = m.equal_range(key); it != end; ++it) v.push_back(it->second);
  std::sort(v.begin(), v.end());
  return v;
}

// Random inserts and erases over few keys (long runs of one key, many
// collisions), checked against the reference after every step.
template <class Key>
void differential(uint64_t seed, int keys, Key scale) {
  std::mt19937_64 rng(seed);
  OpenTable<Key> table;
  std::multimap<Key, int32_t> reference;
  for (int step = 0; step < 4000; step++) {
    const Key key = Key(rng() % uint64_t(keys)) * scale;
    if (reference.empty() || rng() % 3 != 0) {
      const int32_t value = int32_t(rng() % 50);
      table.insert(key, value);
      reference.insert({key, value});
    } else {
      auto it = reference.begin();
      std::advance(it, long(rng() % reference.size()));
      table.erase(it->first, it->second);
      reference.erase(it);
    }
    ASSERT_EQ(table.size(), reference.size());
    for (int k = 0; k < keys; k++) {
      const Key probe = Key(k) * scale;
      const std::vector<int32_t> want = valuesOf(reference, probe);
      ASSERT_EQ(valuesOf(table, probe), want) << "step " << step << " key " << k;
      const int32_t found = table.find(probe);
      if (want.empty()) {
        ASSERT_EQ(found, -1);
      } else {
        ASSERT_TRUE(std::count(want.begin(), want.end(), found)) << found;
      }
      for (int32_t v : {0, 7, 49}) ASSERT_EQ(table.contains(probe, v), std::count(want.begin(), want.end(), v) > 0);
    }
  }
}

}  // namespace

TEST(OpenTable, SmallKeysAgreeWithAMultimap) { differential<int32_t>(1, 40, 1); }
TEST(OpenTable, WideKeysAgreeWithAMultimap) { differential<uint64_t>(2, 60, uint64_t(1) << 33); }

TEST(OpenTable, AnEmptyTableFindsNothing) {
  OpenTable<int32_t> t;
  EXPECT_EQ(t.find(5), -1);
  EXPECT_FALSE(t.contains(5, 0));
  int calls = 0;
  t.forEach(5, [&](int32_t) { calls++; });
  EXPECT_EQ(calls, 0);
  t.clear();
  EXPECT_TRUE(t.empty());
}

TEST(OpenTable, GrowingKeepsEveryPairAndClearingDropsThem) {
  OpenTable<int32_t> t(4);
  for (int32_t k = 0; k < 5000; k++) t.insert(k, k % 7);
  EXPECT_EQ(t.size(), 5000u);
  for (int32_t k = 0; k < 5000; k++) ASSERT_EQ(t.find(k), k % 7) << k;
  t.clear();
  EXPECT_TRUE(t.empty());
  for (int32_t k = 0; k < 5000; k++) ASSERT_EQ(t.find(k), -1) << k;
  t.insert(3, 1);
  EXPECT_EQ(t.find(3), 1);
}
