// The countdown behind a test hook that makes one call fail: armed with N,
// the Nth counted call from then on fails and disarms it; 0 disarms it. Any
// thread may count.
#pragma once

#include <algorithm>
#include <atomic>

#include "platform.h"

namespace standin {

class FaultCountdown {
 public:
  void Arm(LONG nth) { left_.store(std::max<LONG>(nth, 0)); }

  // Takes this call's turn; true when it must fail.
  bool Strikes() {
    LONG left = left_.load();
    while (left > 0 && !left_.compare_exchange_weak(left, left - 1)) {
    }
    return left == 1;
  }

 private:
  std::atomic<LONG> left_{0};
};

}  // namespace standin
