// The tables of a hyper-binary resolution pass, in one object.
//
// Every table here lives from the start of a pass to its end: runHypRes
// sets them up (preparePass) and releases them however the pass ends
// (releasePassTables), so between passes they hold nothing. What outlives a
// pass is in idlenotes.h. The object listens to the store's edits while
// the pass runs (store/watch.h), which keeps the list prints and the
// compact search copies of the implication lists up to date.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "hyperres/marks.h"
#include "hyperres/pools.h"
#include "store/store.h"
#include "store/watch.h"

// What a literal's finished probe left in its set, when that set was closed
// (see the probe): a search from the literal that finds a set of the same
// size and print finds that set again.
struct ClosedSetNote {
  uint64_t print;  // the set's print
  int32_t size;    // its members
  int32_t level;   // the probe's level
  uint32_t drain;  // drainCount + 1 when noted; 0 none
};

// The kinds of trail entries.
enum UndoKind : int32_t {
  UNDO_VALUE = 0,    // a tval changed: ref the literal, old the previous value
  UNDO_LENGTH = 1,   // curLen of clause ref decreased by one
  UNDO_QUEUED = 3,   // literal ref was queued on the probes' stack
  UNDO_REDUCED = 4,  // literal old was counted as reduced in clause ref
};

// One tentative change of a probe, undone by UndoChanges().
struct UndoEntry {
  int32_t kind;  // an UndoKind
  int32_t ref;   // literal index (UNDO_VALUE, UNDO_QUEUED) or clause index
  int32_t old;   // see UndoKind
};

// What the count of a set's negations in an n-ary clause reads, packed in
// one record so that counting a negation costs one memory access.
struct ClauseTally {
  uint32_t stamp;        // the count that last counted the clause
  int32_t falses;        // negations of members that count counted in it
  int32_t riskAt;        // falses that may leave one counted literal: hrLen - 1 (at least 1); INT32_MAX inactive
  int32_t maxUniversal;  // hrMaxUniversal of the clause
};

// The running phase 2 over a probe's extras only (set == nullptr when none):
// the members `set` had when it began are true and their negations false,
// although their tval does not say so.
struct ExtrasView {
  const UniqueSet* set;  // the probe's set
  int32_t members;       // its members when the phase began (those added later are derived)
  bool asSwept;          // values as the sweeps leave them: literals queued in the phase read unassigned
};

// What the closure search of the probes reads of a literal, kept during a
// pass beside the literal records and a quarter of their size, so that a
// search over many literals stays in the cache. The list edits, the probes'
// colours and the top-level assignments keep it up to date (see
// refreshSearchList and refreshSearchEntry); the tentative values of a probe
// do not show in it.
struct SearchLit {
  const int32_t* implications;  // the literal's implications: a copy of its list, or the list itself after an edit
  int32_t count;                // numImpl if the search may enter the literal, else ~numImpl
  int32_t universalLevel;       // prefixLevel of a universal literal, INT32_MIN for an existential one
};

// Where the two halves of a resolvent (-l v u) of a running probe stand:
// u in l's list, -l in -u's list; -1 when the probe did not append it. The
// pruning of phase 3 removes a resolvent at these places when they still
// hold it, instead of searching the lists.
struct ResolventPlace {
  int32_t first = -1, second = -1;
};

struct HyperPass final : StoreListener {
  // The probes' queue of derived literals (NLITS entries), and its top entry (-1 empty).
  int32_t* unitPropStack = nullptr;
  int32_t topUnitPropStack = -1;

  // The trail of a probe (see trail.h).
  UndoEntry* undoStack = nullptr;
  int32_t topUndoStack = -1;  // index of the top entry, -1 when empty
  int32_t sizeUndoStack = 0;
  std::unordered_set<uint64_t> reducedPairs;  // (clause, literal) pairs counted as reduced in the running probe

  SetPool sets;    // the probes' sets
  ListPool lists;  // the probes' new-implicant lists

  // Per n-ary clause.
  int32_t* hrMaxUniversal = nullptr;  // deepest universal level in its first hrLen literals, -1 none
  int32_t* hrWitness = nullptr;       // an existential at least that deep, -1 none
  MarkTable<> sweptOff;               // the phase 2 that found it satisfied (current: last())
  MarkTable<> countedIn;              // the phase 2 over the extras that counted it (current: last())
  MarkTable<ClauseTally> clauseTally;

  // Per literal.
  MarkTable<> closedTag;   // tag of a set that holds its whole closure (see the probe)
  MarkTable<> targetFree;  // mark of a phase 3 whose remaining targets its closure lacks
  MarkTable<> baseMark;    // mark of a probe's base set among its earlier members
  ClosedSetNote* closedSets = nullptr;  // the closed set its probe left
  int32_t* setPosition = nullptr;  // its position in the set of the running phase 2 over the extras (valid
                                   // where that set's items hold it there)
  uint64_t* queuedLit = nullptr;   // onUnitPropStack, one bit each, for the scans of long implication lists
  uint64_t* listPrint = nullptr;   // the print of its implication list: the sum of memberKey over its entries
  SearchLit* searchLits = nullptr;
  int32_t* searchArena = nullptr;  // copies of the lists the SearchLits point at until an edit

  ExtrasView extrasView = {nullptr, 0, false};
  uint32_t drainCount = 0;    // top-level propagations in this pass (they void the closed-set notes)
  uint64_t implEpoch = 0;     // counts the edits that add to an implication list (or change an entry)
  std::vector<int32_t> touched;  // clauses the last top-level propagation shortened

  // The places of the resolvents of the probes in phases 2 and 3, in the
  // order derived: a stretch per probe, in nesting order (nested probes run
  // in phase 3 of their caller, after its stretch is complete).
  std::vector<ResolventPlace> resolventPlaces;
  // (literal, value before) of the literals the sweeps of the running phase
  // 2 found assigned all the same (see tentative.cpp).
  std::vector<std::pair<int32_t, int32_t>> sweepOdd;

  // Store edits while the pass runs.
  void implicationEdited(int32_t lit, int32_t left, int32_t entered) override;
  void assignedAtTop(int32_t lit) override;
  void clauseShortened(int32_t c) override { touched.push_back(c); }
};

// The running pass (its tables are empty between passes).
extern HyperPass pass;

// The print of lit's implication list as it stands.
uint64_t printOfList(int32_t lit);

inline void setQueuedLit(int32_t lit, bool on) { putBitAt(pass.queuedLit, lit, on); }

// Whether the search may enter lit: not grey (on the probes' path), its own
// representative, unassigned.
inline bool searchMayEnter(const preLit& L) { return L.dfsColour != 1 && L.equivLit == L.index && L.tval == U; }

// Points lit's SearchLit at its list after an edit and copies the count,
// keeping whether the search may enter it.
inline void refreshSearchList(int32_t lit) {
  if (pass.searchLits == nullptr) return;
  const preLit& L = PRELITS[lit];
  SearchLit& V = pass.searchLits[lit];
  const bool enter = V.count >= 0;
  V.implications = L.implications;
  V.count = enter ? L.numImpl : ~L.numImpl;
}

// Sets from lit's record whether the search may enter it: after a change of
// colour or a top-level assignment, never while a probe holds tentative values.
inline void refreshSearchEntry(int32_t lit) {
  if (pass.searchLits == nullptr) return;
  const preLit& L = PRELITS[lit];
  pass.searchLits[lit].count = searchMayEnter(L) ? L.numImpl : ~L.numImpl;
}

// Fills every SearchLit from the records.
void buildSearchLits();
