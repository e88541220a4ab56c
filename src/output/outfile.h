// Output files written under a temporary name and renamed into place when
// complete, so that no half-written formula ever stands under the real name.
#pragma once

#include <cstdio>
#include <string>

// An input's base name (already without its directory) without its last
// '.' and what follows, then `suffix`: the name of a file written next to
// the caller.
std::string outputNameFor(const std::string& base, const char* suffix);

struct OutputFile {
  FILE* file = nullptr;
  std::string path;      // the name the file gets when complete
  std::string tempPath;  // the name it is written under
};

// Creates the temporary file beside `path`. On failure prints
// "ERROR: Failed to open <path>." and returns false.
bool openOutput(OutputFile& out, const std::string& path);

// Flushes, closes and renames the file into place. On a write failure the
// temporary file is removed, an error is printed and false is returned.
bool closeOutput(OutputFile& out);
