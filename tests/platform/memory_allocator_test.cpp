// The runtime's memory allocator and its media samples, created through
// CoCreateInstance as the module creates them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform.h"
#include "standin_hooks.h"
#include "tests/platform/test_thread.h"
#include "tests/support/counting_unknown.h"
#include "tests/support/wait_until.h"

namespace {

class MemoryAllocatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                               reinterpret_cast<void**>(&allocator_)),
              S_OK);
  }
  void TearDown() override {
    if (allocator_ != nullptr) {
      EXPECT_EQ(allocator_->Release(), 0u);
    }
    CoUninitialize();
  }

  // Sizes and commits the allocator.
  void Prepare(LONG count, LONG size, LONG align = 1, LONG prefix = 0) {
    ALLOCATOR_PROPERTIES request{count, size, align, prefix};
    ALLOCATOR_PROPERTIES granted{};
    ASSERT_EQ(allocator_->SetProperties(&request, &granted), S_OK);
    ASSERT_EQ(allocator_->Commit(), S_OK);
  }

  IMediaSample* Take(DWORD flags = 0) {
    IMediaSample* sample = nullptr;
    EXPECT_EQ(allocator_->GetBuffer(&sample, nullptr, nullptr, flags), S_OK);
    return sample;
  }

  IMemAllocator* allocator_ = nullptr;
};

struct SizingCase {
  const char* name;
  ALLOCATOR_PROPERTIES request;
  HRESULT result;
  ALLOCATOR_PROPERTIES granted;  // read only when the result is S_OK
};

class AllocatorSizingTest : public MemoryAllocatorTest, public ::testing::WithParamInterface<SizingCase> {};

