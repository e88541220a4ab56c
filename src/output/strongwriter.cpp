// The QDIMACS writer of the strong mode's plain problem.
//
// Only variables that occur in a clause are written, numbered densely in
// the order of their old numbers. A variable that no block names is free,
// that is existential and outermost: it is written into the first
// existential line, which is the outermost line (a new one if the first
// block is universal). Without any quantified variable no prefix is written.
#include "output/strongwriter.h"

#include <cstdint>
#include <cstddef>
#include <cstdlib>
#include <vector>

namespace {

struct Line {
  bool universal = false;
  std::vector<int32_t> vars;  // new numbers
};

// The prefix lines over the new numbers. A variable that several blocks
// name belongs to the last of them, as when it is read.
std::vector<Line> prefixLines(const strong::Problem& p, const std::vector<int32_t>& renamed) {
  std::vector<size_t> blockOf(renamed.size(), SIZE_MAX);
  for (size_t i = 0; i < p.blocks.size(); i++)
    for (int32_t v : p.blocks[i].vars)
      if (v > 0 && size_t(v) < renamed.size()) blockOf[size_t(v)] = i;
  std::vector<bool> named(renamed.size(), false);
  std::vector<Line> lines;
  for (size_t i = 0; i < p.blocks.size(); i++) {
    const strong::Block& b = p.blocks[i];
    for (int32_t v : b.vars) {
      if (v <= 0 || size_t(v) >= renamed.size() || renamed[size_t(v)] == 0) continue;
      if (blockOf[size_t(v)] != i || named[size_t(v)]) continue;
      named[size_t(v)] = true;
      if (lines.empty() || lines.back().universal != b.universal) lines.push_back({b.universal, {}});
      lines.back().vars.push_back(renamed[size_t(v)]);
    }
  }
  if (lines.empty()) return lines;
  std::vector<int32_t> free;
  for (size_t v = 1; v < renamed.size(); v++)
    if (renamed[v] != 0 && !named[v]) free.push_back(renamed[v]);
  if (free.empty()) return lines;
  if (lines.front().universal) lines.insert(lines.begin(), Line{});
  std::vector<int32_t>& first = lines.front().vars;
  first.insert(first.begin(), free.begin(), free.end());
  return lines;
}

}  // namespace

bool writeProblem(FILE* out, const strong::Problem& p) {
  int32_t largest = p.numVars;
  for (const std::vector<int32_t>& c : p.clauses)
    for (int32_t l : c)
      if (std::abs(l) > largest) largest = std::abs(l);
  std::vector<int32_t> renamed(size_t(largest) + 1, 0);
  for (const std::vector<int32_t>& c : p.clauses)
    for (int32_t l : c) renamed[size_t(std::abs(l))] = 1;
  int32_t used = 0;
  for (size_t v = 1; v < renamed.size(); v++)
    if (renamed[v] != 0) renamed[v] = ++used;
  bool ok = std::fprintf(out, "p cnf %d %zu\n", used, p.clauses.size()) > 0;
  for (const Line& line : prefixLines(p, renamed)) {
    ok = ok && std::fputs(line.universal ? "a" : "e", out) >= 0;
    for (int32_t v : line.vars) ok = ok && std::fprintf(out, " %d", v) > 0;
    ok = ok && std::fputs(" 0\n", out) >= 0;
  }
  for (const std::vector<int32_t>& c : p.clauses) {
    for (int32_t l : c) ok = ok && std::fprintf(out, "%d ", l < 0 ? -renamed[size_t(-l)] : renamed[size_t(l)]) > 0;
    ok = ok && std::fputs("0\n", out) >= 0;
  }
  return ok && std::fflush(out) == 0 && !std::ferror(out);
}
