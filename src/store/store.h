// The formula store: every process-wide table of qshrink, the records they
// hold, the literal encoding and the allocation helpers.
//
// All state of a run lives in the globals declared here. They are plain
// arrays of plain records addressed by literal index or clause index; every
// pass reads and rewrites them in place. resetAllState() releases and zeroes
// all of it, so that one process can run many formulas (the tests do).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Literal encoding and truth values.
//
// Variable v (1-based, as in the input) owns index 2v-2 (literal -v) and
// 2v-1 (literal +v); negation is XOR 1.

constexpr int32_t F = 0;  // false
constexpr int32_t U = 1;  // unassigned
constexpr int32_t T = 2;  // true

// Literal index of a signed input literal (l != 0).
inline int32_t litIndex(int64_t l) { return l < 0 ? int32_t(-2 * l - 2) : int32_t(2 * l - 1); }
// Signed input literal of a literal index; every message and file shows this.
inline int32_t to_ff(int32_t i) { return (i & 1) ? (i + 2) / 2 : -((i + 2) / 2); }

// ---------------------------------------------------------------------------
// Records.

// One per literal index, in PRELITS.
struct preLit {
  // 64 bytes; the fields a probe reads for every literal it meets lie in the
  // first 48, which share a cache line whenever the table starts at an
  // address that is 16 modulo 64 or better.
  int32_t index;          // the literal's own index
  int32_t tval;           // F / U / T
  int32_t equivLit;       // representative (search low-link during a component search)
  int32_t numImpl;        // entries in use in implications
  int32_t* implications;  // y listed iff binary clause (-this v y) is in the formula
  int32_t* LitNcls;       // indices into PRENCLS of the n-ary clauses holding this literal
  int32_t numNcls;        // entries in use in LitNcls
  int32_t prefixLevel;    // quantifier block of the variable; -1 for free variables
  int8_t dfsColour;       // probe search colour: 0 white, 1 grey, 2 black
  bool onUnitPropStack;   // probe: tentatively queued on UnitPropStack
  bool existential;       // existential (true) or universal (false)
  bool visited;           // component search: visited
  int32_t implCap;        // capacity of implications
  int32_t nclsCap;        // capacity of LitNcls
  int32_t dfsNum;         // component search: discovery number
  int32_t sccRep;         // on a component root: the chosen representative, -1 none
  bool inComponent;       // component search: component finished
  bool hasNewBcls;        // gained a binary clause since the last component search
  bool naryDone;          // clause-level propagation handled the n-ary clauses
  bool bclsDone;          // clause-level propagation handled the binary clauses
};
static_assert(sizeof(preLit) == 64, "a literal record is 64 bytes");

// One per clause of three or more literals at build time, in PRENCLS.
struct preNcls {
  int32_t* lits;   // literal indices; shared with the reader's ClauseListNode
  int32_t curLen;  // literals currently in lits
  bool active;     // false once satisfied or turned into a binary clause
  int32_t hrLen;   // curLen as seen at the start of a hyper-binary resolution pass
};

// A clause as the reader stored it.
struct ClauseListNode {
  int32_t* lits;         // literal indices (in the literal arena)
  int32_t len;           // literal count as stored
  bool active;           // created true
  ClauseListNode* next;  // next node of the same length list
};

// Literal queue: UPstack, naryUPstack, bclsUPstack. Sized NLITS, never grows.
struct UPstackRec {
  bool* inStack;   // per literal: queued now
  int32_t size;    // NLITS
  int32_t count;   // queued literals
  int32_t* items;  // the queue, worked last in first out
};

// Pending binary clauses, stored as consecutive pairs.
struct NewBclsStackRec {
  int32_t* items;
  int32_t size;
  int32_t top;  // index of the last entry, -1 when empty
};

// Literals that got another representative in the current component search.
struct EquivLitStackRec {
  int32_t* items;
  int32_t size;
  int32_t done;  // consumption cursor of the substitution passes
  int32_t top;   // index of the last entry, -1 when empty
};

