#include "allocation_hooks.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "standin_hooks.h"

namespace standin {

namespace {

// Allocations left until the one that fails; 0 when disarmed.
std::atomic<LONG> failCountdown{0};
std::atomic<LONG> allocationCount{0};

// Takes this allocation's turn on the countdown; true when it must fail.
bool FailThisAllocation() {
  LONG left = failCountdown.load();
  while (left > 0 && !failCountdown.compare_exchange_weak(left, left - 1)) {
  }
  return left == 1;
}

}  // namespace

void* AllocateThroughSeam(std::size_t bytes, bool zeroed) {
  if (FailThisAllocation()) {
    return nullptr;
  }
  const std::size_t size = std::max<std::size_t>(bytes, 1);
  void* block = zeroed ? std::calloc(1, size) : std::malloc(size);
  if (block != nullptr) {
    allocationCount.fetch_add(1);
  }
  return block;
}

}  // namespace standin

extern "C" {

void StandinFailNthAllocation(LONG nth) { standin::failCountdown.store(std::max<LONG>(nth, 0)); }

LONG StandinAllocationCount() { return standin::allocationCount.load(); }

}  // extern "C"
