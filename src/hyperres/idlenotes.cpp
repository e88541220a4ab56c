// Idle phase 2 across passes.
//
// Once the formula is near its fixed point, a pass repeats most probes of
// the pass before on the same sets, and the phase 2 of most of them derives
// nothing. Such a phase 2 costs a visit to every clause of every member and
// of every negation, and is almost all of the pass.
//
// Whether phase 2 derives nothing and finds no conflict is a matter of the
// set alone, not of its order, when no universal member lies at the probe's
// level or deeper: then no clause counts a literal twice, every clause ends
// with the count that the final values give it whatever the order of the
// sweeps, and phase 2 is idle exactly when every clause of a negation that
// the set does not satisfy keeps two counted literals. That depends on the
// set, the probe's level (fixed per literal), the occurrence lists of the
// members and of their negations, and the clauses in them: their active
// flag, hrLen, literals and the values of those. A pass leaves all of that
// alone except when it propagates at top level, so the notes count time in
// epochs, each begun by a pass start or by such a propagation: an idle
// outcome noted in one epoch holds again in a later one for a set of the
// same size and print (a print is a 64-bit hash of the members, so two
// different sets pass for one only by a collision of chance), once the
// clauses of the members' negations that changed since the note's epoch
// are seen to stay open (the probe does that, see knownIdle).
//
// The changes are found at each pass start by a print of every clause,
// compared with the one from the start of the last epoch, and noted per
// variable as the latest change among the clauses of its two occurrence
// lists: a cost linear in the size of the formula, once per pass. A
// top-level propagation within a pass changes only the clauses it shortens,
// which are noted as changed with the variables of the literals they keep,
// and the clauses it satisfies, which need no note: a clause that turns
// inactive cannot make phase 2 derive anything.
//
// The equivalence phases between passes substitute literals, and a set that
// held one no longer does, so its print changes although it holds nothing
// new. The outcome still holds for a set S that is the noted set less some
// literals substituted since: a clause of a member's negation that keeps
// its literals keeps its counted ones too (S makes no more of them false,
// and reduces no more universals), and S still satisfies it unless a
// substituted literal did, but the substitution rewrote every clause that
// held one, so such a clause counts as changed and is looked at again. A
// substituted literal was in the noted set when its representative is in S
// (each implied the other), so S is matched against the note with those
// literals added back; the pass start groups the substituted literals by
// representative for that.
#include "hyperres/idlenotes.h"

#include <algorithm>
#include <cassert>

#include "hyperres/trail.h"

uint32_t noteEpoch = 0;
uint32_t* varClausesChangedIn = nullptr;
uint64_t* clausePrints = nullptr;
uint32_t* clauseChangedIn = nullptr;
uint32_t clausesLastChangedIn = 0;
IdleNote* idleNotes = nullptr;
uint32_t* substitutedIn = nullptr;
int32_t* substitutedLits = nullptr;
int32_t* substitutedFrom = nullptr;
uint32_t lastSubstitutedIn = 0;
int32_t* substitutedByAge = nullptr;
int32_t substitutedSeen = 0;

void resetIdleNotes() {
  qrelease(varClausesChangedIn);
  qrelease(clausePrints);
  qrelease(clauseChangedIn);
  clausesLastChangedIn = 0;
  qrelease(idleNotes);
  qrelease(substitutedIn);
  qrelease(substitutedLits);
  qrelease(substitutedFrom);
  lastSubstitutedIn = 0;
  qrelease(substitutedByAge);
  substitutedSeen = 0;
  noteEpoch = 0;
}

namespace {

uint64_t mix(uint64_t h, uint64_t x) {
  h ^= x + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  h *= 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 31);
}

// What the probes read of n-ary clause c: whether it is active, hrLen, and
// its first hrLen literals with their values.
uint64_t clausePrint(int32_t c) {
  const preNcls& C = PRENCLS[c];
  if (!C.active) return 1;
  uint64_t h = mix(2, uint64_t(uint32_t(C.hrLen)));
  for (int32_t k = 0; k < C.hrLen; k++) {
    const int32_t x = C.lits[k];
    h = mix(h, (uint64_t(uint32_t(x)) << 2) | uint64_t(uint32_t(PRELITS[x].tval) & 3));
  }
  return h;
}

}  // namespace

