// Runs the strong mode on one QDIMACS file and prints one line of figures:
//
//   strongbench FILE [-o OUT] [--effort N] [--copies K] [--no-subsume]
//               [--no-strengthen] [--no-pure] [--no-blocked] [--no-elim] [--no-expand]
//
// The line holds key=value pairs: the file's name, clauses and used
// variables (those in some clause) before and after, the engine's seconds
// (parsing excluded), the result, and the report's counts. With -o the
// simplified formula is written as QDIMACS (a false one as "p cnf 0 1" with
// the empty clause), for a solver to check. --copies K runs the engine on K
// copies of the formula side by side (variables renamed apart, block i of
// every copy in block i), a larger formula of the same structure.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "output/strongwriter.h"
#include "strong/qbfbridge.h"
#include "strong/strong.h"

namespace {

int64_t usedVariables(const strong::Problem& p) {
  std::vector<bool> used(size_t(p.numVars) + 1, false);
  int64_t n = 0;
  for (const std::vector<int32_t>& c : p.clauses)
    for (int32_t l : c) {
      size_t v = size_t(std::abs(l));
      if (v >= used.size()) used.resize(v + 1, false);
      if (!used[v]) n++;
      used[v] = true;
    }
  return n;
}

const char* resultName(strong::Result r) {
  switch (r) {
    case strong::Result::True: return "true";
    case strong::Result::False: return "false";
    case strong::Result::Unknown: return "unknown";
  }
  return "?";
}

// K copies of p with disjoint variables; block i of each copy joins block i.
strong::Problem copies(const strong::Problem& p, int32_t k) {
  strong::Problem out;
  out.numVars = p.numVars * k;
  out.blocks = p.blocks;
  for (strong::Block& b : out.blocks) b.vars.clear();
  for (int32_t j = 0; j < k; j++) {
    int32_t shift = j * p.numVars;
    for (size_t i = 0; i < p.blocks.size(); i++)
      for (int32_t v : p.blocks[i].vars) out.blocks[i].vars.push_back(v + shift);
    for (const std::vector<int32_t>& c : p.clauses) {
      out.clauses.emplace_back();
      for (int32_t l : c) out.clauses.back().push_back(l < 0 ? l - shift : l + shift);
    }
  }
  return out;
}

int usage() {
  std::fprintf(stderr,
               "usage: strongbench FILE [-o OUT] [--effort N] [--copies K] [--no-subsume] [--no-strengthen]\n"
               "                   [--no-pure] [--no-blocked] [--no-elim] [--no-expand]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string input, output;
  strong::Switches s;
  strong::Limits limits;
  int32_t k = 1;
  struct Flag {
    const char* name;
    bool* value;
  };
  const Flag flags[] = {{"--no-subsume", &s.subsume}, {"--no-strengthen", &s.strengthen}, {"--no-pure", &s.pure},
                        {"--no-blocked", &s.blocked}, {"--no-elim", &s.elim},             {"--no-expand", &s.expand}};
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    bool known = false;
    for (const Flag& f : flags)
      if (a == f.name) *f.value = false, known = true;
    if (known) continue;
    if (a == "-o" && i + 1 < argc)
      output = argv[++i];
    else if (a == "--effort" && i + 1 < argc)
      limits.effort = std::atoll(argv[++i]);
    else if (a == "--copies" && i + 1 < argc)
      k = std::max(1, std::atoi(argv[++i]));
    else if (a[0] != '-' && input.empty())
      input = a;
    else
      return usage();
  }
  if (input.empty()) return usage();
  std::ifstream in(input);
  if (!in) {
    std::fprintf(stderr, "strongbench: cannot read %s\n", input.c_str());
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  qbf::Formula formula;
  std::string error;
  if (!qbf::parse(text.str(), formula, &error)) {
    std::fprintf(stderr, "strongbench: %s: %s\n", input.c_str(), error.c_str());
    return 1;
  }
  strong::Problem p = bridge::toProblem(formula);
  if (k > 1) p = copies(p, k);
  size_t clausesBefore = p.clauses.size();
  int64_t varsBefore = usedVariables(p);

  strong::Report r;
  auto start = std::chrono::steady_clock::now();
  strong::Result result = strong::simplify(p, s, limits, r);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const char* name = std::strrchr(input.c_str(), '/');
  name = name == nullptr ? input.c_str() : name + 1;
  std::printf(
      "file=%s clauses=%zu clauses_after=%zu vars=%lld vars_after=%lld seconds=%.3f result=%s units=%lld "
      "subsumed=%lld strengthened=%lld pure=%lld blocked=%lld eliminated=%lld resolvents=%lld expanded=%lld "
      "copies=%lld rounds=%lld work=%lld stopped=%d\n",
      name, clausesBefore, result == strong::Result::False ? 0 : p.clauses.size(), (long long)varsBefore,
      result == strong::Result::False ? 0LL : (long long)usedVariables(p), seconds, resultName(result),
      (long long)r.units, (long long)r.subsumed, (long long)r.strengthened, (long long)r.pureLiterals,
      (long long)r.blocked, (long long)r.eliminated, (long long)r.resolvents, (long long)r.expanded,
      (long long)r.copies, (long long)r.rounds, (long long)r.work, r.stopped ? 1 : 0);
  if (!output.empty()) {
    FILE* out = std::fopen(output.c_str(), "w");
    bool ok = out != nullptr && writeProblem(out, p);
    if (out != nullptr && std::fclose(out) != 0) ok = false;
    if (!ok) {
      std::fprintf(stderr, "strongbench: cannot write %s\n", output.c_str());
      return 1;
    }
  }
  return 0;
}
