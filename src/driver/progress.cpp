// Progress lines on standard error.
#include "driver/progress.h"

#include <chrono>
#include <cstdio>

#include "store/store.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double PROGRESS_INTERVAL = 1.0;  // seconds between two lines at most one

bool enabled = false;
Clock::time_point begun;
double lastLine = -1;

}  // namespace

void progressBegin(int verbosity) {
  enabled = verbosity > 0;
  begun = Clock::now();
  lastLine = -PROGRESS_INTERVAL;
}

void progressNote(const char* phase) {
  if (!enabled) return;
  const double now = std::chrono::duration<double>(Clock::now() - begun).count();
  if (now - lastLine < PROGRESS_INTERVAL) return;
  lastLine = now;
  if (PRELITS == nullptr) {
    std::fprintf(stderr, "c [qshrink] %.1f s: %s\n", now, phase);
    return;
  }
  // What the statistics say is left of the store: the variables neither
  // valued nor substituted, the clauses neither satisfied nor turned binary.
  const long long vars = (static_cast<long long>(NLITS) - numEquivLits - numValuedLits) / 2;
  const long long clauses = static_cast<long long>(NUMBCLS) + numAddBcls - numSatBcls + NUMNCLS - numReducedNary -
                            numSatNaryCls;
  std::fprintf(stderr, "c [qshrink] %.1f s: %s, iteration %d, %lld variables and %lld clauses left\n", now, phase,
               mainLoopIterations, vars, clauses);
}
