// Wide-string routines for the name fields of FILTER_INFO and PIN_INFO and the
// names that filters and pins keep. WCHAR units are 16 bits on both builds.
#pragma once

#include <cstddef>

#include "module/module_heap.h"
#include "platform.h"

// Length of a zero-terminated wide string in units, without the terminator.
inline std::size_t WideLength(const WCHAR* text) noexcept {
  std::size_t length = 0;
  while (text[length] != 0) {
    ++length;
  }
  return length;
}

// Copies at most capacity - 1 units of `source` into `target` and always
// writes a terminator, so a longer source comes back cut. `capacity` is at
// least 1; a none source yields the empty string.
inline void CopyWideBounded(WCHAR* target, std::size_t capacity, const WCHAR* source) noexcept {
  std::size_t copied = 0;
  if (source != nullptr) {
    for (; copied + 1 < capacity && source[copied] != 0; ++copied) {
      target[copied] = source[copied];
    }
  }
  target[copied] = 0;
}

// A copy of `text` with its terminator on the module heap (free it with
// ModuleHeapFree), or none when `text` is none or the block cannot be had.
inline WCHAR* DuplicateWide(const WCHAR* text) noexcept {
  if (text == nullptr) {
    return nullptr;
  }
  const std::size_t units = WideLength(text) + 1;
  auto* copy = static_cast<WCHAR*>(ModuleHeapAlloc(units * sizeof(WCHAR)));
  if (copy != nullptr) {
    for (std::size_t i = 0; i < units; ++i) {
      copy[i] = text[i];
    }
  }
  return copy;
}
