// The fatal-error stop lives beside the store, whose allocations end in it;
// the reader and the writer reach it through this name.
#pragma once

#include "store/panic.h"
