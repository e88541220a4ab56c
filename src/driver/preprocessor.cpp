// The preprocessing run: build the store, then reduce it.
#include "driver/preprocessor.h"

#include "store/build.h"
#include "store/store.h"

void preprocessor() {
  createStore();
  loadBinaryClauses();
}
