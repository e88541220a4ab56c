// Progress lines on standard error for -v 1 and above: the phase, the
// main-loop iteration, the seconds since the run began, and the variables
// and clauses left; at most one line a second. Standard output never
// changes with them.
#pragma once

// Starts the clock; `verbosity` 0 keeps every later call silent.
void progressBegin(int verbosity);

// Notes that the run has reached `phase`; prints a line if a second has
// passed since the last one (the first note of a run always prints).
void progressNote(const char* phase);
