// A downstream pin that takes samples: FakeInputPin's IPin together with an
// IMemInputPin, both on one reference count. Its allocator calls answer what
// a test sets; it records what it was given and holds no reference on it.
#pragma once

#include <utility>
#include <vector>

#include "platform.h"
#include "tests/support/fake_input_pin.h"

class FakeMemInputPin : public FakeInputPin, public IMemInputPin {
 public:
  // --- What it answers ---
  bool offersMemInput = true;
  // A misbehaving pin: its IMemInputPin query succeeds with none.
  bool memInputAsNone = false;
  // A failure writes nothing into the caller's record.
  HRESULT requirementsResult = S_OK;
  ALLOCATOR_PROPERTIES requirements{0, 0, 0, 0};
  // GetAllocator hands this out with a reference; none answers
  // VFW_E_NO_ALLOCATOR.
  IMemAllocator* ownAllocator = nullptr;
  // A misbehaving pin: GetAllocator succeeds with none.
  bool allocatorAsNone = false;
  HRESULT notifyResult = S_OK;
  HRESULT receiveResult = S_OK;
  HRESULT streamEventResult = S_OK;

  // --- What it saw ---
  int memInputQueries = 0;
  std::vector<std::pair<IMemAllocator*, BOOL>> notified;
  std::vector<IMediaSample*> received;
  int endOfStreams = 0;
  int beginFlushes = 0;
  int endFlushes = 0;
  std::vector<double> segmentRates;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return FakeInputPin::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return FakeInputPin::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return FakeInputPin::Release(); }

  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override {
    if (allocatorAsNone) {
      *allocator = nullptr;
      return S_OK;
    }
    *allocator = ownAllocator;
    if (ownAllocator == nullptr) {
      return VFW_E_NO_ALLOCATOR;
    }
    ownAllocator->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override {
    notified.emplace_back(allocator, readOnly);
    return notifyResult;
  }
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override {
    if (SUCCEEDED(requirementsResult)) {
      *properties = requirements;
    }
    return requirementsResult;
  }
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override {
    received.push_back(sample);
    return receiveResult;
  }
  HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample**, LONG, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }

  HRESULT STDMETHODCALLTYPE EndOfStream() override {
    ++endOfStreams;
    return streamEventResult;
  }
  HRESULT STDMETHODCALLTYPE BeginFlush() override {
    ++beginFlushes;
    return streamEventResult;
  }
  HRESULT STDMETHODCALLTYPE EndFlush() override {
    ++endFlushes;
    return streamEventResult;
  }
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double rate) override {
    segmentRates.push_back(rate);
    return streamEventResult;
  }

 protected:
  HRESULT QueryOther(REFIID iid, void** out) override {
    if (IsEqualGUID(iid, IID_IMemInputPin)) {
      ++memInputQueries;
      if (memInputAsNone) {
        *out = nullptr;
        return S_OK;
      }
      if (offersMemInput) {
        *out = static_cast<IMemInputPin*>(this);
        AddRef();
        return S_OK;
      }
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
};
