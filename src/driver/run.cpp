// The process entry of qshrink: command line, read, preprocess, write,
// summarise.
//
// The run reads the formula, takes the start time, cuts the input name to
// its base name, preprocesses unless the input already holds the empty
// clause, writes the reduced formula unless a contradiction was found, and
// ends with the summary line and the two result files. What the command
// line adds (see options.h) changes where the formula and the messages go,
// which files are written and which exit status ends the run; without it
// the run is the classic one.
#include "driver/run.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "driver/bounds.h"
#include "driver/options.h"
#include "driver/preprocessor.h"
#include "driver/progress.h"
#include "driver/stats.h"
#include "driver/strongrun.h"
#include "driver/summary.h"
#include "input/readproblem.h"
#include "input/source.h"
#include "output/cnfoutput.h"
#include "output/outfile.h"
#include "output/strongwriter.h"
#include "output/writer.h"
#include "store/panic.h"
#include "store/store.h"

namespace {

void outOfMemory() { panic("Memory Allocation Failure #0\n"); }

// Exit statuses of --exit-codes, as QBF solvers give them.
constexpr int STATUS_UNDECIDED = 0;
constexpr int STATUS_ERROR = 1;
constexpr int STATUS_TRUE = 10;
constexpr int STATUS_FALSE = 20;

// While alive, what the run prints on standard output goes to standard
// error, and the formula alone to the real standard output (--output=-).
class MessagesToStandardError {
 public:
  explicit MessagesToStandardError(bool on) {
    if (!on) return;
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    if (saved_ < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return;
    setFormulaDescriptor(saved_);
  }
  ~MessagesToStandardError() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    setFormulaDescriptor(-1);
  }
  MessagesToStandardError(const MessagesToStandardError&) = delete;
  MessagesToStandardError& operator=(const MessagesToStandardError&) = delete;

 private:
  int saved_ = -1;
};

// The base name the output files are named after: the input's base name
// without ".gz" or ".xz" when the input was compressed.
std::string outputBaseName(const std::string& cut, bool compressed) {
  return compressed ? withoutCompressionSuffix(cut) : cut;
}

// The last component of a path: after the last '/', or when there is none,
// after the last '\\'.
std::string baseNameOf(const std::string& path) {
  size_t cut = path.rfind('/');
  if (cut == std::string::npos) cut = path.rfind('\\');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Reads the input, from `given` if not null; false after the messages of a
// failed read.
bool readInput(const RunOptions& opt, ByteSource* given, bool& compressed) {
  std::string why;
  std::unique_ptr<ByteSource> opened = given != nullptr || opt.input.empty() ? nullptr : openSource(opt.input, why);
  ByteSource* source = given != nullptr ? given : opened.get();
  bool ok = false;
  if (source == nullptr) {
    for (auto& head : lenNclauses) head = nullptr;
    if (opt.input.empty()) std::fprintf(opt.reasons, "qshrink: no input file given\n");
    else std::fprintf(opt.reasons, "qshrink: cannot open %s: %s\n", opt.input.c_str(), why.c_str());
  } else {
    compressed = source->compressed();
    ok = readProblemFrom(*source, opt.input);
    if (!ok && !readFailureReason().empty()) std::fprintf(opt.reasons, "qshrink: %s\n", readFailureReason().c_str());
  }
  if (!ok) std::printf("c Problem reading CNF file.\n");
  return ok;
}

}  // namespace

int qshrinkRun(const RunOptions& opt, ByteSource* source) {
  filename = opt.input;
  CONTRADICTION = false;
  progressBegin(opt.verbosity);
  progressNote("reading");
  const bool trace = statsWanted();
  double readStart = trace ? GetInternalRunTime() : 0;
  bool compressed = false;
  bool readOk = readInput(opt, source, compressed);
  if (trace) std::fprintf(stderr, "qshrink-stats read: %.2f s\n", GetInternalRunTime() - readStart);
  if (!readOk) {
    // A clause that universal reduction empties shows the formula false: a
    // solver reading --output is told so, whatever the status says.
    if (!readEmptiedByReduction()) return STATUS_ERROR;
    if (opt.outputGiven && !writeFalseFormula(opt.output)) return STATUS_ERROR;
    return opt.exitCodes ? STATUS_FALSE : STATUS_ERROR;
  }
  start_time = GetInternalRunTime();
  filename = opt.input == "-" ? "stdin" : baseNameOf(filename);
  const std::string base = outputBaseName(filename, compressed);

  strong::Problem reduced;
  startBounds(opt.timeLimit, opt.effort);
  if (!CONTRADICTION && opt.strong) {
    const strong::Result r = runStrongMode(opt, reduced);
    CONTRADICTION = r == strong::Result::False;
  } else if (!CONTRADICTION) {
    preprocessor();
  }
  if (stoppedEarly()) std::fprintf(opt.reasons, "qshrink: %s\n", stopMessage().c_str());
  progressNote("writing");
  double writeStart = GetInternalRunTime();
  int32_t written = -1;
  if (!CONTRADICTION && opt.strong) {
    const std::string path = opt.outputGiven ? opt.output : outputNameFor(base, "_outOrig.qdimacs");
    if (!writeReducedProblem(reduced, path, &written)) return STATUS_ERROR;
    SATISFIED = written == 0;
  } else if (!CONTRADICTION) {
    const std::string path = opt.outputGiven ? opt.output : outputNameFor(base, "_outOrig.qdimacs");
    if (!cnfoutputOrigTheory(path, &written)) return STATUS_ERROR;
    if (opt.mappedOutput) {
      outfile = opt.mappedPathGiven ? opt.mappedPath : outputNameFor(base, "_out.qdimacs");
      if (cnfoutput() != 0) return STATUS_ERROR;
    }
  } else if (opt.outputGiven && !writeFalseFormula(opt.output)) {
    return STATUS_ERROR;
  }
  end_time = GetInternalRunTime();
  // For benchmarks: the writer's time and the number of main-loop iterations.
  if (trace) {
    std::fprintf(stderr, "qshrink-stats write: %.2f s\n", end_time - writeStart);
    std::fprintf(stderr, "qshrink-stats iterations=%d\n", mainLoopIterations);
  }
  bool recorded = true;
  if (opt.noResultFiles) {
    printSummaryLine();
  } else {
    recorded = printSummary();
    recorded = recordSummary() && recorded;
  }
  if (!recorded) return STATUS_ERROR;
  if (!opt.exitCodes) return STATUS_UNDECIDED;
  if (CONTRADICTION) return STATUS_FALSE;
  return written == 0 || SATISFIED ? STATUS_TRUE : STATUS_UNDECIDED;
}

int qshrinkMain(int argc, char** argv) {
  std::set_new_handler(outOfMemory);
  RunOptions opt;
  std::string error;
  switch (parseCommandLine(argc, argv, opt, error)) {
    case ParseOutcome::USAGE:
      printUsage(stdout);
      return STATUS_ERROR;
    case ParseOutcome::BAD_OPTION:
      std::fprintf(stderr, "qshrink: %s\n", error.c_str());
      printHelp(stderr);
      return STATUS_ERROR;
    case ParseOutcome::HELP:
      printHelp(stdout);
      return 0;
    case ParseOutcome::VERSION:
      std::printf("%s\n", versionText());
      return 0;
    case ParseOutcome::RUN:
      break;
  }
  MessagesToStandardError redirect(opt.outputGiven && opt.output == STANDARD_OUTPUT_PATH);
  return qshrinkRun(opt, nullptr);
}
