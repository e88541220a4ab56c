// The classic invocation, `qshrink FILE`, on every shared and malformed
// formula gives what it always gave: standard output (the seconds masked),
// exit status, and every file left behind, byte for byte. What each run
// gave is kept as a digest in tests/golden/shared.tsv.
//
// A soak test: it runs the optimised binary over the whole shared set
// (minutes). QSHRINK_GOLDEN_WRITE=1 writes the table anew from the binary
// named by QSHRINK_GOLDEN_BIN (default: the optimised one), for a change
// that is meant to change the outputs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

#include "driver/e2e_check.h"
#include "support/harness.h"
#include "support/shared.h"
#include "support/verdict.h"

namespace {

std::string goldenPath() { return testsDir() + "/golden/shared.tsv"; }

std::string releaseBinary() {
  const char* named = std::getenv("QSHRINK_GOLDEN_BIN");
  return named != nullptr && *named != '\0' ? std::string(named) : optimisedBinary();
}

// 64-bit FNV-1a.
uint64_t fnv(const std::string& text, uint64_t h = 1469598103934665603ull) {
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  return h;
}

// The digest of one run of `binary` on `path` in the empty directory `dir`.
std::string digestOfRun(const std::string& binary, const std::string& path, const std::string& dir) {
  RunResult r = runProgram({binary, path}, dir, 300);
  if (r.timedOut) return "timeout";
  uint64_t h = fnv(std::to_string(r.status) + "\n" + maskTime(r.out));
  for (const std::string& name : listDir(dir)) {
    std::string content = readFile(dir + "/" + name);
    if (name == "preprocessor_b.dat") content = std::regex_replace(content, std::regex(",[0-9]+\\.[0-9]{3}\n"), ",T\n");
    h = fnv(name + "\n" + content + "\n", h);
    unlink((dir + "/" + name).c_str());
  }
  char hex[20];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return hex;
}

std::vector<std::string> sharedFiles() {
  std::vector<std::string> files;
  for (const char* sub : {"instances", "malformed"})
    for (const std::string& name : listDir(sharedDir() + "/" + sub))
      if (name.find(".tsv") == std::string::npos && name.find(".md") == std::string::npos)
        files.push_back(std::string(sub) + "/" + name);
  return files;
}

TEST(Golden, ClassicRunsGiveWhatTheyAlwaysGave) {
  REQUIRE_SHARED_OR_SKIP();
  const bool write = std::getenv("QSHRINK_GOLDEN_WRITE") != nullptr;
  std::map<std::string, std::string> golden;
  {
    std::ifstream in(goldenPath());
    for (std::string file, digest; in >> file >> digest;) golden[file] = digest;
  }
  ASSERT_TRUE(write || golden.size() > 300) << "no table at " << goldenPath();
  const std::vector<std::string> files = sharedFiles();
  const std::string binary = releaseBinary(), scratch = makeTempDir();
  std::map<std::string, std::string> found;
  std::mutex mu;
  std::atomic<size_t> next{0};
  auto worker = [&](int id) {
    const std::string dir = scratch + "/w" + std::to_string(id);
    mkdir(dir.c_str(), 0700);
    for (size_t i; (i = next++) < files.size();) {
      std::string digest = digestOfRun(binary, sharedDir() + "/" + files[i], dir);
      std::lock_guard<std::mutex> lock(mu);
      found[files[i]] = digest;
    }
    rmdir(dir.c_str());
  };
  std::thread a(worker, 0), b(worker, 1);
  a.join();
  b.join();
  rmdir(scratch.c_str());
  if (write) {
    std::ofstream out(goldenPath());
    for (const auto& [file, digest] : found) out << file << "\t" << digest << "\n";
    return;
  }
  int differing = 0;
  for (const auto& [file, digest] : found) {
    if (!golden.count(file)) continue;  // a file the table does not know
    EXPECT_EQ(digest, golden[file]) << file;
    differing += digest != golden[file];
  }
  std::printf("golden: %zu runs, %d differing\n", found.size(), differing);
}

}  // namespace
