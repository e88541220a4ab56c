// Bounded preprocessing (see bounds.h).
#include "driver/bounds.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "hyperres/pools.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double WORK_UNITS_PER_EFFORT = 1e6;  // --effort counts millions of units

struct Bounds {
  bool timed = false;
  Clock::time_point deadline;
  Clock::time_point lastCheck;
  Clock::duration longestStretch{0};  // the longest time between two checks
  double seconds = 0;
  bool budgeted = false;
  uint64_t workLimit = 0;
  double effortMillions = 0;
  bool reached = false;
  bool byTime = false;
  std::string where;
};

Bounds bounds;

struct Allowance {
  bool active = false;
  uint64_t workLimit = 0;
};

Allowance allowance;

}  // namespace

void startBounds(double timeLimitSeconds, double effortMillions) {
  bounds = Bounds{};
  allowance = Allowance{};
  const Clock::time_point now = Clock::now();
  if (timeLimitSeconds >= 0) {
    bounds.timed = true;
    bounds.seconds = timeLimitSeconds;
    bounds.deadline = now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeLimitSeconds));
    bounds.lastCheck = now;
  }
  if (effortMillions >= 0) {
    bounds.budgeted = true;
    bounds.effortMillions = effortMillions;
    bounds.workLimit = probeWork + uint64_t(std::llround(effortMillions * WORK_UNITS_PER_EFFORT));
  }
}

bool boundsActive() { return bounds.timed || bounds.budgeted; }

bool boundReached() {
  if (bounds.reached) return true;
  if (bounds.budgeted && probeWork >= bounds.workLimit) {
    bounds.reached = true;
    return true;
  }
  if (bounds.timed) {
    const Clock::time_point now = Clock::now();
    if (now - bounds.lastCheck > bounds.longestStretch) bounds.longestStretch = now - bounds.lastCheck;
    bounds.lastCheck = now;
    if (now + bounds.longestStretch >= bounds.deadline) {
      bounds.reached = bounds.byTime = true;
      return true;
    }
  }
  return false;
}

void startAllowance(uint64_t units) { allowance = Allowance{true, probeWork + units}; }

uint64_t workSoFar() { return probeWork; }

bool allowanceActive() { return allowance.active; }

bool allowanceReached() { return allowance.active && probeWork >= allowance.workLimit; }

void noteStop(const std::string& where) { bounds.where = where; }

bool stoppedEarly() { return bounds.reached; }

std::string stopMessage() {
  char bound[96];
  if (bounds.byTime) std::snprintf(bound, sizeof bound, "time limit of %g s", bounds.seconds);
  else std::snprintf(bound, sizeof bound, "effort of %g million units", bounds.effortMillions);
  return std::string("stopped early: ") + bound + " reached " + bounds.where;
}
