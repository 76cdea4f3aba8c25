// Reads of counters that other threads change with interlocked operations.
// An interlocked compare-exchange that stores what it found is the portable
// atomic load: the platform has no plain interlocked read.
#pragma once

#include "platform.h"

inline LONG AtomicRead(LONG volatile* value) { return InterlockedCompareExchange(value, 0, 0); }
