// One process, many formulas: after resetAllState() a run must show exactly
// what a fresh process of the binary shows, whatever the run before it did
// (finished, stopped with a contradiction, failed to read, ran out of
// memory). A table that the reset leaves behind shows up as a difference in
// the standard output, the output formula or the record of a later run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/reset.h"
#include "driver/run.h"
#include "store/panic.h"
#include "store/store.h"
#include "support/fixture.h"
#include "support/generator.h"
#include "support/harness.h"

namespace {

// One formula of the sequence: its text under a file name, or a missing file.
struct Input {
  std::string name;  // file name the run is given
  std::string text;  // its contents
  bool missing = false;
  int64_t failAt = -1;  // the allocation that fails in-process, -1 none
};

// The first line where two digests differ, with its number, for the report.
std::string firstDifference(const std::string& a, const std::string& b) {
  size_t line = 1, at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) line += a[at++] == '\n';
  const size_t from = a.rfind('\n', at == 0 ? 0 : at - 1);
  const size_t start = from == std::string::npos ? 0 : from + 1;
  auto lineOf = [start](const std::string& s) { return s.substr(start, s.find('\n', start) - start); };
  return "line " + std::to_string(line) + ": in process \"" + lineOf(a) + "\", fresh process \"" + lineOf(b) + "\"";
}

void emptyDir(const std::string& dir) {
  for (const std::string& name : listDir(dir)) std::remove((dir + "/" + name).c_str());
}

void place(const Input& in, const std::string& dir) {
  emptyDir(dir);
  if (!in.missing) writeFile(dir + "/" + in.name, in.text);
}

// Runs qshrink in this process on the input placed in dir, after a reset.
// Returns the exit status (1 when the run stopped in the fatal-error stop).
int runInProcess(const Input& in, const std::string& dir, std::string& out, int64_t& allocations) {
  InDirectory here(dir);
  EXPECT_TRUE(here.entered()) << dir;
  resetAllState();
  allocCount = 0;
  allocFailAt = in.failAt;
  int status;
  {
    CaptureStdout capture;
    std::string arg = in.name;
    char prog[] = "qshrink";
    char* argv[] = {prog, arg.data(), nullptr};
    try {
      status = qshrinkMain(2, argv);
    } catch (const PanicStop& stop) {
      status = stop.status;
    }
    out = capture.text();
  }
  allocFailAt = -1;
  allocations = allocCount;
  return status;
}

// Small shared formulas, spread over the folder by name, at most `count`.
std::vector<Input> sharedInputs(const std::string& folder, size_t count, off_t maxBytes) {
  std::vector<std::string> names;
  for (const std::string& name : listDir(folder)) {
    struct stat st;
    if (stat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= maxBytes)
      names.push_back(name);
  }
  std::vector<Input> inputs;
  const size_t stride = names.size() / count + 1;
  for (size_t k = 0; k < names.size(); k += stride) inputs.push_back({names[k], readFile(folder + "/" + names[k])});
  return inputs;
}

}  // namespace

TEST(Reset, EveryRunInOneProcessShowsWhatAFreshProcessShows) {
  std::vector<Input> inputs;
  const std::string shared = sharedDir();
  for (Input& in : sharedInputs(shared + "/instances", 14, 100000)) inputs.push_back(in);
  for (Input& in : sharedInputs(shared + "/malformed", 5, 100000)) inputs.push_back(in);
  if (inputs.empty()) GTEST_SKIP() << "no shared formulas at " << shared;
  for (gen::Family family : gen::allFamilies())
    for (uint64_t seed : {3, 11}) inputs.push_back({"g.qdimacs", gen::generate(family, seed)});
  inputs.push_back({"gone.qdimacs", "", true});
  // A run that runs out of memory half-way, and one that proves the formula
  // false, each followed by a run that must not notice.
  const std::string big = gen::generate(gen::Family::Mixed, 7);
  inputs.insert(inputs.begin() + 3, {"m.qdimacs", big, false, 0});
  inputs.insert(inputs.begin() + 4, {"m.qdimacs", big});
  inputs.insert(inputs.begin() + 8, {"u.qdimacs", "p cnf 2 3\ne 1 2 0\n1 2 0\n-1 0\n-2 0\n"});

  const std::string root = makeTempDir(), here = root + "/in", fresh = root + "/out";
  mkdir(here.c_str(), 0700);
  mkdir(fresh.c_str(), 0700);
  setPanicThrows(true);
  int compared = 0, stops = 0;
  for (Input& in : inputs) {
    if (in.failAt == 0) {
      // Fails the allocation half-way through the run.
      std::string out;
      int64_t allocations = 0;
      Input clean = in;
      clean.failAt = -1;
      place(clean, here);
      runInProcess(clean, here, out, allocations);
      in.failAt = allocations / 2;
    }
    place(in, here);
    std::string out;
    int64_t allocations = 0;
    const int status = runInProcess(in, here, out, allocations);
    if (in.failAt >= 0) {
      EXPECT_EQ(status, 1);
      EXPECT_NE(out.find("FATAL ERROR: Memory Allocation Failure #"), std::string::npos) << out;
      stops++;
      continue;
    }
    const std::string inProcess = runDigest(status, out, here);
    place(in, fresh);
    const RunResult r = runQshrink({in.name}, fresh, 120);
    ASSERT_FALSE(r.timedOut) << in.name;
    const std::string freshProcess = runDigest(r.status, r.out, fresh);
    EXPECT_TRUE(inProcess == freshProcess) << "run " << compared << ", " << in.name << ": "
                                           << firstDifference(inProcess, freshProcess);
    compared++;
  }
  setPanicThrows(false);
  resetAllState();
  emptyDir(here);
  emptyDir(fresh);
  rmdir(here.c_str());
  rmdir(fresh.c_str());
  rmdir(root.c_str());
  EXPECT_EQ(stops, 1);
  EXPECT_GE(compared, 40);
}
