// The QDIMACS reader.
//
// The file is read a window at a time and scanned with a cursor; the one
// position the parser goes back to is kept as a mark. The grammar is the
// tolerant one of the tool: any line before the parameter line that does not
// start with 'p' is skipped, the body starts at the first 'e', 'a', '-' or
// digit after it, the prefix is one block per quantifier line, and clauses
// are integers ended by 0 until the announced count is reached or the input
// ends.
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

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/panic.h"
#include "store/store.h"

namespace {

// '\t', '\n', '\v', '\f' and '\r' are the codes 9 to 13.
bool isSpace(int c) { return c == ' ' || unsigned(c - '\t') <= unsigned('\r' - '\t'); }
bool isDigit(int c) { return unsigned(c - '0') <= 9u; }

// The input file, read a window at a time: a file of hundreds of megabytes
// then costs the memory of the window, which is reused and stays in the
// cache, instead of as much fresh memory as the file is long. The bytes of
// the window are followed by one zero byte: a zero is neither white space,
// a sign nor a digit, so the scans of readInt stop at the end of the window
// without testing for it at every byte. Positions are offsets into the
// window; a refill moves the bytes still needed to its front.
struct Input {
  static constexpr size_t NO_MARK = SIZE_MAX;
  FILE* file = nullptr;
  std::unique_ptr<unsigned char[]> bytes;  // the window: cap bytes and the zero byte
  size_t cap = 0;
  size_t len = 0;          // bytes in the window
  size_t pos = 0;          // the cursor
  size_t mark = NO_MARK;   // a position the parser may go back to: kept by refills
  bool atEnd = false;      // the file has nothing more to give
  bool failed = false;     // reading the file failed

  Input() = default;
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  ~Input() {
    if (file != nullptr) std::fclose(file);
  }

  // Drops the bytes before `from` (a position <= pos; the mark is kept
  // too), moving the rest to the front, and reads more of the file behind
  // them, growing the window if it is full. Returns how far the kept bytes
  // moved, for the positions the caller holds. `len` tells whether
  // anything was read.
  size_t refill(size_t from) {
    if (mark < from) from = mark;
    size_t kept = len - from;
    if (from > 0 && kept > 0) std::memmove(bytes.get(), bytes.get() + from, kept);
    len = kept;
    pos -= from;
    if (mark != NO_MARK) mark -= from;
    if (len == cap) {  // one token, or the marked text, fills the window
      std::unique_ptr<unsigned char[]> bigger(new unsigned char[2 * cap + 1]);
      std::memcpy(bigger.get(), bytes.get(), len);
      bytes = std::move(bigger);
      cap *= 2;
    }
    if (!atEnd) {
      size_t want = cap - len;
      size_t n = std::fread(bytes.get() + len, 1, want, file);
      len += n;
      if (n < want) {  // fread stops short only at the end or on an error
        atEnd = true;
        failed = std::ferror(file) != 0;
      }
    }
    bytes[len] = 0;
    return from;
  }
  // True if bytes remain at the cursor, reading more when the window is used up.
  bool more() {
    if (pos < len) return true;
    if (atEnd) return false;
    refill(pos);
    return pos < len;
  }
  // The next byte, or EOF at the end of the file.
  int get() { return more() ? bytes[pos++] : EOF; }
  // The next byte without taking it, or EOF.
  int peek() { return more() ? bytes[pos] : EOF; }
  // Reads what is left of the file, so that a read error anywhere in it
  // is seen; false if there was one. A whole-file read saw it before
  // anything was parsed, and the reader still answers it the same way,
  // with no message.
  bool finish() {
    while (!atEnd) {
      pos = len;
      refill(pos);
    }
    return !failed;
  }
};

// Opens the input; false if it cannot be opened or is a directory.
bool openInput(const std::string& path, Input& in) {
  in.file = std::fopen(path.c_str(), "r");
  if (in.file == nullptr) return false;
  struct stat st;
  if (fstat(fileno(in.file), &st) == 0 && S_ISDIR(st.st_mode)) return false;
  in.cap = READ_WINDOW;
  in.bytes.reset(new unsigned char[in.cap + 1]);
  in.len = in.pos = 0;
  in.bytes[0] = 0;
  return true;
}

enum IntResult { INT_OK, INT_NONE, INT_EOF, INT_RANGE };

// Reads one decimal integer after optional white space, like scanf's %d:
// INT_EOF if only white space remains, INT_NONE if the next token is not an
// integer (the token, including a sign without digits, is left unread),
// INT_RANGE with the token's text if it does not fit in 32 bits.
IntResult readInt(Input& in, int32_t& out, std::string& token) {
  const unsigned char* b = in.bytes.get();
  size_t p = in.pos;
  for (;;) {
    while (isSpace(b[p])) p++;
    in.pos = p;
    if (p < in.len) break;
    if (!in.more()) return INT_EOF;
    b = in.bytes.get();
    p = in.pos;
  }
  // The token is scanned in place; should it run into the end of the
  // window, the window is refilled from the token's start and the scan
  // goes on where it was.
  size_t start = p;
  auto refillToken = [&] {
    if (in.atEnd) return;
    size_t moved = in.refill(start);
    start -= moved;
    p -= moved;
    b = in.bytes.get();
  };
  bool negative = false;
  if (b[p] == '-' || b[p] == '+') {
    negative = b[p] == '-';
    p++;
    if (p == in.len) refillToken();
  }
  if (!isDigit(b[p])) {
    in.pos = start;
    return INT_NONE;
  }
  // The value stops growing once it is far out of range; a token that
  // long is an error anyway. Twelve digits cannot pass that bound, so the
  // first twelve go without the test.
  uint64_t value = 0;
  for (size_t stop = p + 12; p < stop && isDigit(b[p]); p++) value = value * 10 + uint64_t(b[p] - '0');
  for (;;) {
    for (; isDigit(b[p]); p++)
      if (value < (uint64_t(1) << 40)) value = value * 10 + uint64_t(b[p] - '0');
    if (p < in.len || in.atEnd) break;
    refillToken();
  }
  in.pos = p;
  if (value > (negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX))) {
    token.assign(reinterpret_cast<const char*>(b) + start, p - start);
    return INT_RANGE;
  }
  out = negative ? int32_t(-int64_t(value)) : int32_t(value);
  return INT_OK;
}

