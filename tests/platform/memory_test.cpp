// The process heap and task memory, and the allocation hooks on both seams.
#include <gtest/gtest.h>

#include <cstring>

#include "platform.h"
#include "standin_hooks.h"
#include "tests/platform/test_thread.h"

namespace {

TEST(Memory, HeapAndTaskMemoryGiveUsableBlocks) {
  auto* zeroed = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 4096));
  ASSERT_NE(zeroed, nullptr);
  for (int at = 0; at < 4096; ++at) {
    ASSERT_EQ(zeroed[at], 0) << "at " << at;
  }
  EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, zeroed));

  void* empty = CoTaskMemAlloc(0);
  EXPECT_NE(empty, nullptr);
  CoTaskMemFree(empty);
  CoTaskMemFree(nullptr);

  int otherHeap = 0;
  EXPECT_EQ(HeapAlloc(&otherHeap, 0, 16), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(AllocationHooks, NthAllocationFailsOnEitherSeamThenDisarms) {
  const LONG before = StandinAllocationCount();
  StandinFailNthAllocation(3);
  void* first = HeapAlloc(GetProcessHeap(), 0, 8);
  void* second = CoTaskMemAlloc(8);
  void* failedTask = CoTaskMemAlloc(8);
  void* fourth = CoTaskMemAlloc(8);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(failedTask, nullptr);
  EXPECT_NE(fourth, nullptr) << "the hook disarms after one failure";
  EXPECT_EQ(StandinAllocationCount() - before, 3) << "only successes count";

  StandinFailNthAllocation(1);
  EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, 8), nullptr);

  StandinFailNthAllocation(2);
  StandinFailNthAllocation(0);  // disarmed before it struck
  void* fifth = HeapAlloc(GetProcessHeap(), 0, 8);
  void* sixth = HeapAlloc(GetProcessHeap(), 0, 8);
  EXPECT_NE(fifth, nullptr);
  EXPECT_NE(sixth, nullptr);

  HeapFree(GetProcessHeap(), 0, first);
  CoTaskMemFree(second);
  CoTaskMemFree(fourth);
  HeapFree(GetProcessHeap(), 0, fifth);
  HeapFree(GetProcessHeap(), 0, sixth);
}

TEST(AllocationHooks, CountAndCountdownAreSharedSafelyByThreads) {
  constexpr int kPerThread = 500;
  const LONG before = StandinAllocationCount();
  StandinFailNthAllocation(kPerThread);  // strikes exactly once among both threads
  std::atomic<int> failures{0};
  auto allocate = [&] {
    for (int round = 0; round < kPerThread; ++round) {
      void* block = round % 2 == 0 ? HeapAlloc(GetProcessHeap(), 0, 32) : CoTaskMemAlloc(32);
      if (block == nullptr) {
        ++failures;
      }
      round % 2 == 0 ? (void)HeapFree(GetProcessHeap(), 0, block) : CoTaskMemFree(block);
    }
  };
  {
    TestThread first(allocate);
    TestThread second(allocate);
  }
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(StandinAllocationCount() - before, 2 * kPerThread - 1);
}

}  // namespace
