#include "module/module_heap.h"

void* ModuleHeapAlloc(std::size_t bytes) noexcept { return HeapAlloc(GetProcessHeap(), 0, bytes); }

void ModuleHeapFree(void* block) noexcept {
  if (block != nullptr) {
    HeapFree(GetProcessHeap(), 0, block);
  }
}
