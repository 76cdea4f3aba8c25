// GenericOutputPin through its filter's and its own COM interfaces: the
// allocator agreement, the checks of the other pin, commit and decommit with
// the filter's state, and delivery, against fakes of the downstream side and
// the stand-in's memory allocator.
#include "framework/generic_output_pin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <new>
#include <vector>

#include "framework/generic_filter.h"
#include "module/atomic_read.h"
#include "module/tracked_object.h"
#include "platform.h"
#include "standin_hooks.h"
#include "tests/platform/test_thread.h"
#include "tests/support/fake_allocator.h"
#include "tests/support/fake_mem_input_pin.h"
#include "tests/support/wait_until.h"
#include "threading/section_lock.h"

namespace {

constexpr CLSID kOutputFilterId{0x7e57f11e, 0x0b, 0x0b, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr LONG kBufferBytes = 720;

// Requests one buffer of kBufferBytes (keeping the alignment and prefix the
// downstream pin asked for) and records every request it was handed.
class TestOutputPin final : public GenericOutputPin {
 public:
  TestOutputPin(GenericFilter* filter, SectionLock* lock) : GenericOutputPin(filter, lock, OLESTR("out")) {}

  std::function<void(ALLOCATOR_PROPERTIES&)> adjust = [](ALLOCATOR_PROPERTIES& request) {
    request.cBuffers = 1;
    request.cbBuffer = kBufferBytes;
  };
  HRESULT createResult = S_OK;  // a failure replaces CreateDefaultAllocator
  std::vector<ALLOCATOR_PROPERTIES> sizingRequests;

  IMemAllocator* HeldAllocator() const { return Allocator; }
  IMemInputPin* HeldInputPin() const { return InputPin; }

  HRESULT CheckType(const AM_MEDIA_TYPE&) override { return S_OK; }
  HRESULT SizeBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override {
    sizingRequests.push_back(request);
    adjust(request);
    ALLOCATOR_PROPERTIES granted{};
    return allocator->SetProperties(&request, &granted);
  }
  HRESULT CreateDefaultAllocator(IMemAllocator** allocator) override {
    return FAILED(createResult) ? createResult : GenericOutputPin::CreateDefaultAllocator(allocator);
  }
};

class OutputFilter final : public GenericFilter {
 public:
  OutputFilter() : GenericFilter(nullptr, &lock_, kOutputFilterId), pin_(this, &lock_) {}

  TestOutputPin& Pin() { return pin_; }

  LONG PinCount() override { return 1; }
  GenericPin* PinAt(LONG index) override { return index == 0 ? &pin_ : nullptr; }
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin** pin) override {
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
  }

 private:
  SectionLock lock_;
  TestOutputPin pin_;
};

bool SameProperties(const ALLOCATOR_PROPERTIES& a, const ALLOCATOR_PROPERTIES& b) {
  return a.cBuffers == b.cBuffers && a.cbBuffer == b.cbBuffer && a.cbAlign == b.cbAlign && a.cbPrefix == b.cbPrefix;
}

class GenericOutputPinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    liveBefore_ = AtomicRead(&LiveObjectCount);
    filter_ = new (std::nothrow) OutputFilter;
    ASSERT_NE(filter_, nullptr);
    filter_->FilterInterface()->AddRef();
  }

  void TearDown() override {
    // As a graph would: stop, break the connection, then let the filter go.
    filter_->Stop();
    downstreamAllocator.decommitResult = S_OK;
    Pin().Disconnect();
    EXPECT_EQ(filter_->FilterInterface()->Release(), 0u);
    EXPECT_EQ(AtomicRead(&LiveObjectCount), liveBefore_);
    EXPECT_EQ(peer.References(), 0u);
    EXPECT_EQ(downstreamAllocator.References(), 0u);
    CoUninitialize();
  }

  TestOutputPin& Pin() { return filter_->Pin(); }
  IPin* PinInterface() { return Pin().PinInterface(); }
  IBaseFilter* Filter() { return filter_->FilterInterface(); }

  HRESULT ConnectToPeer() {
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_PCM;
    type.formattype = FORMAT_WaveFormatEx;
    return PinInterface()->Connect(&peer, &type);
  }

  // Expects the pin to hold nothing of a connection.
  void ExpectUnconnected() {
    IPin* connected = PinInterface();
    EXPECT_EQ(PinInterface()->ConnectedTo(&connected), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(Pin().HeldAllocator(), nullptr);
    EXPECT_EQ(Pin().HeldInputPin(), nullptr);
    EXPECT_EQ(peer.References(), 0u);
  }

  FakeMemInputPin peer;
  FakeAllocator downstreamAllocator;

 private:
  LONG liveBefore_ = 0;
  OutputFilter* filter_ = nullptr;
};

