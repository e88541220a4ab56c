// Phase 1 of a probe: the binary closure.
//
// The probe of l collects in S what l implies through the binary clauses:
// the children of l (the entries of its implication list) in list order,
// each with what it implies. A white child is probed first (hypres.cpp
// runs that probe and hands its set back to childProbed); a finished
// (black) child contributes its closure by a search instead, the same as a
// new probe would find, faster. The child's set is merged into S, the last
// added first. An entry of l that is already in S when its turn comes is
// implied through an earlier child, and is removed with its other half
// (transitive reduction). A complementary pair in S, or a child that fails,
// makes l fail.
//
// The merges keep two facts for the phases after: which members of S are
// closed (below), so that later searches need not enter them, and the
// largest closed child set among S's members, the base that lets phase 2
// look at the other members alone (see skipping.cpp).
//
// Closed members. A member x of a set X is closed in X when every literal
// the closure search could reach from x now (passing no grey literal) is in
// X already. A search whose findings go into X need not enter a closed
// member: nothing it would find through x is new to X, and the literals it
// finds that are new to X come in the same order (any path to one of them
// through x would put it in X).
//
// Members are marked closed in the S of a probe, between its children. The
// literals grey then (the probe, its ancestors, failed literals) stay grey
// while S is filled, and the literals that turn black meanwhile were white
// before. Closed members carry the set's tag in closedTag[]. The claim
// holds only while no implication list gains an entry (removals only shrink
// closures; literals become inactive only between top-level probes, when
// every set is empty), so a tag is valid only in the implEpoch in which it
// was issued (tagValid); emptying the set voids it too.
#include "hyperres/probe.h"

#include <algorithm>
#include <cassert>
#include <vector>

#include "propagate/queues.h"
#include "store/lists.h"

namespace {

// Before: the members about to be marked have their closure in X.
// After: X has a valid tag; members marked earlier stay marked if the tag
// was still valid.
void openTag(UniqueSet* X) {
  if (tagValid(X)) return;
  X->closedTag = pass.closedTag.next();
  X->closedEpoch = pass.implEpoch;
}

// The level at which a finished child c's probe left its set closed, if a
// search from c now finds a set of that size and print (no top-level
// propagation since): that very set is closed still. NOT_CLOSED otherwise.
int32_t closedLevelOf(int32_t c, int32_t size, uint64_t print) {
  const ClosedSetNote& note = pass.closedSets[c];
  return note.drain == pass.drainCount + 1 && note.size == size && note.print == print ? note.level : NOT_CLOSED;
}

// Merges the closure of a finished child c into S by a search that adds
// what it finds to S directly, without a child set: it enters no literal
// carrying S's tag (closed members, and what it entered itself) and gives
// every literal it enters that tag, since everything c reaches is then in S.
// The literals new to S are added in the order the merge of a child set
// would add them: the reverse of the search's.
// Before: c is not in S; the untagged members of S have their tags written.
// After, if it returns true: S holds c's closure and has a valid tag that
// its closed members carry; base is updated as for a child set. If it
// returns false (the closure holds the negation of a member of S, so the
// probe fails), S holds the members it held before.
// Kept out of line, as the other searches of the probes: inlined into the
// loop that drives the probes, a search loop loses its registers.
[[gnu::noinline]] bool mergeFinishedChild(int32_t c, UniqueSet* S, int32_t level, Base& base) {
  static std::vector<int32_t> already;  // entered literals that S held already
  already.clear();
#ifndef NDEBUG
  const std::vector<int32_t> expected = fullSearchFinds(c, [S](int32_t x) { return !usContains(S, x); });
#endif
  openTag(S);
  const uint32_t tag = S->closedTag;
  const int32_t blockStart = S->count;
  int32_t entered = 0, deepest = NO_UNIVERSAL;
  uint64_t print = 0;
  bool clash = false;
  auto take = [&](int32_t x, int32_t universalLevel) {
    pass.closedTag[x] = tag;
    entered++;
    print ^= memberKey(x);
    if (universalLevel > deepest) deepest = universalLevel;
    if (usContains(S, x)) {
      already.push_back(x);
    } else {
      clash = usContains(S, x ^ 1);
      usAddNew(S, x);
    }
    return clash;
  };
  take(c, pass.searchLits[c].universalLevel);
  if (!clash)
    searchBelow(
        c, [&](int32_t x) { return pass.closedTag[x] == tag; },
        [&](int32_t x, const SearchLit& X) { return take(x, X.universalLevel); });
  if (clash) {
    while (S->count > blockStart) usPopLast(S);
    return false;
  }
#ifndef NDEBUG
  assert(std::vector<int32_t>(S->items + blockStart, S->items + S->count) == expected);
#endif
  std::reverse(S->items + blockStart, S->items + S->count);
  if (deepest > S->deepestUniversal) S->deepestUniversal = deepest;
  if (closedLevelOf(c, entered, print) <= level && entered > base.size) {
    base.size = entered;
    base.start = blockStart;
    base.mark = pass.baseMark.next();
    for (int32_t x : already) pass.baseMark[x] = base.mark;
    base.end = S->count;
  }
  return true;
}

// Merges the set of the child just probed or searched into S, the last
// added first, and notes it as the base and its members as closed where it
// qualifies. Returns false when S would hold a complementary pair.
bool mergeChildSet(const preLit* L, UniqueSet* S, Closure& cl) {
  const int32_t l = L->index;
  const int32_t level = L->prefixLevel;
  UniqueSet* childSet = cl.childSet;
  Base& base = cl.base;
  // The child's set is closed apart from grey literals (still grey while
  // l is probed) when no implication list gained an entry meanwhile: the
  // search entered everything else it reached, and a probe that adds no
  // resolvent derives nothing new, after making true every literal that
  // its derived literals imply.
  const bool childClosed = pass.implEpoch == cl.epochBefore;
  // Move the child's implicants into S, the last added first; the child's
  // set is emptied in one sweep afterwards (or when given back). While S
  // holds l alone, and the child neither l nor -l, S takes over the
  // child's storage instead (the same members in the same order).
  const bool asBase = childSet->closedLevel <= level && childSet->count > base.size;
  if (asBase) {
    base.size = childSet->count;
    base.start = S->count;
    base.mark = pass.baseMark.next();
  }
  if (childSet->deepestUniversal > S->deepestUniversal) S->deepestUniversal = childSet->deepestUniversal;
  const int32_t blockStart = S->count;
  const bool takeOver = S->count == 1 && !usContains(childSet, l) && !usContains(childSet, l ^ 1);
  if (takeOver) {
    usTakeReversed(S, childSet);
  } else {
    for (int32_t k = childSet->count - 1; k >= 0; k--) {
      int32_t e = childSet->items[k];
      if (usContains(S, e ^ 1)) return false;
      if (!usContains(S, e)) {
        usAddNew(S, e);
      } else if (asBase) {
        pass.baseMark[e] = base.mark;
      }
    }
  }
  if (asBase) base.end = S->count;
  if (childClosed) {
    openTag(S);
    if (takeOver) {
      cl.untagged = {blockStart, S->count, S->closedTag};
    } else {
      for (int32_t k = 0; k < childSet->count; k++) pass.closedTag[childSet->items[k]] = S->closedTag;
    }
  }
  usEmpty(childSet);
  cl.next++;
  return true;
}

// The end of a probe that failed in phase 1: -l is queued at top level.
void failClosure(int32_t l) {
  pushUPstack(l ^ 1);
  giveBackUniqueSet();
}

}  // namespace

