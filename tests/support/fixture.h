// In-process fixtures: read a formula from text into the process-wide store,
// and capture what a step prints on standard output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Resets all process-wide state and reads `qdimacs` with the reader. Returns
// the reader's result. Standard output of the reader is discarded.
bool readText(const std::string& qdimacs);

// readText, then the build step: store created, binary clauses loaded, unit
// clauses neither queued nor propagated.
void buildText(const std::string& qdimacs);

// Literal index of a signed input literal, in the store's numbering (the
// formula must use its variables without gaps for this to match the input).
int32_t lit(int32_t dimacs);

// Contents of a literal's lists, in order.
std::vector<int32_t> implicationsOf(int32_t literalIndex);
std::vector<int32_t> occurrencesOf(int32_t literalIndex);
// The first curLen literals of n-ary clause c.
std::vector<int32_t> clauseLits(int32_t c);

// Captures standard output (file descriptor 1) while alive.
class CaptureStdout {
 public:
  CaptureStdout();
  ~CaptureStdout();
  // Stops capturing (if still capturing) and returns what was printed.
  std::string text();

 private:
  int saved_ = -1;
  std::string path_;
  std::string text_;
  bool done_ = false;
};

// Makes `dir` the working directory while alive, then goes back.
class InDirectory {
 public:
  explicit InDirectory(const std::string& dir);
  ~InDirectory();
  bool entered() const { return entered_; }

 private:
  std::string previous_;
  bool entered_ = false;
};
