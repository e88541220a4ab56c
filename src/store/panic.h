// The fatal-error stop and the CPU-time clock used by every part of the run.
#pragma once

#include <cstdio>
#include <string>

// Prints "FATAL ERROR: " and the printf-formatted message on standard output,
// removes a half-written output file if one is open, and exits with status 1
// (or throws PanicStop while setPanicThrows(true) is in force).
[[noreturn]] void panic(const char* format, ...) __attribute__((format(printf, 1, 2)));

// CPU seconds (user + system) used by the process so far, at 100 ticks per second.
double GetInternalRunTime();

// The writer names the temporary file it is filling (and its stream, once
// open), so that panic() and the signals that end a run can remove it; an
// empty name clears the registration.
void setPendingOutput(const std::string& path, std::FILE* stream = nullptr);

// Makes SIGINT, SIGTERM, SIGHUP and SIGXCPU remove the pending output file
// before they end the process, and lets a file size limit fail a write
// instead of ending the process (SIGXFSZ ignored).
void installSignalHandlers();

// What panic() throws instead of exiting when a caller runs many formulas in
// one process (unit tests, fuzz targets). The process-wide tables are left as
// they were: the caller must resetAllState() (driver/reset.h) before the next run.
struct PanicStop {
  int status = 1;
};

// Chooses between exiting (the default) and throwing PanicStop in panic().
void setPanicThrows(bool on);
