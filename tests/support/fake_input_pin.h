// The other end of a connection: an input pin whose IPin answers what a test
// sets, which offers a list of media types through an IEnumMediaTypes of its
// own, and which records what it was asked. It holds no reference on the pin
// that connects to it.
#pragma once

#include <functional>
#include <vector>

#include "platform.h"
#include "tests/support/counted_fake.h"
#include "tests/support/type_description.h"

// Hands out task-memory records of a fixed list. Frees itself; `live` counts
// the instances alive.
class FakeTypeList : public IEnumMediaTypes {
 public:
  FakeTypeList(std::vector<TypeDescription> types, int* live) : types_(std::move(types)), live_(live) { ++*live_; }
  virtual ~FakeTypeList() { --*live_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      delete this;
    }
    return left;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** records, ULONG* fetched) override {
    ULONG handed = 0;
    for (; handed < count && position_ < types_.size(); ++handed, ++position_) {
      records[handed] = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
      if (records[handed] == nullptr) {
        break;
      }
      FillRecord(*records[handed], types_[position_]);
    }
    if (fetched != nullptr) {
      *fetched = handed;
    }
    return handed == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes**) override { return E_NOTIMPL; }

 private:
  std::vector<TypeDescription> types_;
  std::size_t position_ = 0;
  ULONG references_ = 1;
  int* live_;
};

class FakeInputPin : public CountedFake<IPin> {
 public:
  FakeInputPin() : CountedFake(IID_IPin) {}

  // --- What it answers ---
  PIN_DIRECTION direction = PINDIR_INPUT;
  // A failure is returned without writing the direction.
  HRESULT queryDirectionResult = S_OK;
  std::vector<TypeDescription> types;
  HRESULT enumResult = S_OK;
  // ReceiveConnection's and QueryAccept's answer for a type.
  std::function<HRESULT(const AM_MEDIA_TYPE&)> accept = [](const AM_MEDIA_TYPE&) { return S_OK; };

  // --- What it saw ---
  std::vector<GUID> offeredSubtypes;  // ReceiveConnection's types, in order
  IPin* connector = nullptr;          // set by an accepted ReceiveConnection
  int disconnectCalls = 0;
  int enumCalls = 0;
  int liveTypeLists = 0;

  HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* pin, const AM_MEDIA_TYPE* type) override {
    offeredSubtypes.push_back(type->subtype);
    const HRESULT hr = accept(*type);
    if (SUCCEEDED(hr)) {
      connector = pin;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Disconnect() override {
    ++disconnectCalls;
    connector = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* answer) override {
    if (SUCCEEDED(queryDirectionResult)) {
      *answer = direction;
    }
    return queryDirectionResult;
  }
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override { return accept(*type); }
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** list) override {
    ++enumCalls;
    if (FAILED(enumResult)) {
      *list = nullptr;
      return enumResult;
    }
    *list = new FakeTypeList(types, &liveTypeLists);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }
};