TEST_F(GenericOutputPinTest, TakesTheDownstreamAllocatorWhenItCanBeSized) {
  peer.ownAllocator = &downstreamAllocator;
  peer.requirements = {3, 100, 0, 8};
  ASSERT_EQ(ConnectToPeer(), S_OK);

  ASSERT_EQ(Pin().sizingRequests.size(), 1u);
  EXPECT_TRUE(SameProperties(Pin().sizingRequests[0], {3, 100, 1, 8})) << "alignment 0 is asked as 1";
  ASSERT_EQ(downstreamAllocator.requests.size(), 1u);
  EXPECT_TRUE(SameProperties(downstreamAllocator.requests[0], {1, kBufferBytes, 1, 8}));
  ASSERT_EQ(peer.notified.size(), 1u);
  EXPECT_EQ(peer.notified[0].first, &downstreamAllocator);
  EXPECT_EQ(peer.notified[0].second, FALSE);
  EXPECT_EQ(Pin().HeldAllocator(), &downstreamAllocator);
  EXPECT_EQ(downstreamAllocator.References(), 1u);
  EXPECT_EQ(peer.References(), 2u) << "the connected pin and its IMemInputPin";
  EXPECT_EQ(downstreamAllocator.commits, 0) << "not committed until the filter pauses";

  ASSERT_EQ(Filter()->Pause(), S_OK);
  EXPECT_EQ(downstreamAllocator.commits, 1);
  ASSERT_EQ(Filter()->Run(0), S_OK);
  ASSERT_EQ(Filter()->Stop(), S_OK);
  EXPECT_EQ(downstreamAllocator.decommits, 1);

  EXPECT_EQ(PinInterface()->Disconnect(), S_OK);
  EXPECT_EQ(downstreamAllocator.decommits, 2) << "BreakPeer decommits before it lets go";
  ExpectUnconnected();
  EXPECT_EQ(downstreamAllocator.References(), 0u);
}

struct FallbackCase {
  const char* name;
  bool downstreamOffers;      // else its GetAllocator fails
  bool downstreamOffersNone;  // its GetAllocator succeeds without an allocator
  HRESULT requirementsResult;
  ALLOCATOR_PROPERTIES requirements;
  // What each SizeBuffers call is handed, in order.
  std::vector<ALLOCATOR_PROPERTIES> sizingRequests;
};

class OutputPinFallbackTest : public GenericOutputPinTest, public ::testing::WithParamInterface<FallbackCase> {};

