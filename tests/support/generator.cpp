// Random QDIMACS formulas for the tests.
#include "support/generator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace gen {

namespace {

// splitmix64: small, fast, and the same sequence on every platform (the
// standard distributions are not).
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int between(int lo, int hi) {  // inclusive; lo when hi < lo
    if (hi <= lo) return lo;
    return lo + int(next() % uint64_t(hi - lo + 1));
  }
  bool chance(double p) { return p > 0 && double(next() >> 11) * (1.0 / 9007199254740992.0) < p; }
  double real(double lo, double hi) { return lo + (hi - lo) * double(next() >> 11) * (1.0 / 9007199254740992.0); }
  template <class T>
  const T& pick(const std::vector<T>& v) {
    return v[size_t(next() % v.size())];
  }
  template <class T>
  void shuffle(std::vector<T>& v) {
    for (size_t i = v.size(); i > 1; i--) std::swap(v[i - 1], v[size_t(next() % i)]);
  }

 private:
  uint64_t state_;
};

struct Var {
  int number = 0;
  bool universal = false;
  bool free = false;
  int block = -1;  // index of its quantifier line, -1 for free variables
};

class Builder {
 public:
  Builder(const Knobs& k, uint64_t seed) : k_(k), rng_(seed ^ 0x5DEECE66Dull) {}

  std::string build(const std::string& label, uint64_t seed) {
    makeVariables();
    makeClauses();
    return render(label, seed);
  }

 private:
  void makeVariables() {
    int live = rng_.between(k_.minVars, k_.maxVars);
    int gaps = rng_.between(0, k_.maxGapVars);
    bool plain = rng_.chance(k_.plainCnf);
    int prefixOnly = plain ? 0 : rng_.between(0, k_.maxPrefixOnlyVars);
    numVars_ = live + gaps + prefixOnly;

    // Which numbers are live, which only in the prefix, which unused.
    std::vector<int> numbers;
    for (int v = 1; v <= numVars_; v++) numbers.push_back(v);
    if (gaps + prefixOnly > 0) rng_.shuffle(numbers);
    std::vector<int> liveNums(numbers.begin(), numbers.begin() + live);
    std::vector<int> onlyNums(numbers.begin() + live, numbers.begin() + live + prefixOnly);
    std::sort(liveNums.begin(), liveNums.end());

    if (plain) {
      for (int v : liveNums) vars_.push_back(Var{v, false, false, -1});
      return;
    }

    int free = std::min(rng_.between(0, k_.maxFree), live - 1);
    std::vector<int> order = liveNums;
    rng_.shuffle(order);
    int quantified = live - free;
    int blocks = std::min(rng_.between(k_.minBlocks, k_.maxBlocks), quantified);
    if (blocks < 1) blocks = 1;
    kinds_.clear();
    bool universal = rng_.chance(k_.universalFirst);
    for (int b = 0; b < blocks; b++) {
      if (b > 0) universal = k_.alternate ? !universal : rng_.chance(0.5);
      kinds_.push_back(universal);
    }
    // Each block gets one variable, the rest are spread at random.
    for (int i = 0; i < live; i++) {
      Var x{order[size_t(i)], false, false, -1};
      if (i < free) {
        x.free = true;
      } else {
        int q = i - free;
        x.block = q < blocks ? q : rng_.between(0, blocks - 1);
        x.universal = kinds_[size_t(x.block)];
      }
      vars_.push_back(x);
    }
    // A formula needs an existential variable for its clauses to hold one.
    if (std::none_of(vars_.begin(), vars_.end(), [](const Var& x) { return !x.universal; })) {
      vars_.back().universal = false;
      vars_.back().block = -1;
      vars_.back().free = true;
    }
    for (int v : onlyNums) prefixOnly_.push_back({v, rng_.between(0, blocks - 1)});
    std::sort(vars_.begin(), vars_.end(), [](const Var& a, const Var& b) { return a.number < b.number; });
  }

