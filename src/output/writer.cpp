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

#include "driver/panic.h"
#include "output/outfile.h"
#include "store/store.h"

void printPrefix(FILE* out, const int32_t* newIndex) {
  std::vector<uint8_t> printed(size_t(NLITS) + 1, 0);
  bool anything = false;
  int lastKind = -1;  // -1 none, 0 universal, 1 existential
  for (int32_t level = 0; level < NMAXPREFIXLEVEL; level++) {
    bool levelOpen = false;
    for (int32_t i = 0; i < NLITS; i += 2) {
      int32_t m = newIndex[i];
      const preLit& L = PRELITS[i];
      if (m == -1 || L.prefixLevel != level || L.equivLit != i || L.tval != U || printed[m]) continue;
      printed[m] = 1;
      if (!levelOpen) {
        levelOpen = true;
        int kind = L.existential ? 1 : 0;
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

bool cnfoutputOrigTheory() {
  size_t dot = filename.rfind('.');
  std::string path = (dot == std::string::npos ? filename : filename.substr(0, dot)) + "_outOrig.qdimacs";
  outfile = path;
  std::printf("\nc Outputting reduced theory to file %s.\n", path.c_str());

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
        int32_t x = n->lits[j];
        int32_t v = resolveLiteral(x);
        if (v == T) satisfied = true;
        else if (v == U) vecLiterals.push_back(x);
      }
      if (satisfied) continue;
      std::sort(vecLiterals.begin(), vecLiterals.end());
      vecLiterals.erase(std::unique(vecLiterals.begin(), vecLiterals.end()), vecLiterals.end());
      if (vecLiterals.empty()) {
        std::printf("qshrink: writer: Assertion `vecLiterals.size()>0' failed.\n");
        std::fflush(stdout);
        std::abort();
      }
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

  std::vector<int32_t> newIndex(size_t(NLITS) + 1, -1);
  NEW_NLITS = 0;
  for (int32_t i = 0; i < NLITS; i++) newIndex[i] = used[i] ? NEW_NLITS++ : -1;

  OutputFile out;
  if (!openOutput(out, path)) return false;
  std::fprintf(out.file, "p cnf %d %d\n", NEW_NLITS / 2, numClauses);
  printPrefix(out.file, newIndex.data());
  std::string buf;
  buf.reserve(1 << 20);
  for (int32_t x : clauses) {
    if (x < 0) {
      buf.append("0\n");
      if (buf.size() >= (1 << 20) - 64) {
        std::fwrite(buf.data(), 1, buf.size(), out.file);
        buf.clear();
      }
    } else {
      appendInt(buf, to_ff(newIndex[x]));
    }
  }
  std::fwrite(buf.data(), 1, buf.size(), out.file);
  return closeOutput(out);
}
