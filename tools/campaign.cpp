// Soundness campaign: runs the qshrink binary on N generated formulas, spread
// over every family of the generator, and checks each run against two
// oracles: the brute-force evaluator decides the input, depqbf must agree on
// the input, and both must agree with what qshrink reports or writes.
//
//   qshrink_campaign --binary PATH [--count N] [--seed S] [--jobs J] [--args "OPTIONS"]
//                    [--strong-switches]
//
// --args puts OPTIONS (separated by blanks) before the file name of every
// run; --strong-switches runs --strong with one of the 128 combinations of its
// --no-... switches per formula, all of them in turn.
//
// Prints a line per wrong formula (family, seed, what is wrong: replay it
// with gen::generate(family, seed)) and ends with "N formulas, K wrong".
// Exit status 0 when K is 0.
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/generator.h"
#include "support/harness.h"
#include "support/qbf.h"
#include "support/verdict.h"

namespace {

struct Tally {
  std::mutex mu;
  long formulas = 0, wrong = 0, trueInputs = 0, unsat = 0, rejected = 0, written = 0;
  long depqbfUnknown = 0;  // depqbf gave no answer in time; the evaluator's checks still ran
};

// Checks one formula; returns "" or what is wrong.
std::string checkOne(const std::string& binary, const std::vector<std::string>& args, const std::string& dir,
                     gen::Family family, uint64_t seed, bool depqbf, Tally& tally, Judgement::Kind& kind,
                     bool& expected) {
  const std::string text = gen::generate(family, seed);
  qbf::Formula in;
  std::string error;
  if (!qbf::parse(text, in, &error)) return "the generated text does not parse: " + error;
  expected = qbf::evaluate(in);
  const std::string input = dir + "/f.qdimacs", output = dir + "/f_outOrig.qdimacs";
  writeFile(input, text);
  std::remove(output.c_str());
  if (depqbf) {
    std::string detail;
    const qbf::Verdict v = qbf::runDepqbf(input, 10, &detail);
    if (v == qbf::Verdict::Unknown) {
      std::lock_guard<std::mutex> lock(tally.mu);
      tally.depqbfUnknown++;
    } else if ((v == qbf::Verdict::True) != expected) {
      return std::string("the oracles disagree on the input: evaluator ") + (expected ? "true" : "false") +
             ", depqbf " + qbf::verdictName(v);
    }
  }
  std::vector<std::string> argv = {binary};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back("f.qdimacs");
  const RunResult r = runProgram(argv, dir, 10);
  const Judgement j = judgeRun(r, in, expected, dir, output);
  kind = j.kind;
  if (!j.problem.empty()) return j.problem;
  if (depqbf && j.kind == Judgement::Written) {
    std::string detail;
    const qbf::Verdict v = qbf::runDepqbf(output, 10, &detail);
    if (v == qbf::Verdict::Unknown) {
      std::lock_guard<std::mutex> lock(tally.mu);
      tally.depqbfUnknown++;
    } else if ((v == qbf::Verdict::True) != expected) {
      return std::string("depqbf finds the output ") + qbf::verdictName(v) + ", the input is " +
             (expected ? "true" : "false");
    }
  }
  return "";
}

// The options of formula k: `args`, and under --strong-switches --strong
// with the switch combination k cycles through.
std::vector<std::string> optionsFor(long k, const std::vector<std::string>& args, bool strongSwitches) {
  std::vector<std::string> options = args;
  if (!strongSwitches) return options;
  const std::vector<std::string> strong = strongSwitchOptions(k);
  options.insert(options.end(), strong.begin(), strong.end());
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  std::string binary;
  long count = 1000, seed = 1;
  int jobs = 2;
  std::vector<std::string> args;
  bool strongSwitches = false;
  for (int i = 1; i < argc; i++) {
    if (!std::strcmp(argv[i], "--strong-switches")) {
      strongSwitches = true;
      continue;
    }
    if (i + 1 >= argc) break;
    if (!std::strcmp(argv[i], "--binary")) binary = argv[i + 1];
    else if (!std::strcmp(argv[i], "--count")) count = std::atol(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--seed")) seed = std::atol(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--jobs")) jobs = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--args"))
      for (std::istringstream words(argv[i + 1]); words.good();) {
        std::string w;
        if (words >> w) args.push_back(w);
      }
    i++;
  }
  if (binary.empty() || count <= 0 || jobs <= 0) {
    std::fprintf(stderr, "usage: %s --binary PATH [--count N] [--seed S] [--jobs J] [--args OPTIONS] [--strong-switches]\n",
                 argv[0]);
    return 2;
  }
  const bool depqbf = qbf::depqbfAvailable();
  if (!depqbf) std::fprintf(stderr, "warning: %s; the evaluator is the only oracle\n", qbf::depqbfMissingMessage());
  const std::vector<gen::Family>& families = gen::allFamilies();
  const std::string root = makeTempDir();
  Tally tally;
  std::atomic<long> next{0};
  auto worker = [&](int id) {
    const std::string dir = root + "/w" + std::to_string(id);
    mkdir(dir.c_str(), 0700);
    for (long k; (k = next++) < count;) {
      // Formula k is seed (seed + k / families) of family (k % families).
      const gen::Family family = families[size_t(k) % families.size()];
      const uint64_t s = uint64_t(seed + k / long(families.size()));
      Judgement::Kind kind = Judgement::Failed;
      bool expected = false;
      const std::string problem =
          checkOne(binary, optionsFor(k, args, strongSwitches), dir, family, s, depqbf, tally, kind, expected);
      std::lock_guard<std::mutex> lock(tally.mu);
      tally.formulas++;
      tally.trueInputs += expected;
      if (!problem.empty()) {
        tally.wrong++;
        std::printf("WRONG %s seed %llu: %s\n", gen::familyName(family), static_cast<unsigned long long>(s),
                    problem.c_str());
      } else {
        (kind == Judgement::Unsat ? tally.unsat : kind == Judgement::Rejected ? tally.rejected : tally.written)++;
      }
      if (tally.formulas % 10000 == 0)
        std::fprintf(stderr, "%ld formulas, %ld wrong so far\n", tally.formulas, tally.wrong);
    }
  };
  std::vector<std::thread> threads;
  for (int id = 0; id < jobs; id++) threads.emplace_back(worker, id);
  for (std::thread& t : threads) t.join();
  std::printf("%ld true, %ld reported UNSAT, %ld stopped while reading, %ld written; depqbf undecided on %ld files\n",
              tally.trueInputs, tally.unsat, tally.rejected, tally.written, tally.depqbfUnknown);
  std::printf("%ld formulas, %ld wrong\n", tally.formulas, tally.wrong);
  return tally.wrong == 0 ? 0 : 1;
}
