// The QDIMACS reader.
//
// The grammar is the tolerant one of the tool, in five steps. The header:
// any line before the parameter line that does not start with 'p' is
// skipped; the parameter line gives a word and two counts, and what else it
// holds is passed over up to the first 'e', 'a', '-' or digit. The prefix:
// one block per quantifier line, 'e' or 'a' followed by variables and 0. The
// clauses: integers ended by 0, until the announced count is reached or the
// input ends. After the parameter line, a line that starts with 'c' is a
// comment wherever it stands, and any other text that is not a number, nor a
// quantifier letter where the prefix may go on, makes the read fail with a
// message that names it and its line: such a token must not be taken for the
// end of a clause, since the next clause would then read as empty and make a
// true formula false.
//
// Every clause is cleaned before it is stored: repeated literals are dropped,
// a tautology is dropped whole, and universal reduction removes universal
// literals quantified inside all existential literals of the clause. Variables
// that occur in no stored clause are then numbered away.
//
// Variables of the clauses that no quantifier line names, while there is a
// prefix, are free: they are existential at level -1, outside every block.
// That is what QDIMACS means by them, and it keeps them from ever being
// universally reduced or written into a quantifier block.
#include "input/readproblem.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "input/scanner.h"
#include "input/source.h"
#include "store/store.h"

namespace {

std::string failureReason;  // why the last read could not use its input ("" if it could)
bool emptiedByReduction = false;  // the last read failed on a clause that universal reduction emptied

// What the reader keeps per variable: 16 bytes, so that a literal of a
// clause costs one cache line. A variable no line of the file names is all
// zero, so the table can come from zero-filled memory that costs nothing
// until it is touched: a huge variable number in a small file takes no time.
struct VarInfo {
  int32_t level;           // quantifier block + ReadTables::shift; 0 for a variable in no quantifier line
  uint32_t stamp : 28;     // clause that last listed the variable
  uint32_t seen : 2;       // polarities listed by clause `stamp`: bit 0 negative, bit 1 positive
  uint32_t universal : 1;  // 1 universal, 0 existential
  uint32_t used : 1;       // occurs in a stored clause
  // Stored clauses of three or more literals holding the variable, by
  // polarity (index 1 positive, as the low bit of a literal index). The
  // build sizes the occurrence lists with them; counting here, where the
  // entry is in the cache anyway, spares it a pass of random accesses.
  uint32_t occurs[2];
};
static_assert(sizeof(VarInfo) == 16, "a variable entry is 16 bytes");
constexpr uint32_t STAMP_LIMIT = uint32_t(1) << 28;  // first value the stamp field cannot hold

// Per-variable tables of the reader, grown with the largest variable used.
struct ReadTables {
  VarInfo* var = nullptr;         // indexed by the 1-based variable, maxVar + 1 entries
  int32_t shift = 0;              // minus the level of a variable no quantifier line names
  int32_t maxVar = 0;             // largest variable the tables cover (0 while there is no table)
  std::vector<int32_t> usedVars;  // variables of stored clauses, in the order first used

  ReadTables() = default;
  ReadTables(const ReadTables&) = delete;
  ReadTables& operator=(const ReadTables&) = delete;
  ~ReadTables() { qfree(var); }

  // Makes variable v addressable; false, with the message in `failure`, if
  // v is beyond what the reader accepts.
  bool cover(int32_t v, std::string& failure) {
    if (v <= maxVar && var != nullptr) return true;
    if (v > MAX_READ_VAR) {
      failure = "Variable " + std::to_string(v) + " is larger than the largest supported variable " +
                std::to_string(MAX_READ_VAR) + "!\n";
      return false;
    }
    size_t n = size_t(v) + 1;
    if (var != nullptr && n < (size_t(maxVar) + 1) * 2) n = (size_t(maxVar) + 1) * 2;
    if (n > size_t(MAX_READ_VAR) + 1) n = size_t(MAX_READ_VAR) + 1;
    auto* bigger = qnew<VarInfo>(n, "Memory Allocation Failure #23\n");
    if (var != nullptr) std::memcpy(bigger, var, sizeof(VarInfo) * (size_t(maxVar) + 1));
    qfree(var);
    var = bigger;
    maxVar = int32_t(n - 1);
    return true;
  }
};

// What the stored clauses amount to, counted as they are stored so that the
// statistics need no walk over the lists.
struct StoredCounts {
  int32_t binaries = 0;  // clauses of two literals
  int32_t nary = 0;      // clauses of three or more
  int64_t naryLits = 0;  // literals of those
};

// Pushes a cleaned clause at the front of its length list.
void storeClause(const std::vector<int32_t>& lits, StoredCounts& counts) {
  int32_t len = int32_t(lits.size());
  int32_t* arr = literalArenaAlloc(lits.size(), "Memory Allocation Failure #21\n");
  std::memcpy(arr, lits.data(), sizeof(int32_t) * lits.size());
  auto* node = static_cast<ClauseListNode*>(arenaAlloc(sizeof(ClauseListNode), "Memory Allocation Failure #22\n"));
  int list = len < NUM_CLAUSE_LISTS - 1 ? len : NUM_CLAUSE_LISTS - 1;
  node->lits = arr;
  node->len = len;
  node->active = true;
  node->next = lenNclauses[list];
  lenNclauses[list] = node;
  if (len == 2) counts.binaries++;
  if (len >= 3) {
    counts.nary++;
    counts.naryLits += len;
  }
}


// One read: the input, the per-variable tables, and what was stored.
class Reader {
 public:
  Reader(ByteSource* source, const std::string& name) : in_(source), name_(name) {}

