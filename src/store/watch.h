// What the store tells a technique that keeps facts about the implication
// lists and the top-level values beside the store: the hyper-binary
// resolution pass does, while it runs. The list edits (store/lists.cpp) and
// top-level propagation report here; nothing reports while no one listens.
#pragma once

#include <cstdint>

class StoreListener {
 public:
  // lit's implication list was edited and stands as edited: `left` left it
  // and `entered` entered it (-1 for neither: only its storage moved).
  virtual void implicationEdited(int32_t lit, int32_t left, int32_t entered) = 0;
  // Top-level propagation made lit true and its negation false.
  virtual void assignedAtTop(int32_t lit) = 0;
  // Top-level propagation removed a literal from n-ary clause c.
  virtual void clauseShortened(int32_t c) = 0;

 protected:
  ~StoreListener() = default;
};

// The listener, or null. At most one listens at a time.
extern StoreListener* storeListener;

inline void tellImplicationEdited(int32_t lit, int32_t left, int32_t entered) {
  if (storeListener != nullptr) storeListener->implicationEdited(lit, left, entered);
}
inline void tellAssignedAtTop(int32_t lit) {
  if (storeListener != nullptr) storeListener->assignedAtTop(lit);
}
inline void tellClauseShortened(int32_t c) {
  if (storeListener != nullptr) storeListener->clauseShortened(c);
}
