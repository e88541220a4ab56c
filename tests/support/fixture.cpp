// In-process fixtures over the process-wide store.
#include "driver/reset.h"
#include "support/fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "input/readproblem.h"
#include "store/build.h"
#include "store/store.h"
#include "support/harness.h"

namespace {

// One scratch directory for the whole test process, removed at its end.
struct ScratchDir {
  std::string path = makeTempDir();
  ~ScratchDir() {
    for (const std::string& name : listDir(path)) unlink((path + "/" + name).c_str());
    rmdir(path.c_str());
  }
};

const std::string& scratchDir() {
  static ScratchDir dir;
  return dir.path;
}

}  // namespace

bool readText(const std::string& qdimacs) {
  resetAllState();
  std::string path = scratchDir() + "/in.qdimacs";
  writeFile(path, qdimacs);
  CaptureStdout quiet;
  filename = path;
  return readProblem(path);
}

void buildText(const std::string& qdimacs) {
  readText(qdimacs);
  createStore();
  loadBinaryClauses();
}

int32_t lit(int32_t dimacs) { return litIndex(dimacs); }

std::vector<int32_t> implicationsOf(int32_t i) {
  const preLit& L = PRELITS[i];
  return std::vector<int32_t>(L.implications, L.implications + L.numImpl);
}

std::vector<int32_t> occurrencesOf(int32_t i) {
  const preLit& L = PRELITS[i];
  return std::vector<int32_t>(L.LitNcls, L.LitNcls + L.numNcls);
}

std::vector<int32_t> clauseLits(int32_t c) {
  const preNcls& C = PRENCLS[c];
  return std::vector<int32_t>(C.lits, C.lits + C.curLen);
}

CaptureStdout::CaptureStdout() {
  std::fflush(stdout);
  static int counter = 0;
  path_ = scratchDir() + "/stdout" + std::to_string(counter++);
  int fd = open(path_.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
  saved_ = dup(1);
  dup2(fd, 1);
  close(fd);
}

std::string CaptureStdout::text() {
  if (!done_) {
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
    done_ = true;
    text_ = readFile(path_);
    unlink(path_.c_str());
  }
  return text_;
}

CaptureStdout::~CaptureStdout() { text(); }

InDirectory::InDirectory(const std::string& dir) {
  char* previous = getcwd(nullptr, 0);
  if (previous == nullptr) return;
  previous_ = previous;
  std::free(previous);
  entered_ = chdir(dir.c_str()) == 0;
}

InDirectory::~InDirectory() {
  if (entered_ && chdir(previous_.c_str()) != 0) std::abort();
}
