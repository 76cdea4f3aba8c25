// Base of the peer fakes: a COM object that lives on the test's stack and
// counts the references others hold on it instead of freeing itself, so that
// a test can check that every reference it was given came back.
#pragma once

#include <atomic>

#include "platform.h"

template <class Interface>
class CountedFake : public Interface {
 public:
  explicit CountedFake(REFIID iid) : iid_(iid) {}
  virtual ~CountedFake() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, iid_)) {
      *out = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    return QueryOther(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }

  // References held by others (a fake starts with none).
  ULONG References() const { return references_.load(); }

 protected:
  // Further interfaces a fake answers; none by default.
  virtual HRESULT QueryOther(REFIID, void** out) {
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  const IID iid_;
  std::atomic<ULONG> references_{0};
};
