// A filter graph that answers IMediaEventSink with a sink the test gives it
// (or none), and nothing else.
#pragma once

#include "platform.h"
#include "tests/support/counted_fake.h"
#include "tests/support/fake_event_sink.h"

class FakeFilterGraph : public CountedFake<IFilterGraph> {
 public:
  explicit FakeFilterGraph(FakeEventSink* sink) : CountedFake(IID_IFilterGraph), sink_(sink) {}

  HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }

 protected:
  HRESULT QueryOther(REFIID iid, void** out) override {
    if (sink_ != nullptr && IsEqualGUID(iid, IID_IMediaEventSink)) {
      *out = static_cast<IMediaEventSink*>(sink_);
      sink_->AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  FakeEventSink* const sink_;
};
