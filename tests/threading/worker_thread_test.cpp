#include "threading/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <ostream>
#include <thread>
#include <utility>
#include <vector>

#include "standin_hooks.h"
#include "threading/sync_event.h"

namespace {

using namespace std::chrono_literals;

constexpr DWORD kExit = 0xE0;
constexpr DWORD kWaitLimit = 5000;  // milliseconds; only a broken channel gets near it

HRESULT EchoOf(DWORD command) { return static_cast<HRESULT>(command + 0x10000); }

// A worker whose ThreadMain runs a script given by the test. Its worker-side
// calls are public so that scripts can drive the channel.
class ScriptedWorker : public WorkerThread {
 public:
  using Script = std::function<DWORD(ScriptedWorker&)>;

  explicit ScriptedWorker(Script script);
  // Ends a command loop that is still running, then waits for the thread.
  ~ScriptedWorker() override {
    SendCommand(kExit);
    Close();
  }

  using WorkerThread::PeekCommand;
  using WorkerThread::Reply;
  using WorkerThread::WaitCommand;

  Script Run;  // changed only while no thread is held
  std::atomic<int> Runs{0};

 protected:
  DWORD ThreadMain() override {
    ++Runs;
    return Run(*this);
  }
};

ScriptedWorker::ScriptedWorker(Script script) : Run(std::move(script)) {}

// Answers every command with its echo until Exit, blocking for each.
DWORD BlockingLoop(ScriptedWorker& worker) {
  for (;;) {
    DWORD command = worker.WaitCommand();
    if (command == kExit) {
      worker.Reply(S_OK);
      return 0;
    }
    worker.Reply(EchoOf(command));
  }
}

// The same, looking for commands between units of work.
DWORD PollingLoop(ScriptedWorker& worker) {
  for (;;) {
    DWORD command = 0;
    if (!worker.PeekCommand(&command)) {
      Sleep(1);  // a unit of work
      continue;
    }
    if (command == kExit) {
      worker.Reply(S_OK);
      return 0;
    }
    worker.Reply(EchoOf(command));
  }
}

TEST(WorkerThreadTest, WithoutThreadSendFailsAtOnceAndCloseDoesNothing) {
  ScriptedWorker worker(BlockingLoop);
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_EQ(worker.SendCommand(1), E_FAIL);
  worker.Close();
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_EQ(worker.Runs, 0);
}

TEST(WorkerThreadTest, SecondStartMakesNoSecondThread) {
  ScriptedWorker worker(BlockingLoop);
  ASSERT_TRUE(worker.Start());
  EXPECT_FALSE(worker.Start());
  EXPECT_TRUE(worker.IsRunning());
  EXPECT_EQ(worker.SendCommand(5), EchoOf(5));
  EXPECT_EQ(worker.SendCommand(kExit), S_OK);
  worker.Close();
  EXPECT_EQ(worker.Runs, 1);
}

TEST(WorkerThreadTest, CommandStaysPendingUntilReply) {
  struct {
    bool peekSame = false;
    bool waitSame = false;
    bool peekWithoutOut = false;
    bool clearedByReply = false;
  } seen;
  SyncEvent checked(TRUE);
  ScriptedWorker worker([&](ScriptedWorker& self) {
    DWORD first = self.WaitCommand();
    DWORD peeked = 0;
    seen.peekSame = self.PeekCommand(&peeked) && peeked == first;
    seen.waitSame = self.WaitCommand() == first;  // returns at once
    seen.peekWithoutOut = self.PeekCommand(nullptr);
    self.Reply(EchoOf(first));
    seen.clearedByReply = !self.PeekCommand(nullptr);
    checked.Set();
    return BlockingLoop(self);
  });
  ASSERT_TRUE(worker.Start());

  EXPECT_EQ(worker.SendCommand(7), EchoOf(7));
  ASSERT_TRUE(checked.Wait(kWaitLimit));
  EXPECT_TRUE(seen.peekSame);
  EXPECT_TRUE(seen.waitSame);
  EXPECT_TRUE(seen.peekWithoutOut);
  EXPECT_TRUE(seen.clearedByReply);
  EXPECT_EQ(worker.SendCommand(8), EchoOf(8));  // the next command is a new one
}

TEST(WorkerThreadTest, FinishedThreadRefusesCommandsUntilClosedAndRestarted) {
  ScriptedWorker worker(BlockingLoop);
  ASSERT_TRUE(worker.Start());
  ASSERT_EQ(worker.SendCommand(kExit), S_OK);

  EXPECT_TRUE(worker.IsRunning());  // the handle is held until Close
  EXPECT_FALSE(worker.Start());
  EXPECT_EQ(worker.SendCommand(3), E_FAIL);

  worker.Close();
  EXPECT_FALSE(worker.IsRunning());
  ASSERT_TRUE(worker.Start());
  EXPECT_EQ(worker.SendCommand(3), EchoOf(3));
  EXPECT_EQ(worker.SendCommand(kExit), S_OK);
  EXPECT_EQ(worker.Runs, 2);
  // Destroyed with its thread finished and not closed.
}

struct UnansweredCase {
  const char* name;
  ScriptedWorker::Script script;
};

void PrintTo(const UnansweredCase& c, std::ostream* out) { *out << c.name; }

class WorkerThreadUnansweredTest : public testing::TestWithParam<UnansweredCase> {};

// A sender must not wait for ever on a ThreadMain that returns without
// answering, and nothing of that command reaches the next thread.
TEST_P(WorkerThreadUnansweredTest, SenderGetsFailureAndRestartStartsClean) {
  ScriptedWorker worker(GetParam().script);
  ASSERT_TRUE(worker.Start());
  EXPECT_EQ(worker.SendCommand(4), E_FAIL);

  worker.Close();
  bool startedClean = false;
  SyncEvent started(TRUE);
  worker.Run = [&](ScriptedWorker& self) {
    startedClean = !self.PeekCommand(nullptr);
    started.Set();
    return BlockingLoop(self);
  };
  ASSERT_TRUE(worker.Start());
  ASSERT_TRUE(started.Wait(kWaitLimit));
  EXPECT_TRUE(startedClean);
  EXPECT_EQ(worker.SendCommand(6), EchoOf(6));
}

INSTANTIATE_TEST_SUITE_P(Scripts, WorkerThreadUnansweredTest,
                         testing::Values(UnansweredCase{"ReturnsAtOnce", [](ScriptedWorker&) -> DWORD { return 0; }},
                                         UnansweredCase{"ReturnsWithCommandSeen",
                                                        [](ScriptedWorker& self) -> DWORD {
                                                          self.WaitCommand();
                                                          return 0;
                                                        }}),
                         [](const testing::TestParamInfo<UnansweredCase>& info) { return info.param.name; });

// Without both events the channel cannot work: Start refuses to make a
// thread, and a sender fails at once instead of waiting for a reply that
// could never be signalled.
TEST(WorkerThreadTest, WithoutItsEventsStartMakesNoThread) {
  for (LONG failing : {1, 2}) {  // the command event, then the reply event
    SCOPED_TRACE(failing);
    StandinFailNthEventCreation(failing);
    ScriptedWorker worker(BlockingLoop);
    StandinFailNthEventCreation(0);
    EXPECT_FALSE(worker.Start());
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.SendCommand(1), E_FAIL);
    EXPECT_EQ(worker.Runs, 0);
  }
}

