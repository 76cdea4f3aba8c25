// The module heap: the one seam through which module code allocates its own
// objects and blocks. Every failure surfaces as a null pointer, never as an
// exception.
#pragma once

#include <cstddef>
#include <new>

#include "platform.h"

// Raw blocks from the module heap; none on failure. Freeing none is allowed.
void* ModuleHeapAlloc(std::size_t bytes) noexcept;
void ModuleHeapFree(void* block) noexcept;

// Base for classes whose instances live on the module heap. It declares only
// the non-throwing new, so a plain `new T` does not compile: every creation
// site writes `new (std::nothrow) T` and checks for none.
class ModuleHeapObject {
 public:
  static void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return ModuleHeapAlloc(bytes); }
  static void operator delete(void* block) noexcept { ModuleHeapFree(block); }
  static void operator delete(void* block, const std::nothrow_t&) noexcept { ModuleHeapFree(block); }
};
