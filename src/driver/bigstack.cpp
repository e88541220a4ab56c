// Running a step on a thread with a large stack.
#include "driver/bigstack.h"

#include <pthread.h>

#include <cstddef>
#include <exception>

namespace {

struct Job {
  void (*fn)();
  std::exception_ptr failure;  // what fn threw, handed back to the caller's thread
};

void* trampoline(void* arg) {
  Job* job = static_cast<Job*>(arg);
  try {
    job->fn();
  } catch (...) {
    job->failure = std::current_exception();
  }
  return nullptr;
}

}  // namespace

void runOnLargeStack(void (*fn)()) {
  Job job{fn, nullptr};
  // The reservation is virtual: pages are only used as deep as the recursion goes.
  for (size_t size = size_t(4) << 30; size >= (size_t(64) << 20); size /= 2) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) break;
    pthread_t thread;
    bool started = pthread_attr_setstacksize(&attr, size) == 0 &&
                   pthread_create(&thread, &attr, trampoline, &job) == 0;
    pthread_attr_destroy(&attr);
    if (started) {
      pthread_join(thread, nullptr);
      if (job.failure) std::rethrow_exception(job.failure);
      return;
    }
  }
  fn();
}
