// Output files written under a temporary name and renamed into place.
#include "output/outfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "driver/panic.h"

std::string outputNameFor(const std::string& base, const char* suffix) {
  size_t dot = base.rfind('.');
  return (dot == std::string::npos ? base : base.substr(0, dot)) + suffix;
}

bool openOutput(OutputFile& out, const std::string& path) {
  out.path = path;
  // A short hidden name beside the output, so that an output name of any
  // length the file system allows still has a temporary name that fits.
  size_t slash = path.rfind('/');
  out.tempPath = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".qshrink-XXXXXX";
  std::vector<char> name(out.tempPath.begin(), out.tempPath.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) {
    std::printf("ERROR: Failed to open %s.\n", path.c_str());
    return false;
  }
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
    std::printf("ERROR: Failed to open %s.\n", path.c_str());
    return false;
  }
  return true;
}

bool closeOutput(OutputFile& out) {
  bool ok = std::fflush(out.file) == 0 && !std::ferror(out.file);
  ok = (std::fclose(out.file) == 0) && ok;
  out.file = nullptr;
  if (!ok) {
    unlink(out.tempPath.c_str());
    std::printf("ERROR: Failed to write %s.\n", out.path.c_str());
  } else if (std::rename(out.tempPath.c_str(), out.path.c_str()) != 0) {
    // The name itself cannot be created (a directory stands there, say).
    unlink(out.tempPath.c_str());
    std::printf("ERROR: Failed to open %s.\n", out.path.c_str());
    ok = false;
  }
  setPendingOutput("");
  return ok;
}
