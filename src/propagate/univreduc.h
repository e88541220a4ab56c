// Universal reduction of one n-ary clause.
#pragma once

#include <cstdint>

#include "store/store.h"

// Removes from clause c (record Cls) every universal literal quantified
// deeper than all its existential literals. A clause left with one literal
// is deactivated and its literal queued on the clause-level queues.
// Returns true exactly when a contradiction was found (CONTRADICTION set).
bool universalReduction(preNcls* Cls, int32_t c);
