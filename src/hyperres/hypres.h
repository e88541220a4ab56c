// The hyper-binary resolution probe and the pass over the formula.
#pragma once

#include <cstdint>

#include "hyperres/pools.h"
#include "store/store.h"

extern bool foundNewBcls;    // the last pass added a resolvent
extern bool foundNewForced;  // the last pass forced a literal

// Probes literal L: adds its hyper-binary resolvents, removes binary clauses
// it implies through other paths, and collects in S what it implies.
// Before: the trail is empty. After: true (L black) or false when L failed,
// with the negation of L queued on UPstack; the trail is empty again.
bool HypRes(preLit* L, UniqueSet* S);

// Adds lit and every active literal reachable from it through implications
// to set, entering no member of set and no grey literal.
void HypResDFS(int32_t lit, UniqueSet* set);

// One pass: probes every root of the implication graph in ascending index
// order, propagating the negation of each failed root at top level at once.
// Sets foundNewBcls and foundNewForced; may set CONTRADICTION.
// stopHere, when given, is asked before each root probe; if it says true
// the pass ends there, every probe before it complete and its resolvents
// kept (each is implied on its own), and the number of roots probed is
// returned. Otherwise -1: the pass ran to its end.
int32_t runHypRes(bool (*stopHere)() = nullptr);

// What the probes of a pass use, set up as runHypRes sets it up: colours and
// queued flags cleared, the scratch pools, the trail, and each n-ary
// clause's hrLen and universal bounds taken from the clause as it stands.
void preparePass();
// Empties the probes' own scratch (left filled when a fatal error ends a
// probe midway).
void clearProbeScratch();
// Releases what preparePass() set up; releasing twice is harmless.
void releasePassTables();
// Releases the pass's tables and the storage of its implicant set.
void releasePassStorage(UniqueSet* implicants);
// Releases every table of hyper-binary resolution, those kept across passes
// included (part of resetAllState()).
void resetHyperres();
