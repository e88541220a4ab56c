// Helpers shared by the equivalence-reduction tests: the substitution stack
// the main loop would create, views of it and of the representatives, and
// the search entry points run the way the main loop runs them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "equiv/findscc.h"
#include "store/store.h"
#include "support/fixture.h"

// Creates equivLitStack as the main loop does (a tenth of NLITS, at least
// one entry), empty.
inline void createEquivLitStack() {
  equivLitStack = qnew<EquivLitStackRec>(1, "test: equivLitStack");
  equivLitStack->size = NLITS / 10 < 1 ? 1 : NLITS / 10;
  equivLitStack->items = qnew<int32_t>(size_t(equivLitStack->size), "test: equivLitStack items");
  equivLitStack->top = -1;
  equivLitStack->done = -1;
}

// buildText, then the substitution stack. The tests address literals by
// their input numbers, so every announced variable must occur in a clause
// (the reader renumbers otherwise).
inline void buildForSearch(const std::string& qdimacs) {
  buildText(qdimacs);
  int announced = -1;
  size_t p = qdimacs.find("p cnf ");
  if (p != std::string::npos) announced = std::atoi(qdimacs.c_str() + p + 6);
  EXPECT_EQ(NVARS, announced) << "a variable of the test formula occurs in no clause:\n" << qdimacs;
  createEquivLitStack();
}

// The entries of equivLitStack, bottom first.
inline std::vector<int32_t> equivStack() {
  return std::vector<int32_t>(equivLitStack->items, equivLitStack->items + equivLitStack->top + 1);
}

// equivLit of every literal, by index.
inline std::vector<int32_t> representatives() {
  std::vector<int32_t> r;
  for (int32_t i = 0; i < NLITS; i++) r.push_back(PRELITS[i].equivLit);
  return r;
}

// Literal indices of signed input literals.
inline std::vector<int32_t> lits(std::initializer_list<int32_t> dimacs) {
  std::vector<int32_t> r;
  for (int32_t l : dimacs) r.push_back(litIndex(l));
  return r;
}

// The literals whose visited mark is set, by index.
inline std::vector<int32_t> visitedLits() {
  std::vector<int32_t> r;
  for (int32_t i = 0; i < NLITS; i++)
    if (PRELITS[i].visited) r.push_back(i);
  return r;
}

// Clears every hasNewBcls mark, as the main loop does after a search.
inline void clearNewBclsMarks() {
  for (int32_t i = 0; i < NLITS; i++) PRELITS[i].hasNewBcls = false;
}

// initSCC and a search (findSCC or incrFindSCC); returns what it printed.
inline std::string runSearch(void (*search)()) {
  CaptureStdout out;
  initSCC();
  search();
  return out.text();
}

// Lists xs (bottom first) on the substitution stack and points done at the
// top, as the main loop does before a substitution pass.
inline void listForSubstitution(const std::vector<int32_t>& xs) {
  equivLitStack->top = -1;
  for (int32_t x : xs) pushequivLitStack(x);
  equivLitStack->done = equivLitStack->top;
}
