// The statistics switch: with QSHRINK_STATS set in the environment, the run
// reports the time of its stages on standard error (for the benchmarks).
#pragma once

// Whether the statistics are wanted; the one place that reads the switch.
bool statsWanted();
