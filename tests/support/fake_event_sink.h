// A graph event sink that records the events it is sent.
#pragma once

#include <vector>

#include "platform.h"
#include "tests/support/counted_fake.h"

class FakeEventSink : public CountedFake<IMediaEventSink> {
 public:
  FakeEventSink() : CountedFake(IID_IMediaEventSink) {}

  struct Event {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
  };
  std::vector<Event> events;
  HRESULT notifyResult = S_OK;

  HRESULT STDMETHODCALLTYPE Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override {
    events.push_back({code, param1, param2});
    return notifyResult;
  }
};