  // The steps in order; each returns false when the read fails (the
  // message printed) and stops early without failing where noted.
  bool readHeader();
  bool readPrefix();
  // Returns false on a failure; true also when the empty clause stopped the
  // read (CONTRADICTION set, nothing after it done).
  bool readClauses();
  bool finishInput();
  void printStatistics() const;
  int32_t naryStored() const { return stored_.nary; }
  // Numbers the used variables densely; says so when none is numbered away,
  // unless `quiet`.
  void renumber(bool quiet);

 private:
  enum Stop { GOING, AT_END, EMPTY_CLAUSE, FAILED };

  // Ends the read with `message` on standard output. The rest of the input
  // is read first: a read error anywhere ends the read without a message.
  bool fail(const std::string& message);
  bool failNoFit() { return fail("Number " + token_ + " in file does not fit in 32 bits!\n"); }
  // The message for the token at the cursor, which is not an integer.
  std::string illegalToken();
  // Whether the cursor stands at a comment line (a 'c' that starts a line).
  bool atComment() const { return in_.pos < in_.len && in_.bytes[in_.pos] == 'c' && in_.atLineStart(); }
  // Whether the cursor stands at a quantifier letter: 'e' or 'a' followed by
  // white space, a sign, a digit or the end of the input.
  bool atQuantifier();
  // Passes white space and comment lines; false at the end of the input.
  bool skipSpaceAndComments();
  // Parses the next clause into batch; GOING when one was read.
  Stop parseClause(std::vector<int32_t>& batch, std::string& failure);
  // Cleans the clause batch[begin, end) and stores what is left; false if
  // universal reduction empties it.
  bool cleanAndStore(const std::vector<int32_t>& batch, size_t begin, size_t end);

