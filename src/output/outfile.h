// Output files written under a temporary name and renamed into place when
// complete, so that no half-written file ever stands under the real name,
// and an interrupted run leaves the file it would have replaced whole.
#pragma once

#include <cstdio>
#include <string>

// An input's base name (already without its directory) without its last
// '.' and what follows, then `suffix`: the name of a file written next to
// the caller.
std::string outputNameFor(const std::string& base, const char* suffix);

// The path that names standard output: the file is written there directly.
inline const char* STANDARD_OUTPUT_PATH = "-";

struct OutputFile {
  FILE* file = nullptr;
  std::string path;      // the name the file gets when complete
  std::string tempPath;  // the name it is written under ("" for standard output)
};

// Whether an existing file at `path` must not be replaced: it is a
// directory, or the user may not open it for writing (the test open(2)
// would make). A path where nothing stands may be written.
bool protectedPath(const std::string& path);

// Creates the temporary file beside `path`, or takes standard output for
// STANDARD_OUTPUT_PATH, or opens a device or pipe standing at `path` to be
// written in place. Returns false, creating nothing, when that fails or
// `path` is protected.
bool createOutput(OutputFile& out, const std::string& path);

// Flushes and closes the file and renames it into place. Returns false, and
// leaves nothing under either name, when a write or the close failed or the
// path has become protected; `writeFailed` then says which.
bool commitOutput(OutputFile& out, bool& writeFailed);

// createOutput, printing "ERROR: Failed to open <path>." on failure.
bool openOutput(OutputFile& out, const std::string& path);

// commitOutput, printing "ERROR: Failed to write <path>." or "ERROR: Failed
// to open <path>." on failure.
bool closeOutput(OutputFile& out);

// Standard output for the formula when standard output proper carries the
// messages elsewhere: the descriptor the formula is written to (-1 when
// STANDARD_OUTPUT_PATH means file descriptor 1 itself).
void setFormulaDescriptor(int fd);