constexpr int NUM_CLAUSE_LISTS = 256;  // lenNclauses: one list per length, 255 for >= 255

// ---------------------------------------------------------------------------
// Process-wide tables and counters.

extern int32_t NVARS;     // variables (after reading: those that occur in some clause)
extern int32_t NCLAUSES;  // clause count of the parameter line, lowered if the input ends early
extern int32_t NLITS;     // 2 * NVARS
extern preLit* PRELITS;   // literal records, NLITS of them
extern preNcls* PRENCLS;  // n-ary clause records, NUMNCLS of them
extern int32_t NUMNCLS;   // n-ary clauses handed over by the reader
extern int32_t NUMBCLS;   // binary clauses loaded at build time, duplicates included
extern ClauseListNode* lenNclauses[NUM_CLAUSE_LISTS];  // read-time clause lists by length
extern bool* bArrExistential;   // per literal index: existential
extern int32_t* nArrPrefixLevel;  // per literal index: quantifier block (-1: free variable)
extern int32_t NMAXPREFIXLEVEL;   // quantifier lines read
extern int32_t* orig_varnum;      // per new 0-based variable: its 0-based number in the input
extern uint32_t* naryOccurrences;  // per literal index: read-time n-ary clauses holding it; the build uses it up

extern UPstackRec* UPstack;      // top-level unit queue
extern UPstackRec* naryUPstack;  // clause-level queue for the n-ary half of propagation
extern UPstackRec* bclsUPstack;  // clause-level queue for the binary half of propagation
extern NewBclsStackRec* newBclsStack;     // pending binary clauses
extern EquivLitStackRec* equivLitStack;   // literals with a new representative

extern bool CONTRADICTION;  // the formula has been shown false
extern bool SATISFIED;      // the formula has been shown true (renumbering writer only)
extern std::string filename;  // input file name; cut to its base name after reading
extern std::string outfile;   // output path (set by -o, then by the writer)

// Statistics.
extern int32_t numValuedLits;   // +2 per literal made true (the literal and its negation)
extern int32_t numSatCls;       // satisfied clauses of any length
extern int32_t numSatNaryCls;   // satisfied n-ary clauses
extern int32_t numSatBcls;      // satisfied or removed binary clauses
extern int32_t numInitUnits;    // unit clauses of the input
extern int32_t numReducedNary;  // n-ary clauses turned binary
extern int32_t numAddBcls;      // binary clauses added
extern int32_t numEquivLits;    // literals given another representative
extern int32_t CURNLITS;        // unused statistic, kept for the record layout
extern int32_t deleteCount;     // arrays released when a list grew

// Counts of a renumbered output formula (renumbering writer).
extern int32_t NEW_NVARS;
extern int32_t NEW_NUMNCLS;
extern int32_t NEW_NUMBCLS;
extern int32_t NEW_NUMCLS;
extern int32_t NEW_NLITS;
extern uint8_t* var_assign;  // per variable: the assignment the renumbering writer wrote (1 true, 0 false)

// Component search (equivalence reduction).
extern int32_t visitCount;       // next discovery number of the running search
extern int32_t* LitStack;        // finished non-root literals of the running search
extern int32_t top;              // index of the top entry of LitStack, -1 when empty
extern int32_t numNewEquivLits;  // literals pushed on equivLitStack by the running search

// Hyper-binary resolution (live during a pass unless noted).

// A set of literals: constant-time membership, members in the order added,
// storage that grows with the members actually held.
struct UniqueSet {
  int32_t* items;     // the members, in the order they were added
  int32_t count;      // number of members
  int32_t itemCap;    // capacity of items
  int32_t* slots;     // open-addressing table of the members, -1 for empty (small sets)
  int32_t slotCap;    // capacity of slots (a power of two)
  uint64_t* bits;     // one bit per literal, replacing slots once the set is large
  int32_t size;       // nominal capacity: NLITS
  uint32_t closedTag;    // members carrying this tag in closedTag[] have their closure in the set
  uint64_t closedEpoch;  // implEpoch when closedTag was issued; the tag is void once that moves on
  int32_t closedLevel;       // a probe at this level left the set closed under its propagation (NOT_CLOSED none)
  int32_t deepestUniversal;  // deepest prefix level of a universal member (NO_UNIVERSAL none; may overstate;
                             // kept by the probes as they add members, not by usAdd)
  uint64_t print;            // exclusive or of memberKey() over the members
};

