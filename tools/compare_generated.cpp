// Compares two qshrink binaries on generated formulas: standard output,
// exit status and every file each run leaves in its directory, byte for
// byte, with the CPU seconds of the summary line and of the record masked.
//
//   qshrink_compare_generated --old PATH --new PATH [--count N] [--seed S] [--jobs J]
//
// Formula k is seed (S + k / families) of family (k % families), as in the
// soundness campaign, so N formulas cover every family evenly. Prints each
// differing formula (family and seed: gen::generate(family, seed) gives it
// back) and ends with "compared N, differing D"; exit status 0 when D is 0.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/generator.h"
#include "support/harness.h"

namespace {

// Everything a run of `binary` on `text` shows, in a fresh directory `dir`.
std::string digest(const std::string& binary, const std::string& dir, const std::string& text) {
  for (const std::string& name : listDir(dir)) std::remove((dir + "/" + name).c_str());
  writeFile(dir + "/f.qdimacs", text);
  const RunResult r = runProgram({binary, "f.qdimacs"}, dir, 60);
  return (r.timedOut ? "timed out\n" : "") + runDigest(r.status, r.out, dir);
}

}  // namespace

int main(int argc, char** argv) {
  std::string oldBin, newBin;
  long count = 1000, seed = 1;
  int jobs = 2;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--old")) oldBin = argv[i + 1];
    else if (!std::strcmp(argv[i], "--new")) newBin = argv[i + 1];
    else if (!std::strcmp(argv[i], "--count")) count = std::atol(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--seed")) seed = std::atol(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--jobs")) jobs = std::atoi(argv[i + 1]);
  }
  if (oldBin.empty() || newBin.empty() || count <= 0 || jobs <= 0) {
    std::fprintf(stderr, "usage: %s --old PATH --new PATH [--count N] [--seed S] [--jobs J]\n", argv[0]);
    return 2;
  }
  const std::vector<gen::Family>& families = gen::allFamilies();
  const std::string root = makeTempDir();
  std::mutex mu;
  long compared = 0, differing = 0;
  std::atomic<long> next{0};
  auto worker = [&](int id) {
    const std::string oldDir = root + "/o" + std::to_string(id), newDir = root + "/n" + std::to_string(id);
    mkdir(oldDir.c_str(), 0700);
    mkdir(newDir.c_str(), 0700);
    for (long k; (k = next++) < count;) {
      const gen::Family family = families[size_t(k) % families.size()];
      const uint64_t s = uint64_t(seed + k / long(families.size()));
      const std::string text = gen::generate(family, s);
      const bool same = digest(oldBin, oldDir, text) == digest(newBin, newDir, text);
      std::lock_guard<std::mutex> lock(mu);
      compared++;
      if (!same) {
        differing++;
        std::printf("DIFF %s seed %llu\n", gen::familyName(family), static_cast<unsigned long long>(s));
      }
    }
    for (const std::string& dir : {oldDir, newDir}) {
      for (const std::string& name : listDir(dir)) std::remove((dir + "/" + name).c_str());
      rmdir(dir.c_str());
    }
  };
  std::vector<std::thread> threads;
  for (int id = 0; id < jobs; id++) threads.emplace_back(worker, id);
  for (std::thread& t : threads) t.join();
  rmdir(root.c_str());
  std::printf("compared %ld, differing %ld\n", compared, differing);
  return differing == 0 ? 0 : 1;
}
