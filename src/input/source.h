// Where the reader's bytes come from: a file or standard input, stored
// plainly or compressed with gzip or xz, or a block of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to n bytes into buf and returns how many; 0 means the end of
  // the input, or a failure when failed() says so.
  virtual size_t read(unsigned char* buf, size_t n) = 0;
  bool failed() const { return !failure_.empty(); }
  // Whether the bytes are decompressed from gzip or xz data.
  virtual bool compressed() const { return false; }
  // How many bytes the source holds, when it knows (SIZE_MAX when not).
  virtual size_t sizeHint() const { return SIZE_MAX; }
  // Why reading failed ("" while it has not).
  const std::string& failure() const { return failure_; }

 protected:
  void fail(const std::string& why) {
    if (failure_.empty()) failure_ = why;
  }

 private:
  std::string failure_;
};

// Opens `path` ("-" is standard input). Compressed input is recognised by
// its first bytes, not by its name, and decompressed on the fly. Returns
// null, with the reason in `why` ("No such file or directory", "is a
// directory", ...), when the input cannot be opened.
std::unique_ptr<ByteSource> openSource(const std::string& path, std::string& why);

// The bytes [data, data + size), which must outlive the source.
std::unique_ptr<ByteSource> memorySource(const char* data, size_t size);

// `path` without a compression suffix (".gz", ".xz") when it has one.
std::string withoutCompressionSuffix(const std::string& path);
