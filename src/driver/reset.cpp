// Resetting the whole process between runs: each folder's own reset.
#include "driver/reset.h"

#include "equiv/findscc.h"
#include "hyperres/hypres.h"
#include "store/store.h"

// The bounds of a run (bounds.h) are not formula state: every run sets its
// own when its preprocessing begins, and the strong mode, which resets
// between its rounds, keeps them across.
void resetAllState() {
  // A pass or a search that ended in a fatal error leaves its tables behind;
  // they go before the store they describe.
  resetHyperres();
  resetComponentSearch();
  resetStore();
}
