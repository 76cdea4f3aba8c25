#include "threading/section_lock.h"

SectionLock::SectionLock() noexcept { InitializeCriticalSection(&Section); }

SectionLock::~SectionLock() { DeleteCriticalSection(&Section); }

void SectionLock::Lock() noexcept { EnterCriticalSection(&Section); }

void SectionLock::Unlock() noexcept { LeaveCriticalSection(&Section); }
