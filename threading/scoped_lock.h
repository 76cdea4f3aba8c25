// ScopedLock: holds a SectionLock for the extent of a scope.
#pragma once

#include "threading/section_lock.h"

// Locks on construction and unlocks on every exit from the scope. There is no
// early release. The SectionLock is not owned and must outlive the ScopedLock.
class ScopedLock {
 public:
  explicit ScopedLock(SectionLock& lock) noexcept : Held(&lock) { Held->Lock(); }
  ~ScopedLock() { Held->Unlock(); }

  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  SectionLock* const Held;
};