void writeTags(UniqueSet* S, Untagged& untagged, bool valid) {
  if (valid && untagged.tag == S->closedTag)
    for (int32_t k = untagged.from; k < untagged.to; k++) pass.closedTag[S->items[k]] = untagged.tag;
  untagged.from = untagged.to = 0;
}

void beginClosure(Closure& cl) {
  cl.childSet = getUniqueSet();
  cl.base = Base{};
  // The members that S takes over from a closed first child are closed in
  // S, but their tags are written only when a search may skip them: a later
  // finished child's, or phase 3's (a probe with one child has neither).
  // Tags are valid only in the epoch of S's tag (see ClosedInS for phase 3).
  cl.untagged = Untagged{};
  cl.next = 0;
}

ClosureStep closureStep(preLit* L, UniqueSet* S, Closure& cl, int32_t& child) {
  const int32_t l = L->index;
  const int32_t level = L->prefixLevel;
  UniqueSet* childSet = cl.childSet;
  while (cl.next < L->numImpl) {
    const int32_t j = cl.next;
    int32_t c = L->implications[j];
    if (usContains(S, c)) {
      implRemoveAt(l, j);
      implRemoveFirst(c ^ 1, l ^ 1);
      countRemovedBinary();
      continue;
    }
    if (PRELITS[c].dfsColour == 1 || !isActive(c)) {
      cl.next++;
      continue;
    }
    cl.epochBefore = pass.implEpoch;
    if (PRELITS[c].dfsColour != 2) {
      child = c;
      return ClosureStep::PROBE_CHILD;
    }
    // A finished child contributes its closure by a search that does not
    // enter the closed members of S (the same as a probe of it, faster).
    writeTags(S, cl.untagged, tagValid(S));
    // Straight into S. A merge that finds a complementary pair leaves S
    // as it was, and the child set's search and merge below find the pair
    // again, leaving S as a probe that fails there must.
    if (mergeFinishedChild(c, S, level, cl.base)) {
      cl.next++;
      continue;
    }
    const bool skipping = tagValid(S);
    const uint32_t tag = S->closedTag;
    closureSearch(c, childSet, [&](int32_t x) { return skipping && pass.closedTag[x] == tag; }, noStop);
#ifndef NDEBUG
    if (skipping) checkSkippingSearch(c, childSet, S);
#endif
    childSet->closedLevel = closedLevelOf(c, childSet->count, childSet->print);
    if (!mergeChildSet(L, S, cl)) {
      failClosure(l);
      return ClosureStep::FAILED;
    }
  }
  giveBackUniqueSet();
  return ClosureStep::DONE;
}

bool childProbed(preLit* L, UniqueSet* S, Closure& cl, bool ok) {
  if (ok && mergeChildSet(L, S, cl)) return true;
  failClosure(L->index);
  return false;
}

void noteClosed(const preLit* L, UniqueSet* S) {
  S->closedLevel = L->prefixLevel;
  pass.closedSets[L->index] = {S->print, S->count, L->prefixLevel, pass.drainCount + 1};
}
