// The run summary. The outcome is a contradiction (UNSAT), a proof of truth
// (SAT, raised only by the renumbering writer) or undecided (UNKNOWN), in
// that order of precedence; the three places report the same outcome.
//
// Neither result file may be lost silently. "result1" is written under a
// temporary name and renamed into place, so that an interrupted run leaves
// the previous word whole; the record is one write of one line in append
// mode, so that runs side by side in one folder never mix their lines.
// Every failure to write either is reported, and fails the run.
#include "driver/summary.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "output/outfile.h"
#include "store/store.h"

namespace {

const char* outcomeWord() { return CONTRADICTION ? "UNSAT" : SATISFIED ? "SAT" : "UNKNOWN"; }

const char* const RESULT_FILE = "result1";
const char* const RECORD_FILE = "preprocessor_b.dat";

bool writeResultWord() {
  OutputFile out;
  bool writeFailed = false;
  if (!createOutput(out, RESULT_FILE)) return false;
  std::fputs(outcomeWord(), out.file);
  return commitOutput(out, writeFailed);
}

// Writes all of `line` with one call (more only if the system writes part
// of it); false on a failure.
bool writeWhole(int fd, const std::string& line) {
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

}  // namespace

void printSummaryLine() {
  std::printf("%.3f", end_time - start_time);
  std::printf(" %s \n", outcomeWord());
}

bool printSummary() {
  printSummaryLine();
  if (writeResultWord()) return true;
  std::printf("ERROR: Failed to write %s.\n", RESULT_FILE);
  return false;
}

bool recordSummary() {
  int fd = open(RECORD_FILE, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    std::printf("ERROR: Failed to open %s\n", RECORD_FILE);
    return false;
  }
  char fields[160];
  std::snprintf(fields, sizeof fields, "%s%d,%d,%d,%d,%d,%d,%.3f\n", CONTRADICTION ? "0," : SATISFIED ? "1," : "-1,",
                NLITS / 2, NUMNCLS, NUMBCLS, NEW_NVARS, NEW_NUMNCLS, NEW_NUMBCLS, end_time - start_time);
  const bool ok = writeWhole(fd, filename + "," + fields);
  if (close(fd) == 0 && ok) return true;
  std::printf("ERROR: Failed to write %s.\n", RECORD_FILE);
  return false;
}
