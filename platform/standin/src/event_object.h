// Event objects, manual or auto reset. The mutex orders a SetEvent before the
// wait that sees it, in a form ThreadSanitizer understands.
#pragma once

#include <condition_variable>
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

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  const bool manualReset_;
  bool signalled_;
};

}  // namespace standin
