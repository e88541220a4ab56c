// Byte sources of the reader.
//
// A file (or standard input) is read with read(2) straight into the
// reader's window. Its first bytes decide whether it is decompressed:
// gzip starts with 1f 8b, xz with fd '7zXZ' 00. Those bytes are peeked, not
// sought back to, so that a pipe works as well as a file; the decompressor
// then reads them first. A gzip file may hold several members one after
// another (as `cat a.gz b.gz` makes), and is read through all of them.
#include "input/source.h"

#include <fcntl.h>
#include <lzma.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr size_t PEEK_BYTES = 6;               // enough for either magic number
constexpr size_t COMPRESSED_CHUNK = 1 << 16;   // compressed bytes read at a time

// A file descriptor, with the first bytes peeked and given back.
class FileSource : public ByteSource {
 public:
  FileSource(int fd, bool owned) : fd_(fd), owned_(owned) {}
  ~FileSource() override {
    if (owned_) close(fd_);
  }
  // The first up to PEEK_BYTES bytes, which later reads still return.
  std::string peek() {
    while (peeked_.size() < PEEK_BYTES && !atEnd_) {
      unsigned char buf[PEEK_BYTES];
      size_t n = readFd(buf, PEEK_BYTES - peeked_.size());
      peeked_.append(reinterpret_cast<char*>(buf), n);
    }
    return peeked_;
  }
  size_t read(unsigned char* buf, size_t n) override {
    if (given_ < peeked_.size()) {
      size_t k = std::min(n, peeked_.size() - given_);
      std::memcpy(buf, peeked_.data() + given_, k);
      given_ += k;
      return k;
    }
    return readFd(buf, n);
  }

 private:
  size_t readFd(unsigned char* buf, size_t n) {
    while (!atEnd_) {
      ssize_t got = ::read(fd_, buf, n);
      if (got > 0) return size_t(got);
      if (got < 0 && errno == EINTR) continue;
      atEnd_ = true;
      if (got < 0) fail(std::strerror(errno));
    }
    return 0;
  }
  int fd_;
  bool owned_;
  bool atEnd_ = false;
  std::string peeked_;
  size_t given_ = 0;
};

// gzip data from another source, member after member.
class GzipSource : public ByteSource {
 public:
  explicit GzipSource(std::unique_ptr<ByteSource> raw) : raw_(std::move(raw)), in_(COMPRESSED_CHUNK) {
    std::memset(&z_, 0, sizeof z_);
    if (inflateInit2(&z_, 16 + MAX_WBITS) != Z_OK) fail("cannot start the gzip decompressor");
  }
  ~GzipSource() override { inflateEnd(&z_); }
  bool compressed() const override { return true; }
  size_t read(unsigned char* buf, size_t n) override {
    if (failed() || done_) return 0;
    z_.next_out = buf;
    z_.avail_out = unsigned(n);
    while (z_.avail_out == n) {
      if (z_.avail_in == 0 && !fill()) {
        if (memberOpen_) fail("damaged gzip data: the file ends inside compressed data");
        done_ = true;
        break;
      }
      memberOpen_ = true;
      int r = inflate(&z_, Z_NO_FLUSH);
      if (r == Z_STREAM_END) {
        // Another member may follow.
        memberOpen_ = false;
        inflateReset(&z_);
      } else if (r != Z_OK && r != Z_BUF_ERROR) {
        fail(std::string("damaged gzip data: ") + (z_.msg != nullptr ? z_.msg : "inflate failed"));
        return 0;
      }
    }
    return n - z_.avail_out;
  }

 private:
  bool fill() {
    size_t got = raw_->read(in_.data(), in_.size());
    if (raw_->failed()) fail(raw_->failure());
    z_.next_in = in_.data();
    z_.avail_in = unsigned(got);
    return got > 0;
  }
  std::unique_ptr<ByteSource> raw_;
  std::vector<unsigned char> in_;
  z_stream z_;
  bool memberOpen_ = false;
  bool done_ = false;
};

// xz data from another source (liblzma's stream decoder, which also reads
// concatenated streams).
class XzSource : public ByteSource {
 public:
  explicit XzSource(std::unique_ptr<ByteSource> raw) : raw_(std::move(raw)), in_(COMPRESSED_CHUNK) {
    if (lzma_stream_decoder(&z_, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) fail("cannot start the xz decompressor");
  }
  ~XzSource() override { lzma_end(&z_); }
  bool compressed() const override { return true; }
  size_t read(unsigned char* buf, size_t n) override {
    if (failed() || done_) return 0;
    z_.next_out = buf;
    z_.avail_out = n;
    while (z_.avail_out == n && !done_) {
      lzma_action action = LZMA_RUN;
      if (z_.avail_in == 0) {
        size_t got = raw_->read(in_.data(), in_.size());
        if (raw_->failed()) fail(raw_->failure());
        z_.next_in = in_.data();
        z_.avail_in = got;
        if (got == 0) action = LZMA_FINISH;
      }
      lzma_ret r = lzma_code(&z_, action);
      if (r == LZMA_STREAM_END) {
        done_ = true;
      } else if (r != LZMA_OK) {
        fail(r == LZMA_BUF_ERROR ? "damaged xz data: the file ends inside compressed data" : "damaged xz data");
        return 0;
      }
    }
    return n - z_.avail_out;
  }

 private:
  std::unique_ptr<ByteSource> raw_;
  std::vector<unsigned char> in_;
  lzma_stream z_ = LZMA_STREAM_INIT;
  bool done_ = false;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const char* data, size_t size) : data_(data), size_(size) {}
  size_t sizeHint() const override { return size_; }
  size_t read(unsigned char* buf, size_t n) override {
    size_t k = std::min(n, size_ - at_);
    std::memcpy(buf, data_ + at_, k);
    at_ += k;
    return k;
  }

 private:
  const char* data_;
  size_t size_;
  size_t at_ = 0;
};

bool startsWith(const std::string& bytes, const char* magic, size_t n) {
  return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

}  // namespace

std::unique_ptr<ByteSource> openSource(const std::string& path, std::string& why) {
  int fd = 0;
  if (path != "-") {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      why = std::strerror(errno);
      return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      close(fd);
      why = "is a directory";
      return nullptr;
    }
  }
  auto file = std::make_unique<FileSource>(fd, path != "-");
  const std::string head = file->peek();
  if (startsWith(head, "\x1f\x8b", 2)) return std::make_unique<GzipSource>(std::move(file));
  if (startsWith(head, "\xfd" "7zXZ\0", 6)) return std::make_unique<XzSource>(std::move(file));
  return file;
}

std::unique_ptr<ByteSource> memorySource(const char* data, size_t size) {
  return std::make_unique<MemorySource>(data, size);
}

std::string withoutCompressionSuffix(const std::string& path) {
  for (const char* suffix : {".gz", ".xz"}) {
    size_t n = std::strlen(suffix);
    if (path.size() > n && path.compare(path.size() - n, n, suffix) == 0) return path.substr(0, path.size() - n);
  }
  return path;
}
