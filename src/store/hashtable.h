// An open-addressing hash table from keys to non-negative values, with
// linear probing and at most half of its slots full.
//
// A key may be entered with several values (a multimap): all pairs of one
// key lie in the run of full slots that starts at the key's home slot, so a
// scan of that run finds every one. Erasing shifts later pairs of the run
// back instead of leaving tombstones, so runs stay as short as the load
// allows. The hash is Fibonacci hashing of the key: the top bits of the key
// times the golden ratio, which spreads consecutive literals and clause
// indices over the table.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

template <class Key>
class OpenTable {
 public:
  // An empty table with room for `expected` pairs before it grows.
  explicit OpenTable(size_t expected = 0) {
    if (expected > 0) resize(2 * expected);
  }

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  // Enters the pair (key, value); a pair already there is entered again.
  // Before: value >= 0.
  void insert(Key key, int32_t value) {
    assert(value >= 0);
    if (2 * (count_ + 1) > slots_.size()) resize(2 * slots_.size());
    size_t i = home(key);
    while (slots_[i].value >= 0) i = (i + 1) & mask_;
    slots_[i] = {key, value};
    count_++;
  }

  // The value of the first pair of key found, or -1 when there is none.
  int32_t find(Key key) const {
    if (count_ == 0) return -1;
    for (size_t i = home(key); slots_[i].value >= 0; i = (i + 1) & mask_)
      if (slots_[i].key == key) return slots_[i].value;
    return -1;
  }

  // Whether the pair (key, value) is entered.
  bool contains(Key key, int32_t value) const {
    if (count_ == 0) return false;
    for (size_t i = home(key); slots_[i].value >= 0; i = (i + 1) & mask_)
      if (slots_[i].key == key && slots_[i].value == value) return true;
    return false;
  }

  // Calls f(value) for every pair of key, in no particular order.
  template <class F>
  void forEach(Key key, F f) const {
    if (count_ == 0) return;
    for (size_t i = home(key); slots_[i].value >= 0; i = (i + 1) & mask_)
      if (slots_[i].key == key) f(slots_[i].value);
  }

  // Before: the pair (key, value) is entered. After: it is not (one copy).
  void erase(Key key, int32_t value) {
    size_t i = home(key);
    while (!(slots_[i].key == key && slots_[i].value == value)) {
      assert(slots_[i].value >= 0);
      i = (i + 1) & mask_;
    }
    for (size_t j = i;;) {
      j = (j + 1) & mask_;
      if (slots_[j].value < 0) break;
      const size_t h = home(slots_[j].key);
      // Move slots[j] into the hole at i unless its home lies cyclically in (i, j].
      const bool between = i <= j ? (h > i && h <= j) : (h > i || h <= j);
      if (!between) {
        slots_[i] = slots_[j];
        i = j;
      }
    }
    slots_[i].value = EMPTY;
    count_--;
  }

  // Erases every pair; the table keeps its size.
  void clear() {
    if (count_ == 0) return;
    for (Slot& s : slots_) s.value = EMPTY;
    count_ = 0;
  }

 private:
  static constexpr int32_t EMPTY = -1;
  struct Slot {
    Key key;
    int32_t value;  // EMPTY in a free slot
  };

  size_t home(Key key) const { return size_t((uint64_t(key) * 0x9E3779B97F4A7C15ull) >> shift_); }

  // Rehashes into at least `atLeast` slots (a power of two, 16 or more).
  void resize(size_t atLeast) {
    size_t cap = 16;
    int bits = 4;
    while (cap < atLeast) {
      cap *= 2;
      bits++;
    }
    std::vector<Slot> old(cap, Slot{Key(), EMPTY});
    old.swap(slots_);
    mask_ = cap - 1;
    shift_ = 64 - bits;
    count_ = 0;
    for (const Slot& s : old)
      if (s.value >= 0) insert(s.key, s.value);
  }

  std::vector<Slot> slots_;
  size_t count_ = 0;
  size_t mask_ = 0;
  int shift_ = 64;
};