  Scanner in_;
  const std::string& name_;
  ReadTables tables_;
  StoredCounts stored_;
  std::string token_;
  uint32_t clauseStamp_ = 0;
  std::vector<int32_t> kept_;  // a clause without repeated literals
};

bool Reader::fail(const std::string& message) {
  if (!finishInput()) return false;
  std::fputs(message.c_str(), stdout);
  return false;
}

bool Reader::finishInput() {
  if (in_.finish()) return true;
  failureReason = "cannot read " + name_ + ": " + in_.source->failure();
  return false;
}

std::string Reader::illegalToken() {
  const int64_t line = in_.lineNumber();
  const std::string token = in_.takeToken();
  return "Read illegal token \"" + token + "\" in line " + std::to_string(line) + " of file!\n";
}

bool Reader::atQuantifier() {
  if (in_.pos >= in_.len || (in_.bytes[in_.pos] != 'e' && in_.bytes[in_.pos] != 'a')) return false;
  if (in_.pos + 1 >= in_.len && !in_.atEnd) in_.refill(in_.pos);
  const int after = in_.pos + 1 < in_.len ? in_.bytes[in_.pos + 1] : EOF;
  return after == EOF || isSpace(after) || isDigit(after) || after == '-' || after == '+';
}

bool Reader::skipSpaceAndComments() {
  for (;;) {
    if (!in_.skipSpace()) return false;
    if (!atComment()) return true;
    in_.skipLine();
  }
}

bool Reader::readHeader() {
  // Every line that does not start with 'p' is skipped.
  for (;;) {
    int c = in_.get();
    if (c == EOF) {
      if (!finishInput()) return false;
      failureReason = name_ + ": not a QDIMACS file (no \"p cnf\" line)";
      std::printf("Problems finding parameter line in input %s", name_.c_str());
      return false;
    }
    if (c == 'p') break;
    while (c != EOF && c != '\n') c = in_.get();
  }
  // The parameter line: a word (its content is not checked) and two counts.
  int next;
  while ((next = in_.peek()) != EOF && isSpace(next)) in_.pos++;
  if (next == EOF) {
    if (!finishInput()) return false;
    failureReason = name_ + ": not a QDIMACS file (the \"p cnf\" line ends early)";
    std::printf("Problems finding parameter line in input %s", name_.c_str());
    return false;
  }
  while ((next = in_.peek()) != EOF && !isSpace(next)) in_.pos++;
  int32_t counts[2] = {0, 0};
  for (int32_t& count : counts) {
    int32_t value = 0;
    IntResult r = readInt(in_, value, token_);
    if (r == INT_RANGE) return failNoFit();
    if (r != INT_OK) break;  // an unreadable count stays 0, and so does the next
    count = value;
  }
  NVARS = counts[0];
  NCLAUSES = counts[1];
  if (NVARS < 0 || NCLAUSES < 0)
    return fail("Illegal parameters specified, #vars = " + std::to_string(NVARS) +
                ", #clauses = " + std::to_string(NCLAUSES) + "!\n");
  // The rest of the parameter line is passed over up to a character that
  // can start the prefix or a clause.
  for (int c = in_.peek(); c != EOF && c != '\n'; c = in_.peek()) {
    if (c == 'e' || c == 'a' || c == '-' || isDigit(c)) return true;
    in_.pos++;
  }
  return true;
}

bool Reader::readPrefix() {
  NMAXPREFIXLEVEL = 0;
  if (!skipSpaceAndComments()) return true;
  const int first = in_.bytes[in_.pos];
  if (first != 'e' && first != 'a') return true;  // no prefix
  if (!atQuantifier()) return fail(illegalToken());
  tables_.shift = 1;  // a variable in no quantifier line is free: level -1
  int32_t block = 0;
  // The mark holds the position to go back to when the next line turns out
  // not to be a quantifier line.
  in_.mark = in_.pos;
  for (;;) {
    int c = in_.get();
    if (c != 'e' && c != 'a') break;
    in_.mark = Scanner::NO_MARK;
    const bool existential = c == 'e';
    for (;;) {
      int32_t v = 0;
      IntResult r = readInt(in_, v, token_);
      if (r == INT_RANGE) return failNoFit();
      if (r == INT_NONE) {
        if (atComment()) {
          in_.skipLine();
          continue;
        }
        if (atQuantifier()) break;  // a quantifier line without its 0
        return fail(illegalToken());
      }
      if (r != INT_OK || v < 1) break;
      if (v > NVARS) continue;  // beyond the announced count: not a variable of this formula
      std::string failure;
      if (!tables_.cover(v, failure)) return fail(failure);
      tables_.var[v].universal = !existential;
      tables_.var[v].level = block + tables_.shift;
    }
    // Skips the white space (and comment lines) before the next line; a
    // number read here is given back by the restore below when the prefix
    // ends.
    in_.mark = in_.pos;
    for (;;) {
      int32_t ignored = 0;
      std::string ignoredToken;
      if (readInt(in_, ignored, ignoredToken) != INT_NONE || !atComment()) break;
      in_.skipLine();
    }
    block++;
    if (in_.pos < in_.len && (in_.bytes[in_.pos] == 'e' || in_.bytes[in_.pos] == 'a') && !atQuantifier())
      return fail(illegalToken());
  }
  in_.pos = in_.mark;
  in_.mark = Scanner::NO_MARK;
  NMAXPREFIXLEVEL = block;
  return true;
}

Reader::Stop Reader::parseClause(std::vector<int32_t>& batch, std::string& failure) {
  const size_t begin = batch.size();
  for (;;) {
    int32_t l = 0;
    IntResult r = readInt(in_, l, token_);
    if (r == INT_RANGE) {
      failure = "Number " + token_ + " in file does not fit in 32 bits!\n";
      return FAILED;
    }
    if (r == INT_EOF) return AT_END;
    if (r == INT_NONE) {
      if (atComment()) {
        in_.skipLine();
        continue;
      }
      failure = illegalToken();
      return FAILED;
    }
    if (l == 0) return batch.size() == begin ? EMPTY_CLAUSE : GOING;
    if (int64_t(l) > NVARS || -int64_t(l) > NVARS) {
      failure = "Read illegal literal " + std::to_string(l) + " in file, #vars = " + std::to_string(NVARS) + "!\n";
      return FAILED;
    }
    int32_t v = l < 0 ? -l : l;
    if (v > tables_.maxVar && !tables_.cover(v, failure)) return FAILED;
    __builtin_prefetch(&tables_.var[size_t(v)], 1);
    batch.push_back(litIndex(l));
  }
}

bool Reader::readClauses() {
  // Clauses are parsed a batch at a time and then cleaned: every variable's
  // entry is requested while the batch is parsed, so that the cleaning finds
  // it in the cache instead of waiting for memory once per literal. Whatever
  // stops the parse (the end of the input, an error) takes effect after the
  // complete clauses before it have been cleaned, in the order a
  // clause-by-clause read would show.
  //
  // Literals parsed before the batch is cleaned: enough to overlap the
  // requests, few enough that their entries (a cache line each) are still
  // in the first-level cache when the cleaning reaches them.
  constexpr size_t BATCH = 512;
  std::vector<int32_t> batch;  // literal indices of the batch's clauses, back to back
  std::vector<size_t> ends;    // where each clause of the batch ends in `batch`
  std::string failure;         // the message of a FAILED parse
  int32_t taken = 0;
  while (taken < NCLAUSES) {
    batch.clear();
    ends.clear();
    Stop stop = GOING;
    while (stop == GOING && batch.size() < BATCH && taken + int64_t(ends.size()) < NCLAUSES) {
      const size_t begin = batch.size();
      stop = parseClause(batch, failure);
      if (stop == GOING) ends.push_back(batch.size());
      else batch.resize(begin);  // a clause cut short is not a clause
    }
    size_t begin = 0;
    for (size_t end : ends) {
      taken++;
      if (!cleanAndStore(batch, begin, end)) {
        emptiedByReduction = true;
        return fail("\n Empty Clause detected when reading file! \n");
      }
      begin = end;
    }
    if (stop == AT_END) {
      NCLAUSES = taken;
      break;
    }
    if (stop != GOING && !finishInput()) return false;
    if (stop == EMPTY_CLAUSE) {
      CONTRADICTION = true;
      return true;
    }
    if (stop == FAILED) {
      std::fputs(failure.c_str(), stdout);
      return false;
    }
  }
  return finishInput();
}

bool Reader::cleanAndStore(const std::vector<int32_t>& batch, size_t begin, size_t end) {
  // Repeated literals and tautologies, in one pass with per-variable stamps.
  if (++clauseStamp_ == STAMP_LIMIT) {
    for (int32_t v = 0; v <= tables_.maxVar; v++) tables_.var[v].stamp = 0;
    clauseStamp_ = 1;
  }
  kept_.clear();
  // Levels here are shifted by tables_.shift, which keeps their order.
  int32_t maxE = tables_.shift;      // deepest existential, counted from 0
  int32_t maxU = tables_.shift - 1;  // deepest universal
  for (size_t j = begin; j < end; j++) {
    int32_t lit = batch[j];
    VarInfo& info = tables_.var[lit / 2 + 1];
    if (info.stamp != clauseStamp_) {
      info.stamp = clauseStamp_;
      info.seen = 0;
    }
    uint32_t mine = 1u << (lit & 1), other = 2u >> (lit & 1);
    if (info.seen & mine) continue;
    if (info.seen & other) return true;  // a tautology: dropped
    info.seen |= mine;
    kept_.push_back(lit);
    if (!info.universal) {
      if (info.level > maxE) maxE = info.level;
    } else if (info.level > maxU) {
      maxU = info.level;
    }
  }
  // Universal reduction: drop the literals quantified deeper than every
  // existential literal of the clause (only universals can be).
  if (maxU > maxE) {
    size_t n = 0;
    for (int32_t lit : kept_)
      if (tables_.var[lit / 2 + 1].level <= maxE) kept_[n++] = lit;
    kept_.resize(n);
    if (kept_.empty()) return false;
  }
  const bool nary = kept_.size() >= 3;
  for (int32_t lit : kept_) {
    VarInfo& info = tables_.var[lit / 2 + 1];
    if (!info.used) tables_.usedVars.push_back(lit / 2 + 1);
    info.used = 1;
    if (nary) info.occurs[lit & 1]++;
  }
  storeClause(kept_, stored_);
  return true;
}

void Reader::printStatistics() const {
  // Every stored clause is still active here.
  std::printf("c Inital problem has %d variables, %d nary clauses (%d binary clauses), %d Quantifier Alternations.\n",
              NVARS, NCLAUSES - stored_.binaries, stored_.binaries, NMAXPREFIXLEVEL);
  NUMNCLS = stored_.nary;
  std::printf("c Num non-binary clauses %d, Average non-binary clause length %2.3f\n", NUMNCLS,
              NUMNCLS == 0 ? 0.0 : double(stored_.naryLits) / NUMNCLS);
}

void Reader::renumber(bool quiet) {
  // The used variables get 0, 1, 2, ... in increasing order. Where they are
  // a fair share of the numbers up to the largest, reading them off the
  // table in order is cheaper than sorting.
  std::vector<int32_t>& used = tables_.usedVars;
  if (size_t(tables_.maxVar) <= 4 * used.size()) {
    used.clear();
    for (int32_t v = 1; v <= tables_.maxVar; v++)
      if (tables_.var[v].used) used.push_back(v);
  } else {
    std::sort(used.begin(), used.end());
  }
  const int32_t usedCount = int32_t(used.size());
  if (usedCount == NVARS) {
    if (!quiet) std::printf("c Theory has no gaps\n");
  } else {
    NVARS = usedCount;
    // The new numbers go into a compact table of their own: the rewriting
    // reads it at random, and four bytes per variable keep far more of it in
    // the cache than the reader's wide entries would. Zero-filled memory, so
    // that the numbers no clause uses cost nothing.
    struct Numbers {
      int32_t* of;
      ~Numbers() { qfree(of); }
    } numbers{qnew<int32_t>(size_t(tables_.maxVar) + 1, "Memory Allocation Failure #23\n")};
    int32_t* number = numbers.of;
    for (size_t k = 0; k < used.size(); k++) number[used[k]] = int32_t(k);
    // Every stored literal is rewritten, straight through the arena that
    // holds them; the numbers of the literals a little ahead are requested
    // early, as in the clause loop.
    constexpr size_t AHEAD = 32;
    for (const LiteralRun& run : literalRuns()) {
      int32_t* lits = run.lits;
      size_t n = run.count;
      for (size_t j = 0; j < n; j++) {
        if (j + AHEAD < n) __builtin_prefetch(&number[lits[j + AHEAD] / 2 + 1]);
        int32_t lit = lits[j];
        lits[j] = 2 * number[lit / 2 + 1] + (lit & 1);
      }
    }
  }
  NLITS = 2 * NVARS;
  orig_varnum = qnew<int32_t>(size_t(NVARS), "Memory Allocation Failure #23\n");
  bArrExistential = qnew<bool>(size_t(NLITS), "Memory Allocation Failure #23\n");
  naryOccurrences = qnew<uint32_t>(size_t(NLITS), "Memory Allocation Failure #23\n");
  nArrPrefixLevel = qnew<int32_t>(size_t(NLITS), "Memory Allocation Failure #23\n");
  for (int32_t nv = 0; nv < usedCount; nv++) {
    const VarInfo& info = tables_.var[used[size_t(nv)]];
    orig_varnum[nv] = used[size_t(nv)] - 1;
    for (int32_t pol = 0; pol < 2; pol++) {
      bArrExistential[2 * nv + pol] = info.universal == 0;
      nArrPrefixLevel[2 * nv + pol] = info.level - tables_.shift;
      naryOccurrences[2 * nv + pol] = info.occurs[pol];
    }
  }
}

// The steps of a read from `source`, shown in messages as `name`.
bool readFrom(ByteSource* source, const std::string& name, bool quiet) {
  Reader reader(source, name);
  if (!reader.readHeader() || !reader.readPrefix() || !reader.readClauses()) return false;
  if (CONTRADICTION) return true;
  if (!quiet) reader.printStatistics();
  else NUMNCLS = reader.naryStored();
  reader.renumber(quiet);
  return true;
}

}  // namespace

bool readProblem(const std::string& path) {
  for (auto& head : lenNclauses) head = nullptr;
  failureReason.clear();
  emptiedByReduction = false;
  std::string why;
  std::unique_ptr<ByteSource> source = openSource(path, why);
  if (source == nullptr) {
    failureReason = "cannot open " + path + ": " + why;
    return false;
  }
  return readFrom(source.get(), path, false);
}

bool readProblemFrom(ByteSource& source, const std::string& name, bool quiet) {
  for (auto& head : lenNclauses) head = nullptr;
  failureReason.clear();
  emptiedByReduction = false;
  return readFrom(&source, name, quiet);
}

const std::string& readFailureReason() { return failureReason; }

bool readEmptiedByReduction() { return emptiedByReduction; }
