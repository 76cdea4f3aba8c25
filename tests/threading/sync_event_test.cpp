#include "threading/sync_event.h"

#include <gtest/gtest.h>

#include <ostream>
#include <thread>

#include "standin_hooks.h"

namespace {

struct ResetCase {
  const char* name;
  BOOL manualReset;
  bool signalledAfterOneCheck;
};

void PrintTo(const ResetCase& c, std::ostream* out) { *out << c.name; }

class SyncEventResetTest : public testing::TestWithParam<ResetCase> {};

TEST_P(SyncEventResetTest, CheckAndWaitFollowTheResetMode) {
  SyncEvent event(GetParam().manualReset);
  EXPECT_FALSE(event.Check());
  EXPECT_FALSE(event.Wait(0));
  EXPECT_FALSE(event.Wait(20));

  event.Set();
  EXPECT_TRUE(event.Check());
  EXPECT_EQ(event.Check(), GetParam().signalledAfterOneCheck);
  EXPECT_EQ(event.Wait(0), GetParam().signalledAfterOneCheck);

  event.Set();
  event.Reset();
  EXPECT_FALSE(event.Check());
}

INSTANTIATE_TEST_SUITE_P(Modes, SyncEventResetTest,
                         testing::Values(ResetCase{"Manual", TRUE, true}, ResetCase{"Auto", FALSE, false}),
                         [](const testing::TestParamInfo<ResetCase>& info) { return info.param.name; });

TEST(SyncEventTest, SetOnAnotherThreadReleasesAnInfiniteWait) {
  SyncEvent event(FALSE);
  ASSERT_TRUE(event.Created());
  std::thread setter([&] { event.Set(); });
  EXPECT_TRUE(event.Wait(INFINITE));
  setter.join();
  EXPECT_FALSE(event.Check());  // the wait consumed the auto-reset signal
}

// A failed creation is kept silent: the event answers false at once and never
// hands the platform a handle it does not have (the platform would record
// ERROR_INVALID_HANDLE as the thread's last error).
TEST(SyncEventTest, FailedCreationIsSilentAndClosesNothing) {
  StandinFailNthEventCreation(1);
  {
    SyncEvent event(TRUE);
    StandinFailNthEventCreation(0);
    EXPECT_FALSE(event.Created());
    SetLastError(ERROR_SUCCESS);
    event.Set();
    EXPECT_FALSE(event.Check());
    EXPECT_FALSE(event.Wait(INFINITE));  // returns at once
    event.Reset();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "the destructor closed a handle it never had";
}

}  // namespace
