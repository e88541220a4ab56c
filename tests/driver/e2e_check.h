// End-to-end checks of one run of the qshrink binary: standard output
// exactly (the time of the summary line as a number), the output file byte
// for byte, "result1", the record line of "preprocessor_b.dat", the exit
// status, empty standard error, and the exact set of files left behind.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "support/harness.h"

// A fresh temporary directory, removed with everything in it at the end.
struct Scratch {
  std::string dir = makeTempDir();
  Scratch() = default;
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch();
  std::string at(const std::string& name) const { return dir + "/" + name; }
};

// The reader's two statistics lines, plus "c Theory has no
// gaps" when `noGaps`. `avg` is the average as printed, e.g. "3.000".
std::string readerLines(long vars, long nary, long binary, long alternations, long nonBinary, const std::string& avg,
                        bool noGaps);

// The writer's announcement of its output file.
std::string outputLine(const std::string& outName);

// What a run should leave behind.
struct Expected {
  int status = 0;
  // Standard output before the summary line (all of it for a failed run).
  std::string out;
  // "UNKNOWN" or "UNSAT" for a completed run; empty for a failed one, which
  // prints no summary and leaves no result files.
  std::string word;
  // Output file name and content; empty name for no output file.
  std::string outName;
  std::string outText;
  // The record's name field and the variable, n-ary and binary counts,
  // e.g. "3,1,1" (the three renumbered counts are always 0,0,0 here).
  std::string recordName;
  std::string counts;
  // Standard error: why a read failed, where qshrink says so.
  std::string err;
};

// Checks a run against `e`. `inputs` are the directory's entries before the
// run (input files, subdirectories); the directory must hold exactly those
// plus the files the run is expected to leave (no temporary file).
void expectRun(const RunResult& r, const std::string& dir, const Expected& e, const std::vector<std::string>& inputs);

// The usual completed run of f.qdimacs: stdout is `readerText`, then the
// output line, then the summary; `output` is the content of f_outOrig.qdimacs.
Expected unknownRun(const std::string& readerText, const std::string& output, const std::string& counts,
                    const std::string& name = "f.qdimacs");

// A run that reads the formula and then proves it false: exactly `out`
// (reader lines and contradiction lines) before the summary, no output file.
Expected unsatRun(const std::string& out, const std::string& counts, const std::string& name = "f.qdimacs");

// A run that finds the empty clause while reading: only the summary line,
// no output file, record with 0 variables and 0 clauses.
Expected unsatAtRead(const std::string& name = "f.qdimacs");

// A run that fails: exactly `out` on stdout (and `err` on stderr), status
// 1, nothing left behind.
Expected failedRun(const std::string& out, const std::string& err = "");

// Standard output with the summary line's time replaced by "T".
std::string maskTime(const std::string& out);

// The same text with every "\n" turned into "\r\n".
std::string toCrlf(const std::string& text);

// One input text, run as f.qdimacs, and what the run should leave behind.
struct TextCase {
  std::string name;  // test name: letters, digits and '_'
  std::string input;
  Expected expected;
};
inline void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

// Writes `c.input` (with CRLF line ends if `crlf`) to f.qdimacs in a fresh
// directory, runs qshrink on it there and checks the run against `c.expected`.
void checkTextCase(const TextCase& c, bool crlf = false);
