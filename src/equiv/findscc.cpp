// Strongly connected components of the binary implication graph.
//
// The binary clauses form a graph on the literals: x -> y for every y in the
// implications of x. Literals on a common cycle imply each other, so each
// strongly connected component is a class of equivalent literals. The search
// is Tarjan's: discovery numbers in dfsNum, the low-link kept in equivLit
// (the literal with the smallest discovery number known to be reachable and
// still unfinished), and finished non-root literals on LitStack until their
// root completes.
//
// The representative of a class must respect the prefix. A universal literal
// can only be equivalent to literals quantified after it, so it represents
// its class; two universals in one class, or a universal equivalent to an
// existential quantified before it, make the formula false. Without a
// universal, the existential of the outermost block represents the class
// (ties: the root, then the member popped first).
//
// After the search the representatives are resolved through the low-links,
// replaced by the chosen sccRep of each root, and the two polarities of a
// variable are made to agree on the pair with the smaller index. Every
// reached literal that now has another representative is listed on
// equivLitStack for substitution.
//
// The search runs on an explicit stack: implication chains can be as long as
// the formula.
#include "equiv/findscc.h"

#include <cstdio>
#include <vector>

#include "store/store.h"

namespace {
// The running search.
int32_t visitCount = 0;       // next discovery number
int32_t* LitStack = nullptr;  // finished non-root literals
int32_t top = -1;             // index of the top entry of LitStack, -1 when empty
int32_t numNewEquivLits = 0;  // literals pushed on equivLitStack by the search
}  // namespace

int32_t newEquivLitsOfLastSearch() { return numNewEquivLits; }
bool searchStackHeld() { return LitStack != nullptr; }

void resetComponentSearch() {
  qrelease(LitStack);
  visitCount = numNewEquivLits = 0;
  top = -1;
}

void pushequivLitStack(int32_t x) {
  EquivLitStackRec* s = equivLitStack;
  if (s->top >= s->size - 1) {
    s->size = s->size * 2 < 1 ? 1 : s->size * 2;
    growStackArray(s->items, s->top, s->size, "Memory Allocation Failure #5P\n");
  }
  s->items[++s->top] = x;
}

void initSCC() {
  visitCount = 1;
  qfree(LitStack);
  LitStack = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #1P\n");
  numNewEquivLits = 0;
  top = -1;
  for (int32_t i = 0; i < NLITS; i++) {
    preLit& L = PRELITS[i];
    L.visited = false;
    if (L.equivLit == i && L.tval == U) {
      L.dfsNum = NLITS;
      L.inComponent = false;
      L.sccRep = -1;
    }
  }
}

namespace {

// True if w took part in this search: unassigned, and either reached by it
// or still its own representative. Stale implication entries can name
// literals that were substituted or assigned since (substitution keeps both
// halves of a clause that became a unit); their equivLit and dfsNum belong
// to an earlier search, and following them would join literals that lie on
// no common cycle.
bool activeInSearch(int32_t w) {
  const preLit& W = PRELITS[w];
  return W.tval == U && (W.visited || W.equivLit == w);
}

void discover(int32_t lit) {
  preLit& L = PRELITS[lit];
  L.dfsNum = visitCount++;
  L.visited = true;
}

// Takes w's low-link over into L's when it is smaller (w unfinished).
void updateLowLink(preLit& L, int32_t w) {
  const preLit& W = PRELITS[w];
  if (W.inComponent) return;
  if (PRELITS[W.equivLit].dfsNum < PRELITS[L.equivLit].dfsNum) L.equivLit = W.equivLit;
}

// Completes literal lit after all its successors: a non-root goes on
// LitStack; a root collects its component and chooses the representative.
// Returns false after reporting a contradiction.
bool finish(int32_t lit) {
  preLit& L = PRELITS[lit];
  if (L.equivLit != lit) {
    LitStack[++top] = lit;
    return true;
  }
  L.inComponent = true;
  int32_t bestExistential = L.existential ? lit : -1;
  int32_t universal = L.existential ? -1 : lit;
  while (top >= 0 && PRELITS[LitStack[top]].dfsNum > L.dfsNum) {
    int32_t x = LitStack[top--];
    preLit& X = PRELITS[x];
    if (!X.existential) {
      if (universal >= 0) {
        CONTRADICTION = true;
        std::printf("c CONTRADICTION found! two universals are equivalent\n");
        return false;
      }
      universal = x;
    } else if (bestExistential < 0 || X.prefixLevel < PRELITS[bestExistential].prefixLevel) {
      bestExistential = x;
    }
    X.inComponent = true;
  }
  if (universal < 0) {
    L.sccRep = bestExistential;
  } else if (bestExistential >= 0 && PRELITS[bestExistential].prefixLevel < PRELITS[universal].prefixLevel) {
    CONTRADICTION = true;
    std::printf("c CONTRADICTION found! an existential at a lower prefix level is equivalent to a universal\n");
    return false;
  } else {
    L.sccRep = universal;
  }
  return true;
}

// One step of the explicit depth-first stack: the literal and the position
// of the next implication entry to look at.
struct Frame {
  int32_t lit;
  int32_t next;
};

}  // namespace

