// Queuing forced literals: the top-level unit queue (UPstack) and the two
// clause-level queues of the main loop (bclsUPstack, naryUPstack).
#pragma once

#include <cstdint>

// Queues lit on UPstack, or reports the contradiction ("found(1)!" to "(4)!").
void pushUPstack(int32_t lit);
// Queues lit on bclsUPstack, or reports the contradiction (9, 5 or 4).
void pushbclsUPstack(int32_t lit);
// Queues lit on naryUPstack, or reports the contradiction (10, 2 or 1).
void pushnaryUPstack(int32_t lit);
// Clears the inStack flags of the queued literals and empties the queue.
struct UPstackRec;
void clearQueue(UPstackRec* q);
