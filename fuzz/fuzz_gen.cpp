// Fuzz target: the fuzzer's bytes describe a small well-formed QBF (up to ten
// variables, four quantifier blocks, forty clauses), so that every input gets
// past the reader and reaches the reductions. The formula is preprocessed
// in-process and the truth value of what qshrink reports or writes is
// compared with the brute-force evaluator's; a difference aborts.
//
// Byte layout: number of variables; block count, first-block kind and "no
// prefix" flag; kinds of the blocks; one byte per variable choosing its block
// (or none: a free variable); then clauses, each a length byte followed by
// that many literal bytes (variable and sign). Every formula runs twice: the
// classic way and in the strong mode.
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

// The outcome of one run on f, checked against its truth value `expected`.
void check(const qbf::Formula& f, bool expected, bool strong, unsigned switches) {
  const fuzz::Outcome o = fuzz::run(qbf::toText(f), strong, switches);
  if (o.fatal) std::abort();
  if (o.status == 20) {  // shown false (also by a clause emptied while reading)
    if (expected) std::abort();
    return;
  }
  if (o.status != 0 && o.status != 10) std::abort();
  qbf::Formula written;
  if (!qbf::parse(o.output, written)) std::abort();
  if (qbf::evaluate(written) != expected) std::abort();
  if (o.status == 10 && (!expected || !written.clauses.empty())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const qbf::Formula f = decode(data, size);
  const bool expected = qbf::evaluate(f);
  // The classic run, then the strong mode with the switch combination the
  // formula's size picks.
  check(f, expected, false, 0);
  check(f, expected, true, unsigned(size) & 0x7F);
  return 0;
}
