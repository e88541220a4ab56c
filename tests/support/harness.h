// Test harness: temporary directories, files, and runs of the qshrink binary.
#pragma once

#include <string>
#include <vector>

struct RunResult {
  int status = -1;          // exit status; 128 + signal number if killed
  std::string out;          // standard output
  std::string err;          // standard error (sanitizer reports land here)
  bool timedOut = false;
};

// A fresh empty directory under the system's temporary directory.
std::string makeTempDir();

void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);  // "" if missing
bool fileExists(const std::string& path);
// Names of the entries of a directory, sorted.
std::vector<std::string> listDir(const std::string& dir);

// Runs the qshrink binary with `args` in working directory `dir`.
RunResult runQshrink(const std::vector<std::string>& args, const std::string& dir, int timeoutSeconds = 120);

// What a run gets besides its arguments.
struct RunControl {
  bool feedInput = false;     // standard input is `input` through a pipe (else /dev/null)
  std::string input;
  int signal = 0;             // a signal sent once, when standard output first holds
  std::string signalWhenOut;  // this text ("": at once)
  double signalDelay = 0;     // ... and this many seconds more have passed
};

// Runs any program (argv[0] is looked up on PATH) in `dir`.
RunResult runProgram(const std::vector<std::string>& argv, const std::string& dir, int timeoutSeconds = 120,
                     const RunControl& control = RunControl());

// Writes `qdimacs` to <dir>/<name> and runs qshrink on it there.
RunResult runOnText(const std::string& qdimacs, const std::string& dir, const std::string& name = "f.qdimacs");

// What a run left in `dir`: exit status, standard output and every file
// (name and contents, in name order), with the CPU seconds of the summary
// line and of the record line masked, so that two runs compare byte for byte.
std::string runDigest(int status, const std::string& out, const std::string& dir);

// Path of the shared data folder ($QSHRINK_SHARED, or ../shared beside the
// repository), of the repository's examples, of tests/.
std::string sharedDir();
// Whether the shared data folder is there; when it is not, the tests that
// need it skip, unless QSHRINK_REQUIRE_SHARED=1 makes its absence a failure.
bool sharedAvailable();
bool sharedRequired();
std::string examplesDir();
std::string testsDir();

// Whether this is a soak run (QSHRINK_SOAK=1, `make soak`): the long
// campaigns run their full counts.
bool soakRun();

// The strong mode's --no-... switches: the options of run k are --strong and
// the combination of them that k cycles through, so that runs 0 to
// kStrongCombinations - 1 meet every combination.
constexpr long kStrongCombinations = 1L << 7;
std::vector<std::string> strongSwitchOptions(long k);

// A positive number from the environment variable `name`, or `fallback`.
long envNumber(const char* name, long fallback);
