// WaitUntil: polls `condition` about every millisecond until it holds or the
// limit has passed; answers whether it held. Tests use it to reach a state
// another thread gets to in its own time (a waiter that has blocked), with a
// limit generous enough for a loaded machine under a sanitizer.
#pragma once

#include <chrono>
#include <thread>

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return condition();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
