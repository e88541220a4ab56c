// The QDIMACS reader: one file into the read-time clause lists and the
// quantifier tables of the formula store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads the file into lenNclauses, bArrExistential, nArrPrefixLevel, NVARS,
// NCLAUSES, NLITS, NUMNCLS, NMAXPREFIXLEVEL and orig_varnum, cleaning every
// clause on the way (duplicates, tautologies, universal reduction) and
// renumbering the variables densely. Returns false when the file cannot be
// used (after printing why, where there is something to say); returns true
// with CONTRADICTION set when the input holds an empty clause.
bool readProblem(const std::string& path);

// Largest variable number the reader accepts in a clause or quantifier line;
// its tables grow with the largest number actually used, up to this.
constexpr int32_t MAX_READ_VAR = 1 << 26;

// Bytes the reader reads from the file at a time; its window grows only for
// a token (or the text after a quantifier line) longer than that.
constexpr size_t READ_WINDOW = size_t(1) << 20;
