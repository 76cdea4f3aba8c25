#include "module/unknown_base.h"

#include "module/atomic_read.h"

namespace {

// Counts reported to callers are never below 1 while the object lives; only
// the 0 of the destroying release is exact.
ULONG AtLeastOne(LONG count) { return count < 1 ? 1u : static_cast<ULONG>(count); }

}  // namespace

UnknownBase::UnknownBase(IUnknown* outer) noexcept
    : OwnerUnknown(outer != nullptr ? outer : static_cast<InnerUnknown*>(this)) {}

HRESULT STDMETHODCALLTYPE UnknownBase::InnerQueryInterface(REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IUnknown)) {
    *out = InnerIdentity();
    InnerAddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE UnknownBase::InnerAddRef() {
  InterlockedIncrement(&RefCount);
  return AtLeastOne(AtomicRead(&RefCount));
}

ULONG STDMETHODCALLTYPE UnknownBase::InnerRelease() {
  const LONG count = InterlockedDecrement(&RefCount);
  if (count == 0) {
    DestroyUnreferenced();
    return 0;
  }
  // Our reference is gone: another thread may destroy the object at any
  // moment, so the answer is the decrement's result, never a fresh read.
  return AtLeastOne(count);
}

void UnknownBase::DestroyUnreferenced() noexcept {
  // Only the destroying thread can still reach the object.
  RefCount = 1;
  delete this;
}
