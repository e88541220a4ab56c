// The fatal-error stop and the CPU-time clock used by every part of the run.
#pragma once

#include <string>

// Prints "FATAL ERROR: " and the printf-formatted message on standard output,
// removes a half-written output file if one is open, and exits with status 1.
[[noreturn]] void panic(const char* format, ...) __attribute__((format(printf, 1, 2)));

// CPU seconds (user + system) used by the process so far, at 100 ticks per second.
double GetInternalRunTime();

// The writer names the temporary file it is filling, so that panic() can
// remove it; an empty name clears the registration.
void setPendingOutput(const std::string& path);
