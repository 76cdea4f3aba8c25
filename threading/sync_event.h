// SyncEvent: an unnamed platform event, manual-reset or auto-reset.
#pragma once

#include "platform.h"

// A manual-reset event stays signalled until Reset, releasing every Wait. An
// auto-reset event releases one successful Wait (or Check) and returns to
// non-signalled with it. Usable from any thread.
//
// If the platform refuses to create the event, the failure is kept silent:
// Wait and Check answer false at once, Set and Reset do nothing. Owners that
// depend on the event ask Created().
class SyncEvent {
 public:
  explicit SyncEvent(BOOL manualReset) noexcept;
  ~SyncEvent();

  SyncEvent(const SyncEvent&) = delete;
  SyncEvent& operator=(const SyncEvent&) = delete;

  void Set() noexcept;
  void Reset() noexcept;
  // True exactly when the event was signalled within `timeout` milliseconds
  // (INFINITE waits without limit); false on time-out or failure.
  bool Wait(DWORD timeout) noexcept;
  // Wait(0): true when the event is signalled now. Consumes an auto-reset signal.
  bool Check() noexcept { return Wait(0); }

  bool Created() const noexcept { return Handle != nullptr; }

 private:
  HANDLE const Handle;
};
