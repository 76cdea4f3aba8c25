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

// Makes the Nth CreateEventA from now fail (1: the next one), answering none
// with ERROR_NOT_ENOUGH_MEMORY. The hook disarms itself once it has failed a
// creation; 0 disarms it.
void StandinFailNthEventCreation(LONG nth);

// Number of threads blocked right now in a wait on `event` (either reset
// mode), so that a test can tell a waiter has reached its wait; -1 for a
// handle that is not an event.
LONG StandinEventWaiters(HANDLE event);

// Number of threads blocked right now in GetBuffer of the runtime's memory
// allocator; -1 for any other allocator (or none).
LONG StandinAllocatorWaiters(IMemAllocator* allocator);

// Makes GetModuleHandleA answer none for a module name ("ole32.dll"), as if
// the process had not loaded it, until called again with FALSE.
void StandinHideModule(LPCSTR moduleName, BOOL hidden);

// Makes one of the runtime's own classes unavailable, so that creating it
// answers REGDB_E_CLASSNOTREG, until called again with FALSE.
void StandinHideClass(REFCLSID classId, BOOL hidden);

// Makes RegDeleteKeyA refuse the key at `path` below HKEY_CLASSES_ROOT
// (ERROR_ACCESS_DENIED), as if the caller lacked the right, until called
// again with FALSE. It holds in this process only, whichever file it uses.
void StandinProtectRegistryKey(LPCSTR path, BOOL protect);

// Makes RegOpenKeyExA (and RegOpenKeyA) and RegDeleteKeyA refuse the key at
// `path` below HKEY_CLASSES_ROOT (ERROR_ACCESS_DENIED), as if its access list
// shut the caller out, while enumeration still lists it; until called again
// with FALSE. It holds in this process only, whichever file it uses.
void StandinSealRegistryKey(LPCSTR path, BOOL sealed);

// The registry file's path as this process would open it now, written with
// its terminator when it fits in `size` bytes; answers its length (0 when no
// place can be named).
DWORD StandinRegistryFilePath(LPSTR buffer, DWORD size);

}  // extern "C"
