// qshrink: a preprocessor for quantified Boolean formulas in QDIMACS.
#include <cstdio>

#include "driver/run.h"

int main(int argc, char** argv) {
  int status = qshrinkMain(argc, argv);
  std::fflush(stdout);
  return status;
}
