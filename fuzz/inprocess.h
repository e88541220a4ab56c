// Running the whole of qshrink inside a fuzzing process: every input is
// written to a scratch directory and preprocessed there by qshrinkMain, with
// fatal errors thrown back instead of ending the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Moves into a fresh scratch directory and silences standard output; call once.
void setUp();

// Writes `text` to "f.qdimacs" in the scratch directory, runs qshrink on it
// and returns its exit status (1 for a fatal error). Output files of the
// previous run are removed first.
int runOnText(const std::string& text);

// The scratch directory's "f_outOrig.qdimacs" and "result1" after a run ("" if absent).
std::string outputText();
std::string resultText();

}  // namespace fuzz
