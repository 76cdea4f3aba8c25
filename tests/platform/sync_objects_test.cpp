// Critical sections, events, threads and the handle table, through the C
// interface.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>

#include "platform.h"
#include "standin_hooks.h"
#include "tests/platform/test_thread.h"
#include "tests/support/wait_until.h"

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(CriticalSection, OwnerReentersAndOthersWaitForTheLastLeave) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));  // re-entry by the owner

  std::atomic<bool> tried{false};
  std::atomic<bool> entered{false};
  TestThread other([&] {
    EXPECT_FALSE(TryEnterCriticalSection(&section));
    tried = true;
    EnterCriticalSection(&section);
    entered = true;
    LeaveCriticalSection(&section);
  });
  EXPECT_TRUE(WaitUntil([&] { return tried.load(); }));  // it tried while both levels were held
  LeaveCriticalSection(&section);
  Sleep(50);
  EXPECT_FALSE(entered) << "entered while the owner still held one level";
  LeaveCriticalSection(&section);
  other.Join();
  EXPECT_TRUE(entered);
  DeleteCriticalSection(&section);
}

struct EventCase {
  BOOL manualReset;
  bool signalSurvivesWait;
};

class EventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventTest, SignalTimeOutAndReset) {
  HANDLE event = CreateEventA(nullptr, GetParam().manualReset, FALSE, nullptr);
  ASSERT_NE(event, nullptr);

  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(WaitForSingleObject(event, 40), WAIT_TIMEOUT);
  EXPECT_GE(ElapsedMs(start), 40);

  EXPECT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), GetParam().signalSurvivesWait ? WAIT_OBJECT_0 : WAIT_TIMEOUT);

  EXPECT_TRUE(SetEvent(event));
  EXPECT_TRUE(ResetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(CloseHandle(event));
}

TEST_P(EventTest, OneSetReleasesAllWaitersOnlyWhenManual) {
  const bool manual = GetParam().manualReset != FALSE;
  HANDLE event = CreateEventA(nullptr, GetParam().manualReset, FALSE, nullptr);
  std::atomic<int> released{0};
  auto waiter = [&] {
    if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) {
      ++released;
    }
  };
  {
    TestThread first(waiter);
    TestThread second(waiter);
    EXPECT_TRUE(WaitUntil([&] { return StandinEventWaiters(event) == 2; }));
    SetEvent(event);
    EXPECT_TRUE(WaitUntil([&] { return released >= (manual ? 2 : 1); }));
    Sleep(30);  // time for a wrong second release to show
    EXPECT_EQ(released, manual ? 2 : 1);
    EXPECT_EQ(StandinEventWaiters(event), manual ? 0 : 1);
    SetEvent(event);  // lets go the waiter that an auto-reset set leaves blocked
  }
  EXPECT_EQ(released, 2);
  CloseHandle(event);
}

// A set releases the threads blocked at that moment, whatever another thread
// does to the event right after it: a reset does not take the set back, and
// the signal of an auto-reset event goes to the blocked thread rather than to
// a check made after the set. One blocked waiter for auto reset (one set
// releases one), two for manual reset.
TEST_P(EventTest, SetReleasesTheThreadsBlockedAtThatMoment) {
  const bool manual = GetParam().manualReset != FALSE;
  for (const bool resetAtOnce : {true, false}) {
    for (int round = 0; round < 5; ++round) {
      HANDLE event = CreateEventA(nullptr, GetParam().manualReset, FALSE, nullptr);
      std::atomic<int> released{0};
      auto waiter = [&] {
        if (WaitForSingleObject(event, 10000) == WAIT_OBJECT_0) {
          ++released;
        }
      };
      DWORD checked = WAIT_FAILED;
      {
        TestThread first(waiter);
        std::optional<TestThread> second;
        if (manual) {
          second.emplace(waiter);
        }
        const LONG waiters = manual ? 2 : 1;
        ASSERT_TRUE(WaitUntil([&] { return StandinEventWaiters(event) == waiters; })) << "round " << round;
        SetEvent(event);
        if (resetAtOnce) {
          ResetEvent(event);
        } else {
          checked = WaitForSingleObject(event, 0);
        }
      }
      CloseHandle(event);
      ASSERT_EQ(released, manual ? 2 : 1) << (resetAtOnce ? "reset" : "check") << " at once, round " << round;
      if (!resetAtOnce) {
        ASSERT_EQ(checked, manual ? WAIT_OBJECT_0 : static_cast<DWORD>(WAIT_TIMEOUT)) << "round " << round;
      }
    }
  }
}

TEST_P(EventTest, InitialStateIsHonoured) {
  HANDLE event = CreateEventA(nullptr, GetParam().manualReset, TRUE, "named events are private here");
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  CloseHandle(event);
}

INSTANTIATE_TEST_SUITE_P(ManualAndAuto, EventTest, ::testing::Values(EventCase{TRUE, true}, EventCase{FALSE, false}),
                         [](const auto& info) { return info.param.manualReset ? "ManualReset" : "AutoReset"; });

struct Gate {
  HANDLE open = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE passed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD idSeen = 0;
  ~Gate() {
    CloseHandle(open);
    CloseHandle(passed);
  }
};

DWORD WINAPI WaitAtGate(LPVOID raw) {
  Gate* gate = static_cast<Gate*>(raw);
  gate->idSeen = GetCurrentThreadId();
  WaitForSingleObject(gate->open, INFINITE);
  SetEvent(gate->passed);
  return 42;
}

TEST(Thread, SignalledWithItsExitCodeOnceTheRoutineReturns) {
  Gate gate;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, &id);
  ASSERT_NE(thread, nullptr);

  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);

  SetEvent(gate.open);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);  // stays signalled
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(gate.idSeen, id);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(Thread, KeepsRunningAfterItsHandleIsClosed) {
  Gate gate;
  HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, nullptr);
  ASSERT_TRUE(CloseHandle(thread));
  SetEvent(gate.open);
  EXPECT_EQ(WaitForSingleObject(gate.passed, 5000), WAIT_OBJECT_0);
}

TEST(Thread, NoRoutineIsRefused) {
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Handles, BadOrClosedHandlesFailWithInvalidHandle) {
  HANDLE closed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CloseHandle(closed);
  HANDLE thread = CreateThread(
      nullptr, 0, [](LPVOID) -> DWORD { return 0; }, nullptr, 0, nullptr);
  HANDLE bad[] = {nullptr, closed, reinterpret_cast<HANDLE>(0x12345), GetProcessHeap()};

  for (HANDLE handle : bad) {
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(SetEvent(handle));
    EXPECT_FALSE(ResetEvent(handle));
    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeThread(handle, &code));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(handle));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  // A live handle of the wrong kind.
  EXPECT_FALSE(SetEvent(thread));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

TEST(LastError, IsPerThread) {
  SetLastError(5);
  TestThread::RunToEnd([] {
    EXPECT_EQ(GetLastError(), 0u);
    SetLastError(7);
  });
  EXPECT_EQ(GetLastError(), 5u);
}

}  // namespace
