// Effort limits of the strong mode, counted in the database's work units.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

namespace occur {

// A run stops once the work counter reaches the limit or the optional stop
// function says so; both are checked by over(), between steps.
class Budget {
 public:
  Budget(const int64_t& work, int64_t limit, const std::function<bool()>* stop)
      : work_(&work), limit_(limit), stop_(stop) {}
  // A budget of at most `amount` more units within this one.
  Budget share(int64_t amount) const {
    int64_t room = *work_ + std::max<int64_t>(amount, 0);
    return Budget(*work_, std::min(limit_, room), stop_);
  }
  // True once the work is spent or a stop was asked for; polls the stop function.
  bool over() {
    if (!stopped_ && stop_ != nullptr && *stop_ && (*stop_)()) stopped_ = true;
    return stopped_ || *work_ >= limit_;
  }
  bool stopped() const { return stopped_; }
  int64_t left() const { return std::max<int64_t>(limit_ - *work_, 0); }

 private:
  const int64_t* work_;
  int64_t limit_;
  const std::function<bool()>* stop_;
  bool stopped_ = false;
};

}  // namespace occur
