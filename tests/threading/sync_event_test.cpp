#include "threading/sync_event.h"

#include <gtest/gtest.h>

#include <ostream>
#include <thread>

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

}  // namespace
