// Fuzz target: arbitrary bytes as a QDIMACS file through the whole run
// (reader, preprocessing, writer). Any sanitizer report, crash or hang is a
// finding; so is a run that ends without a fatal error but leaves an output
// file that is not well-formed QDIMACS.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "inprocess.h"
#include "support/qbf.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  int status = fuzz::runOnText(text);
  std::string output = fuzz::outputText();
  if (status == 0 && !output.empty()) {
    qbf::Formula parsed;
    if (!qbf::parse(output, parsed)) std::abort();  // a written formula must read back
  }
  if (status != 0 && !output.empty()) std::abort();  // a failed run leaves no output
  return 0;
}
