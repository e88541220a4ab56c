// The statistics switch.
#include "driver/stats.h"

#include <cstdlib>

bool statsWanted() { return std::getenv("QSHRINK_STATS") != nullptr; }
