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
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

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

RunResult runProgram(const std::vector<std::string>& argv, const std::string& dir, int timeoutSeconds,
                     const RunControl& control) {
  int outPipe[2], errPipe[2], inPipe[2] = {-1, -1};
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  if (control.feedInput && pipe(inPipe) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    if (control.feedInput) {
      dup2(inPipe[0], 0);
      close(inPipe[1]);
    } else {
      int devnull = open("/dev/null", O_RDONLY);
      if (devnull >= 0) dup2(devnull, 0);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  std::thread feeder;
  if (control.feedInput) {
    close(inPipe[0]);
    feeder = std::thread([fd = inPipe[1], &text = control.input] {
      signal(SIGPIPE, SIG_IGN);  // the program may stop reading early
      for (size_t done = 0; done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += size_t(n);
      }
      close(fd);
    });
  }
  RunResult r;
  const auto start = std::chrono::steady_clock::now();
  auto deadline = start + std::chrono::seconds(timeoutSeconds);
  bool signalled = control.signal == 0;
  auto signalAt = std::chrono::steady_clock::time_point::max();
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  char buf[65536];
  while (open > 0) {
    auto now = std::chrono::steady_clock::now();
    if (!signalled && signalAt == std::chrono::steady_clock::time_point::max() &&
        r.out.find(control.signalWhenOut) != std::string::npos)
      signalAt = now + std::chrono::microseconds(long(control.signalDelay * 1e6));
    if (!signalled && now >= signalAt) {
      kill(pid, control.signal);
      signalled = true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      r.timedOut = true;
      break;
    }
    long wait = std::min<long long>(left.count(), 1000);
    if (!signalled && signalAt != std::chrono::steady_clock::time_point::max())
      wait = std::max<long>(0, std::min<long>(wait, long(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                       signalAt - now).count())));
    int n = poll(fds, 2, int(wait));
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
  if (feeder.joinable()) feeder.join();
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


std::string sharedDir() {
  const char* named = std::getenv("QSHRINK_SHARED");
  return named != nullptr && *named != '\0' ? named : QSHRINK_SHARED_DIR;
}

bool sharedAvailable() {
  struct stat st;
  return stat((sharedDir() + "/instances").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool soakRun() {
  const char* v = std::getenv("QSHRINK_SOAK");
  return v != nullptr && std::string(v) == "1";
}

bool sharedRequired() {
  const char* v = std::getenv("QSHRINK_REQUIRE_SHARED");
  return v != nullptr && std::string(v) == "1";
}
std::string examplesDir() { return QSHRINK_EXAMPLES_DIR; }
std::string testsDir() { return QSHRINK_TESTS_DIR; }

long envNumber(const char* name, long fallback) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return fallback;
  char* end = nullptr;
  long n = std::strtol(v, &end, 10);
  return (*end == '\0' && n > 0) ? n : fallback;
}

std::vector<std::string> strongSwitchOptions(long k) {
  static const char* const kSwitches[] = {"--no-subsume", "--no-strengthen", "--no-pure", "--no-bce",
                                          "--no-ve",      "--no-expand",     "--no-decide"};
  static_assert(1L << std::size(kSwitches) == kStrongCombinations, "one bit a switch");
  std::vector<std::string> options = {"--strong"};
  for (size_t bit = 0; bit < std::size(kSwitches); bit++)
    if ((k % kStrongCombinations) & (1L << bit)) options.push_back(kSwitches[bit]);
  return options;
}