// Hides ole32.dll from GetModuleHandleA for its lifetime.
class HiddenOle32 {
 public:
  HiddenOle32() { StandinHideModule("ole32.dll", TRUE); }
  ~HiddenOle32() { StandinHideModule("ole32.dll", FALSE); }
};

// What CoInitializeEx(multithreaded) answers inside ThreadMain: S_FALSE when
// the thread has already joined the multithreaded apartment, S_OK when not.
HRESULT ApartmentProbeInsideThreadMain() {
  HRESULT probe = E_UNEXPECTED;
  ScriptedWorker worker([&](ScriptedWorker&) -> DWORD {
    probe = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(probe)) {
      CoUninitialize();
    }
    return 0;
  });
  if (!worker.Start()) {
    return E_UNEXPECTED;
  }
  worker.Close();
  return probe;
}

TEST(WorkerThreadTest, ThreadMainRunsInTheMultithreadedApartment) {
  EXPECT_EQ(ApartmentProbeInsideThreadMain(), S_FALSE);
}

TEST(WorkerThreadTest, WithoutCoInitializeExThreadMainStillRunsOutsideCom) {
  HiddenOle32 hidden;
  EXPECT_EQ(ApartmentProbeInsideThreadMain(), S_OK);
}

TEST(WorkerThreadTest, SecondSenderWaitsUntilTheFirstHasItsReply) {
  std::vector<DWORD> order;  // the worker's; read after the senders have joined
  SyncEvent holding(FALSE);
  SyncEvent release(FALSE);
  ScriptedWorker worker([&](ScriptedWorker& self) -> DWORD {
    for (;;) {
      DWORD command = self.WaitCommand();
      if (command == kExit) {
        self.Reply(S_OK);
        return 0;
      }
      order.push_back(command);
      holding.Set();
      release.Wait(INFINITE);
      self.Reply(EchoOf(command));
    }
  });
  ASSERT_TRUE(worker.Start());

  HRESULT firstReply = E_UNEXPECTED;
  HRESULT secondReply = E_UNEXPECTED;
  std::atomic<bool> secondDone{false};
  std::thread first([&] { firstReply = worker.SendCommand(1); });
  ASSERT_TRUE(holding.Wait(kWaitLimit));
  std::thread second([&] {
    secondReply = worker.SendCommand(2);
    secondDone = true;
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(secondDone);

  release.Set();
  first.join();
  EXPECT_EQ(firstReply, EchoOf(1));
  EXPECT_TRUE(holding.Wait(kWaitLimit));
  release.Set();
  second.join();
  EXPECT_EQ(secondReply, EchoOf(2));
  EXPECT_EQ(order, (std::vector<DWORD>{1, 2}));
}

struct LoopCase {
  const char* name;
  ScriptedWorker::Script loop;
};

void PrintTo(const LoopCase& c, std::ostream* out) { *out << c.name; }

class WorkerThreadSendersTest : public testing::TestWithParam<LoopCase> {};

TEST_P(WorkerThreadSendersTest, ConcurrentSendersEachGetTheirOwnReply) {
  constexpr DWORD kSenders = 4;
  constexpr DWORD kCommandsEach = 100;
  ScriptedWorker worker(GetParam().loop);
  ASSERT_TRUE(worker.Start());

  std::atomic<int> wrongReplies{0};
  std::vector<std::thread> senders;
  for (DWORD sender = 0; sender < kSenders; ++sender) {
    senders.emplace_back([&, sender] {
      for (DWORD i = 0; i < kCommandsEach; ++i) {
        DWORD command = 0x100 + sender * kCommandsEach + i;
        if (worker.SendCommand(command) != EchoOf(command)) {
          ++wrongReplies;
        }
      }
    });
  }
  for (std::thread& sender : senders) {
    sender.join();
  }
  EXPECT_EQ(wrongReplies, 0);
}

INSTANTIATE_TEST_SUITE_P(Loops, WorkerThreadSendersTest,
                         testing::Values(LoopCase{"Blocking", BlockingLoop}, LoopCase{"Polling", PollingLoop}),
                         [](const testing::TestParamInfo<LoopCase>& info) { return info.param.name; });

}  // namespace
