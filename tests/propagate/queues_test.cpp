// Queuing forced literals: the top-level queue and the two clause-level
// queues share their rules and differ in their messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "propagate/queues.h"
#include "store/checks.h"
#include "store/store.h"
#include "support/fixture.h"

using V = std::vector<int32_t>;

namespace {

struct QueueKind {
  const char* name;
  void (*push)(int32_t);
  UPstackRec** queue;
  const char* universal;       // line printed for a universal literal
  const char* negationQueued;  // ... for a literal whose negation waits
  const char* alreadyFalse;    // ... for a false literal
};

void PrintTo(const QueueKind& k, std::ostream* os) { *os << k.name; }

const QueueKind kKinds[] = {
    {"UPstack", pushUPstack, &UPstack, "c CONTRADICTION found(4)!\n", "c CONTRADICTION found(2)!\n",
     "c CONTRADICTION found(1)!\n"},
    {"bclsUPstack", pushbclsUPstack, &bclsUPstack, "c CONTRADICTION found! 9\n", "c CONTRADICTION found! 5\n",
     "c CONTRADICTION found! 4\n"},
    {"naryUPstack", pushnaryUPstack, &naryUPstack, "c CONTRADICTION found! 10\n", "c CONTRADICTION found! 2\n",
     "c CONTRADICTION found! 1\n"},
};

// 1 universal in block 0; 2 and 3 existential in block 1.
const char* const kFormula = "p cnf 3 1\na 1 0\ne 2 3 0\n1 2 3 0\n";

class Queue : public ::testing::TestWithParam<QueueKind> {
 protected:
  void SetUp() override { buildText(kFormula); }
  UPstackRec* q() const { return *GetParam().queue; }
  // Pushes x and returns what was printed.
  std::string push(int32_t x) {
    CaptureStdout out;
    GetParam().push(x);
    return out.text();
  }
};

}  // namespace

TEST_P(Queue, UnassignedLiteralIsQueuedOnce) {
  EXPECT_EQ(push(lit(2)), "");
  EXPECT_EQ(push(lit(-3)), "");
  EXPECT_EQ(push(lit(2)), "");
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_EQ(queued(q()), (V{lit(2), lit(-3)}));
  EXPECT_TRUE(q()->inStack[lit(2)] && q()->inStack[lit(-3)]);
  EXPECT_FALSE(q()->inStack[lit(-2)] || q()->inStack[lit(3)]);
}

TEST_P(Queue, UniversalLiteralIsAContradictionWhateverItsValue) {
  EXPECT_EQ(push(lit(-1)), GetParam().universal);
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_EQ(q()->count, 0);
  buildText(kFormula);
  setTrue(lit(1));
  EXPECT_EQ(push(lit(1)), GetParam().universal);
  EXPECT_TRUE(CONTRADICTION);
}

TEST_P(Queue, NegationWaitingInTheSameQueueIsAContradiction) {
  push(lit(3));
  EXPECT_EQ(push(lit(-3)), GetParam().negationQueued);
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_EQ(queued(q()), V{lit(3)});
}

TEST_P(Queue, FalseLiteralIsAContradictionAndTrueOneIsIgnored) {
  setTrue(lit(2));
  EXPECT_EQ(push(lit(2)), "");
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_EQ(q()->count, 0);
  EXPECT_EQ(push(lit(-2)), GetParam().alreadyFalse);
  EXPECT_TRUE(CONTRADICTION);
  EXPECT_EQ(q()->count, 0);
}

TEST_P(Queue, IllegalValueIsReportedAndNotQueued) {
  PRELITS[lit(-3)].tval = 7;
  EXPECT_EQ(push(lit(-3)), "ERROR: Illegal value for tval for literal -3.\n");
  EXPECT_FALSE(CONTRADICTION);
  EXPECT_EQ(q()->count, 0);
  EXPECT_FALSE(q()->inStack[lit(-3)]);
}

TEST_P(Queue, ClearingUnmarksEveryEntry) {
  push(lit(2));
  push(lit(-3));
  clearQueue(q());
  EXPECT_EQ(q()->count, 0);
  EXPECT_TRUE(noneMarked(q()));
}

INSTANTIATE_TEST_SUITE_P(AllThree, Queue, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<QueueKind>& i) { return std::string(i.param.name); });

TEST(ClauseLevelQueues, EachQueueOnlySeesItsOwnEntries) {
  buildText(kFormula);
  // -2 waits on the binary queue only: the n-ary queue takes 2, the binary
  // queue then refuses it.
  pushbclsUPstack(lit(-2));
  CaptureStdout out;
  pushnaryUPstack(lit(2));
  pushbclsUPstack(lit(2));
  EXPECT_EQ(out.text(), "c CONTRADICTION found! 5\n");
  EXPECT_EQ(queued(naryUPstack), V{lit(2)});
  EXPECT_EQ(queued(bclsUPstack), V{lit(-2)});

  buildText(kFormula);
  pushnaryUPstack(lit(-2));
  CaptureStdout out2;
  pushbclsUPstack(lit(2));
  pushnaryUPstack(lit(2));
  EXPECT_EQ(out2.text(), "c CONTRADICTION found! 2\n");
  EXPECT_EQ(queued(bclsUPstack), V{lit(2)});
  EXPECT_EQ(queued(UPstack), V{});
}