void noteClauseChanges() {
  noteEpoch++;
  const int32_t nvars = NLITS / 2;
  if (clausePrints == nullptr) {
    clausePrints = qnew<uint64_t>(size_t(NUMNCLS), "Memory Allocation Failure #22P\n");
    clauseChangedIn = qnew<uint32_t>(size_t(NUMNCLS), "Memory Allocation Failure #22P\n");
    varClausesChangedIn = qnew<uint32_t>(size_t(nvars), "Memory Allocation Failure #22P\n");
    idleNotes = qnew<IdleNote>(size_t(NLITS), "Memory Allocation Failure #22P\n");
    substitutedIn = qnew<uint32_t>(size_t(NLITS), "Memory Allocation Failure #22P\n");
    substitutedLits = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #22P\n");
    substitutedFrom = qnew<int32_t>(size_t(NLITS) + 1, "Memory Allocation Failure #22P\n");
    substitutedByAge = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #22P\n");
  }
  // The substituted literals grouped by representative, a counting sort.
  std::fill(substitutedFrom, substitutedFrom + NLITS + 1, 0);
  for (int32_t lit = 0; lit < NLITS; lit++) {
    const int32_t rep = PRELITS[lit].equivLit;
    if (rep == lit) continue;
    if (substitutedIn[lit] == 0) {
      substitutedIn[lit] = lastSubstitutedIn = noteEpoch;
      substitutedByAge[substitutedSeen++] = lit;
    }
    substitutedFrom[rep + 1]++;
  }
  for (int32_t r = 0; r < NLITS; r++) substitutedFrom[r + 1] += substitutedFrom[r];
  for (int32_t lit = 0; lit < NLITS; lit++) {
    const int32_t rep = PRELITS[lit].equivLit;
    if (rep != lit) substitutedLits[substitutedFrom[rep]++] = lit;
  }
  for (int32_t r = NLITS; r > 0; r--) substitutedFrom[r] = substitutedFrom[r - 1];
  substitutedFrom[0] = 0;
  // Everything counts as changed in the first pass.
  for (int32_t c = 0; c < NUMNCLS; c++) {
    const uint64_t h = clausePrint(c);
    if (noteEpoch == 1 || h != clausePrints[c]) clauseChangedIn[c] = clausesLastChangedIn = noteEpoch;
    clausePrints[c] = h;
  }
  for (int32_t v = 0; v < nvars; v++) {
    uint32_t last = 0;
    for (int32_t lit = 2 * v; lit <= 2 * v + 1; lit++) {
      const preLit& L = PRELITS[lit];
      for (int32_t m = 0; m < L.numNcls; m++) last = std::max(last, clauseChangedIn[L.LitNcls[m]]);
    }
    varClausesChangedIn[v] = last;
  }
}

void noteDrainChanges(const std::vector<int32_t>& touched) {
  noteEpoch++;
  for (int32_t c : touched) {
    setProbeLength(c);
    // A literal the propagation removed from c is false, or was reduced and
    // left c's place in its occurrence list: only the literals c holds now
    // bring it to a probe.
    const preNcls& C = PRENCLS[c];
    for (int32_t k = 0; k < C.hrLen; k++) varClausesChangedIn[C.lits[k] >> 1] = noteEpoch;
    clauseChangedIn[c] = clausesLastChangedIn = noteEpoch;
    clausePrints[c] = clausePrint(c);
  }
}

namespace {

// A set's size and print.
struct SizeAndPrint {
  int32_t size;
  uint64_t print;
  bool operator==(const SizeAndPrint& o) const { return size == o.size && print == o.print; }
};

// S's size and print with the literals first seen substituted after `epoch`
// whose representatives are in S added back, found through S's members;
// stops once the size passes `limit`.
SizeAndPrint viaMembers(const UniqueSet* S, uint32_t epoch, int32_t limit) {
  SizeAndPrint sp{S->count, S->print};
  for (int32_t k = 0; k < S->count && sp.size <= limit; k++) {
    const int32_t r = S->items[k];
    for (int32_t j = substitutedFrom[r]; j < substitutedFrom[r + 1]; j++)
      if (substitutedIn[substitutedLits[j]] > epoch) {
        sp.print ^= memberKey(substitutedLits[j]);
        sp.size++;
      }
  }
  return sp;
}

// The same, found through those literals: the entries of substitutedByAge
// from `newer` on.
SizeAndPrint viaSubstituted(const UniqueSet* S, const int32_t* newer, int32_t limit) {
  SizeAndPrint sp{S->count, S->print};
  for (const int32_t* end = substitutedByAge + substitutedSeen; newer < end && sp.size <= limit; newer++) {
    const int32_t rep = PRELITS[*newer].equivLit;
    if (rep != *newer && usContains(S, rep)) {
      sp.print ^= memberKey(*newer);
      sp.size++;
    }
  }
  return sp;
}

}  // namespace

uint32_t idleNoteFor(int32_t l, const UniqueSet* S) {
  if (idleNotes == nullptr) return 0;
  const IdleNote& note = idleNotes[l];
  if (note.epoch == 0) return 0;
  if (note.size == S->count && note.print == S->print) return note.epoch;
  // A literal substituted since the note was in the noted set when its
  // representative is in S (each implied the other). Those literals are
  // found through S's members, or the members through them, whichever are
  // fewer: near the fixed point a pass substitutes few.
  if (lastSubstitutedIn <= note.epoch || S->count >= note.size) return 0;
  const int32_t* newer = std::upper_bound(substitutedByAge, substitutedByAge + substitutedSeen, note.epoch,
                                          [](uint32_t epoch, int32_t lit) { return epoch < substitutedIn[lit]; });
  assert(viaSubstituted(S, newer, INT32_MAX) == viaMembers(S, note.epoch, INT32_MAX));
  const SizeAndPrint sp = substitutedSeen - (newer - substitutedByAge) < S->count
                              ? viaSubstituted(S, newer, note.size)
                              : viaMembers(S, note.epoch, note.size);
  return note.size == sp.size && note.print == sp.print ? note.epoch : 0;
}

void noteIdle(int32_t l, const UniqueSet* S) {
  if (idleNotes == nullptr) return;
  idleNotes[l] = {S->print, S->count, noteEpoch};
}
