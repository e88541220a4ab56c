// Fuzz target: the fuzzer's bytes describe a small well-formed QBF (up to ten
// variables, four quantifier blocks, forty clauses), so that every input gets
// past the reader and reaches the reductions. The formula is preprocessed
// in-process and the truth value of what qshrink reports or writes is
// compared with the brute-force evaluator's; a difference aborts.
//
// Byte layout: number of variables; block count, first-block kind and "no
// prefix" flag; kinds of the blocks; one byte per variable choosing its block
// (or none: a free variable); then clauses, each a length byte followed by
// that many literal bytes (variable and sign).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "inprocess.h"
#include "support/qbf.h"

namespace {

struct Bytes {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool more() const { return at < size; }
  uint8_t next() { return at < size ? data[at++] : 0; }
};

qbf::Formula decode(const uint8_t* data, size_t size) {
  Bytes in{data, size};
  qbf::Formula f;
  f.numVars = 1 + in.next() % 10;
  const uint8_t shape = in.next();
  const bool noPrefix = (shape & 0x80) != 0;
  const int blocks = 1 + (shape & 3);
  const uint8_t kinds = in.next();
  std::vector<std::vector<int>> members(static_cast<size_t>(blocks));
  for (int v = 1; v <= f.numVars; v++) {
    const uint8_t b = in.next();
    if ((b & 0xE0) == 0xE0) continue;  // free: in no quantifier line
    members[size_t(b % blocks)].push_back(v);
  }
  if (!noPrefix)
    for (int k = 0; k < blocks; k++)
      if (!members[size_t(k)].empty())
        f.prefix.push_back({(kinds >> k) & 1 ? qbf::Quant::Forall : qbf::Quant::Exists, members[size_t(k)]});
  while (in.more() && f.clauses.size() < 40) {
    const uint8_t lengthByte = in.next();
    const size_t length = lengthByte == 0xFF ? 0 : 1 + lengthByte % 5;
    qbf::Clause clause;
    for (size_t i = 0; i < length; i++) {
      const uint8_t b = in.next();
      const int v = 1 + (b >> 1) % f.numVars;
      clause.push_back(b & 1 ? -v : v);
    }
    f.clauses.push_back(clause);
  }
  f.numClauses = int(f.clauses.size());
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const qbf::Formula f = decode(data, size);
  const bool expected = qbf::evaluate(f);
  const int status = fuzz::runOnText(qbf::toText(f));
  const std::string result = fuzz::resultText();
  const std::string output = fuzz::outputText();
  if (status == 1) {
    // The read stops on a clause that universal reduction empties: only a false formula.
    if (expected || !output.empty()) std::abort();
    return 0;
  }
  if (status != 0) std::abort();
  if (result == "UNSAT") {
    if (expected || !output.empty()) std::abort();
    return 0;
  }
  if (result != "UNKNOWN") std::abort();
  qbf::Formula written;
  if (!qbf::parse(output, written)) std::abort();
  if (qbf::evaluate(written) != expected) std::abort();
  return 0;
}
