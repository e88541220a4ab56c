// Times the component search (initSCC + findSCC) alone on implication
// chains and cycles of N literals, built directly in the formula store of
// the Release library, and prints the time per implication entry.
//
//   bench_scc [RUNS] N...        (default: 5 runs; 100000 200000 500000 1000000)
//
// Shape "chain": +1 -> +2 -> ... -> +N and its dual -N -> ... -> -1
// (2N - 2 entries, every literal its own class). Shape "cycle": the chain
// closed by +N -> +1 and -1 -> -N (2N entries, two classes of N literals).
// One row per shape and N: median, minimum and maximum seconds of RUNS
// searches, and the median in nanoseconds per entry.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "driver/reset.h"
#include "equiv/findscc.h"
#include "store/store.h"

namespace {

// A store of n existential variables of one block; lists share `entries`.
void buildStore(int32_t n, bool cycle, std::vector<int32_t>& entries) {
  resetAllState();
  NVARS = n;
  NLITS = 2 * n;
  PRELITS = qnew<preLit>(size_t(NLITS), "bench: PRELITS");
  entries.assign(size_t(NLITS), -1);
  auto pos = [](int32_t v) { return 2 * v - 1; };
  auto neg = [](int32_t v) { return 2 * v - 2; };
  for (int32_t v = 1; v < n; v++) {
    entries[size_t(pos(v))] = pos(v + 1);
    entries[size_t(neg(v + 1))] = neg(v);
  }
  if (cycle) {
    entries[size_t(pos(n))] = pos(1);
    entries[size_t(neg(1))] = neg(n);
  }
  for (int32_t i = 0; i < NLITS; i++) {
    preLit& L = PRELITS[i];
    L.index = i;
    L.tval = U;
    L.equivLit = i;
    L.sccRep = -1;
    L.existential = true;
    if (entries[size_t(i)] >= 0) {
      L.implications = &entries[size_t(i)];
      L.implCap = L.numImpl = 1;
    }
  }
  equivLitStack = qnew<EquivLitStackRec>(1, "bench: equivLitStack");
  equivLitStack->size = NLITS / 10 < 1 ? 1 : NLITS / 10;
  equivLitStack->items = qnew<int32_t>(size_t(equivLitStack->size), "bench: equivLitStack");
  equivLitStack->top = -1;
}

void releaseStore() {
  for (int32_t i = 0; i < NLITS; i++) PRELITS[i].implications = nullptr;
  resetAllState();
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  std::vector<int32_t> sizes;
  int first = 1;
  if (argc > 1) {
    runs = std::atoi(argv[1]);
    first = 2;
  }
  for (int k = first; k < argc; k++) sizes.push_back(std::atoi(argv[k]));
  if (sizes.empty()) sizes = {100000, 200000, 500000, 1000000};
  if (runs < 1) runs = 1;

  std::printf("%-6s %9s %9s %9s %9s %9s %11s %s\n", "shape", "N", "entries", "median s", "min s", "max s",
              "ns/entry", "check");
  std::vector<int32_t> entries;
  for (bool cycle : {false, true}) {
    for (int32_t n : sizes) {
      std::vector<double> times;
      bool ok = true;
      for (int r = 0; r < runs; r++) {
        buildStore(n, cycle, entries);
        auto t0 = std::chrono::steady_clock::now();
        initSCC();
        findSCC();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        // The expected classes: a chain has none, a cycle two of n literals.
        int32_t expectedListed = cycle ? NLITS - 2 : 0;
        ok = ok && !CONTRADICTION && newEquivLitsOfLastSearch() == expectedListed;
        releaseStore();
      }
      std::sort(times.begin(), times.end());
      double median = times[times.size() / 2];
      long entryCount = cycle ? 2L * n : 2L * (n - 1);
      std::printf("%-6s %9d %9ld %9.4f %9.4f %9.4f %11.1f %s\n", cycle ? "cycle" : "chain", n, entryCount, median,
                  times.front(), times.back(), median * 1e9 / double(entryCount), ok ? "ok" : "WRONG");
      std::fflush(stdout);
    }
  }
  return 0;
}
