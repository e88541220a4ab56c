// The run summary. The outcome is a contradiction (UNSAT), a proof of truth
// (SAT, raised only by the renumbering writer) or undecided (UNKNOWN), in
// that order of precedence; the three places report the same outcome.
#include "driver/summary.h"

#include <cstdio>

#include "store/store.h"

namespace {

const char* outcomeWord() { return CONTRADICTION ? "UNSAT" : SATISFIED ? "SAT" : "UNKNOWN"; }

}  // namespace

void printSummary() {
  std::printf("%.3f", end_time - start_time);
  std::printf(" %s \n", outcomeWord());
  FILE* f = std::fopen("result1", "wt");
  if (f == nullptr) return;
  std::fputs(outcomeWord(), f);
  std::fclose(f);
}

void recordSummary() {
  FILE* f = std::fopen("preprocessor_b.dat", "a");
  if (f == nullptr) {
    std::printf("ERROR: Failed to open preprocessor_b.dat\n");
    return;
  }
  std::fprintf(f, "%s,", filename.c_str());
  std::fputs(CONTRADICTION ? "0," : SATISFIED ? "1," : "-1,", f);
  std::fprintf(f, "%d,%d,%d,%d,%d,%d,%.3f\n", NLITS / 2, NUMNCLS, NUMBCLS, NEW_NVARS, NEW_NUMNCLS, NEW_NUMBCLS,
               end_time - start_time);
  std::fclose(f);
}
