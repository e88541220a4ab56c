// Edits of the per-literal lists, with a side index for long lists.
#include "store/lists.h"

#include <cstring>
#include <memory>
#include <vector>

#include "store/hashtable.h"
#include "store/store.h"
#include "store/watch.h"

// Value -> positions of a long list. Duplicates are possible in occurrence
// lists, so a value may have several positions (the first and last
// occurrence are the smallest and largest).
using ListIndex = OpenTable<int32_t>;

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
    l.index = std::make_unique<ListIndex>(size_t(l.num));
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
