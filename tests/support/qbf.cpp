// QDIMACS parsing, brute-force QBF evaluation and depqbf runs for the tests.
#include "support/qbf.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

extern char** environ;

namespace qbf {

int Formula::maxVariable() const {
  int m = 0;
  for (const Block& b : prefix)
    for (int v : b.vars) m = std::max(m, v);
  for (const Clause& c : clauses)
    for (int l : c) m = std::max(m, std::abs(l));
  return m;
}

// --- parser ---------------------------------------------------------------

namespace {

bool fail(std::string* error, int lineNo, const std::string& what) {
  if (error != nullptr) *error = "line " + std::to_string(lineNo) + ": " + what;
  return false;
}

// Splits a line into white-space separated tokens.
std::vector<std::string> tokens(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  std::string t;
  while (in >> t) out.push_back(t);
  return out;
}

// A whole token as a 32-bit integer.
bool toInt(const std::string& t, int& out) {
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(t.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || end == t.c_str() || v < INT_MIN || v > INT_MAX) return false;
  out = int(v);
  return true;
}

}  // namespace

bool parse(const std::string& text, Formula& out, std::string* error) {
  out = Formula{};
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  bool header = false;
  bool inClauses = false;
  Clause current;
  bool open = false;  // a clause has literals but no closing 0 yet
  while (std::getline(in, line)) {
    lineNo++;
    std::vector<std::string> tok = tokens(line);
    if (tok.empty() || tok[0][0] == 'c') continue;
    if (!header) {
      if (tok[0] != "p") return fail(error, lineNo, "expected the parameter line, got '" + line + "'");
      if (tok.size() != 4 || tok[1] != "cnf" || !toInt(tok[2], out.numVars) || !toInt(tok[3], out.numClauses) ||
          out.numVars < 0 || out.numClauses < 0)
        return fail(error, lineNo, "bad parameter line '" + line + "'");
      header = true;
      continue;
    }
    if (tok[0] == "e" || tok[0] == "a") {
      if (inClauses) return fail(error, lineNo, "quantifier line after the first clause");
      Block b;
      b.kind = tok[0] == "e" ? Quant::Exists : Quant::Forall;
      bool closed = false;
      for (size_t k = 1; k < tok.size(); k++) {
        int v = 0;
        if (closed || !toInt(tok[k], v) || v < 0) return fail(error, lineNo, "bad quantifier line '" + line + "'");
        if (v == 0) closed = true;
        else b.vars.push_back(v);
      }
      if (!closed) return fail(error, lineNo, "quantifier line without its closing 0");
      out.prefix.push_back(std::move(b));
      continue;
    }
    inClauses = true;
    for (const std::string& t : tok) {
      int l = 0;
      if (!toInt(t, l)) return fail(error, lineNo, "bad token '" + t + "'");
      if (l == 0) {
        out.clauses.push_back(current);
        current.clear();
        open = false;
      } else {
        current.push_back(l);
        open = true;
      }
    }
  }
  if (!header) return fail(error, lineNo, "no parameter line");
  if (open) return fail(error, lineNo, "last clause has no closing 0");
  return true;
}

std::string toText(const Formula& f) {
  std::string s = "p cnf " + std::to_string(f.numVars) + " " + std::to_string(f.numClauses) + "\n";
  for (const Block& b : f.prefix) {
    s += b.kind == Quant::Exists ? "e" : "a";
    for (int v : b.vars) s += " " + std::to_string(v);
    s += " 0\n";
  }
  for (const Clause& c : f.clauses) {
    for (int l : c) s += std::to_string(l) + " ";
    s += "0\n";
  }
  return s;
}

// --- evaluator --------------------------------------------------------------

namespace {

// Search over the prefix order. Every variable that occurs in a clause is
// branched on in prefix order (free variables first); unit propagation of
// existential literals and the universal falsification rule cut branches.
class Evaluator {
 public:
  Evaluator(const std::vector<Block>& prefix, const std::vector<Clause>& input) {
    int n = 0;
    for (const Block& b : prefix)
      for (int v : b.vars) n = std::max(n, v);
    for (const Clause& c : input)
      for (int l : c) n = std::max(n, std::abs(l));
    level_.assign(size_t(n) + 1, 0);  // 0: free (outermost existential)
    universal_.assign(size_t(n) + 1, false);
    value_.assign(size_t(n) + 1, -1);
    for (size_t k = 0; k < prefix.size(); k++)
      for (int v : prefix[k].vars) {
        level_[size_t(v)] = int(k) + 1;
        universal_[size_t(v)] = prefix[k].kind == Quant::Forall;
      }

    // Clauses without repeated literals; tautologies are always true.
    std::vector<bool> occurs(size_t(n) + 1, false);
    for (const Clause& c : input) {
      Clause d;
      bool tautology = false;
      for (int l : c) {
        if (std::find(d.begin(), d.end(), -l) != d.end()) tautology = true;
        if (std::find(d.begin(), d.end(), l) == d.end()) d.push_back(l);
      }
      if (tautology) continue;
      for (int l : d) occurs[size_t(std::abs(l))] = true;
      clauses_.push_back(std::move(d));
    }
    for (int v = 1; v <= n; v++)
      if (occurs[size_t(v)]) order_.push_back(v);
    std::stable_sort(order_.begin(), order_.end(),
                     [this](int a, int b) { return level_[size_t(a)] < level_[size_t(b)]; });
  }

