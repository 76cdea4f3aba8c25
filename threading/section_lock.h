// SectionLock: a re-entrant lock over one platform critical section.
#pragma once

#include "platform.h"

// The thread that holds the section may lock it again without blocking; it
// must unlock it as many times as it locked it before another thread enters.
// Owned as a member; other objects refer to it by pointer or reference.
class SectionLock {
 public:
  SectionLock() noexcept;
  ~SectionLock();

  SectionLock(const SectionLock&) = delete;
  SectionLock& operator=(const SectionLock&) = delete;

  // Blocks until the calling thread holds the section.
  void Lock() noexcept;
  void Unlock() noexcept;

 private:
  CRITICAL_SECTION Section;
};
