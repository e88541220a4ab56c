// Resetting the whole process between runs.
#pragma once

// Releases the tables of every folder and sets every global back to its
// start value, so that one process can run many formulas. Each folder owns
// its reset; this calls them all.
void resetAllState();
