// Edits of the per-literal lists, with a side index for long lists.
#include "store/lists.h"

#include <cstring>
#include <memory>
#include <vector>

#include "store/store.h"
#include "store/watch.h"

// Value -> positions of a long list: a flat open-addressing table of
// (value, position) pairs with linear probing. Duplicates are possible in
// occurrence lists, so a value may have several pairs; they all lie in the
// run of full slots that starts at the value's home slot, so a scan of that
// run finds every one (the first and last occurrence are the smallest and
// largest position). Deletion shifts later pairs back instead of leaving
// tombstones, so runs stay as short as the load allows.
struct ListIndex {
  static constexpr uint64_t EMPTY = ~uint64_t(0);
  std::vector<uint64_t> slots;  // value in the high half, position in the low half
  size_t count = 0;
  size_t mask = 0;

  static uint64_t pair(int32_t value, int32_t pos) { return (uint64_t(uint32_t(value)) << 32) | uint32_t(pos); }
  static int32_t valueOf(uint64_t p) { return int32_t(uint32_t(p >> 32)); }
  static int32_t posOf(uint64_t p) { return int32_t(uint32_t(p)); }
  size_t home(int32_t value) const { return size_t((uint64_t(uint32_t(value)) * 0x9E3779B97F4A7C15ull) >> 20) & mask; }

  explicit ListIndex(size_t slotsWanted) { resize(slotsWanted); }

  void resize(size_t atLeast) {
    size_t cap = 16;
    while (cap < atLeast) cap *= 2;
    std::vector<uint64_t> old;
    old.swap(slots);
    slots.assign(cap, EMPTY);
    mask = cap - 1;
    count = 0;
    for (uint64_t p : old)
      if (p != EMPTY) insert(valueOf(p), posOf(p));
  }

  void insert(int32_t value, int32_t pos) {
    if ((count + 1) * 2 > slots.size()) resize(slots.size() * 2);
    size_t i = home(value);
    while (slots[i] != EMPTY) i = (i + 1) & mask;
    slots[i] = pair(value, pos);
    count++;
  }

  // Before: the pair (value, pos) is in the table. After: it is not.
  void erase(int32_t value, int32_t pos) {
    const uint64_t key = pair(value, pos);
    size_t i = home(value);
    while (slots[i] != key) i = (i + 1) & mask;
    for (size_t j = i;;) {
      j = (j + 1) & mask;
      if (slots[j] == EMPTY) break;
      size_t h = home(valueOf(slots[j]));
      // Move slots[j] into the hole at i unless its home lies cyclically in (i, j].
      bool between = i <= j ? (h > i && h <= j) : (h > i || h <= j);
      if (!between) {
        slots[i] = slots[j];
        i = j;
      }
    }
    slots[i] = EMPTY;
    count--;
  }

  // Calls f(pos) for every position of value.
  template <class F>
  void forEach(int32_t value, F f) const {
    for (size_t i = home(value); slots[i] != EMPTY; i = (i + 1) & mask)
      if (valueOf(slots[i]) == value) f(posOf(slots[i]));
  }
};

