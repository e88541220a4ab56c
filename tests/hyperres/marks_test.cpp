// Mark tables: a new number unmarks every entry at once, also when the
// numbers wrap, for plain stamps and for records that carry one.
#include <gtest/gtest.h>

#include <cstdint>

#include "hyperres/marks.h"

namespace {
struct Tally {
  uint32_t stamp;
  int32_t count;
};
}  // namespace

TEST(MarkTable, ANewNumberUnmarksEveryEntry) {
  MarkTable<> t;
  t.allocate(8, "test");
  EXPECT_EQ(t.last(), 0u);
  const uint32_t first = t.next();
  EXPECT_EQ(first, 1u);
  t[3] = first;
  EXPECT_EQ(t[3], t.last());
  t.next();
  EXPECT_NE(t[3], t.last());
  t.release();
  EXPECT_FALSE(t.allocated());
  EXPECT_EQ(t.last(), 0u);
}

TEST(MarkTable, WrappingClearsTheStampsSoNoOldMarkMatches) {
  MarkTable<> t;
  t.allocate(4, "test");
  t[0] = 1;  // a mark of the first number
  t.skipTo(UINT32_MAX);
  t[1] = t.last();
  EXPECT_EQ(t.next(), 1u);  // the numbers start again at 1, not 0
  EXPECT_EQ(t[0], 0u);
  EXPECT_EQ(t[1], 0u);
  t.release();
}

TEST(MarkTable, RecordsKeepTheirOtherFieldsThroughAWrap) {
  MarkTable<Tally> t;
  t.allocate(3, "test");
  t[2] = {t.next(), 42};
  t.skipTo(UINT32_MAX);
  t.next();
  EXPECT_EQ(t[2].stamp, 0u);
  EXPECT_EQ(t[2].count, 42);
  t.release();
}