void reportRange(const std::string& token) {
  std::printf("Number %s in file does not fit in 32 bits!\n", token.c_str());
}

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

}  // namespace

bool readProblem(const std::string& path) {
  for (auto& head : lenNclauses) head = nullptr;
  Input in;
  if (!openInput(path, in)) return false;
  std::string token;
  // Every message below comes where the read stops; in.finish() first
  // reads the rest of the file, so that a read error ends the read without
  // a message wherever it lies.

  // Header: skip every line that does not start with 'p'.
  for (;;) {
    int c = in.get();
    if (c == EOF) {
      if (!in.finish()) return false;
      std::printf("Problems finding parameter line in input %s", path.c_str());
      return false;
    }
    if (c == 'p') break;
    while (c != EOF && c != '\n') c = in.get();
  }

  // Parameter line: a word (its content is not checked) and two counts.
  int next;
  while ((next = in.peek()) != EOF && isSpace(next)) in.pos++;
  if (next == EOF) {
    if (!in.finish()) return false;
    std::printf("Problems finding parameter line in input %s", path.c_str());
    return false;
  }
  while ((next = in.peek()) != EOF && !isSpace(next)) in.pos++;
  int32_t counts[2] = {0, 0};
  for (int32_t& count : counts) {
    int32_t value = 0;
    IntResult r = readInt(in, value, token);
    if (r == INT_RANGE) {
      if (!in.finish()) return false;
      reportRange(token);
      return false;
    }
    if (r != INT_OK) break;  // an unreadable count stays 0, and so does the next
    count = value;
  }
  NVARS = counts[0];
  NCLAUSES = counts[1];
  if (NVARS < 0 || NCLAUSES < 0) {
    if (!in.finish()) return false;
    std::printf("Illegal parameters specified, #vars = %d, #clauses = %d!\n", NVARS, NCLAUSES);
    return false;
  }

  // Skip to the first character that can start the prefix or a clause.
  int first = EOF;
  for (;;) {
    int c = in.get();
    if (c == EOF) break;
    if (c == 'e' || c == 'a' || c == '-' || isDigit(c)) {
      first = c;
      in.pos--;
      break;
    }
  }

  ReadTables tables;
  NMAXPREFIXLEVEL = 0;
  if (first == 'e' || first == 'a') {
    tables.shift = 1;  // a variable in no quantifier line is free: level -1
    int32_t block = 0;
    // The mark holds the position to go back to when the next line turns
    // out not to be a quantifier line.
    in.mark = in.pos;
    for (;;) {
      int c = in.get();
      if (c != 'e' && c != 'a') break;
      in.mark = Input::NO_MARK;
      bool existential = c == 'e';
      for (;;) {
        int32_t v = 0;
        IntResult r = readInt(in, v, token);
        if (r == INT_RANGE) {
          if (!in.finish()) return false;
          reportRange(token);
          return false;
        }
        if (r != INT_OK || v < 1) break;
        if (v > NVARS) continue;  // beyond the announced count: not a variable of this formula
        std::string failure;
        if (!tables.cover(v, failure)) {
          if (!in.finish()) return false;
          std::fputs(failure.c_str(), stdout);
          return false;
        }
        tables.var[v].universal = !existential;
        tables.var[v].level = block + tables.shift;
      }
      // Skips the white space before the next line; a number read here is
      // given back by the restore below when the prefix ends.
      in.mark = in.pos;
      int32_t ignored = 0;
      readInt(in, ignored, token);
      block++;
    }
    in.pos = in.mark;
    in.mark = Input::NO_MARK;
    NMAXPREFIXLEVEL = block;
  }

  // Clauses. They are parsed a batch at a time and then cleaned: every
  // variable's entry is requested while the batch is parsed, so that the
  // cleaning finds it in the cache instead of waiting for memory once per
  // literal. Whatever stops the parse (the end of the input, an error) takes
  // effect after the complete clauses before it have been cleaned, in the
  // order a clause-by-clause read would show.
  enum Stop { GOING, AT_END, EMPTY_CLAUSE, FAILED };
  // Literals parsed before the batch is cleaned: enough to overlap the
  // requests, few enough that their entries (a cache line each) are still
  // in the first-level cache when the cleaning reaches them.
  constexpr size_t BATCH = 512;
  std::vector<int32_t> batch;     // literal indices of the batch's clauses, back to back
  std::vector<size_t> ends;       // where each clause of the batch ends in `batch`
  std::string failure;            // the message of a FAILED parse
  std::vector<int32_t> kept;      // a clause without repeated literals
  uint32_t clauseStamp = 0;
  int32_t taken = 0;
  StoredCounts stored;
  while (taken < NCLAUSES) {
    batch.clear();
    ends.clear();
    Stop stop = GOING;
    while (stop == GOING && batch.size() < BATCH && taken + int64_t(ends.size()) < NCLAUSES) {
      size_t begin = batch.size();
      for (;;) {
        int32_t l = 0;
        IntResult r = readInt(in, l, token);
        if (r == INT_RANGE) {
          failure = "Number " + token + " in file does not fit in 32 bits!\n";
          stop = FAILED;
          break;
        }
        if (r == INT_EOF) {
          stop = AT_END;
          break;
        }
        if (r == INT_NONE || l == 0) break;
        if (int64_t(l) > NVARS || -int64_t(l) > NVARS) {
          failure = "Read illegal literal " + std::to_string(l) + " in file, #vars = " + std::to_string(NVARS) + "!\n";
          stop = FAILED;
          break;
        }
        int32_t v = l < 0 ? -l : l;
        if (v > tables.maxVar && !tables.cover(v, failure)) {
          stop = FAILED;
          break;
        }
        __builtin_prefetch(&tables.var[size_t(v)], 1);
        batch.push_back(litIndex(l));
      }
      if (stop != GOING) {
        batch.resize(begin);  // a clause cut short is not a clause
        break;
      }
      if (batch.size() == begin) stop = EMPTY_CLAUSE;
      else ends.push_back(batch.size());
    }

    size_t begin = 0;
    for (size_t end : ends) {
      taken++;
      // Repeated literals and tautologies, in one pass with per-variable stamps.
      if (++clauseStamp == STAMP_LIMIT) {
        for (int32_t v = 0; v <= tables.maxVar; v++) tables.var[v].stamp = 0;
        clauseStamp = 1;
      }
      kept.clear();
      bool tautology = false;
      // Levels here are shifted by tables.shift, which keeps their order.
      int32_t maxE = tables.shift;      // deepest existential, counted from 0
      int32_t maxU = tables.shift - 1;  // deepest universal
      for (size_t j = begin; j < end; j++) {
        int32_t lit = batch[j];
        VarInfo& info = tables.var[lit / 2 + 1];
        if (info.stamp != clauseStamp) {
          info.stamp = clauseStamp;
          info.seen = 0;
        }
        uint32_t mine = 1u << (lit & 1), other = 2u >> (lit & 1);
        if (info.seen & mine) continue;
        if (info.seen & other) {
          tautology = true;
          break;
        }
        info.seen |= mine;
        kept.push_back(lit);
        if (!info.universal) {
          if (info.level > maxE) maxE = info.level;
        } else if (info.level > maxU) {
          maxU = info.level;
        }
      }
      begin = end;
      if (tautology) continue;

      // Universal reduction: drop the literals quantified deeper than every
      // existential literal of the clause (only universals can be).
      if (maxU > maxE) {
        size_t n = 0;
        for (int32_t lit : kept)
          if (tables.var[lit / 2 + 1].level <= maxE) kept[n++] = lit;
        kept.resize(n);
        if (kept.empty()) {
          if (!in.finish()) return false;
          std::printf("\n Empty Clause detected when reading file! \n");
          return false;
        }
      }
      const bool nary = kept.size() >= 3;
      for (int32_t lit : kept) {
        VarInfo& info = tables.var[lit / 2 + 1];
        if (!info.used) tables.usedVars.push_back(lit / 2 + 1);
        info.used = 1;
        if (nary) info.occurs[lit & 1]++;
      }
      storeClause(kept, stored);
    }

    if (stop == AT_END) {
      NCLAUSES = taken;
      break;
    }
    if (stop != GOING && !in.finish()) return false;
    if (stop == EMPTY_CLAUSE) {
      taken++;
      CONTRADICTION = true;
      return true;
    }
    if (stop == FAILED) {
      std::fputs(failure.c_str(), stdout);
      return false;
    }
  }
  if (!in.finish()) return false;

  // Statistics. Every stored clause is still active here.
  std::printf("c Inital problem has %d variables, %d nary clauses (%d binary clauses), %d Quantifier Alternations.\n",
              NVARS, NCLAUSES - stored.binaries, stored.binaries, NMAXPREFIXLEVEL);
  NUMNCLS = stored.nary;
  std::printf("c Num non-binary clauses %d, Average non-binary clause length %2.3f\n", NUMNCLS,
              NUMNCLS == 0 ? 0.0 : double(stored.naryLits) / NUMNCLS);

  // Renumbering: the used variables get 0, 1, 2, ... in increasing order.
  // Where the used variables are a fair share of the numbers up to the
  // largest, reading them off the table in order is cheaper than sorting.
  std::vector<int32_t>& used = tables.usedVars;
  if (size_t(tables.maxVar) <= 4 * used.size()) {
    used.clear();
    for (int32_t v = 1; v <= tables.maxVar; v++)
      if (tables.var[v].used) used.push_back(v);
  } else {
    std::sort(used.begin(), used.end());
  }
  const int32_t usedCount = int32_t(used.size());
  if (usedCount == NVARS) {
    std::printf("c Theory has no gaps\n");
  } else {
    NVARS = usedCount;
    // The new numbers go into a compact table of their own: the rewriting
    // reads it at random, and four bytes per variable keep far more of it in
    // the cache than the reader's wide entries would. Zero-filled memory, so
    // that the numbers no clause uses cost nothing.
    struct Numbers {
      int32_t* of;
      ~Numbers() { qfree(of); }
    } numbers{qnew<int32_t>(size_t(tables.maxVar) + 1, "Memory Allocation Failure #23\n")};
    int32_t* number = numbers.of;
    for (size_t k = 0; k < used.size(); k++) number[used[k]] = int32_t(k);
    // Every stored literal is rewritten, straight through the arena that
    // holds them; the numbers of the literals a little ahead are requested
    // early, as in the clause loop above.
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
    const VarInfo& info = tables.var[used[size_t(nv)]];
    orig_varnum[nv] = used[size_t(nv)] - 1;
    for (int32_t pol = 0; pol < 2; pol++) {
      bArrExistential[2 * nv + pol] = info.universal == 0;
      nArrPrefixLevel[2 * nv + pol] = info.level - tables.shift;
      naryOccurrences[2 * nv + pol] = info.occurs[pol];
    }
  }
  return true;
}
