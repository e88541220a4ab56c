// The command line of qshrink.
#include "driver/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#ifndef QSHRINK_VERSION
#define QSHRINK_VERSION "0"
#endif

namespace {

// Reads a verbosity level like scanf's %d (leading blanks, a sign, digits,
// anything after them ignored); false if there is no number or it is out of 0..3.
bool parseLevel(const char* text, int& level) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) text++;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') text++;
  if (*text < '0' || *text > '9') return false;
  long long value = 0;
  while (*text >= '0' && *text <= '9' && value < 1000) value = value * 10 + (*text++ - '0');
  if (negative) value = -value;
  if (value < 0 || value > 3) return false;
  level = int(value);
  return true;
}

// A long option: its name, whether it takes a value, what it does with it
// (false, with a message, for a bad value), and its line of the help text.
struct LongOption {
  const char* name;
  bool takesValue;
  std::function<bool(RunOptions&, const std::string&, std::string&)> apply;
  const char* help;
};

bool setFlag(bool RunOptions::*flag, RunOptions& opt) {
  opt.*flag = true;
  return true;
}

// A number of the form [digits][.digits], at most `most`; false for
// anything else.
bool parseAmount(const std::string& text, double most, double& value) {
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
      text.find('.') != text.rfind('.') || text == ".")
    return false;
  value = std::strtod(text.c_str(), nullptr);
  return value <= most;
}

// The option that sets a flag.
LongOption flagOption(const char* name, bool RunOptions::*flag, const char* help) {
  return {name, false, [flag](RunOptions& o, const std::string&, std::string&) { return setFlag(flag, o); }, help};
}

constexpr double MOST_SECONDS = 1e9;     // a time limit beyond any run
constexpr double MOST_EFFORT = 1e12;     // an effort beyond any run, in millions

const std::vector<LongOption>& longOptions() {
  static const std::vector<LongOption> options = {
      {"help", false, nullptr, "-h, --help             this text"},
      {"version", false, nullptr, "--version              the version"},
      {"output", true,
       [](RunOptions& o, const std::string& v, std::string& err) {
         if (v.empty()) {
           err = "--output needs a file name";
           return false;
         }
         o.output = v;
         o.outputGiven = true;
         return true;
       },
       "--output=FILE          write the reduced formula to FILE (\"-\": standard output, messages go to\n"
       "                         standard error); a formula shown false is written as \"p cnf 0 1\" / \"0\""},
      {"no-result-files", false,
       [](RunOptions& o, const std::string&, std::string&) { return setFlag(&RunOptions::noResultFiles, o); },
       "--no-result-files      write neither result1 nor preprocessor_b.dat"},
      {"exit-codes", false,
       [](RunOptions& o, const std::string&, std::string&) { return setFlag(&RunOptions::exitCodes, o); },
       "--exit-codes           exit 20 when the formula is shown false, 10 when no clause is left, 0 otherwise"},
      {"mapped-output", false,
       [](RunOptions& o, const std::string&, std::string&) { return setFlag(&RunOptions::mappedOutput, o); },
       "--mapped-output        also write the working formula with its literal map to the -o name,\n"
       "                         or <name>_out.qdimacs"},
      {"time-limit", true,
       [](RunOptions& o, const std::string& v, std::string& err) {
         if (parseAmount(v, MOST_SECONDS, o.timeLimit)) return true;
         err = "--time-limit takes seconds, such as 5 or 0.5, not '" + v + "'";
         return false;
       },
       "--time-limit=S         stop preprocessing after S seconds (wall time), keep what was found and write it"},
      {"effort", true,
       [](RunOptions& o, const std::string& v, std::string& err) {
         if (parseAmount(v, MOST_EFFORT, o.effort)) return true;
         err = "--effort takes millions of work units, such as 800 or 0.5, not '" + v + "'";
         return false;
       },
       "--effort=N             stop preprocessing after N million units of work: the same N gives the same\n"
       "                         output on any machine"},
      flagOption("strong", &RunOptions::strong,
                 "--strong               also subsumption, strengthening, pure literals, blocked clauses, variable\n"
                 "                         elimination, universal expansion and bounded SAT calls; writes the\n"
                 "                         working formula"),
      flagOption("no-subsume", &RunOptions::noSubsume, "--no-subsume           with --strong: no subsumption"),
      flagOption("no-strengthen", &RunOptions::noStrengthen, "--no-strengthen        with --strong: no strengthening"),
      flagOption("no-pure", &RunOptions::noPure, "--no-pure              with --strong: no pure literals"),
      flagOption("no-bce", &RunOptions::noBlocked, "--no-bce               with --strong: no blocked clause elimination"),
      flagOption("no-ve", &RunOptions::noElim, "--no-ve                with --strong: no variable elimination"),
      flagOption("no-expand", &RunOptions::noExpand, "--no-expand            with --strong: no universal expansion"),
      flagOption("no-decide", &RunOptions::noDecide, "--no-decide            with --strong: no SAT calls at the fixed point"),
  };
  return options;
}

