// Resetting the whole process between runs: each folder's own reset.
#include "driver/reset.h"

#include "equiv/findscc.h"
#include "hyperres/hypres.h"
#include "store/store.h"

void resetAllState() {
  // A pass or a search that ended in a fatal error leaves its tables behind;
  // they go before the store they describe.
  resetHyperres();
  resetComponentSearch();
  resetStore();
}
