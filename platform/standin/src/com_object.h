// The IUnknown part shared by the runtime's own COM objects that implement
// one interface: an atomic reference count, a Release that deletes the object
// when the count reaches zero, and a QueryInterface that answers IID_IUnknown
// and `kId` with the same pointer.
//
// `Derived` names the class itself (it declares `friend ComObject;` so that
// Create and Release can reach its private constructor and destructor).
// Nothing here throws.
#pragma once

#include <atomic>
#include <new>

#include "platform.h"

namespace standin {

template <typename Derived, typename Interface, const IID& kId>
class ComObject : public Interface {
 public:
  // A runtime class's creation function, for a class made without arguments:
  // no aggregation, and the new object's `iid` interface or nothing.
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    if (outer != nullptr) {
      return CLASS_E_NOAGGREGATION;
    }
    auto* object = new (std::nothrow) Derived;
    if (object == nullptr) {
      return E_OUTOFMEMORY;
    }
    object->AddRef();
    const HRESULT result = object->QueryInterface(iid, out);
    object->Release();
    return result;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    if (iid != IID_IUnknown && iid != kId) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      delete static_cast<Derived*>(this);
    }
    return left;
  }

 protected:
  ComObject() = default;
  ~ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // Protected for a class whose last Release does something else than delete.
  std::atomic<ULONG> references_{0};
};

}  // namespace standin
