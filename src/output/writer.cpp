// The QDIMACS writer: the reader's stored clauses, rewritten under the final
// truth values and representatives, with the variables that still occur
// numbered densely from 1 and the prefix restricted to them.
//
// The clauses are gathered first because the header, which carries their
// count, comes before them. The file is written under a temporary name in
// the same directory and renamed into place once it is complete, so that a
// run that stops early never leaves a half-written formula under the output
// name.
#include "output/writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "store/panic.h"
#include "output/outfile.h"
#include "output/strongwriter.h"
#include "store/check.h"
#include "store/store.h"

void printPrefix(FILE* out, const int32_t* newIndex) {
  // The variables that can be printed, grouped by level in increasing index
  // order (a counting sort), so that each level visits only its own
  // variables instead of scanning them all once per level.
  int32_t levels = NMAXPREFIXLEVEL > 0 ? NMAXPREFIXLEVEL : 0;
  std::vector<int32_t> levelOf(static_cast<size_t>(NLITS / 2), -1);  // per variable; -1: not printed
  std::vector<int32_t> start(size_t(levels) + 1, 0);
  for (int32_t i = 0; i < NLITS; i += 2) {
    const preLit& L = PRELITS[i];
    if (newIndex[i] != -1 && L.prefixLevel >= 0 && L.prefixLevel < levels && L.equivLit == i && L.tval == U) {
      levelOf[size_t(i / 2)] = L.prefixLevel;
      start[size_t(L.prefixLevel) + 1]++;
    }
  }
  for (int32_t level = 0; level < levels; level++) start[size_t(level) + 1] += start[size_t(level)];
  std::vector<int32_t> byLevel(static_cast<size_t>(start[size_t(levels)]));
  std::vector<int32_t> fill(start.begin(), start.end() - 1);
  for (int32_t v = 0; v < NLITS / 2; v++)
    if (levelOf[size_t(v)] >= 0) byLevel[size_t(fill[size_t(levelOf[size_t(v)])]++)] = 2 * v;

  std::vector<uint8_t> printed(size_t(NLITS) + 1, 0);
  bool anything = false;
  int lastKind = -1;  // -1 none, 0 universal, 1 existential
  for (int32_t level = 0; level < levels; level++) {
    bool levelOpen = false;
    for (int32_t k = start[size_t(level)]; k < start[size_t(level) + 1]; k++) {
      int32_t i = byLevel[size_t(k)];
      int32_t m = newIndex[i];
      if (printed[m]) continue;
      printed[m] = 1;
      if (!levelOpen) {
        levelOpen = true;
        int kind = PRELITS[i].existential ? 1 : 0;
        if (kind != lastKind) {
          if (anything) std::fputs("0\n", out);
          std::fputs(kind ? "e " : "a ", out);
          lastKind = kind;
        }
      }
      std::fprintf(out, "%d ", m / 2 + 1);
      anything = true;
    }
  }
  if (anything) std::fputs("0\n", out);
}

