// Thread objects: signalled once the thread routine has returned, and then
// holding its exit code. The thread keeps its own reference, so it runs on
// after its handle is closed.
#pragma once

#include <condition_variable>
#include <mutex>

#include "kernel_object.h"

namespace standin {

class ThreadObject final : public KernelObject {
 public:
  // Called on the thread itself when its routine has returned.
  void Finish(DWORD exitCode);
  // STILL_ACTIVE while the routine runs.
  DWORD ExitCode();
  DWORD Wait(DWORD milliseconds) override;

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool finished_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
};

// The id GetCurrentThreadId answers on this thread; ids are handed out by
// the stand-in, so CreateThread can report one before the thread runs.
DWORD NewThreadId();
void AdoptThreadId(DWORD id);

}  // namespace standin