// The fallback is the stand-in's memory allocator, sized, made known
// writable, committed while paused, and usable for delivery.
TEST_P(OutputPinFallbackTest, UsesANewMemoryAllocator) {
  const FallbackCase& given = GetParam();
  if (given.downstreamOffers) {
    peer.ownAllocator = &downstreamAllocator;
    downstreamAllocator.setPropertiesResult = E_FAIL;
  }
  peer.allocatorAsNone = given.downstreamOffersNone;
  peer.requirementsResult = given.requirementsResult;
  peer.requirements = given.requirements;
  ASSERT_EQ(ConnectToPeer(), S_OK);

  ASSERT_EQ(Pin().sizingRequests.size(), given.sizingRequests.size());
  for (size_t at = 0; at < given.sizingRequests.size(); ++at) {
    EXPECT_TRUE(SameProperties(Pin().sizingRequests[at], given.sizingRequests[at])) << "call " << at;
  }
  EXPECT_EQ(downstreamAllocator.References(), 0u) << "a refused downstream allocator is let go";
  IMemAllocator* chosen = Pin().HeldAllocator();
  ASSERT_NE(chosen, nullptr);
  EXPECT_NE(chosen, &downstreamAllocator);
  ASSERT_EQ(peer.notified.size(), 1u);
  EXPECT_EQ(peer.notified[0].first, chosen);
  EXPECT_EQ(peer.notified[0].second, FALSE);

  IMediaSample* sample = nullptr;
  EXPECT_EQ(Pin().ObtainBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  ASSERT_EQ(Filter()->Pause(), S_OK);
  ASSERT_EQ(Pin().ObtainBuffer(&sample, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(sample->GetSize(), kBufferBytes);
  EXPECT_EQ(Pin().SendSample(sample), S_OK);
  ASSERT_EQ(peer.received.size(), 1u);
  EXPECT_EQ(peer.received[0], sample);
  EXPECT_EQ(sample->Release(), 0u) << "the sender's reference stays the sender's";
  ASSERT_EQ(Filter()->Stop(), S_OK);
  EXPECT_EQ(Pin().ObtainBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, OutputPinFallbackTest,
    ::testing::Values(
        FallbackCase{"DownstreamHasNoAllocatorNorRequirements", false, false, E_NOTIMPL, {9, 9, 9, 9}, {{0, 0, 1, 0}}},
        FallbackCase{"DownstreamHasNoAllocator", false, false, S_OK, {2, 64, 4, 0}, {{2, 64, 4, 0}}},
        FallbackCase{"DownstreamAnswersNoAllocator", false, true, S_OK, {1, 16, 2, 0}, {{1, 16, 2, 0}}},
        // The second SizeBuffers sees the record as the first one left it.
        FallbackCase{"DownstreamAllocatorRefusesTheSize",
                     true,
                     false,
                     S_OK,
                     {4, 50, 0, 2},
                     {{4, 50, 1, 2}, {1, kBufferBytes, 1, 2}}}),
    [](const auto& info) { return info.param.name; });

struct TotalFailureCase {
  const char* name;
  HRESULT createResult;
  bool newAllocatorRefused;  // SizeBuffers asks the new allocator for a bad alignment
  HRESULT notifyResult;
  HRESULT expected;
};

class OutputPinTotalFailureTest : public GenericOutputPinTest,
                                  public ::testing::WithParamInterface<TotalFailureCase> {};

TEST_P(OutputPinTotalFailureTest, ReportsTheSecondChoiceAndKeepsNothing) {
  const TotalFailureCase& given = GetParam();
  peer.ownAllocator = &downstreamAllocator;
  downstreamAllocator.setPropertiesResult = VFW_E_BADALIGN;  // never reported
  Pin().createResult = given.createResult;
  if (given.newAllocatorRefused) {
    Pin().adjust = [](ALLOCATOR_PROPERTIES& request) { request.cbAlign = 3; };
  }
  peer.notifyResult = given.notifyResult;

  EXPECT_EQ(ConnectToPeer(), given.expected);
  ExpectUnconnected();
  EXPECT_EQ(peer.disconnectCalls, 1) << "it had accepted the connection";
  EXPECT_EQ(downstreamAllocator.References(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Failures, OutputPinTotalFailureTest,
                         ::testing::Values(TotalFailureCase{"CreationFails", E_OUTOFMEMORY, false, S_OK, E_OUTOFMEMORY},
                                           TotalFailureCase{"SizingFails", S_OK, true, S_OK, VFW_E_BADALIGN},
                                           TotalFailureCase{"NotifyFails", S_OK, false, E_ABORT, E_ABORT}),
                         [](const auto& info) { return info.param.name; });

struct PeerCase {
  const char* name;
  PIN_DIRECTION direction;
  HRESULT queryDirectionResult;  // a failure answers nothing
  bool offersMemInput;
  bool memInputAsNone;
  HRESULT expected;
  int memInputQueries;
};

class OutputPinPeerTest : public GenericOutputPinTest, public ::testing::WithParamInterface<PeerCase> {};

TEST_P(OutputPinPeerTest, VetsTheOtherPin) {
  const PeerCase& given = GetParam();
  peer.direction = given.direction;
  peer.queryDirectionResult = given.queryDirectionResult;
  peer.offersMemInput = given.offersMemInput;
  peer.memInputAsNone = given.memInputAsNone;
  EXPECT_EQ(ConnectToPeer(), given.expected);
  EXPECT_EQ(peer.memInputQueries, given.memInputQueries);
  if (FAILED(given.expected)) {
    ExpectUnconnected();
    EXPECT_TRUE(peer.offeredSubtypes.empty()) << "refused before ReceiveConnection";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Peers, OutputPinPeerTest,
    ::testing::Values(PeerCase{"AnotherOutputPin", PINDIR_OUTPUT, S_OK, true, false, VFW_E_INVALID_DIRECTION, 0},
                      PeerCase{"SilentDirectionPasses", PINDIR_OUTPUT, E_NOTIMPL, true, false, S_OK, 1},
                      PeerCase{"NoMemInputPin", PINDIR_INPUT, S_OK, false, false, E_NOINTERFACE, 1},
                      // A query that succeeds without an interface gives no IMemInputPin.
                      PeerCase{"MemInputPinAnsweredAsNone", PINDIR_INPUT, S_OK, true, true, E_NOINTERFACE, 1}),
    [](const auto& info) { return info.param.name; });

TEST_F(GenericOutputPinTest, UnconnectedPinHasNothingToUseOrSendTo) {
  EXPECT_EQ(Pin().Activate(), VFW_E_NO_ALLOCATOR);
  EXPECT_EQ(Pin().Deactivate(), VFW_E_NO_ALLOCATOR);
  IMediaSample* sample = reinterpret_cast<IMediaSample*>(&peer);
  EXPECT_EQ(Pin().ObtainBuffer(&sample, nullptr, nullptr, 0), E_NOINTERFACE);
  EXPECT_EQ(sample, nullptr);
  EXPECT_EQ(Pin().SendSample(nullptr), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(Pin().SendEndOfStream(), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(Pin().SendBeginFlush(), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(Pin().SendEndFlush(), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(Pin().SendNewSegment(0, 10, 1.0), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(Filter()->Pause(), S_OK) << "an unconnected pin is not activated";
}

TEST_F(GenericOutputPinTest, PassesTheDownstreamAnswersBack) {
  peer.ownAllocator = &downstreamAllocator;
  ASSERT_EQ(ConnectToPeer(), S_OK);

  downstreamAllocator.commitResult = E_OUTOFMEMORY;
  EXPECT_EQ(Filter()->Pause(), E_OUTOFMEMORY) << "a failed commit fails the pause";
  downstreamAllocator.commitResult = S_OK;
  ASSERT_EQ(Filter()->Pause(), S_OK);
  downstreamAllocator.decommitResult = E_UNEXPECTED;
  EXPECT_EQ(Filter()->Stop(), E_UNEXPECTED);
  downstreamAllocator.decommitResult = S_OK;

  downstreamAllocator.getBufferResult = VFW_E_TIMEOUT;
  IMediaSample* sample = nullptr;
  REFERENCE_TIME start = 1, stop = 2;
  EXPECT_EQ(Pin().ObtainBuffer(&sample, &start, &stop, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
  EXPECT_EQ(downstreamAllocator.lastFlags, static_cast<DWORD>(AM_GBF_NOWAIT));

  peer.receiveResult = S_FALSE;
  peer.streamEventResult = E_ABORT;
  EXPECT_EQ(Pin().SendSample(nullptr), S_FALSE);
  EXPECT_EQ(Pin().SendEndOfStream(), E_ABORT);
  EXPECT_EQ(Pin().SendBeginFlush(), E_ABORT);
  EXPECT_EQ(Pin().SendEndFlush(), E_ABORT);
  EXPECT_EQ(Pin().SendNewSegment(0, 10, 0.5), E_ABORT);
  EXPECT_EQ(peer.endOfStreams, 1);
  EXPECT_EQ(peer.beginFlushes, 1);
  EXPECT_EQ(peer.endFlushes, 1);
  EXPECT_EQ(peer.segmentRates, std::vector<double>{0.5});
}

TEST_F(GenericOutputPinTest, DisconnectWhoseDecommitFailsKeepsTheConnection) {
  peer.ownAllocator = &downstreamAllocator;
  ASSERT_EQ(ConnectToPeer(), S_OK);
  downstreamAllocator.decommitResult = E_UNEXPECTED;

  EXPECT_EQ(PinInterface()->Disconnect(), E_UNEXPECTED);
  IPin* connected = nullptr;
  ASSERT_EQ(PinInterface()->ConnectedTo(&connected), S_OK);
  EXPECT_EQ(connected, static_cast<IPin*>(&peer));
  connected->Release();
  EXPECT_EQ(Pin().HeldAllocator(), &downstreamAllocator);
  EXPECT_EQ(Pin().HeldInputPin(), static_cast<IMemInputPin*>(&peer));
  EXPECT_EQ(downstreamAllocator.References(), 1u);
  EXPECT_EQ(peer.References(), 2u);

  downstreamAllocator.decommitResult = S_OK;
  EXPECT_EQ(PinInterface()->Disconnect(), S_OK);
  ExpectUnconnected();
}

// The stop path that a streaming thread relies on: Stop decommits, and a
// thread waiting in ObtainBuffer for the only buffer gets a failure.
TEST_F(GenericOutputPinTest, StopWakesAThreadWaitingInObtainBuffer) {
  ASSERT_EQ(ConnectToPeer(), S_OK);
  ASSERT_EQ(Filter()->Pause(), S_OK);
  IMediaSample* held = nullptr;
  ASSERT_EQ(Pin().ObtainBuffer(&held, nullptr, nullptr, 0), S_OK);

  std::atomic<HRESULT> waited{S_OK};
  std::atomic<bool> done{false};
  TestThread streaming([&] {
    IMediaSample* sample = nullptr;
    waited = Pin().ObtainBuffer(&sample, nullptr, nullptr, 0);
    done = true;
    if (sample != nullptr) {
      sample->Release();
    }
  });
  EXPECT_TRUE(WaitUntil([&] { return StandinAllocatorWaiters(Pin().HeldAllocator()) == 1; }));
  EXPECT_FALSE(done.load());
  ASSERT_EQ(Filter()->Stop(), S_OK);
  streaming.Join();
  EXPECT_EQ(waited.load(), VFW_E_NOT_COMMITTED);
  EXPECT_EQ(held->Release(), 0u);
}

}  // namespace
