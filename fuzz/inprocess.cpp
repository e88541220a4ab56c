// In-process runs of qshrink for the fuzz targets.
#include "inprocess.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "driver/options.h"
#include "driver/reset.h"
#include "driver/run.h"
#include "input/source.h"
#include "output/outfile.h"
#include "store/panic.h"

namespace fuzz {

namespace {

int formulaFile = -1;   // the in-memory file the formula is written to
FILE* nowhere = nullptr;  // where the reasons of failed reads go

std::string contentsOf(int fd) {
  std::string text;
  char buf[1 << 16];
  for (off_t at = 0;;) {
    ssize_t n = pread(fd, buf, sizeof buf, at);
    if (n <= 0) return text;
    text.append(buf, size_t(n));
    at += n;
  }
}

}  // namespace

void setUp() {
  // qshrink reports on standard output; the fuzzer's own report goes to standard error.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  setPanicThrows(true);
  nowhere = std::fopen("/dev/null", "w");
  if (nowhere == nullptr) std::abort();
  formulaFile = memfd_create("qshrink-formula", 0);
  if (formulaFile < 0) std::abort();
  setFormulaDescriptor(formulaFile);
}

Outcome run(const std::string& text, bool strong, unsigned strongSwitches) {
  if (ftruncate(formulaFile, 0) != 0 || lseek(formulaFile, 0, SEEK_SET) != 0) std::abort();
  RunOptions opt;
  opt.input = "f.qdimacs";
  opt.output = STANDARD_OUTPUT_PATH;
  opt.outputGiven = opt.noResultFiles = opt.exitCodes = true;
  opt.strong = strong;
  opt.reasons = nowhere;
  bool* const switches[] = {&opt.noSubsume, &opt.noStrengthen, &opt.noPure, &opt.noBlocked, &opt.noElim, &opt.noExpand,
                           &opt.noDecide};
  for (unsigned k = 0; k < 7; k++) *switches[k] = (strongSwitches >> k) & 1;
  Outcome outcome;
  resetAllState();
  std::unique_ptr<ByteSource> source = memorySource(text.data(), text.size());
  try {
    outcome.status = qshrinkRun(opt, source.get());
  } catch (const PanicStop& stop) {
    outcome.status = stop.status;
    outcome.fatal = true;
  }
  std::fflush(stdout);
  resetAllState();
  outcome.output = contentsOf(formulaFile);
  return outcome;
}

}  // namespace fuzz