const LongOption* findLongOption(const std::string& name) {
  for (const LongOption& o : longOptions())
    if (name == o.name) return &o;
  return nullptr;
}

}  // namespace

ParseOutcome parseCommandLine(int argc, char** argv, RunOptions& opt, std::string& error) {
  if (argc < 2) return ParseOutcome::USAGE;
  bool optionsEnded = false;
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i];
    if (optionsEnded) {
      opt.input = arg;
    } else if (std::strcmp(arg, "--") == 0) {
      optionsEnded = true;
    } else if (std::strncmp(arg, "--", 2) == 0) {
      const char* eq = std::strchr(arg, '=');
      const std::string name = eq != nullptr ? std::string(arg + 2, eq) : std::string(arg + 2);
      const LongOption* o = findLongOption(name);
      if (o == nullptr) {
        error = "unknown option '" + std::string(arg) + "'";
        return ParseOutcome::BAD_OPTION;
      }
      if (name == "help") return ParseOutcome::HELP;
      if (name == "version") return ParseOutcome::VERSION;
      std::string value;
      if (o->takesValue) {
        if (eq != nullptr) {
          value = eq + 1;
        } else if (i + 1 < argc) {
          value = argv[++i];
        } else {
          error = "option '--" + name + "' needs a value";
          return ParseOutcome::BAD_OPTION;
        }
      } else if (eq != nullptr) {
        error = "option '--" + name + "' takes no value";
        return ParseOutcome::BAD_OPTION;
      }
      if (!o->apply(opt, value, error)) return ParseOutcome::BAD_OPTION;
    } else if (std::strcmp(arg, "-h") == 0) {
      return ParseOutcome::HELP;
    } else if (arg[0] == '-' && arg[1] == 'v') {
      if (i + 1 >= argc || !parseLevel(argv[i + 1], opt.verbosity)) return ParseOutcome::USAGE;
      i++;
    } else if (arg[0] == '-' && arg[1] == 'o') {
      if (i + 1 >= argc) return ParseOutcome::USAGE;
      opt.mappedPath = argv[++i];
      opt.mappedPathGiven = true;
    } else {
      opt.input = arg;
    }
  }
  if (opt.strong && opt.mappedOutput) {
    // The strong mode's formula has no literal map back to the input.
    error = "--mapped-output does not go with --strong";
    return ParseOutcome::BAD_OPTION;
  }
  return ParseOutcome::RUN;
}

void printUsage(FILE* to) {
  std::fprintf(to, "QBF Preprocessor. qshrink: equivalence reduction and hyper-binary resolution for QDIMACS. \n");
  std::fprintf(to, "Usage: qshrink [input qdimacs filename] \n");
  std::fprintf(to, "       -> output is written to new file \n");
}

void printHelp(FILE* to) {
  std::fprintf(to,
               "qshrink: equivalence reduction and hyper-binary resolution for QBF in QDIMACS.\n"
               "Usage: qshrink [options] input-file\n"
               "  input-file             a QDIMACS formula, plain, gzip or xz; \"-\" reads standard input\n"
               "  -v LEVEL               verbosity 0..3; 1 and above print progress on standard error\n"
               "  -o NAME                the file name of --mapped-output\n");
  for (const LongOption& o : longOptions()) std::fprintf(to, "  %s\n", o.help);
  std::fprintf(to,
               "Without --output the formula goes to <name>_outOrig.qdimacs in the current folder, where <name> is\n"
               "the input's file name without its last '.' and what follows (\"stdin\" for standard input).\n");
}

const char* versionText() { return "qshrink " QSHRINK_VERSION; }
