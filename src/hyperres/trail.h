// The trail of a probe: every tentative change is recorded and withdrawn by
// UndoChanges(), which puts the store back exactly as it was.
#pragma once

#include <cstdint>

// Grows the trail (x4) when full.
void checkSizeUndoStack();
// Records one change (kind and reference; old: see UndoEntry).
void recordUndo(int32_t kind, int32_t ref, int32_t old = 0);
// Sets lit's tval tentatively, recording the previous value.
void setTentative(int32_t lit, int32_t value);
// Deactivates clause c tentatively if it is active.
void deactivateTentative(int32_t c);
// Shortens the free-literal count of clause c tentatively.
void shortenTentative(int32_t c);
// Withdraws every recorded change, last first; the trail is empty afterwards.
void UndoChanges();

// Queues a literal the probe derived. False if it is already false (a
// conflict); queuing deactivates, tentatively, the active clauses it satisfies.
bool pushUnitPropStack(int32_t lit);

// Tentative universal reduction of clause c inside a probe of a literal at
// prefix level `level`: the free-literal count drops by the unassigned
// universal literals that reduction would remove, each counted once per
// probe.
void UnivReduc_Undo(int32_t c, int32_t level);

// Sets hrLen of clause c to its curLen and notes its deepest universal.
void setProbeLength(int32_t c);

// The unit of clause c when its count has fallen to one: the first of its
// first hrLen literals that is unassigned and not counted as reduced in
// this probe, or -1.
int32_t tentativeUnit(int32_t c);

// Allocates and releases the trail of a pass.
void createUndoStack();
void releaseUndoStack();
