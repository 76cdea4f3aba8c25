// TrackedObject: counts the module's live objects, so that the COM runtime
// can ask whether the module may be unloaded.
#pragma once

#include "module/module_heap.h"
#include "platform.h"

// Number of TrackedObject instances alive in this module (filters, pins, class
// factories). Changed only by interlocked increment and decrement.
extern LONG volatile LiveObjectCount;

class TrackedObject : public ModuleHeapObject {
 public:
  TrackedObject() noexcept { InterlockedIncrement(&LiveObjectCount); }
  ~TrackedObject() { InterlockedDecrement(&LiveObjectCount); }

  TrackedObject(const TrackedObject&) = delete;
  TrackedObject& operator=(const TrackedObject&) = delete;
};
