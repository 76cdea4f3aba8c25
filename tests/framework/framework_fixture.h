// The fixture of the framework tests: one test filter with its pins, peer
// fakes, and the check that every object and reference a test made is gone
// by its end.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "module/atomic_read.h"
#include "module/tracked_object.h"
#include "platform.h"
#include "tests/framework/test_filter.h"
#include "tests/support/counting_unknown.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_event_sink.h"
#include "tests/support/fake_filter_graph.h"
#include "tests/support/fake_input_pin.h"

namespace framework_test {

// The count an object holds after this call, read by a matched AddRef and
// Release.
template <class Interface>
ULONG RefsOf(Interface* object) {
  object->AddRef();
  return object->Release();
}

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override { liveBefore_ = AtomicRead(&LiveObjectCount); }

  void TearDown() override {
    if (filter_ != nullptr) {
      // Connections hold references on the peers; break them as a graph
      // would before it lets the filter go.
      filter_->Stop();
      for (LONG index = 0; index < filter_->PinCount(); ++index) {
        filter_->Pin(index).breakPeerResult = S_OK;
        filter_->Pin(index).Disconnect();
      }
      EXPECT_EQ(filter_->FilterInterface()->Release(), 0u);
    }
    EXPECT_EQ(AtomicRead(&LiveObjectCount), liveBefore_);
    for (const FakeInputPin& peer : peers) {
      EXPECT_EQ(peer.References(), 0u);
      EXPECT_EQ(peer.liveTypeLists, 0);
    }
    EXPECT_EQ(clock.References(), 0u);
    EXPECT_EQ(sink.References(), 0u);
    EXPECT_EQ(graph.References(), 0u);
    EXPECT_EQ(attachment.References(), 0u);
  }

  // The filter under test, holding the test's one reference until TearDown.
  TestFilter& MakeFilter(int pinCount, const WCHAR* pinName = OLESTR("pin")) {
    filter_ = new (std::nothrow) TestFilter(pinCount, pinName);
    filter_->FilterInterface()->AddRef();
    return *filter_;
  }
  TestFilter& Filter() { return *filter_; }
  IBaseFilter* Base() { return filter_->FilterInterface(); }
  IPin* PinOf(int index) { return filter_->Pin(index).PinInterface(); }

  // Connects pin `index` to peers[index] with a complete type.
  void ConnectPin(int index, const TypeDescription& description = TypeA(1)) {
    OwnedMediaType type;
    ASSERT_TRUE(FillRecord(type, description));
    ASSERT_EQ(PinOf(index)->Connect(&peers[index], &type), S_OK);
  }

  FakeInputPin peers[3];
  FakeClock clock;
  FakeEventSink sink;
  FakeFilterGraph graph{&sink};
  // A pUnk for media types; it outlives the filter, which may hold it.
  CountingUnknown attachment;

 private:
  LONG liveBefore_ = 0;
  TestFilter* filter_ = nullptr;
};

}  // namespace framework_test
