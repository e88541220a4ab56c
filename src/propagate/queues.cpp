// Queuing forced literals.
//
// A literal to be made true is rejected at once when it is universal (a
// universal literal cannot be forced), when it is already false, or when its
// negation waits in the same queue; each case is a proof that the formula is
// false. A queued literal is marked in inStack so that it is queued once,
// which is why each queue never needs more than NLITS entries.
#include "propagate/queues.h"

#include <cstdio>

#include "store/store.h"

namespace {

// The messages one queue prints for its three contradictions.
struct QueueMessages {
  const char* universal;
  const char* negationQueued;
  const char* alreadyFalse;
};

void push(UPstackRec* q, int32_t lit, const QueueMessages& m) {
  const preLit& L = PRELITS[lit];
  if (!L.existential) {
    CONTRADICTION = true;
    std::printf("%s\n", m.universal);
    return;
  }
  switch (L.tval) {
    case U:
      if (q->inStack[lit ^ 1]) {
        CONTRADICTION = true;
        std::printf("%s\n", m.negationQueued);
      } else if (!q->inStack[lit]) {
        q->inStack[lit] = true;
        q->items[q->count++] = lit;
      }
      break;
    case T:
      break;
    case F:
      CONTRADICTION = true;
      std::printf("%s\n", m.alreadyFalse);
      break;
    default:
      std::printf("ERROR: Illegal value for tval for literal %d.\n", to_ff(lit));
      break;
  }
}

const QueueMessages topLevel = {"c CONTRADICTION found(4)!", "c CONTRADICTION found(2)!", "c CONTRADICTION found(1)!"};
const QueueMessages binaryQueue = {"c CONTRADICTION found! 9", "c CONTRADICTION found! 5", "c CONTRADICTION found! 4"};
const QueueMessages naryQueue = {"c CONTRADICTION found! 10", "c CONTRADICTION found! 2", "c CONTRADICTION found! 1"};

}  // namespace

void pushUPstack(int32_t lit) { push(UPstack, lit, topLevel); }
void pushbclsUPstack(int32_t lit) { push(bclsUPstack, lit, binaryQueue); }
void pushnaryUPstack(int32_t lit) { push(naryUPstack, lit, naryQueue); }

void clearQueue(UPstackRec* q) {
  for (int32_t k = 0; k < q->count; k++) q->inStack[q->items[k]] = false;
  q->count = 0;
}
