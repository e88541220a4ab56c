// The strong mode's run.
//
// Two kinds of reduction take turns on the formula. The classic ones work
// in the formula store: unit propagation, equivalent literals over the
// binary implication graph, hyper-binary resolution with failed literals.
// The strong engine works on a plain clause list of its own: subsumption
// and strengthening, pure literals, blocked clauses, variable elimination,
// universal expansion. Each hands the formula to the other as it stands,
// over the literals that are still active.
//
// The engine goes first: it is cheap and removes much, which makes the
// classic probes cheaper. Then the store is rebuilt from the engine's
// formula, the classic reductions run to their fixed point, and what the
// classic writer would write goes back to the engine: the clauses as read,
// under the values and representatives found. The binary clauses that
// hyper-binary resolution derived stay behind, as they do in the classic
// run: they served the probes, and handing them over makes the formula
// larger for little gain. Rounds go on until one changes nothing, or the
// rounds run out.
//
// At the fixed point, bounded SAT calls may settle the formula outright
// (decide.h).
//
// A bounded run (bounds.h) stops the rounds where the classic reductions
// stop, or before a round when the bound is reached between them; the
// engine keeps to its own effort limits.
//
// Every step keeps the truth value, so the formula at any hand-over has the
// truth value of the input: the classic writer's formula does (the classic
// run writes it), and so does each technique of the engine (see their
// essays).
#include "driver/strongrun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "decide/decide.h"
#include "driver/bounds.h"
#include "driver/preprocessor.h"
#include "driver/reset.h"
#include "driver/stats.h"
#include "input/readproblem.h"
#include "input/source.h"
#include "output/strongwriter.h"
#include "store/panic.h"
#include "store/store.h"

namespace {

// Rounds of the alternation at most: each rebuilds the store, and the
// gains of a fourth round are small.
constexpr int MAX_ROUNDS = 4;
// The classic rounds after the first share an allowance of a fraction
// (1/n) of the first one's probe work, at least a floor, so that the strong
// mode stays within a small multiple of the classic run's time.
constexpr uint64_t LATER_ROUNDS_SHARE = 2;
constexpr uint64_t MIN_LATER_ALLOWANCE = 2'000'000;
// A classic round that removes less than 1/n of the literals is the last.
constexpr size_t MIN_GAIN_DIVISOR = 100;

// The DIMACS literal of store literal x after the final values and
// representatives, 0 when x is true, and INT32_MIN when it is false.
constexpr int32_t LIT_TRUE = 0, LIT_FALSE = INT32_MIN;
int32_t resolvedLiteral(int32_t x) {
  for (int32_t step = 0;; step++) {
    const preLit& L = PRELITS[x];
    if (L.tval == T) return LIT_TRUE;
    if (L.tval == F) return LIT_FALSE;
    if (L.equivLit == x || step > NLITS) return to_ff(x);
    x = L.equivLit;
  }
}

// Appends the clause of the store literals [lits, lits + n) to p, unless
// it is satisfied or a tautology.
void addClause(strong::Problem& p, const int32_t* lits, int32_t n, std::vector<int32_t>& scratch) {
  scratch.clear();
  for (int32_t k = 0; k < n; k++) {
    const int32_t l = resolvedLiteral(lits[k]);
    if (l == LIT_TRUE) return;
    if (l != LIT_FALSE) scratch.push_back(l);
  }
  std::sort(scratch.begin(), scratch.end(), [](int32_t a, int32_t b) {
    return std::abs(a) != std::abs(b) ? std::abs(a) < std::abs(b) : a < b;
  });
  scratch.erase(std::unique(scratch.begin(), scratch.end()), scratch.end());
  for (size_t k = 1; k < scratch.size(); k++)
    if (scratch[k] == -scratch[k - 1]) return;
  p.clauses.push_back(scratch);
}

// The size of a problem, to tell whether a round changed it.
struct Size {
  size_t clauses = 0, literals = 0;
  bool operator==(const Size& o) const { return clauses == o.clauses && literals == o.literals; }
};
Size sizeOf(const strong::Problem& p) {
  Size s{p.clauses.size(), 0};
  for (const auto& c : p.clauses) s.literals += c.size();
  return s;
}

strong::Switches switchesOf(const RunOptions& opt) {
  strong::Switches s;
  s.subsume = !opt.noSubsume;
  s.strengthen = !opt.noStrengthen;
  s.pure = !opt.noPure;
  s.blocked = !opt.noBlocked;
  s.elim = !opt.noElim;
  s.expand = !opt.noExpand;
  return s;
}

}  // namespace

