// The formula store: the records of the formula and the process-wide
// tables that hold them, the literal encoding and the allocation helpers.
//
// The formula of a run lives in the globals declared here. They are plain
// arrays of plain records addressed by literal index or clause index; every
// step reads and rewrites them in place. A technique keeps its own tables in
// its own folder; resetStore() releases and zeroes the store's, so that one
// process can run many formulas (the tests do).
#pragma once

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

extern int32_t mainLoopIterations;  // iterations of the main loop after the first phase

extern double start_time;  // CPU seconds after reading
extern double end_time;    // CPU seconds after writing

// Releases every table above and sets every global back to its start value
// (part of resetAllState(), which resets the tables of every folder).
void resetStore();

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
// arrays inside a block alone (the block goes with resetStore()).
extern int32_t* listBlocks[2];     // the blocks: occurrence lists, implication lists
extern size_t listBlockSizes[2];   // their sizes in entries
void releaseListArray(int32_t* items);

// Grows a stack array to newSize entries, keeping entries 0..top; the old
// array is released and deleteCount counted.
// Before: top < newSize. After: *items has newSize entries.
void growStackArray(int32_t*& items, int32_t top, int32_t newSize, const char* failMsg);

// Bump allocators for the reader's nodes and for their literal arrays,
// which live until the process ends (or resetStore()). The literal
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
