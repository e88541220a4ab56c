// Test harness: temporary directories, files, and runs of the qshrink binary.
#include "support/harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

std::string makeTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/qshrink-test-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return buf.data();
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary);
  f << content;
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return "";
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool fileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> listDir(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

RunResult runProgram(const std::vector<std::string>& argv, const std::string& dir, int timeoutSeconds) {
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  RunResult r;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  char buf[65536];
  while (open > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      r.timedOut = true;
      break;
    }
    int n = poll(fds, 2, int(std::min<long long>(left.count(), 1000)));
    if (n <= 0) continue;
    for (int k = 0; k < 2; k++) {
      if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t got = read(fds[k].fd, buf, sizeof buf);
      if (got <= 0) {
        close(fds[k].fd);
        fds[k].fd = -1;
        open--;
      } else {
        (k == 0 ? r.out : r.err).append(buf, size_t(got));
      }
    }
  }
  for (auto& p : fds)
    if (p.fd >= 0) close(p.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
  else if (WIFSIGNALED(status)) r.status = 128 + WTERMSIG(status);
  return r;
}

RunResult runQshrink(const std::vector<std::string>& args, const std::string& dir, int timeoutSeconds) {
  std::vector<std::string> argv = {QSHRINK_BIN};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv, dir, timeoutSeconds);
}

RunResult runOnText(const std::string& qdimacs, const std::string& dir, const std::string& name) {
  writeFile(dir + "/" + name, qdimacs);
  return runQshrink({name}, dir);
}

std::string runDigest(int status, const std::string& out, const std::string& dir) {
  static const std::regex summary(R"((^|\n)[0-9]+\.[0-9]{3} (UNSAT|UNKNOWN|SAT) )");
  static const std::regex record(R"(,[0-9]+\.[0-9]{3}\n)");
  std::string d = "status " + std::to_string(status) + "\n== stdout\n" + out;
  for (const std::string& name : listDir(dir)) d += "== " + name + "\n" + readFile(dir + "/" + name);
  return std::regex_replace(std::regex_replace(d, summary, "$1T $2 "), record, ",T\n");
}

std::string sharedDir() { return QSHRINK_SHARED_DIR; }
std::string examplesDir() { return QSHRINK_EXAMPLES_DIR; }
std::string testsDir() { return QSHRINK_TESTS_DIR; }

long envNumber(const char* name, long fallback) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return fallback;
  char* end = nullptr;
  long n = std::strtol(v, &end, 10);
  return (*end == '\0' && n > 0) ? n : fallback;
}
