// Phase-2 outcomes carried from one pass to the next: a probe whose phase 2
// found nothing on a set finds nothing again on the same set while the
// n-ary clauses its members occur in stay as they were.
#pragma once

#include <cstdint>
#include <vector>

#include "hyperres/pools.h"
#include "store/store.h"

// What a literal's last idle phase 2 left, kept from one pass to the next.
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

// Releases the notes and begins again with epoch 0 (part of resetAllState()).
void resetIdleNotes();

// Begins an epoch of notes and notes which n-ary clauses changed since the
// last one began, per variable the latest change among the clauses in its
// occurrence lists, and the literals substituted since. Before: a pass
// begins (hrLen set, no probe run yet).
void noteClauseChanges();

// Before: top-level propagation inside a pass has shortened the clauses in
// touched. After: their hrLen is their length, and a new epoch of notes has
// begun in which they count as changed.
void noteDrainChanges(const std::vector<int32_t>& touched);

// The epoch in which phase 2 of l's probe was found idle on a set of S's
// size and print, or on S and the literals substituted since whose
// representatives are in S; 0 when there is none. Before: phase 1 of l's
// probe has filled S.
uint32_t idleNoteFor(int32_t l, const UniqueSet* S);

// Notes that phase 2 of l's probe over S derived nothing and found no
// conflict. Before: that phase 2 has just ended (or was skipped as idle).
void noteIdle(int32_t l, const UniqueSet* S);
