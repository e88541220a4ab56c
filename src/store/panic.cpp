// The fatal-error stop and the CPU-time clock.
#include "store/panic.h"

#include <sys/times.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {
std::string pendingOutput;           // temporary output file being written, if any
std::FILE* pendingStream = nullptr;  // its open stream, if any
bool panicThrows = false;            // throw PanicStop instead of exiting
}  // namespace

void setPanicThrows(bool on) { panicThrows = on; }

void setPendingOutput(const std::string& path, std::FILE* stream) {
  pendingOutput = path;
  pendingStream = stream;
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
  if (pendingStream != nullptr) std::fclose(pendingStream);
  if (!pendingOutput.empty()) unlink(pendingOutput.c_str());
  setPendingOutput("");
  if (panicThrows) throw PanicStop{};
  std::exit(1);
}

double GetInternalRunTime() {
  struct tms t;
  times(&t);
  return double(t.tms_utime + t.tms_stime) / 100.0;
}