  int litOf(const Var& x, bool positive) const { return positive ? x.number : -x.number; }
  int randomLit(const Var& x) { return litOf(x, rng_.chance(0.5)); }
  int countKind(bool universal) const {
    return int(std::count_if(vars_.begin(), vars_.end(), [universal](const Var& x) { return x.universal == universal; }));
  }
  bool hasUniversal() const { return countKind(true) > 0; }
  const Var& randomVar(bool universal) {
    for (;;) {
      const Var& x = rng_.pick(vars_);
      if (x.universal == universal) return x;
    }
  }
  const Var& anyVar() { return rng_.pick(vars_); }
  const Var& varOf(int lit) const {
    for (const Var& x : vars_)
      if (x.number == std::abs(lit)) return x;
    return vars_.front();
  }

  void addClause(std::vector<int> c) {
    if (!c.empty() && rng_.chance(k_.duplicate)) c.push_back(rng_.pick(c));
    if (!c.empty() && rng_.chance(k_.tautology)) c.push_back(-rng_.pick(c));
    if (c.size() > 1) rng_.shuffle(c);
    clauses_.push_back(std::move(c));
  }

  // A random clause of the given length over distinct variables, holding an
  // existential literal unless allUniversal allows otherwise.
  std::vector<int> randomClause(int len) {
    len = std::min(len, int(vars_.size()));
    bool anyUniversal = hasUniversal();
    bool needExist = !rng_.chance(k_.allUniversal);
    std::vector<int> c;
    std::vector<int> usedVars;
    for (int tries = 0; int(c.size()) < len && tries < 100; tries++) {
      bool wantUniversal = anyUniversal && rng_.chance(k_.universalShare);
      if (needExist && int(c.size()) == len - 1 &&
          std::none_of(c.begin(), c.end(), [this](int l) { return !varOf(l).universal; }))
        wantUniversal = false;
      const Var& x = randomVar(wantUniversal);
      if (std::find(usedVars.begin(), usedVars.end(), x.number) != usedVars.end()) continue;
      usedVars.push_back(x.number);
      c.push_back(randomLit(x));
    }
    return c;
  }

  void plantCycles() {
    int n = rng_.between(0, k_.maxCycles);
    for (int i = 0; i < n; i++) {
      bool universalMember = hasUniversal() && rng_.chance(k_.cycleUniversal);
      int len = std::min(rng_.between(2, k_.cycleMaxLen), countKind(false) + (universalMember ? 1 : 0));
      if (len < 2) return;
      std::vector<int> lits;
      std::vector<int> used;
      while (int(lits.size()) < len) {
        // At most one universal member, so every binary clause keeps an
        // existential literal.
        bool wantUniversal = universalMember && lits.empty();
        const Var& x = wantUniversal ? randomVar(true) : randomVar(false);
        if (std::find(used.begin(), used.end(), x.number) != used.end()) continue;
        used.push_back(x.number);
        lits.push_back(randomLit(x));
      }
      if (lits.size() < 2) continue;
      rng_.shuffle(lits);
      for (size_t j = 0; j < lits.size(); j++) addClause({-lits[j], lits[(j + 1) % lits.size()]});
    }
    if (rng_.chance(k_.negationCycle)) {
      // x -> a -> -x and -x -> b -> x: x is equivalent to its complement.
      const Var& x = anyVar();
      int l = randomLit(x);
      int a = randomLit(randomVar(false));
      int b = randomLit(randomVar(false));
      if (std::abs(a) != std::abs(l) && std::abs(b) != std::abs(l)) {
        addClause({-l, a});
        addClause({-a, -l});
        addClause({l, b});
        addClause({-b, l});
      }
    }
  }

