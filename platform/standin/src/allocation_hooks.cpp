#include "allocation_hooks.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "fault_countdown.h"
#include "standin_hooks.h"

namespace standin {

namespace {

FaultCountdown allocationFault;
std::atomic<LONG> allocationCount{0};

}  // namespace

void* AllocateThroughSeam(std::size_t bytes, bool zeroed) {
  if (allocationFault.Strikes()) {
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

void StandinFailNthAllocation(LONG nth) { standin::allocationFault.Arm(nth); }

LONG StandinAllocationCount() { return standin::allocationCount.load(); }

}  // extern "C"
