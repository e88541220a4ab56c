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

namespace {

// The reader sizes its tables by the header. A header that declares many
// millions of variables costs qshrink nothing (the pages are never touched),
// but the sanitizer fills and poisons every byte of them on each run, which
// turns such inputs into timeouts of the sanitizer's own making. They are
// skipped; the command-line tests cover huge headers in the release build.
constexpr unsigned long long MAX_DECLARED_VARIABLES = 1ull << 22;

bool declaresHugeProblem(const std::string& text) {
  const size_t p = text.find("p cnf");
  if (p == std::string::npos) return false;
  unsigned long long count = 0;
  size_t at = p + 5;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) at++;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; at++) {
    count = count * 10 + unsigned(text[at] - '0');
    if (count > MAX_DECLARED_VARIABLES) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (declaresHugeProblem(text)) return 0;
  // The last byte, when there is one, also picks the strong mode and its switches.
  const unsigned pick = size > 0 ? data[size - 1] : 0;
  const fuzz::Outcome o = fuzz::run(text, (pick & 0x80) != 0, pick & 0x7F);
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
