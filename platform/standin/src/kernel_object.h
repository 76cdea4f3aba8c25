// Base of the objects that live behind HANDLEs (events, threads).
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform.h"

namespace standin {

class KernelObject {
 public:
  KernelObject() = default;
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  virtual ~KernelObject() = default;

  // Blocks until the object is signalled (WAIT_OBJECT_0) or `milliseconds`
  // have passed (WAIT_TIMEOUT); INFINITE waits without limit.
  virtual DWORD Wait(DWORD milliseconds) = 0;
};

// Waits on `changed` under `lock` until `ready()` holds or the time-out ends;
// answers whether `ready()` held.
template <typename Ready>
bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock, DWORD milliseconds, Ready ready) {
  if (milliseconds == INFINITE) {
    changed.wait(lock, ready);
    return true;
  }
  return changed.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

}  // namespace standin
