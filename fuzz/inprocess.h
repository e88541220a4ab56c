// Running the whole of qshrink inside a fuzzing process, in memory: the
// input is read from the fuzzer's bytes, the formula is written to an
// in-memory file, no result file is written, and fatal errors are thrown
// back instead of ending the process. Nothing touches the file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Silences standard output and makes fatal errors throw; call once.
void setUp();

struct Outcome {
  int status = 0;      // 0 undecided, 10 true (no clause left), 20 false, 1 an error or a fatal stop
  bool fatal = false;  // the run ended in the fatal-error stop
  std::string output;  // the formula written ("p cnf 0 1" / "0" for a false one); "" if none
};

// Runs qshrink with --exit-codes and --output to memory on `text`, with
// --strong and the switch combination `strongSwitches` (bit k: the k-th
// --no-... switch) when `strong` is set.
Outcome run(const std::string& text, bool strong = false, unsigned strongSwitches = 0);

}  // namespace fuzz
