// A peer object that only counts references, so tests can see exactly which
// references a record adds and gives up. It lives on the test's stack and is
// never freed through Release.
#pragma once

#include <atomic>

#include "platform.h"

class CountingUnknown : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    if (!IsEqualGUID(iid, IID_IUnknown)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }

  // References held by others (the object starts with none).
  ULONG References() const { return references_.load(); }

 private:
  std::atomic<ULONG> references_{0};
};