void visit(preLit* start) {
  std::vector<Frame> stack;
  discover(start->index);
  stack.push_back({start->index, 0});
  while (!stack.empty()) {
    Frame& f = stack.back();
    preLit& L = PRELITS[f.lit];
    if (f.next < L.numImpl) {
      int32_t w = L.implications[f.next];
      if (!activeInSearch(w)) {
        f.next++;
        continue;
      }
      if (!PRELITS[w].visited) {
        // Descend; the entry is looked at again (for the low-link) on return.
        discover(w);
        stack.push_back({w, 0});
        continue;
      }
      updateLowLink(L, w);
      f.next++;
      continue;
    }
    if (!finish(f.lit)) return;
    stack.pop_back();
    if (!stack.empty()) {
      // Back in the parent: the child's entry now takes part in its low-link.
      Frame& parent = stack.back();
      updateLowLink(PRELITS[parent.lit], PRELITS[parent.lit].implications[parent.next]);
      parent.next++;
    }
  }
}

namespace {

// Steps after the depth-first search, common to the full and the
// incremental search. listNegations: also list literals whose negation was
// reached. message: the text of the literal-and-negation contradiction.
void resolveRepresentatives(bool listNegations, const char* message) {
  // Follow the low-links to the literal that names itself, compressing the
  // path walked (every literal on it resolves to the same end).
  std::vector<int32_t> path;
  for (int32_t i = 0; i < NLITS; i++) {
    int32_t e = PRELITS[i].equivLit;
    if (PRELITS[e].equivLit == e) continue;
    path.clear();
    int32_t x = i;
    while (PRELITS[PRELITS[x].equivLit].equivLit != PRELITS[x].equivLit) {
      path.push_back(x);
      x = PRELITS[x].equivLit;
    }
    int32_t end = PRELITS[x].equivLit;
    for (int32_t p : path) PRELITS[p].equivLit = end;
  }
  for (int32_t i = 0; i < NLITS; i++) {
    int32_t r = PRELITS[PRELITS[i].equivLit].sccRep;
    if (r >= 0) PRELITS[i].equivLit = r;
  }
  for (int32_t i = 0; i < NLITS; i++) {
    preLit& L = PRELITS[i];
    int32_t oddPartnerBefore = (i & 1) == 0 ? PRELITS[i + 1].equivLit : -1;
    // The negation of the representative of the negation: both polarities
    // settle on the pair with the smaller index.
    int32_t m = PRELITS[i ^ 1].equivLit ^ 1;
    if (L.equivLit > m) L.equivLit = m;
    bool reached = L.visited || (listNegations && PRELITS[i ^ 1].visited);
    if (reached && L.equivLit != i) {
      pushequivLitStack(i);
      numNewEquivLits++;
    }
    if (L.visited && (i & 1) == 0 && L.equivLit == oddPartnerBefore) {
      CONTRADICTION = true;
      std::printf("%s\n", message);
      return;
    }
  }
  numEquivLits += numNewEquivLits;
  qrelease(LitStack);
}

}  // namespace

void findSCC() {
  for (int32_t i = 0; i < NLITS; i++) {
    const preLit& L = PRELITS[i];
    if (L.equivLit == i && L.tval == U && !L.visited) {
      visit(&PRELITS[i]);
      if (CONTRADICTION) return;
    }
  }
  resolveRepresentatives(false, "c CONTRADICTION found! A lit and its neg are in an scc");
}

void incrFindSCC() {
  for (int32_t i = 0; i < NLITS; i++) {
    const preLit& L = PRELITS[i];
    if (L.equivLit == i && L.tval == U && !L.visited && L.hasNewBcls) {
      visit(&PRELITS[i]);
      if (CONTRADICTION) return;
    }
  }
  resolveRepresentatives(true, "c CONTRADICTION found! a lit and its neg are in an scc");
}