strong::Problem exportStore() {
  strong::Problem p;
  p.numVars = NLITS / 2;
  for (int32_t level = 0; level < NMAXPREFIXLEVEL; level++) p.blocks.push_back({});
  for (int32_t v = 0; v < NLITS / 2; v++) {
    const preLit& L = PRELITS[2 * v];
    if (L.prefixLevel < 0 || L.prefixLevel >= NMAXPREFIXLEVEL) continue;  // free
    strong::Block& b = p.blocks[size_t(L.prefixLevel)];
    b.universal = !L.existential;
    b.vars.push_back(v + 1);
  }
  // The clauses as read, rewritten: what the classic writer writes. The
  // binary clauses that hyper-binary resolution derived are left out, as
  // there: they served the probes, and the formula is smaller without them.
  std::vector<int32_t> scratch;
  for (int k = 2; k < NUM_CLAUSE_LISTS; k++)
    for (const ClauseListNode* n = lenNclauses[k]; n != nullptr; n = n->next)
      if (n->active) addClause(p, n->lits, n->len, scratch);
  return p;
}

bool importProblem(const strong::Problem& p) {
  char* text = nullptr;
  size_t size = 0;
  FILE* memory = open_memstream(&text, &size);
  if (memory == nullptr) std::abort();
  writeProblem(memory, p);
  std::fclose(memory);
  const std::string name = filename;
  const double started = start_time;
  resetAllState();
  filename = name;
  start_time = started;
  std::unique_ptr<ByteSource> source = memorySource(text, size);
  const bool ok = readProblemFrom(*source, name, true);
  std::free(text);
  return ok && !CONTRADICTION;
}

strong::Result runStrongMode(const RunOptions& opt, strong::Problem& result) {
  const strong::Switches switches = switchesOf(opt);
  buildAndPropagateUnits();
  if (CONTRADICTION) return strong::Result::False;
  strong::Problem p = exportStore();
  bool lastRound = false;
  for (int round = 1;; round++) {
    strong::Report report;
    const strong::Result r = strong::simplify(p, switches, strong::Limits(), report);
    if (r != strong::Result::Unknown) {
      result = std::move(p);
      return r;
    }
    if (round > MAX_ROUNDS || lastRound) break;
    if (boundReached()) {
      noteStop("before strong round " + std::to_string(round) + "'s classic reductions");
      break;
    }
    if (!importProblem(p)) {
      // The engine reduces every clause as the reader does, so the read
      // can only stop on a clause it empties: a false formula.
      if (CONTRADICTION || readEmptiedByReduction()) return strong::Result::False;
      break;
    }
    const uint64_t workBefore = workSoFar();
    preprocessor();
    if (round == 1) startAllowance(std::max((workSoFar() - workBefore) / LATER_ROUNDS_SHARE, MIN_LATER_ALLOWANCE));
    if (CONTRADICTION) return strong::Result::False;
    strong::Problem reduced = exportStore();
    const Size before = sizeOf(p), after = sizeOf(reduced);
    p = std::move(reduced);
    if (after == before || stoppedEarly()) break;
    // Classic rounds that find little are not worth another: the engine
    // takes one more turn on what this one left, and the run ends.
    lastRound = allowanceReached() || after.literals + before.literals / MIN_GAIN_DIVISOR > before.literals;
  }
  if (CONTRADICTION) return strong::Result::False;
  if (!opt.noDecide && !p.clauses.empty() && !stoppedEarly()) {
    const double start = GetInternalRunTime();
    const strong::Result settled = decide::settle(p);
    // For benchmarks: what the SAT calls cost and found.
    if (statsWanted())
      std::fprintf(stderr, "qshrink-stats decide: %.2f s, %s\n", GetInternalRunTime() - start,
                   settled == strong::Result::True ? "true" : settled == strong::Result::False ? "false" : "open");
    if (settled != strong::Result::Unknown) {
      p.blocks.clear();
      p.clauses.clear();
      result = std::move(p);
      return settled;
    }
  }
  if (p.clauses.empty()) {
    result = std::move(p);
    return strong::Result::True;
  }
  result = std::move(p);
  return strong::Result::Unknown;
}
