#include "framework/pin_enumerator.h"

#include "framework/generic_filter.h"
#include "framework/generic_pin.h"

PinEnumerator::PinEnumerator(GenericFilter* filter, const PinEnumerator* source) noexcept : Filter(filter) {
  Filter->FilterInterface()->AddRef();
  if (source == nullptr) {
    TakeSnapshot();
    return;
  }
  Position = source->Position;
  PinTotal = source->PinTotal;
  Version = source->Version;
  // A clone that cannot copy the whole record may hand a pin out again; it
  // never loses one.
  ReturnedPins.AppendList(source->ReturnedPins);
}

PinEnumerator::~PinEnumerator() { Filter->FilterInterface()->Release(); }

void PinEnumerator::TakeSnapshot() noexcept {
  Version = Filter->PinListVersion();
  PinTotal = Filter->PinCount();
  Position = 0;
}

BOOL PinEnumerator::OutOfSync() const noexcept { return Filter->PinListVersion() != Version ? TRUE : FALSE; }

HRESULT STDMETHODCALLTYPE PinEnumerator::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IEnumPins) || IsEqualIID(iid, IID_IUnknown)) {
    return ReturnInterface(static_cast<IEnumPins*>(this), out);
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE PinEnumerator::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&RefCount)); }

ULONG STDMETHODCALLTYPE PinEnumerator::Release() {
  const LONG count = InterlockedDecrement(&RefCount);
  if (count == 0) {
    delete this;
  }
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) {
    return E_POINTER;
  }
  if (fetched != nullptr) {
    *fetched = 0;
  } else if (count > 1) {
    return E_INVALIDARG;
  }
  // A moved version starts the walk again; ReturnedPins keeps a pin from
  // being handed out twice.
  if (OutOfSync()) {
    TakeSnapshot();
  }
  LONGLONG wanted = static_cast<LONGLONG>(PinTotal) - Position;
  if (static_cast<LONGLONG>(count) < wanted) {
    wanted = count;
  }
  if (wanted <= 0) {
    return S_FALSE;
  }
  ULONG handedOut = 0;
  ULONG recorded = 0;  // entries this call added to ReturnedPins, at its tail
  while (wanted > 0 && Position < PinTotal) {
    GenericPin* pin = Filter->PinAt(Position++);
    if (pin == nullptr) {
      // The list changed under us. Take back what this call handed out, so
      // that no reference hides behind a fetched count of 0, and forget that
      // it was handed out, so that a later walk offers it again.
      for (ULONG i = 0; i < handedOut; ++i) {
        pins[i]->Release();
        pins[i] = nullptr;
      }
      for (; recorded > 0; --recorded) {
        ReturnedPins.RemoveLast();
      }
      return VFW_E_ENUM_OUT_OF_SYNC;
    }
    if (ReturnedPins.Find(pin)) {
      continue;
    }
    pins[handedOut] = pin->PinInterface();
    pins[handedOut]->AddRef();
    ++handedOut;
    // A pin left out of the record may be handed out again after a version
    // change; that is all a failed Append costs.
    if (ReturnedPins.Append(pin)) {
      ++recorded;
    }
    --wanted;
  }
  if (fetched != nullptr) {
    *fetched = handedOut;
  }
  return handedOut == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Skip(ULONG count) {
  if (OutOfSync()) {
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  if (count > static_cast<ULONG>(PinTotal - Position)) {
    return S_FALSE;
  }
  Position += static_cast<LONG>(count);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Reset() {
  TakeSnapshot();
  ReturnedPins.RemoveAll();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Clone(IEnumPins** clone) {
  if (clone == nullptr) {
    return E_POINTER;
  }
  if (OutOfSync()) {
    *clone = nullptr;
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  PinEnumerator* copy = new (std::nothrow) PinEnumerator(Filter, this);
  *clone = copy;
  return copy != nullptr ? S_OK : E_OUTOFMEMORY;
}
