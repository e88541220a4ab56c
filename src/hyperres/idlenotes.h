// Phase-2 outcomes carried from one pass to the next: a probe whose phase 2
// found nothing on a set finds nothing again on the same set while the
// n-ary clauses its members occur in stay as they were.
#pragma once

#include <cstdint>
#include <vector>

#include "store/store.h"

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
