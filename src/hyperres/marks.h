// Mark tables: one stamp per literal or clause, and the number of the mark
// issued last. An entry is marked with a number by storing that number;
// issuing a new number unmarks every entry at once. When the numbers wrap,
// the stamps are cleared, so that no old stamp matches a new number.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "store/store.h"

// The stamp of an entry: the entry itself, or its `stamp` field for a record
// that carries other fields beside it.
inline uint32_t& stampOf(uint32_t& entry) { return entry; }
template <class Record>
uint32_t& stampOf(Record& entry) {
  return entry.stamp;
}

template <class Entry = uint32_t>
class MarkTable {
 public:
  // Zeroed entries, no mark issued (last() is 0).
  void allocate(size_t n, const char* failMsg) {
    release();
    entries_ = qnew<Entry>(n, failMsg);
    size_ = n;
  }
  // Releasing twice is harmless.
  void release() {
    qrelease(entries_);
    size_ = 0;
    last_ = 0;
  }
  bool allocated() const { return entries_ != nullptr; }

  // Issues the next number and returns it.
  // Before: any. After: no entry carries the returned number.
  uint32_t next() {
    if (++last_ == 0) {
      for (size_t i = 0; i < size_; i++) stampOf(entries_[i]) = 0;
      last_ = 1;
    }
    return last_;
  }
  // The number issued last (0 none since allocate()).
  uint32_t last() const { return last_; }
  // Makes `number` the number issued last, as if the numbers had run up to
  // it (the tests reach the wrap this way).
  void skipTo(uint32_t number) { last_ = number; }

  // Entry i (with its stamp).
  Entry& operator[](size_t i) {
    assert(i < size_);
    return entries_[i];
  }
  const Entry& operator[](size_t i) const {
    assert(i < size_);
    return entries_[i];
  }

 private:
  Entry* entries_ = nullptr;
  size_t size_ = 0;
  uint32_t last_ = 0;
};
