// The QDIMACS reader: one formula into the read-time clause lists and the
// quantifier tables of the formula store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ByteSource;

// Reads the file `path` ("-" for standard input; gzip and xz data are
// decompressed) into lenNclauses, bArrExistential, nArrPrefixLevel, NVARS,
// NCLAUSES, NLITS, NUMNCLS, NMAXPREFIXLEVEL and orig_varnum, cleaning every
// clause on the way (duplicates, tautologies, universal reduction) and
// renumbering the variables densely. Returns false when the input cannot be
// used (after printing why on standard output, where the format has
// something to say); returns true with CONTRADICTION set when the input
// holds an empty clause.
bool readProblem(const std::string& path);

// The same from `source`, named `name` in messages; `quiet` leaves out the
// statistics lines (for a formula read back within a run).
bool readProblemFrom(ByteSource& source, const std::string& name, bool quiet = false);

// After a failed read: why the input could not be opened or read, or why it
// is not a QDIMACS formula at all ("" when the failure is one that standard
// output explains). One line, without a line end.
const std::string& readFailureReason();

// After a failed read: whether it failed on a clause that universal
// reduction emptied, which shows the formula false.
bool readEmptiedByReduction();

// Largest variable number the reader accepts in a clause or quantifier line;
// its tables grow with the largest number actually used, up to this.
constexpr int32_t MAX_READ_VAR = 1 << 26;
