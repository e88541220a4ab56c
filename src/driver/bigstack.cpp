// Running a step on a thread with a large stack.
#include "driver/bigstack.h"

#include <pthread.h>

#include <cstddef>

namespace {

void* trampoline(void* arg) {
  reinterpret_cast<void (*)()>(arg)();
  return nullptr;
}

}  // namespace

void runOnLargeStack(void (*fn)()) {
  // The reservation is virtual: pages are only used as deep as the recursion goes.
  for (size_t size = size_t(4) << 30; size >= (size_t(64) << 20); size /= 2) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) break;
    pthread_t thread;
    bool started = pthread_attr_setstacksize(&attr, size) == 0 &&
                   pthread_create(&thread, &attr, trampoline, reinterpret_cast<void*>(fn)) == 0;
    pthread_attr_destroy(&attr);
    if (started) {
      pthread_join(thread, nullptr);
      return;
    }
  }
  fn();
}
