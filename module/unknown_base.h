// The object model: reference counting, interface lookup and aggregation.
//
// Every object exposes two kinds of IUnknown:
//  - its inner unknown (InnerUnknown), the non-delegating one: the object's
//    identity when it stands alone, and the handle through which an outer
//    object controls it when it is aggregated;
//  - the forwarding entries of each platform interface it implements
//    (ForwardingUnknown), which pass QueryInterface, AddRef and Release to the
//    object's Owner: the outer unknown if there is one, else the inner unknown.
#pragma once

#include "module/tracked_object.h"
#include "platform.h"

// The non-delegating unknown: a distinct IUnknown base whose three entries run
// the object's own InnerQueryInterface, InnerAddRef and InnerRelease.
class InnerUnknown : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG STDMETHODCALLTYPE InnerAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE InnerRelease() = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) final { return InnerQueryInterface(iid, out); }
  ULONG STDMETHODCALLTYPE AddRef() final { return InnerAddRef(); }
  ULONG STDMETHODCALLTYPE Release() final { return InnerRelease(); }
};

// Hands an interface pointer of the answering object to a caller: stores it in
// `out` and adds the caller's reference through the pointer itself (for a
// forwarding table that lands on the Owner).
template <class Interface>
HRESULT ReturnInterface(Interface* pointer, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = pointer;
  pointer->AddRef();
  return S_OK;
}

class UnknownBase : public TrackedObject, public InnerUnknown {
 public:
  // `outer` is the aggregating object's unknown, or none.
  explicit UnknownBase(IUnknown* outer) noexcept;
  virtual ~UnknownBase() = default;

  // The base answers IID_IUnknown with the inner unknown. A derived class
  // answers its own ids and passes every other id to its base class.
  HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE InnerAddRef() override;
  ULONG STDMETHODCALLTYPE InnerRelease() override;

  // The object's identity as a non-aggregated object: its inner unknown.
  IUnknown* InnerIdentity() noexcept { return static_cast<InnerUnknown*>(this); }
  // Where the forwarding entries go. Not reference-counted.
  IUnknown* Owner() const noexcept { return OwnerUnknown; }

  // Destroys an object that was never referenced (a construction that the
  // creator rejects). Like every destruction, it runs with RefCount at 1, so
  // an AddRef/Release pair made during teardown cannot destroy it twice.
  void DestroyUnreferenced() noexcept;

 protected:
  // Read with AtomicRead: other threads change it through interlocked calls.
  LONG volatile RefCount = 0;

 private:
  IUnknown* const OwnerUnknown;
};

// The first three entries of a platform interface table: they forward to the
// Owner of the object (`Object` derives from UnknownBase and from this).
template <class Object, class Interface>
class ForwardingUnknown : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) final { return Target()->QueryInterface(iid, out); }
  ULONG STDMETHODCALLTYPE AddRef() final { return Target()->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() final { return Target()->Release(); }

 private:
  IUnknown* Target() { return static_cast<Object*>(this)->Owner(); }
};