namespace {

constexpr int32_t INDEX_FROM = 48;  // lists at least this long get an index when searched

// The tables own their indexes, so that the ones still alive when the
// process ends are released with the tables and not reported as leaked.
using IndexTable = std::vector<std::unique_ptr<ListIndex>>;
IndexTable implIndex;  // per literal: index of its implications, or null
IndexTable nclsIndex;  // per literal: index of its LitNcls, or null

// One of the two lists of a literal, with its index slot.
struct List {
  int32_t*& items;
  int32_t& cap;
  int32_t& num;
  std::unique_ptr<ListIndex>& index;
};

std::unique_ptr<ListIndex>& slot(IndexTable& table, int32_t lit) {
  if (table.size() < size_t(NLITS)) table.resize(size_t(NLITS));
  return table[size_t(lit)];
}

List implList(int32_t lit) {
  preLit& L = PRELITS[lit];
  return {L.implications, L.implCap, L.numImpl, slot(implIndex, lit)};
}

List nclsList(int32_t lit) {
  preLit& L = PRELITS[lit];
  return {L.LitNcls, L.nclsCap, L.numNcls, slot(nclsIndex, lit)};
}

// Builds the index of a long list the first time it is searched.
ListIndex* indexFor(List l) {
  if (l.index == nullptr && l.num >= INDEX_FROM) {
    l.index = std::make_unique<ListIndex>(size_t(l.num) * 2);
    for (int32_t k = 0; k < l.num; k++) l.index->insert(l.items[k], k);
  }
  return l.index.get();
}

// First (or last) position of value, or -1.
int32_t find(List l, int32_t value, bool last) {
  if (ListIndex* ix = indexFor(l)) {
    int32_t best = -1;
    ix->forEach(value, [&](int32_t pos) {
      if (best < 0 || (last ? pos > best : pos < best)) best = pos;
    });
    return best;
  }
  int32_t best = -1;
  for (int32_t k = 0; k < l.num; k++)
    if (l.items[k] == value) {
      best = k;
      if (!last) break;
    }
  return best;
}

void append(List l, int32_t value) {
  if (l.index != nullptr) l.index->insert(value, l.num);
  l.items[l.num++] = value;
}

void removeAt(List l, int32_t pos) {
  int32_t lastPos = l.num - 1;
  if (l.index != nullptr) {
    l.index->erase(l.items[pos], pos);
    if (pos != lastPos) {
      l.index->erase(l.items[lastPos], lastPos);
      l.index->insert(l.items[lastPos], pos);
    }
  }
  l.items[pos] = l.items[lastPos];
  l.num--;
}

void grow(List l, const char* failMsg) {
  int32_t newCap = l.num * 4;
  if (newCap < 4) newCap = 4;
  int32_t* bigger = qnew<int32_t>(size_t(newCap), failMsg);
  if (l.num > 0) std::memcpy(bigger, l.items, sizeof(int32_t) * size_t(l.num));
  releaseListArray(l.items);
  l.items = bigger;
  l.cap = newCap;
  deleteCount++;
}

void releaseTable(IndexTable& table) {
  table.clear();
  table.shrink_to_fit();
}

}  // namespace

int32_t implFind(int32_t lit, int32_t value) { return find(implList(lit), value, false); }
int32_t implFindLast(int32_t lit, int32_t value) { return find(implList(lit), value, true); }
void implAppend(int32_t lit, int32_t value) {
  append(implList(lit), value);
  tellImplicationEdited(lit, -1, value);
}
void implRemoveAt(int32_t lit, int32_t pos) {
  const int32_t value = PRELITS[lit].implications[pos];
  removeAt(implList(lit), pos);
  tellImplicationEdited(lit, value, -1);
}

bool implRemoveFirst(int32_t lit, int32_t value) {
  int32_t pos = implFind(lit, value);
  if (pos < 0) return false;
  implRemoveAt(lit, pos);
  return true;
}

void implSetAt(int32_t lit, int32_t pos, int32_t value) {
  List l = implList(lit);
  if (l.index != nullptr) {
    l.index->erase(l.items[pos], pos);
    l.index->insert(value, pos);
  }
  const int32_t old = l.items[pos];
  l.items[pos] = value;
  tellImplicationEdited(lit, old, value);
}

void implGrow(int32_t lit, const char* failMsg) {
  grow(implList(lit), failMsg);
  tellImplicationEdited(lit, -1, -1);
}

int32_t nclsCount(int32_t lit, int32_t clause) {
  List l = nclsList(lit);
  if (ListIndex* ix = indexFor(l)) {
    int32_t n = 0;
    ix->forEach(clause, [&n](int32_t) { n++; });
    return n;
  }
  int32_t n = 0;
  for (int32_t k = 0; k < l.num; k++) n += l.items[k] == clause;
  return n;
}

void nclsAppend(int32_t lit, int32_t clause) { append(nclsList(lit), clause); }

bool nclsRemoveFirst(int32_t lit, int32_t clause) {
  List l = nclsList(lit);
  int32_t pos = find(l, clause, false);
  if (pos < 0) return false;
  removeAt(l, pos);
  return true;
}

void nclsGrow(int32_t lit, const char* failMsg) { grow(nclsList(lit), failMsg); }

void releaseListIndexes() {
  releaseTable(implIndex);
  releaseTable(nclsIndex);
}

bool clauseRemoveLiteral(int32_t c, int32_t lit) {
  preNcls& C = PRENCLS[c];
  for (int32_t k = 0; k < C.curLen; k++)
    if (C.lits[k] == lit) {
      C.lits[k] = C.lits[C.curLen - 1];
      C.curLen--;
      return true;
    }
  return false;
}