namespace {

// Follows x through its representatives. Returns T when a literal on the
// way is true, F when one is false, otherwise U with x set to the final
// representative.
int32_t resolveLiteral(int32_t& x) {
  for (;;) {
    const preLit& L = PRELITS[x];
    if (L.tval == T || L.tval == F) return L.tval;
    int32_t r = L.equivLit;
    if (PRELITS[r].equivLit != r) {
      x = r;
      continue;
    }
    int32_t v = PRELITS[r].tval;
    if (v == T || v == F) return v;
    x = r;
    return U;
  }
}

// Appends the decimal form of v and a blank to buf.
void appendInt(std::string& buf, int32_t v) {
  char tmp[16];
  int n = 0;
  uint32_t u = v < 0 ? uint32_t(-int64_t(v)) : uint32_t(v);
  do {
    tmp[n++] = char('0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (v < 0) buf.push_back('-');
  while (n > 0) buf.push_back(tmp[--n]);
  buf.push_back(' ');
}

}  // namespace

bool cnfoutputOrigTheory(const std::string& path, int32_t* written) {
  outfile = path;
  if (path == STANDARD_OUTPUT_PATH) std::printf("\nc Outputting reduced theory to standard output.\n");
  else std::printf("\nc Outputting reduced theory to file %s.\n", path.c_str());

  // Every literal resolved once, in index order: the clause loop below then
  // reads this compact table instead of the wide literal records, which it
  // would visit in clause order, scattered over the whole store.
  constexpr int32_t RES_T = -1, RES_F = -2;
  std::vector<int32_t> resolved(static_cast<size_t>(NLITS));
  for (int32_t i = 0; i < NLITS; i++) {
    int32_t x = i;
    int32_t v = resolveLiteral(x);
    resolved[size_t(i)] = v == T ? RES_T : v == F ? RES_F : x;
  }

  std::vector<uint8_t> used(size_t(NLITS) + 1, 0);
  std::vector<int32_t> clauses;  // literal indices of every written clause, each ended by -1
  std::vector<int32_t> vecLiterals;
  int32_t numClauses = 0;
  for (int k = 2; k < NUM_CLAUSE_LISTS; k++) {
    for (ClauseListNode* n = lenNclauses[k]; n != nullptr; n = n->next) {
      if (!n->active) continue;
      vecLiterals.clear();
      bool satisfied = false;
      for (int32_t j = 0; j < n->len && !satisfied; j++) {
        int32_t r = resolved[size_t(n->lits[j])];
        if (r == RES_T) satisfied = true;
        else if (r != RES_F) vecLiterals.push_back(r);
      }
      if (satisfied) continue;
      std::sort(vecLiterals.begin(), vecLiterals.end());
      vecLiterals.erase(std::unique(vecLiterals.begin(), vecLiterals.end()), vecLiterals.end());
      QSHRINK_CHECK(!vecLiterals.empty(), "writer", "vecLiterals.size()>0");
      bool tautology = false;
      for (size_t j = 1; j < vecLiterals.size(); j++)
        if ((vecLiterals[j] ^ 1) == vecLiterals[j - 1]) tautology = true;
      if (tautology) continue;
      for (int32_t x : vecLiterals) {
        used[x] = used[x ^ 1] = 1;
        clauses.push_back(x);
      }
      clauses.push_back(-1);
      numClauses++;
    }
  }

  std::vector<int32_t>().swap(resolved);

  std::vector<int32_t> newIndex(size_t(NLITS) + 1, -1);
  NEW_NLITS = 0;
  for (int32_t i = 0; i < NLITS; i++) newIndex[i] = used[i] ? NEW_NLITS++ : -1;

  OutputFile out;
  if (!openOutput(out, path)) return false;
  std::fprintf(out.file, "p cnf %d %d\n", NEW_NLITS / 2, numClauses);
  printPrefix(out.file, newIndex.data());
  // Output variable per store variable (the two literals of a variable are
  // used together, so their new indices are 2r and 2r+1): half the size of
  // newIndex for the scattered lookups below.
  std::vector<int32_t> outVar(static_cast<size_t>(NLITS / 2) + 1, 0);
  for (int32_t i = 0; i < NLITS; i += 2)
    if (newIndex[size_t(i)] >= 0) outVar[size_t(i / 2)] = newIndex[size_t(i)] / 2 + 1;
  std::string buf;
  // Room for the clauses at about eight bytes a literal, up to the flush size.
  buf.reserve(std::min<size_t>(size_t(1) << 20, 8 * clauses.size() + 64));
  for (int32_t x : clauses) {
    if (x < 0) {
      buf.append("0\n");
      if (buf.size() >= (1 << 20) - 64) {
        std::fwrite(buf.data(), 1, buf.size(), out.file);
        buf.clear();
      }
    } else {
      int32_t v = outVar[size_t(x / 2)];
      appendInt(buf, (x & 1) ? v : -v);
    }
  }
  std::fwrite(buf.data(), 1, buf.size(), out.file);
  if (written != nullptr) *written = numClauses;
  return closeOutput(out);
}

bool writeReducedProblem(const strong::Problem& p, const std::string& path, int32_t* written) {
  outfile = path;
  if (path == STANDARD_OUTPUT_PATH) std::printf("\nc Outputting reduced theory to standard output.\n");
  else std::printf("\nc Outputting reduced theory to file %s.\n", path.c_str());
  OutputFile out;
  if (!openOutput(out, path)) return false;
  writeProblem(out.file, p);  // a failed write shows in the close
  // The counts of the written formula, for the record.
  std::vector<char> used(size_t(p.numVars) + 1, 0);
  for (const std::vector<int32_t>& c : p.clauses) {
    (c.size() == 2 ? NEW_NUMBCLS : NEW_NUMNCLS)++;
    for (int32_t l : c) {
      const size_t v = size_t(std::abs(l));
      if (v >= used.size()) used.resize(v + 1, 0);
      NEW_NVARS += !used[v];
      used[v] = 1;
    }
  }
  NEW_NUMCLS = int32_t(p.clauses.size());
  if (written != nullptr) *written = int32_t(p.clauses.size());
  return closeOutput(out);
}

bool writeFalseFormula(const std::string& path) {
  OutputFile out;
  if (!openOutput(out, path)) return false;
  std::fputs("p cnf 0 1\n0\n", out.file);
  return closeOutput(out);
}
