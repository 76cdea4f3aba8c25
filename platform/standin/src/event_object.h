// Event objects, manual or auto reset. The mutex orders a SetEvent before the
// wait that sees it, in a form ThreadSanitizer understands.
//
// As on the platform, a set releases the threads blocked on the event at that
// moment: a reset that follows at once does not take it back, and the signal
// of an auto-reset event goes to a thread already blocked, not to one that
// checks the event after the set.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "kernel_object.h"

namespace standin {

class EventObject final : public KernelObject {
 public:
  EventObject(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled) {}

  void Set();
  void Reset();
  // A satisfied wait on an auto-reset event consumes the signal.
  DWORD Wait(DWORD milliseconds) override;
  // The threads blocked in Wait right now (a test hook).
  std::size_t Blocked();

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  const bool manualReset_;
  bool signalled_;
  // Manual reset: counts the sets, so that a waiter blocked at a set is
  // released even when a reset comes before it runs.
  std::uint64_t sets_ = 0;
  // The waiters blocked now, in either mode; auto reset: how many of them sets
  // have released that have not yet run (never more than are blocked).
  std::size_t blocked_ = 0;
  std::size_t released_ = 0;
};

}  // namespace standin