// A literal's key in a set's print: a fixed pseudo-random 64-bit number. The
// prints of implication lists are sums of keys, equal for two lists exactly
// when they hold the same literals, each as many times, barring a 64-bit
// collision of chance.
inline uint64_t memberKey(int32_t lit) {
  uint64_t z = uint64_t(uint32_t(lit)) + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// What a literal's finished probe left in its set, when that set was closed
// (see the probe): a search from the literal that finds a set of the same
// size and print finds that set again.
struct ClosedSetNote {
  uint64_t print;  // the set's print
  int32_t size;    // its members
  int32_t level;   // the probe's level
  uint32_t drain;  // drainCount + 1 when noted; 0 none
};

// One tentative change of a probe, undone by UndoChanges().
struct UndoEntry {
  int32_t kind;  // 0 tval, 1 curLen decreased, 3 queued, 4 reduced literal (2 unused: see markSatisfied)
  int32_t ref;   // literal index (kinds 0, 3) or clause index (kinds 1, 4)
  int32_t old;   // kind 0: the previous tval; kind 4: the literal counted as reduced
};

extern bool foundNewBcls;    // the last pass added a resolvent
extern bool foundNewForced;  // the last pass forced a literal
extern int32_t* UnitPropStack;     // literals a probe derived, waiting to be made true (main loop)
extern int32_t topUnitPropStack;   // index of its top entry, -1 when empty
extern UndoEntry* UndoStack;       // the trail of a probe
extern int32_t topUndoStack;       // index of the trail's top entry, -1 when empty
extern int32_t sizeUndoStack;      // capacity of the trail
extern UniqueSet** UniqueSetArray;          // the set pool: sets handed out below USArraySize
extern int32_t USArraySize;                 // sets currently handed out
extern int32_t USArrayCap;                  // slots of UniqueSetArray
extern int32_t** NewImplicantListArray;     // the list pool
extern int32_t* NewImplicantListCap;        // capacity of each pooled list
extern int32_t NILArraySize;                // lists currently handed out
extern int32_t NILArrayCap;                 // slots of NewImplicantListArray

extern int32_t* hrMaxUniversal;  // per n-ary clause in a pass: deepest universal level in its first hrLen literals, -1 none
extern int32_t* hrWitness;       // per n-ary clause in a pass: an existential at least that deep, -1 none
extern uint32_t* closedTag;      // per literal in a pass: tag of a set that holds its whole closure (0 none)
extern uint32_t closedTagLast;   // the tag issued last in this pass
extern uint32_t* targetFree;     // per literal in a pass: mark of a phase 3 whose remaining targets its closure lacks
extern uint32_t targetFreeLast;  // the targetFree mark issued last in this pass
extern uint32_t* sweptOff;       // per n-ary clause in a pass: the last phase 2 that found it satisfied
extern uint32_t sweepNow;        // number of the running (or next) phase 2 in this pass
extern uint32_t* baseMark;       // per literal in a pass: mark of a probe's base set among its earlier members
extern uint32_t baseMarkLast;    // the base mark issued last in this pass
extern ClosedSetNote* closedSets;  // per literal in a pass: the closed set its probe left
extern uint32_t drainCount;        // top-level propagations in this pass (they void the closed-set notes)
extern int32_t* setPosition;       // per literal in a pass: its position in the set of the running phase 2 over the
                                   // extras (valid where that set's items hold it there)
extern uint32_t* countedIn;        // per n-ary clause in a pass: the last phase 2 over the extras that counted it
extern uint32_t countedNow;        // number of the running (or last) phase 2 over the extras
// What the count of a set's negations in an n-ary clause reads, packed in
// one record so that counting a negation costs one memory access.
struct ClauseTally {
  uint32_t stamp;        // the count that last counted the clause
  int32_t falses;        // negations of members that count counted in it
  int32_t riskAt;        // falses that may leave one counted literal: hrLen - 1 (at least 1); INT32_MAX inactive
  int32_t maxUniversal;  // hrMaxUniversal of the clause
};
extern ClauseTally* clauseTally;  // per n-ary clause in a pass
extern uint32_t tallyNow;         // number of the running (or last) count
extern uint64_t* queuedLit;       // per literal in a pass: a copy of onUnitPropStack, one bit each, for the scans
                                  // of long implication lists
extern uint64_t* listPrint;       // per literal in a pass: the print of its implication list, the sum of
                                  // memberKey over its entries
// Keeps lit's list print up to date when value enters or leaves its list.
inline void printListEdit(int32_t lit, int32_t value, bool enters) {
  if (listPrint != nullptr) listPrint[lit] += enters ? memberKey(value) : uint64_t(0) - memberKey(value);
}
// The print of lit's implication list as it stands.
uint64_t printOfList(int32_t lit);
// Bit i of a table of 64-bit words.
inline bool bitAt(const uint64_t* words, int32_t i) { return (words[i >> 6] >> (i & 63)) & 1; }
// Sets bit i of such a table to on.
inline void putBitAt(uint64_t* words, int32_t i, bool on) {
  const uint64_t bit = uint64_t(1) << (i & 63);
  words[i >> 6] = on ? words[i >> 6] | bit : words[i >> 6] & ~bit;
}
inline void setQueuedLit(int32_t lit, bool on) { putBitAt(queuedLit, lit, on); }

// The running phase 2 over a probe's extras only (set == nullptr when none):
// the members `set` had when it began are true and their negations false,
// although their tval does not say so.
struct ExtrasView {
  const UniqueSet* set;  // the probe's set
  int32_t members;       // its members when the phase began (those added later are derived)
  bool asSwept;          // values as the sweeps leave them: literals queued in the phase read unassigned
};
extern ExtrasView extrasView;

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
extern SearchLit* searchLits;  // per literal during a pass (null otherwise)
extern int32_t* searchArena;   // copies of the lists the SearchLits point at until an edit (see buildSearchLits)

// Whether the search may enter lit: not grey (on the probes' path), its own
// representative, unassigned.
inline bool searchMayEnter(const preLit& L) { return L.dfsColour != 1 && L.equivLit == L.index && L.tval == U; }

// Points lit's SearchLit at its list after an edit and copies the count,
// keeping whether the search may enter it.
inline void refreshSearchList(int32_t lit) {
  if (searchLits == nullptr) return;
  const preLit& L = PRELITS[lit];
  SearchLit& V = searchLits[lit];
  const bool enter = V.count >= 0;
  V.implications = L.implications;
  V.count = enter ? L.numImpl : ~L.numImpl;
}

// Sets from lit's record whether the search may enter it: after a change of
// colour or a top-level assignment, never while a probe holds tentative values.
inline void refreshSearchEntry(int32_t lit) {
  if (searchLits == nullptr) return;
  const preLit& L = PRELITS[lit];
  searchLits[lit].count = searchMayEnter(L) ? L.numImpl : ~L.numImpl;
}

// Fills every SearchLit from the records.
void buildSearchLits();

// Moves on the number that marks carry in a per-pass mark array (closedTag,
// sweptOff) and returns the new number. When it wraps, the n marks are
// cleared (if the array is there), so that no old mark matches a new number.
inline uint32_t nextMarkNumber(uint32_t& number, uint32_t* marks, size_t n) {
  if (++number == 0) {
    if (marks != nullptr) std::fill(marks, marks + n, 0u);
    number = 1;
  }
  return number;
}

// Kept from one pass to the next (see hyperres/idlenotes.h).
struct IdleNote {
  uint64_t print;  // the set's print
  int32_t size;    // its members
  uint32_t epoch;  // the epoch of notes in which its phase 2 was found idle; 0 none
};
// An epoch of notes begins at each pass start and at each top-level
// propagation within a pass.
extern uint32_t noteEpoch;             // epochs of notes begun since the formula was built
extern uint32_t* varClausesChangedIn;  // per variable: the latest clauseChangedIn of the clauses in its literals'
                                       // occurrence lists
extern uint64_t* clausePrints;         // per n-ary clause: print of what the probes read of it
extern uint32_t* clauseChangedIn;      // per n-ary clause: the last epoch at whose start it changed
extern uint32_t clausesLastChangedIn;  // the last epoch at whose start a clause changed
extern IdleNote* idleNotes;            // per literal: the last set on which its phase 2 was idle, and when
extern uint32_t* substitutedIn;        // per literal: the epoch at whose start it was first seen substituted, 0 not yet
extern int32_t* substitutedLits;       // the substituted literals, grouped by representative at the last pass start
extern int32_t* substitutedFrom;       // per literal r, and one more: where r's group begins in substitutedLits
extern uint32_t lastSubstitutedIn;     // the last epoch at whose start a literal was first seen substituted
extern int32_t* substitutedByAge;      // the substituted literals in the order first seen (substitutedIn ascending)
extern int32_t substitutedSeen;        // entries of substitutedByAge

extern uint64_t implEpoch;       // counts the edits that add to an implication list (or change an entry)
extern std::vector<int32_t>* touchedClauses;  // when set: clauses top-level propagation shortened

extern int32_t mainLoopIterations;  // iterations of the main loop after the first phase

extern double start_time;  // CPU seconds after reading
extern double end_time;    // CPU seconds after writing

// Releases every table above and sets every global back to its start value.
void resetAllState();

// ---------------------------------------------------------------------------
// Allocation. Every allocation of the system goes through these, so that a
// failure always ends in panic() with the site's message.

// Returns `count` zero-filled elements of `size` bytes, or panics with `failMsg`.
void* qcalloc(size_t count, size_t size, const char* failMsg);
// Releases memory from qcalloc (null is fine).
void qfree(void* p);
// Releases p (null is fine) and sets it to null, so that it is not released twice.
template <class X>
void qrelease(X*& p) {
  qfree(p);
  p = nullptr;
}

template <class X>
X* qnew(size_t count, const char* failMsg) {
  return static_cast<X*>(qcalloc(count, sizeof(X), failMsg));
}

// Test hook: when >= 0, the allocation with this ordinal (0-based, counted
// from the last reset of the hook) fails. -1 disables it.
extern int64_t allocFailAt;
extern int64_t allocCount;

// Returns `count` elements of `size` bytes, not zero-filled, or panics.
void* qmalloc(size_t count, size_t size, const char* failMsg);

// The build step carves the initial implication and occurrence lists out of
// two large blocks; a list array is released through this, which leaves
// arrays inside a block alone (the block goes with resetAllState()).
extern int32_t* listBlocks[2];     // the blocks: occurrence lists, implication lists
extern size_t listBlockSizes[2];   // their sizes in entries
void releaseListArray(int32_t* items);

// Grows a stack array to newSize entries, keeping entries 0..top; the old
// array is released and deleteCount counted.
// Before: top < newSize. After: *items has newSize entries.
void growStackArray(int32_t*& items, int32_t top, int32_t newSize, const char* failMsg);

// Bump allocators for the reader's nodes and for their literal arrays,
// which live until the process ends (or resetAllState()). The literal
// arrays are packed back to back in an arena of their own, so that a pass
// over every stored literal runs straight through a few large blocks.
void* arenaAlloc(size_t bytes, const char* failMsg);
int32_t* literalArenaAlloc(size_t count, const char* failMsg);

// The literal arrays handed out so far, as runs of consecutive literals.
struct LiteralRun {
  int32_t* lits;
  size_t count;
};
std::vector<LiteralRun> literalRuns();
