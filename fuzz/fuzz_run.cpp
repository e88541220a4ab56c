// Fuzz target: arbitrary bytes as a QDIMACS file through the whole run
// (reader, preprocessing, writer), in memory. Any sanitizer report, crash or
// hang is a finding; so is a run that ends without a fatal error but writes
// a formula that is not well-formed QDIMACS, or writes one after a failed
// read.
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
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The last byte, when there is one, also picks the strong mode and its switches.
  const unsigned pick = size > 0 ? data[size - 1] : 0;
  const fuzz::Outcome o = fuzz::run(text, (pick & 0x80) != 0, pick & 0x3F);
  if (o.fatal) return 0;
  if (o.status == 1) {
    if (!o.output.empty()) std::abort();  // a failed read writes nothing
    return 0;
  }
  if (o.status != 0 && o.status != 10 && o.status != 20) std::abort();
  qbf::Formula parsed;
  if (!qbf::parse(o.output, parsed)) std::abort();  // a written formula must read back
  if (o.status == 10 && !parsed.clauses.empty()) std::abort();
  return 0;
}
