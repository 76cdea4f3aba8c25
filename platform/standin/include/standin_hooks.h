// Test hooks of the stand-in runtime. Tests and benchmarks use them; module
// code never does.
#pragma once

#include "platform.h"

extern "C" {

// Makes the Nth allocation from now fail (1: the next one), counting both
// seams: task memory (CoTaskMemAlloc) and the module heap (HeapAlloc). The
// hook disarms itself once it has failed an allocation; 0 disarms it.
void StandinFailNthAllocation(LONG nth);

// Number of allocations that have succeeded on both seams since the process
// started. Tests compare two readings.
LONG StandinAllocationCount();

// Makes GetModuleHandleA answer none for a module name ("ole32.dll"), as if
// the process had not loaded it, until called again with FALSE.
void StandinHideModule(LPCSTR moduleName, BOOL hidden);

// Makes one of the runtime's own classes unavailable, so that creating it
// answers REGDB_E_CLASSNOTREG, until called again with FALSE.
void StandinHideClass(REFCLSID classId, BOOL hidden);

}  // extern "C"
