// The files a run leaves, when things go wrong around it: a result file that
// cannot be written, a disk that is full, a file the user protected, and a
// run ended by a signal at any moment. No result may be lost silently, and
// nothing half-written or temporary may be left behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "driver/e2e_check.h"
#include "support/harness.h"

namespace {

const char* const kFalse = "p cnf 1 2\n1 0\n-1 0\n";
const char* const kTrue = "p cnf 3 2\ne 1 2 3 0\n1 2 3 0\n-1 2 0\n";

// Whether `dir` holds a temporary file of a run.
bool temporaryLeft(const std::string& dir) {
  for (const std::string& name : listDir(dir))
    if (name.rfind(".qshrink-", 0) == 0) return true;
  return false;
}

// Runs qshrink in `dir` on f.qdimacs after the shell command `setup` (such
// as a ulimit), started through `wrapper` (such as setpriv) if given.
RunResult runUnder(const std::string& setup, const std::string& wrapper, const std::string& dir,
                   const std::string& args = "f.qdimacs") {
  return runProgram({"sh", "-c", setup + " exec " + wrapper + " " + std::string(QSHRINK_BIN) + " " + args}, dir);
}

std::string lastLineOf(const std::string& out) {
  size_t end = out.size() > 0 && out.back() == '\n' ? out.size() - 1 : out.size();
  return out.substr(out.rfind('\n', end - 1) + 1);
}

TEST(ResultFiles, AResultFileThatIsADirectoryFailsTheRun) {
  Scratch s;
  writeFile(s.at("f.qdimacs"), kFalse);
  mkdir(s.at("result1").c_str(), 0755);
  RunResult r = runQshrink({"f.qdimacs"}, s.dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lastLineOf(r.out), "ERROR: Failed to write result1.\n");
  EXPECT_FALSE(temporaryLeft(s.dir));
}

// A full disk, as a file size limit of 0 makes it: every write fails.
TEST(ResultFiles, AFullDiskIsReportedAndKeepsTheOldFiles) {
  Scratch s;
  writeFile(s.at("f.qdimacs"), kFalse);
  writeFile(s.at("result1"), "UNKNOWN");
  RunResult r = runUnder("ulimit -f 0;", "", s.dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("ERROR: Failed to write result1.\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ERROR: Failed to write preprocessor_b.dat.\n"), std::string::npos) << r.out;
  EXPECT_EQ(readFile(s.at("result1")), "UNKNOWN");  // the previous word, whole
  EXPECT_FALSE(temporaryLeft(s.dir));

  // A formula that cannot be written fails the run before the result files.
  writeFile(s.at("f.qdimacs"), kTrue);
  r = runUnder("ulimit -f 0;", "", s.dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lastLineOf(r.out), "ERROR: Failed to write f_outOrig.qdimacs.\n");
  EXPECT_FALSE(fileExists(s.at("f_outOrig.qdimacs")));
  EXPECT_FALSE(temporaryLeft(s.dir));
}

// A file the user may not write stays as it is. Run as root, the check
// runs as an unprivileged user, since root may write any file.
TEST(ResultFiles, ProtectedFilesAreNotReplaced) {
  Scratch s;
  std::string prefix;
  if (geteuid() == 0) {
    if (!fileExists("/usr/bin/setpriv")) GTEST_SKIP() << "root, and no setpriv to run as another user";
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    chmod(s.dir.c_str(), 0777);
  }
  writeFile(s.at("f.qdimacs"), kTrue);
  writeFile(s.at("f_outOrig.qdimacs"), "mine\n");
  chmod(s.at("f_outOrig.qdimacs").c_str(), 0444);
  RunResult r = runUnder("", prefix, s.dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lastLineOf(r.out), "ERROR: Failed to open f_outOrig.qdimacs.\n");
  EXPECT_EQ(readFile(s.at("f_outOrig.qdimacs")), "mine\n");

  writeFile(s.at("result1"), "SAT");
  chmod(s.at("result1").c_str(), 0444);
  r = runUnder("", prefix, s.dir, "f.qdimacs --output=g.qdimacs");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lastLineOf(r.out), "ERROR: Failed to write result1.\n");
  EXPECT_EQ(readFile(s.at("result1")), "SAT");
  EXPECT_FALSE(temporaryLeft(s.dir));
}

// A formula large enough that reading, preprocessing and writing each take a
// while: disjoint clauses of three literals, which no reduction touches.
std::string largeFormula(int clauses) {
  std::string text = "p cnf " + std::to_string(3 * clauses) + " " + std::to_string(clauses) + "\n";
  for (int c = 0; c < clauses; c++)
    text += std::to_string(3 * c + 1) + " -" + std::to_string(3 * c + 2) + " " + std::to_string(3 * c + 3) + " 0\n";
  return text;
}

// Signals at points spread over a whole run: the run ends with 128 + the
// signal, or completes; either way there is no temporary file, and the
// output and result1 are complete or absent.
TEST(Interruption, ASignalAtAnyMomentLeavesNoPartialFile) {
  Scratch s;
  const std::string text = largeFormula(60000);
  writeFile(s.at("f.qdimacs"), text);
  const auto start = std::chrono::steady_clock::now();
  RunResult whole = runQshrink({"f.qdimacs"}, s.dir);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(whole.status, 0) << whole.out;
  const std::string expected = readFile(s.at("f_outOrig.qdimacs"));
  const int signals[] = {SIGTERM, SIGINT, SIGHUP, SIGXCPU};
  constexpr int kPoints = 8;
  int interrupted = 0;
  for (int k = 0; k < kPoints; k++) {
    unlink(s.at("f_outOrig.qdimacs").c_str());
    writeFile(s.at("result1"), "previous");
    RunControl c;
    c.signal = signals[k % 4];
    c.signalDelay = seconds * (k + 0.5) / kPoints;
    RunResult r = runProgram({QSHRINK_BIN, "f.qdimacs"}, s.dir, 120, c);
    SCOPED_TRACE("signal " + std::to_string(c.signal) + " after " + std::to_string(c.signalDelay) + " s");
    EXPECT_TRUE(r.status == 0 || r.status == 128 + c.signal) << r.status;
    interrupted += r.status != 0;
    EXPECT_FALSE(temporaryLeft(s.dir));
    if (fileExists(s.at("f_outOrig.qdimacs"))) {
      EXPECT_TRUE(readFile(s.at("f_outOrig.qdimacs")) == expected);
    }
    const std::string word = readFile(s.at("result1"));
    EXPECT_TRUE(word == "previous" || word == "UNKNOWN") << word;
  }
  EXPECT_GT(interrupted, kPoints / 2);
}

// Every line shows as soon as it is printed, also into a pipe: a run killed
// while it preprocesses has shown the reader's lines.
TEST(Interruption, LinesShowBeforeTheRunEnds) {
  Scratch s;
  writeFile(s.at("f.qdimacs"), largeFormula(60000));
  RunControl c;
  c.signal = SIGTERM;
  c.signalWhenOut = "c Num non-binary clauses";
  RunResult r = runProgram({QSHRINK_BIN, "f.qdimacs"}, s.dir, 120, c);
  EXPECT_NE(r.out.find("c Inital problem has 180000 variables"), std::string::npos) << r.out;
  // Had the lines waited in a buffer, the run would have ended before they showed.
  EXPECT_EQ(r.status, 128 + SIGTERM);
}

}  // namespace
