#include "threading/section_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "threading/scoped_lock.h"

namespace {

using namespace std::chrono_literals;

// Another thread that locks and unlocks the section once, as soon as it can.
class Contender {
 public:
  explicit Contender(SectionLock& lock)
      : Thread([this, &lock] {
          lock.Lock();
          Entered = true;
          lock.Unlock();
        }) {}
  ~Contender() { Thread.join(); }

  bool EnteredWithin(std::chrono::milliseconds limit) const {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!Entered && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(1ms);
    }
    return Entered;
  }

 private:
  std::atomic<bool> Entered{false};
  std::thread Thread;
};

TEST(SectionLockTest, ReentrantHolderKeepsOthersOutUntilLastUnlock) {
  SectionLock lock;
  lock.Lock();
  lock.Lock();  // must not block the holder
  Contender other(lock);
  lock.Unlock();
  EXPECT_FALSE(other.EnteredWithin(100ms));
  lock.Unlock();
  EXPECT_TRUE(other.EnteredWithin(5s));
}

TEST(ScopedLockTest, ExceptionLeavingTheScopeReleasesTheSection) {
  SectionLock lock;
  EXPECT_THROW(
      {
        ScopedLock hold(lock);
        throw std::runtime_error("leave the scope");
      },
      std::runtime_error);
  Contender other(lock);
  bool entered = other.EnteredWithin(5s);
  if (!entered) {
    lock.Unlock();  // still held by this thread: let the contender finish
  }
  EXPECT_TRUE(entered);
}

}  // namespace
