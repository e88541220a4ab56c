// Output files written under a temporary name and renamed into place.
#include "output/outfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "store/panic.h"

namespace {
int formulaDescriptor = -1;  // where STANDARD_OUTPUT_PATH writes (-1: descriptor 1)
}  // namespace

void setFormulaDescriptor(int fd) { formulaDescriptor = fd; }

std::string outputNameFor(const std::string& base, const char* suffix) {
  size_t dot = base.rfind('.');
  return (dot == std::string::npos ? base : base.substr(0, dot)) + suffix;
}

bool protectedPath(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;  // nothing there (or a dangling link, which rename replaces)
  return S_ISDIR(st.st_mode) || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

namespace {

// Whether something other than a regular file or a directory stands at
// `path` (a device such as /dev/null, a pipe): it is written to directly,
// never replaced by a rename.
bool specialPath(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

// Takes the descriptor fd (-1 on failure) as the file's stream, written in
// place.
bool writeInPlace(OutputFile& out, int fd) {
  out.tempPath.clear();
  out.file = fd < 0 ? nullptr : fdopen(fd, "w");
  if (out.file == nullptr && fd >= 0) close(fd);
  return out.file != nullptr;
}

}  // namespace

bool createOutput(OutputFile& out, const std::string& path) {
  out.path = path;
  if (path == STANDARD_OUTPUT_PATH) return writeInPlace(out, dup(formulaDescriptor >= 0 ? formulaDescriptor : STDOUT_FILENO));
  if (specialPath(path)) return writeInPlace(out, open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (protectedPath(path)) return false;
  // A short hidden name beside the output, so that an output name of any
  // length the file system allows still has a temporary name that fits.
  size_t slash = path.rfind('/');
  out.tempPath = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".qshrink-XXXXXX";
  std::vector<char> name(out.tempPath.begin(), out.tempPath.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return false;
  out.tempPath = name.data();
  setPendingOutput(out.tempPath);
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  out.file = fdopen(fd, "w");
  setPendingOutput(out.tempPath, out.file);
  if (out.file == nullptr) {
    close(fd);
    unlink(out.tempPath.c_str());
    setPendingOutput("");
    return false;
  }
  return true;
}

bool commitOutput(OutputFile& out, bool& writeFailed) {
  bool ok = std::fflush(out.file) == 0 && !std::ferror(out.file);
  ok = (std::fclose(out.file) == 0) && ok;
  out.file = nullptr;
  writeFailed = !ok;
  if (out.tempPath.empty()) return ok;  // standard output: nothing to rename
  // The name itself cannot be taken: a directory stands there, say, or a
  // file the user has protected.
  if (ok && (protectedPath(out.path) || std::rename(out.tempPath.c_str(), out.path.c_str()) != 0)) ok = false;
  if (!ok) unlink(out.tempPath.c_str());
  setPendingOutput("");
  return ok;
}

bool openOutput(OutputFile& out, const std::string& path) {
  if (createOutput(out, path)) return true;
  std::printf("ERROR: Failed to open %s.\n", path.c_str());
  return false;
}

bool closeOutput(OutputFile& out) {
  bool writeFailed = false;
  if (commitOutput(out, writeFailed)) return true;
  std::printf("ERROR: Failed to %s %s.\n", writeFailed ? "write" : "open", out.path.c_str());
  return false;
}
