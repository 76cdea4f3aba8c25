// The process heap and COM task memory. Both hand out C heap blocks through
// the allocation seams, so the test hooks see every allocation.
#include <cstdlib>

#include "allocation_hooks.h"
#include "platform.h"

namespace {

// The process heap's handle: a fixed address that no handle id can take.
HANDLE ProcessHeap() {
  static char heapTag;
  return &heapTag;
}

}  // namespace

extern "C" {

HANDLE WINAPI GetProcessHeap() { return ProcessHeap(); }

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  if (heap != ProcessHeap()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return standin::AllocateThroughSeam(bytes, (flags & HEAP_ZERO_MEMORY) != 0);
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID memory) {
  if (heap != ProcessHeap()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::free(memory);
  return TRUE;
}

LPVOID WINAPI CoTaskMemAlloc(SIZE_T bytes) { return standin::AllocateThroughSeam(bytes, false); }

void WINAPI CoTaskMemFree(LPVOID memory) { std::free(memory); }

}  // extern "C"