TEST_P(AllocatorSizingTest, GrantsOrRefusesTheRequest) {
  ALLOCATOR_PROPERTIES request = GetParam().request;
  ALLOCATOR_PROPERTIES granted{-1, -1, -1, -1};
  ASSERT_EQ(allocator_->SetProperties(&request, &granted), GetParam().result);
  if (GetParam().result != S_OK) {
    EXPECT_EQ(allocator_->Commit(), VFW_E_SIZENOTSET) << "a refused request sets nothing";
    return;
  }
  const ALLOCATOR_PROPERTIES& expected = GetParam().granted;
  EXPECT_EQ(granted.cBuffers, expected.cBuffers);
  EXPECT_EQ(granted.cbBuffer, expected.cbBuffer);
  EXPECT_EQ(granted.cbAlign, expected.cbAlign);
  EXPECT_EQ(granted.cbPrefix, expected.cbPrefix);
  ALLOCATOR_PROPERTIES read{};
  ASSERT_EQ(allocator_->GetProperties(&read), S_OK);
  EXPECT_EQ(std::memcmp(&read, &granted, sizeof read), 0);

  // Every buffer is aligned, holds the granted size, and has the prefix
  // before it (ASan catches a write outside the block).
  ASSERT_EQ(allocator_->Commit(), S_OK);
  std::vector<IMediaSample*> samples;
  for (LONG at = 0; at < granted.cBuffers; ++at) {
    IMediaSample* sample = Take(AM_GBF_NOWAIT);
    ASSERT_NE(sample, nullptr);
    BYTE* data = nullptr;
    ASSERT_EQ(sample->GetPointer(&data), S_OK);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % static_cast<std::uintptr_t>(granted.cbAlign), 0u);
    EXPECT_EQ(sample->GetSize(), granted.cbBuffer);
    EXPECT_EQ(sample->GetActualDataLength(), granted.cbBuffer);
    std::memset(data - granted.cbPrefix, 0xA5, static_cast<size_t>(granted.cbPrefix + granted.cbBuffer));
    samples.push_back(sample);
  }
  for (IMediaSample* sample : samples) {
    EXPECT_EQ(sample->Release(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Requests, AllocatorSizingTest,
                         ::testing::Values(SizingCase{"OneExactBuffer", {1, 720, 1, 0}, S_OK, {1, 720, 1, 0}},
                                           SizingCase{
                                               "SizeRoundedUpPrefixKept", {3, 100, 16, 8}, S_OK, {3, 112, 16, 8}},
                                           SizingCase{"ZeroAlignment", {1, 100, 0, 0}, VFW_E_BADALIGN, {}},
                                           SizingCase{"AlignmentNotPowerOfTwo", {1, 100, 12, 0}, VFW_E_BADALIGN, {}},
                                           SizingCase{"NegativeAlignment", {1, 100, -4, 0}, VFW_E_BADALIGN, {}},
                                           SizingCase{"NoBuffers", {0, 100, 1, 0}, E_INVALIDARG, {}},
                                           SizingCase{"EmptyBuffers", {1, 0, 1, 0}, E_INVALIDARG, {}},
                                           SizingCase{"NegativePrefix", {1, 100, 1, -1}, E_INVALIDARG, {}},
                                           SizingCase{"RoundedSizeTooLarge", {1, 0x7FFFFFFF, 2, 0}, E_INVALIDARG, {}}),
                         [](const auto& info) { return info.param.name; });

TEST_F(MemoryAllocatorTest, RefusesCallsOutOfState) {
  ALLOCATOR_PROPERTIES request{1, 64, 1, 0};
  ALLOCATOR_PROPERTIES granted{};
  EXPECT_EQ(allocator_->SetProperties(nullptr, &granted), E_POINTER);
  EXPECT_EQ(allocator_->SetProperties(&request, nullptr), E_POINTER);
  EXPECT_EQ(allocator_->GetProperties(nullptr), E_POINTER);
  EXPECT_EQ(allocator_->Commit(), VFW_E_SIZENOTSET);

  IMediaSample* sample = reinterpret_cast<IMediaSample*>(this);
  EXPECT_EQ(allocator_->GetBuffer(nullptr, nullptr, nullptr, 0), E_POINTER);
  EXPECT_EQ(allocator_->GetBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  EXPECT_EQ(sample, nullptr);

  Prepare(1, 64);
  EXPECT_EQ(allocator_->Commit(), S_OK) << "committing twice is harmless";
  EXPECT_EQ(allocator_->SetProperties(&request, &granted), VFW_E_ALREADY_COMMITTED);
  sample = Take();
  ASSERT_EQ(allocator_->Decommit(), S_OK);
  EXPECT_EQ(allocator_->SetProperties(&request, &granted), VFW_E_BUFFERS_OUTSTANDING);
  IMediaSample* late = nullptr;
  EXPECT_EQ(allocator_->GetBuffer(&late, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);

  // The sample out stays usable after Decommit; its return frees the buffers.
  BYTE* data = nullptr;
  ASSERT_EQ(sample->GetPointer(&data), S_OK);
  std::memset(data, 1, 64);
  EXPECT_EQ(sample->Release(), 0u);
  EXPECT_EQ(allocator_->SetProperties(&request, &granted), S_OK);
  EXPECT_EQ(allocator_->Decommit(), S_OK) << "decommitting twice is harmless";
}

TEST_F(MemoryAllocatorTest, ReleaseBufferTakesOnlyItsOwnReturnedSamples) {
  Prepare(1, 16);
  IMediaSample* sample = Take();
  EXPECT_EQ(allocator_->ReleaseBuffer(nullptr), E_POINTER);
  EXPECT_EQ(allocator_->ReleaseBuffer(sample), E_INVALIDARG) << "its holder still has it";

  IMemAllocator* other = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                             reinterpret_cast<void**>(&other)),
            S_OK);
  EXPECT_EQ(other->ReleaseBuffer(sample), E_INVALIDARG);
  EXPECT_EQ(other->Release(), 0u);
  EXPECT_EQ(sample->Release(), 0u);
  EXPECT_EQ(allocator_->ReleaseBuffer(sample), E_INVALIDARG) << "already back";
}

TEST_F(MemoryAllocatorTest, NoWaitAnswersTimeoutWhileEveryBufferIsOut) {
  Prepare(1, 16);
  IMediaSample* first = Take();
  IMediaSample* none = nullptr;
  EXPECT_EQ(allocator_->GetBuffer(&none, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(first->Release(), 0u);
  IMediaSample* again = Take(AM_GBF_NOWAIT);
  EXPECT_EQ(again, first) << "the one buffer came back";
  EXPECT_EQ(again->Release(), 0u);
}

TEST_F(MemoryAllocatorTest, GetBufferWaitsUntilASampleIsReleasedOnAnotherThread) {
  Prepare(1, 16);
  IMediaSample* held = Take();
  std::atomic<bool> returned{false};
  IMediaSample* waited = nullptr;
  TestThread waiter([&] {
    EXPECT_EQ(allocator_->GetBuffer(&waited, nullptr, nullptr, 0), S_OK);
    returned = true;
  });
  EXPECT_TRUE(WaitUntil([&] { return StandinAllocatorWaiters(allocator_) == 1; }));
  EXPECT_FALSE(returned.load()) << "GetBuffer must wait while the only buffer is out";
  EXPECT_EQ(held->Release(), 0u);
  waiter.Join();
  ASSERT_TRUE(returned.load());
  EXPECT_EQ(waited, held);
  EXPECT_EQ(waited->Release(), 0u);
}

TEST_F(MemoryAllocatorTest, DecommitFailsEveryWaitingGetBuffer) {
  Prepare(1, 16);
  IMediaSample* held = Take();
  std::atomic<int> failed{0};
  auto wait = [&] {
    IMediaSample* sample = nullptr;
    if (allocator_->GetBuffer(&sample, nullptr, nullptr, 0) == VFW_E_NOT_COMMITTED && sample == nullptr) {
      ++failed;
    }
  };
  TestThread first(wait);
  TestThread second(wait);
  if (!WaitUntil([&] { return StandinAllocatorWaiters(allocator_) == 2; })) {
    allocator_->Decommit();  // lets the callers go rather than leave them waiting
    held->Release();
    FAIL() << "the callers never both waited in GetBuffer";
  }
  EXPECT_EQ(failed.load(), 0);
  // Committing again at once must not keep the woken callers waiting.
  ASSERT_EQ(allocator_->Decommit(), S_OK);
  ASSERT_EQ(allocator_->Commit(), S_OK);
  first.Join();
  second.Join();
  EXPECT_EQ(failed.load(), 2);
  EXPECT_EQ(held->Release(), 0u);
  IMediaSample* reused = Take(AM_GBF_NOWAIT);
  EXPECT_EQ(reused, held) << "the re-committed allocator kept the buffer that was out";
  EXPECT_EQ(reused->Release(), 0u);
}

TEST_F(MemoryAllocatorTest, LastReleaseReturnsTheSampleReset) {
  Prepare(1, 32);
  IMediaSample* sample = Take();
  EXPECT_EQ(sample->AddRef(), 2u);
  EXPECT_EQ(sample->Release(), 1u) << "not yet back";
  IMediaSample* none = nullptr;
  EXPECT_EQ(allocator_->GetBuffer(&none, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);

  REFERENCE_TIME start = 10, stop = 20;
  LONGLONG mediaStart = 1, mediaStop = 2;
  CountingUnknown typeObject;
  BYTE format[3] = {7, 8, 9};
  AM_MEDIA_TYPE type{};
  type.majortype = MEDIATYPE_Audio;
  type.pUnk = &typeObject;
  type.cbFormat = sizeof format;
  type.pbFormat = format;
  ASSERT_EQ(sample->SetTime(&start, &stop), S_OK);
  ASSERT_EQ(sample->SetMediaTime(&mediaStart, &mediaStop), S_OK);
  ASSERT_EQ(sample->SetSyncPoint(TRUE), S_OK);
  ASSERT_EQ(sample->SetPreroll(TRUE), S_OK);
  ASSERT_EQ(sample->SetDiscontinuity(TRUE), S_OK);
  ASSERT_EQ(sample->SetActualDataLength(5), S_OK);
  ASSERT_EQ(sample->SetMediaType(&type), S_OK);
  EXPECT_EQ(typeObject.References(), 1u);
  EXPECT_EQ(sample->Release(), 0u);
  EXPECT_EQ(typeObject.References(), 0u) << "the kept type went with the reset";

  IMediaSample* again = Take(AM_GBF_NOWAIT);
  ASSERT_EQ(again, sample);
  EXPECT_EQ(again->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(again->GetMediaTime(&mediaStart, &mediaStop), VFW_E_MEDIA_TIME_NOT_SET);
  EXPECT_EQ(again->IsSyncPoint(), S_FALSE);
  EXPECT_EQ(again->IsPreroll(), S_FALSE);
  EXPECT_EQ(again->IsDiscontinuity(), S_FALSE);
  EXPECT_EQ(again->GetActualDataLength(), 32);
  AM_MEDIA_TYPE* noType = &type;
  EXPECT_EQ(again->GetMediaType(&noType), S_FALSE);
  EXPECT_EQ(noType, nullptr);
  EXPECT_EQ(again->Release(), 0u);
}

TEST_F(MemoryAllocatorTest, SampleKeepsItsProperties) {
  Prepare(1, 32);
  IMediaSample* sample = Take();
  REFERENCE_TIME start = 0, stop = 0;
  REFERENCE_TIME givenStart = 100, givenStop = 250;
  EXPECT_EQ(sample->GetTime(nullptr, &stop), E_POINTER);
  ASSERT_EQ(sample->SetTime(&givenStart, nullptr), S_OK);
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
  EXPECT_EQ(start, 100);
  ASSERT_EQ(sample->SetTime(&givenStart, &givenStop), S_OK);
  EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
  EXPECT_EQ(start, 100);
  EXPECT_EQ(stop, 250);
  ASSERT_EQ(sample->SetTime(nullptr, nullptr), S_OK);
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

  EXPECT_EQ(sample->SetActualDataLength(33), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(sample->SetActualDataLength(-1), E_INVALIDARG);
  EXPECT_EQ(sample->SetActualDataLength(32), S_OK);
  EXPECT_EQ(sample->SetActualDataLength(0), S_OK);
  EXPECT_EQ(sample->GetActualDataLength(), 0);

  // The media type comes back as a task-memory copy with its own format block.
  BYTE format[4] = {1, 2, 3, 4};
  CountingUnknown typeObject;
  AM_MEDIA_TYPE type{};
  type.subtype = MEDIASUBTYPE_PCM;
  type.cbFormat = sizeof format;
  type.pbFormat = format;
  type.pUnk = &typeObject;
  ASSERT_EQ(sample->SetMediaType(&type), S_OK);
  format[0] = 99;
  AM_MEDIA_TYPE* copy = nullptr;
  ASSERT_EQ(sample->GetMediaType(&copy), S_OK);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(IsEqualGUID(copy->subtype, MEDIASUBTYPE_PCM));
  ASSERT_EQ(copy->cbFormat, 4u);
  EXPECT_NE(copy->pbFormat, format);
  EXPECT_EQ(copy->pbFormat[0], 1);
  EXPECT_EQ(typeObject.References(), 2u);
  CoTaskMemFree(copy->pbFormat);
  copy->pUnk->Release();
  CoTaskMemFree(copy);
  ASSERT_EQ(sample->SetMediaType(nullptr), S_OK);
  EXPECT_EQ(typeObject.References(), 0u);
  EXPECT_EQ(sample->GetMediaType(&copy), S_FALSE);

  LONGLONG mediaStart = 3, mediaStop = 4;
  EXPECT_EQ(sample->SetMediaTime(&mediaStart, nullptr), E_POINTER);
  ASSERT_EQ(sample->SetMediaTime(&mediaStart, &mediaStop), S_OK);
  mediaStart = mediaStop = 0;
  EXPECT_EQ(sample->GetMediaTime(&mediaStart, &mediaStop), S_OK);
  EXPECT_EQ(mediaStart, 3);
  EXPECT_EQ(mediaStop, 4);

  IMediaSample* viaQuery = nullptr;
  ASSERT_EQ(sample->QueryInterface(IID_IMediaSample, reinterpret_cast<void**>(&viaQuery)), S_OK);
  EXPECT_EQ(viaQuery, sample);
  EXPECT_EQ(viaQuery->Release(), 1u);
  EXPECT_EQ(sample->Release(), 0u);
}

TEST_F(MemoryAllocatorTest, AllocatorOutlivesItsLastSample) {
  Prepare(2, 64);
  IMediaSample* sample = Take();
  EXPECT_EQ(allocator_->Release(), 1u) << "the sample out holds the allocator";
  allocator_ = nullptr;
  BYTE* data = nullptr;
  ASSERT_EQ(sample->GetPointer(&data), S_OK);
  std::memset(data, 0, 64);
  EXPECT_EQ(sample->Release(), 0u);  // frees allocator and buffers (ASan/LSan see any leak)
}

TEST_F(MemoryAllocatorTest, RefusesAggregation) {
  CountingUnknown outer;
  IUnknown* inner = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_MemoryAllocator, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&inner)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(inner, nullptr);
}

// Several threads take and return buffers; no buffer is ever held by two of
// them at once, and a final Decommit releases everyone.
TEST_F(MemoryAllocatorTest, ConcurrentHoldersNeverShareABuffer) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 500;
  Prepare(2, sizeof(int));
  std::atomic<int> shared{0};
  auto work = [&](int tag) {
    for (int round = 0; round < kRounds; ++round) {
      IMediaSample* sample = nullptr;
      if (allocator_->GetBuffer(&sample, nullptr, nullptr, 0) != S_OK) {
        return;
      }
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      std::memcpy(data, &tag, sizeof tag);
      Sleep(0);
      int seen = 0;
      std::memcpy(&seen, data, sizeof seen);
      if (seen != tag) {
        ++shared;
      }
      sample->Release();
    }
  };
  std::vector<std::unique_ptr<TestThread>> threads;
  for (int tag = 0; tag < kThreads; ++tag) {
    threads.push_back(std::make_unique<TestThread>([&work, tag] { work(tag); }));
  }
  for (auto& thread : threads) {
    thread->Join();
  }
  EXPECT_EQ(shared.load(), 0);
  EXPECT_EQ(allocator_->Decommit(), S_OK);
}

}  // namespace