  bool solve() {
    size_t mark = trail_.size();
    bool result;
    Status s = propagate();
    if (s == Status::Conflict) {
      result = false;
    } else if (s == Status::AllSatisfied) {
      result = true;
    } else {
      int v = 0;
      for (int w : order_)
        if (value_[size_t(w)] < 0) {
          v = w;
          break;
        }
      // Some clause is open, so some variable of it is unassigned.
      bool forall = universal_[size_t(v)];
      assign(v, 0);
      bool first = solve();
      undo(trail_.size() - 1);
      if (forall ? !first : first) {
        result = first;
      } else {
        assign(v, 1);
        result = solve();
      }
    }
    undo(mark);
    return result;
  }

 private:
  enum class Status { Open, Conflict, AllSatisfied };

  void assign(int v, int8_t value) {
    value_[size_t(v)] = value;
    trail_.push_back(v);
  }
  void undo(size_t mark) {
    while (trail_.size() > mark) {
      value_[size_t(trail_.back())] = -1;
      trail_.pop_back();
    }
  }
  // -1 unassigned, 0 false, 1 true.
  int litValue(int l) const {
    int8_t v = value_[size_t(std::abs(l))];
    if (v < 0) return -1;
    return (l > 0) == (v == 1) ? 1 : 0;
  }

  // Applies the existential unit rule to a fixed point. A clause without a
  // true literal and without an unassigned existential literal is a
  // conflict: the universal player sets its open universal literals false
  // (they are quantified after every assigned variable, and no clause holds
  // a literal together with its complement).
  Status propagate() {
    for (;;) {
      bool allSatisfied = true;
      bool changed = false;
      for (const Clause& c : clauses_) {
        int unitLit = 0;
        int openExist = 0;
        int minOpenUniversalLevel = INT_MAX;
        bool satisfied = false;
        for (int l : c) {
          int val = litValue(l);
          if (val == 1) {
            satisfied = true;
            break;
          }
          if (val == 0) continue;
          int v = std::abs(l);
          if (universal_[size_t(v)]) {
            minOpenUniversalLevel = std::min(minOpenUniversalLevel, level_[size_t(v)]);
          } else {
            openExist++;
            unitLit = l;
          }
        }
        if (satisfied) continue;
        allSatisfied = false;
        if (openExist == 0) return Status::Conflict;
        if (openExist == 1 && minOpenUniversalLevel > level_[size_t(std::abs(unitLit))]) {
          assign(std::abs(unitLit), unitLit > 0 ? 1 : 0);
          changed = true;
        }
      }
      if (allSatisfied) return Status::AllSatisfied;
      if (!changed) return Status::Open;
    }
  }

  std::vector<int> level_;
  std::vector<bool> universal_;
  std::vector<int8_t> value_;
  std::vector<Clause> clauses_;
  std::vector<int> order_;
  std::vector<int> trail_;
};

}  // namespace

bool evaluate(const std::vector<Block>& prefix, const std::vector<Clause>& clauses) {
  Evaluator e(prefix, clauses);
  return e.solve();
}

// --- depqbf ---------------------------------------------------------------

bool depqbfAvailable() {
  static const bool found = [] {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
      size_t end = dirs.find(':', start);
      std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (dir.empty()) dir = ".";
      if (access((dir + "/depqbf").c_str(), X_OK) == 0) return true;
      if (end == std::string::npos) return false;
      start = end + 1;
    }
  }();
  return found;
}

const char* depqbfMissingMessage() {
  return "depqbf is not installed (apt-get install depqbf, or `make deps`); its cross-checks are skipped";
}

const char* verdictName(Verdict v) {
  switch (v) {
    case Verdict::True: return "true";
    case Verdict::False: return "false";
    case Verdict::Unknown: return "unknown";
  }
  return "?";
}

Verdict runDepqbf(const std::string& path, int timeoutSeconds, std::string* detail) {
  auto say = [detail](const std::string& s) {
    if (detail != nullptr) *detail = s;
  };
  // posix_spawn rather than fork: no allocation happens in the child, and
  // descriptors of other threads' runs are closed, so concurrent calls
  // neither deadlock nor keep each other's pipes open.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  std::string prog = "depqbf";
  std::vector<char*> argv = {prog.data(), const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, "depqbf", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    say(std::string("cannot start depqbf: ") + std::strerror(rc));
    return Verdict::Unknown;
  }

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  long pauseNs = 1000000;  // 1 ms, doubling up to 50 ms
  int status = 0;
  bool timedOut = false;
  for (;;) {
    pid_t got = waitpid(pid, &status, WNOHANG);
    if (got == pid) break;
    if (got < 0 && errno != EINTR) {
      say(std::string("waitpid failed: ") + std::strerror(errno));
      return Verdict::Unknown;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      timedOut = true;
      break;
    }
    timespec pause{0, pauseNs};
    nanosleep(&pause, nullptr);
    pauseNs = std::min(pauseNs * 2, 50000000L);
  }
  if (timedOut) {
    say("timeout after " + std::to_string(timeoutSeconds) + " s");
    return Verdict::Unknown;
  }
  if (WIFEXITED(status)) {
    int code = WEXITSTATUS(status);
    say("exit " + std::to_string(code));
    if (code == 10) return Verdict::True;
    if (code == 20) return Verdict::False;
    return Verdict::Unknown;
  }
  say(WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status)) : "abnormal end");
  return Verdict::Unknown;
}

}  // namespace qbf
