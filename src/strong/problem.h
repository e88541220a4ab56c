// The plain form of a formula that the strong mode reads and writes.
#pragma once

#include <cstdint>
#include <vector>

namespace strong {

struct Block {
  bool universal = false;
  std::vector<int32_t> vars;  // 1-based variables
};

struct Problem {
  int32_t numVars = 0;                        // variables are 1..numVars
  std::vector<Block> blocks;                  // outermost first; a variable in no block is free (existential, outermost)
  std::vector<std::vector<int32_t>> clauses;  // DIMACS literals, no 0
};

}  // namespace strong
