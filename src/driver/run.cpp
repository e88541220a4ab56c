// The process entry of qshrink.
//
// Arguments are taken left to right: -v takes a verbosity level 0..3, -o a
// name (accepted for compatibility; the writer names its file itself), and
// anything else is the input file, a later one replacing an earlier one.
// Only the first two characters of an option are looked at.
#include "driver/run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "driver/panic.h"
#include "driver/preprocessor.h"
#include "driver/stats.h"
#include "driver/summary.h"
#include "input/readproblem.h"
#include "output/writer.h"
#include "store/store.h"

namespace {

void printUsage() {
  std::printf("QBF Preprocessor. qshrink: equivalence reduction and hyper-binary resolution for QDIMACS. \n");
  std::printf("Usage: qshrink [input qdimacs filename] \n");
  std::printf("       -> output is written to new file \n");
}

// Reads a verbosity level like scanf's %d (leading blanks, a sign, digits,
// anything after them ignored); false if there is no number or it is out of 0..3.
bool parseLevel(const char* text, int& level) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) text++;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') text++;
  if (*text < '0' || *text > '9') return false;
  long long value = 0;
  while (*text >= '0' && *text <= '9' && value < 1000) value = value * 10 + (*text++ - '0');
  if (negative) value = -value;
  if (value < 0 || value > 3) return false;
  level = int(value);
  return true;
}

void outOfMemory() { panic("Memory Allocation Failure #0\n"); }

}  // namespace

int qshrinkMain(int argc, char** argv) {
  std::set_new_handler(outOfMemory);
  if (argc < 2) {
    printUsage();
    return 1;
  }
  std::string input;
  int verbosity = 0;
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i];
    if (arg[0] == '-' && arg[1] == 'v') {
      if (i + 1 >= argc || !parseLevel(argv[i + 1], verbosity)) {
        printUsage();
        return 1;
      }
      i++;
    } else if (arg[0] == '-' && arg[1] == 'o') {
      if (i + 1 >= argc) {
        printUsage();
        return 1;
      }
      outfile = argv[++i];
    } else {
      input = arg;
    }
  }
  (void)verbosity;  // accepted for compatibility; no step reads it

  filename = input;
  CONTRADICTION = false;
  const bool trace = statsWanted();
  double readStart = trace ? GetInternalRunTime() : 0;
  bool readOk = readProblem(filename);
  if (trace) std::fprintf(stderr, "qshrink-stats read: %.2f s\n", GetInternalRunTime() - readStart);
  if (!readOk) {
    std::printf("c Problem reading CNF file.\n");
    return 1;
  }
  start_time = GetInternalRunTime();
  size_t cut = filename.rfind('/');
  if (cut == std::string::npos) cut = filename.rfind('\\');
  if (cut != std::string::npos) filename = filename.substr(cut + 1);

  if (!CONTRADICTION) preprocessor();
  double writeStart = GetInternalRunTime();
  if (!CONTRADICTION && !cnfoutputOrigTheory()) return 1;
  end_time = GetInternalRunTime();
  // For benchmarks: the writer's time and the number of main-loop iterations.
  if (trace) {
    std::fprintf(stderr, "qshrink-stats write: %.2f s\n", end_time - writeStart);
    std::fprintf(stderr, "qshrink-stats iterations=%d\n", mainLoopIterations);
  }
  printSummary();
  recordSummary();
  return 0;
}
