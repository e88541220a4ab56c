// The command line of qshrink.
//
// The classic form is `qshrink [-v level] [-o name] input-file`: arguments
// are taken left to right, -v takes a verbosity level 0..3, -o a name, and
// anything else is the input file, a later one replacing an earlier one;
// only the first two characters of an option are looked at. That form
// keeps its exact behaviour. Everything added lives in arguments no one
// passed as a file name before: those beginning with "--" (long options,
// "--name=value" or "--name value"; "--" alone ends the options), "-h", and
// "-" alone, which reads standard input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct RunOptions {
  std::string input;          // the input file ("-" standard input; "" none given)
  int verbosity = 0;          // -v: 1 and above print progress on standard error
  std::string mappedPath;     // -o: the path of the --mapped-output file
  bool mappedPathGiven = false;
  std::string output;         // --output: where the formula goes ("-" standard output)
  bool outputGiven = false;
  bool noResultFiles = false;  // --no-result-files
  bool exitCodes = false;      // --exit-codes: 20 false, 10 true, 0 undecided
  bool mappedOutput = false;   // --mapped-output: also write the working store with its literal map
  FILE* reasons = stderr;      // where a failed read says why (a caller running qshrink in-process may silence it)
  double timeLimit = -1;       // --time-limit: seconds of preprocessing before it stops early (-1 none)
  double effort = -1;          // --effort: millions of work units before preprocessing stops early (-1 none)
  bool strong = false;         // --strong: the techniques of the strong mode besides the classic ones
  // --no-...: techniques of the strong mode switched off, for testing and comparison.
  bool noSubsume = false, noStrengthen = false, noPure = false, noBlocked = false, noElim = false,
       noExpand = false, noDecide = false;
};

enum class ParseOutcome {
  RUN,          // run with the options
  USAGE,        // print the classic usage text on standard output, status 1
  BAD_OPTION,   // the message is in `error`: standard error, then the usage text there, status 1
  HELP,         // print the full usage text, status 0
  VERSION,      // print the version, status 0
};

// Parses argv[1..argc-1] into `opt`; `error` gets the message of BAD_OPTION.
ParseOutcome parseCommandLine(int argc, char** argv, RunOptions& opt, std::string& error);

// The classic usage text (three lines).
void printUsage(FILE* to);
// The usage text with every option, one line each.
void printHelp(FILE* to);
// "qshrink <version>".
const char* versionText();
