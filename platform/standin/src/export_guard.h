// Every C export runs its body through Guarded: an exception (in practice
// std::bad_alloc from a container) must never reach a caller, which may be
// built without exceptions, so it becomes the export's failure answer.
#pragma once

#include <utility>

#include "platform.h"

namespace standin {

template <typename Result, typename Body>
Result Guarded(Result onFailure, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return onFailure;
  }
}

template <typename Body>
void GuardedVoid(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace standin
