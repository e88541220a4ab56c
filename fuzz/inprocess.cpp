// In-process runs of qshrink for the fuzz targets.
#include "driver/reset.h"
#include "inprocess.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "store/panic.h"
#include "driver/run.h"
#include "store/store.h"

namespace fuzz {

namespace {

std::string slurp(const char* name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return "";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

void setUp() {
  char pattern[] = "/tmp/qshrink-fuzz-XXXXXX";
  if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0) std::abort();
  // qshrink reports on standard output; the fuzzer's own report goes to standard error.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  setPanicThrows(true);
}

int runOnText(const std::string& text) {
  std::remove("f_outOrig.qdimacs");
  std::remove("result1");
  // The summary file grows by one line a run; keep it from filling the disk.
  std::remove("preprocessor_b.dat");
  {
    std::ofstream out("f.qdimacs", std::ios::binary);
    out << text;
  }
  resetAllState();
  char prog[] = "qshrink", file[] = "f.qdimacs";
  char* argv[] = {prog, file, nullptr};
  int status;
  try {
    status = qshrinkMain(2, argv);
  } catch (const PanicStop& stop) {
    status = stop.status;
  }
  std::fflush(stdout);
  resetAllState();
  return status;
}

std::string outputText() { return slurp("f_outOrig.qdimacs"); }
std::string resultText() { return slurp("result1"); }

}  // namespace fuzz
