// Seeded random generator of small prenex CNF formulas in QDIMACS.
//
// Each family stresses one part of the preprocessor: unit clauses, binary
// cycles (equivalent literals, also across blocks and with universal
// members), implication chains with ternary clauses (hyper-binary
// resolvents), failed-literal structures, many or repeated blocks, free
// variables, and syntactic noise (repeated literals, tautologies, gaps in
// the numbering, variables only in the prefix). The text for a (family,
// seed) pair is the same on every run and every machine.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace gen {

enum class Family {
  Basic,           // random clauses of mixed lengths over a few alternating blocks
  Units,           // many unit clauses, so propagation decides much of the formula
  BinaryCycles,    // planted equivalence cycles, across blocks and kinds
  Chains,          // implication chains tied together by ternary clauses
  FailedLiterals,  // literals whose implications run into a conflict
  ManyBlocks,      // up to five blocks, neighbouring blocks often of one kind
  FreeVars,        // variables of the clauses that no quantifier line names
  Messy,           // repeated literals, tautologies, gaps, prefix-only variables
  PlainCnf,        // no prefix at all
  Mixed,           // every structure at once, up to twelve variables
  Degenerate,      // no clauses, the empty clause, only units, only tautologies
  EquivalenceCycles,  // classes of equivalent literals: merged, across blocks, with universals, self-negating
  ProbeStress,     // small, mostly true: free variables, universals in clauses of every length,
                   // ternary clauses on chains (some with a universal), failed literals at any level
  StaleEntries,    // small, mostly true: up to five blocks of mixed kinds, free variables next to
                   // them, universals in binary clauses, a cycle across blocks, units that leave
                   // a clause unit only after universal reduction
};

const std::vector<Family>& allFamilies();
const char* familyName(Family f);
// Lets GoogleTest show a family by name in parameterised test names.
inline void PrintTo(Family f, std::ostream* os) { *os << familyName(f); }

// The knobs behind a family; generate() can also be called with custom ones.
struct Knobs {
  int minVars = 3, maxVars = 8;        // variables that may occur in clauses
  int minBlocks = 1, maxBlocks = 3;    // quantifier lines
  bool alternate = true;               // neighbouring blocks differ in kind
  double plainCnf = 0.0;               // chance of writing no prefix at all
  double universalFirst = 0.5;         // chance that the first block is universal
  double clausesPerVarMin = 1.0, clausesPerVarMax = 3.0;  // random clauses
  int unitWeight = 0, binaryWeight = 3, ternaryWeight = 4, longWeight = 1;  // clause lengths 1, 2, 3, 4..6
  double universalShare = 0.3;         // chance a random literal is universal
  double allUniversal = 0.0;           // chance a clause may hold no existential literal
  int maxFree = 0;                     // free variables (in clauses, in no quantifier line)
  double duplicate = 0.0;              // chance a clause repeats one of its literals
  double tautology = 0.0;              // chance a clause holds a literal and its complement
  int maxGapVars = 0;                  // announced variable numbers that occur nowhere
  int maxPrefixOnlyVars = 0;           // variables named in the prefix but in no clause
  int maxCycles = 0, cycleMaxLen = 4;  // planted cycles l1 -> l2 -> ... -> l1
  double cycleUniversal = 0.0;         // chance a cycle has a universal member
  double negationCycle = 0.0;          // chance of a literal implying its complement and back
  int maxChains = 0, chainMaxLen = 4;  // planted implication chains
  int chainTernaries = 2;              // ternary clauses per chain
  double chainUniversal = 0.0;         // chance a chain's ternary clause also gets a universal literal
  int maxFailed = 0;                   // planted failed-literal structures
  int maxReductionUnits = 0;           // planted (x v u v y) with unit (-y): x unit after reducing u
  double emptyClause = 0.0;            // chance of an empty clause among the clauses
  bool oddLayout = false;              // clauses split over lines, extra blanks and tabs
  // Planted classes of equivalent literals (cycles of cycleMaxLen at most):
  int maxClasses = 0;                  // classes per formula
  double classMerge = 0.0;             // chance a class reuses a member of an earlier one (they merge)
  double classUniversal = 0.0;         // chance a class has a universal member
  double classTwoUniversals = 0.0;     // chance such a class has two (never neighbours on the cycle)
  double classNegation = 0.0;          // chance a member is made equivalent to its complement
  double hiddenLink = 0.0;             // chance one link is (-a v d), (-a v -d v b): found by probing
  int classClauses = 0;                // clauses over members: duplicates, tautologies, universals after substitution
};

Knobs knobsFor(Family f);

// The formula text for a family and seed. The first line is a comment that
// names both, so a failing formula can be regenerated from its text.
std::string generate(Family f, uint64_t seed);
std::string generate(const Knobs& k, uint64_t seed, const std::string& label = "custom");

}  // namespace gen