  // A chain l1 -> l2 -> ... -> lk and ternary clauses (-li v -y v z) whose
  // y is another chain member or a fresh literal, so that probing a chain
  // head derives z through an n-ary clause.
  void plantChains() {
    int n = rng_.between(0, k_.maxChains);
    for (int i = 0; i < n; i++) {
      int len = std::min(rng_.between(2, k_.chainMaxLen), int(vars_.size()));
      std::vector<int> chain;
      std::vector<int> used;
      for (int tries = 0; int(chain.size()) < len && tries < 50; tries++) {
        const Var& x = rng_.chance(k_.universalShare / 2) && hasUniversal() ? randomVar(true) : randomVar(false);
        if (std::find(used.begin(), used.end(), x.number) != used.end()) continue;
        // Two neighbouring universal members would make an all-universal clause.
        if (x.universal && !chain.empty() && varOf(chain.back()).universal) continue;
        used.push_back(x.number);
        chain.push_back(randomLit(x));
      }
      for (size_t j = 0; j + 1 < chain.size(); j++) addClause({-chain[j], chain[j + 1]});
      for (int t = 0; t < k_.chainTernaries && chain.size() >= 2; t++) {
        int a = chain[size_t(rng_.between(0, int(chain.size()) - 2))];
        int y = rng_.chance(0.6) ? rng_.pick(chain) : randomLit(anyVar());
        int z = randomLit(randomVar(false));
        if (std::abs(y) == std::abs(a) || std::abs(z) == std::abs(a) || std::abs(z) == std::abs(y)) continue;
        if (hasUniversal() && rng_.chance(k_.chainUniversal)) {
          // A universal literal in the clause the probe of a shortens: it
          // may or may not be reducible when only z is left beside it.
          const Var& u = randomVar(true);
          if (u.number != std::abs(a) && u.number != std::abs(y)) {
            addClause({-a, -y, z, randomLit(u)});
            continue;
          }
        }
        addClause({-a, -y, z});
      }
    }
  }

  // x -> a, x -> b, (-a v -b v c), c -> -x: probing x fails. Sometimes the
  // last clause is left out or made ternary, so that x only nearly fails.
  void plantFailed() {
    int n = rng_.between(0, k_.maxFailed);
    for (int i = 0; i < n && countKind(false) >= 4; i++) {
      std::vector<int> picked;
      while (picked.size() < 4) {
        const Var& x = picked.empty() ? anyVar() : randomVar(false);
        bool dup = false;
        for (int p : picked) dup = dup || std::abs(p) == x.number;
        if (!dup) picked.push_back(randomLit(x));
      }
      int x = picked[0], a = picked[1], b = picked[2], c = picked[3];
      addClause({-x, a});
      addClause({-x, b});
      addClause({-a, -b, c});
      int shape = rng_.between(0, 3);
      if (shape <= 1) addClause({-c, -x});
      else if (shape == 2) addClause({-c, -x, randomLit(anyVar())});
    }
  }

