// qshrink: a preprocessor for quantified Boolean formulas in QDIMACS.
#include <cstdio>

#include "store/panic.h"
#include "driver/run.h"

int main(int argc, char** argv) {
  // Each line shows as soon as it is printed, so that a run that is killed
  // or whose output goes into a pipe still shows what it printed.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  installSignalHandlers();
  int status = qshrinkMain(argc, argv);
  std::fflush(stdout);
  return status;
}
