// The fatal-error stop, the CPU-time clock, and the end of a run by a signal.
//
// A temporary output file stands while a formula or a result file is being
// written. Whatever ends the run then, panic() or a signal that ends the
// process (what `timeout`, a batch scheduler or the terminal sends), removes
// it. The signal handler may call only async-signal-safe functions, so the
// name lives in a fixed buffer, published by a flag set after it is copied.
#include "store/panic.h"

#include <limits.h>
#include <signal.h>
#include <sys/times.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
char pendingPath[PATH_MAX + 1];            // temporary output file being written, when pendingSet
volatile sig_atomic_t pendingSet = 0;      // whether pendingPath names one
std::FILE* pendingStream = nullptr;        // its open stream, if any
bool panicThrows = false;                  // throw PanicStop instead of exiting

// The signals that end a run early, in the handler's care.
constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGXCPU};

void onEndingSignal(int sig) {
  if (pendingSet) unlink(pendingPath);
  // The handler was reset to the default on entry (SA_RESETHAND) and the
  // signal is not blocked in it (SA_NODEFER): raising it again ends the
  // process as the signal would have, status 128 + sig to a shell.
  raise(sig);
}

void removePending() {
  if (pendingStream != nullptr) std::fclose(pendingStream);
  if (pendingSet) unlink(pendingPath);
  setPendingOutput("");
}
}  // namespace

void setPanicThrows(bool on) { panicThrows = on; }

void setPendingOutput(const std::string& path, std::FILE* stream) {
  pendingSet = 0;
  if (!path.empty() && path.size() <= PATH_MAX) {
    std::memcpy(pendingPath, path.c_str(), path.size() + 1);
    pendingSet = 1;
  }
  pendingStream = stream;
}

void installSignalHandlers() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = onEndingSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESETHAND | SA_NODEFER;
  for (int sig : ENDING_SIGNALS) {
    struct sigaction old;
    // A signal ignored by whoever started the run (nohup) stays ignored.
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(sig, &sa, nullptr);
  }
  // A file size limit then makes the write fail, which the run reports,
  // instead of ending the process.
  signal(SIGXFSZ, SIG_IGN);
}

void panic(const char* format, ...) {
  std::printf("FATAL ERROR: ");
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
  std::printf("\n");
  std::fflush(stdout);
  removePending();
  if (panicThrows) throw PanicStop{};
  std::exit(1);
}

double GetInternalRunTime() {
  struct tms t;
  times(&t);
  return double(t.tms_utime + t.tms_stime) / 100.0;
}