  // Classes of equivalent literals for the equivalence reduction: cycles
  // that share members with earlier ones, hold one or two universals (two
  // universals are never neighbours, so every clause of the cycle keeps an
  // existential), make a member equivalent to its complement, or hide a
  // link behind a ternary clause that only hyper-binary resolution turns
  // into a binary one (found by a later, incremental search). A universal
  // member is mostly quantified outside its two neighbours, so that reading
  // does not reduce the cycle's clauses; other members may lie outside it.
  // Clauses over several members and universal literals become duplicates,
  // tautologies, units or universally reducible when members are substituted.
  void plantEquivalenceClasses() {
    int n = rng_.between(0, k_.maxClasses);
    std::vector<int> earlier;  // existential members of earlier classes
    for (int i = 0; i < n && countKind(false) >= 2; i++) {
      int universals = 0;
      if (hasUniversal() && rng_.chance(k_.classUniversal)) universals = rng_.chance(k_.classTwoUniversals) ? 2 : 1;
      int len = std::min(rng_.between(2, k_.cycleMaxLen), countKind(false) + universals);
      if (universals == 2 && len < 4) len = std::min(4, countKind(false) + 2);
      std::vector<int> exist, used;
      if (!earlier.empty() && rng_.chance(k_.classMerge)) {
        int m = rng_.pick(earlier);
        exist.push_back(m);
        used.push_back(std::abs(m));
      }
      for (int tries = 0; int(exist.size()) < len - universals && tries < 100; tries++) {
        const Var& x = randomVar(false);
        if (std::find(used.begin(), used.end(), x.number) != used.end()) continue;
        used.push_back(x.number);
        exist.push_back(randomLit(x));
      }
      if (exist.empty()) continue;
      if (universals == 2 && exist.size() < 2) universals = 1;
      rng_.shuffle(exist);
      // Cycle order u1 e1 u2 e2 e3 ... (or e1 e2 ... without universals);
      // u1 sits between the last existential and e1, u2 between e1 and e2.
      std::vector<int> unis;
      for (int u = 0; u < universals; u++) {
        int left = u == 0 ? exist.back() : exist[0], right = u == 0 ? exist[0] : exist[1];
        for (int tries = 0; tries < 30; tries++) {
          const Var& x = randomVar(true);
          if (std::find(used.begin(), used.end(), x.number) != used.end()) continue;
          bool outside = x.block < varOf(left).block && x.block < varOf(right).block;
          if (!outside && tries < 25) continue;
          used.push_back(x.number);
          unis.push_back(randomLit(x));
          break;
        }
      }
      std::vector<int> cycle;
      size_t e = 0;
      for (size_t u = 0; u < unis.size(); u++) {
        cycle.push_back(unis[u]);
        cycle.push_back(exist[e++]);
      }
      while (e < exist.size()) cycle.push_back(exist[e++]);
      if (cycle.size() < 2) continue;
      bool hide = rng_.chance(k_.hiddenLink);
      for (size_t j = 0; j < cycle.size(); j++) {
        int a = cycle[j], b = cycle[(j + 1) % cycle.size()];
        if (hide && j + 1 == cycle.size()) {
          const Var& d = randomVar(false);
          if (d.number != std::abs(a) && d.number != std::abs(b)) {
            int dl = randomLit(d);
            addClause({-a, dl});
            addClause({-a, -dl, b});
            continue;
          }
        }
        addClause({-a, b});
      }
      for (int l : exist) earlier.push_back(l);
      if (rng_.chance(k_.classNegation)) {
        // l -> a -> -l -> b -> l.
        int l = rng_.pick(exist);
        int a = randomLit(randomVar(false)), b = randomLit(randomVar(false));
        if (std::abs(a) != std::abs(l) && std::abs(b) != std::abs(l)) {
          addClause({-l, a});
          addClause({-a, -l});
          addClause({l, b});
          addClause({-b, l});
        }
      }
      int extra = rng_.between(0, k_.classClauses);
      for (int t = 0; t < extra; t++) {
        int m1 = rng_.pick(exist), m2 = rng_.pick(cycle);
        int z = randomLit(anyVar());
        int shape = hasUniversal() ? rng_.between(0, 4) : rng_.between(0, 1);
        std::vector<int> c;
        if (shape == 0) {
          c = std::vector<int>{m1, m2, z};  // a duplicate once m1 and m2 share a representative
        } else if (shape == 1) {
          c = std::vector<int>{m1, -m2, z};  // a tautology then
        } else {
          // A universal outside m1 where one is found: the clause survives
          // reading, and substitution may move the existential bound.
          const Var* u = &randomVar(true);
          for (int tries = 0; tries < 10 && u->block >= varOf(m1).block; tries++) u = &randomVar(true);
          int ul = randomLit(*u), wl = randomLit(randomVar(true));
          if (shape == 2) c = std::vector<int>{m1, ul, z};
          else if (shape == 3) c = std::vector<int>{m1, ul};  // binary with a universal
          else c = std::vector<int>{m1, ul, wl};              // may reduce to the unit of the representative
        }
        std::vector<int> vars;
        bool distinct = true;
        for (int l : c) {
          distinct = distinct && std::find(vars.begin(), vars.end(), std::abs(l)) == vars.end();
          vars.push_back(std::abs(l));
        }
        if (distinct) addClause(c);
      }
    }
  }

  // (x v u v y) and the unit (-y), with the universal u in a deeper block
  // than x: once y is false, u is reduced away and x is unit.
  void plantReductionUnits() {
    int n = rng_.between(0, k_.maxReductionUnits);
    for (int i = 0; i < n && hasUniversal(); i++) {
      const Var& u = randomVar(true);
      const Var& x = randomVar(false);
      const Var& y = randomVar(false);
      if (x.number == y.number || x.block >= u.block) continue;
      addClause({randomLit(x), randomLit(u), y.number});
      addClause({-y.number});
    }
  }

