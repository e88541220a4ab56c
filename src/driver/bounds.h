// Bounded preprocessing: a wall-time limit and a work budget.
//
// A bounded run stops at the next point where the store is consistent:
// before a root probe of a hyper-binary resolution pass, or between two
// phases of the main loop. Whatever was found up to there stays: every
// step of the run is sound on its own, so a prefix of them is too.
//
// The work budget counts the probes' work (probeWork, in units that do not
// depend on the machine), so that the same budget stops at the same probe
// everywhere and the output is the same byte for byte. The time limit is
// kept with a margin: a root probe is not begun when the longest stretch
// between two checks so far would carry the run past the limit.
//
// Without a bound nothing is checked and the run is the complete one.
#pragma once

#include <cstdint>
#include <string>

// Sets the bounds of the preprocessing that begins now: seconds of wall time
// (negative: none) and millions of work units (negative: none). Ends the
// allowance of an earlier run (below).
void startBounds(double timeLimitSeconds, double effortMillions);

// Whether a bound is set; false after clearBounds().
bool boundsActive();

// Whether a bound is reached (false when none is set). Once true, it stays
// true until the next startBounds or clearBounds.
bool boundReached();

// Records where the run stopped, for stopMessage(): "where" completes
// "stopped early: <bound> reached <where>".
void noteStop(const std::string& where);

// A silent work limit of the run's own: the strong mode gives its later
// classic rounds an allowance of `units` more work units from now on.
// Probes stop at it as at a bound, but the run is not stopped early. It
// lasts until the next startBounds.
void startAllowance(uint64_t units);
uint64_t workSoFar();  // the probes' work units since the process began
bool allowanceActive();
bool allowanceReached();

// Whether the run stopped on a bound, and the line that says so.
bool stoppedEarly();
std::string stopMessage();
