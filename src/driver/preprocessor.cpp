// The preprocessing run: build the store, propagate the unit clauses, then
// reduce the formula.
//
// The unit clauses are queued before the binary clauses are loaded, so that
// two contradicting units end the run before anything else is built; they
// are propagated once every clause is in place.
#include "driver/preprocessor.h"

#include "propagate/unitprop.h"
#include "store/build.h"
#include "store/store.h"

void preprocessor() {
  createStore();
  seedUnitClauses();
  if (CONTRADICTION) return;
  loadBinaryClauses();
  drainUPstack();
  if (CONTRADICTION) return;
}