  void makeClauses() {
    plantCycles();
    plantEquivalenceClasses();
    plantChains();
    plantFailed();
    plantReductionUnits();
    int random = int(std::lround(rng_.real(k_.clausesPerVarMin, k_.clausesPerVarMax) * double(vars_.size())));
    int total = k_.unitWeight + k_.binaryWeight + k_.ternaryWeight + k_.longWeight;
    for (int i = 0; i < random && total > 0; i++) {
      int r = rng_.between(0, total - 1);
      int len;
      if (r < k_.unitWeight) len = 1;
      else if (r < k_.unitWeight + k_.binaryWeight) len = 2;
      else if (r < k_.unitWeight + k_.binaryWeight + k_.ternaryWeight) len = 3;
      else len = rng_.between(4, 6);
      addClause(randomClause(len));
    }
    if (rng_.chance(k_.emptyClause)) clauses_.push_back({});
    rng_.shuffle(clauses_);
  }

  std::string separator() {
    if (!k_.oddLayout) return " ";
    int r = rng_.between(0, 9);
    return r < 6 ? " " : r < 8 ? "  " : r < 9 ? "\t" : "\n";
  }

  std::string render(const std::string& label, uint64_t seed) {
    std::string s = "c generated " + label + " seed " + std::to_string(seed) + "\n";
    s += "p cnf " + std::to_string(numVars_) + " " + std::to_string(clauses_.size()) + "\n";
    for (size_t b = 0; b < kinds_.size(); b++) {
      std::vector<int> members;
      for (const Var& x : vars_)
        if (x.block == int(b)) members.push_back(x.number);
      for (const auto& p : prefixOnly_)
        if (p.second == int(b)) members.push_back(p.first);
      rng_.shuffle(members);
      s += kinds_[b] ? "a" : "e";
      for (int v : members) s += " " + std::to_string(v);
      s += " 0\n";
    }
    for (const auto& c : clauses_) {
      std::string line;
      for (int l : c) line += std::to_string(l) + separator();
      line += "0\n";
      if (k_.oddLayout && rng_.chance(0.1)) line.insert(0, " ");
      s += line;
    }
    return s;
  }

  Knobs k_;
  Rng rng_;
  int numVars_ = 0;
  std::vector<Var> vars_;                         // variables that may occur in clauses
  std::vector<bool> kinds_;                       // per block: universal
  std::vector<std::pair<int, int>> prefixOnly_;   // (variable, block)
  std::vector<std::vector<int>> clauses_;
};

// The shapes of the Degenerate family.
std::string degenerate(uint64_t seed) {
  Rng rng(seed ^ 0xD1B54A32D192ED03ull);
  std::string s = "c generated Degenerate seed " + std::to_string(seed) + "\n";
  int n = rng.between(1, 5);
  std::string prefix = rng.chance(0.5) ? "" : "a 1 0\ne";
  if (!prefix.empty())
    for (int v = 2; v <= n; v++) prefix += " " + std::to_string(v);
  if (!prefix.empty()) prefix += " 0\n";
  if (n == 1 && !prefix.empty()) prefix = "e 1 0\n";
  auto lit = [&]() {
    int v = rng.between(n == 1 || prefix.empty() ? 1 : 2, n);  // existential
    return rng.chance(0.5) ? v : -v;
  };
  switch (rng.between(0, 6)) {
    case 0:  // announced variables, no clauses
      return s + "p cnf " + std::to_string(n) + " 0\n" + prefix;
    case 1:  // nothing at all
      return s + "p cnf 0 0\n";
    case 2: {  // an empty clause among others
      int a = lit(), b = lit();
      return s + "p cnf " + std::to_string(n) + " 3\n" + prefix + std::to_string(a) + " " + std::to_string(b) +
             " 0\n0\n" + std::to_string(-a) + " 0\n";
    }
    case 3: {  // only unit clauses, maybe contradictory
      std::string body;
      int m = rng.between(1, 4);
      for (int i = 0; i < m; i++) body += std::to_string(lit()) + " 0\n";
      return s + "p cnf " + std::to_string(n) + " " + std::to_string(m) + "\n" + prefix + body;
    }
    case 4: {  // only tautologies
      std::string body;
      int m = rng.between(1, 3);
      for (int i = 0; i < m; i++) {
        int v = rng.between(1, n);
        body += std::to_string(v) + " " + std::to_string(-v) + " " + std::to_string(lit()) + " 0\n";
      }
      return s + "p cnf " + std::to_string(n) + " " + std::to_string(m) + "\n" + prefix + body;
    }
    case 5: {  // one clause repeated with its literals in other orders
      int a = lit(), b = lit(), c = lit();
      std::string body = std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " 0\n" +
                         std::to_string(c) + " " + std::to_string(a) + " " + std::to_string(b) + " " +
                         std::to_string(a) + " 0\n";
      return s + "p cnf " + std::to_string(n) + " 2\n" + prefix + body;
    }
    default: {  // a unit and its complement through a binary clause
      int a = lit(), b = lit();
      if (std::abs(a) == std::abs(b)) b = -a;
      return s + "p cnf " + std::to_string(n) + " 3\n" + prefix + std::to_string(a) + " 0\n" + std::to_string(-a) +
             " " + std::to_string(b) + " 0\n" + std::to_string(-b) + " 0\n";
    }
  }
}

}  // namespace

const std::vector<Family>& allFamilies() {
  static const std::vector<Family> all = {Family::Basic,      Family::Units,    Family::BinaryCycles,
                                          Family::Chains,     Family::FailedLiterals, Family::ManyBlocks,
                                          Family::FreeVars,   Family::Messy,    Family::PlainCnf,
                                          Family::Mixed,      Family::Degenerate, Family::EquivalenceCycles,
                                          Family::ProbeStress, Family::StaleEntries};
  return all;
}

const char* familyName(Family f) {
  switch (f) {
    case Family::Basic: return "Basic";
    case Family::Units: return "Units";
    case Family::BinaryCycles: return "BinaryCycles";
    case Family::Chains: return "Chains";
    case Family::FailedLiterals: return "FailedLiterals";
    case Family::ManyBlocks: return "ManyBlocks";
    case Family::FreeVars: return "FreeVars";
    case Family::Messy: return "Messy";
    case Family::PlainCnf: return "PlainCnf";
    case Family::Mixed: return "Mixed";
    case Family::Degenerate: return "Degenerate";
    case Family::EquivalenceCycles: return "EquivalenceCycles";
    case Family::ProbeStress: return "ProbeStress";
    case Family::StaleEntries: return "StaleEntries";
  }
  return "?";
}

Knobs knobsFor(Family f) {
  Knobs k;
  switch (f) {
    case Family::Basic:
      k.maxVars = 10;
      k.maxBlocks = 4;
      break;
    case Family::Units:
      k.maxVars = 10;
      k.unitWeight = 3;
      k.clausesPerVarMin = 0.6;
      k.clausesPerVarMax = 1.8;
      k.maxCycles = 1;
      break;
    case Family::BinaryCycles:
      k.minVars = 4;
      k.maxVars = 10;
      k.maxBlocks = 4;
      k.maxCycles = 4;
      k.cycleUniversal = 0.4;
      k.negationCycle = 0.1;
      k.binaryWeight = 5;
      k.ternaryWeight = 3;
      k.clausesPerVarMin = 0.2;
      k.clausesPerVarMax = 1.0;
      break;
    case Family::Chains:
      k.minVars = 5;
      k.maxVars = 11;
      k.maxBlocks = 4;
      k.maxChains = 3;
      k.chainMaxLen = 5;
      k.chainTernaries = 3;
      k.maxCycles = 1;
      k.clausesPerVarMin = 0.3;
      k.clausesPerVarMax = 1.2;
      break;
    case Family::FailedLiterals:
      k.minVars = 5;
      k.maxVars = 11;
      k.maxBlocks = 4;
      k.maxFailed = 3;
      k.maxChains = 1;
      k.universalShare = 0.25;
      k.clausesPerVarMin = 0.4;
      k.clausesPerVarMax = 1.5;
      break;
    case Family::ManyBlocks:
      k.minVars = 6;
      k.maxVars = 12;
      k.minBlocks = 3;
      k.maxBlocks = 5;
      k.alternate = false;
      k.maxCycles = 2;
      k.cycleUniversal = 0.5;
      k.maxChains = 1;
      k.universalShare = 0.3;
      k.clausesPerVarMin = 0.4;
      k.clausesPerVarMax = 1.4;
      break;
    case Family::FreeVars:
      k.maxVars = 10;
      k.maxFree = 3;
      k.maxBlocks = 3;
      k.maxCycles = 2;
      k.cycleUniversal = 0.4;
      k.unitWeight = 1;
      k.clausesPerVarMin = 0.8;
      k.clausesPerVarMax = 2.2;
      break;
    case Family::Messy:
      k.maxVars = 9;
      k.maxBlocks = 4;
      k.alternate = false;
      k.duplicate = 0.25;
      k.tautology = 0.15;
      k.maxGapVars = 4;
      k.maxPrefixOnlyVars = 3;
      k.maxFree = 1;
      k.allUniversal = 0.03;
      k.unitWeight = 1;
      k.maxCycles = 1;
      k.emptyClause = 0.02;
      k.oddLayout = true;
      break;
    case Family::PlainCnf:
      k.maxVars = 12;
      k.plainCnf = 1.0;
      k.unitWeight = 1;
      k.maxCycles = 2;
      k.maxChains = 1;
      k.clausesPerVarMin = 1.5;
      k.clausesPerVarMax = 4.0;
      break;
    case Family::Mixed:
      k.minVars = 4;
      k.maxVars = 12;
      k.maxBlocks = 5;
      k.alternate = false;
      k.plainCnf = 0.05;
      k.unitWeight = 1;
      k.maxFree = 2;
      k.duplicate = 0.05;
      k.tautology = 0.05;
      k.maxGapVars = 2;
      k.maxPrefixOnlyVars = 2;
      k.maxCycles = 3;
      k.cycleUniversal = 0.4;
      k.negationCycle = 0.05;
      k.maxChains = 2;
      k.maxFailed = 2;
      k.clausesPerVarMin = 0.2;
      k.clausesPerVarMax = 1.2;
      break;
    case Family::Degenerate:
      break;
    case Family::EquivalenceCycles:
      k.minVars = 5;
      k.maxVars = 11;
      k.maxBlocks = 5;
      k.universalFirst = 0.85;
      k.universalShare = 0.2;
      k.maxClasses = 3;
      k.cycleMaxLen = 5;
      k.classMerge = 0.4;
      k.classUniversal = 0.4;
      k.classTwoUniversals = 0.15;
      k.classNegation = 0.15;
      k.hiddenLink = 0.6;
      k.classClauses = 3;
      k.binaryWeight = 4;
      k.ternaryWeight = 4;
      k.clausesPerVarMin = 0.1;
      k.clausesPerVarMax = 0.6;
      break;
    // Small formulas with free variables, universal literals in every
    // clause length and clauses up to six literals: mostly true, so that a
    // probe that forces a literal or derives a resolvent wrongly shows as a
    // false output or an UNSAT.
    case Family::ProbeStress:
      k.minVars = 4;
      k.maxVars = 8;
      k.maxBlocks = 4;
      k.alternate = false;
      k.maxFree = 4;
      k.universalShare = 0.4;
      k.binaryWeight = 5;
      k.ternaryWeight = 3;
      k.longWeight = 2;
      k.clausesPerVarMin = 0.5;
      k.clausesPerVarMax = 1.1;
      k.maxChains = 2;
      k.chainTernaries = 2;
      k.chainUniversal = 0.5;
      k.maxFailed = 1;
      break;
    case Family::StaleEntries:
      k.minVars = 4;
      k.maxVars = 9;
      k.maxBlocks = 5;
      k.alternate = false;
      k.maxFree = 4;
      k.universalShare = 0.4;
      k.binaryWeight = 5;
      k.ternaryWeight = 3;
      k.longWeight = 2;
      k.clausesPerVarMin = 0.5;
      k.clausesPerVarMax = 1.0;
      k.maxCycles = 1;
      k.cycleUniversal = 0.5;
      k.maxReductionUnits = 1;
      break;
  }
  return k;
}

std::string generate(const Knobs& k, uint64_t seed, const std::string& label) {
  return Builder(k, seed).build(label, seed);
}

std::string generate(Family f, uint64_t seed) {
  if (f == Family::Degenerate) return degenerate(seed);
  // Mixing the family into the seed keeps families apart for equal seeds.
  return Builder(knobsFor(f), seed * 1000003ull + uint64_t(f)).build(familyName(f), seed);
}

}  // namespace gen
